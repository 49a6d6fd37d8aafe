#include "log_options.h"

#include "trace_files.h"

#include <QCommandLineParser>
#include <algorithm>

namespace vq_qt {

namespace {

const char* const help_text =
    "Usage: talvane-log [options] [FILE|FOLDER ...]\n"
    "\n"
    "Prints the entries of the Talvane trace logs, oldest first, one line each:\n"
    "  HH:MM:SS.mmm SEV   module           message\n"
    "Without FILE or FOLDER it reads the console's log folder\n"
    "($XDG_DATA_HOME/Velquin/Talvane/logs). A folder stands for its files\n"
    "log_talvane-NNN.xml; all files are read in order of age.\n"
    "\n"
    "Options:\n"
    "  --module NAME         only entries of the module (logging category) NAME;\n"
    "                        * in NAME matches any text. Repeatable, or several\n"
    "                        names separated by commas.\n"
    "  --min-severity LEVEL  only entries at least as severe as LEVEL: a number,\n"
    "                        or debug (30), info (50), warning (70), critical (90),\n"
    "                        fatal (100).\n"
    "  --since TIME          only entries from TIME on: YYYY-MM-DD HH:MM[:SS[.mmm]],\n"
    "                        HH:MM[:SS[.mmm]] (today), or an age such as 90s, 15m,\n"
    "                        2h or 1d.\n"
    "  --last N              print only the last N matching entries (with --follow,\n"
    "                        of those already written).\n"
    "  --follow              keep reading the newest file as it grows and the files\n"
    "                        that follow it when it rotates, like tail -F; only\n"
    "                        complete entries are printed. Ctrl-C stops.\n"
    "  --json                print one JSON object per entry and line.\n"
    "  --prefix PREFIX       file names of a folder's set (default log_talvane-).\n"
    "  --version             print the program name and version.\n"
    "  --help                show this text.\n"
    "\n"
    "Severities are shown as FATAL (100 and up), CRIT (90), WARN (70), INFO (50),\n"
    "DEBUG (30) and OTHER (below 30).\n"
    "\n"
    "Exit status: 0; 1 when a file could not be read or is damaged (the entries\n"
    "before the damage, and after it where the reading can resume, are printed);\n"
    "2 for a bad command line.\n";

} // namespace

bool Log_filter::accepts(const Trace_entry& entry) const
{
    if (entry.severity < min_severity) {
        return false;
    }
    if (since.isValid()) {
        const QDateTime when = entry.when();
        if (!when.isValid() || when < since) {
            return false;
        }
    }
    if (modules.isEmpty()) {
        return true;
    }
    return std::any_of(modules.begin(), modules.end(), [&](const QRegularExpression& pattern) {
        return pattern.match(entry.module).hasMatch();
    });
}

QString log_help_text()
{
    return QString::fromLatin1(help_text);
}

std::optional<quint32> parse_severity(const QString& text)
{
    bool ok = false;
    const uint number = text.toUInt(&ok);
    if (ok) {
        return number;
    }
    for (const Severity_band& band : severity_bands) {
        if (text.compare(QLatin1String(band.name), Qt::CaseInsensitive) == 0 ||
            text.compare(QLatin1String(band.label), Qt::CaseInsensitive) == 0) {
            return band.lowest;
        }
    }
    return std::nullopt;
}

std::optional<QDateTime> parse_since(const QString& text, const QDateTime& now)
{
    static const QRegularExpression age(QStringLiteral("^(\\d{1,9})([smhd])$"));
    static const QRegularExpression moment(QStringLiteral(
        "^(?:(\\d{4}-\\d{2}-\\d{2})[ T])?(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,3}))?)?$"));
    const QString t = text.trimmed();
    if (const auto m = age.match(t); m.hasMatch()) {
        static const QString units = QStringLiteral("smhd");
        static const qint64 seconds[] = {1, 60, 3600, 86400};
        return now.addSecs(-m.captured(1).toLongLong() * seconds[units.indexOf(m.captured(2))]);
    }
    const auto m = moment.match(t);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const QDate date =
        m.captured(1).isEmpty() ? now.date() : QDate::fromString(m.captured(1), Qt::ISODate);
    const QTime time(m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt(),
                     m.captured(5).leftJustified(3, QChar('0')).toInt());
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return QDateTime(date, time, Qt::LocalTime);
}

QRegularExpression module_pattern(const QString& name)
{
    QStringList pieces = name.split(QChar('*'));
    for (QString& piece : pieces) {
        piece = QRegularExpression::escape(piece);
    }
    return QRegularExpression(QStringLiteral("^%1$").arg(pieces.join(QStringLiteral(".*"))));
}

Log_options parse_log_options(const QStringList& arguments, const QDateTime& now)
{
    Log_options options;
    options.prefix = QString::fromLatin1(default_trace_prefix);
    QCommandLineParser parser;
    const QCommandLineOption module("module", QString(), "NAME");
    const QCommandLineOption min_severity("min-severity", QString(), "LEVEL");
    const QCommandLineOption since("since", QString(), "TIME");
    const QCommandLineOption last("last", QString(), "N");
    const QCommandLineOption follow("follow");
    const QCommandLineOption json("json");
    const QCommandLineOption prefix("prefix", QString(), "PREFIX");
    const QCommandLineOption version("version");
    const QCommandLineOption help(QStringList{"h", "help"});
    parser.addOptions({module, min_severity, since, last, follow, json, prefix, version, help});
    if (!parser.parse(QStringList(QStringLiteral("talvane-log")) + arguments)) {
        options.error = parser.errorText();
        return options;
    }
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    options.follow = parser.isSet(follow);
    options.json = parser.isSet(json);
    options.inputs = parser.positionalArguments();
    for (const QString& value : parser.values(module)) {
        for (const QString& name : value.split(QChar(','), Qt::SkipEmptyParts)) {
            options.filter.modules << module_pattern(name.trimmed());
        }
    }
    if (parser.isSet(min_severity)) {
        const auto level = parse_severity(parser.value(min_severity));
        if (!level) {
            options.error = QStringLiteral("--min-severity: not a severity: %1")
                                .arg(parser.value(min_severity));
            return options;
        }
        options.filter.min_severity = *level;
    }
    if (parser.isSet(since)) {
        const auto moment = parse_since(parser.value(since), now);
        if (!moment) {
            options.error = QStringLiteral("--since: not a time: %1").arg(parser.value(since));
            return options;
        }
        options.filter.since = *moment;
    }
    if (parser.isSet(last)) {
        bool ok = false;
        options.last = parser.value(last).toInt(&ok);
        if (!ok || options.last < 0) {
            options.error = QStringLiteral("--last: not a count: %1").arg(parser.value(last));
            return options;
        }
    }
    if (parser.isSet(prefix)) {
        options.prefix = parser.value(prefix);
    }
    return options;
}

} // namespace vq_qt
