// Splitting an operator command line into words.
#pragma once

#include <QString>
#include <QStringList>

namespace vq_qt {

struct Command_words
{
    QStringList words;
    QString error; // empty when the line split cleanly
};

// Words are separated by white space. Double quotes group a word that holds
// spaces and may stand inside a word (a"b c"d is one word, ab cd); "" is an
// empty word. Inside quotes, \" and \\ stand for " and \; any other backslash
// is kept as it is.
Command_words split_command_line(const QString& line);

} // namespace vq_qt
