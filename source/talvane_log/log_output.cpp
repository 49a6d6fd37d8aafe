#include "log_output.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace vq_qt {

namespace {

constexpr int module_width = 16;

// Line feeds and tabs stay; other control characters become visible.
QString printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const ushort c = text.at(i).unicode();
        if (c == '\r' && i + 1 < text.size() && text.at(i + 1) == '\n') {
            continue;
        }
        if (c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7F) || c > 0x9F) {
            out += text.at(i);
        } else if (c < 0x20) {
            out += QChar(0x2400 + c);
        } else if (c == 0x7F) {
            out += QChar(0x2421);
        } else {
            out += QChar(0xFFFD);
        }
    }
    return out;
}

// Details and dump the writer fills in when there are none.
bool is_blank(const QString& text)
{
    return text.isEmpty() || text == QLatin1String("-") || text == QLatin1String("<empty>");
}

// The log writes an empty text as "<empty>"; a JSON reader gets "".
QString json_text(const QString& text)
{
    return text == QLatin1String("<empty>") ? QString() : text;
}

} // namespace

QByteArray format_text(const Trace_entry& entry)
{
    QString text = printable(entry.message);
    for (const QString* extra : {&entry.details, &entry.dump}) {
        if (!is_blank(*extra)) {
            text += QChar('\n') + printable(*extra);
        }
    }
    const QString head =
        QStringLiteral("%1 %2 %3 ")
            .arg(entry.time.leftJustified(12),
                 QString::fromLatin1(severity_band(entry.severity).label).leftJustified(5),
                 printable(entry.module).leftJustified(module_width));
    text.replace(QChar('\n'), QChar('\n') + QString(head.size(), QChar(' ')));
    return (head + text + QChar('\n')).toUtf8();
}

QByteArray format_json(const Trace_entry& entry)
{
    const QJsonObject object{
        {"date", entry.date},
        {"time", entry.time},
        {"host", entry.host},
        {"sequence", static_cast<qint64>(entry.sequence)},
        {"severity", static_cast<qint64>(entry.severity)},
        {"level", QString::fromLatin1(severity_band(entry.severity).name)},
        {"application", json_text(entry.application)},
        {"module", json_text(entry.module)},
        {"message", json_text(entry.message)},
        {"details", json_text(entry.details)},
        {"dump", json_text(entry.dump)},
        {"source_file", entry.source_file},
        {"source_line", entry.source_line},
        {"log_file", entry.log_file},
        {"log_line", entry.log_line},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

Entry_printer::Entry_printer(const Log_options& options, std::FILE* output)
    : filter(options.filter), json(options.json), last(options.last), out(output)
{}

void Entry_printer::add(const Trace_entry& entry)
{
    if (!filter.accepts(entry)) {
        return;
    }
    if (last < 0) {
        write(entry);
        return;
    }
    kept.push_back(entry);
    while (kept.size() > static_cast<std::size_t>(last)) {
        kept.pop_front();
    }
}

void Entry_printer::flush()
{
    for (const Trace_entry& entry : kept) {
        write(entry);
    }
    kept.clear();
    last = -1;
    streaming = true;
    std::fflush(out);
}

void Entry_printer::write(const Trace_entry& entry)
{
    const QByteArray line = json ? format_json(entry) : format_text(entry);
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out);
    if (streaming) {
        std::fflush(out);
    }
}

} // namespace vq_qt
