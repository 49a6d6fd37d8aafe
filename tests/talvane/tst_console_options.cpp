// The console's command line: the options of the Linux build, what is
// ignored, and the ports they add to the selector.

#include "console_options.h"
#include "window_fixture.h"

#include <QTest>

class Tst_console_options : public QObject
{
    Q_OBJECT

private slots:
    void init() { clear_window_settings(); }

    void console_options_data();
    void console_options();
    void remote_and_instance_data();
    void remote_and_instance();
    void console_port_options_fill_the_selector();
};

void Tst_console_options::console_options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<bool>("connect");
    QTest::addColumn<QString>("screenshot");
    QTest::addColumn<bool>("print_state");
    QTest::addColumn<bool>("error");
    QTest::addColumn<int>("delay");
    QTest::addColumn<QStringList>("ignored");
    QTest::newRow("none") << QStringList{} << QStringList{} << false << "" << false << false << 300
                          << QStringList{};
    QTest::newRow("two ports, connect")
        << QStringList{"--port", "/dev/pts/3", "--port=/run/m", "--connect"}
        << QStringList{"/dev/pts/3", "/run/m"} << true << "" << false << false << 300
        << QStringList{};
    QTest::newRow("screenshot and state")
        << QStringList{"--screenshot", "/tmp/s.png", "--print-state"} << QStringList{} << false
        << "/tmp/s.png" << true << false << 300 << QStringList{};
    QTest::newRow("screenshot with =")
        << QStringList{"--screenshot=a.png"} << QStringList{} << false << "a.png" << false << false
        << 300 << QStringList{};
    QTest::newRow("port without value") << QStringList{"--port"} << QStringList{} << false << ""
                                        << false << true << 300 << QStringList{};
    QTest::newRow("empty port") << QStringList{"--port="} << QStringList{} << false << "" << false
                                << true << 300 << QStringList{};
    QTest::newRow("empty screenshot") << QStringList{"--screenshot="} << QStringList{} << false
                                      << "" << false << true << 300 << QStringList{};
    QTest::newRow("screenshot delay")
        << QStringList{"--screenshot", "s.png", "--screenshot-delay", "4000"} << QStringList{}
        << false << "s.png" << false << false << 4000 << QStringList{};
    QTest::newRow("negative delay") << QStringList{"--screenshot-delay", "-1"} << QStringList{}
                                    << false << "" << false << true << 300 << QStringList{};
    // The data port's name becomes a file name in its private folder.
    QTest::newRow("data port name leaving its folder")
        << QStringList{"--headless", "--data-port", "../COM7"} << QStringList{} << false << ""
        << false << true << 300 << QStringList{};
    QTest::newRow("delay not a number") << QStringList{"--screenshot-delay", "4s"} << QStringList{}
                                        << false << "" << false << true << 300 << QStringList{};
    // Arguments the console does not know are ignored, each with a warning.
    QTest::newRow("unknown arguments ignored")
        << QStringList{"--conect", "--port", "/dev/pts/4", "stray"} << QStringList{"/dev/pts/4"}
        << false << "" << false << false << 300 << QStringList{"--conect", "stray"};
    QTest::newRow("control") << QStringList{"--control"} << QStringList{} << false << "" << false
                             << false << 300 << QStringList{};
}

void Tst_console_options::console_options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, ports);
    QFETCH(bool, connect);
    QFETCH(QString, screenshot);
    QFETCH(bool, print_state);
    QFETCH(bool, error);
    QFETCH(int, delay);
    QFETCH(QStringList, ignored);
    const Console_options options = parse_console_options(arguments);
    QCOMPARE(!options.error.isEmpty(), error);
    if (error) {
        return;
    }
    QCOMPARE(options.ports, ports);
    QCOMPARE(options.connect, connect);
    QCOMPARE(options.screenshot, screenshot);
    QCOMPARE(options.print_state, print_state);
    QCOMPARE(options.screenshot_delay_ms, delay);
    QCOMPARE(options.warnings, ignored);
    QCOMPARE(options.control, arguments.contains("--control"));
    QVERIFY(!options.help);
    QVERIFY(parse_console_options({"--help"}).help);
    QVERIFY(options.help_text.contains("--port PATH"));
    QVERIFY(options.help_text.contains("wait TEXT [SECONDS]"));
}

void Tst_console_options::remote_and_instance_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("instance"); // empty: a bad command line
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("name") << QStringList{"--instance", "st-1.a"} << "st-1.a" << QStringList{};
    QTest::newRow("remote, name after")
        << QStringList{"--remote", "--instance", "st", "show", "click X"} << "st"
        << QStringList{"show", "click X"};
    QTest::newRow("name before remote")
        << QStringList{"--instance=st", "--remote", "quit"} << "st" << QStringList{"quit"};
    QTest::newRow("commands like options")
        << QStringList{"--remote", "--port", "x"} << "talvane" << QStringList{"--port", "x"};
    QTest::newRow("no command") << QStringList{"--remote", "--instance", "st"} << ""
                                << QStringList{};
    QTest::newRow("path in name") << QStringList{"--instance", "../x"} << "" << QStringList{};
    QTest::newRow("hidden name") << QStringList{"--instance", ".x"} << "" << QStringList{};
    QTest::newRow("65 characters")
        << QStringList{"--instance", QString(65, 'n')} << "" << QStringList{};
}

void Tst_console_options::remote_and_instance()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, instance);
    QFETCH(QStringList, commands);
    const Console_options options = parse_console_options(arguments);
    QCOMPARE(options.error.isEmpty(), !instance.isEmpty());
    if (!instance.isEmpty()) {
        QCOMPARE(options.instance, instance);
        QCOMPARE(options.remote, arguments.contains("--remote"));
        QCOMPARE(options.remote_commands, commands);
        QVERIFY(options.warnings.isEmpty());
    }
}

void Tst_console_options::console_port_options_fill_the_selector()
{
    Talvane window;
    Talvane_test_probe probe{window};
    const int count = probe.port_count();
    const int entries = probe.ports()->count();
    window.apply_console_options(
        parse_console_options({"--port", "/nonexistent/one", "--port", "/nonexistent/two", "--port",
                               "/nonexistent/one"}));
    QCOMPARE(probe.port_count(), count + 2);
    QCOMPARE(probe.ports()->count(), entries + 2);
    QCOMPARE(probe.ports()->currentText(), QString("/nonexistent/one"));
    QCOMPARE(probe.state(), int(CONNECTION_STATE_NOT_CONNECTED));
}

QTEST_MAIN(Tst_console_options)
#include "tst_console_options.moc"
