// What the console leaves on the system: it listens on no network socket
// (its UDP log output only sends, and only where a port is configured) and
// on one UNIX socket, its control socket, and every
// file and folder it creates has the mode the README states: the virtual
// data port's folder 0700, nothing else writable by group or others.

#include "app_logging.h"
#include "control_socket.h"
#include "registry_wrapper.h"
#include "trace_logger.h"
#include "window_fixture.h"

#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QtTest>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Inodes of the sockets this process holds.
QSet<QString> socket_inodes()
{
    QSet<QString> inodes;
    QDirIterator fds("/proc/self/fd", QDir::System | QDir::NoDotAndDotDot);
    while (fds.hasNext()) {
        fds.next();
        QByteArray buffer(256, '\0');
        const ssize_t n = ::readlink(QFile::encodeName(fds.filePath()).constData(), buffer.data(),
                                     static_cast<size_t>(buffer.size()));
        const QString text = QString::fromLatin1(buffer.left(n > 0 ? int(n) : 0));
        if (text.startsWith("socket:[")) {
            inodes.insert(text.mid(8, text.size() - 9));
        }
    }
    return inodes;
}

struct Socket_row
{
    QString table;
    QStringList fields;
};

// The rows of /proc/self/net tables that belong to this process's sockets.
QList<Socket_row> own_sockets(const QStringList& tables, int inode_column)
{
    const QSet<QString> inodes = socket_inodes();
    QList<Socket_row> rows;
    for (const QString& table : tables) {
        QFile file("/proc/self/net/" + table);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        file.readLine(); // heading
        while (!file.atEnd()) {
            const QStringList fields =
                QString::fromLatin1(file.readLine()).split(' ', Qt::SkipEmptyParts);
            if (fields.size() > inode_column && inodes.contains(fields.at(inode_column))) {
                rows << Socket_row{table, fields};
            }
        }
    }
    return rows;
}

void write_network_log_configuration(quint16 port)
{
    vq::Registry_wrapper shared;
    QVERIFY(shared.open(vq::Registry_root::local_machine, vq::Trace_logger::shared_key, true));
    QVERIFY(shared.write_dword("Port", port));
    QVERIFY(shared.write_string("SubnetAddr01", "127.0.0.0"));
    QVERIFY(shared.write_string("SubnetMask01", "255.0.0.0"));
}

// Starts the simulated modem and connects the window to it.
bool connect_to_simulated_modem(Window_on_modem& rig)
{
    if (!rig.start_modem({"--boot-ms", "0"})) {
        return false;
    }
    rig.connect_to();
    return QTest::qWaitFor([&] { return rig.probe.state() == CONNECTION_STATE_CONNECTED; },
                           scaled_ms(5000));
}

void remove_store()
{
    const auto store = vq::Registry_wrapper::store_path(vq::Registry_root::local_machine);
    QFile::remove(QString::fromStdString(store.string()));
}

} // namespace

class Tst_console_footprint : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        clear_window_settings();
        remove_store();
    }
    void cleanup() { remove_store(); }

    void listens_on_no_socket_data()
    {
        QTest::addColumn<quint16>("log_port");
        QTest::newRow("no network log") << quint16(0);
        QTest::newRow("network log to loopback") << quint16(50731);
    }
    void listens_on_no_socket()
    {
        REQUIRE_SIMULATOR();
        QFETCH(quint16, log_port);
        if (log_port != 0) {
            write_network_log_configuration(log_port);
        }
        // The logger as the console's entry creates it, then the window on
        // a simulated modem, connected.
        std::unique_ptr<vq::Trace_logger> logger(new vq::Trace_logger("Talvane"));
        logger->set_network_log_level(0);
        logger->log("x.cpp", 1, "footprint", "info", 50, nullptr, nullptr);
        Window_on_modem rig;
        Control_socket control;
        QString error;
        QCOMPARE(control.listen("footprint", &error), Control_socket::Listen_result::listening);
        QVERIFY(connect_to_simulated_modem(rig));

        for (const Socket_row& row : own_sockets({"tcp", "tcp6"}, 9)) {
            QVERIFY2(false, qPrintable("a TCP socket: " + row.fields.join(' ')));
        }
        const QList<Socket_row> udp = own_sockets({"udp", "udp6"}, 9);
        if (log_port == 0) {
            QVERIFY2(udp.isEmpty(), "a UDP socket without a network log port");
        }
        for (const Socket_row& row : udp) {
            // Sending sockets on an address of their own, unconnected, never
            // on the port the log goes to.
            const QString local = row.fields.at(1);
            const quint16 port = quint16(local.section(':', 1).toUInt(nullptr, 16));
            QVERIFY2(port != log_port,
                     qPrintable("bound to the log port: " + row.fields.join(' ')));
        }
        // Unix sockets: none accepting connections (flag __SO_ACCEPTCON) but
        // the control socket.
        for (const Socket_row& row : own_sockets({"unix"}, 6)) {
            QVERIFY2((row.fields.at(3).toUInt(nullptr, 16) & 0x10000) == 0 ||
                         row.fields.value(7).trimmed() == control.path(),
                     qPrintable("a listening unix socket: " + row.fields.join(' ')));
        }
    }

    // Runs the console's whole life (log file, settings files, virtual
    // port, connection, closing) and then looks at everything below its
    // XDG folders.
    void created_files_have_their_modes()
    {
        REQUIRE_SIMULATOR();
        const mode_t previous = ::umask(022);
        // The control socket and its lock stay for the look below.
        Control_socket control;
        {
            std::unique_ptr<vq::Trace_logger> logger(
                create_talvane_trace_logger(talvane_log_directory()));
            set_trace_logger(logger.get());
            logger->log("x.cpp", 1, "footprint", "info", 50, nullptr, nullptr);
            Window_on_modem rig;
            QString error;
            QCOMPARE(control.listen("footprint", &error), Control_socket::Listen_result::listening);
            QVERIFY(connect_to_simulated_modem(rig));
            rig.window->close();
            set_trace_logger(nullptr);
        }
        ::umask(previous);

        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const QString port_folder = runtime + "/talvane";
        struct stat info = {};
        QCOMPARE(::lstat(QFile::encodeName(port_folder).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0700));

        int seen = 0;
        for (const QString& root : {qEnvironmentVariable("XDG_CONFIG_HOME"),
                                    qEnvironmentVariable("XDG_DATA_HOME"), runtime}) {
            QDirIterator it(root,
                            QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                QCOMPARE(::lstat(QFile::encodeName(path).constData(), &info), 0);
                if (S_ISLNK(info.st_mode) || path.startsWith(runtime + "/window-test-")) {
                    continue; // links carry no mode; the test's own link folder
                }
                ++seen;
                qInfo("%04o %s", unsigned(info.st_mode & 07777), qPrintable(path));
                QVERIFY2((info.st_mode & 022) == 0,
                         qPrintable(path + " is writable by group or others"));
            }
        }
        QVERIFY(seen >= 6);
    }
};

QTEST_MAIN(Tst_console_footprint)
#include "tst_console_footprint.moc"
