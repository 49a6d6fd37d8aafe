#include "trace_follower.h"

#include "trace_files.h"
#include "trace_reader.h"

#include <QFile>
#include <algorithm>

namespace vq_qt {

namespace {

// At most this much of a file is taken in one poll; the rest comes next time.
constexpr qint64 largest_read = 64 * 1024 * 1024;
// A file whose first kilobytes hold no <TraceLog> is not a trace log.
constexpr qint64 largest_header = 4096;
constexpr int most_new_files_per_poll = 16;

const QByteArray root_open = "<TraceLog>";
const QByteArray entry_close = "</Entry>";

} // namespace

Trace_follower::Trace_follower(const QString& file, QObject* parent) : QObject(parent)
{
    qRegisterMetaType<vq_qt::Trace_entry>();
    for (const QString& other : trace_set_of(file)) {
        if (other != file) {
            read_files.insert(other, first_entry_key(other));
        }
    }
    begin(file, first_entry_key(file));
    connect(&timer, &QTimer::timeout, this, &Trace_follower::poll);
}

void Trace_follower::start(int interval_ms)
{
    poll();
    timer.start(interval_ms);
}

void Trace_follower::begin(const QString& file, const QString& key)
{
    current = file;
    current_key = key;
    offset = 0;
    line = 1;
    header_read = false;
}

void Trace_follower::poll()
{
    read_current();
    for (int n = 0; n < most_new_files_per_poll; ++n) {
        // Files started since: a name not seen, or one whose first entry changed.
        QString next;
        QString next_key;
        for (const QString& file : trace_set_of(current)) {
            if (file == current) {
                continue;
            }
            const QString key = first_entry_key(file);
            if (key.isEmpty() || (read_files.contains(file) && read_files.value(file) == key)) {
                continue;
            }
            if (next.isEmpty() || key < next_key) {
                next = file;
                next_key = key;
            }
        }
        if (next.isEmpty()) {
            return;
        }
        read_current(); // what was added before the writer moved on
        read_files.insert(current, current_key);
        begin(next, next_key);
        read_current();
    }
}

void Trace_follower::read_current()
{
    QFile file(current);
    if (!file.open(QIODevice::ReadOnly)) {
        return; // not there (yet): a file of the set may start
    }
    const QString key = first_entry_key(current);
    if (file.size() < offset || (!current_key.isEmpty() && key != current_key)) {
        begin(current, key); // created afresh under the same name
    }
    if (current_key.isEmpty()) {
        current_key = key;
    }
    if (!file.seek(offset)) {
        return;
    }
    QByteArray bytes = file.read(std::min(file.size() - offset, largest_read));
    if (!header_read) {
        const int root = bytes.indexOf(root_open);
        if (root < 0) {
            if (bytes.size() > largest_header && offset == 0) {
                emit problem(QStringLiteral("%1: not a trace log (no <TraceLog> in its first %2 "
                                            "bytes)")
                                 .arg(current)
                                 .arg(largest_header));
                offset = file.size();
                header_read = true;
            }
            return;
        }
        const int skip = root + root_open.size();
        line += bytes.left(skip).count('\n');
        offset += skip;
        bytes.remove(0, skip);
        header_read = true;
    }
    // Only complete entries: the writer may be in the middle of one.
    const int last = bytes.lastIndexOf(entry_close);
    if (last < 0) {
        return;
    }
    bytes.truncate(last + entry_close.size());
    Trace_reader reader(bytes, current, Trace_reader::Input::entries, line);
    while (const auto entry = reader.next()) {
        emit entry_read(*entry);
    }
    for (const QString& text : reader.problems()) {
        emit problem(text);
    }
    line += bytes.count('\n');
    offset += bytes.size();
}

} // namespace vq_qt
