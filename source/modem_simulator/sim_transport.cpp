#include "sim_transport.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace vq_sim {

namespace {

constexpr int poll_ms = 20;
constexpr int out_limit = 4 * 1024 * 1024;

bool set_raw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        return false;
    }
    cfmakeraw(&t);
    cfsetispeed(&t, B115200);
    cfsetospeed(&t, B115200);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

QString errno_text()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

Pty_transport::Pty_transport(QObject* parent) : Sim_transport(parent)
{
    _poll = new QTimer(this);
    _poll->setInterval(poll_ms);
    connect(_poll, &QTimer::timeout, this, &Pty_transport::poll_attach);
}

Pty_transport::~Pty_transport()
{
    close();
}

bool Pty_transport::make_pair(QString* error)
{
    // The slave is only ever opened with O_NOCTTY, so it never becomes this
    // process's controlling terminal.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        *error = "pseudo-terminal: " + errno_text();
        if (master >= 0) {
            ::close(master);
        }
        return false;
    }
    const char* name = ::ptsname(master);
    const QString slave_path = QString::fromLocal8Bit(name != nullptr ? name : "");
    // Raw mode on the master applies to the slave's line too; opening and
    // closing the slave once arms the hang-up report until a console opens it.
    const bool raw = set_raw(master);
    const int slave = ::open(QFile::encodeName(slave_path).constData(), O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        ::close(slave);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    if (!raw || slave < 0) {
        *error = "pseudo-terminal " + slave_path + ": " + errno_text();
        ::close(master);
        return false;
    }
    delete _read_notifier;
    delete _write_notifier;
    if (_master >= 0) {
        ::close(_master);
    }
    _master = master;
    _slave_path = slave_path;
    _attached = false;
    _out.clear();
    _read_notifier = new QSocketNotifier(_master, QSocketNotifier::Read, this);
    _read_notifier->setEnabled(false);
    connect(_read_notifier, &QSocketNotifier::activated, this, &Pty_transport::read_ready);
    _write_notifier = new QSocketNotifier(_master, QSocketNotifier::Write, this);
    _write_notifier->setEnabled(false);
    connect(_write_notifier, &QSocketNotifier::activated, this, &Pty_transport::write_ready);
    _poll->start();
    return true;
}

bool Pty_transport::place_link(QString* error)
{
    if (_link.isEmpty()) {
        return true;
    }
    // Build the link under a temporary name and move it into place, so a
    // console never sees a missing or half-made link.
    const QByteArray target = QFile::encodeName(_slave_path);
    const QByteArray final_name = QFile::encodeName(_link);
    const QByteArray temp = final_name + ".tmp" + QByteArray::number(::getpid());
    ::unlink(temp.constData());
    if (::symlink(target.constData(), temp.constData()) != 0) {
        *error = "symlink " + _link + ": " + errno_text();
        return false;
    }
    if (::rename(temp.constData(), final_name.constData()) != 0) {
        *error = "rename to " + _link + ": " + errno_text();
        ::unlink(temp.constData());
        return false;
    }
    return true;
}

bool Pty_transport::open(const QString& link, QString* error)
{
    QString dummy;
    error = error != nullptr ? error : &dummy;
    _link = link;
    if (!make_pair(error)) {
        return false;
    }
    if (!place_link(error)) {
        _link.clear();
        return false;
    }
    return true;
}

void Pty_transport::close()
{
    _poll->stop();
    delete _read_notifier;
    delete _write_notifier;
    _read_notifier = _write_notifier = nullptr;
    if (_master >= 0) {
        ::close(_master);
        _master = -1;
    }
    if (!_link.isEmpty()) {
        // Only remove the link if it is still ours.
        if (QFileInfo(_link).symLinkTarget() == QFileInfo(_slave_path).absoluteFilePath() ||
            QFile::symLinkTarget(_link) == _slave_path) {
            QFile::remove(_link);
        }
        _link.clear();
    }
    _attached = false;
}

bool Pty_transport::renew(QString* error)
{
    QString dummy;
    error = error != nullptr ? error : &dummy;
    const QString old = _slave_path;
    // What the console wrote before the switch reaches the modem.
    if (_attached && _master >= 0) {
        char buffer[16384];
        ssize_t n = 0;
        while ((n = ::read(_master, buffer, sizeof buffer)) > 0) {
            emit received(QByteArray(buffer, static_cast<int>(n)));
        }
    }
    if (!make_pair(error) || !place_link(error)) {
        return false;
    }
    emit log("new pseudo-terminal " + _slave_path + " replaces " + old);
    emit device_changed(_slave_path);
    return true;
}

void Pty_transport::poll_attach()
{
    if (_master < 0) {
        return;
    }
    pollfd p{_master, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0) {
        return;
    }
    if ((p.revents & POLLHUP) != 0) {
        return; // still nobody on the slave
    }
    _attached = true;
    _poll->stop();
    _read_notifier->setEnabled(true);
    _write_notifier->setEnabled(!_out.isEmpty());
    emit attached_changed(true);
    if (_dropped_detached > 0) {
        emit log(QString("%1 output bytes were dropped while nobody held the port")
                     .arg(_dropped_detached));
        _dropped_detached = 0;
    }
    if ((p.revents & POLLIN) != 0) {
        read_ready();
    }
}

void Pty_transport::detach()
{
    // The hang-up is reported continuously while nobody holds the slave:
    // stop listening and poll for the next opener instead.
    _read_notifier->setEnabled(false);
    _write_notifier->setEnabled(false);
    _attached = false;
    _out.clear();
    set_raw(_master);
    emit attached_changed(false);
    // A console that died holding the slave leaves it locked against the
    // next opener; a fresh pair behind the same link gets around that.
    const QByteArray path = QFile::encodeName(_slave_path);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        emit log("pseudo-terminal " + _slave_path + " cannot be opened again (" + errno_text() +
                 ")");
        QString error;
        if (!renew(&error)) {
            emit log("cannot make a new pseudo-terminal: " + error);
        }
        return;
    }
    ::close(fd);
    _poll->start();
}

void Pty_transport::read_ready()
{
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(_master, buffer, sizeof buffer);
        if (n > 0) {
            emit received(QByteArray(buffer, static_cast<int>(n)));
            if (_master < 0 || !_attached) {
                return;
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            return;
        }
        detach(); // EIO: the console closed the port
        return;
    }
}

void Pty_transport::write(const QByteArray& bytes)
{
    if (!_attached) {
        // Bytes written now would wait for the next opener as stale data.
        _dropped_detached += bytes.size();
        return;
    }
    if (_out.size() + bytes.size() > out_limit) {
        emit log(QString("console is not reading: %1 output bytes dropped").arg(bytes.size()));
        return;
    }
    _out.append(bytes);
    write_ready();
}

void Pty_transport::write_ready()
{
    while (!_out.isEmpty() && _master >= 0) {
        const ssize_t n = ::write(_master, _out.constData(), static_cast<size_t>(_out.size()));
        if (n > 0) {
            _out.remove(0, static_cast<int>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        break; // EAGAIN: wait for room; EIO: the read side notices the hang-up
    }
    if (_write_notifier != nullptr) {
        _write_notifier->setEnabled(_attached && !_out.isEmpty());
    }
}

Device_transport::Device_transport(QObject* parent) : Sim_transport(parent)
{
    _port = new QSerialPort(this);
    connect(_port, &QSerialPort::readyRead, this, [this] { emit received(_port->readAll()); });
    connect(_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError) {
            emit log("serial device " + _path + " lost: " + _port->errorString());
            _port->close();
            emit attached_changed(false);
        }
    });
}

bool Device_transport::open(const QString& path, QString* error)
{
    _path = path;
    _port->setPortName(path);
    if (!_port->open(QIODevice::ReadWrite)) {
        if (error != nullptr) {
            *error = path + ": " + _port->errorString();
        }
        return false;
    }
    _port->setBaudRate(QSerialPort::Baud115200);
    _port->setDataBits(QSerialPort::Data8);
    _port->setParity(QSerialPort::NoParity);
    _port->setStopBits(QSerialPort::OneStop);
    _port->setFlowControl(QSerialPort::NoFlowControl);
    emit attached_changed(true);
    return true;
}

void Device_transport::write(const QByteArray& bytes)
{
    if (_port->isOpen()) {
        _port->write(bytes);
    }
}

bool Device_transport::attached() const
{
    return _port->isOpen();
}

} // namespace vq_sim
