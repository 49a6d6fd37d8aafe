// The control socket under clients that misbehave: each case must leave the
// console serving the others, a waiting client included.
#include "control_socket.h"
#include "operated_window.h"
#include "test_timing.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vq_qt;

namespace {

// A client of the socket, read without blocking so the console runs.
struct Client
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QByteArray received;
    bool ended = false;

    explicit Client(const QString& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            hang_up();
        }
    }
    ~Client() { hang_up(); }
    void hang_up()
    {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    void send(const QByteArray& bytes)
    {
        ::send(fd, bytes.constData(), bytes.size(), MSG_NOSIGNAL);
    }
    void take()
    {
        char buffer[65536];
        ssize_t n;
        while (!ended && (n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) != 0) {
            if (n < 0) {
                ended = errno != EAGAIN;
                return;
            }
            received.append(buffer, int(n));
        }
        ended = true;
    }
    // The next line ("none" when none came in time).
    QString line()
    {
        const QDeadlineTimer deadline(scaled_ms(5000));
        while (take(), !received.contains('\n') && !ended && !deadline.hasExpired()) {
            QTest::qWait(2);
        }
        const int end = received.indexOf('\n');
        if (end < 0) {
            return "none";
        }
        const QByteArray line = received.left(end);
        received.remove(0, end + 1);
        return QString::fromUtf8(line);
    }
    QString ask(const QByteArray& command)
    {
        send(command + '\n');
        return line();
    }
};

} // namespace

class Tst_control_socket : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        QVERIFY(window.show_and_wait());
    }
    void misbehaving_client_data();
    void misbehaving_client();
    void stale_socket_taken_over_live_one_refused();

private:
    QTemporaryDir runtime{QDir::tempPath() + "/ctl-XXXXXX"};
    Operated_window window;
};

void Tst_control_socket::misbehaving_client_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("hang_up");
    QTest::addColumn<int>("crowd");      // clients connected before it, besides the waiting one
    QTest::addColumn<bool>("flood");     // events are published until it is dropped
    QTest::addColumn<QString>("answer"); // the start of its first line
    QTest::addColumn<bool>("dropped");
    QByteArray garbage;
    for (int byte = 0; byte < 256; ++byte) {
        garbage += byte == '\n' ? char(0xFF) : char(byte);
    }
    QTest::newRow("interleaved") << QByteArray("click Enable\n") << false << 0 << false << "ok"
                                 << false;
    QTest::newRow("5 KiB line") << QByteArray(5120, 'x') + '\n'
                                << false << 0 << false << "error: line longer than 4096 bytes"
                                << true;
    QTest::newRow("4 KiB line") << "wait " + QByteArray(4089, 'y') + " 0\n"
                                << false << 0 << false << "error: timeout" << false;
    QTest::newRow("garbage bytes")
        << garbage + '\n'
        << false << 0 << false << "error: the line holds control characters" << false;
    QTest::newRow("hangs up mid-command")
        << QByteArray("wait Never 30\nclick Connect\n") << true << 0 << false << "" << true;
    QTest::newRow("hangs up mid-line")
        << QByteArray("click Connect") << true << 0 << false << "" << true;
    QTest::newRow("never reads") << QByteArray("watch\n") << false << 0 << true << "ok" << true;
    QTest::newRow("17th client") << QByteArray() << false << 15 << false
                                 << "error: too many clients (16)" << true;
}

void Tst_control_socket::misbehaving_client()
{
    QFETCH(QByteArray, sent);
    QFETCH(bool, hang_up);
    QFETCH(int, crowd);
    QFETCH(bool, flood);
    QFETCH(QString, answer);
    QFETCH(bool, dropped);
    window.events.clear();
    window.status->setText("Not connected");
    Control_socket console;
    QString error;
    QCOMPARE(console.listen("misbehaved", &error), Control_socket::Listen_result::listening);
    console.serve(&window);
    Client waiting(console.path());
    waiting.send("wait Ready 30\n");
    std::vector<std::unique_ptr<Client>> others;
    for (int i = 0; i < crowd; ++i) {
        others.push_back(std::make_unique<Client>(console.path()));
    }
    Client bad(console.path());
    QTRY_COMPARE(console.client_count(), std::min(2 + crowd, Control_socket::most_clients));
    bad.send(sent);
    if (hang_up) {
        bad.hang_up();
    }
    const QJsonObject event{{"text", QString(64 * 1024, 'e')}};
    if (flood) {
        QTRY_VERIFY_WITH_TIMEOUT((console.publish_event(event), console.client_count() == 1),
                                 scaled_ms(10000));
    }
    if (!answer.isEmpty()) {
        QVERIFY2(bad.line().startsWith(answer), bad.received.left(80).constData());
    }
    if (dropped) {
        QTRY_VERIFY((bad.take(), bad.received.clear(), bad.ended || bad.fd < 0));
    } else {
        QCOMPARE(bad.ask("help").left(9), QString("ok click "));
    }
    others.clear();
    QTRY_COMPARE(console.client_count(), dropped ? 1 : 2);
    Client later(console.path());
    QCOMPARE(later.ask("click Connect"), QString("ok"));
    QCOMPARE(window.events.count("clicked Connect"), 1);
    window.status->setText("Ready");
    QCOMPARE(waiting.line(), QString("ok"));
}

void Tst_control_socket::stale_socket_taken_over_live_one_refused()
{
    // What a console that died leaves: a socket file nobody listens on.
    const QString path = Control_socket::path_of("stale");
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    const int dead = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    QCOMPARE(::bind(dead, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(dead);

    QString error;
    Control_socket first;
    QCOMPARE(first.listen("stale", &error), Control_socket::Listen_result::listening);
    first.serve(&window);
    Control_socket second;
    QCOMPARE(second.listen("stale", &error), Control_socket::Listen_result::name_taken);
    QVERIFY2(error.contains("already running"), qPrintable(error));
    struct stat st
    {
    };
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0600));
    Client client(path);
    QCOMPARE(client.ask("show").left(4), QString("ok {"));
}

QTEST_MAIN(Tst_control_socket)
#include "tst_control_socket.moc"
