#include "control_socket.h"

#include "control_connection.h"
#include "vsport_files.h"

#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vq_qt {

Q_LOGGING_CATEGORY(lc_control_socket, "control_socket")

namespace {

namespace files = vsport_files;

// Room for every client to connect at once; those over the limit are told so.
constexpr int listen_backlog = 2 * Control_socket::most_clients;
constexpr int accept_pause_ms = 1000;

bool fill_address(const QString& path, sockaddr_un* address)
{
    const QByteArray native = QFile::encodeName(path);
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (size_t(native.size()) >= sizeof address->sun_path) {
        return false;
    }
    std::memcpy(address->sun_path, native.constData(), size_t(native.size()));
    return true;
}

// Whether something accepts connections on the socket at `path`.
bool answered_at(const sockaddr_un& address)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    // A listener with a full queue gives EAGAIN: it is alive all the same.
    const bool alive =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
        errno == EAGAIN;
    ::close(fd);
    return alive;
}

} // namespace

Control_socket::Control_socket(QObject* parent) : QObject(parent) {}

Control_socket::~Control_socket()
{
    _close();
}

bool Control_socket::valid_instance_name(const QString& name)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}$"));
    return allowed.match(name).hasMatch();
}

QString Control_socket::path_of(const QString& instance)
{
    return files::port_folder() + '/' + instance + QStringLiteral(".control");
}

Control_socket::Listen_result Control_socket::listen(const QString& instance, QString* error)
{
    _close();
    if (!valid_instance_name(instance)) {
        *error = QStringLiteral("the instance name \"%1\" is not valid").arg(instance);
        return Listen_result::failed;
    }
    const QString folder = files::port_folder();
    const QString path = path_of(instance);
    sockaddr_un address;
    if (!files::prepare_private_folder(folder, error)) {
        return Listen_result::failed;
    }
    if (!fill_address(path, &address)) {
        *error = path + ": the path is too long for a socket";
        return Listen_result::failed;
    }
    // The lock tells a console that runs from a file left by one that died,
    // and lets only one of two consoles started at once go on.
    const QString lock_path = path + QStringLiteral(".lock");
    bool held_elsewhere = false;
    _lock_fd = files::acquire_name_lock(lock_path, &held_elsewhere, error);
    if (_lock_fd < 0) {
        if (held_elsewhere) {
            *error = QStringLiteral("a console named \"%1\" is already running (%2); give this one "
                                    "another name with --instance")
                         .arg(instance, path);
            return Listen_result::name_taken;
        }
        return Listen_result::failed;
    }
    _lock_path = lock_path;
    auto fail = [this, error, &path](const QString& why) {
        *error = path + ": " + why;
        _close();
        return Listen_result::failed;
    };
    struct stat st
    {
    };
    if (::lstat(address.sun_path, &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            return fail(QStringLiteral("exists and is not a socket"));
        }
        if (answered_at(address)) {
            return fail(QStringLiteral("another program serves it"));
        }
        qCWarning(lc_control_socket).noquote()
            << "Replacing the control socket left by a console that ended:" << path;
        ::unlink(address.sun_path);
    }
    _listen_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (_listen_fd < 0 ||
        ::bind(_listen_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return fail(files::errno_text());
    }
    _path = path;
    if (::chmod(address.sun_path, 0600) != 0 || ::listen(_listen_fd, listen_backlog) != 0) {
        return fail(files::errno_text());
    }
    qCDebug(lc_control_socket).noquote() << "Control socket:" << path;
    return Listen_result::listening;
}

void Control_socket::serve(QWidget* window)
{
    _window = window;
    if (_listen_fd >= 0 && !_listener) {
        _listener = new QSocketNotifier(_listen_fd, QSocketNotifier::Read, this);
        connect(_listener, &QSocketNotifier::activated, this, &Control_socket::_accept);
    }
}

void Control_socket::_accept()
{
    for (;;) {
        const int fd = ::accept4(_listen_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                errno != ECONNABORTED) {
                // Out of descriptors, say: the waiting client stays queued,
                // and the listener rests instead of firing on and on.
                qCWarning(lc_control_socket).noquote()
                    << "Control socket: accepting failed:" << files::errno_text();
                _listener->setEnabled(false);
                QTimer::singleShot(accept_pause_ms, this, [this] {
                    if (_listener) {
                        _listener->setEnabled(true);
                    }
                });
            }
            return;
        }
        const int number = ++_clients_seen;
        if (client_count() >= most_clients) {
            qCWarning(lc_control_socket).noquote()
                << QStringLiteral("Control client %1 refused: %2 clients are connected")
                       .arg(number)
                       .arg(most_clients);
            const QByteArray refusal =
                QStringLiteral("error: too many clients (%1)\n").arg(most_clients).toUtf8();
            ::send(fd, refusal.constData(), size_t(refusal.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
            ::close(fd);
            continue;
        }
        auto* client = new Control_connection(fd, number, _window, this);
        connect(client, &Control_connection::closed, this, &Control_socket::_forget);
        _clients.push_back(client);
    }
}

void Control_socket::_forget(Control_connection* connection)
{
    _clients.erase(std::remove(_clients.begin(), _clients.end(), connection), _clients.end());
}

void Control_socket::publish_event(const QJsonObject& event)
{
    const QByteArray line = QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
    // A copy: a client dropped for what piles up leaves the list meanwhile.
    const std::vector<Control_connection*> clients = _clients;
    for (Control_connection* client : clients) {
        if (client->watching()) {
            client->send(line);
        }
    }
}

void Control_socket::_close()
{
    delete _listener;
    _listener = nullptr;
    for (Control_connection* client : _clients) {
        delete client;
    }
    _clients.clear();
    if (_listen_fd >= 0) {
        ::close(_listen_fd);
        _listen_fd = -1;
        if (!_path.isEmpty()) {
            ::unlink(QFile::encodeName(_path).constData());
        }
    }
    _path.clear();
    files::release_name_lock(_lock_path, _lock_fd);
    _lock_fd = -1;
    _lock_path.clear();
}

} // namespace vq_qt
