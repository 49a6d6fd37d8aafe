#pragma once

// A raw pseudo-terminal pair for tests: the test holds the master, the code
// under test opens the slave by its path.

#include <QByteArray>
#include <QString>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

class Pty_pair
{
public:
    Pty_pair()
    {
        _master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (_master < 0 || ::grantpt(_master) != 0 || ::unlockpt(_master) != 0) {
            close_master();
            return;
        }
        const char* name = ::ptsname(_master);
        if (name == nullptr) {
            close_master();
            return;
        }
        _slave_path = QString::fromLocal8Bit(name);
        // Raw mode set on the master holds for the slave: no echo, no CR/LF mapping.
        termios raw{};
        ::tcgetattr(_master, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(_master, TCSANOW, &raw);
        // A slave that was never opened reports no hang-up; open it once.
        const int slave = ::open(name, O_RDWR | O_NOCTTY);
        if (slave >= 0) {
            ::close(slave);
        }
    }
    ~Pty_pair() { close_master(); }
    Pty_pair(const Pty_pair&) = delete;
    Pty_pair& operator=(const Pty_pair&) = delete;

    bool valid() const { return _master >= 0; }
    int master() const { return _master; }
    const QString& slave_path() const { return _slave_path; }

    // Everything the slave side has written so far (non-blocking).
    QByteArray read_available()
    {
        QByteArray bytes;
        char chunk[4096];
        while (_master >= 0) {
            const ssize_t n = ::read(_master, chunk, sizeof chunk);
            if (n <= 0) {
                break;
            }
            bytes.append(chunk, static_cast<int>(n));
        }
        return bytes;
    }

    bool write_all(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (_master >= 0 && done < bytes.size()) {
            const ssize_t n = ::write(_master, bytes.constData() + done,
                                      static_cast<size_t>(bytes.size() - done));
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return false;
            }
            done += n > 0 ? n : 0;
        }
        return done == bytes.size();
    }

    // The slave's line settings as the code under test left them.
    termios slave_termios() const
    {
        termios t{};
        ::tcgetattr(_master, &t);
        return t;
    }

    void close_master()
    {
        if (_master >= 0) {
            ::close(_master);
            _master = -1;
        }
    }

private:
    int _master = -1;
    QString _slave_path;
};
