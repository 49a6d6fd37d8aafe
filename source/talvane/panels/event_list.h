#pragma once

// The operator's history: a timestamped list of what happened to the link,
// the modem, the radio, the ALE engine and the data port, in plain words.
// Event_list keeps the latest lines (bounded); Event_list_view shows them
// with a kind filter and copies the shown lines to the clipboard. The
// window feeds the list from the signals of its components.

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QWidget>
#include <deque>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace vq_qt {

enum class Event_kind
{
    connection,
    modem,
    radio,
    ale,
    data,
    settings,
    error,
};

// The kind's word in the list and its filter ("Connection", "ALE", ...).
QString event_kind_name(Event_kind kind);

struct Event_entry
{
    QDateTime time;
    Event_kind kind;
    QString text; // plain text
};

class Event_list : public QObject
{
    Q_OBJECT

public:
    static constexpr int default_capacity = 5000;

    explicit Event_list(int capacity = default_capacity, QObject* parent = nullptr);

    // Adds a line stamped with the current time; rich text is reduced to its
    // words, empty lines are dropped. The oldest line goes when the list is
    // full.
    void add(Event_kind kind, const QString& text);

    const std::deque<Event_entry>& entries() const { return lines; }
    int capacity() const { return max_lines; }
    // The newest `count` lines, oldest first, as {"time", "kind", "text"} maps
    // (time in ISO 8601 with milliseconds and the offset from UTC).
    QVariantList last(int count) const;

    // One line as {"time", "kind", "text"} (time as in last()).
    static QVariantMap fields(const Event_entry& entry);

    // "10:31:07  Connection  Connected to KX5".
    static QString line_text(const Event_entry& entry);

public slots:
    // Connected to a negative acknowledgement signal of the modem interface:
    // "The modem refused: audio tx output level set" for
    // audio_tx_output_level_set_nack().
    void add_modem_refusal();

signals:
    void added(const Event_entry& entry);

private:
    std::deque<Event_entry> lines;
    int max_lines;
};

class Event_list_view : public QWidget
{
    Q_OBJECT
    // The newest lines for the operator commands' snapshot.
    Q_PROPERTY(QVariantList operator_events READ operator_events)

public:
    static constexpr int snapshot_lines = 50;

    explicit Event_list_view(Event_list* list, QWidget* parent = nullptr);

    QVariantList operator_events() const { return list->last(snapshot_lines); }
    // The lines the filter lets through, one a line.
    QString shown_text() const;

    QComboBox* kind_filter = nullptr; // "All" and one entry per kind
    QPushButton* copy_button = nullptr;
    QPlainTextEdit* lines_view = nullptr;

private:
    bool passes(const Event_entry& entry) const;
    void show_all();
    void append(const Event_entry& entry);

    Event_list* list;
};

} // namespace vq_qt
