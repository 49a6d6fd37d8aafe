#pragma once

// Command line of talvane-log and the entry filter it describes.

#include "trace_entry.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>
#include <QVector>
#include <optional>

namespace vq_qt {

struct Log_filter
{
    QVector<QRegularExpression> modules; // any of them matches the whole module; empty: all
    quint32 min_severity = 0;
    QDateTime since; // invalid: no bound

    bool accepts(const Trace_entry& entry) const;
};

struct Log_options
{
    QStringList inputs; // files and folders; empty: the console's log folder
    QString prefix;     // file names of a folder's set
    Log_filter filter;
    int last = -1; // print only the last N matching entries; -1: all
    bool follow = false;
    bool json = false;
    bool help = false;
    bool version = false;
    QString error; // a bad command line; empty when all was understood
};

// Parses the arguments after the program name; `now` anchors --since.
Log_options parse_log_options(const QStringList& arguments, const QDateTime& now);
QString log_help_text();

// A severity as a number or a band name ("warning" is 70).
std::optional<quint32> parse_severity(const QString& text);
// "YYYY-MM-DD HH:MM[:SS[.mmm]]" (or with a T), "HH:MM[:SS[.mmm]]" today, or
// an age "N" followed by s, m, h or d before `now`.
std::optional<QDateTime> parse_since(const QString& text, const QDateTime& now);
// A module name, with * matching any run of characters, as a whole-text pattern.
QRegularExpression module_pattern(const QString& name);

} // namespace vq_qt
