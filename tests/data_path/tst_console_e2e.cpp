// The console program end to end: a data application on the virtual port,
// the console, and the simulated modem in loopback on a pseudo-terminal.
// What the application writes comes back to it unchanged, through the
// transmit pacing, CTS back-pressure and the modem's data messages.

#include "../vsport/pty_app_end.h"
#include "window_fixture.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString console_program()
{
    return qEnvironmentVariable("TALVANE_BINARY_DIR") + "/source/talvane/talvane";
}

QByteArray pattern_bytes(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    }
    return bytes;
}

// The console started on a modem link with --connect --print-state; its
// standard output collected line by line.
class Console_process
{
public:
    bool start(const QString& modem_link)
    {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(console_program(), {"--port", modem_link, "--connect", "--print-state"});
        return process.waitForStarted(scaled_ms(5000));
    }
    // Waits for a line that starts with `prefix` and returns it.
    QString wait_for_line(const QString& prefix, int timeout_ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeout_ms && process.state() == QProcess::Running) {
            while (process.canReadLine()) {
                const QString line = QString::fromLocal8Bit(process.readLine()).trimmed();
                lines << line;
                if (line.startsWith(prefix)) {
                    return line;
                }
            }
            process.waitForReadyRead(50);
        }
        return {};
    }
    ~Console_process()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(scaled_ms(5000));
        }
    }

    QProcess process;
    QStringList lines;
};

// "data port: PATH (DEVICE)" -> PATH
QString data_port_path(const QString& line)
{
    const QString rest = line.mid(QString("data port: ").size());
    return rest.left(rest.lastIndexOf(" ("));
}

} // namespace

class Tst_console_e2e : public QObject
{
    Q_OBJECT

private slots:
    void loop_back_100_kB_unchanged();
};

void Tst_console_e2e::loop_back_100_kB_unchanged()
{
    REQUIRE_SIMULATOR();
    QVERIFY2(QFileInfo(console_program()).isExecutable(), qPrintable(console_program()));
    QTemporaryDir folder(qEnvironmentVariable("XDG_RUNTIME_DIR", QDir::tempPath()) +
                         "/data-e2e-XXXXXX");
    Simulated_modem modem;
    QVERIFY(modem.start(folder.path() + "/modem",
                        {"--loopback", "--air-speed", "100000", "--boot-ms", "0"}));
    Console_process console;
    QVERIFY(console.start(modem.link));
    const QString port_line = console.wait_for_line("data port: ", scaled_ms(10000));
    QVERIFY2(!port_line.isEmpty(), qPrintable(console.lines.join('\n')));
    QVERIFY2(!console.wait_for_line("state: Connected", scaled_ms(15000)).isEmpty(),
             qPrintable(console.lines.join('\n')));

    // 100 kB take about 21 s at the console's 4800 bytes per second toward
    // the modem; the application's writes block whenever CTS is off.
    const QByteArray data = pattern_bytes(100 * 1000);
    Pty_app_end app(data_port_path(port_line));
    QVERIFY2(app.is_open(), qPrintable(port_line));
    termios raw = app.settings();
    ::cfmakeraw(&raw);
    QVERIFY(app.apply(raw));
    app.pending = data;
    app.serve();
    QTRY_VERIFY_WITH_TIMEOUT(app.received.size() >= data.size(), scaled_ms(60000));
    QCOMPARE(app.received.size(), data.size());
    int first_difference = -1;
    for (int i = 0; i < data.size() && first_difference < 0; ++i) {
        if (app.received.at(i) != data.at(i)) {
            first_difference = i;
        }
    }
    QCOMPARE(first_difference, -1);
    QCOMPARE(console.process.state(), QProcess::Running);

    // Closed by the application, the data port is printed again with the
    // device its link now leads to.
    const QString path = data_port_path(port_line);
    app.close();
    QCOMPARE(console.wait_for_line("data port closed: ", scaled_ms(5000)),
             "data port closed: " + path);
    QVERIFY(console.lines.contains("data port opened: " + path));
    const QString next = console.wait_for_line("data port: ", scaled_ms(5000));
    QCOMPARE(next, QString("data port: %1 (%2)").arg(path, QFile::symLinkTarget(path)));
    QVERIFY(next != port_line);
}

QTEST_MAIN(Tst_console_e2e)
#include "tst_console_e2e.moc"
