// The "2G ALE Control" panel offscreen: address entry with its validator,
// palette and write-back, the buttons that drive the state machine, and the
// controls the state machine sets.

#include "ale_2g_control_panel.h"
#include "ale_2g_test_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

using namespace vq_qt;
using ale_2g_test::Data_home;
using ale_2g_test::Log_recorder;
using ale_2g_test::Recording_requests;
using ale_2g_test::write_file;

namespace {

bool is_red(const QLineEdit* edit)
{
    return edit->palette().color(QPalette::Active, QPalette::Text) == QColor(Qt::red) &&
           edit->palette().color(QPalette::Inactive, QPalette::Text) == QColor(Qt::red) &&
           edit->palette().color(QPalette::Disabled, QPalette::Text) == QColor(Qt::red);
}

QString file_value(const QString& key)
{
    return QSettings(Ale_2g_settings::file_path(), QSettings::IniFormat).value(key).toString();
}

// A panel whose settings come from a private file and whose requests are
// recorded.
struct Panel
{
    Data_home home;
    Recording_requests requests;
    std::unique_ptr<Ale_2g_control_panel> panel;

    explicit Panel(const QByteArray& file = QByteArray())
    {
        if (!file.isEmpty()) {
            write_file(home.settings_file(), file);
        }
        panel = std::make_unique<Ale_2g_control_panel>();
        panel->state_machine()->set_requests(&requests);
        panel->_load_2G_ale_settings();
    }
    Ale_2g_state_machine& machine() { return *panel->state_machine(); }
    void ack() { machine()._handle_ale_call_control_set_ack(machine().expected_sequence_number()); }
    void enable()
    {
        QTest::mouseClick(panel->enable_button(), Qt::LeftButton);
        while (machine().state() == ALE_2G_STATE_CONFIG) {
            ack();
        }
    }
};

} // namespace

class Tst_control_panel : public QObject
{
    Q_OBJECT

private slots:
    void loaded_addresses_are_upper_cased_and_written_back()
    {
        Log_recorder log;
        Panel p("[General]\n2G_ALE_Self_Address=remote2\n");
        QCOMPARE(p.panel->self_address_edit()->text(), QString("REMOTE2"));
        QCOMPARE(p.panel->settings().self_address, QString("REMOTE2"));
        QCOMPARE(file_value("2G_ALE_Self_Address"), QString("REMOTE2"));
        QCOMPARE(p.panel->other_address_edit()->text(), QString("BASE1"));
        QVERIFY(!is_red(p.panel->self_address_edit()));
        const QStringList entry = log.in("address_entry_2g");
        QCOMPARE(entry.first(), QString("_line_edit_2g_self_address: new_address = remote2"));
        QVERIFY(
            entry.contains("_ui_action_2g_self_address_changed: _ale_2g_self_address = REMOTE2"));
        QVERIFY(entry.contains("_ui_action_2g_other_address_changed: new_address = BASE1"));
        QVERIFY(
            entry.contains("_ui_action_2g_other_address_changed: _ale_2g_other_address = BASE1"));
    }

    void invalid_address_in_the_file_stays_in_the_file()
    {
        Panel p("[General]\n2G_ALE_Self_Address=ab\n");
        QCOMPARE(p.panel->self_address_edit()->text(), QString("ab"));
        QVERIFY(is_red(p.panel->self_address_edit()));
        QCOMPARE(p.panel->settings().self_address, QString());
        QCOMPARE(file_value("2G_ALE_Self_Address"), QString("ab"));
        QVERIFY(!p.panel->enable_button()->isEnabled());
        QCOMPARE(p.panel->status_label()->text(),
                 QString("<font color='orange'>Invalid Self Address</font>"));
        QCOMPARE(p.panel->detail_label()->text(), QString("Please enter 3 to 15 characters"));
    }

    void short_other_address_disables_call()
    {
        Panel p;
        p.enable();
        QLineEdit* other = p.panel->other_address_edit();
        QVERIFY(other->isEnabled());
        QVERIFY(p.panel->call_button()->isEnabled());
        other->clear();
        QTest::keyClicks(other, "AB");
        QVERIFY(is_red(other));
        QCOMPARE(p.panel->settings().other_address, QString());
        QVERIFY(!p.panel->call_button()->isEnabled());
        QCOMPARE(p.panel->status_label()->text(),
                 QString("<font color='orange'>Invalid Other Address</font>"));
        QCOMPARE(file_value("2G_ALE_Other_Address"), QString("BASE1"));

        QTest::keyClicks(other, "c");
        QVERIFY(!is_red(other));
        QCOMPARE(other->text(), QString("ABC"));
        QCOMPARE(p.panel->settings().other_address, QString("ABC"));
        QCOMPARE(file_value("2G_ALE_Other_Address"), QString("ABC"));
        QVERIFY(p.panel->call_button()->isEnabled());
        QCOMPARE(p.panel->status_label()->text(), QString("<font color='green'>Enabled</font>"));
    }

    void edit_refuses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("16th character") << "ABCDEFGHIJKLMNOP"
                                        << "ABCDEFGHIJKLMNO";
        QTest::newRow("space") << "AB C1"
                               << "ABC1";
        QTest::newRow("punctuation") << "A-B.C_D!"
                                     << "ABCD";
        QTest::newRow("lower case taken") << "sta1"
                                          << "STA1";
        QTest::newRow("non-latin letter") << "ABÄC"
                                          << "ABC";
    }

    void edit_refuses()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Panel p;
        QLineEdit* self = p.panel->self_address_edit();
        self->clear();
        QTest::keyClicks(self, typed);
        QCOMPARE(self->text(), shown);
        QCOMPARE(p.panel->settings().self_address, shown);
        QCOMPARE(file_value("2G_ALE_Self_Address"), shown);
    }

    void buttons_drive_the_machine()
    {
        Panel p;
        QList<bool> locks;
        QObject::connect(&p.machine(), &Ale_2g_state_machine::radio_selector_lock,
                         [&](bool locked) { locks << locked; });
        QPushButton* enable = p.panel->enable_button();
        QPushButton* call = p.panel->call_button();
        QCOMPARE(enable->text(), QString("Enable"));
        QVERIFY(!call->isEnabled());
        QVERIFY(!p.panel->other_address_edit()->isEnabled());
        p.enable();
        QCOMPARE(locks, QList<bool>{true});
        QCOMPARE(enable->text(), QString("Disable"));
        QVERIFY(!p.panel->self_address_edit()->isEnabled());

        QTest::mouseClick(call, Qt::LeftButton);
        QCOMPARE(call->text(), QString("Cancel"));
        QVERIFY(!enable->isEnabled());
        QTest::mouseClick(call, Qt::LeftButton);
        QCOMPARE(p.machine().state(), ALE_2G_STATE_ENABLED);
        QCOMPARE(p.requests.sent.last(), QString("set_ale_abort_request(1) -"));
        QCOMPARE(p.panel->status_label()->text(), QString("Canceled"));

        QTest::mouseClick(enable, Qt::LeftButton);
        QCOMPARE(p.machine().state(), ALE_2G_STATE_DISABLING);
        p.ack();
        p.ack();
        QCOMPARE(enable->text(), QString("Enable"));
        QCOMPARE(p.panel->status_label()->text(), QString("Disabled"));
        QCOMPARE(p.panel->detail_label()->text(), QString("<font color='gray'></font>"));
        QCOMPARE(locks, QList<bool>({true, false}));
    }

    void unknown_call_button_text_is_logged()
    {
        Panel p;
        Log_recorder log;
        p.panel->call_button()->setText("Dial");
        p.panel->_ui_action_2g_control();
        QVERIFY(log.marked_lines().contains(
            "C default|#### ERROR #### Invalid Action for _ui_action_2g_control"));
        QCOMPARE(p.machine().state(), ALE_2G_STATE_DISABLED);
    }

    void captions_name_their_controls_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("control");
        QTest::newRow("self") << "Self Address:"
                              << "line_edit_2g_self_address";
        QTest::newRow("other") << "Other Address:"
                               << "line_edit_2g_other_address";
        QTest::newRow("status") << "ALE Status:"
                                << "label_2g_status";
    }

    void captions_name_their_controls()
    {
        QFETCH(QString, caption);
        QFETCH(QString, control);
        Panel p;
        QLabel* found = nullptr;
        for (QLabel* label : p.panel->findChildren<QLabel*>()) {
            if (QString(label->text()).remove('&') == caption) { // the mnemonic marker aside
                found = label;
            }
        }
        QVERIFY(found);
        QVERIFY(found->buddy());
        QCOMPARE(found->buddy()->objectName(), control);
    }

    void connection_lost_shows_a_dash()
    {
        Panel p;
        p.enable();
        p.machine().connection_lost();
        QCOMPARE(p.panel->status_label()->text(), QString("-"));
        QCOMPARE(p.panel->enable_button()->text(), QString("Disable"));
    }
};

QTEST_MAIN(Tst_control_panel)
#include "tst_control_panel.moc"
