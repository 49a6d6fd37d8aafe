#include "widget_tree.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHash>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <algorithm>
#include <utility>

namespace vq_qt::widget_tree {

namespace {

QJsonValue checked_value(const QWidget* w)
{
    return static_cast<const QAbstractButton*>(w)->isChecked();
}

QJsonValue button_value(const QWidget* w)
{
    const auto* button = static_cast<const QAbstractButton*>(w);
    if (button->isCheckable()) {
        return button->isChecked();
    }
    return button_text(button);
}

QJsonValue combo_value(const QWidget* w)
{
    return static_cast<const QComboBox*>(w)->currentText();
}

QJsonValue spin_value(const QWidget* w)
{
    return static_cast<const QSpinBox*>(w)->value();
}

QJsonValue double_spin_value(const QWidget* w)
{
    return static_cast<const QDoubleSpinBox*>(w)->value();
}

// What the field shows, so a password field shows no password.
QJsonValue line_value(const QWidget* w)
{
    return static_cast<const QLineEdit*>(w)->displayText();
}

struct Control_type
{
    const QMetaObject* type;
    const char* kind;
    QJsonValue (*value)(const QWidget*);
};

// Most derived classes first: the first entry a widget inherits decides.
const Control_type control_types[] = {
    {&QRadioButton::staticMetaObject, "radio", checked_value},
    {&QCheckBox::staticMetaObject, "check", checked_value},
    {&QAbstractButton::staticMetaObject, "button", button_value},
    {&QComboBox::staticMetaObject, "combo", combo_value},
    {&QSpinBox::staticMetaObject, "spin", spin_value},
    {&QDoubleSpinBox::staticMetaObject, "spin", double_spin_value},
    {&QLineEdit::staticMetaObject, "line", line_value},
};

const Control_type* control_type(const QWidget* widget)
{
    for (QWidget* up = widget->parentWidget(); up && !up->isWindow(); up = up->parentWidget()) {
        if (qobject_cast<QComboBox*>(up) || qobject_cast<QAbstractSpinBox*>(up)) {
            return nullptr; // a part of a composite control
        }
    }
    for (const Control_type& t : control_types) {
        if (t.type->cast(const_cast<QWidget*>(widget))) {
            return &t;
        }
    }
    return nullptr;
}

struct Placed
{
    QWidget* widget;
    QRect area; // in root's coordinates
    int index;  // creation order breaks ties
};

bool above(const Placed& a, const Placed& b)
{
    const int ay = a.area.center().y();
    const int by = b.area.center().y();
    return ay != by ? ay < by : a.index < b.index;
}

bool left_of(const Placed& a, const Placed& b)
{
    return a.area.x() != b.area.x() ? a.area.x() < b.area.x() : a.index < b.index;
}

// Visible labels with their captions' controls, for naming controls.
QHash<const QWidget*, QString> captions(const QList<QWidget*>& widgets)
{
    QHash<const QWidget*, QString> result;
    for (QWidget* w : widgets) {
        const auto* label = qobject_cast<QLabel*>(w);
        if (label && label->buddy() && !result.contains(label->buddy())) {
            result.insert(label->buddy(), displayed_text(label));
        }
    }
    return result;
}

// Non-breaking spaces read as spaces.
QString plain_text(const QString& html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText().replace(QChar(0xa0), ' ');
}

// As it reads: a rich text tool tip (which wraps) as plain text.
QString tool_tip(const QWidget* w)
{
    const QString tip = w->toolTip();
    return Qt::mightBeRichText(tip) ? plain_text(tip) : tip;
}

} // namespace

QString strip_mnemonic(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == '&' && i + 1 < text.size()) {
            ++i;
        }
        result += text.at(i);
    }
    return result;
}

QString displayed_text(const QLabel* label)
{
    const QString text = label->text();
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    if (rich && label->buddy()) {
        // A caption's mnemonic marker is not read, in rich text either.
        return strip_mnemonic(QTextDocumentFragment::fromHtml(text).toPlainText());
    }
    if (rich) {
        return plain_text(text);
    }
    return label->buddy() ? strip_mnemonic(text) : text;
}

QString button_text(const QAbstractButton* button)
{
    return strip_mnemonic(button->text());
}

QString displayed_title(const QWidget* window)
{
    QString title = window->windowTitle();
    return title.replace(QStringLiteral("[*]"),
                         window->isWindowModified() ? QStringLiteral("*") : QString());
}

QList<QWidget*> visible_widgets(QWidget* root)
{
    QList<Placed> placed;
    const QWidget* own_window = root->window();
    const QList<QWidget*> children = root->findChildren<QWidget*>();
    for (QWidget* w : children) {
        if (w->window() == own_window && w->isVisibleTo(root)) {
            placed.append({w, QRect(w->mapTo(root, QPoint(0, 0)), w->size()), int(placed.size())});
        }
    }
    std::sort(placed.begin(), placed.end(), above);
    QList<QWidget*> result;
    result.reserve(placed.size());
    for (auto row = placed.begin(); row != placed.end();) {
        const int bottom = row->area.bottom();
        auto end = row + 1;
        while (end != placed.end() && end->area.center().y() <= bottom) {
            ++end;
        }
        std::sort(row, end, left_of);
        for (auto it = row; it != end; ++it) {
            result.append(it->widget);
        }
        row = end;
    }
    return result;
}

const char* control_kind(const QWidget* widget)
{
    const Control_type* t = control_type(widget);
    return t ? t->kind : nullptr;
}

QWidget* captioned_control(QWidget* root, const QString& caption)
{
    for (QWidget* w : visible_widgets(root)) {
        const auto* label = qobject_cast<QLabel*>(w);
        if (label && label->buddy() && label->buddy()->isVisibleTo(root) &&
            displayed_text(label) == caption) {
            return label->buddy();
        }
    }
    return nullptr;
}

QJsonObject describe(QWidget* root)
{
    const QList<QWidget*> widgets = visible_widgets(root);
    const QHash<const QWidget*, QString> caption_of = captions(widgets);
    QJsonArray labels;
    QJsonArray controls;
    for (QWidget* w : widgets) {
        if (const auto* label = qobject_cast<QLabel*>(w)) {
            const QString text = displayed_text(label);
            if (!text.isEmpty()) {
                labels.append(text);
            }
            continue;
        }
        const Control_type* t = control_type(w);
        if (!t) {
            continue;
        }
        QString name = caption_of.value(w);
        if (name.isEmpty()) {
            if (const auto* button = qobject_cast<QAbstractButton*>(w)) {
                name = button_text(button);
            }
        }
        if (name.isEmpty()) {
            name = w->objectName();
        }
        controls.append(QJsonObject{{"name", name},
                                    {"kind", t->kind},
                                    {"value", t->value(w)},
                                    {"enabled", w->isEnabled()},
                                    {"tooltip", tool_tip(w)}});
    }
    QJsonObject snapshot{
        {"title", displayed_title(root->window())}, {"labels", labels}, {"controls", controls}};
    // A history of the window offers its newest lines as a property, the
    // data path its counters.
    const QList<QWidget*> all = root->findChildren<QWidget*>();
    for (const auto& [property, key] :
         {std::pair{"operator_events", "events"}, std::pair{"operator_data", "data"}}) {
        for (const QWidget* w : all) {
            const QVariant value = w->property(property);
            if (value.isValid()) {
                snapshot.insert(key, QJsonValue::fromVariant(value));
                break;
            }
        }
    }
    return snapshot;
}

bool shows_text(QWidget* root, const QString& text)
{
    if (displayed_title(root->window()).contains(text)) {
        return true;
    }
    const QList<QLabel*> labels = root->findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [&](const QLabel* label) {
        return label->window() == root->window() && label->isVisibleTo(root) &&
               displayed_text(label).contains(text);
    });
}

} // namespace vq_qt::widget_tree
