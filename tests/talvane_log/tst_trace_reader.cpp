// Reading trace files written by the console's trace logger: every text comes
// back as it was logged, and damage is reported with its file and line
// without losing the entries around it.

#include "log_output.h"
#include "trace_log_fixture.h"
#include "trace_reader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using vq_qt::Trace_entry;
using vq_qt::Trace_reader;

namespace {

std::vector<Trace_entry> read_all(Trace_reader& reader)
{
    std::vector<Trace_entry> entries;
    while (auto entry = reader.next()) {
        entries.push_back(*entry);
    }
    return entries;
}

// The line (1-based) on which `needle` first stands in `data`.
qint64 line_of(const QByteArray& data, const QByteArray& needle, int from = 0)
{
    return data.left(data.indexOf(needle, from)).count('\n') + 1;
}

} // namespace

class Tst_trace_reader : public QObject
{
    Q_OBJECT

private slots:
    void texts_come_back_as_logged_data();
    void texts_come_back_as_logged();
    void fields_of_an_entry();
    void damage_is_reported_with_its_line_data();
    void damage_is_reported_with_its_line();
    void a_file_being_created_holds_nothing();
};

void Tst_trace_reader::texts_come_back_as_logged_data()
{
    QTest::addColumn<QByteArray>("logged");
    QTest::addColumn<QString>("read");
    QTest::newRow("plain") << QByteArray("Connected to KX5") << QString("Connected to KX5");
    QTest::newRow("markup") << QByteArray("a <b> & c") << QString("a <b> & c");
    QTest::newRow("escape look-alike")
        << QByteArray("&lt; <BR> &#65;") << QString("&lt; <BR> &#65;");
    QTest::newRow("line feeds") << QByteArray("one\ntwo\n") << QString("one\ntwo\n");
    QTest::newRow("tilde") << QByteArray("~/logs") << QString("~/logs");
    QTest::newRow("utf-8") << QByteArray("Sélection 📡") << QString::fromUtf8("Sélection 📡");
    QTest::newRow("utf-8 with markup") << QByteArray("ré <x>\n~") << QString::fromUtf8("ré <x>\n~");
    QTest::newRow("latin-1 byte") << QByteArray("caf\xE9") << QString::fromLatin1("caf\xE9");
    QTest::newRow("control byte") << QByteArray("a\x01z") << QString("a") + QChar(0x2401) + "z";
    QTest::newRow("tab and return") << QByteArray("k:\tv\r") << QString("k:\tv\r");
    QTest::newRow("empty") << QByteArray("") << QString("<empty>");
}

void Tst_trace_reader::texts_come_back_as_logged()
{
    QFETCH(QByteArray, logged);
    QFETCH(QString, read);
    QTemporaryDir dir;
    Trace_writer writer(dir.path());
    writer.log(logged, 30, logged.constData(), logged.constData());
    const QString file = QString::fromStdString(writer.trace_logger().current_file_name());
    Trace_reader reader(read_file(file), file);
    const auto entries = read_all(reader);
    QVERIFY2(reader.problems().isEmpty(), qPrintable(reader.problems().join('\n')));
    QCOMPARE(entries.size(), std::size_t(1));
    QCOMPARE(entries[0].message, read);
    QCOMPARE(entries[0].module, read);
    QCOMPARE(entries[0].details, read);
    // The JSON line holds the text itself: an empty one is "", not the log's mark.
    const QJsonObject json = QJsonDocument::fromJson(vq_qt::format_json(entries[0])).object();
    QCOMPARE(json.value("details").toString(), logged.isEmpty() ? QString() : read);
}

void Tst_trace_reader::fields_of_an_entry()
{
    QTemporaryDir dir;
    Trace_writer writer(dir.path());
    writer.log("first", 50, "info");
    writer.log("second", 70, "state_change", "why", "C:\\src\\talvane_init.cpp", 1234);
    const QString file = QString::fromStdString(writer.trace_logger().current_file_name());
    const QByteArray data = read_file(file);
    Trace_reader reader(data, file);
    const auto entries = read_all(reader);
    QCOMPARE(entries.size(), std::size_t(2));
    const Trace_entry& e = entries[1];
    QCOMPARE(e.severity, 70u);
    QCOMPARE(e.sequence, entries[0].sequence + 1);
    QCOMPARE(e.application, QString("Talvane"));
    QCOMPARE(e.module, QString("state_change"));
    QCOMPARE(e.message, QString("second"));
    QCOMPARE(e.details, QString("why"));
    QCOMPARE(e.dump, QString("<empty>"));
    QCOMPARE(e.source_file, QString("talvane_init.cpp"));
    QCOMPARE(e.source_line, 1234);
    QCOMPARE(e.host, QString::fromStdString(writer.trace_logger().host_name()));
    QVERIFY(e.when().isValid());
    QVERIFY(qAbs(e.when().secsTo(QDateTime::currentDateTime())) < 60);
    QCOMPARE(e.log_file, file);
    QCOMPARE(e.log_line, line_of(data, "<Entry>", data.indexOf("second") - 400));
}

// Each row damages a file of five entries ("entry 1" to "entry 5") and
// names what must still be read, where the damage is reported (at the start
// of the damaged entry, at the end of the file, or on line 2) and part of the
// report.
void Tst_trace_reader::damage_is_reported_with_its_line_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QStringList>("read");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("reported");
    const QStringList all{"entry 1", "entry 2", "entry 3", "entry 4", "entry 5"};
    const QStringList around{"entry 1", "entry 2", "entry 4", "entry 5"};
    const QString after_second = "; the last complete entry before it is at line ";
    QTest::newRow("cut inside an entry")
        << "cut" << QStringList{"entry 1", "entry 2"} << "entry 3"
        << "the file ends inside the entry that starts here" + after_second;
    QTest::newRow("closing tag missing") << "no closing tag" << all << "end"
                                         << "the file ends before </TraceLog>" + after_second;
    QTest::newRow("broken tag in an entry") << "broken tag" << around << "entry 3"
                                            << "damaged entry (Opening and ending tag mismatch";
    QTest::newRow("cut by a crash, then written on") << "cut and appended" << around << "entry 3"
                                                     << "damaged entry (";
    QTest::newRow("garbage between entries") << "garbage" << all << "garbage"
                                             << "damaged trace log (";
    QTest::newRow("not a trace log")
        << "other document" << QStringList{} << "line 2"
        << "not a trace log: its root element is <html>; no complete entry before it";
}

void Tst_trace_reader::damage_is_reported_with_its_line()
{
    QFETCH(QString, damage);
    QFETCH(QStringList, read);
    QFETCH(QString, where);
    QFETCH(QString, reported);
    QTemporaryDir dir;
    Trace_writer writer(dir.path());
    for (int n = 1; n <= 5; ++n) {
        writer.log("entry " + QByteArray::number(n));
    }
    const QString file = QString::fromStdString(writer.trace_logger().current_file_name());
    QByteArray data = read_file(file);
    const int third = data.indexOf("entry 3");
    const qint64 third_entry_line = line_of(data, "<Entry>", data.lastIndexOf("<Entry>", third));
    if (damage == "cut") {
        data.truncate(third + 3);
    } else if (damage == "no closing tag") {
        data.chop(int(qstrlen(vq::Trace_logger::closing_tag)));
    } else if (damage == "broken tag") {
        data.replace(data.indexOf("</Message>", third), 10, "</Mesage>");
    } else if (damage == "cut and appended") {
        // The writer appends to a file that does not end with its closing
        // tag: the cut entry is followed by the next one on the same line.
        const QByteArray tail = data.mid(data.indexOf("\t<Entry>", third));
        data.truncate(third + 3);
        data += tail;
    } else if (damage == "garbage") {
        data.insert(data.indexOf("\t<Entry>", third), "\t<Note></Wrong>\r\n");
    } else {
        data = "<?xml version=\"1.0\" ?>\r\n<html>\r\n<Entry/>\r\n</html>\r\n";
    }
    const qint64 line = where == "entry 3"   ? third_entry_line
                        : where == "end"     ? data.count('\n') + 1
                        : where == "garbage" ? line_of(data, "</Wrong>")
                                             : 2;

    Trace_reader reader(data, file);
    QStringList messages;
    for (const Trace_entry& e : read_all(reader)) {
        messages << e.message;
    }
    QCOMPARE(messages.join(", "), read.join(", "));
    QCOMPARE(reader.problems().size(), 1);
    const QString problem = reader.problems().first();
    QVERIFY2(problem.startsWith(QString("%1:%2: ").arg(file).arg(line)), qPrintable(problem));
    QVERIFY2(problem.contains(reported), qPrintable(problem));
    if (damage == "cut") {
        QVERIFY2(problem.endsWith("sequence 00000002)"), qPrintable(problem));
    }
    QCOMPARE(reader.cut_short(), damage == "cut" || damage == "no closing tag");
}

void Tst_trace_reader::a_file_being_created_holds_nothing()
{
    for (const QByteArray& data : {QByteArray(), QByteArray("\r\n")}) {
        Trace_reader reader(data, "new.xml");
        QVERIFY(!reader.next());
        QVERIFY(reader.problems().isEmpty());
        QVERIFY(!reader.cut_short());
    }
}

QTEST_GUILESS_MAIN(Tst_trace_reader)
#include "tst_trace_reader.moc"
