#include "trace_entry.h"

#include <QTextCodec>
#include <iterator>

namespace vq_qt {

QDateTime Trace_entry::when() const
{
    return QDateTime(QDate::fromString(date, Qt::ISODate),
                     QTime::fromString(time, QStringLiteral("HH:mm:ss.zzz")), Qt::LocalTime);
}

const Severity_band& severity_band(quint32 severity)
{
    for (const Severity_band& band : severity_bands) {
        if (severity >= band.lowest) {
            return band;
        }
    }
    return severity_bands[std::size(severity_bands) - 1];
}

QString undo_cdata_escapes(QStringView text)
{
    static const struct
    {
        QStringView escape;
        QChar character;
    } named[] = {
        {u"<BR>", QChar('\n')},
        {u"&lt;", QChar('<')},
        {u"&gt;", QChar('>')},
        {u"&amp;", QChar('&')},
    };
    QString out;
    out.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c != '<' && c != '&') {
            out += c;
            ++i;
            continue;
        }
        bool replaced = false;
        for (const auto& n : named) {
            if (text.mid(i).startsWith(n.escape)) {
                out += n.character;
                i += n.escape.size();
                replaced = true;
                break;
            }
        }
        if (!replaced && text.mid(i).startsWith(u"&#")) {
            const int end = text.indexOf(QChar(';'), i + 2);
            bool ok = false;
            const uint code = end > i + 2 ? text.mid(i + 2, end - i - 2).toUInt(&ok) : 0;
            if (ok && code > 0 && code <= 0xFFFF) {
                out += QChar(static_cast<char16_t>(code));
                i = end + 1;
                replaced = true;
            }
        }
        if (!replaced) {
            out += c;
            ++i;
        }
    }
    return out;
}

QString logged_bytes_as_text(const QString& characters)
{
    bool plain = true;
    for (const QChar c : characters) {
        if (c.unicode() >= 0x7E) {
            plain = false;
            break;
        }
    }
    if (plain) {
        return characters;
    }
    QByteArray bytes;
    bytes.reserve(characters.size());
    for (int i = 0; i < characters.size();) {
        if (characters.at(i).unicode() <= 0xFF) {
            bytes += static_cast<char>(characters.at(i).unicode());
            ++i;
            continue;
        }
        int end = i;
        while (end < characters.size() && characters.at(end).unicode() > 0xFF) {
            ++end;
        }
        bytes += characters.mid(i, end - i).toUtf8();
        i = end;
    }
    QTextCodec::ConverterState state;
    const QString text =
        QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0 ? text : characters;
}

} // namespace vq_qt
