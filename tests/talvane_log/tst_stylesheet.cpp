// The stylesheet of the trace logs: the trace logger puts it beside each new
// log file when the folder has none (an edited copy stays), and xsltproc
// turns a real log into a table that holds every message, newest first, each
// row coloured by its severity.

#include "trace_log_fixture.h"
#include "trace_reader.h"
#include "trace_stylesheet.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString shipped = QStringLiteral(TALVANE_SOURCE_DIR "/data/TracingAndLogging.xsl");

// The text of an HTML fragment: <br> as a line feed, tags dropped,
// references resolved.
QString html_text(QString html)
{
    html.replace(QRegularExpression("<br\\s*/?>"), "\n");
    html.remove(QRegularExpression("<[^>]*>"));
    static const QRegularExpression reference("&(#\\d+|#x[0-9a-fA-F]+|lt|gt|amp|quot|apos);");
    QString out;
    int at = 0;
    auto it = reference.globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        out += html.mid(at, m.capturedStart() - at);
        const QString name = m.captured(1);
        static const QMap<QString, QChar> named{
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        if (named.contains(name)) {
            out += named.value(name);
        } else {
            const bool hex = name.startsWith("#x");
            out += QChar(name.mid(hex ? 2 : 1).toUInt(nullptr, hex ? 16 : 10));
        }
        at = m.capturedEnd();
    }
    return out + html.mid(at);
}

} // namespace

class Tst_stylesheet : public QObject
{
    Q_OBJECT

private slots:
    void compiled_in_text_is_the_shipped_file();
    void put_beside_each_new_log_file();
    void an_edited_copy_stays();
    void xsltproc_shows_every_message_newest_first();
};

void Tst_stylesheet::compiled_in_text_is_the_shipped_file()
{
    QCOMPARE(QByteArray(vq::trace_stylesheet_text, int(vq::trace_stylesheet_size)),
             read_file(shipped));
}

void Tst_stylesheet::put_beside_each_new_log_file()
{
    QTemporaryDir dir;
    const QString logs = dir.filePath("Velquin/Talvane/logs");
    Trace_writer writer(logs, 2, 10240);
    writer.log("first");
    const QString stylesheet = logs + "/TracingAndLogging.xsl";
    QCOMPARE(read_file(stylesheet), read_file(shipped));
    QCOMPARE(QFileInfo(stylesheet).permissions() & QFileDevice::ReadOther, QFileDevice::ReadOther);

    // Removed, it comes back with the next file the rotation creates, and
    // no temporary file is left behind.
    QVERIFY(QFile::remove(stylesheet));
    const std::uint32_t first_index = writer.trace_logger().file_index();
    while (writer.trace_logger().file_index() == first_index) {
        writer.log(QByteArray(500, 'x'));
    }
    writer.log("in the next file");
    QCOMPARE(read_file(stylesheet), read_file(shipped));
    QCOMPARE(QDir(logs).entryList(QDir::Files).filter("TracingAndLogging"),
             QStringList{"TracingAndLogging.xsl"});
}

void Tst_stylesheet::an_edited_copy_stays()
{
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("TracingAndLogging.xsl"), "edited"));
    Trace_writer writer(dir.path());
    writer.log("first");
    QCOMPARE(read_file(dir.filePath("TracingAndLogging.xsl")), QByteArray("edited"));
}

void Tst_stylesheet::xsltproc_shows_every_message_newest_first()
{
    const QString xsltproc = QStandardPaths::findExecutable("xsltproc");
    QVERIFY2(!xsltproc.isEmpty(), "xsltproc is missing: apt-get install xsltproc");

    // Texts of every kind the writer escapes. (Bytes above the tilde show
    // one character per byte in the table, as in the file.)
    const QVector<QPair<QByteArray, std::uint32_t>> logged{
        {"App Info: Velquin Talvane V1.1.6", 50},
        {"state: Connecting\t(CONNECTION_STATE_CONNECTING)", 30},
        {"#### ERROR #### set_waveform failed", 70},
        {"a <b> & c", 90},
        {"two\nlines", 100},
        {"~/radio_list.cfg", 30},
        {"bell\x07 and &lt; as typed", 0},
        {"", 30},
    };
    QTemporaryDir dir;
    Trace_writer writer(dir.path());
    for (const auto& [message, severity] : logged) {
        writer.log(message, severity, "state_change", "", "talvane.cpp", 7);
    }
    const QString log = QString::fromStdString(writer.trace_logger().current_file_name());
    QStringList messages;
    vq_qt::Trace_reader reader(read_file(log), log);
    while (const auto entry = reader.next()) {
        messages.prepend(entry->message);
    }
    QCOMPARE(messages.size(), logged.size());

    QProcess process;
    process.start(xsltproc, {dir.filePath("TracingAndLogging.xsl"), log});
    QVERIFY(process.waitForFinished(scaled_ms(30000)));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError());
    const QString html = QString::fromUtf8(process.readAllStandardOutput());

    QStringList shown;
    QStringList bands;
    static const QRegularExpression row("<tr class=\"(\\w+)\">.*?<td class=\"message\">(.*?)</td>",
                                        QRegularExpression::DotMatchesEverythingOption);
    auto it = row.globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        bands << m.captured(1);
        shown << html_text(m.captured(2));
    }
    QCOMPARE(shown, messages);
    QCOMPARE(bands, (QStringList{"debug", "other", "debug", "fatal", "critical", "warning", "debug",
                                 "info"}));
    QVERIFY(html.contains("8 entries from "));
    QVERIFY(html.contains("; 2 critical or fatal, 1 warnings."));
}

QTEST_GUILESS_MAIN(Tst_stylesheet)
#include "tst_stylesheet.moc"
