#include "trace_reader.h"

#include <algorithm>
#include <utility>

namespace vq_qt {

namespace {

const QByteArray root_open = "<TraceLog>";
const QByteArray root_close = "</TraceLog>";

const std::pair<const char*, QString Trace_entry::*> text_fields[] = {
    {"Host", &Trace_entry::host},       {"Date", &Trace_entry::date},
    {"Time", &Trace_entry::time},       {"Application", &Trace_entry::application},
    {"Module", &Trace_entry::module},   {"Message", &Trace_entry::message},
    {"Details", &Trace_entry::details}, {"Dump", &Trace_entry::dump},
};

} // namespace

Trace_reader::Trace_reader(const QByteArray& bytes, const QString& file_name, Input kind,
                           qint64 first)
    : data(bytes), name(file_name), input(kind), first_line(first)
{
    // A file just created and not yet written holds no entries and no damage.
    if (!data.trimmed().isEmpty()) {
        start_at(0, input == Input::entries);
    }
}

Trace_reader::~Trace_reader() = default;

void Trace_reader::start_at(int position, bool synthetic_root)
{
    xml = std::make_unique<QXmlStreamReader>();
    root_seen = false;
    started_at = position;
    xml_first_line = first_line + data.left(position).count('\n');
    if (synthetic_root) {
        xml->addData(root_open);
    }
    xml->addData(data.mid(position));
    if (synthetic_root && input == Input::entries) {
        xml->addData(root_close);
    }
}

qint64 Trace_reader::file_line() const
{
    return xml_first_line + xml->lineNumber() - 1;
}

std::optional<Trace_entry> Trace_reader::next()
{
    while (xml) {
        const QXmlStreamReader::TokenType token = xml->readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml->name() == QLatin1String("Entry")) {
                if (auto entry = read_entry()) {
                    return entry;
                }
                continue;
            }
            if (!root_seen && xml->name() != QLatin1String("TraceLog")) {
                xml->raiseError(
                    QStringLiteral("not a trace log: its root element is <%1>").arg(xml->name()));
            } else if (root_seen) {
                xml->skipCurrentElement(); // an element of a later format
            }
            root_seen = true;
        } else if (token == QXmlStreamReader::EndDocument) {
            xml.reset();
            return std::nullopt;
        }
        if (xml->hasError()) {
            report_and_resume(false, file_line());
        }
    }
    return std::nullopt;
}

std::optional<Trace_entry> Trace_reader::read_entry()
{
    Trace_entry entry;
    entry.log_file = name;
    entry.log_line = file_line();
    while (xml->readNextStartElement()) {
        const QString field = xml->name().toString();
        if (field == QLatin1String("Source")) {
            read_source(entry);
            continue;
        }
        const QString text = read_text();
        if (field == QLatin1String("Sequence")) {
            entry.sequence = text.toUInt(nullptr, 16);
        } else if (field == QLatin1String("Severity")) {
            entry.severity = text.toUInt();
        }
        for (const auto& [element, member] : text_fields) {
            if (field == QLatin1String(element)) {
                entry.*member = text;
            }
        }
    }
    if (xml->hasError()) {
        report_and_resume(true, entry.log_line);
        return std::nullopt;
    }
    last_complete = entry;
    return entry;
}

void Trace_reader::read_source(Trace_entry& entry)
{
    while (xml->readNextStartElement()) {
        const bool file = xml->name() == QLatin1String("File");
        const bool line = xml->name() == QLatin1String("Line");
        const QString text = read_text();
        if (file) {
            entry.source_file = text;
        } else if (line) {
            entry.source_line = text.toLongLong();
        }
    }
}

// The text of the current element, whose children (there should be none) are
// passed over.
QString Trace_reader::read_text()
{
    QString characters;
    int depth = 1;
    while (depth > 0 && !xml->atEnd()) {
        switch (xml->readNext()) {
        case QXmlStreamReader::Characters:
            if (depth == 1) {
                characters +=
                    xml->isCDATA() ? undo_cdata_escapes(xml->text()) : xml->text().toString();
            }
            break;
        case QXmlStreamReader::StartElement:
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return logged_bytes_as_text(characters);
}

void Trace_reader::report_and_resume(bool inside_entry, qint64 entry_line)
{
    const qint64 found_at = file_line();
    const bool premature = xml->error() == QXmlStreamReader::PrematureEndOfDocumentError;
    // Damage inside an entry is reported at the line where the entry starts.
    const qint64 line = inside_entry ? entry_line : found_at;
    QString what;
    if (premature) {
        ended_early = true;
        what = inside_entry ? QStringLiteral("the file ends inside the entry that starts here")
                            : QStringLiteral("the file ends before </TraceLog>");
    } else if (xml->error() == QXmlStreamReader::CustomError) {
        what = xml->errorString();
    } else if (inside_entry) {
        what =
            QStringLiteral("damaged entry (%1 on line %2)").arg(xml->errorString()).arg(found_at);
    } else {
        what = QStringLiteral("damaged trace log (%1)").arg(xml->errorString());
    }
    const QString before =
        last_complete
            ? QStringLiteral("the last complete entry before it is at line %1 (%2 %3, sequence %4)")
                  .arg(last_complete->log_line)
                  .arg(last_complete->date, last_complete->time,
                       QStringLiteral("%1")
                           .arg(last_complete->sequence, 8, 16, QChar('0'))
                           .toUpper())
            : QStringLiteral("no complete entry before it");
    found_problems << QStringLiteral("%1:%2: %3; %4").arg(name).arg(line).arg(what, before);
    xml.reset();
    if (premature) {
        return;
    }
    // Go on at the first entry that starts after the line where the damaged
    // entry began; after damage between entries, at the first entry from the
    // line before the damage on (the parser may notice it a line late) that
    // is not one already read.
    qint64 from_line = inside_entry ? entry_line + 1 : found_at - 1;
    if (last_complete) {
        from_line = std::max(from_line, last_complete->log_line + 1);
    }
    int position = 0;
    for (qint64 n = first_line; n < from_line && position >= 0; ++n) {
        position = data.indexOf('\n', position);
        if (position >= 0) {
            ++position;
        }
    }
    const int resume =
        position >= 0 ? data.indexOf("<Entry>", std::max(position, started_at + 1)) : -1;
    if (resume >= 0) {
        start_at(resume, true);
    }
}

} // namespace vq_qt
