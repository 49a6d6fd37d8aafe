#include "headless.h"

#include "virtual_serial_port.h"

#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace headless {

namespace {

// The write end of the pipe the signal handler writes to; the event loop
// reads the other end.
int signal_pipe_write = -1;

extern "C" void note_termination_signal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signal_pipe_write, &byte, 1);
    errno = saved;
}

} // namespace

void choose_offscreen_platform()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

void close_on_termination_signals(QWidget* window)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("talvane: no pipe for SIGTERM and SIGINT");
        return;
    }
    signal_pipe_write = fds[1];
    auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window, fd = fds[0]] {
        char bytes[16];
        while (::read(fd, bytes, sizeof bytes) > 0) {
        }
        window->close();
    });
    struct sigaction action = {};
    action.sa_handler = note_termination_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

} // namespace headless

bool data_port_created_as_asked(const vq_qt::Virtual_serial_port& port, const QString& name)
{
    if (port.virtual_port_name() == name) {
        return true;
    }
    const vq_qt::Vsport_control* control = port.control();
    if (control != nullptr && control->name_in_use(name)) {
        std::fprintf(stderr, "talvane: the data port %s is held by another console\n",
                     qPrintable(name));
    } else {
        std::fprintf(stderr, "talvane: could not create the data port %s (see the trace log)\n",
                     qPrintable(name));
    }
    return false;
}
