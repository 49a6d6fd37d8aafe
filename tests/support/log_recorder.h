#pragma once

// Every log line written while a recorder lives, with its type and category.
// Recorders nest: the newest one receives the lines, and the previous message
// handler comes back when it ends.

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

class Log_recorder
{
public:
    struct Entry
    {
        QtMsgType type;
        QString category;
        QString message;
    };

    Log_recorder()
    {
        outer = instance();
        instance() = this;
        previous = qInstallMessageHandler(&Log_recorder::handle);
    }
    ~Log_recorder()
    {
        qInstallMessageHandler(previous);
        instance() = outer;
    }
    Log_recorder(const Log_recorder&) = delete;
    Log_recorder& operator=(const Log_recorder&) = delete;

    QList<Entry> entries;
    // Called for every line as it is written (to interleave log lines with
    // other events in one journal).
    std::function<void(const Entry&)> on_entry;

    // "category|message" for every line.
    QStringList lines() const
    {
        QStringList all;
        for (const Entry& entry : entries) {
            all << entry.category + "|" + entry.message;
        }
        return all;
    }
    // "W|category|message" (D for debug, W for warning, O for the rest).
    QStringList lines_with_levels() const
    {
        QStringList all;
        for (const Entry& entry : entries) {
            const char* level =
                entry.type == QtWarningMsg ? "W" : (entry.type == QtDebugMsg ? "D" : "O");
            all << QString("%1|%2|%3").arg(level, entry.category, entry.message);
        }
        return all;
    }
    // "category|message", with "W " before warnings and "C " before
    // critical lines.
    QStringList marked_lines() const
    {
        QStringList all;
        for (const Entry& entry : entries) {
            const char* mark =
                entry.type == QtWarningMsg ? "W " : (entry.type == QtCriticalMsg ? "C " : "");
            all << QString(mark) + entry.category + "|" + entry.message;
        }
        return all;
    }
    // The messages of one category.
    QStringList in(const QString& category) const
    {
        QStringList found;
        for (const Entry& entry : entries) {
            if (entry.category == category) {
                found << entry.message;
            }
        }
        return found;
    }
    void clear() { entries.clear(); }

private:
    static Log_recorder*& instance()
    {
        static Log_recorder* current = nullptr;
        return current;
    }
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (Log_recorder* recorder = instance()) {
            const Entry entry{type, QString::fromLatin1(context.category ? context.category : ""),
                              message};
            recorder->entries.append(entry);
            if (recorder->on_entry) {
                recorder->on_entry(entry);
            }
        }
    }

    QtMessageHandler previous = nullptr;
    Log_recorder* outer = nullptr;
};
