#include "trace_files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

namespace vq_qt {

namespace {

// Enough for the header and a first entry with a long message.
constexpr qint64 first_entry_window = 16384;

QStringList files_with_prefix(const QString& folder, const QString& prefix)
{
    const QRegularExpression pattern(
        QStringLiteral("^%1\\d{3}\\.xml$").arg(QRegularExpression::escape(prefix)));
    QStringList files;
    const QDir dir(folder);
    for (const QString& entry : dir.entryList(QDir::Files, QDir::Name)) {
        if (pattern.match(entry).hasMatch()) {
            files << dir.filePath(entry);
        }
    }
    return files;
}

} // namespace

QString default_trace_folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Velquin/Talvane/logs");
}

QStringList trace_files_of(const QString& argument, const QString& prefix, QString& error)
{
    const QFileInfo info(argument);
    if (info.isDir()) {
        return files_with_prefix(argument, prefix);
    }
    if (!info.exists()) {
        error = QStringLiteral("%1: no such file or folder").arg(argument);
        return {};
    }
    return {argument};
}

QStringList trace_set_of(const QString& file)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*)\\d{3}\\.xml$"));
    const QFileInfo info(file);
    const QRegularExpressionMatch match = numbered.match(info.fileName());
    if (!match.hasMatch()) {
        return {file};
    }
    QStringList files = files_with_prefix(info.path(), match.captured(1));
    const QString own = QDir(info.path()).filePath(info.fileName());
    if (!files.contains(own)) {
        files << own;
    }
    return files;
}

QString first_entry_key(const QString& file)
{
    static const QRegularExpression first(
        QStringLiteral("<Date>([^<]*)</Date>\\s*<Time>([^<]*)</Time>\\s*<Sequence>([^<]*)"
                       "</Sequence>[\\s\\S]*?</Entry>"));
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        return QString();
    }
    const QString head = QString::fromLatin1(f.read(first_entry_window));
    const QRegularExpressionMatch match = first.match(head);
    return match.hasMatch() ? QStringLiteral("%1 %2 %3")
                                  .arg(match.captured(1), match.captured(2), match.captured(3))
                            : QString();
}

QStringList order_by_age(const QStringList& files)
{
    struct Aged
    {
        QString key;
        QString file;
    };
    std::vector<Aged> aged;
    for (const QString& file : files) {
        QString key = first_entry_key(file);
        if (key.isEmpty()) {
            key =
                QFileInfo(file).lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        }
        aged.push_back({key, file});
    }
    std::stable_sort(aged.begin(), aged.end(), [](const Aged& a, const Aged& b) {
        return a.key != b.key ? a.key < b.key : a.file < b.file;
    });
    QStringList ordered;
    for (const Aged& a : aged) {
        ordered << a.file;
    }
    return ordered;
}

} // namespace vq_qt
