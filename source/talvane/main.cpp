// Process entry of the console: application object, optional style sheet,
// trace logger and message handler, then the main window and its event loop.

#include "app_logging.h"
#include "console_options.h"
#include "talvane.h"

#include <QApplication>

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
    auto* window = new Talvane;
    window->show();
    window->apply_console_options(options);
    const int rc = app.exec();
    delete window;
    return rc;
}
