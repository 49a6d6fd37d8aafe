// Construction of the main window, its panels and the settings that survive
// a restart; the window title, Save and Load Defaults, closing.

#include "talvane.h"

#include "ale_2g_control_panel.h"
#include "app_logging.h"
#include "connection_controller.h"
#include "connection_indicator.h"
#include "console_options.h"
#include "data_interface_panel.h"
#include "data_path_bridge.h"
#include "event_list.h"
#include "heading_display_widget.h"
#include "link_quality_plot.h"
#include "modem_control_panel.h"
#include "port_selector.h"
#include "qmodem_interface.h"
#include "qserial_io.h"
#include "radio_control_panel.h"
#include "receive_information_panel.h"
#include "tool_tips.h"
#include "virtual_serial_port.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

// The resources live in the window's static library; nothing else refers to
// them, so they are registered explicitly (outside any namespace, as the
// registration function is a global one).
static void init_window_resources()
{
    Q_INIT_RESOURCE(talvane);
}

namespace vq_qt {

namespace {

constexpr quint32 modem_destination_address = 0xC0A80000; // 192.168.0.0

const QSize default_window_size(960, 400);
const QPoint default_window_position(50, 50);
constexpr int screenshot_fallback_ms = 10000;
constexpr int serial_port_selector_characters = 8;
// The data port's path wraps at its slashes, no narrower than this.
const char* const data_port_tail = "talvane/COM3 (connected)";

// The status line carries rich text; the console's stdout gets plain text.
QString plain_text(QString text)
{
    text.remove(QRegularExpression("<[^>]*>"));
    return text;
}

} // namespace

Talvane::Talvane(QWidget* parent) : Talvane(QString(), parent) {}

Talvane::Talvane(const QString& data_port_name, QWidget* parent) : QMainWindow(parent)
{
    init_window_resources();
    // 1. Member initial values are given where the members are declared.
    // 2. Identity, message pattern and start-up lines.
    apply_application_identity_and_log_start_up();
    // 3. to 5. The 2G ALE state machine, the timers and the remembered data
    // interface belong to the components, which set them up as they are
    // built.
    // 6. The link objects, then the widgets and the components.
    serial_io = new vq_qt::QSerial_io(this);
    modem_interface = new vq_qt::QModem_interface(this, modem_destination_address);
    _init_gui();
    _init_keyboard();
    // 7. Port list, state Not connected, wiring.
    _init_modem_link();
    // 8. Virtual serial port for the data application.
    _init_virtual_serial_port(data_port_name);
    // 9. 2G ALE settings.
    _load_2G_ale_settings();
    // The tool tips, once every widget exists.
    apply_tool_tips(this);
}

Talvane::~Talvane() = default;

void Talvane::_init_gui()
{
    QSettings settings;
    resize(settings.value("size", default_window_size).toSize());
    move(settings.value("pos", default_window_position).toPoint());

    setWindowIcon(QIcon(":/talvane_icon.png"));
    _update_window_title("");

    auto* central = new QWidget(this);
    setCentralWidget(central);

    // The connection comes first: the panels report answers to it.
    connection_controller = new Connection_controller(serial_io, modem_interface,
                                                      serial_io->available_ports(), {}, this);

    modem_interface_panel = new QGroupBox(central);
    _init_modem_interface_panel(modem_interface_panel);
    // The other panels, in their order of construction.
    radio_control_panel = new Radio_control_panel(modem_interface, connection_controller, central);
    modem_control_panel = new Modem_control_panel(modem_interface, connection_controller, central);
    data_interface_panel = new Data_interface_panel(
        modem_control_panel->port_rate_selector, modem_control_panel->data_format_selector,
        modem_control_panel->flow_control_selector, central);
    ale_2g_control_panel = new vq_qt::Ale_2g_control_panel(central);
    ale_2g_control_panel->state_machine()->send_through(modem_interface);
    receive_information_panel =
        new Receive_information_panel(modem_interface, connection_controller, central);
    data_path_bridge = new Data_path_bridge(modem_interface, this);

    link_quality_plot = new Link_quality_plot(central);
    event_list = new Event_list(Event_list::default_capacity, this);
    event_list_view = new Event_list_view(event_list, central);
    auto* logo = new QLabel(central);
    logo->setPixmap(QPixmap(":/logo.png").scaledToHeight(30, Qt::SmoothTransformation));
    logo->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    _fix_value_widths();

    // Three bands, each a row of panels under their headings, so that the
    // window fits 1024 x 700: Modem Control (its grid is the widest group);
    // the connection and the data interface beside the event list; radio,
    // ALE and the receive information beside its history. The event list
    // and the history take the room the window is given.
    auto* bands = new QVBoxLayout(central);
    const std::initializer_list<Band_column> top = {
        {"Modem Control", modem_control_panel}, {nullptr, nullptr}, {nullptr, logo}};
    const std::initializer_list<Band_column> middle = {{"Modem Interface", modem_interface_panel},
                                                       {"Data Interface", data_interface_panel},
                                                       {nullptr, event_list_view}};
    const std::initializer_list<Band_column> bottom = {
        {"Radio Control", radio_control_panel},
        {"2G ALE Control", ale_2g_control_panel},
        {"Receive Information", receive_information_panel},
        {"Link Quality History", link_quality_plot}};
    bands->addLayout(_band(top, 1), 0);
    bands->addLayout(_band(middle, 2), 1);
    bands->addLayout(_band(bottom, 3), 2);
}

QGridLayout* Talvane::_band(std::initializer_list<Band_column> columns, int stretch_column)
{
    auto* band = new QGridLayout;
    int column = 0;
    for (const Band_column& entry : columns) {
        if (entry.heading) {
            band->addWidget(
                new Heading_display_widget(QString::fromLatin1(entry.heading), centralWidget()), 0,
                column);
            // Panels keep their height; the rest of the band's height
            // goes to the widgets that stand alone or stretch.
            const bool panel =
                entry.widget->sizePolicy().verticalPolicy() != QSizePolicy::Expanding;
            // Placed at the top, a panel is given its preferred height, which
            // can fall short of what its rows need: it is held to its
            // smallest so that they never run into one another.
            if (panel) {
                entry.widget->setMinimumHeight(entry.widget->minimumSizeHint().height());
            }
            band->addWidget(entry.widget, 1, column, panel ? Qt::AlignTop : Qt::Alignment());
        } else if (entry.widget) {
            // Its own caption row stands level with the headings.
            band->addWidget(entry.widget, 0, column, 2, 1);
        }
        band->setColumnStretch(column, column == stretch_column ? 1 : 0);
        ++column;
    }
    band->setRowStretch(1, 1);
    return band;
}

// Value fields keep the width of their widest value, or wrap, so that a
// group keeps its size as the values change.
void Talvane::_fix_value_widths()
{
    serial_port_selector->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    serial_port_selector->setMinimumContentsLength(serial_port_selector_characters);
    QLabel* port_name = data_interface_panel->vsp_port_name_label;
    port_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    port_name->setMinimumWidth(port_name->fontMetrics().horizontalAdvance(data_port_tail) +
                               2 * port_name->fontMetrics().averageCharWidth());
    // Room for the path's two lines whatever it shows (see show_vsp_port_name).
    port_name->setFixedHeight(2 * port_name->fontMetrics().lineSpacing() + 2);
    // The ALE status lines wrap rather than widen their group.
    for (QLabel* label :
         {ale_2g_control_panel->status_label(), ale_2g_control_panel->detail_label()}) {
        label->setWordWrap(true);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
}

void Talvane::_init_modem_interface_panel(QWidget* panel)
{
    auto* grid = new QGridLayout(panel);
    serial_port_selector = new Port_selector(panel);
    connect_button = new QPushButton("Connect", panel);
    connection_status_label = new QLabel("Not Connected", panel);
    connection_status_label->setTextFormat(Qt::RichText);
    settings_save_button = new QPushButton("Save", panel);
    settings_load_defaults_button = new QPushButton("Load Defaults", panel);
    // What to do first, in one line narrower than the row above it.
    connection_hint_label = new QLabel("Choose the modem's serial port and press Connect", panel);
    connection_hint_label->setStyleSheet("color: gray");

    auto* serial_port_caption = new QLabel("&Serial Port:", panel);
    serial_port_caption->setBuddy(serial_port_selector);
    grid->addWidget(serial_port_caption, 0, 0, 1, 1);
    grid->addWidget(serial_port_selector, 0, 1, 1, 1);
    grid->addWidget(connect_button, 0, 2, 1, 1);
    grid->addWidget(new QLabel("Status:", panel), 1, 0, 1, 1);
    connection_indicator = new Connection_indicator(connection_status_label, panel);
    grid->addWidget(connection_indicator, 1, 1, 1, 2);
    grid->addWidget(connection_hint_label, 2, 0, 1, 3, Qt::AlignTop);
    grid->addWidget(new QLabel("Settings:", panel), 3, 0, 1, 1);
    grid->addWidget(settings_save_button, 3, 1, 1, 1);
    grid->addWidget(settings_load_defaults_button, 3, 2, 1, 1);
    const int row_stretch[] = {0, 0, 10, 0};
    for (int row = 0; row < 4; ++row) {
        grid->setRowMinimumHeight(row, 20);
        grid->setRowStretch(row, row_stretch[row]);
    }

    connect(connect_button, &QPushButton::clicked, connection_controller,
            &Connection_controller::_ui_action_connect_disconnect);
    connect(settings_save_button, &QPushButton::clicked, this, &Talvane::_ui_action_settings_save);
    connect(settings_load_defaults_button, &QPushButton::clicked, this,
            &Talvane::_ui_action_settings_load_defaults);
}

void Talvane::_update_window_title(QString modem_version)
{
    QString title = QApplication::applicationName() + " V" + QApplication::applicationVersion();
    if (!modem_version.isEmpty()) {
        title += " (Modem S/W Version: " + modem_version + ")";
    }
    setWindowTitle(title);
}

int Talvane::current_connection_state() const
{
    return connection_controller->current_connection_state();
}

QString Talvane::status_text() const
{
    return connection_controller->status_text();
}

void Talvane::_ui_action_settings_save()
{
    // The operator's choice, also while a modem without a data port of its
    // own shows the virtual port.
    QSettings().setValue("Data IF Raw", data_interface_panel->data_if_raw());
    modem_interface->set_save_configuration_to_non_volatile_memory();
}

void Talvane::_ui_action_settings_load_defaults()
{
    if (load_defaults_confirmation && load_defaults_confirmation->isVisible()) {
        load_defaults_confirmation->raise();
        return;
    }
    auto* question =
        new QMessageBox(QMessageBox::Warning, "Load Defaults",
                        "Load Defaults resets the modem: it restarts with its default settings, "
                        "and the link is down until it has booted.\n\nReset the modem now?",
                        QMessageBox::Yes | QMessageBox::No, this);
    question->setDefaultButton(QMessageBox::No);
    question->setAttribute(Qt::WA_DeleteOnClose);
    connect(question, &QMessageBox::finished, this, [this](int answer) {
        if (answer == QMessageBox::Yes) {
            _load_defaults();
        }
    });
    load_defaults_confirmation = question;
    question->open();
}

QMessageBox* Talvane::load_defaults_question() const
{
    return load_defaults_confirmation;
}

void Talvane::_load_defaults()
{
    modem_interface->set_reset(2);
    data_interface_panel->set_data_if_raw(false);
    QSettings().setValue("Data IF Raw", false);
}

void Talvane::_handle_save_configuration_to_non_volatile_memory_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_save_configuration_to_non_volatile_memory_set_ack";
    connection_controller->_show_temporary_status("Settings Saved");
}

QWidget* Talvane::ale_2g_group() const
{
    return ale_2g_control_panel;
}

void Talvane::closeEvent(QCloseEvent* event)
{
    QSettings settings;
    settings.setValue("size", size());
    settings.setValue("pos", pos());
    modem_interface->unregister_for_all_indications();
    serial_io->close();
    data_path_bridge->report_discarded_data();
    vsp->Delete();
    event->accept();
}

void Talvane::apply_console_options(const Console_options& options)
{
    for (const QString& port : options.ports) {
        connection_controller->select_port(connection_controller->add_port(port));
    }
    if (options.print_state) {
        auto print = [last = QString()](int state, const QString& text) mutable {
            const QString line = plain_text(text) + "\t(" + connection_state_name(state) + ")";
            if (line != last) {
                last = line;
                std::printf("state: %s\n", qPrintable(line));
                std::fflush(stdout);
            }
        };
        connect(this, &Talvane::connection_state_changed, this, print);
        print(current_connection_state(), status_text());
        auto print_data_port = [](const QString& line) {
            std::printf("%s\n", qPrintable(line));
            std::fflush(stdout);
        };
        if (!data_port_line.isEmpty()) {
            print_data_port(data_port_line);
        }
        connect(this, &Talvane::data_port_reported, this, print_data_port);
    }
    screenshot_path = options.screenshot;
    if (!screenshot_path.isEmpty()) {
        const int delay = options.screenshot_delay_ms;
        connect(this, &Talvane::connection_state_changed, this, [this, delay](int state) {
            if (state == CONNECTION_STATE_CONNECTED) {
                QTimer::singleShot(delay, this, &Talvane::_save_screenshot);
            }
        });
        QTimer::singleShot(std::max(screenshot_fallback_ms, delay), this,
                           &Talvane::_save_screenshot);
    }
    if (options.connect) {
        QTimer::singleShot(0, connection_controller,
                           &Connection_controller::_ui_action_connect_disconnect);
    }
}

void Talvane::_save_screenshot()
{
    if (screenshot_taken || screenshot_path.isEmpty()) {
        return;
    }
    screenshot_taken = true;
    if (grab().save(screenshot_path, "PNG")) {
        std::printf("screenshot: %s\n", qPrintable(screenshot_path));
        std::fflush(stdout);
    } else {
        std::fprintf(stderr, "talvane: could not write the screenshot %s\n",
                     qPrintable(screenshot_path));
    }
}

} // namespace vq_qt
