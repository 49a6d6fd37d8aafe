#pragma once

// The two output forms of talvane-log, and the printer that filters entries,
// keeps the last N when asked, and writes them.

#include "log_options.h"

#include <QByteArray>
#include <cstdio>
#include <deque>

namespace vq_qt {

// "HH:MM:SS.mmm SEV   module           message" and a line feed; the lines of
// a message of several lines, and its details and dump when it has any, are
// indented below the message. Control characters are shown as their
// pictures, so a log cannot drive the terminal.
QByteArray format_text(const Trace_entry& entry);
// One JSON object and a line feed; an empty text is "".
QByteArray format_json(const Trace_entry& entry);

class Entry_printer
{
public:
    // Writes to `out`; keeps the last `last` entries until flush() when
    // `last` is 0 or more.
    Entry_printer(const Log_options& options, std::FILE* out);

    // Prints the entry, or keeps it, when the filter accepts it.
    void add(const Trace_entry& entry);
    // Prints what was kept; from now on every accepted entry is printed, and
    // flushed, at once.
    void flush();

private:
    void write(const Trace_entry& entry);

    Log_filter filter;
    bool json;
    int last;
    std::FILE* out;
    bool streaming = false;
    std::deque<Trace_entry> kept;
};

} // namespace vq_qt
