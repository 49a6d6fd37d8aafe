// Process entry of the console: application object, optional style sheet,
// trace logger and message handler, then the main window and its event loop.

#include "app_logging.h"
#include "console_options.h"
#include "operator_commands.h"
#include "talvane.h"

#include <QApplication>
#include <csignal>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    apply_style_sheet_beside_executable();

    // The logger lives until the process ends; the message handler reads it.
    create_talvane_trace_logger(talvane_log_directory());
    qInstallMessageHandler(talvane_message_handler);

    const Console_options options = parse_console_options(app.arguments().mid(1));
    if (options.help || !options.error.isEmpty()) {
        return report_console_options(options);
    }
    warn_about_ignored_arguments(options);
    auto* window = new Talvane;
    window->show();
    window->apply_console_options(options);
    if (options.control) {
        // A controller that goes away must not take the console with it:
        // answers to a closed pipe fail instead of ending the process.
        std::signal(SIGPIPE, SIG_IGN);
        new vq_qt::Operator_commands(window, 0, stdout, window);
    }
    const int rc = app.exec();
    delete window;
    return rc;
}
