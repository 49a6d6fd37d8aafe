// The operator's history: the bounded list of timestamped lines and the view
// with its kind filter and Copy button.

#include "event_list.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <algorithm>

namespace vq_qt {

namespace {

constexpr Event_kind all_kinds[] = {
    Event_kind::connection, Event_kind::modem,    Event_kind::radio, Event_kind::ale,
    Event_kind::data,       Event_kind::settings, Event_kind::error,
};

constexpr int no_filter = -1;

} // namespace

QString event_kind_name(Event_kind kind)
{
    switch (kind) {
    case Event_kind::connection:
        return "Connection";
    case Event_kind::modem:
        return "Modem";
    case Event_kind::radio:
        return "Radio";
    case Event_kind::ale:
        return "ALE";
    case Event_kind::data:
        return "Data";
    case Event_kind::settings:
        return "Settings";
    case Event_kind::error:
        return "Error";
    }
    return {};
}

Event_list::Event_list(int capacity, QObject* parent)
    : QObject(parent), max_lines(std::max(1, capacity))
{}

void Event_list::add(Event_kind kind, const QString& text)
{
    const QString plain = QTextDocumentFragment::fromHtml(text).toPlainText().simplified();
    if (plain.isEmpty()) {
        return;
    }
    lines.push_back({QDateTime::currentDateTime(), kind, plain});
    while (int(lines.size()) > max_lines) {
        lines.pop_front();
    }
    emit added(lines.back());
}

void Event_list::add_modem_refusal()
{
    const int index = senderSignalIndex();
    if (!sender() || index < 0) {
        return;
    }
    QString what = QString::fromLatin1(sender()->metaObject()->method(index).name());
    what.remove(QRegularExpression("_nack$"));
    add(Event_kind::error, "The modem refused: " + what.replace('_', ' '));
}

QVariantList Event_list::last(int count) const
{
    QVariantList result;
    const int skip = std::max(0, int(lines.size()) - std::max(0, count));
    for (auto it = lines.begin() + skip; it != lines.end(); ++it) {
        result.append(fields(*it));
    }
    return result;
}

QVariantMap Event_list::fields(const Event_entry& entry)
{
    const QDateTime stamped = entry.time.toOffsetFromUtc(entry.time.offsetFromUtc());
    return QVariantMap{{"time", stamped.toString(Qt::ISODateWithMs)},
                       {"kind", event_kind_name(entry.kind)},
                       {"text", entry.text}};
}

QString Event_list::line_text(const Event_entry& entry)
{
    return entry.time.toString("HH:mm:ss") + "  " + event_kind_name(entry.kind).leftJustified(10) +
           "  " + entry.text;
}

Event_list_view::Event_list_view(Event_list* list, QWidget* parent) : QWidget(parent), list(list)
{
    kind_filter = new QComboBox(this);
    kind_filter->addItem("All", no_filter);
    for (Event_kind kind : all_kinds) {
        kind_filter->addItem(event_kind_name(kind), int(kind));
    }
    copy_button = new QPushButton("Copy", this);
    lines_view = new QPlainTextEdit(this);
    lines_view->setReadOnly(true);
    lines_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines_view->setMaximumBlockCount(list->capacity());
    lines_view->setFont(QFont("Monospace"));
    lines_view->setMinimumHeight(80);

    auto* caption = new QLabel("&Events:", this);
    caption->setBuddy(kind_filter);
    auto* bar = new QHBoxLayout;
    bar->addWidget(caption);
    bar->addWidget(kind_filter);
    bar->addStretch(1);
    bar->addWidget(copy_button);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(bar);
    column->addWidget(lines_view, 1);

    connect(list, &Event_list::added, this, &Event_list_view::append);
    connect(kind_filter, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Event_list_view::show_all);
    connect(copy_button, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(shown_text()); });
    show_all();
}

bool Event_list_view::passes(const Event_entry& entry) const
{
    const int wanted = kind_filter->currentData().toInt();
    return wanted == no_filter || wanted == int(entry.kind);
}

QString Event_list_view::shown_text() const
{
    QStringList shown;
    for (const Event_entry& entry : list->entries()) {
        if (passes(entry)) {
            shown.append(Event_list::line_text(entry));
        }
    }
    return shown.join('\n');
}

void Event_list_view::show_all()
{
    lines_view->setPlainText(shown_text());
    lines_view->moveCursor(QTextCursor::End);
    lines_view->horizontalScrollBar()->setValue(0);
}

void Event_list_view::append(const Event_entry& entry)
{
    if (passes(entry)) {
        // Following the newest line must not scroll to the end of a long
        // one: the times and the start of every line stay in view.
        lines_view->appendPlainText(Event_list::line_text(entry));
        lines_view->horizontalScrollBar()->setValue(0);
    }
}

} // namespace vq_qt
