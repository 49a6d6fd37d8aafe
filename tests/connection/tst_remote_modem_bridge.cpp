// A modem on another computer, on this one over loopback: the simulated modem
// on a pseudo-terminal, served on a TCP port by Debian's ser2net, and socat
// making a pseudo-terminal link to that port for a console without a display.
// When the bridge goes away and comes back, the console is connected again by
// itself and only ever holds the device the link leads to.

#include "console_program.h"
#include "simulated_modem.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString tool(const char* name)
{
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (path.isEmpty()) {
        qWarning("%s is missing: apt-get install %s", name, name);
    }
    return path;
}

// A port nobody listens on, as the kernel hands one out.
quint16 free_loopback_port()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    ::close(fd);
    return bound ? ntohs(address.sin_port) : 0;
}

// Whether something listens on 127.0.0.1:port (found without connecting,
// which would make ser2net open the modem's line).
bool listening(quint16 port)
{
    QFile table("/proc/net/tcp");
    if (!table.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray local =
        "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") {
            return true;
        }
    }
    return false;
}

// The pseudo-terminals a process has open.
QStringList open_terminals(qint64 pid)
{
    QStringList devices;
    const QDir fds(QString("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        if (target.startsWith("/dev/pts/")) {
            devices << target;
        }
    }
    return devices;
}

} // namespace

class Tst_remote_modem_bridge : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (QProcess* program : {&socat, &ser2net}) {
            program->kill();
            program->waitForFinished(scaled_ms(5000));
        }
    }
    void console_follows_the_bridge_data();
    void console_follows_the_bridge();

private:
    bool start_ser2net();
    bool start_socat();

    QString ser2net_config;
    quint16 tcp_port = 0;
    QString link;
    QProcess ser2net;
    QProcess socat;
};

bool Tst_remote_modem_bridge::start_ser2net()
{
    ser2net.start(tool("ser2net"),
                  {"-n", "-u", "-c", ser2net_config, "-P", ser2net_config + ".pid"});
    return ser2net.waitForStarted(scaled_ms(5000)) &&
           QTest::qWaitFor([this] { return listening(tcp_port); }, scaled_ms(5000));
}

bool Tst_remote_modem_bridge::start_socat()
{
    socat.start(tool("socat"),
                {"pty,link=" + link + ",raw,echo=0", QString("tcp:127.0.0.1:%1").arg(tcp_port)});
    return socat.waitForStarted(scaled_ms(5000)) &&
           QTest::qWaitFor([this] { return QFileInfo(link).exists(); }, scaled_ms(5000));
}

void Tst_remote_modem_bridge::console_follows_the_bridge_data()
{
    QTest::addColumn<bool>("ser2net_killed");
    QTest::newRow("socat killed and started again") << false;
    // socat ends by itself when its TCP connection does.
    QTest::newRow("ser2net killed, both started again") << true;
}

void Tst_remote_modem_bridge::console_follows_the_bridge()
{
    QFETCH(bool, ser2net_killed);
    QVERIFY2(Simulated_modem::available(), qPrintable(Simulated_modem::program()));
    QVERIFY(!tool("ser2net").isEmpty() && !tool("socat").isEmpty());
    QTemporaryDir folder(qEnvironmentVariable("XDG_RUNTIME_DIR", QDir::tempPath()) +
                         "/bridge-XXXXXX");
    QVERIFY(folder.isValid());
    Simulated_modem modem;
    QVERIFY(modem.start(folder.filePath("modem"), {"--boot-ms", "0"}));

    // The modem's computer: ser2net serving the modem's line on a TCP port.
    tcp_port = free_loopback_port();
    QVERIFY(tcp_port != 0);
    ser2net_config = folder.filePath("ser2net.yaml");
    QFile config(ser2net_config);
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QString("%YAML 1.1\n---\nconnection: &modem\n"
                         "    accepter: tcp,127.0.0.1,%1\n"
                         "    connector: serialdev,%2,115200n81,local\n")
                     .arg(tcp_port)
                     .arg(modem.link)
                     .toUtf8());
    config.close();
    QVERIFY(start_ser2net());
    // The console's computer: socat's link to that port.
    link = folder.filePath("remote-modem");
    QVERIFY(start_socat());

    Console_program console;
    QVERIFY(console.start({"--headless", "--connect", "--port", link},
                          Console_program::without_display()));
    const QString wait_seconds = QString::number(scaled_ms(20000) / 1000);
    QCOMPARE(console.ask("wait \"Connected to\" " + wait_seconds), QString("ok"));
    const qint64 pid = console.process.processId();
    QCOMPARE(open_terminals(pid), QStringList{QFileInfo(link).symLinkTarget()});

    (ser2net_killed ? ser2net : socat).kill();
    QVERIFY(socat.waitForFinished(scaled_ms(5000)));
    QCOMPARE(console.ask("wait \"No Response\" " + wait_seconds), QString("ok"));
    // Nothing is opened while the link leads nowhere (or to a terminal that
    // is somebody else's now).
    QCOMPARE(open_terminals(pid), QStringList());
    if (ser2net_killed) {
        QVERIFY(ser2net.waitForFinished(scaled_ms(5000)));
        QVERIFY(start_ser2net());
    }
    QVERIFY(start_socat());

    QCOMPARE(console.ask("wait \"Connected to\" " + wait_seconds), QString("ok"));
    QCOMPARE(open_terminals(pid), QStringList{QFileInfo(link).symLinkTarget()});
    QCOMPARE(console.ask("quit"), QString("ok"));
    QVERIFY(console.process.waitForFinished(scaled_ms(10000)));
    QCOMPARE(console.process.exitCode(), 0);
    // Headless, the warnings also go to standard error (the journal, under a
    // service manager).
    QVERIFY(
        console.process.readAllStandardError().contains("Serial device lost: " + link.toUtf8()));
}

QTEST_GUILESS_MAIN(Tst_remote_modem_bridge)
#include "tst_remote_modem_bridge.moc"
