#pragma once

// The data application's end of a virtual port in tests: the port opened by
// its path, non-blocking, with plain termios access and optional notifiers
// that keep writing a block and collect what comes back.

#include <QByteArray>
#include <QFile>
#include <QSocketNotifier>
#include <QString>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <termios.h>
#include <unistd.h>

class Pty_app_end
{
public:
    explicit Pty_app_end(const QString& path)
    {
        fd =
            ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    }
    ~Pty_app_end() { close(); }
    Pty_app_end(const Pty_app_end&) = delete;
    Pty_app_end& operator=(const Pty_app_end&) = delete;

    bool is_open() const { return fd >= 0; }

    termios settings() const
    {
        termios t{};
        ::tcgetattr(fd, &t);
        return t;
    }
    bool apply(const termios& t) { return ::tcsetattr(fd, TCSANOW, &t) == 0; }

    // Writes from `pending` what the line takes now; returns the count.
    qsizetype write_some()
    {
        qsizetype done = 0;
        while (!pending.isEmpty()) {
            const ssize_t n = ::write(fd, pending.constData(), static_cast<size_t>(pending.size()));
            if (n <= 0) {
                break;
            }
            pending.remove(0, static_cast<int>(n));
            done += n;
        }
        return done;
    }
    // Collects what waits for the application into `received`.
    qsizetype read_some()
    {
        qsizetype done = 0;
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0) {
                break;
            }
            received.append(chunk, static_cast<int>(n));
            done += n;
        }
        return done;
    }
    // Writes and reads whenever the line is ready, from the event loop.
    void serve()
    {
        writer = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        QObject::connect(writer.get(), &QSocketNotifier::activated, [this] {
            write_some();
            writer->setEnabled(!pending.isEmpty());
        });
        reader = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(reader.get(), &QSocketNotifier::activated, [this] {
            read_some();
            if (after_read) {
                after_read();
            }
        });
    }

    void close()
    {
        writer.reset();
        reader.reset();
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }

    QByteArray pending;
    QByteArray received;
    std::function<void()> after_read; // called by serve() after each read

private:
    int fd = -1;
    std::unique_ptr<QSocketNotifier> writer;
    std::unique_ptr<QSocketNotifier> reader;
};
