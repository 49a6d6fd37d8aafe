#pragma once

// Reads the entries of a trace file, or of a run of complete entries cut
// from one, with Qt's XML stream reader.
//
// Damage (text that is not well-formed XML, or a file cut short) does not
// lose the rest: it is reported once, naming the file, the line and the last
// complete entry before it, and reading goes on at the next entry that starts
// after the line where the damaged one began.

#include "trace_entry.h"

#include <QByteArray>
#include <QStringList>
#include <QXmlStreamReader>
#include <memory>
#include <optional>

namespace vq_qt {

class Trace_reader
{
public:
    enum class Input
    {
        whole_file, // a trace file: declaration, <TraceLog>, entries, </TraceLog>
        entries,    // complete <Entry> elements only (the file's header skipped)
    };

    // `data` is read as `input`; its first line is line `first_line` of the
    // file `name`.
    Trace_reader(const QByteArray& data, const QString& name, Input input = Input::whole_file,
                 qint64 first_line = 1);
    ~Trace_reader();
    Trace_reader(const Trace_reader&) = delete;
    Trace_reader& operator=(const Trace_reader&) = delete;

    // The next entry; nullopt when the data is used up.
    std::optional<Trace_entry> next();

    // One text per damage found so far, "FILE:LINE: what; the last complete
    // entry before it ...".
    const QStringList& problems() const { return found_problems; }
    // Whether the data ended before the trace log was complete (a file being
    // written, or cut short).
    bool cut_short() const { return ended_early; }

private:
    void start_at(int position, bool synthetic_root);
    std::optional<Trace_entry> read_entry();
    QString read_text();
    void read_source(Trace_entry& entry);
    void report_and_resume(bool inside_entry, qint64 entry_line);
    qint64 file_line() const;

    QByteArray data;
    QString name;
    Input input;
    qint64 first_line;
    std::unique_ptr<QXmlStreamReader> xml;
    qint64 xml_first_line = 1; // file line of the reader's first line
    bool root_seen = false;
    int started_at = 0; // position in `data` where the reader started
    std::optional<Trace_entry> last_complete;
    QStringList found_problems;
    bool ended_early = false;
};

} // namespace vq_qt
