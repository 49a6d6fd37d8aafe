// ALE status reports and occupancy reports: the events they post, the detail
// texts they set, and the ALE event log lines.

#include "ale_2g_test_support.h"

using namespace vq_qt;
using ale_2g_test::Log_recorder;
using ale_2g_test::Machine;

class Tst_reports : public QObject
{
    Q_OBJECT

private slots:
    void logged_names_and_details_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("detail"); // in ENABLED, where no report moves the state
        const QString none = "Enabled detail";
        QTest::newRow("3") << 3 << "Linked via an incoming ALE call"
                           << "Linked via an incoming call";
        QTest::newRow("4") << 4 << "Linked via an outgoing ALE call" << none;
        QTest::newRow("5") << 5 << "Not linked normal listen mode" << none;
        QTest::newRow("7") << 7 << "AMD orderwire message has been received" << none;
        QTest::newRow("8") << 8 << "Transmitting an ALE sound"
                           << "Transmitting an ALE sound";
        QTest::newRow("9") << 9 << "Received an ALE sound"
                           << "Received an ALE sound";
        QTest::newRow("10") << 10 << "The link has been aborted due to the no activity timeout"
                            << none;
        QTest::newRow("11") << 11 << "Start Rx Call"
                            << "Start Rx Call";
        QTest::newRow("12") << 12 << "Transmitting the reply to an incoming ALE call"
                            << "Tx the reply to an incoming";
        QTest::newRow("16") << 16 << "Link is terminated" << none;
        QTest::newRow("17") << 17 << "Cannot reply to incoming call"
                            << "Cannot reply to incoming call";
        QTest::newRow("20") << 20 << "Start LQA Poll"
                            << "Start LQA Poll";
        QTest::newRow("21") << 21 << "End LQA Poll"
                            << "End LQA Poll";
        QTest::newRow("22") << 22 << "Link was not requested"
                            << "Link was not requested";
        QTest::newRow("23") << 23 << "Rx reply from network member"
                            << "Rx reply from network member";
        QTest::newRow("24") << 24 << "Rx no ack"
                            << "Rx no ack";
        QTest::newRow("25") << 25 << "Link rejected"
                            << "Link rejected";
        QTest::newRow("38") << 38 << "Cannot call no presets available" << none;
        QTest::newRow("80") << 80 << "ALE STATE LINKED" << none;
        QTest::newRow("82") << 82 << "ALE STATE LINKING" << none;
        QTest::newRow("83") << 83 << "ALE STATE SOUNDING" << none;
        QTest::newRow("111") << 111 << "Start of Relink process"
                             << "Start of Relink";
        QTest::newRow("112") << 112 << "Relink succeeded"
                             << "Relink succeeded";
        QTest::newRow("113") << 113 << "Relink failed"
                             << "Relink failed";
        QTest::newRow("114") << 114 << "Radio unavailable"
                             << "Radio unavailable";
        QTest::newRow("115") << 115 << "Radio fault"
                             << "Radio fault";
        QTest::newRow("0") << 0 << "UNKNOWN" << none;
        QTest::newRow("2") << 2 << "UNKNOWN" << none;
        QTest::newRow("15") << 15 << "UNKNOWN" << none;
        QTest::newRow("200") << 200 << "UNKNOWN" << none;
        QTest::newRow("255") << 255 << "UNKNOWN" << none;
    }

    void logged_names_and_details()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QFETCH(QString, detail);
        Machine m;
        m.enable();
        m.machine.set_detail_text("Enabled detail");
        const QStringList sent = m.requests.sent;
        Log_recorder log;
        m.report(uchar(code), "BASE1");
        QCOMPARE(m.state(), ALE_2G_STATE_ENABLED);
        QCOMPARE(m.machine.detail_text(), detail);
        QCOMPARE(m.machine.status_text(), QString("<font color='green'>Enabled</font>"));
        QCOMPARE(m.requests.sent, sent);
        QCOMPARE(log.in("events_2g"),
                 QStringList({"New 2G Event: \"" + name + "\"",
                              "_handle_ale_report_status_indication: station_names_list = "
                              "\"BASE1\""}));
        QCOMPARE(m.machine.station_names(), QString("BASE1"));
    }

    void link_failed_says_why_data()
    {
        QTest::addColumn<int>("occupancy"); // 0: no occupancy report
        QTest::addColumn<bool>("before_call");
        QTest::addColumn<QString>("detail");
        QTest::newRow("PSK 4285") << 5 << false << "Channel Occupied with PSK 4285 signal";
        QTest::newRow("no report") << 0 << false << "No Reply received";
        QTest::newRow("report before the call") << 5 << true << "No Reply received";
    }

    void link_failed_says_why()
    {
        QFETCH(int, occupancy);
        QFETCH(bool, before_call);
        QFETCH(QString, detail);
        Machine m;
        m.enable();
        if (occupancy && before_call) {
            m.machine._handle_occupancy_detected_result_indication(3, ushort(occupancy));
        }
        m.post(ALE_2G_EVENT_CALL);
        while (m.state() == ALE_2G_STATE_CALL_SETUP) {
            m.ack();
        }
        if (occupancy && !before_call) {
            m.machine._handle_occupancy_detected_result_indication(3, ushort(occupancy));
        }
        m.report(14);
        QCOMPARE(m.state(), ALE_2G_STATE_ENABLED);
        QCOMPARE(m.shown.status, QString("<font color='red'>Link Failed</font>"));
        QCOMPARE(m.shown.detail, "<font color='gray'>" + detail + "</font>");
    }

    void reply_shows_link_quality()
    {
        Log_recorder log;
        Machine m;
        m.call();
        m.report(13, "BASE1", 12, 7);
        QCOMPARE(m.machine.lqa_to(), uchar(12));
        QCOMPARE(m.machine.lqa_from(), uchar(7));
        QCOMPARE(m.shown.status, QString("<font color='green'>Reply from BASE1</font>"));
        QCOMPARE(m.shown.detail,
                 QString("<font color='gray'>Link Quality: TO = 12, FROM = 7</font>"));
        // Only the reply report stores the link quality.
        m.report(9, "BASE1", 1, 2);
        QCOMPARE(m.machine.lqa_to(), uchar(12));
    }

    void calling_report_names_the_stations()
    {
        Machine m;
        m.call();
        m.report(1, "BASE1 BASE2");
        QCOMPARE(m.shown.status, QString("<font color='green'>Linking</font>"));
        QCOMPARE(m.machine.detail_text(), QString("Calling BASE1 BASE2"));
        m.report(82, "BASE1");
        QCOMPARE(m.machine.detail_text(), QString("Calling BASE1")); // other address
    }

    void activity_timeout_then_link_terminated()
    {
        Machine m;
        m.link();
        m.report(10);
        m.report(16);
        QCOMPARE(m.state(), ALE_2G_STATE_ENABLED);
        QCOMPARE(m.shown.status, QString("<font color='orange'>Link Terminated</font>"));
        QCOMPARE(m.machine.detail_text(),
                 QString("Link aborted due to activity timeout (180 sec)"));
        QVERIFY(!m.machine.activity_timeout_flag());
        // The flag is spent: the next link ends as terminated externally.
        m.post(ALE_2G_EVENT_CALL);
        while (m.state() == ALE_2G_STATE_CALL_SETUP) {
            m.ack();
        }
        m.report(80, "BASE1");
        QCOMPARE(m.state(), ALE_2G_STATE_LINKED);
        m.report(16);
        QCOMPARE(m.machine.detail_text(), QString("Link terminated externally"));
    }

    void offline_report_disables()
    {
        Machine m;
        m.enable();
        m.report(81);
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLING);
        QCOMPARE(m.shown.status, QString("Offline"));
    }

    void report_order_in_the_log()
    {
        Log_recorder log;
        Machine m;
        m.call();
        log.clear();
        m.report(3, "FAR");
        QCOMPARE(log.marked_lines(), QStringList({
                                "state_change_2g|2G State = \"LINKED\"",
                                "events_2g|New 2G Event: \"Linked via an incoming ALE call\"",
                                "events_2g|_handle_ale_report_status_indication: "
                                "station_names_list = \"FAR\"",
                            }));
        QCOMPARE(m.shown.status, QString("<font color='green'>Linked to FAR</font>"));
        QCOMPARE(m.machine.detail_text(), QString("Linked via an incoming call"));
    }

    void occupancy_names_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << 0 << "Invalid Event!!";
        QTest::newRow("1") << 1 << "2G ALE signal";
        QTest::newRow("2") << 2 << "SSD signal";
        QTest::newRow("3") << 3 << "VOICE signal";
        QTest::newRow("4") << 4 << "PSK 4539 signal";
        QTest::newRow("6") << 6 << "PSK 4529 signal";
        QTest::newRow("7") << 7 << "PSK DPF signal";
        QTest::newRow("8") << 8 << "PSK DPS signal";
        QTest::newRow("9") << 9 << "PSK 4415 signal";
        QTest::newRow("10") << 10 << "PSK 110A SYNC signal";
        QTest::newRow("11") << 11 << "PSK 2ISB signal";
        QTest::newRow("12") << 12 << "2FSK signal";
        QTest::newRow("13") << 13 << "S4538 BW0 signal";
        QTest::newRow("17") << 17 << "S4538 BW4 signal";
        QTest::newRow("18") << 18 << "S4538 BW5 signal";
        QTest::newRow("19") << 19 << "Invalid Event!!";
        QTest::newRow("65535") << 65535 << "Invalid Event!!";
    }

    void occupancy_names()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        Log_recorder log;
        Machine m;
        m.machine._handle_occupancy_detected_result_indication(250, ushort(code));
        QVERIFY(m.machine.occupancy_flag());
        QCOMPARE(m.machine.occupancy_signal_name(), name);
        QCOMPARE(log.in("resp_handle"),
                 QStringList{QString("_handle_occupancy_detected_result_indication, duration:250, "
                                     "occupancy: (%1) \"%2\"")
                                 .arg(code)
                                 .arg(name)});
    }
};

QTEST_GUILESS_MAIN(Tst_reports)
#include "tst_reports.moc"
