#pragma once

// Logging of the console: the window's logging categories, the mapping of Qt
// message types to trace levels, the message handler that feeds every Qt log
// message into the trace logger, the style-sheet loader and the first steps of
// the window constructor (identity, message pattern, start-up lines).
//
// The logging categories themselves are declared in log_categories.h.
//
// Trace levels (larger is more severe): fatal 100, critical 90, warning 70,
// debug in a category whose name contains "info" 50, any other debug 30,
// anything else 0.

#include "log_categories.h"

#include <QLoggingCategory>
#include <QString>
#include <QtGlobal>

namespace vq {
class Trace_logger;
} // namespace vq

namespace talvane_logging {

inline constexpr char organisation_name[] = "Velquin";
inline constexpr char organisation_domain[] = "velquin.example";
inline constexpr char application_name[] = "Talvane";
inline constexpr char application_version[] = "1.1.6";
inline constexpr char log_file_prefix[] = "log_talvane-";
inline constexpr int log_file_count = 5;

// Trace levels handed to the trace logger.
enum Trace_level : unsigned
{
    level_other = 0,
    level_debug = 30,
    level_info = 50,
    level_warning = 70,
    level_critical = 90,
    level_fatal = 100,
};

} // namespace talvane_logging

// Level of one Qt message: see the table above. `category` may be null.
unsigned trace_level_for(QtMsgType type, const char* category);

// The Qt message pattern the console uses (three pieces concatenated).
QString talvane_message_pattern();

// The process-wide trace logger read by the message handler. Set once, before
// the handler is installed; null drops every message.
vq::Trace_logger* trace_logger();
void set_trace_logger(vq::Trace_logger* logger);

// Message handler installed with qInstallMessageHandler: maps the type to a
// level, and writes the message to the trace logger when the level lies in its
// file or network window. Qt's platform plugin talking about itself (category
// "qt.qpa.*", "This plugin does not support ...") is left out below critical.
void talvane_message_handler(QtMsgType type, const QMessageLogContext& context,
                             const QString& message);

// For a console without a window (--headless): every message from warning up
// that the handler writes is also written to standard error, one line through
// the message pattern. When standard error is the journal's stream (systemd's
// JOURNAL_STREAM names it), each line begins with its syslog priority ("<4>"
// warning, "<3>" critical, "<2>" fatal), so the journal files it at that
// priority.
void set_warnings_to_standard_error(bool on);

// Folder of the trace files: $XDG_DATA_HOME/Velquin/Talvane/logs (default
// ~/.local/share/Velquin/Talvane/logs).
QString talvane_log_directory();

// Creates the trace logger of the console (application "Talvane", file window
// [0, unlimited], files "<log_directory>/log_talvane-NNN.xml", five names),
// publishes it as the process-wide logger and returns it. It lives until the
// process ends.
vq::Trace_logger* create_talvane_trace_logger(const QString& log_directory);

// Style sheet text of the file at `path`: its bytes up to the first NUL (or
// the end) as Latin-1. A file that cannot be opened gives an empty text.
QString read_style_sheet(const QString& path);

// Applies "style.qss" beside the executable to the running application when
// the file exists; does nothing (and logs nothing) otherwise. Returns whether
// a style sheet was applied.
bool apply_style_sheet_beside_executable();

// First steps of the main window constructor: sets organisation name and
// domain, application name and version, logs "App Info", sets the message
// pattern and logs the application folder, the generic configuration
// locations and QT_LOGGING_CONF in category "info".
void apply_application_identity_and_log_start_up();
