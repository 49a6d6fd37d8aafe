#pragma once

// The console window for tests: a look at its components through their
// public interfaces, a decoder for the frames it sends, and a window on a
// simulated modem with every state it passes through recorded.

#include "connection_controller.h"
#include "data_interface_panel.h"
#include "data_path_bridge.h"
#include "log_recorder.h"
#include "modem_control_panel.h"
#include "port_selector.h"
#include "pty_pair.h"
#include "qmodem_interface.h"
#include "radio_control_panel.h"
#include "receive_information_panel.h"
#include "simulated_modem.h"
#include "tac1_catalogue.h"
#include "talvane.h"
#include "test_timing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <climits>
#include <functional>
#include <memory>

using namespace vq_qt;

// One TAC1 message as the window put it on the line.
struct Sent_message
{
    QString name; // catalogue name, "Tac1_msg_..."
    QByteArray payload;
};

// Reads one whole SIPC frame: the TAC1 header starts after the 20 framing
// bytes (identifier 4, transaction 1, type 1); the frame ends in a 2-byte CRC.
inline Sent_message decode_sent_frame(const QByteArray& frame)
{
    Sent_message message;
    if (frame.size() < 28) {
        message.name = "short frame";
        return message;
    }
    const auto* bytes = reinterpret_cast<const uchar*>(frame.constData());
    const std::uint32_t identifier = (std::uint32_t(bytes[20]) << 24) |
                                     (std::uint32_t(bytes[21]) << 16) |
                                     (std::uint32_t(bytes[22]) << 8) | bytes[23];
    const vq::Tac1_catalogue_entry* entry = vq::tac1_find(identifier);
    message.name = entry ? QString::fromLatin1(entry->name) : QString::number(identifier, 16);
    message.payload = frame.mid(26, frame.size() - 28);
    return message;
}

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray array;
    for (int value : values) {
        array.append(char(value & 0xFF));
    }
    return array;
}

// Texts of a combo box's entries, in order.
inline QStringList entries(const QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) {
        texts << box->itemText(i);
    }
    return texts;
}

// The operator picks the entry with this text (the box's own signals fire).
inline bool choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    if (index < 0) {
        return false;
    }
    box->setCurrentIndex(index);
    return true;
}

// Every frame the modem interface sends while it lives.
class Sent_frames
{
public:
    explicit Sent_frames(vq_qt::QModem_interface* modem)
        : spy(modem, &vq_qt::QModem_interface::send_sipc_data)
    {}
    QList<Sent_message> messages(const QString& name = QString()) const
    {
        QList<Sent_message> list;
        for (const QList<QVariant>& call : spy) {
            const Sent_message message = decode_sent_frame(call.at(0).toByteArray());
            if (name.isEmpty() || message.name == name) {
                list << message;
            }
        }
        return list;
    }
    QStringList names() const
    {
        QStringList list;
        for (const Sent_message& message : messages()) {
            list << message.name;
        }
        return list;
    }
    void clear() { spy.clear(); }
    int count() const { return spy.count(); }

    QSignalSpy spy;
};

// Looks up a counter of the initialisation by the name of the init report.
inline Init_response init_response_by_name(const QString& name)
{
    for (int which = 0; which < INIT_RESP_COUNT; ++which) {
        if (name == init_response_name(Init_response(which))) {
            return Init_response(which);
        }
    }
    qFatal("no counter %s", qPrintable(name));
    return INIT_RESP_COUNT;
}

// The window's components and controls, reached through public interfaces.
struct Talvane_test_probe
{
    Talvane& w;

    Connection_controller* connection() const { return w.connection(); }
    Modem_control_panel* modem_control() const { return w.modem_control(); }
    Receive_information_panel* receive_information() const { return w.receive_information(); }

    int state() const { return connection()->current_connection_state(); }
    QString status() const { return w.connection_status_label->text(); }
    QComboBox* ports() const { return w.serial_port_selector; }
    QPushButton* connect_button() const { return w.connect_button; }
    QPushButton* save_button() const { return w.settings_save_button; }
    QPushButton* load_defaults_button() const { return w.settings_load_defaults_button; }
    int port_count() const { return connection()->port_count(); }
    bool auto_detect() const { return connection()->auto_detect(); }
    bool response_seen() const { return connection()->response_seen(); }
    QTimer* connect_timer() const { return connection()->connect_timer(); }
    QTimer* boot_timer() const { return connection()->modem_boot_timer(); }
    QTimer* init_timer() const { return connection()->init_timer(); }
    QTimer* keep_alive_timer() const { return connection()->keep_alive_timer(); }
    QTimer* display_timer() const { return connection()->display_timer(); }
    // The six panels, in the order Modem Interface, Data Interface, Modem
    // Control, Radio Control, Receive Information, 2G ALE Control.
    QWidget* panel(int index) const
    {
        QWidget* panels[] = {w.modem_interface_group(), w.data_interface(),      w.modem_control(),
                             w.radio_control(),         w.receive_information(), w.ale_2g_group()};
        return panels[index];
    }

    // The counters by name, in the order of the init report.
    QList<QPair<QString, int>> counters() const
    {
        QList<QPair<QString, int>> list;
        for (int which = 0; which < INIT_RESP_COUNT; ++which) {
            list << qMakePair(QString(init_response_name(Init_response(which))),
                              connection()->init_counter(Init_response(which)));
        }
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
    int counter(const QString& name) const
    {
        return connection()->init_counter(init_response_by_name(name));
    }
    void set_counter(const QString& name, int value)
    {
        connection()->set_init_counter(init_response_by_name(name), value);
    }
    void set_all_counters(int value)
    {
        for (int which = 0; which < INIT_RESP_COUNT; ++which) {
            connection()->set_init_counter(Init_response(which), value);
        }
    }
    // Sets every counter to 0 but the named one, which is set to `value`.
    void expect_only(const QString& name, int value)
    {
        set_all_counters(0);
        set_counter(name, value);
    }

    // Replaces the port list by "Auto Detect" and the given devices.
    void set_ports(const QStringList& devices) { connection()->set_ports(devices); }
    void press_connect() { connection()->_ui_action_connect_disconnect(); }
    void enter(Connection_state state) { connection()->_set_connection_state(state); }
    void set_model(int model)
    {
        const char* versions[] = {"", "LZ7 1.0", "KX5 1.0", "KY5 1.0"};
        connection()->set_modem_software_version(versions[model >= 1 && model <= 3 ? model : 1]);
    }
    void startup_status(bool ok, uchar status)
    {
        connection()->_handle_reponse_modem_startup_status(ok, status);
    }
    void reset_ack() { connection()->_handle_reset_set_ack(); }
    void save_ack() { w._handle_save_configuration_to_non_volatile_memory_set_ack(); }
    void display_timeout() { connection()->_display_timeout(); }
    void init_timeout() { connection()->_init_timeout(); }
    void keep_alive_timeout() { connection()->_keep_alive_timeout(); }
    void port_lost() { connection()->_handle_port_lost(); }
    void set_receiving(bool receiving) { connection()->set_receiving(receiving); }
    void set_response_seen(bool seen) { connection()->set_response_seen(seen); }

    // Answers during initialisation, by the handler that receives them.
    void system_mode_ack() { connection()->_handle_system_mode_set_ack(0); }
    void upload_mode_ack() { connection()->_handle_data_from_modem_upload_mode_set_ack(); }
    void upload_mode_nack() { connection()->_handle_data_from_modem_upload_mode_set_nack(); }
    void registration_ack()
    {
        connection()->_handle_registration_for_an_inividual_indication_set_ack();
    }
    void registration_nack()
    {
        connection()->_handle_registration_for_an_inividual_indication_set_nack();
    }
    void duplex_ack() { connection()->_handle_modem_duplex_mode_set_ack(); }
    void radio_select_response()
    {
        w.radio_control()->_handle_radio_select_request_response(1, "No Radio");
    }
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

#define REQUIRE_SIMULATOR()                                                                        \
    QVERIFY2(Simulated_modem::available(),                                                         \
             qPrintable("the simulated modem is missing: " + Simulated_modem::program()))
