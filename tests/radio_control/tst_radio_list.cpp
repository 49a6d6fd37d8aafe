// The radio list file: where it is looked up, how its lines become the radio
// models offered, and what the "radio_file" category says about it.

#include "log_recorder.h"
#include "radio_panel_fixture.h"

#include <QDir>
#include <QtTest>

namespace {

// Points an environment variable elsewhere for the life of the object.
class Environment_override
{
public:
    Environment_override(const char* name, const QByteArray& value)
        : name(name), had_value(qEnvironmentVariableIsSet(name)), previous(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~Environment_override()
    {
        if (had_value) {
            qputenv(name, previous);
        } else {
            qunsetenv(name);
        }
    }

private:
    const char* name;
    bool had_value;
    QByteArray previous;
};

} // namespace

class Tst_radio_list : public QObject
{
    Q_OBJECT

private slots:
    void lines_become_radio_models_data();
    void lines_become_radio_models();
    void no_file_offers_only_no_radio_control();
    void radio_file_lines_name_the_file_read();
    void looked_up_in_the_data_folders_then_beside_the_executable_data();
    void looked_up_in_the_data_folders_then_beside_the_executable();
};

void Tst_radio_list::lines_become_radio_models_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("models");
    QTest::newRow("a model and an empty line")
        << QByteArray("Icom IC-F8101\n\n") << QStringList{"Icom IC-F8101", ""};
    QTest::newRow("last line without its end")
        << QByteArray("Manpack HF-2\nBase Station HF-400")
        << QStringList{"Manpack HF-2", "Base Station HF-400"};
    QTest::newRow("CR LF, tabs and spaces trimmed")
        << QByteArray("  Icom IC-F8101 \r\n\tManpack HF-2\t\r\n")
        << QStringList{"Icom IC-F8101", "Manpack HF-2"};
    QTest::newRow("a NUL byte ends the name")
        << QByteArray("Icom IC-F8101\0garbage\nManpack HF-2\n", 35)
        << QStringList{"Icom IC-F8101", "Manpack HF-2"};
    QTest::newRow("no syntax: comments and keys are names")
        << QByteArray("# radios\nmodel=HF-2\n") << QStringList{"# radios", "model=HF-2"};
    QTest::newRow("empty file") << QByteArray("") << QStringList{};
    QTest::newRow("one empty line") << QByteArray("\n") << QStringList{""};
}

void Tst_radio_list::lines_become_radio_models()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, models);

    Radio_panel_fixture f(contents);
    const QComboBox* selector = f.panel.radio_model_selector;
    QCOMPARE(entries(selector), QStringList{"No Radio Control"} + models);
    QCOMPARE(selector->itemData(0).toString(), QString("No Radio"));
    for (int i = 1; i < selector->count(); ++i) {
        QCOMPARE(selector->itemData(i).toString(), selector->itemText(i));
    }
    QCOMPARE(selector->currentIndex(), 0);
    QCOMPARE(f.settings_enabled(), QList<bool>({false, false, false}));
    QVERIFY(f.sent().isEmpty());

    // The same contents from memory replace the models, not add to them.
    f.panel.set_radio_list(contents);
    QCOMPARE(entries(selector), QStringList{"No Radio Control"} + models);
}

void Tst_radio_list::no_file_offers_only_no_radio_control()
{
    Radio_panel_fixture f(QByteArray{});
    QCOMPARE(entries(f.panel.radio_model_selector), QStringList{"No Radio Control"});
    QCOMPARE(f.settings_enabled(), QList<bool>({false, false, false}));
    QVERIFY(f.modulations().isEmpty());
    QVERIFY(f.powers().isEmpty());
}

void Tst_radio_list::radio_file_lines_name_the_file_read()
{
    QTemporaryDir folder;
    const QString path = write_radio_list(folder, "Icom IC-F8101\n");
    const QString missing = folder.filePath("missing.cfg");
    vq_qt::QModem_interface modem(nullptr, 0xC0A80000);
    Recording_connection connection;
    Log_recorder log;

    Radio_control_panel read(&modem, &connection, nullptr, path);
    QCOMPARE(log.in("radio_file"), QStringList({"Reading radio File", "radio_list.cfg: " + path}));

    log.clear();
    Radio_control_panel unread(&modem, &connection, nullptr, missing);
    const QStringList lines = log.in("radio_file");
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), QString("Could not open radio file"));
    QVERIFY2(lines.at(1).startsWith("radio_list.cfg: " + missing), qPrintable(lines.at(1)));
}

void Tst_radio_list::looked_up_in_the_data_folders_then_beside_the_executable_data()
{
    // Which of the data home and the two data folders hold a radio list, and
    // which file is read.
    QTest::addColumn<QList<bool>>("holding");
    QTest::addColumn<QString>("read");
    QTest::newRow("all three: data home first") << QList<bool>{true, true, true} << "home";
    QTest::newRow("data folders in their order") << QList<bool>{false, true, true} << "first";
    QTest::newRow("second data folder") << QList<bool>{false, false, true} << "second";
    QTest::newRow("none: beside the executable")
        << QList<bool>{false, false, false} << "executable";
}

void Tst_radio_list::looked_up_in_the_data_folders_then_beside_the_executable()
{
    QFETCH(QList<bool>, holding);
    QFETCH(QString, read);

    QTemporaryDir folder;
    const QStringList names = {"home", "first", "second"};
    QHash<QString, QString> files;
    for (int i = 0; i < names.size(); ++i) {
        const QString data = folder.filePath(names.at(i));
        QVERIFY(QDir().mkpath(data + "/Velquin/Talvane"));
        files.insert(names.at(i), data + "/Velquin/Talvane/radio_list.cfg");
        if (holding.at(i)) {
            QFile file(files.value(names.at(i)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
    files.insert("executable", QCoreApplication::applicationDirPath() + "/radio_list.cfg");
    Environment_override home("XDG_DATA_HOME", QFile::encodeName(folder.filePath("home")));
    Environment_override dirs("XDG_DATA_DIRS", QFile::encodeName(folder.filePath("first") + ":" +
                                                                 folder.filePath("second")));

    QCOMPARE(find_radio_list_file(), files.value(read));
}

QTEST_MAIN(Tst_radio_list)
#include "tst_radio_list.moc"
