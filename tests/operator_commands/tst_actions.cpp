// Operator commands acting on a window: each command's answers, the signals
// it fires, and the snapshot that show gives.
#include "operated_window.h"
#include "operator_commands.h"
#include "widget_tree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace vq_qt;

class Tst_actions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void commands_data();
    void commands();
    void show_reads_the_window();
    void show_controls_data();
    void show_controls();
    void help_names_every_command();

private:
    Operated_window* window = nullptr;
    Operator_commands* operated = nullptr;
};

void Tst_actions::init()
{
    window = new Operated_window;
    QVERIFY(window->show_and_wait());
    operated = new Operator_commands(window, -1, static_cast<FILE*>(nullptr));
}

void Tst_actions::cleanup()
{
    delete operated;
    delete window;
}

void Tst_actions::commands_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("events");
    const QString ok = "ok";
    const QStringList none;
    // click
    QTest::newRow("click") << "click Connect" << ok << QStringList{"clicked Connect"};
    QTest::newRow("click mnemonic, quoted")
        << R"(click "Tx Kill")" << ok << QStringList{"clicked Tx Kill"};
    QTest::newRow("click check box") << "click Enable" << ok << QStringList{"clicked Enable"};
    QTest::newRow("click radio button") << "click Wide" << ok << QStringList{"clicked Wide"};
    QTest::newRow("click first in reading order")
        << "click Repeat" << ok << QStringList{"clicked upper repeat"};
    QTest::newRow("click disabled") << "click Disabled"
                                    << R"(error: button "Disabled" is disabled)" << none;
    QTest::newRow("click hidden") << "click Secret"
                                  << R"(error: no visible button "Secret")" << none;
    QTest::newRow("click with mnemonic marker") << R"(click "Tx &Kill")"
                                                << R"(error: no visible button "Tx &Kill")" << none;
    QTest::newRow("click no text") << "click"
                                   << "error: usage: click TEXT" << none;
    QTest::newRow("click two words") << "click Tx Kill"
                                     << "error: usage: click TEXT" << none;
    // choose
    QTest::newRow("choose") << R"(choose "Radio Model:" "Beta 200")" << ok
                            << QStringList{"index 1", "activated 1"};
    QTest::newRow("choose current entry")
        << R"(choose "Radio Model:" "Alpha 100")" << ok << QStringList{"activated 0"};
    QTest::newRow("choose disabled entry")
        << R"(choose "Radio Model:" "Gamma 300")"
        << R"(error: entry "Gamma 300" of "Radio Model:" is disabled)" << none;
    QTest::newRow("choose entry is case sensitive")
        << R"(choose "Radio Model:" "beta 200")"
        << R"(error: "Radio Model:" has no entry "beta 200")" << none;
    QTest::newRow("choose caption without colon")
        << R"(choose "Radio Model" "Beta 200")"
        << R"(error: no visible control captioned "Radio Model")" << none;
    QTest::newRow("choose disabled selector") << R"(choose Sideband: LSB)"
                                              << R"(error: "Sideband:" is disabled)" << none;
    QTest::newRow("choose on a line edit")
        << R"(choose "Other Address:" BASE2)"
        << R"(error: "Other Address:" is not a selector)" << none;
    QTest::newRow("choose one word") << "choose Sideband:"
                                     << "error: usage: choose CAPTION ENTRY" << none;
    // set
    QTest::newRow("set line edit")
        << R"(set "Other Address:" BASE2)"
        << "ok BASE2" << QStringList{"edited BASE2", "return", "finished BASE2"};
    QTest::newRow("set line edit that upper-cases")
        << R"(set "Other Address:" base2)"
        << "ok BASE2" << QStringList{"edited base2", "return", "finished BASE2"};
    QTest::newRow("set refused by validator")
        << R"(set "Other Address:" "base 2")"
        << R"(error: "Other Address:" does not accept "base 2")" << none;
    QTest::newRow("set empty, validator wants more")
        << R"(set "Other Address:" "")"
        << R"(error: "Other Address:" does not accept "")" << none;
    QTest::newRow("set spin box") << R"(set "Frequency:" 7100000)"
                                  << "ok 7100000"
                                  << QStringList{"value 7100000", "frequency finished"};
    QTest::newRow("set spin box to its value") << R"(set "Frequency:" 1500000)"
                                               << "ok 1500000" << QStringList{"frequency finished"};
    QTest::newRow("set spin box too high")
        << R"(set "Frequency:" 40000000)"
        << R"(error: 40000000 is out of range for "Frequency:" (1500000 to 30000000))" << none;
    QTest::newRow("set spin box not a number")
        << R"(set "Frequency:" 7.1e6)"
        << R"(error: "Frequency:" takes a number, not "7.1e6")" << none;
    QTest::newRow("set double spin box") << "set Level: 0.25"
                                         << "ok 0.25" << QStringList{"level 0.25"};
    QTest::newRow("set double spin box not finite")
        << "set Level: nan"
        << R"(error: "Level:" takes a number, not "nan")" << none;
    QTest::newRow("set disabled") << "set Locked: x"
                                  << R"(error: "Locked:" is disabled)" << none;
    QTest::newRow("set read-only") << R"(set "Read Only:" x)"
                                   << R"(error: "Read Only:" is read-only)" << none;
    QTest::newRow("set hidden field") << "set Hidden: x"
                                      << R"(error: no visible control captioned "Hidden:")" << none;
    QTest::newRow("set a selector")
        << R"(set "Radio Model:" "Beta 200")"
        << R"(error: "Radio Model:" is not a line edit or spin box)" << none;
    // the line itself
    QTest::newRow("unknown command") << "press Connect"
                                     << R"(error: unknown command "press")" << none;
    QTest::newRow("unterminated quote") << R"(click "Tx Kill)"
                                        << "error: unterminated quote" << none;
    QTest::newRow("show with argument") << "show all"
                                        << "error: usage: show" << none;
    QTest::newRow("quit with argument") << "quit now"
                                        << "error: usage: quit" << none;
    QTest::newRow("wait without text") << "wait"
                                       << "error: usage: wait TEXT [SECONDS]" << none;
    QTest::newRow("wait bad seconds")
        << "wait Connected soon"
        << R"(error: wait takes a number of seconds, not "soon")" << none;
    QTest::newRow("wait for what is shown") << "wait Status" << ok << none;
    QTest::newRow("wait for the title") << "wait Cons 0" << ok << none;
}

void Tst_actions::commands()
{
    QFETCH(QString, line);
    QFETCH(QString, answer);
    QFETCH(QStringList, events);
    const QJsonObject before = widget_tree::describe(window);
    window->events.clear();
    QCOMPARE(operated->execute(line), answer);
    QCOMPARE(window->events, events);
    if (answer.startsWith("error:")) {
        QCOMPARE(widget_tree::describe(window), before); // nothing changed
    }
}

void Tst_actions::show_reads_the_window()
{
    window->setWindowTitle("Console[*]");
    window->setWindowModified(true);
    window->frequency->setToolTip("<p>1.5 to <b>30</b> MHz</p>"); // shown as plain text
    const QString answer = operated->execute("show");
    QVERIFY(answer.startsWith("ok {"));
    QVERIFY(!answer.contains('\n'));
    QJsonParseError error;
    const QJsonObject shown = QJsonDocument::fromJson(answer.mid(3).toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(shown["title"].toString(), QString("Console*"));
    // Reading order, rich text as plain text, mnemonics gone, the hidden
    // label and the hidden field's label absent (the latter is shown).
    const QStringList labels{
        "Status:",    "Not Connected", "Radio Model:", "Sideband:",  "Other Address:",
        "Frequency:", "Level:",        "Locked:",      "Read Only:", "Hidden:"};
    QCOMPARE(shown["labels"].toVariant().toStringList(), labels);
    QStringList names;
    for (const QJsonValue& control : shown["controls"].toArray()) {
        names << control["name"].toString();
    }
    QCOMPARE(names, (QStringList{"Connect", "Tx Kill", "Disabled", "Enable", "Wide",
                                 "Radio Model:", "Sideband:", "Other Address:", "Frequency:",
                                 "Level:", "Locked:", "Read Only:", "Repeat", "Repeat"}));
    const QJsonArray controls = shown["controls"].toArray();
    QCOMPARE(controls.at(names.indexOf("Frequency:"))["tooltip"], QJsonValue("1.5 to 30 MHz"));
    QCOMPARE(controls.at(0)["tooltip"], QJsonValue(""));
}

void Tst_actions::show_controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("button") << "Tx Kill"
                            << "button" << QJsonValue("Tx Kill") << true;
    QTest::newRow("disabled button") << "Disabled"
                                     << "button" << QJsonValue("Disabled") << false;
    QTest::newRow("check") << "Enable"
                           << "check" << QJsonValue(false) << true;
    QTest::newRow("radio") << "Wide"
                           << "radio" << QJsonValue(false) << true;
    QTest::newRow("combo") << "Radio Model:"
                           << "combo" << QJsonValue("Alpha 100") << true;
    QTest::newRow("line") << "Read Only:"
                          << "line" << QJsonValue("shown") << true;
    QTest::newRow("disabled line") << "Locked:"
                                   << "line" << QJsonValue("fixed") << false;
    QTest::newRow("spin") << "Frequency:"
                          << "spin" << QJsonValue(1500000) << true;
    QTest::newRow("double spin") << "Level:"
                                 << "spin" << QJsonValue(0.0) << true;
}

void Tst_actions::show_controls()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QJsonValue, value);
    QFETCH(bool, enabled);
    const QJsonArray controls = widget_tree::describe(window)["controls"].toArray();
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [&](const QJsonValue& c) { return c["name"] == name; });
    QVERIFY(found != controls.end());
    const QJsonObject control = found->toObject();
    QCOMPARE(control["kind"].toString(), kind);
    QCOMPARE(control["value"], value);
    QCOMPARE(control["enabled"].toBool(), enabled);
}

void Tst_actions::help_names_every_command()
{
    const QString help = Operator_commands::help_text();
    for (const char* command : {"click TEXT", "choose CAPTION ENTRY", "set CAPTION VALUE", "show",
                                "wait TEXT [SECONDS]", "quit"}) {
        QVERIFY2(help.contains(command), command);
    }
}

QTEST_MAIN(Tst_actions)
#include "tst_actions.moc"
