// talvane-modem-sim: a simulated HF radio data modem for the Talvane console.
#include "sim_app.h"
#include "sim_options.h"
#include "sim_radio.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signal_pipe[2] = {-1, -1};

void on_signal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signal_pipe[1], &byte, 1);
}

} // namespace

int main(int argc, char** argv)
{
    // Keep descriptors 0 to 2 taken, so the pseudo-terminal never lands on
    // one of them when the program is started with them closed.
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0) {
            ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        }
    }
    QCoreApplication app(argc, argv);
    vq_sim::Sim_options options;
    QString error;
    bool help = false;
    if (!vq_sim::parse_options(app.arguments().mid(1), options, error, help)) {
        std::fprintf(stderr, "talvane-modem-sim: %s\n(--help lists the options)\n",
                     qPrintable(error));
        return 2;
    }
    if (help) {
        std::fputs(qPrintable(vq_sim::help_text()), stdout);
        return 0;
    }
    if (options.radio_list) {
        for (const vq_sim::Radio_model& m : vq_sim::radio_models()) {
            std::printf("%s\n", m.name);
        }
        return 0;
    }

    vq_sim::Sim_app sim;
    QObject::connect(&sim, &vq_sim::Sim_app::output_line, [](const QString& line) {
        std::fprintf(stdout, "%s\n", qPrintable(line));
        std::fflush(stdout);
    });
    QObject::connect(&sim, &vq_sim::Sim_app::log_line, [](const QString& line) {
        std::fprintf(stderr, "talvane-modem-sim: %s\n", qPrintable(line));
    });
    QObject::connect(&sim, &vq_sim::Sim_app::quit_requested, &app, &QCoreApplication::quit);

    // SIGINT and SIGTERM end the event loop, so the link is removed on exit.
    if (::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        std::signal(SIGINT, on_signal);
        std::signal(SIGTERM, on_signal);
        auto* n = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &app);
        QObject::connect(n, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    }
    std::signal(SIGPIPE, SIG_IGN);

    if (!sim.start(options, error)) {
        std::fprintf(stderr, "talvane-modem-sim: %s\n", qPrintable(error));
        return 1;
    }

    // Operator commands, one per line. End of input leaves the modem running.
    // One read per notification: the descriptor stays blocking, as the
    // terminal it may share with a shell expects.
    QByteArray pending;
    auto* input = new QSocketNotifier(0, QSocketNotifier::Read, &app);
    QObject::connect(input, &QSocketNotifier::activated, [&sim, &pending, input] {
        char buffer[4096];
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n > 0) {
            pending.append(buffer, static_cast<int>(n));
        } else if (n == 0 || errno != EINTR) {
            input->setEnabled(false);
        }
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            sim.command(line);
        }
    });
    return app.exec();
}
