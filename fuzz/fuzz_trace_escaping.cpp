// Arbitrary texts through the trace logger: every entry must be well-formed
// XML, and an XML reader must give back the text that was logged.
//
// What a reader sees is undone as the trace viewer does: inside a CDATA
// section the markup stands as written ("<BR>" for a line feed, "&lt;",
// "&gt;", "&amp;", "&#N;"); outside one the reader has already resolved the
// references. Characters U+2400 to U+241F stand for the control bytes 0x00
// to 0x1F, every other character up to U+00FF for the byte of that value.
// An empty text is written as "<empty>"; an absent one as its placeholder.
//
// Input: byte 0 = flags (bit 0: through the console's Qt message handler
// instead of the logger itself; bits 1-2: the Qt message type), bytes 1-2 =
// the source line; then the texts separated by 0x00 bytes: source file,
// message, module (the logging category), details, dump. Texts missing at
// the end are absent.

#include "app_logging.h"
#include "console_fuzz_support.h"
#include "trace_logger.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

vq::Trace_logger* logger = nullptr;

[[noreturn]] void fail(const char* what, const QByteArray& expected, const QByteArray& found)
{
    std::fprintf(stderr, "fuzz_trace_escaping: %s\n  logged: \"%s\"\n  read:   \"%s\"\n", what,
                 expected.toHex(' ').constData(), found.toHex(' ').constData());
    std::abort();
}

// The markup of a CDATA section turned back into the characters it stands for.
QString undo_markup(const QString& text)
{
    static const std::pair<QLatin1String, QChar> markup[] = {
        {QLatin1String("<BR>"), QLatin1Char('\n')},
        {QLatin1String("&lt;"), QLatin1Char('<')},
        {QLatin1String("&gt;"), QLatin1Char('>')},
        {QLatin1String("&amp;"), QLatin1Char('&')},
    };
    QString out;
    for (int i = 0; i < text.size();) {
        const QStringRef rest = text.midRef(i);
        const auto* found = std::find_if(std::begin(markup), std::end(markup),
                                         [&](const auto& m) { return rest.startsWith(m.first); });
        if (found != std::end(markup)) {
            out += found->second;
            i += found->first.size();
        } else if (rest.startsWith(QLatin1String("&#"))) {
            const int end = text.indexOf(QLatin1Char(';'), i);
            bool ok = false;
            const uint code = end > i ? text.mid(i + 2, end - i - 2).toUInt(&ok) : 0;
            if (!ok) {
                return QStringLiteral("\xFFFD unreadable reference");
            }
            out += QChar(code);
            i = end + 1;
        } else {
            out += text.at(i);
            ++i;
        }
    }
    return out;
}

// The bytes a read text stands for; a character no byte maps to gives the
// replacement mark, which matches no logged text.
QByteArray bytes_of(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u >= 0x2400 && u < 0x2420) {
            out.append(static_cast<char>(u - 0x2400));
        } else if (u <= 0xFF) {
            out.append(static_cast<char>(u));
        } else {
            out.append("\xEF\xBF\xBD");
        }
    }
    return out;
}

struct Entry_texts
{
    QByteArray file, module, message, details, dump;
    bool found = false;
};

Entry_texts read_entry(const QByteArray& document)
{
    Entry_texts entry;
    QXmlStreamReader xml(document);
    QString text;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            text.clear();
            if (xml.name() == QLatin1String("Entry")) {
                entry.found = true;
            }
        } else if (xml.isCharacters()) {
            text += xml.isCDATA() ? undo_markup(xml.text().toString()) : xml.text().toString();
        } else if (xml.isEndElement()) {
            const QStringRef name = xml.name();
            QByteArray* field = name == QLatin1String("File")      ? &entry.file
                                : name == QLatin1String("Module")  ? &entry.module
                                : name == QLatin1String("Message") ? &entry.message
                                : name == QLatin1String("Details") ? &entry.details
                                : name == QLatin1String("Dump")    ? &entry.dump
                                                                   : nullptr;
            if (field != nullptr) {
                *field = bytes_of(text);
            }
            text.clear();
        }
    }
    if (xml.hasError()) {
        fail(qPrintable("not well-formed: " + xml.errorString()), QByteArray(), document);
    }
    return entry;
}

// What the reader must give for a logged text.
QByteArray expected(const char* text, const char* absent)
{
    if (text == nullptr) {
        return absent;
    }
    return *text == '\0' ? QByteArray("<empty>") : QByteArray(text);
}

QByteArray expected_file(const char* path)
{
    std::string name = path == nullptr ? "" : path;
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    // A plain file name stands as it is; an empty one is an empty element.
    return QByteArray::fromStdString(name);
}

void compare(const char* what, const QByteArray& logged, const QByteArray& read)
{
    if (logged != read) {
        fail(what, logged, read);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    console_fuzz::set_up("fuzz_trace_escaping", false);
    logger = create_talvane_trace_logger(QString::fromStdString(console_fuzz::home() / "logs"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3) {
        return 0;
    }
    const bool through_handler = (data[0] & 1) != 0;
    static const QtMsgType types[] = {QtDebugMsg, QtWarningMsg, QtCriticalMsg, QtInfoMsg};
    const QtMsgType type = types[(data[0] >> 1) & 3];
    const int line = (data[1] << 8) | data[2];

    std::vector<std::string> texts;
    const char* bytes = reinterpret_cast<const char*>(data + 3);
    const std::size_t count = size - 3;
    for (std::size_t start = 0; start <= count && texts.size() < 5;) {
        std::size_t end = start;
        while (end < count && bytes[end] != '\0') {
            ++end;
        }
        texts.emplace_back(bytes + start, end - start);
        start = end + 1;
    }
    auto text = [&](std::size_t i) { return i < texts.size() ? texts[i].c_str() : nullptr; };

    const std::string path = logger->current_file_name();
    ::unlink(path.c_str());
    QByteArray message;
    if (through_handler) {
        // The handler turns the message into local 8-bit text and puts the
        // category in the module; details and dump stay empty.
        const QString qt_message = QString::fromUtf8(text(1) ? text(1) : "");
        message = qt_message.toLocal8Bit();
        const QMessageLogContext context(text(0), line, "function", text(2));
        talvane_message_handler(type, context, qt_message);
    } else {
        logger->log(text(0), line, text(1), text(2), 30, text(3), text(4));
        message = text(1) ? QByteArray(text(1)) : QByteArray();
    }

    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        // Every level lies in the console's file window.
        fail("no trace file", QByteArray(), QByteArray());
    }
    const QByteArray document = file.readAll();
    const Entry_texts entry = read_entry(document);
    if (!entry.found) {
        fail("no entry", QByteArray(), document);
    }
    compare("file", expected_file(text(0)), entry.file);
    if (through_handler) {
        compare("message", message.isEmpty() ? QByteArray("<empty>") : message, entry.message);
        compare("module", expected(text(2) ? text(2) : "", "unknown"), entry.module);
    } else {
        compare("message", expected(text(1), "NULL"), entry.message);
        compare("module", expected(text(2), "unknown"), entry.module);
        compare("details", expected(text(3), "-"), entry.details);
        compare("dump", expected(text(4), "-"), entry.dump);
    }
    return 0;
}
