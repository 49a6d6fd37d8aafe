#pragma once

// Finding the files of a rotating set of trace logs ("<prefix>NNN.xml" in one
// folder) and putting them in order of age.

#include <QString>
#include <QStringList>

namespace vq_qt {

inline constexpr char default_trace_prefix[] = "log_talvane-";

// The console's log folder: $XDG_DATA_HOME/Velquin/Talvane/logs.
QString default_trace_folder();

// The files a command-line argument stands for: a folder its files
// "<prefix>NNN.xml"; a file itself. Empty with `error` set when the argument
// names nothing readable.
QStringList trace_files_of(const QString& argument, const QString& prefix, QString& error);

// The files of the set that `file` belongs to (its folder's files with the
// same name up to the three digits before ".xml"), `file` included whether it
// exists or not; just `file` when its name has no such digits.
QStringList trace_set_of(const QString& file);

// The date, time and sequence of the first complete entry of `file`
// ("yyyy-MM-dd HH:mm:ss.zzz SEQUENCE"), read from its first few kilobytes;
// empty when it has none. It tells a file recreated under the same name.
QString first_entry_key(const QString& file);

// Oldest first: by the first entry (files without one by their time of last
// change), then by name.
QStringList order_by_age(const QStringList& files);

} // namespace vq_qt
