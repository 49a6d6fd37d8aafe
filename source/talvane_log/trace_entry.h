#pragma once

// One entry of a trace log, with its texts as the program logged them, and
// the severity bands used to name and filter severities.

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QStringView>

namespace vq_qt {

struct Trace_entry
{
    QString host;
    QString date; // yyyy-MM-dd, as written
    QString time; // HH:mm:ss.zzz, as written
    quint32 sequence = 0;
    quint32 severity = 0;
    QString application;
    QString source_file;
    qint64 source_line = 0;
    QString module;
    QString message;
    QString details;
    QString dump;
    QString log_file;    // the trace file it was read from
    qint64 log_line = 0; // line of its <Entry> in that file

    // Local date and time of the entry; invalid when they cannot be read.
    QDateTime when() const;
};

struct Severity_band
{
    quint32 lowest; // lowest severity of the band
    const char* name;
    const char* label; // at most 5 characters, for aligned text lines
};

// Most severe first; the last band starts at 0.
inline constexpr Severity_band severity_bands[] = {
    {100, "fatal", "FATAL"}, {90, "critical", "CRIT"}, {70, "warning", "WARN"},
    {50, "info", "INFO"},    {30, "debug", "DEBUG"},   {0, "other", "OTHER"},
};

const Severity_band& severity_band(quint32 severity);

// The writer puts a text that holds <, >, & or a line feed in a CDATA section
// with those characters as "&lt;", "&gt;", "&amp;" and "<BR>"; everywhere,
// bytes from 0x7E up become "&#N;" references (kept literally inside CDATA)
// and other control bytes their control pictures. These undo it:
//
// The characters of a CDATA section with the writer's escapes replaced.
QString undo_cdata_escapes(QStringView text);
// Characters up to U+00FF stand for the bytes the program logged: as UTF-8
// when they form valid UTF-8, otherwise left as they are.
QString logged_bytes_as_text(const QString& characters);

} // namespace vq_qt

Q_DECLARE_METATYPE(vq_qt::Trace_entry)
