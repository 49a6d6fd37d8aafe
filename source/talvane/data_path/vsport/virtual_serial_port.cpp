#include "virtual_serial_port.h"

#include "log_categories.h"

#include <iterator>

namespace vq_qt {

namespace {

constexpr int first_port_number = 3;
constexpr int last_port_number = 99;
const QString no_value = QStringLiteral("-");

const char* const parity_letters[] = {"N", "O", "E", "M", "S"};
const char* const stop_bit_texts[] = {"1", "1.5", "2"};

// Events by the beginning of their name, in the order they are compared;
// a null action does nothing.
struct Event_row
{
    const char* prefix;
    void (Virtual_serial_port::*action)();
};

template <typename Table>
const char* entry_or_empty(const Table& table, int index)
{
    return index >= 0 && index < static_cast<int>(std::size(table)) ? table[index] : "";
}

void log_line(const QString& text)
{
    qCDebug(lc_vserial).noquote() << text;
}

} // namespace

QString data_format_text(int data_bits, int parity, int stop_bits)
{
    return QString::number(data_bits) + QLatin1String(entry_or_empty(parity_letters, parity)) +
           QLatin1String(entry_or_empty(stop_bit_texts, stop_bits));
}

QString flow_control_text(int control_hand_shake, int flow_replace)
{
    if ((control_hand_shake & handshake_cts) != 0) {
        return QStringLiteral("CTS/RTS");
    }
    if ((flow_replace & (flow_auto_transmit | flow_auto_receive)) != 0) {
        return QStringLiteral("XON/XOFF");
    }
    return QStringLiteral("None");
}

Virtual_serial_port::Virtual_serial_port(std::unique_ptr<Vsport_control> control, QObject* parent)
    : QObject(parent), vsp(std::move(control))
{}

Virtual_serial_port::~Virtual_serial_port() = default;

bool Virtual_serial_port::_init_virtual_serial_port(const QStringList& existing_port_names,
                                                    const QString& requested_name)
{
    if (vsp == nullptr) {
        log_line(QStringLiteral("VSP reset success: false"));
        fail();
        return false;
    }
    const bool reset = vsp->ResetBus();
    log_line(QStringLiteral("VSP reset success: ") + (reset ? "true" : "false"));
    if (!reset) {
        fail();
        return false;
    }
    if (!requested_name.isEmpty()) {
        if (vsp->name_in_use(requested_name)) {
            log_line(requested_name + " : held by another console");
            fail();
            return false;
        }
        return create_port(requested_name);
    }
    for (int i = first_port_number; i <= last_port_number; ++i) {
        const QString name = QStringLiteral("COM") + QString::number(i);
        if (!existing_port_names.contains(name) && !vsp->name_in_use(name)) {
            return create_port(name);
        }
    }
    log_line(QStringLiteral("No valid port name"));
    fail();
    return false;
}

bool Virtual_serial_port::create_port(const QString& name)
{
    log_line(name + " : creating port");
    if (!vsp->CreatePort(name)) {
        log_line(QStringLiteral("Port create failed"));
        fail();
        return false;
    }
    log_line(QStringLiteral("Port created"));
    log_line(name + " : port created");
    connect(vsp.get(), &Vsport_control::vsp_event, this, &Virtual_serial_port::_vsp_event,
            Qt::UniqueConnection);
    port_name = name;
    show_port_name(QString());
    reset_setting_texts();
    emit port_ready(vsp->port_path(), vsp->device_path());
    return true;
}

void Virtual_serial_port::fail()
{
    log_line(QStringLiteral("Could not create virtual serial port"));
    emit port_name_text_changed(QStringLiteral("Could not open"), QString());
    reset_setting_texts();
}

bool Virtual_serial_port::Delete()
{
    return vsp != nullptr && vsp->Delete();
}

void Virtual_serial_port::_vsp_event(const QString& name)
{
    static constexpr Event_row events[] = {
        {"OnBaudRate", &Virtual_serial_port::on_baud_rate},
        {"OnDTR", nullptr},
        {"OnHandflow", &Virtual_serial_port::on_handflow},
        {"OnLineControl", &Virtual_serial_port::on_line_control},
        {"OnOpenClose", &Virtual_serial_port::on_open_close},
        {"OnRxChar", &Virtual_serial_port::on_rx_char},
        {"OnRTS", nullptr},
        {"OnSpecialChars", nullptr},
        {"OnTimeouts", nullptr},
        {"OnEvent", nullptr},
        {"OnBreak", nullptr},
    };
    log_line(QStringLiteral("EVENT: ") + name);
    for (const Event_row& row : events) {
        if (name.startsWith(QLatin1String(row.prefix), Qt::CaseSensitive)) {
            if (row.action != nullptr) {
                (this->*row.action)();
            }
            return;
        }
    }
    log_line(QStringLiteral("Event not handled."));
}

void Virtual_serial_port::on_baud_rate()
{
    const int baud_rate = vsp->Baudrate();
    log_line(QStringLiteral("Baudrate: ") + QString::number(baud_rate));
    emit baud_text_changed(QString::number(baud_rate));
}

void Virtual_serial_port::on_handflow()
{
    const int hand_shake = vsp->ControlHandShake();
    const int flow_replace = vsp->FlowReplace();
    log_line(QStringLiteral("ControlHandShake: ") + QString::number(hand_shake));
    log_line(QStringLiteral("FlowReplace: ") + QString::number(flow_replace));
    emit flow_control_text_changed(flow_control_text(hand_shake, flow_replace));
}

void Virtual_serial_port::on_line_control()
{
    emit data_format_text_changed(
        data_format_text(vsp->Databits(), vsp->Parity(), vsp->StopBits()));
}

void Virtual_serial_port::on_open_close()
{
    if (vsp->IsOpened()) {
        log_line(QStringLiteral("Port opened"));
        show_port_name(QStringLiteral(" (connected)"));
        // An application that changes nothing still has line settings.
        on_baud_rate();
        on_line_control();
        on_handflow();
        emit port_opened();
    } else {
        log_line(QStringLiteral("Port clossed"));
        show_port_name(QString());
        reset_setting_texts();
        emit port_closed();
        emit port_ready(vsp->port_path(), vsp->device_path());
    }
}

void Virtual_serial_port::on_rx_char()
{
    emit received_characters();
}

void Virtual_serial_port::show_port_name(const QString& suffix)
{
    emit port_name_text_changed(vsp->port_path() + suffix, vsp->device_path());
}

void Virtual_serial_port::reset_setting_texts()
{
    emit baud_text_changed(no_value);
    emit data_format_text_changed(no_value);
    emit flow_control_text_changed(no_value);
}

} // namespace vq_qt
