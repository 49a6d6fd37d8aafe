#include "pty_vsport_control.h"

#include "log_categories.h"
#include "pty_master.h"
#include "vsport_files.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vq_qt {

namespace files = vsport_files;

namespace {

constexpr int rx_limit = 64 * 1024;  // read no further ahead of ReadArray
constexpr int read_chunk = 4096;     // the line discipline's own buffer size
constexpr int settings_poll_ms = 20; // for applications without EXTPROC

} // namespace

Pty_vsport_control::Pty_vsport_control(QObject* parent) : Vsport_control(parent)
{
    inotify_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    epoll_fd = ::epoll_create1(EPOLL_CLOEXEC);
    if (inotify_fd >= 0) {
        inotify_notifier = new QSocketNotifier(inotify_fd, QSocketNotifier::Read, this);
        connect(inotify_notifier, &QSocketNotifier::activated, this,
                &Pty_vsport_control::inotify_ready);
    }
    if (epoll_fd >= 0) {
        event_notifier = new QSocketNotifier(epoll_fd, QSocketNotifier::Read, this);
        connect(event_notifier, &QSocketNotifier::activated, this,
                &Pty_vsport_control::master_event);
    }
    settings_poll = new QTimer(this);
    settings_poll->setInterval(settings_poll_ms);
    connect(settings_poll, &QTimer::timeout, this, [this] { report_line_changes(false); });
    rx_announce = new QTimer(this);
    rx_announce->setSingleShot(true);
    rx_announce->setInterval(0);
    connect(rx_announce, &QTimer::timeout, this, [this] {
        if (!received.isEmpty()) {
            emit_event("OnRxChar(int)");
        }
    });
}

Pty_vsport_control::~Pty_vsport_control()
{
    Delete();
    delete inotify_notifier;
    delete event_notifier;
    if (inotify_fd >= 0) {
        ::close(inotify_fd);
    }
    if (epoll_fd >= 0) {
        ::close(epoll_fd);
    }
}

bool Pty_vsport_control::ResetBus()
{
    Delete();
    if (inotify_fd < 0 || epoll_fd < 0) {
        qCWarning(lc_vserial).noquote() << "Virtual port: no event sources:" << files::errno_text();
        return false;
    }
    port_folder = files::port_folder();
    QString error;
    if (!files::prepare_private_folder(port_folder, &error)) {
        qCWarning(lc_vserial).noquote() << "Virtual port folder refused:" << error;
        port_folder.clear();
        return false;
    }
    remove_stale_ports();
    return true;
}

void Pty_vsport_control::remove_stale_ports()
{
    // Links and locks left by consoles that ended without removing them.
    static const QRegularExpression pattern(QStringLiteral("^(COM[0-9]+)(\\.lock)?$"));
    QSet<QString> names;
    const QStringList entries =
        QDir(port_folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        const QRegularExpressionMatch m = pattern.match(entry);
        if (m.hasMatch()) {
            names.insert(m.captured(1));
        }
    }
    for (const QString& stale : names) {
        const QString lock_file = files::lock_path(port_folder, stale);
        bool busy = false;
        QString error;
        const int fd = files::acquire_name_lock(lock_file, &busy, &error);
        if (fd < 0) {
            continue; // a running console owns it
        }
        QFile::remove(files::link_path(port_folder, stale));
        files::release_name_lock(lock_file, fd);
    }
}

bool Pty_vsport_control::CreatePort(const QString& PortName)
{
    if (port_folder.isEmpty() && !ResetBus()) {
        return false;
    }
    Delete();
    if (!files::port_name_acceptable(PortName)) {
        qCWarning(lc_vserial).noquote() << "Virtual port name refused:" << PortName;
        return false;
    }
    const QString lock_file = files::lock_path(port_folder, PortName);
    bool busy = false;
    QString error;
    lock_fd = files::acquire_name_lock(lock_file, &busy, &error);
    if (lock_fd < 0) {
        qCWarning(lc_vserial).noquote() << "Virtual port:" << error;
        return false;
    }
    name = PortName;
    link = files::link_path(port_folder, PortName);
    if (!make_pair(&error)) {
        qCWarning(lc_vserial).noquote() << "Virtual port:" << error;
        files::release_name_lock(lock_file, lock_fd);
        lock_fd = -1;
        name.clear();
        link.clear();
        return false;
    }
    return true;
}

bool Pty_vsport_control::make_pair(QString* error)
{
    pty_master::Pair pair;
    if (!pty_master::open_pair(&pair, error)) {
        return false;
    }
    const int new_watch =
        ::inotify_add_watch(inotify_fd, QFile::encodeName(pair.device).constData(),
                            IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
    epoll_event ev{};
    ev.events = EPOLLPRI | EPOLLET; // the hang-up is always reported
    ev.data.fd = pair.master;
    if (new_watch < 0 || ::epoll_ctl(epoll_fd, EPOLL_CTL_ADD, pair.master, &ev) != 0) {
        *error = "watching " + pair.device + ": " + files::errno_text();
        if (new_watch >= 0) {
            ::inotify_rm_watch(inotify_fd, new_watch);
        }
        ::close(pair.master);
        return false;
    }
    if (!files::place_link(pair.device, link, error)) {
        ::inotify_rm_watch(inotify_fd, new_watch);
        ::close(pair.master);
        return false;
    }
    close_pair();
    master_fd = pair.master;
    device = pair.device;
    watch = new_watch;
    read_notifier = new QSocketNotifier(master_fd, QSocketNotifier::Read, this);
    connect(read_notifier, &QSocketNotifier::activated, this, &Pty_vsport_control::master_readable);
    // Enabled only while WriteArray left bytes behind: a master the
    // application has room for is writable all the time.
    write_notifier = new QSocketNotifier(master_fd, QSocketNotifier::Write, this);
    write_notifier->setEnabled(false);
    connect(write_notifier, &QSocketNotifier::activated, this, [this] {
        write_notifier->setEnabled(false);
        emit ready_for_write();
    });
    update_notifiers();
    return true;
}

void Pty_vsport_control::close_pair()
{
    delete read_notifier;
    read_notifier = nullptr;
    delete write_notifier;
    write_notifier = nullptr;
    if (watch >= 0) {
        ::inotify_rm_watch(inotify_fd, watch);
        watch = -1;
    }
    if (master_fd >= 0) {
        ::close(master_fd); // leaves the epoll set with it
        master_fd = -1;
    }
    attached = false;
    settings_reported = false;
    settings_poll->stop();
}

bool Pty_vsport_control::Delete()
{
    const bool had_port = lock_fd >= 0;
    report_discarded();
    close_pair();
    if (had_port) {
        QFile::remove(link);
        files::release_name_lock(files::lock_path(port_folder, name), lock_fd);
    }
    lock_fd = -1;
    name.clear();
    link.clear();
    device.clear();
    received.clear();
    rx_announce->stop();
    return had_port;
}

bool Pty_vsport_control::name_in_use(const QString& PortName) const
{
    if (!files::port_name_acceptable(PortName)) {
        return false;
    }
    const QString dir = port_folder.isEmpty() ? files::port_folder() : port_folder;
    return files::name_lock_held(files::lock_path(dir, PortName));
}

void Pty_vsport_control::update_notifiers()
{
    if (read_notifier != nullptr) {
        read_notifier->setEnabled(attached && cts && received.size() < rx_limit);
    }
}

Pty_line_settings Pty_vsport_control::current_settings() const
{
    termios t{};
    if (master_fd < 0 || ::tcgetattr(master_fd, &t) != 0) {
        return reported;
    }
    return line_settings_of(t);
}

QByteArray Pty_vsport_control::ReadArray(int Count)
{
    const int n = qBound(0, Count, received.size());
    const QByteArray bytes = received.left(n);
    received.remove(0, n);
    update_notifiers();
    if (!received.isEmpty()) {
        rx_announce->start(); // tell the reader again about what it left
    }
    return bytes;
}

int Pty_vsport_control::WriteArray(const QByteArray& Buffer)
{
    if (!attached) {
        // Kept, they would greet the next application as stale data.
        discarded += Buffer.size();
        return 0;
    }
    qsizetype done = 0;
    while (done < Buffer.size()) {
        const ssize_t n = ::write(master_fd, Buffer.constData() + done,
                                  static_cast<size_t>(Buffer.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EIO) {
            // The application has just gone; its hang-up is on its way.
            discarded += Buffer.size() - done;
            return static_cast<int>(done);
        } else {
            break; // full: the application is not reading fast enough
        }
    }
    if (done < Buffer.size() && !write_stalled) {
        qCWarning(lc_vserial).noquote()
            << QStringLiteral("Virtual port full: %1 of %2 bytes not taken")
                   .arg(Buffer.size() - done)
                   .arg(Buffer.size());
    }
    write_stalled = done < Buffer.size();
    write_notifier->setEnabled(write_stalled);
    return static_cast<int>(done);
}

qint64 Pty_vsport_control::discard_received()
{
    qint64 dropped = received.size();
    received.clear();
    rx_announce->stop();
    if (master_fd >= 0) {
        dropped += pty_master::discard_input(master_fd);
    }
    update_notifiers();
    return dropped;
}

bool Pty_vsport_control::SetCTS(bool Cts)
{
    cts = Cts;
    update_notifiers();
    return master_fd >= 0;
}

void Pty_vsport_control::report_discarded()
{
    if (discarded > 0) {
        qCWarning(lc_vserial).noquote()
            << QStringLiteral("%1 bytes written while no application held the port discarded")
                   .arg(discarded);
        discarded = 0;
    }
}

void Pty_vsport_control::inotify_ready()
{
    alignas(inotify_event) char buffer[4096];
    bool opened = false;
    bool closed = false;
    for (;;) {
        const ssize_t n = ::read(inotify_fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->wd == watch) {
                opened = opened || (event->mask & IN_OPEN) != 0;
                closed = closed || (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) != 0;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    // An open is reported even when the application has closed again since:
    // its session still gets its events and a fresh pair afterwards.
    if (opened && !attached) {
        attach();
    } else if (closed && attached) {
        check_hang_up();
    }
}

void Pty_vsport_control::master_event()
{
    epoll_event events[4];
    while (::epoll_wait(epoll_fd, events, 4, 0) > 0) {
    }
    if (master_fd < 0) {
        return;
    }
    pollfd p{master_fd, POLLPRI, 0};
    if (::poll(&p, 1, 0) <= 0) {
        return;
    }
    const bool hung_up = (p.revents & POLLHUP) != 0;
    if (!attached) {
        if (!hung_up && (p.revents & POLLPRI) != 0) {
            attach(); // settings changed by an application we did not see open
        }
        return;
    }
    if ((p.revents & POLLPRI) != 0) {
        line_status();
    }
    if (hung_up) {
        check_hang_up();
    }
}

void Pty_vsport_control::line_status()
{
    // One byte: a pending status packet, or a data packet's empty header
    // that takes no data with it.
    char status = 0;
    if (::read(master_fd, &status, 1) == 1 && status != 0) {
        report_line_changes(!settings_reported);
    }
}

void Pty_vsport_control::report_line_changes(bool report_all)
{
    termios t{};
    if (!attached || master_fd < 0 || ::tcgetattr(master_fd, &t) != 0) {
        return;
    }
    if ((t.c_lflag & EXTPROC) == 0 && !settings_poll->isActive()) {
        settings_poll->start(); // further changes would go unreported
    }
    const Pty_line_settings now = line_settings_of(t);
    const Pty_line_settings before = reported;
    reported = now;
    settings_reported = true;
    const bool baud = report_all || now.baud_rate != before.baud_rate;
    const bool line = report_all || now.data_bits != before.data_bits ||
                      now.parity != before.parity || now.stop_bits != before.stop_bits;
    const bool flow = report_all || now.control_hand_shake != before.control_hand_shake ||
                      now.flow_replace != before.flow_replace;
    if (baud) {
        emit_event("OnBaudRate(int)");
    }
    if (line && attached) {
        emit_event("OnLineControl(int,int,int)");
    }
    if (flow && attached) {
        emit_event("OnHandflow(int,int,int,int)");
    }
}

bool Pty_vsport_control::read_master(bool all)
{
    char buffer[read_chunk + 1];
    while (master_fd >= 0 && (all || received.size() < rx_limit)) {
        const ssize_t n = ::read(master_fd, buffer, sizeof buffer);
        if (n > 0) {
            if (buffer[0] != 0) {
                report_line_changes(!settings_reported); // a status packet
            } else {
                received.append(buffer + 1, static_cast<int>(n - 1));
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return !(n < 0 && errno == EIO); // EIO: the application is gone
    }
    return true;
}

void Pty_vsport_control::master_readable()
{
    const int before = received.size();
    const bool line_up = read_master(false);
    update_notifiers();
    if (received.size() > before) {
        emit_event("OnRxChar(int)");
    }
    if (!line_up && attached) {
        check_hang_up();
    }
}

void Pty_vsport_control::attach()
{
    attached = true;
    settings_reported = false;
    write_stalled = false;
    report_discarded();
    update_notifiers();
    // The port belongs to the application that opened it: a second opener
    // would share the line and each would steal the other's bytes.
    QString error;
    if (!pty_master::make_exclusive(device, &error)) {
        qCWarning(lc_vserial).noquote() << "Virtual port not made exclusive:" << error;
    }
    emit_event("OnOpenClose(bool)");
    if (!attached || master_fd < 0) {
        return;
    }
    // Settings made, or a close done, before the open was seen.
    pollfd p{master_fd, POLLPRI, 0};
    if (::poll(&p, 1, 0) > 0) {
        if ((p.revents & POLLPRI) != 0) {
            line_status();
        }
        if ((p.revents & POLLHUP) != 0) {
            check_hang_up();
        }
    }
}

void Pty_vsport_control::check_hang_up()
{
    pollfd p{master_fd, 0, 0};
    if (attached && master_fd >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP) != 0) {
        detach();
    }
}

void Pty_vsport_control::detach()
{
    attached = false;
    settings_poll->stop();
    if (write_notifier != nullptr) {
        write_notifier->setEnabled(false);
    }
    // What the application wrote last is still in the pair: keep it for
    // ReadArray before the pair goes.
    const int before = received.size();
    read_master(true);
    const bool got_bytes = received.size() > before;
    QString error;
    if (!make_pair(&error)) {
        // Keep serving the old pair, reset to the start-up line settings.
        qCWarning(lc_vserial).noquote() << "Virtual port not renewed:" << error;
        pty_master::reset_line(master_fd);
        ::tcflush(master_fd, TCIOFLUSH);
        update_notifiers();
    }
    if (got_bytes) {
        emit_event("OnRxChar(int)");
    }
    if (lock_fd >= 0) {
        emit_event("OnOpenClose(bool)");
    }
}

} // namespace vq_qt
