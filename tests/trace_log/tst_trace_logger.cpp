#include "registry_wrapper.h"
#include "trace_logger.h"
#include "trace_xml.h"
#include "udp_log_sink.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

using vq::Trace_logger;

namespace {

const char app_name[] = "tst";
const QByteArray header = "<?xml version=\"1.0\" ?>\r\n"
                          "<?xml-stylesheet type=\"text/xsl\" href=\"TracingAndLogging.xsl\"?>\r\n"
                          "<TraceLog>\r\n";
const QByteArray closing = "</TraceLog>\r\n";

std::string app_key()
{
    return std::string(Trace_logger::shared_key) + "\\" + app_name;
}

// A UDP receiver on the loopback broadcast address 127.255.255.255.
class Loopback_receiver
{
public:
    Loopback_receiver()
    {
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_ANY);
        ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        socklen_t len = sizeof sa;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
        port = ntohs(sa.sin_port);
    }
    ~Loopback_receiver() { ::close(fd); }
    // All datagrams arriving within `quiet_ms` of each other.
    QList<QByteArray> receive(int quiet_ms = 300)
    {
        QList<QByteArray> out;
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, quiet_ms) == 1) {
            char buf[2048];
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n < 0)
                break;
            out.append(QByteArray(buf, int(n)));
        }
        return out;
    }
    int fd = -1;
    quint16 port = 0;
};

} // namespace

class Tst_trace_logger : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> temp;
    QString log_dir() const { return temp->path() + "/logs"; }
    QString file_path(const char* prefix, int index) const
    {
        return log_dir() + QString::asprintf("/%s%03d.xml", prefix, index);
    }
    void write_own_dword(const char* name, quint32 value)
    {
        vq::Registry_wrapper key;
        QVERIFY(key.open(vq::Registry_root::local_machine, app_key(), true));
        QVERIFY(key.write_dword(name, value));
    }
    void write_shared(const std::string& name, const std::string& text)
    {
        vq::Registry_wrapper key;
        QVERIFY(key.open(vq::Registry_root::local_machine, Trace_logger::shared_key, true));
        QVERIFY(key.write_string(name, text));
    }
    void configure_loopback_network(quint16 port)
    {
        vq::Registry_wrapper key;
        QVERIFY(key.open(vq::Registry_root::local_machine, Trace_logger::shared_key, true));
        QVERIFY(key.write_dword("Port", port));
        QVERIFY(key.write_string("SubnetAddr01", "127.0.0.0"));
        QVERIFY(key.write_string("SubnetMask01", "255.0.0.0"));
    }
    std::unique_ptr<Trace_logger> file_logger(const char* prefix = "log-", int index = -1)
    {
        auto logger = std::make_unique<Trace_logger>(app_name);
        logger->set_file_log_level(0);
        logger->set_file_name_base(QFile::encodeName(log_dir()).constData(), prefix, index);
        return logger;
    }

private slots:
    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        QVERIFY(temp->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp->path() + "/config"));
    }

    void escape_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("escaped");
        QTest::newRow("plain") << QByteArray("abc 123") << QByteArray("abc 123");
        QTest::newRow("empty") << QByteArray("") << QByteArray("<![CDATA[&lt;empty&gt;]]>");
        QTest::newRow("less-than") << QByteArray("a<b") << QByteArray("<![CDATA[a&lt;b]]>");
        QTest::newRow("line feed") << QByteArray("x\ny") << QByteArray("<![CDATA[x<BR>y]]>");
        QTest::newRow("amp gt") << QByteArray("a&b>c") << QByteArray("<![CDATA[a&amp;b&gt;c]]>");
        QTest::newRow("cdata end") << QByteArray("]]>") << QByteArray("<![CDATA[]]&gt;]]>");
        QTest::newRow("e9") << QByteArray("\xE9") << QByteArray("&#233;");
        QTest::newRow("tilde") << QByteArray("~") << QByteArray("&#126;");
        QTest::newRow("7d kept") << QByteArray("}") << QByteArray("}");
        QTest::newRow("ref before wrap")
            << QByteArray("\xE9<") << QByteArray("<![CDATA[&#233;&lt;]]>");
        QTest::newRow("tab kept, cr as reference")
            << QByteArray("a\tb\rc") << QByteArray("a\tb&#13;c");
        QTest::newRow("control") << QByteArray("a\x01") << QByteArray("a&#9217;");
    }
    void escape()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, escaped);
        QCOMPARE(QByteArray::fromStdString(Trace_logger::escape(text.constData())), escaped);
    }

    void priority_code_data()
    {
        QTest::addColumn<quint32>("severity");
        QTest::addColumn<uint>("code");
        const struct
        {
            quint32 severity;
            uint code;
        } rows[] = {{0xFFFFFFFF, 11}, {100, 11}, {99, 12}, {90, 12}, {89, 13},
                    {70, 13},         {69, 14},  {50, 14}, {49, 15}, {0, 15}};
        for (const auto& r : rows)
            QTest::addRow("%u", r.severity) << r.severity << r.code;
    }
    void priority_code()
    {
        QFETCH(quint32, severity);
        QFETCH(uint, code);
        QCOMPARE(Trace_logger::priority_code(severity), code);
    }

    void windows_data()
    {
        QTest::addColumn<quint32>("file_min");
        QTest::addColumn<quint32>("file_max");
        QTest::addColumn<quint32>("net_min");
        QTest::addColumn<quint32>("net_max");
        QTest::addColumn<quint32>("severity");
        QTest::addColumn<bool>("accepted");
        const quint32 none = 0xFFFFFFFF;
        QTest::newRow("defaults 0") << none << none << none << none << 0u << false;
        QTest::newRow("defaults 100") << none << none << none << none << 100u << false;
        QTest::newRow("file lower bound") << 10u << 20u << none << none << 10u << true;
        QTest::newRow("file upper bound") << 10u << 20u << none << none << 20u << true;
        QTest::newRow("file below") << 10u << 20u << none << none << 9u << false;
        QTest::newRow("file above") << 10u << 20u << none << none << 21u << false;
        QTest::newRow("network only") << none << none << 50u << 60u << 55u << true;
        QTest::newRow("between windows") << 0u << 10u << 50u << 60u << 30u << false;
        QTest::newRow("unsigned top") << 0u << none << none << none << none << true;
    }
    void windows()
    {
        QFETCH(quint32, file_min);
        QFETCH(quint32, file_max);
        QFETCH(quint32, net_min);
        QFETCH(quint32, net_max);
        QFETCH(quint32, severity);
        QFETCH(bool, accepted);
        Trace_logger logger(app_name);
        QVERIFY(logger.set_file_log_level(file_min, file_max));
        QVERIFY(logger.set_network_log_level(net_min, net_max));
        QCOMPARE(logger.accepts(severity), accepted);
    }

    void inverted_window_is_refused()
    {
        Trace_logger logger(app_name);
        QVERIFY(logger.set_file_log_level(3, 8));
        QVERIFY(!logger.set_file_log_level(10, 5));
        QCOMPARE(logger.file_level_min(), 3u);
        QCOMPARE(logger.file_level_max(), 8u);
        QVERIFY(!logger.set_network_log_level(10, 5));
        QCOMPARE(logger.network_level_min(), 0xFFFFFFFFu);
        logger.set_file_log_level(7);
        QCOMPARE(logger.file_level_max(), 0xFFFFFFFFu);
    }

    void nothing_written_with_default_windows()
    {
        Trace_logger logger(app_name);
        QVERIFY(logger.set_file_name_base(QFile::encodeName(log_dir()).constData(), "log-", 0));
        logger.log("a.cpp", 1, "hello", "m", 100, nullptr, nullptr);
        QVERIFY(!QFile::exists(file_path("log-", 0)));
        QCOMPARE(logger.entry_counter(), 1u);
    }

    void first_entry_writes_header_and_fields()
    {
        auto logger = file_logger("log-", 0);
        logger->log("/src/dir/file.cpp", 42, "hello <world>", "init", 50, nullptr, "");
        const auto doc = read_trace_file(file_path("log-", 0));
        QVERIFY2(doc.well_formed, qPrintable(doc.error));
        QVERIFY(doc.raw.startsWith(header));
        QVERIFY(doc.raw.endsWith(closing));
        QCOMPARE(doc.raw.count("\n"), doc.raw.count("\r\n"));
        QCOMPARE(doc.entries.size(), 1);
        const auto& e = doc.entries[0];
        QCOMPARE(e["Host"], QString::fromStdString(logger->host_name()));
        QCOMPARE(e["Sequence"], QString("00000001"));
        QCOMPARE(e["Severity"], QString("50"));
        QCOMPARE(e["Application"], QString("tst"));
        QCOMPARE(e["File"], QString("file.cpp"));
        QCOMPARE(e["Line"], QString("42"));
        QCOMPARE(e["Module"], QString("init"));
        QCOMPARE(e["Message"], QString("hello &lt;world&gt;"));
        QCOMPARE(e["Details"], QString("-"));
        QCOMPARE(e["Dump"], QString("&lt;empty&gt;"));
        QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d$").match(e["Date"]).hasMatch());
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}$").match(e["Time"]).hasMatch());
        // The new file's index is recorded.
        vq::Registry_wrapper key;
        quint32 index = 99;
        QVERIFY(key.open(vq::Registry_root::local_machine, app_key(), false));
        QVERIFY(key.read_dword("FilenameCount", index));
        QCOMPARE(index, 0u);
    }

    void absent_and_odd_fields_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("module_given");
        QTest::addColumn<QByteArray>("message"); // empty: absent
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        QTest::newRow("backslash path")
            << QByteArray("C:\\x\\y.cpp") << true << QByteArray("m") << "File"
            << "y.cpp";
        QTest::newRow("no module") << QByteArray("a.cpp") << false << QByteArray("m") << "Module"
                                   << "unknown";
        QTest::newRow("no message") << QByteArray("a.cpp") << true << QByteArray() << "Message"
                                    << "NULL";
        QTest::newRow("markup in file name")
            << QByteArray("/d/a&b.cpp") << true << QByteArray("m") << "File"
            << "a&amp;b.cpp";
        QTest::newRow("high bytes in message")
            << QByteArray("a.cpp") << true << QByteArray("\xE9t\xC3\xA9") << "Message"
            << QString(QChar(0xE9)) + "t" + QChar(0xC3) + QChar(0xA9);
    }
    void absent_and_odd_fields()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, module_given);
        QFETCH(QByteArray, message);
        QFETCH(QString, field);
        QFETCH(QString, expected);
        auto logger = file_logger("odd-", 0);
        logger->log(file.constData(), 1, message.isEmpty() ? nullptr : message.constData(),
                    module_given ? "mod" : nullptr, 30, nullptr, nullptr);
        const auto doc = read_trace_file(file_path("odd-", 0));
        QVERIFY2(doc.well_formed, qPrintable(doc.error));
        QCOMPARE(doc.entries.size(), 1);
        QCOMPARE(doc.entries[0][field], expected);
    }

    void entries_append_before_closing_tag()
    {
        auto logger = file_logger("app-", 0);
        for (int i = 0; i < 3; ++i)
            logger->log("a.cpp", i, QByteArray::number(i).constData(), "m", 30, "d", nullptr);
        const auto doc = read_trace_file(file_path("app-", 0));
        QVERIFY2(doc.well_formed, qPrintable(doc.error));
        QCOMPARE(doc.raw.count(closing), 1);
        QCOMPARE(doc.raw.count(header), 1);
        QCOMPARE(doc.entries.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(doc.entries[i]["Message"], QString::number(i));
            QCOMPARE(doc.entries[i]["Sequence"], QString::asprintf("%08X", i + 1));
        }
        QCOMPARE(logger->current_file_size(), quint32(doc.raw.size()));
    }

    // A file cut short (no closing tag) is appended to, never overwritten.
    void truncated_file_keeps_its_bytes()
    {
        QDir().mkpath(log_dir());
        const QByteArray old = header + "\t<Entry>\r\n\t\t<Host>h</Host>\r\n";
        QFile f(file_path("cut-", 0));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
        f.close();
        auto logger = file_logger("cut-", 0);
        logger->log("a.cpp", 1, "new", "m", 30, nullptr, nullptr);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray now = f.readAll();
        QVERIFY(now.startsWith(old));
        QVERIFY(now.endsWith("</Entry>\r\n" + closing));
    }

    void rotation_deletes_next_file()
    {
        write_own_dword("FileSizeLimit", 10240);
        auto logger = file_logger("rot-", 4);
        logger->set_file_count(5);
        QCOMPARE(logger->file_index(), 4u);
        QDir().mkpath(log_dir());
        QFile stale(file_path("rot-", 0));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("stale data from an earlier round");
        stale.close();

        const QByteArray big(1000, 'x');
        int entries = 0;
        while (logger->file_index() == 4 && entries < 100) {
            logger->log("a.cpp", 1, big.constData(), "m", 30, nullptr, nullptr);
            ++entries;
        }
        QCOMPARE(logger->file_index(), 0u);
        QVERIFY(entries >= 8); // 10240 bytes at about 1.3 kB an entry
        QVERIFY(!QFile::exists(file_path("rot-", 0)));
        const auto full = read_trace_file(file_path("rot-", 4));
        QVERIFY2(full.well_formed, qPrintable(full.error));
        QVERIFY(full.raw.size() > 10240);
        QCOMPARE(full.entries.size(), entries);

        logger->log("a.cpp", 2, "fresh", "m", 30, nullptr, nullptr);
        const auto fresh = read_trace_file(file_path("rot-", 0));
        QVERIFY(fresh.raw.startsWith(header));
        QCOMPARE(fresh.entries.size(), 1);
        QCOMPARE(fresh.entries[0]["Message"], QString("fresh"));
    }

    void single_file_count_rotates_onto_itself()
    {
        write_own_dword("FileSizeLimit", 10240);
        auto logger = file_logger("one-", 0);
        logger->set_file_count(0); // counts as one name
        const QByteArray big(2000, 'y');
        for (int i = 0; i < 8; ++i)
            logger->log("a.cpp", 1, big.constData(), "m", 30, nullptr, nullptr);
        QCOMPARE(logger->file_index(), 0u);
        const auto doc = read_trace_file(file_path("one-", 0));
        QVERIFY2(doc.well_formed, qPrintable(doc.error));
        QVERIFY(doc.entries.size() < 8);
    }

    void file_size_limit_clamp_data()
    {
        QTest::addColumn<quint32>("stored");
        QTest::addColumn<quint32>("limit");
        QTest::newRow("5000") << 5000u << 10240u;
        QTest::newRow("0") << 0u << 10240u;
        QTest::newRow("10240") << 10240u << 10240u;
        QTest::newRow("20000") << 20000u << 20000u;
        QTest::newRow("1 GiB") << 1073741824u << 1073741824u;
        QTest::newRow("0x80000000") << 0x80000000u << 1073741824u;
    }
    void file_size_limit_clamp()
    {
        QFETCH(quint32, stored);
        QFETCH(quint32, limit);
        write_own_dword("FileSizeLimit", stored);
        Trace_logger logger(app_name);
        QCOMPARE(logger.file_size_limit(), limit);
    }

    void configuration_from_store()
    {
        write_own_dword("FilenameCount", 3);
        write_own_dword("FileLogLevel", 50);
        write_own_dword("NetworkLogLevel", 70);
        {
            vq::Registry_wrapper key;
            QVERIFY(key.open(vq::Registry_root::local_machine, app_key(), true));
            QVERIFY(key.write_string("FilenameBase", "/var/x/base-"));
        }
        Trace_logger logger(app_name);
        QCOMPARE(logger.file_index(), 3u);
        QCOMPARE(logger.file_level_min(), 50u);
        QCOMPARE(logger.file_level_max(), 0xFFFFFFFFu);
        QCOMPARE(logger.network_level_min(), 70u);
        QCOMPARE(logger.current_file_name(), std::string("/var/x/base-003.xml"));
        QVERIFY(!logger.accepts(49));
        QVERIFY(logger.accepts(50));
    }

    void wrong_types_leave_defaults_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("shared");
        QTest::newRow("FileSizeLimit as text") << "FileSizeLimit" << false;
        QTest::newRow("FilenameCount as text") << "FilenameCount" << false;
        QTest::newRow("FileLogLevel as text") << "FileLogLevel" << false;
        QTest::newRow("NetworkLogLevel as text") << "NetworkLogLevel" << false;
        QTest::newRow("FilenameBase as dword") << "FilenameBase" << false;
        QTest::newRow("Port as text") << "Port" << true;
        QTest::newRow("SubnetAddr01 as dword") << "SubnetAddr01" << true;
    }
    void wrong_types_leave_defaults()
    {
        QFETCH(QString, name);
        QFETCH(bool, shared);
        vq::Registry_wrapper key;
        QVERIFY(key.open(vq::Registry_root::local_machine,
                         shared ? std::string(Trace_logger::shared_key) : app_key(), true));
        const bool text_expected = name == "FilenameBase" || name.startsWith("Subnet");
        if (text_expected)
            QVERIFY(key.write_dword(name.toStdString(), 7));
        else
            QVERIFY(key.write_string(name.toStdString(), "20000"));
        if (name == "SubnetAddr01") {
            QVERIFY(key.write_dword("Port", 5000));
            QVERIFY(key.write_string("SubnetMask01", "255.0.0.0"));
        }
        Trace_logger logger(app_name);
        QCOMPARE(logger.file_size_limit(), Trace_logger::default_file_size_limit);
        QCOMPARE(logger.file_index(), 1u);
        QCOMPARE(logger.file_level_min(), 0xFFFFFFFFu);
        QCOMPARE(logger.network_level_min(), 0xFFFFFFFFu);
        QVERIFY(QByteArray::fromStdString(logger.file_name_base()).endsWith("-tst-"));
        if (name == "Port")
            QCOMPARE(logger.network_port(), quint16(0));
        if (name == "SubnetAddr01") {
            // The sink opens on the port, but with no usable pair it stays silent.
            QVERIFY(logger.network_sink() != nullptr);
            for (const auto& r : logger.network_sink()->routes())
                QVERIFY(!r.enabled);
        }
    }

    void set_file_name_base_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("name"); // "<null>" for an absent name
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("expected_base"); // relative to the temporary folder
        QTest::addColumn<uint>("expected_index");
        QTest::newRow("nested dir") << "/a/b/c"
                                    << "p-" << 2 << "/a/b/c/p-" << 2u;
        QTest::newRow("trailing slashes") << "/a//"
                                          << "p-" << -1 << "/a/p-" << 1u;
        QTest::newRow("split absent name") << "/d/q-"
                                           << "<null>" << 4 << "/d/q-" << 4u;
        QTest::newRow("index modulo") << "/d"
                                      << "p-" << 7 << "/d/p-" << 2u;
        QTest::newRow("negative index") << "/d"
                                        << "p-" << -2 << "/d/p-" << 3u;
    }
    void set_file_name_base()
    {
        QFETCH(QString, directory);
        QFETCH(QString, name);
        QFETCH(int, index);
        QFETCH(QString, expected_base);
        QFETCH(uint, expected_index);
        Trace_logger logger(app_name);
        logger.set_file_count(5);
        const QByteArray dir = QFile::encodeName(temp->path() + directory);
        const QByteArray n = name.toUtf8();
        QVERIFY(logger.set_file_name_base(dir.constData(),
                                          name == "<null>" ? nullptr : n.constData(), index));
        const QString base = temp->path() + expected_base;
        QCOMPARE(QString::fromStdString(logger.file_name_base()), base);
        QCOMPARE(logger.file_index(), expected_index);
        QVERIFY(QFileInfo(base).dir().exists());
        vq::Registry_wrapper key;
        std::string stored;
        QVERIFY(key.open(vq::Registry_root::local_machine, app_key(), false));
        QVERIFY(key.read_string("FilenameBase", stored));
        QCOMPARE(QString::fromStdString(stored), base);
    }

    void set_file_name_base_empty_name_uses_date()
    {
        Trace_logger logger(app_name);
        QVERIFY(logger.set_file_name_base(QFile::encodeName(log_dir()).constData(), "", -1));
        const QString base = QString::fromStdString(logger.file_name_base());
        QVERIFY2(QRegularExpression("/logs/\\d{4}-\\d\\d-\\d\\d-tst-$").match(base).hasMatch(),
                 qPrintable(base));
    }

    void set_file_name_base_fails_on_file_in_the_way()
    {
        QFile blocker(temp->path() + "/plain");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Trace_logger logger(app_name);
        const QByteArray dir = QFile::encodeName(temp->path() + "/plain/sub");
        QVERIFY(!logger.set_file_name_base(dir.constData(), "x-", 0));
    }

    void locked_file_drops_entry_after_retries()
    {
        auto logger = file_logger("lock-", 0);
        logger->log("a.cpp", 1, "first", "m", 30, nullptr, nullptr);
        const QByteArray path = QFile::encodeName(file_path("lock-", 0));
        const int holder = ::open(path.constData(), O_RDWR);
        QVERIFY(holder >= 0);
        QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);
        logger->log("a.cpp", 2, "while locked", "m", 30, nullptr, nullptr);
        ::close(holder);
        logger->log("a.cpp", 3, "after", "m", 30, nullptr, nullptr);
        const auto doc = read_trace_file(file_path("lock-", 0));
        QVERIFY2(doc.well_formed, qPrintable(doc.error));
        QCOMPARE(doc.entries.size(), 2);
        QCOMPARE(doc.entries[1]["Message"], QString("after"));
        QCOMPARE(doc.entries[1]["Sequence"], QString("00000003"));
    }

    void errno_is_kept()
    {
        auto logger = file_logger("err-", 0);
        // Make the file impossible to open: a directory of the same name.
        QVERIFY(QDir().mkpath(file_path("err-", 0)));
        errno = 4242;
        logger->log("a.cpp", 1, "lost", "m", 30, nullptr, nullptr);
        QCOMPARE(errno, 4242);
    }

    void domain_names()
    {
        const std::string host = Trace_logger::get_domain_name(Trace_logger::name_host);
        char name[256] = {};
        ::gethostname(name, sizeof name - 1);
        QCOMPARE(host, std::string(name[0] ? name : "NoHost"));
        QVERIFY(!Trace_logger::get_domain_name(Trace_logger::name_domain).empty());
        const std::string address = Trace_logger::get_domain_name(Trace_logger::name_address);
        in_addr parsed{};
        QVERIFY(address.empty() || ::inet_pton(AF_INET, address.c_str(), &parsed) == 1);
        const std::string combined = Trace_logger::get_domain_name(7);
        QVERIFY(QByteArray::fromStdString(combined).endsWith(
            "(" + QByteArray::fromStdString(address) + ")"));
    }

    void add_subnet_data()
    {
        QTest::addColumn<quint16>("port");
        QTest::addColumn<quint32>("address");
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<bool>("result");
        QTest::addColumn<bool>("sink");
        QTest::newRow("zero address") << quint16(0) << 0u << 0xFF000000u << false << false;
        QTest::newRow("zero mask") << quint16(0) << 0x7F000000u << 0u << false << false;
        QTest::newRow("no port keeps pair")
            << quint16(0) << 0x7F000000u << 0xFF000000u << true << false;
        QTest::newRow("port opens sink")
            << quint16(9) << 0x7F000000u << 0xFF000000u << true << true;
    }
    void add_subnet()
    {
        QFETCH(quint16, port);
        QFETCH(quint32, address);
        QFETCH(quint32, mask);
        QFETCH(bool, result);
        QFETCH(bool, sink);
        Trace_logger logger(app_name);
        logger.set_network_port(port);
        QCOMPARE(logger.add_subnet(address, mask), result);
        QCOMPARE(logger.network_sink() != nullptr, sink);
        if (result)
            QVERIFY(logger.add_subnet(address, mask)); // the same pair again
    }

    void subnet_table_holds_fifteen()
    {
        Trace_logger logger(app_name);
        for (quint32 i = 1; i <= 15; ++i)
            QVERIFY(logger.add_subnet(0x7F000000u + (i << 8), 0xFFFFFF00u));
        QVERIFY(!logger.add_subnet(0x7F100000u, 0xFFFFFF00u));
        QVERIFY(logger.add_subnet(0x7F000100u, 0xFFFFFF00u));
    }

    void network_lines_data()
    {
        QTest::addColumn<quint32>("severity");
        QTest::addColumn<bool>("message_given");
        QTest::addColumn<bool>("details_given");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("info with details")
            << 50u << true << true << QByteArray("<14>tst_c.cpp:12: hello | more");
        QTest::newRow("warning") << 70u << true << false << QByteArray("<13>tst_c.cpp:12: hello");
        QTest::newRow("fatal") << 100u << true << false << QByteArray("<11>tst_c.cpp:12: hello");
        QTest::newRow("no message") << 30u << false << true << QByteArray("<15>tst_c.cpp:12: ");
        QTest::newRow("outside window") << 5u << true << false << QByteArray();
    }
    void network_lines()
    {
        QFETCH(quint32, severity);
        QFETCH(bool, message_given);
        QFETCH(bool, details_given);
        QFETCH(QByteArray, line);
        Loopback_receiver receiver;
        configure_loopback_network(receiver.port);
        write_own_dword("NetworkLogLevel", 10);
        Trace_logger logger(app_name);
        QVERIFY(logger.network_sink() != nullptr);
        QCOMPARE(logger.network_port(), receiver.port);
        logger.log("/x/b\\c.cpp", 12, message_given ? "hello" : nullptr, "m", severity,
                   details_given ? "more" : nullptr, nullptr);
        const auto got = receiver.receive();
        if (line.isEmpty()) {
            QVERIFY(got.isEmpty());
        } else {
            // Exactly once, even where the host name resolves to 127.0.0.1.
            QCOMPARE(got.size(), 1);
            QCOMPARE(got[0], line);
        }
    }

    void network_port_change_replaces_sink()
    {
        Loopback_receiver receiver;
        Trace_logger logger(app_name);
        logger.set_network_log_level(0);
        QVERIFY(logger.add_subnet(0x7F000000u, 0xFF000000u));
        QVERIFY(logger.network_sink() == nullptr);
        logger.set_network_port(receiver.port);
        QVERIFY(logger.network_sink() != nullptr);
        logger.log("a.cpp", 1, "up", nullptr, 50, nullptr, nullptr);
        QCOMPARE(receiver.receive(), QList<QByteArray>{"<14>tst_a.cpp:1: up"});
        logger.set_network_port(0);
        QVERIFY(logger.network_sink() == nullptr);
        logger.log("a.cpp", 1, "down", nullptr, 50, nullptr, nullptr);
        QVERIFY(receiver.receive(150).isEmpty());
    }
};

QTEST_GUILESS_MAIN(Tst_trace_logger)
#include "tst_trace_logger.moc"
