// The operator's actions on a window's controls, done through the same
// calls and signals as a mouse or keyboard would use.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vq_qt::widget_actions {

// An action is answered before it acts, so that a slot that runs long (or
// opens a dialog) cannot hold the answer back.
struct Outcome
{
    QString answer;            // "ok" or "error: ..."
    std::function<void()> act; // what remains to be done once answered, if anything
};

// Presses the first visible button in reading order whose text is text.
Outcome click(QWidget* root, const QString& text);
// Picks the entry of the selector captioned caption, as a mouse choice would.
Outcome choose(QWidget* root, const QString& caption, const QString& entry);
// Types value into the line edit or spin box captioned caption and presses
// Return; answers "ok" and the text the field then holds. A value the field
// would not accept leaves it unchanged.
Outcome set(QWidget* root, const QString& caption, const QString& value);

} // namespace vq_qt::widget_actions
