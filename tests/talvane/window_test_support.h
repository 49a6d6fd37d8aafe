#pragma once

// Shared pieces of the window tests: a look inside the window, a simulated
// modem on a pseudo-terminal, silent pseudo-terminals and a log recorder.

#include "talvane.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <memory>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

// Friend of the window: reads its state and drives its private slots.
struct Talvane_test_probe
{
    Talvane& w;

    int state() const { return w.connection_state; }
    QString status() const { return w.connection_status_label->text(); }
    QComboBox* ports() const { return w.serial_port_selector; }
    QPushButton* connect_button() const { return w.connect_button; }
    QPushButton* save_button() const { return w.settings_save_button; }
    QPushButton* load_defaults_button() const { return w.settings_load_defaults_button; }
    int port_count() const { return w.port_count; }
    bool auto_detect() const { return w.auto_detect; }
    bool response_seen() const { return w.response_seen; }
    QTimer* connect_timer() const { return w.connect_timer; }
    QTimer* boot_timer() const { return w.modem_boot_timer; }
    QTimer* init_timer() const { return w.init_timer; }
    QTimer* keep_alive_timer() const { return w.keep_alive_timer; }
    QTimer* display_timer() const { return w.display_timer; }
    QWidget* panel(int index) const
    {
        QWidget* panels[] = {w.modem_interface_panel,     w.data_interface_panel,
                             w.modem_control_panel,       w.radio_control_panel,
                             w.receive_information_panel, w.ale_2g_control_panel};
        return panels[index];
    }

    // The counters by name, in the order of the init report.
    QList<QPair<QString, int>> counters() const
    {
        QList<QPair<QString, int>> list;
#define TALVANE_PROBE_COUNTER(name, expected) list << qMakePair(QString(#name), w.name);
        TALVANE_INIT_COUNTERS(TALVANE_PROBE_COUNTER)
#undef TALVANE_PROBE_COUNTER
        return list;
    }
    int max_counter() const
    {
        int highest = INT_MIN;
        for (const auto& counter : counters()) {
            highest = std::max(highest, counter.second);
        }
        return highest;
    }

    // Replaces the port list by "Auto Detect" and the given devices.
    void set_ports(const QStringList& devices)
    {
        w.serial_port_selector->clear();
        w.serial_port_selector->addItem("Auto Detect");
        w.serial_port_selector->addItems(devices);
        w.port_count = devices.size();
    }

    void press_connect()
    {
        w._ui_action_connect_disconnect();
    }
    void enter(Connection_state state)
    {
        w._set_connection_state(state);
    }
    void set_model(int model)
    {
        w.modem_model = model;
    }
    void startup_status(bool ok, uchar status)
    {
        w._handle_reponse_modem_startup_status(ok, status);
    }
    void reset_ack()
    {
        w._handle_reset_set_ack();
    }
    void save_ack()
    {
        w._handle_save_configuration_to_non_volatile_memory_set_ack();
    }
    void display_timeout()
    {
        w._display_timeout();
    }
    void init_timeout()
    {
        w._init_timeout();
    }
    void keep_alive_timeout()
    {
        w._keep_alive_timeout();
    }
    void port_lost()
    {
        w._handle_port_lost();
    }
    void set_receiving(bool receiving)
    {
        w.receiving = receiving;
    }
    void set_response_seen(bool seen)
    {
        w.response_seen = seen;
    }

    // Answers during initialisation, by the handler that receives them.
    void system_mode_ack()
    {
        w._handle_system_mode_set_ack(0);
    }
    void upload_mode_ack()
    {
        w._handle_data_from_modem_upload_mode_set_ack();
    }
    void upload_mode_nack()
    {
        w._handle_data_from_modem_upload_mode_set_nack();
    }
    void registration_ack()
    {
        w._handle_registration_for_an_inividual_indication_set_ack();
    }
    void registration_nack()
    {
        w._handle_registration_for_an_inividual_indication_set_nack();
    }
    void duplex_ack()
    {
        w._handle_modem_duplex_mode_set_ack();
    }
    void radio_select_response()
    {
        w._handle_radio_select_request_response(1, "No Radio");
    }

    // Sets every counter to `value` (the other handlers belong to other panels).
    void set_all_counters(int value)
    {
#define TALVANE_PROBE_SET(name, expected) w.name = value;
        TALVANE_INIT_COUNTERS(TALVANE_PROBE_SET)
#undef TALVANE_PROBE_SET
    }
    int& counter(const char* name)
    {
#define TALVANE_PROBE_FIND(counter_name, expected)                                                 \
    if (qstrcmp(name, #counter_name) == 0) {                                                       \
        return w.counter_name;                                                                     \
    }
        TALVANE_INIT_COUNTERS(TALVANE_PROBE_FIND)
#undef TALVANE_PROBE_FIND
        qFatal("no counter %s", name);
    }
};

// Every log line written while it lives, as "category|message".
class Log_recorder
{
public:
    Log_recorder()
    {
        instance() = this;
        previous = qInstallMessageHandler(&Log_recorder::handle);
    }
    ~Log_recorder()
    {
        qInstallMessageHandler(previous);
        instance() = nullptr;
    }
    Log_recorder(const Log_recorder&) = delete;
    Log_recorder& operator=(const Log_recorder&) = delete;

    QStringList lines;

    QStringList in(const QString& category) const
    {
        QStringList found;
        for (const QString& line : lines) {
            if (line.startsWith(category + "|")) {
                found << line.mid(category.size() + 1);
            }
        }
        return found;
    }

private:
    static Log_recorder*& instance()
    {
        static Log_recorder* current = nullptr;
        return current;
    }
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        if (Log_recorder* recorder = instance()) {
            recorder->lines << QString::fromLatin1(context.category ? context.category : "") + "|" +
                                   message;
        }
    }
    QtMessageHandler previous = nullptr;
};

// A pseudo-terminal in raw mode with nobody answering on it: a port that
// opens but stays silent.
class Silent_pty
{
public:
    Silent_pty()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            termios settings{};
            tcgetattr(master, &settings);
            cfmakeraw(&settings);
            tcsetattr(master, TCSANOW, &settings);
            path = QString::fromLocal8Bit(name);
            ::close(slave);
            slave = -1;
        }
    }
    ~Silent_pty()
    {
        if (master >= 0) {
            ::close(master);
        }
    }
    Silent_pty(const Silent_pty&) = delete;
    Silent_pty& operator=(const Silent_pty&) = delete;

    // Bytes the console wrote to this port so far.
    QByteArray written()
    {
        QByteArray bytes;
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(master, buffer, sizeof buffer)) > 0) {
            bytes.append(buffer, int(n));
        }
        return bytes;
    }

    QString path;

private:
    int master = -1;
    int slave = -1;
};

// The simulated modem, started on a pseudo-terminal behind a link in a
// private folder. Commands go to its standard input.
class Simulated_modem
{
public:
    static QString program()
    {
        return qEnvironmentVariable("TALVANE_BINARY_DIR") +
               "/source/modem_simulator/talvane-modem-sim";
    }

    bool start(const QString& link, const QStringList& extra = {})
    {
        process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start(program(), QStringList{"--pty", "--link", link} + extra);
        if (!process->waitForStarted(5000)) {
            return false;
        }
        for (int i = 0; i < 100 && !process->canReadLine(); ++i) {
            process->waitForReadyRead(100);
        }
        if (!process->canReadLine()) {
            return false;
        }
        device = QString::fromLocal8Bit(process->readLine()).trimmed();
        for (int i = 0; i < 100 && !QFileInfo::exists(link); ++i) {
            QTest::qWait(20);
        }
        return QFileInfo::exists(link);
    }

    void command(const QByteArray& line)
    {
        process->write(line + "\n");
        process->waitForBytesWritten(1000);
    }

    // Ends the simulator at once, as a crash or an unplugged adapter would.
    void kill()
    {
        if (process && process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    void stop()
    {
        if (process && process->state() != QProcess::NotRunning) {
            process->write("quit\n");
            process->closeWriteChannel();
            if (!process->waitForFinished(2000)) {
                kill();
            }
        }
    }

    ~Simulated_modem() { stop(); }

    std::unique_ptr<QProcess> process;
    QString device;
};

// Settings of the window, cleared between test functions.
inline void clear_window_settings()
{
    QCoreApplication::setOrganizationName("Velquin");
    QCoreApplication::setApplicationName("Talvane");
    QSettings settings;
    settings.clear();
    settings.sync();
}

inline QString test_home()
{
    const QString home = qEnvironmentVariable("TALVANE_TEST_HOME");
    return home.isEmpty() ? QDir::tempPath() : home;
}

// A window on a simulated modem behind a private link, with every state it
// passes through recorded.
class Window_on_modem
{
public:
    Window_on_modem()
        : folder(qEnvironmentVariable("XDG_RUNTIME_DIR", QDir::tempPath()) + "/window-test-XXXXXX"),
          link(folder.path() + "/modem"), window(std::make_unique<Talvane>()), probe{*window}
    {
        QObject::connect(window.get(), &Talvane::connection_state_changed, window.get(),
                         [this](int state, const QString& text) {
                             if (states.isEmpty() || states.last() != state) {
                                 states << state;
                             }
                             texts << text;
                         });
    }

    bool start_modem(const QStringList& options = {}) { return modem.start(link, options); }

    // Selects the link (alone, or after other devices) and presses Connect.
    void connect_to(const QStringList& devices_before = {}, bool auto_detect = false)
    {
        probe.set_ports(devices_before + QStringList{link});
        probe.ports()->setCurrentIndex(auto_detect ? 0 : probe.ports()->count() - 1);
        probe.press_connect();
    }

    // The states passed through contain `expected` in this order.
    bool passed_through(const QList<int>& expected) const
    {
        int at = 0;
        for (int state : states) {
            if (at < expected.size() && state == expected.at(at)) {
                ++at;
            }
        }
        return at == expected.size();
    }

    QTemporaryDir folder;
    QString link;
    Simulated_modem modem;
    std::unique_ptr<Talvane> window;
    Talvane_test_probe probe;
    QList<int> states;
    QStringList texts;
};

#define SKIP_WITHOUT_SIMULATOR()                                                                   \
    if (!QFileInfo(Simulated_modem::program()).isExecutable()) {                                   \
        QSKIP("the simulated modem is not built");                                                 \
    }
