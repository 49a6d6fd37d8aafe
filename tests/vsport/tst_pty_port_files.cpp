// The pseudo-terminal control's files: the private folder, the name locks
// shared between consoles, and the link that leads to the pseudo-terminal.

#include "pty_vsport_control.h"
#include "test_timing.h"
#include "virtual_serial_port.h"
#include "vsport_files.h"

#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using vq_qt::Pty_vsport_control;
using vq_qt::Virtual_serial_port;

namespace {

std::unique_ptr<Virtual_serial_port> make_console()
{
    return std::make_unique<Virtual_serial_port>(std::make_unique<Pty_vsport_control>());
}

mode_t mode_of(const QString& path)
{
    struct stat st
    {
    };
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode;
}

// A console that holds the lock of `name` in a child process until killed.
class Lock_holder
{
public:
    explicit Lock_holder(const QString& lock_file)
    {
        const QByteArray path = QFile::encodeName(lock_file);
        int ready[2];
        if (::pipe(ready) != 0) {
            return;
        }
        pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(path.constData(), O_RDWR | O_CREAT, 0600);
            const char ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &ok, 1);
            for (;;) {
                ::pause();
            }
        }
        ::close(ready[1]);
        pollfd p{ready[0], POLLIN, 0};
        char ok = 'n';
        if (::poll(&p, 1, scaled_ms(5000)) == 1 && ::read(ready[0], &ok, 1) == 1) {
            locked = ok == 'y';
        }
        ::close(ready[0]);
    }
    ~Lock_holder() { crash(); }

    void crash()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }

    bool locked = false;

private:
    pid_t pid = -1;
};

} // namespace

class Tst_pty_port_files : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void folder_for_environment_data();
    void folder_for_environment();
    void folder_checks_data();
    void folder_checks();
    void link_leads_to_device();
    void second_console_gets_next_name();
    void crashed_console_name_reused();
    void unsafe_name_refused();

private:
    std::unique_ptr<QTemporaryDir> runtime;
    QString folder;
};

void Tst_pty_port_files::init()
{
    // Each test its own runtime folder: no two runs share port names.
    runtime = std::make_unique<QTemporaryDir>();
    QVERIFY(runtime->isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    folder = runtime->path() + "/talvane";
}

void Tst_pty_port_files::folder_for_environment_data()
{
    QTest::addColumn<QString>("runtime_dir");
    QTest::addColumn<QString>("expected");
    QTest::newRow("XDG_RUNTIME_DIR set") << "/run/user/1000"
                                         << "/run/user/1000/talvane";
    QTest::newRow("XDG_RUNTIME_DIR unset") << ""
                                           << "/tmp/talvane-1000";
}

void Tst_pty_port_files::folder_for_environment()
{
    QFETCH(QString, runtime_dir);
    QFETCH(QString, expected);
    QCOMPARE(vq_qt::vsport_files::port_folder_for(runtime_dir, 1000), expected);
}

void Tst_pty_port_files::folder_checks_data()
{
    QTest::addColumn<QString>("existing"); // what stands at the folder's place
    QTest::addColumn<bool>("accepted");
    QTest::newRow("missing: made private") << "" << true;
    QTest::newRow("private folder") << "dir 0700" << true;
    QTest::newRow("readable by others") << "dir 0755" << false;
    QTest::newRow("writable by the group") << "dir 0730" << false;
    QTest::newRow("another owner") << "foreign 0700" << false;
    QTest::newRow("link to a private folder") << "link" << false;
    QTest::newRow("a file") << "file" << false;
}

void Tst_pty_port_files::folder_checks()
{
    QFETCH(QString, existing);
    QFETCH(bool, accepted);
    const QByteArray path = QFile::encodeName(folder);
    if (existing.startsWith("dir") || existing.startsWith("foreign")) {
        QVERIFY(::mkdir(path.constData(), 0700) == 0);
        QVERIFY(::chmod(path.constData(), existing.section(' ', 1).toUInt(nullptr, 8)) == 0);
    }
    if (existing.startsWith("foreign")) {
        if (::geteuid() != 0) {
            QSKIP("giving a folder to another user needs root");
        }
        QVERIFY(::chown(path.constData(), ::getuid() + 4242, ::getgid()) == 0);
    }
    if (existing == "link") {
        QVERIFY(QDir(runtime->path()).mkdir("elsewhere"));
        QVERIFY(::chmod(QFile::encodeName(runtime->path() + "/elsewhere").constData(), 0700) == 0);
        QVERIFY(QFile::link(runtime->path() + "/elsewhere", folder));
    }
    if (existing == "file") {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    Pty_vsport_control control;
    if (!accepted) {
        // Refused by ResetBus, and again by CreatePort that retries it.
        const QRegularExpression refused("^Virtual port folder refused: " + folder);
        QTest::ignoreMessage(QtWarningMsg, refused);
        QTest::ignoreMessage(QtWarningMsg, refused);
    }
    QCOMPARE(control.ResetBus(), accepted);
    QCOMPARE(control.CreatePort("COM3"), accepted);
    if (accepted) {
        QCOMPARE(mode_of(folder) & 07777, mode_t(0700));
        QVERIFY(S_ISDIR(mode_of(folder)));
    }
}

void Tst_pty_port_files::link_leads_to_device()
{
    const QString link = folder + "/COM3";
    const QString lock = folder + "/COM3.lock";
    {
        Pty_vsport_control control;
        QVERIFY(control.ResetBus());
        QVERIFY(control.CreatePort("COM3"));
        QCOMPARE(control.port_path(), link);
        QVERIFY(control.device_path().startsWith("/dev/pts/"));
        QCOMPARE(QFile::symLinkTarget(link), control.device_path());
        QVERIFY(QFileInfo::exists(lock));
        // Nothing but the link and the lock: the temporary name is gone.
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                        QDir::NoDotAndDotDot),
                 (QStringList{"COM3", "COM3.lock"}));

        QVERIFY(control.Delete());
        QVERIFY(!QFileInfo(link).isSymLink());
        QVERIFY(!QFileInfo::exists(lock));
        QVERIFY(!control.Delete());

        QVERIFY(control.CreatePort("COM3"));
        QVERIFY(QFileInfo(link).isSymLink());
    }
    // Destroyed with the port in place: link and lock go with it.
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(lock));
}

void Tst_pty_port_files::second_console_gets_next_name()
{
    auto first = make_console();
    auto second = make_console();
    QVERIFY(first->_init_virtual_serial_port({}));
    QVERIFY(second->_init_virtual_serial_port({}));
    QCOMPARE(first->virtual_port_name(), QString("COM3"));
    QCOMPARE(second->virtual_port_name(), QString("COM4"));
    QVERIFY(first->control()->device_path() != second->control()->device_path());
    QVERIFY(first->control()->name_in_use("COM4"));

    // The name is free again once its console has removed the port.
    QVERIFY(first->Delete());
    QVERIFY(!second->control()->name_in_use("COM3"));
    auto third = make_console();
    QVERIFY(third->_init_virtual_serial_port({"COM1", "COM2"}));
    QCOMPARE(third->virtual_port_name(), QString("COM3"));
}

void Tst_pty_port_files::crashed_console_name_reused()
{
    QVERIFY(::mkdir(QFile::encodeName(folder).constData(), 0700) == 0);
    Lock_holder crashing(folder + "/COM3.lock");
    QVERIFY(crashing.locked);
    // Its link still leads somewhere.
    QVERIFY(QFile::link("/dev/null", folder + "/COM3"));

    {
        auto console = make_console();
        QVERIFY(console->control()->name_in_use("COM3"));
        QVERIFY(console->_init_virtual_serial_port({}));
        QCOMPARE(console->virtual_port_name(), QString("COM4"));
        QCOMPARE(QFile::symLinkTarget(folder + "/COM3"), QString("/dev/null"));
    }

    crashing.crash();
    auto console = make_console();
    QVERIFY(!console->control()->name_in_use("COM3"));
    QVERIFY(console->_init_virtual_serial_port({}));
    QCOMPARE(console->virtual_port_name(), QString("COM3"));
    QCOMPARE(QFile::symLinkTarget(folder + "/COM3"), console->control()->device_path());
}

void Tst_pty_port_files::unsafe_name_refused()
{
    Pty_vsport_control control;
    QVERIFY(control.ResetBus());
    for (const char* name : {"../COM3", "COM3/x", "", ".lock"}) {
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QString("Virtual port name refused: ") + name));
        QVERIFY(!control.CreatePort(name));
    }
    QVERIFY(!control.name_in_use("../COM3"));
}

QTEST_GUILESS_MAIN(Tst_pty_port_files)
#include "tst_pty_port_files.moc"
