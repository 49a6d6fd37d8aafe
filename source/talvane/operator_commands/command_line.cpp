#include "command_line.h"

namespace vq_qt {

Command_words split_command_line(const QString& line)
{
    Command_words result;
    QString word;
    bool in_word = false; // a word is open, even an empty quoted one
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < line.size() &&
                       (line.at(i + 1) == '"' || line.at(i + 1) == '\\')) {
                word += line.at(++i);
            } else {
                word += c;
            }
        } else if (c == '"') {
            quoted = true;
            in_word = true;
        } else if (c.isSpace()) {
            if (in_word) {
                result.words << word;
                word.clear();
                in_word = false;
            }
        } else {
            word += c;
            in_word = true;
        }
    }
    if (quoted) {
        result.error = QStringLiteral("unterminated quote");
        result.words.clear();
    } else if (in_word) {
        result.words << word;
    }
    return result;
}

} // namespace vq_qt
