// What an operator sees of a window: its visible labels and controls in
// reading order, the captions that name the controls, and a snapshot of it
// all as JSON.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

class QAbstractButton;
class QLabel;
class QWidget;

namespace vq_qt::widget_tree {

// "&Model" reads "Model", "R&&D" reads "R&D".
QString strip_mnemonic(const QString& text);
// The text a label shows: rich text reduced to plain text, the mnemonic
// marker removed where the label has a buddy.
QString displayed_text(const QLabel* label);
// The text a button shows, without its mnemonic marker.
QString button_text(const QAbstractButton* button);
// The window title as shown, with its "[*]" placeholder resolved.
QString displayed_title(const QWidget* window);

// The widgets below root that are visible (or would be once root is shown)
// and belong to root's own window, in reading order: rows from top to bottom,
// each row from left to right. Widgets whose centres lie within the height of
// a row's first widget share that row.
QList<QWidget*> visible_widgets(QWidget* root);

// "button", "radio", "check", "combo", "line" or "spin"; nullptr when the
// widget is not a control an operator works (or is a part of one, such as
// the line edit inside a spin box).
const char* control_kind(const QWidget* widget);

// The visible control named by a visible label whose text is caption, the
// first such in reading order; nullptr when there is none.
QWidget* captioned_control(QWidget* root, const QString& caption);

// {"title":..., "labels":[...], "controls":[{"name","kind","value","enabled","tooltip"}]}
QJsonObject describe(QWidget* root);

// Whether the title or a visible label contains text.
bool shows_text(QWidget* root, const QString& text);

} // namespace vq_qt::widget_tree
