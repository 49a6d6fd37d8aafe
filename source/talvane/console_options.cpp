#include "console_options.h"

#include "app_logging.h"
#include "control_socket.h"
#include "operator_commands.h"
#include "vsport_files.h"

#include <cstdio>

namespace {

const char* const usage_text =
    "Usage: talvane [options]\n"
    "\n"
    "Control console for an HF radio data modem.\n"
    "\n"
    "Options (additions of the Linux build; without them the console starts\n"
    "with the ports the system lists and waits for the operator):\n"
    "  --port PATH         add the serial device PATH to the port selector and\n"
    "                      select it; pseudo-terminals and symbolic links to\n"
    "                      devices are not listed by the system. Repeatable;\n"
    "                      the last one given is selected.\n"
    "  --connect           press Connect once the window is up.\n"
    "  --screenshot FILE   save a PNG of the window to FILE once the connection\n"
    "                      is established, or after 10 seconds otherwise.\n"
    "  --screenshot-delay MS  take that screenshot MS milliseconds after the\n"
    "                      connection is established (default 300), so that\n"
    "                      the modem's first reports are shown.\n"
    "  --print-state       print one line on standard output for every change\n"
    "                      of the connection state.\n"
    "  --control           read operator commands from standard input (below).\n"
    "  --headless          run without any display: the window is made on Qt's\n"
    "                      offscreen platform and shown nowhere; warnings also\n"
    "                      go to standard error; SIGTERM and SIGINT close it as\n"
    "                      its close button would.\n"
    "  --data-port NAME    create the virtual data port under NAME (1 to 32\n"
    "                      letters, digits, _ and -) instead of the first free\n"
    "                      COMn, so a data program's configuration can name it;\n"
    "                      ends with exit status 1 when another console holds it.\n"
    "  --instance NAME     the console's name (default talvane). It takes the\n"
    "                      commands below, and watch and help, on the socket\n"
    "                      $XDG_RUNTIME_DIR/talvane/NAME.control (see the\n"
    "                      manual page); a second console of the same name\n"
    "                      does not start.\n"
    "  --remote [--instance NAME] COMMAND...\n"
    "                      send each COMMAND (one argument, one command line)\n"
    "                      to the running console NAME, print its answers and\n"
    "                      end: status 0 when all were \"ok\". After watch, the\n"
    "                      events are printed until interrupted.\n"
    "  --version           print the program name and version.\n"
    "  --help              show this text.\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are accepted as usual; other\n"
    "arguments are ignored with a warning.\n"
    "\n";

} // namespace

Console_options parse_console_options(const QStringList& arguments)
{
    Console_options options;
    options.help_text = QString::fromLatin1(usage_text) + vq_qt::Operator_commands::help_text();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        auto value = [&](QString& target) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                options.error = argument + " needs a value";
                return false;
            }
            target = arguments.at(++i);
            return true;
        };
        if (argument == "--port") {
            QString path;
            if (!value(path)) {
                return options;
            }
            options.ports << path;
        } else if (argument.startsWith("--port=")) {
            options.ports << argument.mid(7);
        } else if (argument == "--connect") {
            options.connect = true;
        } else if (argument == "--screenshot") {
            if (!value(options.screenshot)) {
                return options;
            }
        } else if (argument.startsWith("--screenshot=")) {
            options.screenshot = argument.mid(13);
            if (options.screenshot.isEmpty()) {
                options.error = "--screenshot needs a value";
                return options;
            }
        } else if (argument == "--screenshot-delay") {
            QString text;
            if (!value(text)) {
                return options;
            }
            bool ok = false;
            const int ms = text.toInt(&ok);
            if (!ok || ms < 0 || ms > 600000) {
                options.error = "--screenshot-delay needs milliseconds from 0 to 600000";
                return options;
            }
            options.screenshot_delay_ms = ms;
        } else if (argument == "--print-state") {
            options.print_state = true;
        } else if (argument == "--control") {
            options.control = true;
        } else if (argument == "--headless") {
            options.headless = true;
        } else if (argument == "--data-port" || argument.startsWith("--data-port=")) {
            if (argument.contains('=')) {
                options.data_port = argument.mid(12);
            } else if (!value(options.data_port)) {
                return options;
            }
            if (!vq_qt::vsport_files::port_name_acceptable(options.data_port)) {
                options.error = "--data-port needs a name of 1 to 32 letters, digits, _ and -";
                return options;
            }
        } else if (argument == "--instance" || argument.startsWith("--instance=")) {
            if (argument.contains('=')) {
                options.instance = argument.mid(11);
            } else if (!value(options.instance)) {
                return options;
            }
            if (!vq_qt::Control_socket::valid_instance_name(options.instance)) {
                options.error = "--instance takes letters, digits, '.', '_' and '-' (at most 64, "
                                "not starting with '.')";
                return options;
            }
            if (options.remote) {
                options.remote_commands = arguments.mid(i + 1);
                break;
            }
        } else if (argument == "--remote") {
            // The rest are command lines, after the console's name if given.
            options.remote = true;
            if (!arguments.value(i + 1).startsWith("--instance")) {
                options.remote_commands = arguments.mid(i + 1);
                break;
            }
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else {
            options.warnings << argument;
        }
    }
    if (options.ports.contains(QString())) {
        options.error = "--port needs a value";
    }
    if (options.remote && options.remote_commands.isEmpty()) {
        options.error = "--remote needs at least one command";
    }
    return options;
}

void warn_about_ignored_arguments(const Console_options& options)
{
    for (const QString& argument : options.warnings) {
        std::fprintf(stderr, "talvane: ignoring the argument %s (see --help)\n",
                     qPrintable(argument));
    }
}

int report_console_options(const Console_options& options)
{
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "talvane: %s\n\n%s", qPrintable(options.error),
                     qPrintable(options.help_text));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(options.help_text), stdout);
    } else {
        std::printf("talvane %s\n", talvane_logging::application_version);
    }
    return 0;
}
