// The 2G ALE settings file: defaults written for missing keys, values read
// and converted into their storage sizes, and the address write-back.

#include "ale_2g_test_support.h"

#include <QDir>
#include <QFile>
#include <QSettings>

using namespace vq_qt;
using ale_2g_test::Data_home;
using ale_2g_test::Log_recorder;
using ale_2g_test::write_file;

namespace {

const QStringList keys = {
    "2G_ALE_Self_Address",
    "2G_ALE_Other_Address",
    "2G_ALE_Scan_List_Assignment_Matrix",
    "2G_ALE_Activity_Timeout_sec",
    "2G_ALE_LBT_Time_Interval",
    "2G_ALE_Tune_Time_ms",
    "2G_ALE_Wait_For_Reply_Time_ms",
    "2G_ALE_Terminate_on_disconnect",
};

} // namespace

class Tst_settings : public QObject
{
    Q_OBJECT

private slots:
    void file_lives_in_the_data_folder()
    {
        Data_home home;
        QCOMPARE(Ale_2g_settings::file_path(), qEnvironmentVariable("XDG_DATA_HOME") +
                                                   "/Velquin/Talvane/data/2g_ale_settings.ini");
    }

    void missing_file_is_created_with_defaults()
    {
        Data_home home;
        Log_recorder log;
        Ale_2g_settings settings;
        QVERIFY(settings._load_2G_ale_settings());

        QStringList warnings;
        for (const QString& key : keys) {
            warnings << key + " not found.";
        }
        QCOMPARE(log.in("init"), warnings);
        QVERIFY(log.in("info").isEmpty());

        QSettings file(home.settings_file(), QSettings::IniFormat);
        QCOMPARE(file.allKeys().size(), 8);
        QCOMPARE(file.value("2G_ALE_Self_Address").toString(), QString("REMOTE1"));
        QCOMPARE(file.value("2G_ALE_Other_Address").toString(), QString("BASE1"));
        QCOMPARE(file.value("2G_ALE_Scan_List_Assignment_Matrix").toString(), QString("FFFF"));
        QCOMPARE(file.value("2G_ALE_Activity_Timeout_sec").toInt(), 180);
        QCOMPARE(file.value("2G_ALE_LBT_Time_Interval").toInt(), 10);
        QCOMPARE(file.value("2G_ALE_Tune_Time_ms").toInt(), 5000);
        QCOMPARE(file.value("2G_ALE_Wait_For_Reply_Time_ms").toInt(), 5000);
        QCOMPARE(file.value("2G_ALE_Terminate_on_disconnect").toBool(), true);

        QCOMPARE(settings.self_address, QString("REMOTE1"));
        QCOMPARE(settings.activity_timeout, ushort(180));
        QVERIFY(settings.terminate_on_disconnect);

        // A second run finds every key and warns about none.
        Log_recorder again;
        Ale_2g_settings reloaded;
        QVERIFY(reloaded._load_2G_ale_settings());
        QVERIFY(again.in("init").isEmpty());
        QCOMPARE(again.in("info").size(), 8);
    }

    void values_are_read_and_converted_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("logged"); // what the member holds, as logged
        QTest::newRow("self address") << "2G_ALE_Self_Address"
                                      << "ALPHA7"
                                      << "ALPHA7";
        QTest::newRow("scan list") << "2G_ALE_Scan_List_Assignment_Matrix"
                                   << "00ff"
                                   << "00ff";
        QTest::newRow("timeout in 16 bits") << "2G_ALE_Activity_Timeout_sec"
                                            << "70000"
                                            << "4464";
        QTest::newRow("timeout not a number") << "2G_ALE_Activity_Timeout_sec"
                                              << "abc"
                                              << "0";
        QTest::newRow("lbt in 8 bits") << "2G_ALE_LBT_Time_Interval"
                                       << "300"
                                       << "44";
        QTest::newRow("tune time") << "2G_ALE_Tune_Time_ms"
                                   << "65535"
                                   << "65535";
        QTest::newRow("wait time in 16 bits") << "2G_ALE_Wait_For_Reply_Time_ms"
                                              << "65536"
                                              << "0";
        QTest::newRow("terminate false") << "2G_ALE_Terminate_on_disconnect"
                                         << "false"
                                         << "false";
        QTest::newRow("terminate true") << "2G_ALE_Terminate_on_disconnect"
                                        << "true"
                                        << "true";
    }

    void values_are_read_and_converted()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, logged);
        Data_home home;
        write_file(home.settings_file(), QString("[General]\n%1=%2\n").arg(key, value).toUtf8());
        Log_recorder log;
        Ale_2g_settings settings;
        QVERIFY(settings._load_2G_ale_settings());
        QCOMPARE(log.in("info"), QStringList{key + " = " + logged});
        QCOMPARE(log.in("init").size(), 7);
        QVERIFY(!log.in("init").contains(key + " not found."));
    }

    void members_hold_the_converted_values()
    {
        Data_home home;
        write_file(home.settings_file(), "[General]\n"
                                         "2G_ALE_Activity_Timeout_sec=70000\n"
                                         "2G_ALE_LBT_Time_Interval=300\n"
                                         "2G_ALE_Terminate_on_disconnect=false\n");
        Ale_2g_settings settings;
        settings._load_2G_ale_settings();
        QCOMPARE(settings.activity_timeout, ushort(4464));
        QCOMPARE(settings.lbt_time, uchar(44));
        QVERIFY(!settings.terminate_on_disconnect);
        // Values found in the file are left as they were.
        QSettings file(home.settings_file(), QSettings::IniFormat);
        QCOMPARE(file.value("2G_ALE_Activity_Timeout_sec").toString(), QString("70000"));
    }

    void hooks_see_each_address_as_it_is_loaded()
    {
        Data_home home;
        write_file(home.settings_file(), "[General]\n2G_ALE_Self_Address=remote2\n");
        Log_recorder log;
        Ale_2g_settings settings;
        Ale_2g_settings::Address_hooks hooks;
        hooks.self_address_loaded = [&](const QString& a) { qDebug("self %s", qPrintable(a)); };
        hooks.other_address_loaded = [&](const QString& a) { qDebug("other %s", qPrintable(a)); };
        settings._load_2G_ale_settings(hooks);
        QStringList order;
        for (const QString& line : log.marked_lines()) {
            order << line.section('|', 1);
        }
        QCOMPARE(order.mid(0, 4), QStringList({"2G_ALE_Self_Address = remote2", "self remote2",
                                               "2G_ALE_Other_Address not found.", "other BASE1"}));
    }

    void addresses_are_written_back()
    {
        Data_home home;
        Ale_2g_settings settings;
        settings._load_2G_ale_settings();
        settings.set_self_address("ZULU9");
        settings.set_other_address("");
        QCOMPARE(settings.other_address, QString());
        QSettings file(home.settings_file(), QSettings::IniFormat);
        QCOMPARE(file.value("2G_ALE_Self_Address").toString(), QString("ZULU9"));
        QCOMPARE(file.value("2G_ALE_Other_Address").toString(), QString("BASE1"));
    }

    void unwritable_folder_is_reported()
    {
        Data_home home;
        // A file where the folder should be.
        write_file(qEnvironmentVariable("XDG_DATA_HOME") + "/Velquin/Talvane/data", "x");
        Log_recorder log;
        Ale_2g_settings settings;
        QVERIFY(!settings._load_2G_ale_settings());
        QCOMPARE(settings.other_address, QString("BASE1"));
        QVERIFY(log.marked_lines().filter("Cannot").size() >= 1);
    }
};

QTEST_GUILESS_MAIN(Tst_settings)
#include "tst_settings.moc"
