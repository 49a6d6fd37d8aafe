// The pseudo-terminal control with a data application on the other end:
// open and close, line settings, CTS, renewal of the pair and the bytes.

#include "pty_app_end.h"
#include "pty_vsport_control.h"
#include "test_timing.h"

#include <QtTest>
#include <cerrno>
#include <sys/ioctl.h>

using vq_qt::Pty_vsport_control;
using vq_qt::Vsport_control;

namespace {

QByteArray pattern_bytes(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    }
    return bytes;
}

} // namespace

class Tst_pty_data : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void session_events_in_order_data();
    void session_events_in_order();
    void settings_of_application_without_extproc();
    void fresh_pair_after_close();
    void bytes_written_last_are_kept();
    void cts_holds_the_writer_back();
    void loop_back_100_kB();
    void bytes_for_nobody_discarded();
    void discarding_empties_the_line();
    void a_second_opener_is_refused();

private:
    // The events so far, each with the properties it shows.
    QStringList events;
    std::unique_ptr<QTemporaryDir> runtime;
    std::unique_ptr<Pty_vsport_control> control;
};

void Tst_pty_data::init()
{
    runtime = std::make_unique<QTemporaryDir>();
    QVERIFY(runtime->isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    control = std::make_unique<Pty_vsport_control>();
    QVERIFY(control->ResetBus());
    QVERIFY(control->CreatePort("COM3"));
    events.clear();
    Vsport_control* c = control.get();
    connect(c, &Vsport_control::vsp_event, this, [this, c](const QString& name) {
        QString shown;
        if (name.startsWith("OnOpenClose")) {
            shown = c->IsOpened() ? "open" : "closed";
        } else if (name.startsWith("OnBaudRate")) {
            shown = QString::number(c->Baudrate());
        } else if (name.startsWith("OnLineControl")) {
            shown = QString("%1 %2 %3").arg(c->Databits()).arg(c->Parity()).arg(c->StopBits());
        } else if (name.startsWith("OnHandflow")) {
            shown = QString("%1 %2").arg(c->ControlHandShake()).arg(c->FlowReplace(), 0, 16);
        }
        events << name + " " + shown;
    });
}

void Tst_pty_data::cleanup()
{
    control.reset();
}

void Tst_pty_data::session_events_in_order_data()
{
    QTest::addColumn<bool>("stepwise");
    QTest::newRow("open, set and close at once") << false;
    QTest::newRow("each step seen before the next") << true;
}

void Tst_pty_data::session_events_in_order()
{
    QFETCH(bool, stepwise);
    const int timeout = scaled_ms(5000);
    const QStringList opened{"OnOpenClose(bool) open"};
    // 9600 7E2 with hardware handshake asked for: the line carries 8N2.
    const QStringList settings{"OnBaudRate(int) 9600", "OnLineControl(int,int,int) 8 0 2",
                               "OnHandflow(int,int,int,int) 8 80"};
    const QStringList closed{"OnOpenClose(bool) closed"};

    auto app = std::make_unique<Pty_app_end>(control->port_path());
    QVERIFY(app->is_open());
    if (stepwise) {
        QTRY_COMPARE_WITH_TIMEOUT(events, opened, timeout);
    }
    termios t = app->settings();
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    t.c_cflag = (t.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
    QVERIFY(app->apply(t));
    if (stepwise) {
        QTRY_COMPARE_WITH_TIMEOUT(events, opened + settings, timeout);
        // Only what changes is reported again.
        t.c_cflag &= ~CRTSCTS;
        t.c_iflag |= IXON;
        QVERIFY(app->apply(t));
        QTRY_COMPARE_WITH_TIMEOUT(events.size(), 5, timeout);
        QCOMPARE(events.last(), QString("OnHandflow(int,int,int,int) 0 1"));
        events.removeLast();
    }
    app.reset();
    QTRY_COMPARE_WITH_TIMEOUT(events, opened + settings + closed, timeout);
    QVERIFY(!control->IsOpened());
}

void Tst_pty_data::settings_of_application_without_extproc()
{
    // Termios built from nothing clears EXTPROC: that change is the last one
    // the line reports itself; later ones are still seen.
    const int timeout = scaled_ms(5000);
    Pty_app_end app(control->port_path());
    QTRY_VERIFY_WITH_TIMEOUT(control->IsOpened(), timeout);
    termios t{};
    cfmakeraw(&t);
    t.c_cflag |= CREAD | CLOCAL;
    cfsetispeed(&t, B19200);
    cfsetospeed(&t, B19200);
    QVERIFY(app.apply(t));
    QTRY_VERIFY_WITH_TIMEOUT(events.contains("OnBaudRate(int) 19200"), timeout);
    QVERIFY(events.contains("OnHandflow(int,int,int,int) 0 0"));
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    QVERIFY(app.apply(t));
    QTRY_COMPARE_WITH_TIMEOUT(events.last(), QString("OnBaudRate(int) 38400"), timeout);
    t.c_cflag |= CSTOPB;
    QVERIFY(app.apply(t));
    QTRY_COMPARE_WITH_TIMEOUT(events.last(), QString("OnLineControl(int,int,int) 8 0 2"), timeout);
}

void Tst_pty_data::fresh_pair_after_close()
{
    const int timeout = scaled_ms(5000);
    const QString first_device = control->device_path();
    auto app = std::make_unique<Pty_app_end>(control->port_path());
    QTRY_VERIFY_WITH_TIMEOUT(control->IsOpened(), timeout);
    termios t = app->settings();
    cfsetispeed(&t, B115200);
    cfsetospeed(&t, B115200);
    t.c_lflag |= ICANON | ECHO;
    t.c_cflag |= CRTSCTS;
    QVERIFY(app->apply(t));
    QCOMPARE(control->WriteArray("stale bytes"), 11);
    app.reset();
    QTRY_VERIFY_WITH_TIMEOUT(events.contains("OnOpenClose(bool) closed"), timeout);

    QVERIFY(control->device_path() != first_device);
    QCOMPARE(QFile::symLinkTarget(control->port_path()), control->device_path());
    Pty_app_end next(control->port_path());
    QVERIFY(next.is_open());
    const termios fresh = next.settings();
    QCOMPARE(cfgetospeed(&fresh), speed_t(B9600));
    QCOMPARE(fresh.c_lflag & (ICANON | ECHO), tcflag_t(0));
    QCOMPARE(fresh.c_cflag & CRTSCTS, tcflag_t(0));
    QTRY_VERIFY_WITH_TIMEOUT(control->IsOpened(), timeout);
    QCOMPARE(next.read_some(), qsizetype(0));
}

void Tst_pty_data::bytes_written_last_are_kept()
{
    // The application writes while CTS holds reads back and closes at once:
    // its bytes outlive the pair.
    const QByteArray bytes = pattern_bytes(3000);
    QVERIFY(control->SetCTS(false));
    {
        Pty_app_end app(control->port_path());
        app.pending = bytes;
        QCOMPARE(app.write_some(), qsizetype(bytes.size()));
    }
    QTRY_VERIFY_WITH_TIMEOUT(events.contains("OnOpenClose(bool) closed"), scaled_ms(5000));
    QCOMPARE(events.mid(events.size() - 2),
             (QStringList{"OnRxChar(int) ", "OnOpenClose(bool) closed"}));
    QCOMPARE(control->ReadArray(100000), bytes);
}

void Tst_pty_data::cts_holds_the_writer_back()
{
    const int timeout = scaled_ms(5000);
    const QByteArray bytes = pattern_bytes(100000);
    Pty_app_end app(control->port_path());
    QTRY_VERIFY_WITH_TIMEOUT(control->IsOpened(), timeout);
    QVERIFY(control->SetCTS(false));

    // With nobody reading the master the kernel stops the writer (the
    // kernel moves bytes between its buffers in the background, so the
    // writer may get a little further after its first refusal).
    app.pending = bytes;
    qsizetype accepted = 0;
    for (int i = 0; i < 20; ++i) {
        accepted += app.write_some();
        QCoreApplication::processEvents();
    }
    QVERIFY2(accepted > 0 && accepted < 64 * 1024, qPrintable(QString::number(accepted)));
    QCOMPARE(control->pending_bytes(), 0);
    QVERIFY(!events.contains("OnRxChar(int) "));

    // Raised again: everything arrives, in order, nothing lost.
    QVERIFY(control->SetCTS(true));
    QByteArray got;
    connect(control.get(), &Vsport_control::vsp_event, this, [&](const QString& name) {
        if (name == "OnRxChar(int)") {
            got += control->ReadArray(10000);
        }
    });
    app.serve();
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), bytes.size(), timeout);
    QCOMPARE(got, bytes);
}

void Tst_pty_data::loop_back_100_kB()
{
    // A data path that echoes: what the application writes comes back.
    const QByteArray bytes = pattern_bytes(100 * 1000);
    // What the port does not take now waits in the data path until the
    // application has read some.
    QByteArray backlog;
    const auto pass_on = [&] { backlog.remove(0, control->WriteArray(backlog)); };
    connect(control.get(), &Vsport_control::vsp_event, this, [&](const QString& name) {
        if (name == "OnRxChar(int)") {
            backlog += control->ReadArray(10000);
            pass_on();
        }
    });
    Pty_app_end app(control->port_path());
    QTRY_VERIFY_WITH_TIMEOUT(control->IsOpened(), scaled_ms(5000));
    app.pending = bytes;
    app.after_read = pass_on;
    app.serve();
    QTRY_COMPARE_WITH_TIMEOUT(app.received.size(), bytes.size(), scaled_ms(20000));
    QCOMPARE(app.received, bytes);
}

void Tst_pty_data::bytes_for_nobody_discarded()
{
    QCOMPARE(control->WriteArray(pattern_bytes(1000)), 0);
    QCOMPARE(control->WriteArray(pattern_bytes(234)), 0);
    QTest::ignoreMessage(QtWarningMsg,
                         "1234 bytes written while no application held the port discarded");
    Pty_app_end app(control->port_path());
    QTRY_VERIFY_WITH_TIMEOUT(control->IsOpened(), scaled_ms(5000));
    QCOMPARE(app.read_some(), qsizetype(0));

    // Held, the port passes bytes on.
    app.serve();
    QCOMPARE(control->WriteArray("hello"), 5);
    QTRY_COMPARE_WITH_TIMEOUT(app.received, QByteArray("hello"), scaled_ms(5000));

    // What a full port did not take goes when the port says it has room.
    const QByteArray bytes = pattern_bytes(200000);
    QByteArray rest = bytes;
    const auto pass_on = [&] { rest.remove(0, control->WriteArray(rest)); };
    connect(control.get(), &Vsport_control::ready_for_write, this, pass_on);
    pass_on();
    QTRY_COMPARE_WITH_TIMEOUT(app.received, "hello" + bytes, scaled_ms(10000));
}

void Tst_pty_data::discarding_empties_the_line()
{
    // Written while CTS held the reads back, the bytes wait in the kernel.
    Pty_app_end app(control->port_path());
    QTRY_VERIFY_WITH_TIMEOUT(control->IsOpened(), scaled_ms(5000));
    QVERIFY(control->SetCTS(false));
    app.pending = pattern_bytes(3000);
    QCOMPARE(app.write_some(), qsizetype(3000));
    control->discard_received();
    QVERIFY(control->SetCTS(true));
    app.pending = "after";
    app.write_some();
    QByteArray got;
    QTRY_VERIFY_WITH_TIMEOUT((got += control->ReadArray(10000)).endsWith("after"), scaled_ms(5000));
    QCOMPARE(got, QByteArray("after"));
}

// Root may open an exclusive terminal all the same (tests run as root):
// it reads the mode back; anybody else is refused.
void Tst_pty_data::a_second_opener_is_refused()
{
    Pty_app_end app(control->port_path());
    QTRY_VERIFY_WITH_TIMEOUT(control->IsOpened(), scaled_ms(5000));
    const int fd = ::open(QFile::encodeName(control->device_path()).constData(),
                          O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    int exclusive = 0;
    QVERIFY(fd < 0 ? errno == EBUSY : ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive);
    ::close(fd);
}

QTEST_GUILESS_MAIN(Tst_pty_data)
#include "tst_pty_data.moc"
