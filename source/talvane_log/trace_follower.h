#pragma once

// Follows a trace file as it grows and across rotation, like tail -F: reads
// only the complete entries of the file being written, and when the writer
// starts another file of the set (a new name, or an old name created afresh),
// finishes the current one and goes on with the new one from its start.

#include "trace_entry.h"

#include <QHash>
#include <QObject>
#include <QTimer>

namespace vq_qt {

class Trace_follower : public QObject
{
    Q_OBJECT

public:
    // Follows `file` from its start. The other files of its set, as they are
    // now, count as read; only files started from now on are followed.
    explicit Trace_follower(const QString& file, QObject* parent = nullptr);

    // Reads what is new at once, then every `interval_ms`.
    void start(int interval_ms = 200);
    // Reads what is new: the rest of the current file, then each file of the
    // set started since, oldest first.
    void poll();

    const QString& current_file() const { return current; }

signals:
    void entry_read(const vq_qt::Trace_entry& entry);
    void problem(const QString& text);

private:
    void read_current();
    void begin(const QString& file, const QString& key);

    QTimer timer;
    QString current;
    QString current_key; // first_entry_key() of the current file once it has an entry
    qint64 offset = 0;   // bytes of the current file read
    qint64 line = 1;     // line of the current file at `offset`
    bool header_read = false;
    QHash<QString, QString> read_files; // file -> first_entry_key() when it was read
};

} // namespace vq_qt
