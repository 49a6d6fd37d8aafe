// Splitting operator command lines into words.
#include "command_line.h"

#include <QTest>

using namespace vq_qt;

class Tst_command_line : public QObject
{
    Q_OBJECT

private slots:
    void split_data();
    void split();
};

void Tst_command_line::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("error");
    const QString none;
    QTest::newRow("plain") << "click Connect" << QStringList{"click", "Connect"} << none;
    QTest::newRow("extra spaces") << "  click \t Connect  \r" << QStringList{"click", "Connect"}
                                  << none;
    QTest::newRow("quoted spaces") << R"(choose "Radio Model:" "Model 2 HF")"
                                   << QStringList{"choose", "Radio Model:", "Model 2 HF"} << none;
    QTest::newRow("empty quoted word")
        << R"(set "Other Address:" "")" << QStringList{"set", "Other Address:", ""} << none;
    QTest::newRow("quotes inside a word") << R"(a"b c"d e)" << QStringList{"ab cd", "e"} << none;
    QTest::newRow("escaped quote")
        << R"(wait "say \"hi\"")" << QStringList{"wait", R"(say "hi")"} << none;
    QTest::newRow("escaped backslash") << R"("C:\\radio")" << QStringList{R"(C:\radio)"} << none;
    QTest::newRow("other backslash kept") << R"("a\nb")" << QStringList{R"(a\nb)"} << none;
    QTest::newRow("backslash outside quotes") << R"(a\"b c")" << QStringList{R"(a\b c)"} << none;
    QTest::newRow("blank") << "   " << QStringList{} << none;
    QTest::newRow("unterminated") << R"(click "Tx Kill)" << QStringList{} << "unterminated quote";
    QTest::newRow("escaped closing quote")
        << R"(click "Tx Kill\")" << QStringList{} << "unterminated quote";
}

void Tst_command_line::split()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QFETCH(QString, error);
    const Command_words result = split_command_line(line);
    QCOMPARE(result.words, words);
    QCOMPARE(result.error, error);
}

QTEST_APPLESS_MAIN(Tst_command_line)
#include "tst_command_line.moc"
