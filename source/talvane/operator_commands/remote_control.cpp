#include "remote_control.h"

#include "control_socket.h"
#include "operator_commands.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vq_qt {

namespace {

void complain(const QString& text)
{
    std::fprintf(stderr, "talvane: %s\n", qUtf8Printable(text));
}

// The console's lines, read as they come.
class Console_lines
{
public:
    explicit Console_lines(int fd) : fd(fd) {}

    // The next whole line without its newline; false at the end.
    bool next(QByteArray* line)
    {
        for (;;) {
            const int end = pending.indexOf('\n');
            if (end >= 0) {
                *line = pending.left(end);
                pending.remove(0, end + 1);
                return true;
            }
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            pending.append(buffer, int(n));
        }
    }

private:
    int fd;
    QByteArray pending;
};

bool send_all(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n =
            ::send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

void print_line(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool is_answer(const QByteArray& line)
{
    return line == "ok" || line.startsWith("ok ") || line.startsWith("error");
}

int connect_to(const QString& instance)
{
    const QString path = Control_socket::path_of(instance);
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(native.size()) >= sizeof address.sun_path) {
        complain(path + ": the path is too long for a socket");
        return -1;
    }
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        return fd;
    }
    complain(QStringLiteral("no console named \"%1\" is running (%2: %3)")
                 .arg(instance, path, QString::fromLocal8Bit(std::strerror(errno))));
    if (fd >= 0) {
        ::close(fd);
    }
    return -1;
}

} // namespace

int run_remote_commands(const QString& instance, const QStringList& commands)
{
    const int fd = connect_to(instance);
    if (fd < 0) {
        return 1;
    }
    Console_lines lines(fd);
    QByteArray line;
    bool all_ok = true;
    bool watching = false;
    for (const QString& argument : commands) {
        for (const QString& command : argument.split('\n')) {
            if (Operator_commands::passed_over(command)) {
                continue;
            }
            if (!send_all(fd, command.toUtf8() + '\n')) {
                complain("the console closed the connection before \"" + command + "\"");
                ::close(fd);
                return 1;
            }
            // Events of an earlier watch may come before the answer.
            do {
                if (!lines.next(&line)) {
                    complain("the console closed the connection before answering \"" + command +
                             "\"");
                    ::close(fd);
                    return 1;
                }
                print_line(line);
            } while (!is_answer(line));
            all_ok = all_ok && line.startsWith("ok");
            watching = watching || (line == "ok" && command.trimmed() == "watch");
        }
    }
    while (watching && lines.next(&line)) {
        print_line(line);
    }
    ::close(fd);
    return all_ok ? 0 : 1;
}

} // namespace vq_qt
