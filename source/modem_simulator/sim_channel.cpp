#include "sim_channel.h"

#include "vsport_files.h"

#include <QFile>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <random>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vq_sim {

namespace files = vq_qt::vsport_files;

namespace {

constexpr int bind_attempts = 8;
constexpr int reads_per_wake = 256; // then the event loop gets a turn
constexpr std::size_t largest_datagram = 65536;

// The socket address of a path, or false when the path is too long for one.
bool address_of(const QString& path, sockaddr_un& address)
{
    const QByteArray native = QFile::encodeName(path);
    if (static_cast<std::size_t>(native.size()) >= sizeof address.sun_path) {
        return false;
    }
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
    return true;
}

QString id_text(std::uint32_t id)
{
    return QString("%1").arg(id, 8, 16, QChar('0'));
}

} // namespace

Sim_channel::Sim_channel() = default;

Sim_channel::~Sim_channel()
{
    leave();
}

bool Sim_channel::valid_name(const QString& name)
{
    static const QRegularExpression pattern("^[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}$");
    return pattern.match(name).hasMatch();
}

QString Sim_channel::folder_of(const QString& name)
{
    return files::port_folder() + "/channel-" + name;
}

bool Sim_channel::join(const QString& name, QString* error)
{
    leave();
    if (!valid_name(name)) {
        *error = "bad channel name \"" + name +
                 "\" (up to 64 letters, digits, '.', '_' or '-', not starting with '.')";
        return false;
    }
    const QString folder = folder_of(name);
    if (!files::prepare_private_folder(files::port_folder(), error)) {
        return false;
    }
    std::random_device random;
    for (int attempt = 0; attempt < bind_attempts && _fd < 0; ++attempt) {
        // The last modem to leave may remove the folder between its making
        // here and the bind: then the bind finds no folder and we go again.
        if (!files::prepare_private_folder(folder, error)) {
            return false;
        }
        _id = random();
        _path = folder + "/" + id_text(_id) + ".sock";
        sockaddr_un address;
        if (!address_of(_path, address)) {
            *error = _path + ": too long for a socket address";
            return false;
        }
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            *error = "socket: " + files::errno_text();
            return false;
        }
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            _fd = fd;
            break;
        }
        *error = _path + ": " + files::errno_text();
        const int failure = errno;
        ::close(fd);
        if (failure != ENOENT && failure != EADDRINUSE) {
            return false;
        }
    }
    if (_fd < 0) {
        return false;
    }
    _name = name;
    _folder = folder;
    _notifier = std::make_unique<QSocketNotifier>(_fd, QSocketNotifier::Read);
    QObject::connect(_notifier.get(), &QSocketNotifier::activated, _notifier.get(),
                     [this] { read_all(); });
    const int others = send_all({}); // an empty datagram: finds the sockets of dead modems
    note(QString("on channel %1 as modem %2, with %3 other modem(s) (%4)")
             .arg(_name, id_text(_id))
             .arg(others)
             .arg(_folder));
    return true;
}

void Sim_channel::leave()
{
    if (_fd < 0) {
        return;
    }
    send_all({}); // so that no socket of a dead modem keeps the folder
    _notifier.reset();
    ::close(_fd);
    _fd = -1;
    ::unlink(QFile::encodeName(_path).constData());
    // Removed only when empty: by the last modem to leave.
    ::rmdir(QFile::encodeName(_folder).constData());
}

void Sim_channel::transmit(const Air_frame& frame)
{
    if (_fd < 0) {
        return;
    }
    ++_frames_out;
    send_all(encode_air_frame(_id, frame));
}

QStringList Sim_channel::other_sockets() const
{
    QStringList names;
    if (DIR* dir = ::opendir(QFile::encodeName(_folder))) {
        while (const dirent* entry = ::readdir(dir)) {
            const QString name = QFile::decodeName(entry->d_name);
            if (name.endsWith(".sock") && _folder + "/" + name != _path) {
                names.append(name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

int Sim_channel::send_all(const Bytes& datagram)
{
    int taken = 0;
    bool refused = false;
    for (const QString& name : other_sockets()) {
        const QString path = _folder + "/" + name;
        sockaddr_un address;
        if (!address_of(path, address)) {
            continue;
        }
        if (::sendto(_fd, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&address), sizeof address) >= 0) {
            ++taken;
        } else if (errno == ECONNREFUSED) {
            // Nobody reads it: its modem died without leaving.
            ::unlink(QFile::encodeName(path).constData());
            ++_stale_removed;
            note("removed " + name + ": its modem is gone");
        } else if (errno != ENOENT) {
            // Its modem does not read (stopped, say): like a receiver that
            // is off, it misses what is on the air meanwhile.
            refused = true;
            ++_frames_refused;
            if (!_full_logged) {
                note(name + " takes no frames (" + files::errno_text() + "): they are lost to it");
            }
        }
    }
    _full_logged = refused;
    return taken;
}

void Sim_channel::read_all()
{
    std::vector<std::uint8_t> buffer(largest_datagram);
    for (int i = 0; i < reads_per_wake; ++i) {
        const ssize_t n = ::recv(_fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                note("channel: " + files::errno_text());
            }
            return;
        }
        std::uint32_t sender = 0;
        Air_frame frame;
        if (n == 0) {
            continue; // a probe
        }
        if (static_cast<std::size_t>(n) > buffer.size() ||
            !decode_air_frame(buffer.data(), static_cast<std::size_t>(n), sender, frame)) {
            note(QString("channel: a datagram of %1 bytes that is no frame, ignored").arg(n));
            continue;
        }
        ++_frames_in;
        if (on_frame && sender != _id) {
            on_frame(sender, frame);
        }
    }
}

QString Sim_channel::status_json() const
{
    return QString("\"name\":\"%1\",\"folder\":\"%2\",\"modem\":\"%3\",\"peers\":%4,"
                   "\"frames_out\":%5,\"frames_in\":%6,\"frames_refused\":%7,"
                   "\"stale_removed\":%8")
        .arg(_name, _folder, id_text(_id))
        .arg(other_sockets().size())
        .arg(_frames_out)
        .arg(_frames_in)
        .arg(_frames_refused)
        .arg(_stale_removed);
}

void Sim_channel::note(const QString& line)
{
    if (log) {
        log(line);
    }
}

} // namespace vq_sim
