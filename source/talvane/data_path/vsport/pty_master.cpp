#include "pty_master.h"

#include "vsport_files.h"

#include <QFile>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vq_qt::pty_master {

namespace {

constexpr speed_t initial_speed = B9600;

} // namespace

bool reset_line(int master)
{
    // Raw mode set through the master holds for the slave before anyone
    // opens it: no echo, no CR/LF mapping, not even toward nobody.
    termios t{};
    if (::tcgetattr(master, &t) != 0) {
        return false;
    }
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, initial_speed);
    ::cfsetospeed(&t, initial_speed);
    t.c_lflag |= EXTPROC;
    return ::tcsetattr(master, TCSANOW, &t) == 0;
}

bool open_pair(Pair* pair, QString* error)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char name[PATH_MAX] = {};
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        *error = "pseudo-terminal: " + vsport_files::errno_text();
        if (master >= 0) {
            ::close(master);
        }
        return false;
    }
    const bool ok = reset_line(master);
    // A slave never opened shows no hang-up; one open and close arms it.
    const int slave = ok ? ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    if (slave >= 0) {
        ::close(slave);
    }
    int packet = 1;
    if (!ok || slave < 0 || ::ioctl(master, TIOCPKT, &packet) != 0) {
        *error = QStringLiteral("pseudo-terminal %1: %2")
                     .arg(QString::fromLocal8Bit(name), vsport_files::errno_text());
        ::close(master);
        return false;
    }
    pair->master = master;
    pair->device = QString::fromLocal8Bit(name);
    return true;
}

bool make_exclusive(const QString& device, QString* error)
{
    // Our own open and close are seen as one more session on the slave; the
    // application's open keeps the line up meanwhile.
    const int slave =
        ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const bool ok = slave >= 0 && ::ioctl(slave, TIOCEXCL) == 0;
    if (!ok) {
        *error = device + ": " + vsport_files::errno_text();
    }
    if (slave >= 0) {
        ::close(slave);
    }
    return ok;
}

qint64 discard_input(int master)
{
    int queued = 0;
    if (::ioctl(master, FIONREAD, &queued) != 0) {
        queued = 0;
    }
    // Measured: a flush of the master's input also takes what the kernel
    // had not yet moved into it, so nothing written before it follows later.
    ::tcflush(master, TCIFLUSH);
    return queued;
}

} // namespace vq_qt::pty_master
