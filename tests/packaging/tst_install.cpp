// Installing: `cmake --install` of this build into a folder of the test puts
// exactly the expected files there; the installed programs run, answer
// --help and --version, and say in their manual pages what --help says; the
// desktop entry is valid; the installed console finds its radio list through
// XDG_DATA_DIRS, puts the log stylesheet beside its log and writes nothing
// beside its executable.

#include "program_run.h"
#include "trace_reader.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The tool the test needs; the test fails (it does not skip) without it.
QString tool(const char* name, const char* package)
{
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (path.isEmpty()) {
        qWarning("%s is missing: apt-get install %s", name, package);
    }
    return path;
}

// Every --long-option named in a text; roff writes them as \-\-long\-option.
QSet<QString> options_in(QString text)
{
    text.replace(QLatin1String("\\-"), QLatin1String("-"));
    QSet<QString> options;
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z0-9-]*"));
    auto it = option.globalMatch(text);
    while (it.hasNext()) {
        options.insert(it.next().captured());
    }
    return options;
}

} // namespace

class Tst_install : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installed_files();
    void programs_answer_data();
    void programs_answer();
    void help_and_manual_page_agree_data();
    void help_and_manual_page_agree();
    void desktop_entry();
    void service_unit_verifies();
    void installed_console_uses_the_data_folders();

private:
    QString path(const QString& relative) const { return prefix.filePath(relative); }
    QProcessEnvironment console_environment(const QTemporaryDir& home) const;

    QTemporaryDir prefix;
};

void Tst_install::initTestCase()
{
    QVERIFY(prefix.isValid());
    const Program_result install =
        run_program(TALVANE_CMAKE_COMMAND, {"--install", qEnvironmentVariable("TALVANE_BINARY_DIR"),
                                            "--prefix", prefix.path()});
    QVERIFY2(install.exit_code == 0, install.out + install.err);
}

void Tst_install::installed_files()
{
    QStringList expected{
        "bin/talvane",
        "bin/talvane-log",
        "bin/talvane-modem-sim",
        "lib/systemd/user/talvane@.service",
        "share/Velquin/Talvane/TracingAndLogging.xsl",
        "share/Velquin/Talvane/radio_list.cfg",
        "share/applications/talvane.desktop",
        "share/doc/talvane/changelog.gz",
        "share/doc/talvane/copyright",
        "share/man/man1/talvane-log.1.gz",
        "share/man/man1/talvane-modem-sim.1.gz",
        "share/man/man1/talvane.1.gz",
    };
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        expected << QString("share/icons/hicolor/%1x%1/apps/talvane.png").arg(size);
    }
    expected.sort();
    QStringList found;
    QDirIterator it(prefix.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        found << QDir(prefix.path()).relativeFilePath(it.next());
    }
    found.sort();
    QCOMPARE(found, expected);
    for (const char* program : {"bin/talvane", "bin/talvane-log", "bin/talvane-modem-sim"}) {
        QVERIFY(QFileInfo(path(program)).isExecutable());
    }
    for (const int size : {16, 48, 256}) {
        const QImage icon(path(QString("share/icons/hicolor/%1x%1/apps/talvane.png").arg(size)));
        QCOMPARE(icon.size(), QSize(size, size));
    }
}

void Tst_install::programs_answer_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("begins");
    const QString version = QString(" %1\n").arg(TALVANE_VERSION);
    for (const char* name : {"talvane", "talvane-modem-sim", "talvane-log"}) {
        QTest::addRow("%s --help", name) << name << "--help" << QString("Usage: %1 ").arg(name);
        QTest::addRow("%s --version", name) << name << "--version" << name + version;
    }
}

void Tst_install::programs_answer()
{
    QFETCH(QString, program);
    QFETCH(QString, argument);
    QFETCH(QString, begins);
    // Without any display, in a home of its own: the answer needs neither
    // and leaves no file behind.
    QTemporaryDir home;
    QProcessEnvironment environment = console_environment(home);
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        environment.remove(name);
    }
    environment.insert("HOME", home.path());
    const Program_result r = run_program(path("bin/" + program), {argument}, environment);
    QVERIFY2(r.exit_code == 0, r.err);
    QVERIFY2(r.out.startsWith(begins.toUtf8()), r.out);
    if (argument == "--version") {
        QCOMPARE(QString(r.out), begins);
    }
    QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

void Tst_install::help_and_manual_page_agree_data()
{
    QTest::addColumn<QString>("program");
    for (const char* name : {"talvane", "talvane-modem-sim", "talvane-log"}) {
        QTest::newRow(name) << name;
    }
}

void Tst_install::help_and_manual_page_agree()
{
    QFETCH(QString, program);
    const QString gzip = tool("gzip", "gzip");
    QVERIFY(!gzip.isEmpty());
    QTemporaryDir home;
    const Program_result help =
        run_program(path("bin/" + program), {"--help"}, console_environment(home));
    QCOMPARE(help.exit_code, 0);
    const Program_result page =
        run_program(gzip, {"-dc", path("share/man/man1/" + program + ".1.gz")});
    QCOMPARE(page.exit_code, 0);
    QVERIFY(page.out.startsWith(".TH "));
    QVERIFY(page.out.contains(QString("\"Talvane %1\"").arg(TALVANE_VERSION).toUtf8()));
    QStringList in_help = options_in(QString::fromUtf8(help.out)).values();
    // Examples may show the options of the other programs.
    const QString page_text = QString::fromUtf8(page.out);
    QStringList in_page = options_in(page_text.left(page_text.indexOf(".SH EXAMPLES"))).values();
    in_help.sort();
    in_page.sort();
    QCOMPARE(in_page, in_help);
}

void Tst_install::desktop_entry()
{
    const QString validate = tool("desktop-file-validate", "desktop-file-utils");
    QVERIFY(!validate.isEmpty());
    const QString entry = path("share/applications/talvane.desktop");
    const Program_result r = run_program(validate, {entry});
    QVERIFY2(r.exit_code == 0 && r.out.isEmpty(), r.out + r.err);
    QSettings desktop(entry, QSettings::IniFormat);
    desktop.beginGroup("Desktop Entry");
    QVERIFY(QFileInfo(path("bin/" + desktop.value("Exec").toString())).isExecutable());
    QVERIFY(QFileInfo::exists(
        path("share/icons/hicolor/48x48/apps/" + desktop.value("Icon").toString() + ".png")));
}

void Tst_install::service_unit_verifies()
{
    const QString analyze = tool("systemd-analyze", "systemd");
    QVERIFY(!analyze.isEmpty());
    // Where even a plain unit fails, verify cannot run here at all.
    QTemporaryDir scratch;
    QFile plain(scratch.filePath("plain.service"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("[Service]\nExecStart=" + QFile::encodeName(tool("true", "coreutils")) + "\n");
    plain.close();
    const Program_result probe = run_program(analyze, {"verify", "--man=no", plain.fileName()});
    if (probe.exit_code != 0 || !probe.err.isEmpty()) {
        QSKIP(qPrintable("systemd-analyze verify cannot run here: " + probe.err));
    }
    const QString unit = path("lib/systemd/user/talvane@.service");
    const Program_result r = run_program(analyze, {"verify", "--man=no", unit});
    QVERIFY2(r.exit_code == 0 && r.out.isEmpty() && r.err.isEmpty(), r.out + r.err);
    // It starts the console of this installation.
    QFile file(unit);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("\nExecStart=" + QFile::encodeName(path("bin/talvane")) +
                                    " --headless --instance %i $TALVANE_OPTIONS\n"));
}

QProcessEnvironment Tst_install::console_environment(const QTemporaryDir& home) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("XDG_DATA_HOME", home.filePath("data"));
    environment.insert("XDG_DATA_DIRS", path("share"));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    return environment;
}

void Tst_install::installed_console_uses_the_data_folders()
{
    QTemporaryDir home;
    const Program_result r =
        run_program(path("bin/talvane"), {"--control"}, console_environment(home), "quit\n");
    QVERIFY2(r.exit_code == 0, r.out + r.err);

    // The radio list came from the installed data folder, and the log folder
    // got the stylesheet with its first log file.
    const QString logs = home.filePath("data/Velquin/Talvane/logs");
    QStringList read_from;
    for (const QString& name : QDir(logs).entryList({"log_talvane-*.xml"}, QDir::Files)) {
        QFile file(QDir(logs).filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        vq_qt::Trace_reader reader(file.readAll(), file.fileName());
        while (const auto entry = reader.next()) {
            if (entry->module == "radio_file" && entry->message.startsWith("radio_list.cfg: ")) {
                read_from << entry->message.mid(16);
            }
        }
    }
    QCOMPARE(read_from, QStringList{path("share/Velquin/Talvane/radio_list.cfg")});
    QVERIFY(QFileInfo::exists(logs + "/TracingAndLogging.xsl"));
    QCOMPARE(QDir(path("bin")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             (QStringList{"talvane", "talvane-log", "talvane-modem-sim"}));
}

QTEST_GUILESS_MAIN(Tst_install)
#include "tst_install.moc"
