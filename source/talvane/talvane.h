#pragma once

// The console's main window. It builds the central grid with the six panels
// and their headings, the "Modem Interface" panel, the title, the settings
// that survive a restart, Save and Load Defaults, and closing. Everything
// else lives in components that the window creates, places and wires to
// the modem interface: the connection, one class per panel, the data path.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <initializer_list>

class QComboBox;
class QGridLayout;
class QLabel;
class QMessageBox;
class QPushButton;
struct Console_options;

namespace vq_qt {
class Connection_controller;
class Modem_control_panel;
class Receive_information_panel;
class Data_interface_panel;
class Data_path_bridge;
class Radio_control_panel;
class Connection_indicator;
class Event_list;
class Event_list_view;
class Link_quality_plot;
class QSerial_io;
class QModem_interface;
class Ale_2g_control_panel;
class Virtual_serial_port;
class Port_selector;

class Talvane : public QMainWindow
{
    Q_OBJECT

public:
    explicit Talvane(QWidget* parent = nullptr);
    // With the data port under a fixed name (--data-port NAME) rather than
    // the first free COMn.
    explicit Talvane(const QString& data_port_name, QWidget* parent = nullptr);
    ~Talvane() override;

    // Command-line additions of the Linux build (extra ports, connect at
    // start, screenshot, state printing). Called once, after show().
    void apply_console_options(const Console_options& options);

    int current_connection_state() const;
    QString status_text() const;

    // The components, for tests and the operator commands.
    Connection_controller* connection() const { return connection_controller; }
    Modem_control_panel* modem_control() const { return modem_control_panel; }
    Receive_information_panel* receive_information() const { return receive_information_panel; }
    Data_interface_panel* data_interface() const { return data_interface_panel; }
    Data_path_bridge* data_path() const { return data_path_bridge; }
    Radio_control_panel* radio_control() const { return radio_control_panel; }
    vq_qt::Ale_2g_control_panel* ale_2g_control() const { return ale_2g_control_panel; }
    vq_qt::QModem_interface* modem() const { return modem_interface; }
    vq_qt::Virtual_serial_port* virtual_serial_port() const { return vsp; }
    QWidget* modem_interface_group() const { return modem_interface_panel; }
    Event_list* events() const { return event_list; }
    Event_list_view* events_view() const { return event_list_view; }
    Link_quality_plot* link_quality() const { return link_quality_plot; }
    Connection_indicator* connection_light() const { return connection_indicator; }
    QWidget* ale_2g_group() const;

    // The Modem Interface panel's controls.
    Port_selector* serial_port_selector = nullptr;
    QPushButton* connect_button = nullptr;
    QLabel* connection_status_label = nullptr;
    // "Choose the modem's serial port and press Connect", while the port can
    // be chosen.
    QLabel* connection_hint_label = nullptr;
    QPushButton* settings_save_button = nullptr;
    QPushButton* settings_load_defaults_button = nullptr;

signals:
    // Emitted by every state change, after the entry actions have run, and by
    // every change of the status text.
    void connection_state_changed(int state, const QString& status_text);
    // The data port: "data port: PATH (DEVICE)" when it waits for an
    // application (at start and after each close), "data port opened: PATH"
    // and "data port closed: PATH".
    void data_port_reported(const QString& line);

public slots:
    void _ui_action_settings_save();
    // Asks first: Load Defaults resets the modem. The question does not
    // block (the operator commands can answer it); Yes resets.
    void _ui_action_settings_load_defaults();
    QMessageBox* load_defaults_question() const;
    void _handle_save_configuration_to_non_volatile_memory_set_ack();
    // The initialisation counts this answer; the ALE engine pairs it with
    // its own requests.
    void _handle_system_mode_set_ack(uchar message_sequence_number = 0);
    void _handle_system_mode_set_nack(uchar message_sequence_number = 0);

private:
    void closeEvent(QCloseEvent* event) override;
    // A control that is disabled or hidden while it has the focus hands it
    // to its panel.
    bool focusNextPrevChild(bool next) override;

    // Construction.
    void _init_gui();
    void _init_modem_interface_panel(QWidget* panel);
    // Return presses the focused button, Esc stops transmission.
    void _init_keyboard();
    void _load_defaults();
    // One column of a band: a panel under its heading, or a widget alone
    // (no heading), or an empty column (neither).
    struct Band_column
    {
        const char* heading;
        QWidget* widget;
    };
    QGridLayout* _band(std::initializer_list<Band_column> columns, int stretch_column);
    void _fix_value_widths();
    void _init_modem_link();
    void _wire_modem_interface();
    void _wire_event_list();
    void _init_virtual_serial_port(const QString& requested_name);
    void _load_2G_ale_settings();
    void _update_window_title(QString modem_version);

    // What the window shows of each connection state.
    void _show_connection_state(int state);
    void _show_port_choice(int state);
    void _set_panels_enabled(bool enabled);

    // Linux additions.
    void _save_screenshot();

    vq_qt::QSerial_io* serial_io = nullptr;
    vq_qt::QModem_interface* modem_interface = nullptr;
    Connection_controller* connection_controller = nullptr;

    QWidget* modem_interface_panel = nullptr;
    Data_interface_panel* data_interface_panel = nullptr;
    Modem_control_panel* modem_control_panel = nullptr;
    Radio_control_panel* radio_control_panel = nullptr;
    Receive_information_panel* receive_information_panel = nullptr;
    vq_qt::Ale_2g_control_panel* ale_2g_control_panel = nullptr;
    Data_path_bridge* data_path_bridge = nullptr;
    vq_qt::Virtual_serial_port* vsp = nullptr;
    Event_list* event_list = nullptr;
    Event_list_view* event_list_view = nullptr;
    Link_quality_plot* link_quality_plot = nullptr;
    Connection_indicator* connection_indicator = nullptr;
    QString data_port_line; // "data port: PATH (DEVICE)", the latest
    QPointer<QMessageBox> load_defaults_confirmation;

    int shown_connection_state = -1; // the state the widgets show

    // Linux additions.
    QString screenshot_path;
    bool screenshot_taken = false;
};

} // namespace vq_qt
