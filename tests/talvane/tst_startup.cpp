// Start-up of the console: level mapping, message handler, message pattern,
// identity and start-up lines, style sheet, log folder, and a real start of
// the executable writing its trace file.

#include "../trace_log/trace_xml.h"
#include "app_logging.h"
#include "log_recorder.h"
#include "registry_wrapper.h"
#include "trace_logger.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(QtMsgType)

namespace {} // namespace

class Tst_startup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> temp;

    std::unique_ptr<vq::Trace_logger> temp_logger(std::uint32_t file_min)
    {
        auto logger = std::make_unique<vq::Trace_logger>("Talvane");
        logger->set_file_log_level(file_min);
        logger->set_file_name_base(QFile::encodeName(temp->path() + "/logs").constData(), "t-", 0);
        return logger;
    }
    QString temp_log() const { return temp->path() + "/logs/t-000.xml"; }

private slots:
    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        QVERIFY(temp->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp->path() + "/config"));
    }

    void level_mapping_data()
    {
        QTest::addColumn<QtMsgType>("type");
        QTest::addColumn<QByteArray>("category");
        QTest::addColumn<uint>("level");
        QTest::newRow("debug info") << QtDebugMsg << QByteArray("info") << 50u;
        QTest::newRow("debug containing info") << QtDebugMsg << QByteArray("radio_info") << 50u;
        QTest::newRow("debug INFO is not info") << QtDebugMsg << QByteArray("INFO") << 30u;
        QTest::newRow("debug init") << QtDebugMsg << QByteArray("init") << 30u;
        QTest::newRow("debug no category") << QtDebugMsg << QByteArray() << 30u;
        QTest::newRow("warning init") << QtWarningMsg << QByteArray("init") << 70u;
        QTest::newRow("warning info") << QtWarningMsg << QByteArray("info") << 70u;
        QTest::newRow("critical") << QtCriticalMsg << QByteArray("default") << 90u;
        QTest::newRow("fatal") << QtFatalMsg << QByteArray("default") << 100u;
        QTest::newRow("info type") << QtInfoMsg << QByteArray("info") << 0u;
    }
    void level_mapping()
    {
        QFETCH(QtMsgType, type);
        QFETCH(QByteArray, category);
        QFETCH(uint, level);
        QCOMPARE(trace_level_for(type, category.isNull() ? nullptr : category.constData()), level);
    }

    void handler_writes_entries_data()
    {
        QTest::addColumn<QtMsgType>("type");
        QTest::addColumn<QByteArray>("category");
        QTest::addColumn<QString>("severity");
        QTest::addColumn<QString>("module");
        QTest::newRow("debug info") << QtDebugMsg << QByteArray("info") << "50"
                                    << "info";
        QTest::newRow("debug init") << QtDebugMsg << QByteArray("init") << "30"
                                    << "init";
        QTest::newRow("warning") << QtWarningMsg << QByteArray("vserial") << "70"
                                 << "vserial";
        QTest::newRow("critical") << QtCriticalMsg << QByteArray("default") << "90"
                                  << "default";
        QTest::newRow("fatal") << QtFatalMsg << QByteArray("init") << "100"
                               << "init";
        QTest::newRow("info type") << QtInfoMsg << QByteArray("info") << "0"
                                   << "info";
        QTest::newRow("no category") << QtDebugMsg << QByteArray() << "30"
                                     << "&lt;empty&gt;";
    }
    void handler_writes_entries()
    {
        QFETCH(QtMsgType, type);
        QFETCH(QByteArray, category);
        QFETCH(QString, severity);
        QFETCH(QString, module);
        auto logger = temp_logger(0);
        set_trace_logger(logger.get());
        const QMessageLogContext context("/src/talvane/x.cpp", 17, "f",
                                         category.isNull() ? nullptr : category.constData());
        talvane_message_handler(type, context, QStringLiteral("r\u00E9ply <ok>"));
        set_trace_logger(nullptr);
        const auto doc = read_trace_file(temp_log());
        QVERIFY2(doc.well_formed, qPrintable(doc.error));
        QCOMPARE(doc.entries.size(), 1);
        const auto& e = doc.entries[0];
        QCOMPARE(e["Severity"], severity);
        QCOMPARE(e["Module"], module);
        QCOMPARE(e["File"], QString("x.cpp"));
        QCOMPARE(e["Line"], QString("17"));
        QCOMPARE(e["Application"], QString("Talvane"));
        // Local 8-bit (UTF-8) bytes, each above 0x7E as a reference, inside the wrapping.
        QCOMPARE(e["Message"], QString("r&#195;&#169;ply &lt;ok&gt;"));
        QCOMPARE(e["Details"], QString("&lt;empty&gt;"));
    }

    void handler_drops_outside_windows_and_platform_chatter()
    {
        talvane_message_handler(QtWarningMsg, QMessageLogContext(), "no logger: dropped");
        auto logger = temp_logger(60);
        set_trace_logger(logger.get());
        qInstallMessageHandler(talvane_message_handler);
        qCDebug(lc_info) << "below the window";
        qCWarning(lc_init) << "inside the window";
        qCDebug(lc_resp_handle) << "below too";
        // Qt's platform plugin about itself stays out; Qt's other warnings do not.
        qWarning("This plugin does not support propagateSizeHints()");
        const QLoggingCategory qpa("qt.qpa.xcb");
        qCWarning(qpa) << "XCB error: 3 (BadWindow)";
        qWarning("QObject::connect: No such signal");
        qInstallMessageHandler(nullptr);
        set_trace_logger(nullptr);
        const auto doc = read_trace_file(temp_log());
        QVERIFY2(doc.well_formed, qPrintable(doc.error));
        QCOMPARE(doc.entries.size(), 2);
        QCOMPARE(doc.entries[1]["Message"], QString("QObject::connect: No such signal"));
        QCOMPARE(doc.entries[0]["Message"], QString("inside the window"));
        QCOMPARE(doc.entries[0]["Module"], QString("init"));
        QCOMPARE(doc.entries[0]["Severity"], QString("70"));
    }

    void categories_have_their_names()
    {
        const QStringList names{
            lc_vserial().categoryName(),      lc_flow_ctrl().categoryName(),
            lc_resp_handle().categoryName(),  lc_init().categoryName(),
            lc_info().categoryName(),         lc_radio_file().categoryName(),
            lc_state_change().categoryName(), lc_state_change_2g().categoryName(),
            lc_events_2g().categoryName(),    lc_address_entry_2g().categoryName(),
            lc_tac1_reply_2g().categoryName()};
        QCOMPARE(names, QStringList({"vserial", "flow_ctrl", "resp_handle", "init", "info",
                                     "radio_file", "state_change", "state_change_2g", "events_2g",
                                     "address_entry_2g", "tac1_reply_2g"}));
        QVERIFY(lc_init().isDebugEnabled());
    }

    void message_pattern_data()
    {
        QTest::addColumn<QtMsgType>("type");
        QTest::addColumn<QByteArray>("category");
        QTest::addColumn<QString>("line");
        QTest::newRow("debug") << QtDebugMsg << QByteArray("init") << "[D] [init]\t\tmsg";
        QTest::newRow("warning") << QtWarningMsg << QByteArray("init") << "[## W ##] [init]\t\tmsg";
        QTest::newRow("critical") << QtCriticalMsg << QByteArray("info")
                                  << "[### C ###] [info]\t\tmsg";
        QTest::newRow("fatal") << QtFatalMsg << QByteArray("x") << "[##### F #####] [x]\t\tmsg";
        QTest::newRow("info type") << QtInfoMsg << QByteArray("x") << "[] [x]\t\tmsg";
        QTest::newRow("default category") << QtDebugMsg << QByteArray("default") << "[D]\t\tmsg";
    }
    void message_pattern()
    {
        QFETCH(QtMsgType, type);
        QFETCH(QByteArray, category);
        QFETCH(QString, line);
        qSetMessagePattern(talvane_message_pattern());
        const QMessageLogContext context("f.cpp", 1, "fn", category.constData());
        QCOMPARE(qFormatLogMessage(type, context, "msg"), line);
    }

    void identity_and_start_up_lines_data()
    {
        QTest::addColumn<QByteArray>("logging_conf");
        QTest::addColumn<QString>("conf_line");
        QTest::newRow("unset") << QByteArray() << "QT_LOGGING_CONF:\t \"Not Found\"";
        QTest::newRow("set") << QByteArray("/etc/rules.ini")
                             << "QT_LOGGING_CONF:\t \"/etc/rules.ini\"";
    }
    void identity_and_start_up_lines()
    {
        QFETCH(QByteArray, logging_conf);
        QFETCH(QString, conf_line);
        if (logging_conf.isNull())
            qunsetenv("QT_LOGGING_CONF");
        else
            qputenv("QT_LOGGING_CONF", logging_conf);
        QList<Log_recorder::Entry> captured;
        {
            Log_recorder log;
            apply_application_identity_and_log_start_up();
            captured = log.entries;
        }
        qunsetenv("QT_LOGGING_CONF");

        QCOMPARE(QCoreApplication::organizationName(), QString("Velquin"));
        QCOMPARE(QCoreApplication::applicationName(), QString("Talvane"));
        QCOMPARE(QCoreApplication::applicationVersion(), QString("1.1.6"));
        QVERIFY(!QCoreApplication::organizationDomain().isEmpty());
        QCOMPARE(captured.size(), 4);
        for (const auto& c : captured) {
            QCOMPARE(c.type, QtDebugMsg);
            QCOMPARE(c.category, QString("info"));
        }
        QCOMPARE(captured[0].message, QString("App Info: Velquin Talvane V1.1.6"));
        QCOMPARE(captured[1].message,
                 "applicationDirPath:\t \"" + QCoreApplication::applicationDirPath() + "\"");
        QVERIFY(captured[2].message.startsWith("GenericConfigLocation:\t ("));
        QVERIFY(captured[2].message.contains(temp->path() + "/config"));
        QCOMPARE(captured[3].message, conf_line);
        QCOMPARE(qFormatLogMessage(QtWarningMsg, QMessageLogContext("f", 1, "g", "init"), "m"),
                 QString("[## W ##] [init]\t\tm"));
    }

    void start_up_lines_follow_the_rules()
    {
        QLoggingCategory::setFilterRules("info.debug=false");
        {
            Log_recorder log;
            apply_application_identity_and_log_start_up();
            QVERIFY(log.entries.isEmpty());
        }
        QLoggingCategory::setFilterRules(QString());
        QCOMPARE(QCoreApplication::applicationName(), QString("Talvane"));
    }

    void read_style_sheet_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QByteArray("QLabel { color: red; }") << "QLabel { color: red; }";
        QTest::newRow("stops at NUL") << QByteArray("QLabel {}\0QPushButton {}", 25) << "QLabel {}";
        QTest::newRow("NUL first") << QByteArray("\0abc", 4) << "";
        QTest::newRow("latin-1") << QByteArray("/* \xE9 */") << QString("/* \u00E9 */");
        QTest::newRow("empty") << QByteArray() << "";
    }
    void read_style_sheet()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString path = temp->path() + "/style.qss";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QCOMPARE(::read_style_sheet(path), text);
        QVERIFY(::read_style_sheet(temp->path() + "/missing.qss").isEmpty());
    }

    void style_sheet_beside_executable()
    {
        const QString path = QCoreApplication::applicationDirPath() + "/style.qss";
        QFile::remove(path);
        qApp->setStyleSheet(QString());
        QVERIFY(!apply_style_sheet_beside_executable());
        QVERIFY(qApp->styleSheet().isEmpty());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("QWidget { color: blue; }\0garbage", 32));
        f.close();
        const bool applied = apply_style_sheet_beside_executable();
        QFile::remove(path);
        QVERIFY(applied);
        QCOMPARE(qApp->styleSheet(), QString("QWidget { color: blue; }"));
        qApp->setStyleSheet(QString());
    }

    void log_directory_data()
    {
        QTest::addColumn<QByteArray>("data_home");
        QTest::addColumn<QString>("directory");
        QTest::newRow("xdg") << QByteArray("/srv/data")
                             << QString("/srv/data/Velquin/Talvane/logs");
        QTest::newRow("default") << QByteArray()
                                 << QDir::homePath() + "/.local/share/Velquin/Talvane/logs";
    }
    void log_directory()
    {
        QFETCH(QByteArray, data_home);
        QFETCH(QString, directory);
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        if (data_home.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", data_home);
        const QString got = talvane_log_directory();
        qputenv("XDG_DATA_HOME", saved);
        QCOMPARE(got, directory);
    }

    void console_logger_configuration()
    {
        const QString dir = temp->path() + "/data/Velquin/Talvane/logs";
        std::unique_ptr<vq::Trace_logger> logger(create_talvane_trace_logger(dir));
        QCOMPARE(trace_logger(), logger.get());
        set_trace_logger(nullptr);
        QVERIFY(QDir(dir).exists());
        QCOMPARE(QString::fromStdString(logger->file_name_base()), dir + "/log_talvane-");
        QCOMPARE(logger->file_count(), 5u);
        QCOMPARE(logger->file_level_min(), 0u);
        QCOMPARE(logger->file_level_max(), 0xFFFFFFFFu);
        QVERIFY(logger->accepts(0));
        QVERIFY(logger->network_sink() == nullptr);
    }

    // The executable, started for a moment, writes a well-formed trace file
    // with the start-up lines at their severities.
    void executable_writes_start_up_log()
    {
        const QString binary =
            qEnvironmentVariable("TALVANE_BINARY_DIR") + "/source/talvane/talvane";
        if (!QFileInfo(binary).isExecutable())
            QSKIP("console executable not built");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", temp->path() + "/config");
        env.insert("XDG_DATA_HOME", temp->path() + "/data");
        QDir().mkpath(temp->path() + "/runtime");
        QFile::setPermissions(temp->path() + "/runtime", QFileDevice::ReadOwner |
                                                             QFileDevice::WriteOwner |
                                                             QFileDevice::ExeOwner);
        env.insert("XDG_RUNTIME_DIR", temp->path() + "/runtime");
        env.remove("QT_LOGGING_CONF");
        env.remove("QT_LOGGING_RULES");
        QProcess console;
        console.setProcessEnvironment(env);
        console.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        console.setStandardOutputFile(QProcess::nullDevice());
        console.start(binary, QStringList());
        QVERIFY(console.waitForStarted());

        const QString log = temp->path() + "/data/Velquin/Talvane/logs/log_talvane-001.xml";
        QTRY_VERIFY_WITH_TIMEOUT(read_trace_file(log).raw.contains("QT_LOGGING_CONF"), 20000);
        console.kill();
        console.waitForFinished();

        const auto doc = read_trace_file(log);
        QVERIFY2(doc.well_formed, qPrintable(doc.error));
        QStringList lines;
        for (const auto& e : doc.entries) {
            if (e["Module"] == "info")
                lines << e["Severity"] + " " + e["Message"];
        }
        QVERIFY2(lines.size() >= 4, qPrintable(lines.join('\n')));
        QCOMPARE(lines[0], QString("50 App Info: Velquin Talvane V1.1.6"));
        QVERIFY(lines[1].startsWith("50 applicationDirPath:\t \""));
        QVERIFY(lines[2].startsWith("50 GenericConfigLocation:\t ("));
        QCOMPARE(lines[3], QString("50 QT_LOGGING_CONF:\t \"Not Found\""));
        for (const auto& e : doc.entries)
            QVERIFY(QStringList({"0", "30", "50", "70", "90", "100"}).contains(e["Severity"]));

        vq::Registry_wrapper key;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp->path() + "/config"));
        QVERIFY(key.open(vq::Registry_root::local_machine,
                         "SOFTWARE\\Stenwick\\TraceAndLog\\Talvane", false));
        std::string base;
        QVERIFY(key.read_string("FilenameBase", base));
        QCOMPARE(QString::fromStdString(base),
                 temp->path() + "/data/Velquin/Talvane/logs/log_talvane-");
    }
};

QTEST_MAIN(Tst_startup)
#include "tst_startup.moc"
