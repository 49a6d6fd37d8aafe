#include "widget_actions.h"

#include "widget_tree.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QValidator>
#include <cmath>
#include <optional>

namespace vq_qt::widget_actions {

namespace {

Outcome failed(const QString& reason)
{
    return {QStringLiteral("error: ") + reason, {}};
}

QString quoted(const QString& text)
{
    return '"' + text + '"';
}

// The Return key, as the keyboard sends it to the focused field: the field
// commits its text and emits editingFinished (and returnPressed).
void press_return(QWidget* field)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(field, &release);
}

// Finds the enabled control of type T captioned caption, or says why not.
template <typename T>
T* captioned(QWidget* root, const QString& caption, const char* what, QString& error)
{
    QWidget* control = widget_tree::captioned_control(root, caption);
    if (!control) {
        error = QStringLiteral("no visible control captioned ") + quoted(caption);
        return nullptr;
    }
    T* typed = qobject_cast<T*>(control);
    if (!typed) {
        error = quoted(caption) + " is not " + what;
    } else if (!typed->isEnabled()) {
        error = quoted(caption) + " is disabled";
        typed = nullptr;
    }
    return typed;
}

// Typed as a person would type it: a value the field's validator takes
// goes in, the field may change it on the way (the validator itself, a slot
// that upper-cases what is typed), and it is accepted when the field then
// still holds acceptable input, as Return needs. The answer names the text
// the field ended up holding.
Outcome type_into(QLineEdit* line, const QString& caption, const QString& value)
{
    const QString refused = quoted(caption) + " does not accept " + quoted(value);
    if (line->isReadOnly()) {
        return failed(quoted(caption) + " is read-only");
    }
    if (value.size() > line->maxLength()) {
        return failed(refused);
    }
    if (const QValidator* validator = line->validator()) {
        QString probe = value;
        int position = int(probe.size());
        if (validator->validate(probe, position) != QValidator::Acceptable) {
            return failed(refused);
        }
    }
    // Select all and type: the field's own checks (input mask, validator)
    // apply and textEdited fires as for a typed text.
    const QString before = line->text();
    line->selectAll();
    line->insert(value);
    if (!line->hasAcceptableInput()) {
        line->setText(before);
        return failed(refused);
    }
    QPointer<QLineEdit> field(line);
    const QString held = line->text();
    return {held.isEmpty() ? QStringLiteral("ok") : QStringLiteral("ok ") + held, [field] {
                if (field) {
                    press_return(field);
                }
            }};
}

std::optional<int> whole_number(const QString& text)
{
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    return ok ? std::optional<int>(n) : std::nullopt;
}

std::optional<double> real_number(const QString& text)
{
    bool ok = false;
    const double n = text.toDouble(&ok);
    return ok && std::isfinite(n) ? std::optional<double>(n) : std::nullopt;
}

// The text a spin box shows for a value it will hold.
QString shown(const QSpinBox*, int n)
{
    return QString::number(n);
}

QString shown(const QDoubleSpinBox* spin, double n)
{
    return QString::number(n, 'f', spin->decimals());
}

// A value within range is set as one change, then committed as Return
// would commit it; the answer names it as the field shows it. Typing it
// would fire valueChanged once a digit, and Return once more; here it fires
// once, and only for a new value.
template <typename Spin, typename Number>
Outcome enter_number(Spin* spin, const QString& caption, const QString& value,
                     std::optional<Number> (*parse)(const QString&))
{
    if (spin->isReadOnly()) {
        return failed(quoted(caption) + " is read-only");
    }
    const std::optional<Number> number = parse(value);
    if (!number) {
        return failed(quoted(caption) + " takes a number, not " + quoted(value));
    }
    if (*number < spin->minimum() || *number > spin->maximum()) {
        return failed(QStringLiteral("%1 is out of range for %2 (%3 to %4)")
                          .arg(value, quoted(caption))
                          .arg(spin->minimum())
                          .arg(spin->maximum()));
    }
    QPointer<Spin> field(spin);
    const Number n = *number;
    return {QStringLiteral("ok ") + shown(spin, n), [field, n] {
                if (field) {
                    field->setValue(n);
                    emit field->editingFinished();
                }
            }};
}

} // namespace

Outcome click(QWidget* root, const QString& text)
{
    for (QWidget* w : widget_tree::visible_widgets(root)) {
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (!button || !widget_tree::control_kind(button) ||
            widget_tree::button_text(button) != text) {
            continue;
        }
        if (!button->isEnabled()) {
            return failed(QStringLiteral("button ") + quoted(text) + " is disabled");
        }
        QPointer<QAbstractButton> pressed(button);
        return {QStringLiteral("ok"), [pressed] {
                    if (pressed) {
                        pressed->click();
                    }
                }};
    }
    return failed(QStringLiteral("no visible button ") + quoted(text));
}

Outcome choose(QWidget* root, const QString& caption, const QString& entry)
{
    QString error;
    QComboBox* combo = captioned<QComboBox>(root, caption, "a selector", error);
    if (!combo) {
        return failed(error);
    }
    const int index = combo->findText(entry, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        return failed(quoted(caption) + " has no entry " + quoted(entry));
    }
    const QModelIndex item =
        combo->model()->index(index, combo->modelColumn(), combo->rootModelIndex());
    if (!(combo->model()->flags(item) & Qt::ItemIsEnabled)) {
        return failed(QStringLiteral("entry ") + quoted(entry) + " of " + quoted(caption) +
                      " is disabled");
    }
    // A mouse choice sets the index (currentIndexChanged when it differs),
    // then reports the activation.
    QPointer<QComboBox> selector(combo);
    return {QStringLiteral("ok"), [selector, index] {
                if (selector) {
                    selector->setCurrentIndex(index);
                    emit selector->activated(index);
                    emit selector->textActivated(selector->itemText(index));
                }
            }};
}

Outcome set(QWidget* root, const QString& caption, const QString& value)
{
    QString error;
    QWidget* control = captioned<QWidget>(root, caption, "a field", error);
    if (!control) {
        return failed(error);
    }
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
        return type_into(line, caption, value);
    }
    if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        return enter_number<QSpinBox, int>(spin, caption, value, whole_number);
    }
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(control)) {
        return enter_number<QDoubleSpinBox, double>(spin, caption, value, real_number);
    }
    return failed(quoted(caption) + " is not a line edit or spin box");
}

} // namespace vq_qt::widget_actions
