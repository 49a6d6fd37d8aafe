#include "app_logging.h"

#include "trace_logger.h"

#include <QApplication>
#include <QByteArray>
#include <QDebug>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<vq::Trace_logger*> process_logger{nullptr};
std::atomic<bool> warnings_to_standard_error{false};
bool standard_error_is_journal = false;

// The logger is single-threaded; Qt may report from its own threads.
std::mutex& handler_mutex()
{
    static std::mutex m;
    return m;
}

// Notes of Qt's platform plugin about itself ("This plugin does not support
// propagateSizeHints()", the X connection's chatter): they say nothing about
// the console or the modem and would bury what does, in the trace files and
// on the network. Critical and fatal messages are kept whatever their source.
bool is_platform_chatter(QtMsgType type, const char* category, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        return false;
    }
    return (category != nullptr && std::strncmp(category, "qt.qpa.", 7) == 0) ||
           message.startsWith(QLatin1String("This plugin does not support "));
}

// Whether standard error is the stream systemd set up to the journal: its
// device and inode are the "DEV:INO" of JOURNAL_STREAM.
bool standard_error_goes_to_journal()
{
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    struct stat status = {};
    if (stream.isEmpty() || ::fstat(STDERR_FILENO, &status) != 0) {
        return false;
    }
    return stream == QByteArray::number(quint64(status.st_dev)) + ':' +
                         QByteArray::number(quint64(status.st_ino));
}

void write_to_standard_error(QtMsgType type, const QMessageLogContext& context,
                             const QString& message)
{
    const char* priority = type == QtFatalMsg ? "<2>" : type == QtCriticalMsg ? "<3>" : "<4>";
    const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit();
    std::fprintf(stderr, "%s%s\n", standard_error_is_journal ? priority : "", line.constData());
    std::fflush(stderr);
}

} // namespace

void set_warnings_to_standard_error(bool on)
{
    standard_error_is_journal = on && standard_error_goes_to_journal();
    warnings_to_standard_error.store(on);
}

unsigned trace_level_for(QtMsgType type, const char* category)
{
    using namespace talvane_logging;
    switch (type) {
    case QtFatalMsg:
        return level_fatal;
    case QtCriticalMsg:
        return level_critical;
    case QtWarningMsg:
        return level_warning;
    case QtDebugMsg:
        return (category != nullptr && std::strstr(category, "info") != nullptr) ? level_info
                                                                                 : level_debug;
    default:
        return level_other;
    }
}

QString talvane_message_pattern()
{
    return QStringLiteral("[%{if-debug}D%{endif}%{if-warning}## W ##%{endif}"
                          "%{if-critical}### C ###%{endif}%{if-fatal}##### F #####%{endif}]") +
           QStringLiteral("%{if-category} [%{category}]%{endif}\t\t") +
           QStringLiteral("%{message}");
}

vq::Trace_logger* trace_logger()
{
    return process_logger.load();
}

void set_trace_logger(vq::Trace_logger* logger)
{
    process_logger.store(logger);
}

void talvane_message_handler(QtMsgType type, const QMessageLogContext& context,
                             const QString& message)
{
    const unsigned level = trace_level_for(type, context.category);
    vq::Trace_logger* logger = trace_logger();
    if (logger == nullptr || !logger->accepts(level) ||
        is_platform_chatter(type, context.category, message))
        return;
    const QByteArray text = message.toLocal8Bit();
    std::lock_guard<std::mutex> hold(handler_mutex());
    if (level >= talvane_logging::level_warning && warnings_to_standard_error.load()) {
        write_to_standard_error(type, context, message);
    }
    logger->log(context.file != nullptr ? context.file : "", context.line, text.constData(),
                context.category != nullptr ? context.category : "", level, "", "");
}

QString talvane_log_directory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/" +
           talvane_logging::organisation_name + "/" + talvane_logging::application_name + "/logs";
}

vq::Trace_logger* create_talvane_trace_logger(const QString& log_directory)
{
    auto* logger = new vq::Trace_logger(talvane_logging::application_name);
    set_trace_logger(logger);
    logger->set_file_log_level(0);
    logger->set_file_name_base(QFile::encodeName(log_directory).constData(),
                               talvane_logging::log_file_prefix, -1);
    logger->set_file_count(talvane_logging::log_file_count);
    return logger;
}

QString read_style_sheet(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes = file.readAll();
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QString::fromLatin1(bytes);
}

bool apply_style_sheet_beside_executable()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    const QString path = QCoreApplication::applicationDirPath() + "/style.qss";
    if (app == nullptr || !QFile::exists(path))
        return false;
    app->setStyleSheet(read_style_sheet(path));
    return true;
}

void apply_application_identity_and_log_start_up()
{
    using namespace talvane_logging;
    QCoreApplication::setOrganizationName(organisation_name);
    QCoreApplication::setOrganizationDomain(organisation_domain);
    QCoreApplication::setApplicationName(application_name);
    QCoreApplication::setApplicationVersion(application_version);

    if (lc_info().isDebugEnabled()) {
        qCDebug(lc_info, "%s",
                qUtf8Printable(QStringLiteral("App Info: %1 %2 V%3")
                                   .arg(QCoreApplication::organizationName(),
                                        QCoreApplication::applicationName(),
                                        QCoreApplication::applicationVersion())));
    }

    qSetMessagePattern(talvane_message_pattern());

    if (lc_info().isDebugEnabled()) {
        qCDebug(lc_info) << "applicationDirPath:\t" << QCoreApplication::applicationDirPath();
        qCDebug(lc_info) << "GenericConfigLocation:\t"
                         << QStandardPaths::standardLocations(
                                QStandardPaths::GenericConfigLocation);
        qCDebug(lc_info) << "QT_LOGGING_CONF:\t"
                         << QProcessEnvironment::systemEnvironment().value(
                                QStringLiteral("QT_LOGGING_CONF"), QStringLiteral("Not Found"));
    }
}
