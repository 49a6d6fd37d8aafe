// talvane-log on real trace files: rotated files oldest first, exact filters,
// the text and JSON lines, damaged files, and following a file that another
// process appends to and rotates.

#include "log_output.h"
#include "trace_follower.h"
#include "trace_log_fixture.h"
#include "trace_reader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The messages of the JSON lines a run printed.
QStringList messages_of(const QByteArray& json_lines)
{
    QStringList messages;
    for (const QByteArray& line : json_lines.split('\n')) {
        if (!line.isEmpty()) {
            messages << QJsonDocument::fromJson(line).object().value("message").toString();
        }
    }
    return messages;
}

QByteArray numbered(int n)
{
    return "entry " + QByteArray::number(n).rightJustified(3, '0');
}

QStringList numbered_run(int from, int to)
{
    QStringList out;
    for (int n = from; n <= to; ++n) {
        out << QString::fromLatin1(numbered(n));
    }
    return out;
}

} // namespace

class Tst_log_program : public QObject
{
    Q_OBJECT

private slots:
    void rotated_files_are_read_oldest_first();
    void filters_are_exact_data();
    void filters_are_exact();
    void text_lines_are_aligned();
    void a_damaged_file_is_reported_and_the_rest_printed();
    void follower_reads_only_complete_entries();
    void follows_another_process_across_rotation();
};

void Tst_log_program::rotated_files_are_read_oldest_first()
{
    QTemporaryDir dir;
    Trace_writer writer(dir.path(), 5, 10240);
    const int count = 150; // about six files: the oldest names are reused
    for (int n = 0; n < count; ++n) {
        writer.log(numbered(n));
    }
    int kept = 0;
    for (const QString& file : QDir(dir.path()).entryList({"log_talvane-*.xml"})) {
        vq_qt::Trace_reader reader(read_file(dir.filePath(file)), file);
        while (reader.next()) {
            ++kept;
        }
    }
    QVERIFY(kept < count);
    const Program_result r = run_talvane_log({"--json", dir.path()});
    QCOMPARE(r.exit_code, 0);
    QCOMPARE(messages_of(r.out), numbered_run(count - kept, count - 1));
}

void Tst_log_program::filters_are_exact_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("printed");
    const QStringList all{"a", "b", "c", "d", "e", "f"};
    QTest::newRow("none") << QStringList{} << all;
    QTest::newRow("one module") << QStringList{"--module", "state_change"} << QStringList{"b", "e"};
    QTest::newRow("wildcard") << QStringList{"--module", "state_change*"}
                              << QStringList{"b", "c", "e"};
    QTest::newRow("two modules") << QStringList{"--module", "init,info"}
                                 << QStringList{"a", "d", "f"};
    QTest::newRow("repeated") << QStringList{"--module", "init", "--module", "info"}
                              << QStringList{"a", "d", "f"};
    QTest::newRow("warning and up")
        << QStringList{"--min-severity", "warning"} << QStringList{"c", "e"};
    QTest::newRow("just above") << QStringList{"--min-severity", "71"} << QStringList{"e"};
    QTest::newRow("severity and module")
        << QStringList{"--min-severity", "info", "--module", "state_change"} << QStringList{"e"};
    QTest::newRow("since long ago") << QStringList{"--since", "2000-01-01 00:00"} << all;
    QTest::newRow("since the future")
        << QStringList{"--since", "2999-01-01T00:00:00.000"} << QStringList{};
    QTest::newRow("since an hour") << QStringList{"--since", "1h"} << all;
    QTest::newRow("last two") << QStringList{"--last", "2"} << QStringList{"e", "f"};
    QTest::newRow("last two debug")
        << QStringList{"--last", "2", "--min-severity", "debug"} << QStringList{"d", "e"};
}

void Tst_log_program::filters_are_exact()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, printed);
    QTemporaryDir dir;
    Trace_writer writer(dir.path());
    writer.log("a", 30, "init");
    writer.log("b", 30, "state_change");
    writer.log("c", 70, "state_change_2g");
    writer.log("d", 50, "info");
    writer.log("e", 90, "state_change");
    writer.log("f", 0, "init");
    const Program_result r = run_talvane_log(arguments + QStringList{"--json", dir.path()});
    QVERIFY2(r.exit_code == 0, r.err);
    QCOMPARE(messages_of(r.out), printed);
}

void Tst_log_program::text_lines_are_aligned()
{
    QTemporaryDir dir;
    Trace_writer writer(dir.path());
    writer.log("two\nlines", 70, "state_change", "why");
    writer.log("esc\x1b[31m", 30, "address_entry_2g_long");
    const Program_result r = run_talvane_log({dir.path()});
    QCOMPARE(r.exit_code, 0);
    const QString out = QString::fromUtf8(r.out);
    const QString indent(36, ' ');
    QVERIFY2(QRegularExpression(
                 QString("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} WARN  state_change     two\\n%1lines\\n"
                         "%1why\\n\\d\\d:\\d\\d:\\d\\d\\.\\d{3} DEBUG address_entry_2g_long "
                         "esc\u241b\\[31m\\n$")
                     .arg(indent))
                 .match(out)
                 .hasMatch(),
             qPrintable(out));
}

void Tst_log_program::a_damaged_file_is_reported_and_the_rest_printed()
{
    QTemporaryDir dir;
    Trace_writer writer(dir.path());
    for (int n = 0; n < 4; ++n) {
        writer.log(numbered(n));
    }
    const QString file = QString::fromStdString(writer.trace_logger().current_file_name());
    QByteArray data = read_file(file);
    data.truncate(data.indexOf(numbered(2)));
    QVERIFY(write_file(file, data));
    const Program_result r = run_talvane_log({"--json", file});
    QCOMPARE(r.exit_code, 1);
    QCOMPARE(messages_of(r.out), numbered_run(0, 1));
    QVERIFY2(r.err.startsWith("talvane-log: " + file.toUtf8() + ":"), r.err);
    QVERIFY2(r.err.contains("the file ends inside the entry that starts here"), r.err);

    const Program_result missing = run_talvane_log({dir.filePath("nothing.xml")});
    QCOMPARE(missing.exit_code, 1);
    QVERIFY(missing.err.contains("nothing.xml: no such file or folder"));
    QCOMPARE(run_talvane_log({"--min-severity", "loud"}).exit_code, 2);
}

void Tst_log_program::follower_reads_only_complete_entries()
{
    QTemporaryDir dir;
    Trace_writer writer(dir.path(), 3, 10240);
    writer.log(numbered(0));
    const QString file = QString::fromStdString(writer.trace_logger().current_file_name());
    vq_qt::Trace_follower follower(file);
    QSignalSpy entries(&follower, &vq_qt::Trace_follower::entry_read);
    QSignalSpy problems(&follower, &vq_qt::Trace_follower::problem);
    follower.poll();
    QCOMPARE(entries.size(), 1);

    // An entry half written: nothing; once complete: the entry, once.
    writer.log(numbered(1));
    QByteArray data = read_file(file);
    const int second = data.lastIndexOf("\t<Entry>");
    QVERIFY(write_file(file, data.left(second + 60)));
    follower.poll();
    QCOMPARE(entries.size(), 1);
    QVERIFY(write_file(file, data));
    follower.poll();
    follower.poll();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.last().first().value<vq_qt::Trace_entry>().message, QString(numbered(1)));

    // Across rotation, wrap-around included: every entry once, in order.
    for (int n = 2; n < 120; ++n) {
        writer.log(numbered(n));
        if (n % 7 == 0) {
            follower.poll();
        }
    }
    follower.poll();
    QStringList messages;
    for (const auto& signal : entries) {
        messages << signal.first().value<vq_qt::Trace_entry>().message;
    }
    QCOMPARE(messages, numbered_run(0, 119));
    QVERIFY(problems.isEmpty());
}

void Tst_log_program::follows_another_process_across_rotation()
{
    QTemporaryDir dir;
    Trace_writer writer(dir.path(), 3, 10240);
    for (int n = 0; n < 5; ++n) {
        writer.log(numbered(n));
    }
    QProcess follower;
    follower.start(talvane_log_program(), {"--follow", "--json", dir.path()});
    QVERIFY(follower.waitForStarted(scaled_ms(10000)));
    QByteArray out;
    auto printed = [&] {
        follower.waitForReadyRead(20);
        out += follower.readAllStandardOutput();
        return messages_of(out);
    };
    QTRY_COMPARE_WITH_TIMEOUT(printed(), numbered_run(0, 4), scaled_ms(10000));
    // Bursts of entries; the files rotate every 20 or so and names are reused.
    for (int burst = 0; burst < 6; ++burst) {
        for (int n = 5 + burst * 25; n < 30 + burst * 25; ++n) {
            writer.log(numbered(n));
        }
        QTRY_COMPARE_WITH_TIMEOUT(printed(), numbered_run(0, 29 + burst * 25), scaled_ms(10000));
    }
    follower.kill();
    follower.waitForFinished();
    QVERIFY2(follower.readAllStandardError().isEmpty(), "problems reported");
}

QTEST_GUILESS_MAIN(Tst_log_program)
#include "tst_log_program.moc"
