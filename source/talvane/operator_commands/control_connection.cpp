#include "control_connection.h"

#include "command_line.h"
#include "control_socket.h"
#include "operator_commands.h"

#include <QIODevice>
#include <QSocketNotifier>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vq_qt {

namespace {

// Room for one longest line with its CR LF and the start of the next: the
// rest stays in the socket until these lines have run, so a client that
// sends faster than its commands run is held back by the socket itself.
constexpr int input_room = 2 * (Control_socket::longest_line + 2);
// Lines run in one pass of the event loop before the others get a turn.
constexpr int lines_per_pass = 32;
constexpr int hangup_poll_ms = 500;

QString peer_text(int fd, int number)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0) {
        return QStringLiteral("control client %1 (pid %2)").arg(number).arg(peer.pid);
    }
    return QStringLiteral("control client %1").arg(number);
}

} // namespace

Control_connection::Control_connection(int fd, int number, QWidget* window, QObject* parent)
    : QObject(parent), _fd(fd), _name(peer_text(fd, number)),
      _reader(new QSocketNotifier(fd, QSocketNotifier::Read, this)),
      _writer(new QSocketNotifier(fd, QSocketNotifier::Write, this)),
      _commands(new Operator_commands(window, -1, static_cast<QIODevice*>(nullptr), this))
{
    _writer->setEnabled(false);
    _hangup_poll.setInterval(hangup_poll_ms);
    connect(_reader, &QSocketNotifier::activated, this, &Control_connection::_read);
    connect(_writer, &QSocketNotifier::activated, this, &Control_connection::_flush);
    connect(&_hangup_poll, &QTimer::timeout, this, &Control_connection::_check_hangup);
    connect(_commands, &Operator_commands::answered, this, &Control_connection::_answer);
    qCDebug(lc_control_socket).noquote() << _name << "connected";
}

Control_connection::~Control_connection()
{
    delete _reader;
    delete _writer;
    if (_fd >= 0) {
        ::close(_fd);
    }
}

void Control_connection::send(const QByteArray& bytes)
{
    if (_closed) {
        return;
    }
    _output.append(bytes);
    _flush();
}

void Control_connection::_flush()
{
    while (!_closed && !_output.isEmpty()) {
        const ssize_t n =
            ::send(_fd, _output.constData(), size_t(_output.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            _output.remove(0, int(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            _close("left");
            return;
        }
    }
    if (_closed) {
        return;
    }
    _writer->setEnabled(!_output.isEmpty());
    if (_output.size() > Control_socket::most_unsent) {
        _drop(QStringLiteral("it does not read its answers and events (%1 bytes unsent)")
                  .arg(_output.size()));
    } else if (_closing && _output.isEmpty()) {
        _close("done");
    }
}

void Control_connection::_read()
{
    while (!_closed && !_input_ended && _input.size() < input_room) {
        char buffer[4096];
        const size_t room = std::min(sizeof buffer, size_t(input_room - _input.size()));
        const ssize_t n = ::recv(_fd, buffer, room, MSG_DONTWAIT);
        if (n > 0) {
            _input.append(buffer, int(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            _input_ended = true; // the lines it sent still run
        }
    }
    _pump();
}

void Control_connection::_check_hangup()
{
    pollfd entry{_fd, POLLIN, 0};
    if (!_closed && ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLERR))) {
        _close(_asked > _answered ? "left before its answer" : "left");
    }
}

void Control_connection::_post_pump()
{
    if (!_pump_posted && !_closed) {
        _pump_posted = true;
        QMetaObject::invokeMethod(this, &Control_connection::_pump, Qt::QueuedConnection);
    }
}

void Control_connection::_pump()
{
    _pump_posted = false;
    if (_closed || _pumping) {
        _post_pump();
        return;
    }
    _pumping = true;
    int budget = lines_per_pass;
    // One command at a time: the next line runs once this one is answered.
    while (!_closed && _asked == _answered) {
        const int end = _input.indexOf('\n');
        const int length = end < 0 ? _input.size() - 1 : end - (end > 0 && _input[end - 1] == '\r');
        if (length > Control_socket::longest_line) {
            const QString limit = QString::number(Control_socket::longest_line);
            _drop("it sent a line longer than " + limit + " bytes",
                  "error: line longer than " + limit + " bytes");
            break;
        }
        if (end < 0) {
            break;
        }
        if (budget-- == 0) {
            _post_pump();
            break;
        }
        QByteArray line = _input.left(length);
        _input.remove(0, end + 1);
        _take_line(line);
    }
    _pumping = false;
    if (_closed) {
        return;
    }
    _update_reading();
    if (!_input_ended) {
        return;
    }
    if (_asked > _answered) {
        // A client gone altogether is not waited for; one that only closed
        // its sending side still gets its answers.
        _check_hangup();
    } else if (!_input.contains('\n')) {
        if (!_input.isEmpty()) {
            qCDebug(lc_control_socket).noquote()
                << _name << "ended in the middle of a line, which is not run";
            _input.clear();
        }
        _closing = true;
        _flush();
    }
}

void Control_connection::_update_reading()
{
    const bool reading = !_input_ended && _input.size() < input_room;
    _reader->setEnabled(reading);
    if (reading) {
        _hangup_poll.stop();
    } else if (!_hangup_poll.isActive()) {
        _hangup_poll.start();
    }
}

void Control_connection::_take_line(const QByteArray& bytes)
{
    const QString line = QString::fromUtf8(bytes.constData(), bytes.size());
    if (Operator_commands::passed_over(line)) {
        return;
    }
    ++_asked;
    if (std::any_of(bytes.begin(), bytes.end(),
                    [](char c) { return (uchar(c) < 0x20 && c != '\t') || c == 0x7F; })) {
        _answer(QStringLiteral("error: the line holds control characters"));
        return;
    }
    const QStringList words = split_command_line(line).words;
    const QString command = words.value(0);
    if (command == "watch" || command == "help") {
        if (words.size() > 1) {
            _answer("error: usage: " + command);
        } else if (command == "help") {
            _answer("ok " + (Operator_commands::usages() << "watch"
                                                         << "help")
                                .join(" | "));
        } else {
            _watching = true;
            _answer("ok");
        }
        return;
    }
    _commands->execute(line);
}

void Control_connection::_answer(const QString& answer)
{
    ++_answered;
    send(answer.toUtf8() + '\n');
    if (_asked == _answered) {
        _post_pump();
    }
}

void Control_connection::_drop(const QString& why, const QString& last_answer)
{
    qCWarning(lc_control_socket).noquote() << _name << "dropped:" << why;
    if (!last_answer.isEmpty()) {
        // One try: a client that does not take it is dropped all the same.
        _output = last_answer.toUtf8() + '\n';
        ::send(_fd, _output.constData(), size_t(_output.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    _close("dropped");
}

void Control_connection::_close(const QString& why)
{
    if (_closed) {
        return;
    }
    _closed = true;
    qCDebug(lc_control_socket).noquote() << _name << "closed:" << why;
    _reader->setEnabled(false);
    _writer->setEnabled(false);
    _hangup_poll.stop();
    _output.clear();
    _input.clear();
    ::shutdown(_fd, SHUT_RDWR);
    emit closed(this);
    deleteLater();
}

} // namespace vq_qt
