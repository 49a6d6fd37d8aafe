// The simulator's command line and its operator commands.
#include "sim_options.h"

#include <QRegularExpression>
#include <QTest>

using namespace vq_sim;

class Tst_options : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void options_data();
    void options();
    void help_names_every_command_data();
    void help_names_every_command();
};

void Tst_options::commands_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("kind"); // -1: refused with a message, -2: ignored silently
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("status") << "status" << int(Sim_command::status) << 0.0 << "";
    QTest::newRow("spaces around") << "   hang  " << int(Sim_command::hang) << 0.0 << "";
    QTest::newRow("upper case verb") << "QUIT" << int(Sim_command::quit) << 0.0 << "";
    QTest::newRow("signal on") << "signal on" << int(Sim_command::signal) << 1.0 << "";
    QTest::newRow("signal off") << "signal off" << int(Sim_command::signal) << 0.0 << "";
    QTest::newRow("signal maybe") << "signal maybe" << -1 << 0.0 << "";
    QTest::newRow("drop 25") << "drop 25" << int(Sim_command::drop) << 25.0 << "";
    QTest::newRow("drop 101") << "drop 101" << -1 << 0.0 << "";
    QTest::newRow("drop negative") << "drop -3" << -1 << 0.0 << "";
    QTest::newRow("corrupt 0.5") << "corrupt 0.5" << int(Sim_command::corrupt) << 0.5 << "";
    QTest::newRow("corrupt-frames 5")
        << "corrupt-frames 5" << int(Sim_command::corrupt_frames) << 5.0 << "";
    QTest::newRow("corrupt-input 5")
        << "corrupt-input 5" << int(Sim_command::corrupt_input) << 5.0 << "";
    QTest::newRow("corrupt-input 101") << "corrupt-input 101" << -1 << 0.0 << "";
    QTest::newRow("indications 100")
        << "indications 100" << int(Sim_command::indications) << 100.0 << "";
    QTest::newRow("indications 1001") << "indications 1001" << -1 << 0.0 << "";
    QTest::newRow("delay 300") << "delay 300" << int(Sim_command::delay) << 300.0 << "";
    QTest::newRow("delay no value") << "delay" << -1 << 0.0 << "";
    QTest::newRow("scenario") << "ale scenario no_reply" << int(Sim_command::ale_scenario) << 0.0
                              << "no_reply";
    QTest::newRow("incoming with blanks")
        << "ale incoming FAR STATION" << int(Sim_command::ale_incoming) << 0.0 << "FAR STATION";
    QTest::newRow("ale alone") << "ale" << -1 << 0.0 << "";
    QTest::newRow("nack clear") << "nack clear" << int(Sim_command::nack_clear) << 0.0 << "";
    QTest::newRow("nack missing reason") << "nack 0x9E" << -1 << 0.0 << "";
    QTest::newRow("nack three words") << "nack 0x9E 37 2 more" << -1 << 0.0 << "";
    QTest::newRow("silence") << "silence 0x00040009" << int(Sim_command::silence) << 0.0 << "";
    QTest::newRow("silence clear")
        << "silence clear" << int(Sim_command::silence_clear) << 0.0 << "";
    QTest::newRow("silence no id") << "silence" << -1 << 0.0 << "";
    QTest::newRow("sound") << "ale sound" << int(Sim_command::ale_sound) << 0.0 << "";
    QTest::newRow("heard") << "ale heard DELTA 4" << int(Sim_command::ale_heard) << 0.0
                           << "DELTA 4";
    QTest::newRow("lqa") << "ale lqa" << int(Sim_command::ale_lqa) << 0.0 << "";
    QTest::newRow("relink ok") << "ale relink ok" << int(Sim_command::ale_relink) << 1.0 << "";
    QTest::newRow("relink maybe") << "ale relink maybe" << -1 << 0.0 << "";
    QTest::newRow("reboot: the configured boot time")
        << "reboot" << int(Sim_command::reboot) << -1.0 << "";
    QTest::newRow("reboot with its own boot time")
        << "reboot 6000" << int(Sim_command::reboot) << 6000.0 << "";
    QTest::newRow("reboot with a word") << "reboot now" << -1 << 0.0 << "";
    QTest::newRow("reboot with two times") << "reboot 1 2" << -1 << 0.0 << "";
    QTest::newRow("channel snr below 0")
        << "channel snr -5" << int(Sim_command::channel) << 0.0 << "snr";
    QTest::newRow("channel fade") << "channel fade 8000 500" << int(Sim_command::channel) << 0.0
                                  << "fade";
    QTest::newRow("channel fade longer than its period")
        << "channel fade 100 500" << -1 << 0.0 << "";
    QTest::newRow("channel ber above 0.5") << "channel ber 0.6" << -1 << 0.0 << "";
    QTest::newRow("channel unknown setting") << "channel noise 3" << -1 << 0.0 << "";
    QTest::newRow("unknown") << "launch" << -1 << 0.0 << "";
    QTest::newRow("empty") << "" << -2 << 0.0 << "";
    QTest::newRow("blank") << " \t " << -2 << 0.0 << "";
}

void Tst_options::commands()
{
    QFETCH(QString, line);
    QFETCH(int, kind);
    QFETCH(double, number);
    QFETCH(QString, text);
    QString error;
    const auto c = parse_command(line, error);
    if (kind < 0) {
        QVERIFY(!c);
        QCOMPARE(error.isEmpty(), kind == -2);
        return;
    }
    QVERIFY2(c, qPrintable(error));
    QCOMPARE(int(c->kind), kind);
    if (c->kind == Sim_command::signal || c->kind == Sim_command::ale_relink) {
        QCOMPARE(c->on, number == 1.0);
    } else {
        QCOMPARE(c->number, number);
    }
    QCOMPARE(c->text, text);
}

void Tst_options::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("ok");
    QTest::newRow("none: a pty") << QStringList{} << true;
    QTest::newRow("pty and link") << QStringList{"--pty", "--link", "/tmp/x"} << true;
    QTest::newRow("device") << QStringList{"--device", "/dev/ttyUSB0"} << true;
    QTest::newRow("pty and device") << QStringList{"--pty", "--device", "/dev/ttyS0"} << false;
    QTest::newRow("link with device")
        << QStringList{"--device", "/dev/ttyS0", "--link", "x"} << false;
    QTest::newRow("marks the wrong way")
        << QStringList{"--high-mark", "100", "--low-mark", "200"} << false;
    QTest::newRow("negative boot") << QStringList{"--boot-ms", "-1"} << false;
    QTest::newRow("boot not a number") << QStringList{"--boot-ms", "soon"} << false;
    QTest::newRow("zero air speed") << QStringList{"--air-speed", "0"} << false;
    QTest::newRow("frame damage both ways")
        << QStringList{"--corrupt-frames", "5", "--corrupt-input", "5"} << true;
    QTest::newRow("frame damage above 100") << QStringList{"--corrupt-input", "100.5"} << false;
    QTest::newRow("indications") << QStringList{"--indication-rate", "100"} << true;
    QTest::newRow("indications too fast") << QStringList{"--indication-rate", "5000"} << false;
    QTest::newRow("unknown scenario") << QStringList{"--ale-scenario", "busy"} << false;
    QTest::newRow("nack pair") << QStringList{"--nack", "0x9E:37", "--nack", "24:129:2"} << true;
    QTest::newRow("nack by name") << QStringList{"--nack", "Tac1_msg_ale_lbt_time_set:37",
                                                 "--silence", "Tac1_msg_ale_call_control_set:1"}
                                  << true;
    QTest::newRow("nack without reason") << QStringList{"--nack", "0x9E"} << false;
    QTest::newRow("nack reason 0") << QStringList{"--nack", "0x9E:0"} << false;
    QTest::newRow("silence with reason") << QStringList{"--silence", "0x9E:37:2"} << false;
    QTest::newRow("silence unknown name") << QStringList{"--silence", "Tac1_msg_nothing"} << false;
    QTest::newRow("air speed 2 MB/s") << QStringList{"--air-speed", "2000000"} << true;
    QTest::newRow("faulty known radio") << QStringList{"--faulty-radio", "Bad Radio 2050"} << true;
    QTest::newRow("faulty unknown radio") << QStringList{"--faulty-radio", "Radio X"} << false;
    QTest::newRow("channel and air")
        << QStringList{"--channel", "net_1", "--air", "ber=1e-5", "--air", "fade=8000:500"} << true;
    QTest::newRow("channel and loopback")
        << QStringList{"--channel", "net_1", "--loopback"} << false;
    QTest::newRow("channel and ALE scenario")
        << QStringList{"--channel", "net_1", "--ale-scenario", "linked"} << false;
    QTest::newRow("channel name with a slash") << QStringList{"--channel", "a/b"} << false;
    QTest::newRow("air without a value") << QStringList{"--air", "snr"} << false;
    QTest::newRow("air with one value too many") << QStringList{"--air", "snr=3:4"} << false;
    QTest::newRow("unknown option") << QStringList{"--turbo"} << false;
    QTest::newRow("stray argument") << QStringList{"modem"} << false;
}

void Tst_options::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, ok);
    Sim_options o;
    QString error;
    bool help = false;
    QCOMPARE(parse_options(arguments, o, error, help), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (ok && arguments.contains("0x9E:37")) {
        QCOMPARE(o.engine.reply_faults.size(), std::size_t(2));
        QCOMPARE(o.engine.reply_faults[0x9E], (Reply_fault{37, -1}));
        QCOMPARE(o.engine.reply_faults[24], (Reply_fault{129, 2}));
    }
    if (ok && arguments.contains("--silence")) {
        QCOMPARE(o.engine.reply_faults[0x0005000F], (Reply_fault{37, -1}));
        QCOMPARE(o.engine.reply_faults[0x00060007], (Reply_fault{0, 1}));
    }
    if (ok) {
        QCOMPARE(o.pty, !arguments.contains("--device"));
        // On a channel the propagation delay is 20 ms unless set.
        QCOMPARE(o.engine.air_delay_ms, arguments.contains("--channel") ? 20 : 250);
        QCOMPARE(o.engine.air.ber, arguments.contains("ber=1e-5") ? 1e-5 : 0.0);
    }
}

void Tst_options::help_names_every_command_data()
{
    QTest::addColumn<QString>("line");
    for (const char* line : {"status",
                             "quit",
                             "hang",
                             "resume",
                             "reboot",
                             "signal on",
                             "loopback off",
                             "ale scenario linked",
                             "ale incoming X",
                             "ale sound",
                             "ale heard X",
                             "ale lqa",
                             "ale relink ok",
                             "nack 1 2",
                             "silence 1 3",
                             "drop 1",
                             "delay 1",
                             "corrupt 1",
                             "garbage 1",
                             "chunks on",
                             "new-pty",
                             "help",
                             "corrupt-frames 1",
                             "corrupt-input 1",
                             "indications 10",
                             "channel snr 3"}) {
        QTest::newRow(line) << QString(line);
    }
}

void Tst_options::help_names_every_command()
{
    QFETCH(QString, line);
    QString error;
    QVERIFY(parse_command(line, error));
    const QString words = line.split(' ').mid(0, line.startsWith("ale") ? 2 : 1).join(' ');
    const QRegularExpression listed("(  |\\| )" + QRegularExpression::escape(words) + "\\b");
    QVERIFY2(help_text().contains(listed), qPrintable(words));
}

QTEST_GUILESS_MAIN(Tst_options)
#include "tst_options.moc"
