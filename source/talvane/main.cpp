// Process entry of the console: application object, optional style sheet,
// trace logger and message handler, then the main window and its event loop.

#include "app_logging.h"
#include "console_options.h"
#include "control_socket.h"
#include "event_list.h"
#include "headless.h"
#include "operator_commands.h"
#include "remote_control.h"
#include "talvane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <csignal>
#include <vector>

namespace {

// TALVANE_HEARTBEAT_REPORT=FILE (for the benchmarks): a 1 ms timer on the GUI
// thread records how late the event loop serves it; the figures go to FILE
// when the event loop ends.
void start_heartbeat_report(QApplication& app)
{
    const QString path = qEnvironmentVariable("TALVANE_HEARTBEAT_REPORT");
    if (path.isEmpty()) {
        return;
    }
    auto* timer = new QTimer(&app);
    auto* clock = new QElapsedTimer;
    auto* lateness_us = new std::vector<qint64>;
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, [clock, lateness_us] {
        if (clock->isValid()) {
            lateness_us->push_back(std::max<qint64>(0, clock->nsecsElapsed() / 1000 - 1000));
        }
        clock->start();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [path, clock, lateness_us] {
        std::vector<qint64>& v = *lateness_us;
        std::sort(v.begin(), v.end());
        auto at = [&v](double share) {
            return v.empty() ? 0 : v[std::min(v.size() - 1, std::size_t(share * v.size()))];
        };
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(QString("ticks %1\np50_us %2\np99_us %3\np999_us %4\nmax_us %5\n")
                           .arg(v.size())
                           .arg(at(0.5))
                           .arg(at(0.99))
                           .arg(at(0.999))
                           .arg(v.empty() ? 0 : v.back())
                           .toLatin1());
        }
        delete lateness_us;
        delete clock;
    });
    timer->start(1);
}

} // namespace

int main(int argc, char* argv[])
{
    // --help, --version and a bad command line are answered before the
    // application object exists: they need no display and create no file.
    // Qt's own options are still in this list; they are only warnings here.
    // The locale is taken first, as the application object would take it:
    // the text conversions below fix Qt's local 8-bit encoding for good.
    std::setlocale(LC_ALL, "");
    QStringList raw_arguments;
    for (int i = 1; i < argc; ++i) {
        raw_arguments << QString::fromLocal8Bit(argv[i]);
    }
    const Console_options early = parse_console_options(raw_arguments);
    if (early.help || early.version || !early.error.isEmpty()) {
        return report_console_options(early);
    }
    if (early.remote) {
        return vq_qt::run_remote_commands(early.instance, early.remote_commands);
    }

    if (early.headless) {
        headless::choose_offscreen_platform();
    }
    QApplication app(argc, argv);
    apply_style_sheet_beside_executable();

    // The logger lives until the process ends; the message handler reads it.
    create_talvane_trace_logger(talvane_log_directory());
    qInstallMessageHandler(talvane_message_handler);

    const Console_options options = parse_console_options(app.arguments().mid(1));
    warn_about_ignored_arguments(options);
    set_warnings_to_standard_error(options.headless);
    // The name is taken before anything else is made: a second console of
    // the same name leaves the first one's port and files alone.
    vq_qt::Control_socket control;
    QString control_error;
    switch (control.listen(options.instance, &control_error)) {
    case vq_qt::Control_socket::Listen_result::name_taken:
        std::fprintf(stderr, "talvane: %s\n", qPrintable(control_error));
        return 1;
    case vq_qt::Control_socket::Listen_result::failed:
        std::fprintf(stderr, "talvane: no control socket: %s\n", qPrintable(control_error));
        qCWarning(vq_qt::lc_control_socket).noquote() << "No control socket:" << control_error;
        break;
    case vq_qt::Control_socket::Listen_result::listening:
        break;
    }
    auto* window = new vq_qt::Talvane(options.data_port);
    if (!options.data_port.isEmpty() &&
        !data_port_created_as_asked(*window->virtual_serial_port(), options.data_port)) {
        delete window;
        return 1;
    }
    // Headless, the window is shown on the offscreen platform only: the
    // operator commands find it as they would on a display.
    window->show();
    if (options.headless) {
        headless::close_on_termination_signals(window);
    }
    window->apply_console_options(options);
    control.serve(window);
    QObject::connect(window->events(), &vq_qt::Event_list::added, &control,
                     [&control](const vq_qt::Event_entry& entry) {
                         control.publish_event(
                             QJsonObject::fromVariantMap(vq_qt::Event_list::fields(entry)));
                     });
    if (options.control) {
        // A controller that goes away must not take the console with it:
        // answers to a closed pipe fail instead of ending the process.
        std::signal(SIGPIPE, SIG_IGN);
        new vq_qt::Operator_commands(window, 0, stdout, window);
    }
    start_heartbeat_report(app);
    const int rc = app.exec();
    delete window;
    return rc;
}
