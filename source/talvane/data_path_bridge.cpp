// The data path between the virtual port and the modem.

#include "data_path_bridge.h"

#include "log_categories.h"
#include "qmodem_interface.h"
#include "vsport_control.h"

#include <QTimer>

namespace {

// While bytes wait for the application, the port is offered them again this
// often: a pseudo-terminal takes only a few KiB at a time.
constexpr int rx_drain_ms = 2;

} // namespace

Data_path_bridge::Data_path_bridge(vq_qt::QModem_interface* modem_interface, QObject* parent)
    : QObject(parent), modem_interface(modem_interface)
{
    service_timer = new QTimer(this);
    service_timer->setInterval(tx_service_ms);
    // A coarse timer may fire up to 5 % late, every tick: the paced rate
    // toward the modem would fall short by as much.
    service_timer->setTimerType(Qt::PreciseTimer);
    connect(service_timer, &QTimer::timeout, this, &Data_path_bridge::_service_tx_buffer);
    rx_drain_timer = new QTimer(this);
    rx_drain_timer->setInterval(rx_drain_ms);
    connect(rx_drain_timer, &QTimer::timeout, this, &Data_path_bridge::_write_to_vsp);
    from_modem_timer = new QTimer(this);
    from_modem_timer->setSingleShot(true);
    from_modem_timer->setInterval(from_modem_confirm_ms);
    connect(from_modem_timer, &QTimer::timeout, this,
            &Data_path_bridge::_data_from_modem_unconfirmed);
    if (modem_interface) {
        // Refused is answered too: asking again would not change the answer.
        using Q = vq_qt::QModem_interface;
        for (auto answer : {&Q::send_data_from_modem_flow_enable_set_ack,
                            &Q::send_data_from_modem_flow_enable_set_nack}) {
            connect(modem_interface, answer, this, [this] { _data_from_modem_answered(true); });
        }
        for (auto answer : {&Q::send_data_from_modem_flow_disable_set_ack,
                            &Q::send_data_from_modem_flow_disable_set_nack}) {
            connect(modem_interface, answer, this, [this] { _data_from_modem_answered(false); });
        }
    }
}

void Data_path_bridge::_read_from_vsp()
{
    if (vsp) {
        tx_buffer.append(vsp->ReadArray(vsp_read_size));
    }
}

void Data_path_bridge::vsp_received_characters()
{
    // With CTS off the bytes stay in the port until it is raised again. The
    // port announces what it holds as often as it is read, and a writer can
    // fill it faster than the service timer ticks: above the high water mark
    // the bytes stay in the port too, until the next tick drops CTS.
    if (clear_to_send_flag && tx_buffer.size() <= tx_high_water_mark) {
        _read_from_vsp();
    }
}

void Data_path_bridge::_service_tx_buffer()
{
    int size = int(tx_buffer.size());
    if (size > 0) {
        if (!modem_flow_stopped_flag && modem_link_up) {
            const int chunk = qMin(size, tx_chunk_size);
            modem_interface->set_send_data_to_modem(tx_buffer.left(chunk));
            tx_buffer.remove(0, chunk);
            size = int(tx_buffer.size());
        }
        if (size > tx_high_water_mark) {
            if (clear_to_send_flag) {
                qCDebug(lc_flow_ctrl) << "Tx buffer full - set CTS to false";
                clear_to_send_flag = false;
                if (vsp) {
                    vsp->SetCTS(false);
                }
            }
            return;
        }
    }
    if (size > tx_low_water_mark || clear_to_send_flag) {
        return;
    }
    qCDebug(lc_flow_ctrl) << "Tx buffer low - set CTS to true";
    clear_to_send_flag = true;
    _read_from_vsp();
    if (vsp) {
        vsp->SetCTS(true);
    }
}

void Data_path_bridge::_handle_data_to_modem_set_ack()
{
    qCDebug(lc_resp_handle) << "Data to modem set ack";
}

void Data_path_bridge::_handle_data_to_modem_flow_stop_indication()
{
    qCDebug(lc_flow_ctrl) << "Data to modem flow stop";
    modem_flow_stopped_flag = 1;
}

void Data_path_bridge::_handle_data_to_modem_flow_start_indication()
{
    qCDebug(lc_flow_ctrl) << "Data to modem flow start";
    modem_flow_stopped_flag = 0;
}

void Data_path_bridge::_handle_data_from_modem_set(QByteArray byte_array, bool final)
{
    qCDebug(lc_resp_handle) << "_handle_data_from_modem_set" << byte_array.size() << final;
    if (!vsp || !vsp->IsOpened()) {
        // Nobody holds the port: a later opener must not get a stranger's
        // stale bytes. The count is reported once the run of them ends.
        discarded_bytes += byte_array.size();
        return;
    }
    if (byte_array.isEmpty() && rx_queue.isEmpty()) {
        vsp->WriteArray(byte_array);
        return;
    }
    rx_queue.append(byte_array);
    _write_to_vsp();
}

void Data_path_bridge::_write_to_vsp()
{
    if (!vsp || !vsp->IsOpened()) {
        discarded_bytes += rx_queue.size();
        rx_queue.clear();
    } else if (!rx_queue.isEmpty()) {
        const int taken = vsp->WriteArray(rx_queue);
        if (taken > 0) {
            rx_queue.remove(0, taken);
        }
    }
    if (rx_queue.isEmpty()) {
        rx_drain_timer->stop();
    } else if (!rx_drain_timer->isActive()) {
        rx_drain_timer->start();
    }
    _hold_or_release_modem_data();
}

void Data_path_bridge::_hold_or_release_modem_data()
{
    const int queued = int(rx_queue.size());
    if (!data_from_modem_disabled && queued > rx_high_water_mark) {
        qCDebug(lc_flow_ctrl) << "Rx queue full - hold data from the modem," << queued
                              << "bytes wait for the application";
        data_from_modem_disabled = true;
        _ask_data_from_modem(false);
    } else if (data_from_modem_disabled && queued < rx_low_water_mark && vsp && vsp->IsOpened()) {
        qCDebug(lc_flow_ctrl) << "Rx queue low - release data from the modem";
        data_from_modem_disabled = false;
        _ask_data_from_modem(true);
    }
}

void Data_path_bridge::set_modem_link_up(bool up)
{
    if (up == modem_link_up) {
        return;
    }
    modem_link_up = up;
    if (!up) {
        return;
    }
    // A modem set up again (after a restart, say) starts with an empty
    // transmit queue and will never send the flow start that a flow stop of
    // before is waiting for.
    if (modem_flow_stopped_flag) {
        qCDebug(lc_flow_ctrl) << "Data to modem flow start: the modem was set up again";
        modem_flow_stopped_flag = 0;
    }
    // Data from the modem was enabled when the application opened the port;
    // a modem set up since then has forgotten it. A disable it never
    // answered goes again.
    if (vsp && vsp->IsOpened() && !data_from_modem_disabled) {
        _ask_data_from_modem(true);
    } else if (from_modem_asked == 0) {
        _ask_data_from_modem(false);
    }
}

void Data_path_bridge::_ask_data_from_modem(bool enable)
{
    if (enable) {
        modem_interface->set_send_data_from_modem_flow_enable();
    } else {
        modem_interface->set_send_data_from_modem_flow_disable();
    }
    from_modem_asked = enable ? 1 : 0;
    from_modem_timer->start();
}

void Data_path_bridge::_data_from_modem_answered(bool enable)
{
    // An answer to an earlier, opposite request confirms nothing.
    if (from_modem_asked == (enable ? 1 : 0)) {
        from_modem_asked = -1;
        from_modem_timer->stop();
    }
}

void Data_path_bridge::_data_from_modem_unconfirmed()
{
    if (from_modem_asked < 0 || !modem_link_up) {
        return; // a modem set up again is asked afresh
    }
    const bool enable = from_modem_asked == 1;
    qCDebug(lc_flow_ctrl) << (enable ? "Data from modem enable" : "Data from modem disable")
                          << "not acknowledged - sent again";
    _ask_data_from_modem(enable);
}

void Data_path_bridge::report_discarded_data()
{
    if (discarded_bytes > 0) {
        qCWarning(lc_vserial).noquote()
            << QString("%1 bytes from the modem discarded: no application held the virtual port")
                   .arg(discarded_bytes);
        discarded_bytes = 0;
    }
}

void Data_path_bridge::vsp_port_opened()
{
    report_discarded_data();
    data_from_modem_disabled = false;
    _ask_data_from_modem(true);
    service_timer->start();
}

void Data_path_bridge::vsp_port_closed()
{
    // What the application left unread goes with it.
    discarded_bytes += rx_queue.size();
    rx_queue.clear();
    rx_drain_timer->stop();
    _ask_data_from_modem(false);
}

void Data_path_bridge::tx_killed()
{
    // The port may hold more than one read's worth: all of it goes, or the
    // rest would leave for the modem after the kill.
    int before = -1;
    while (vsp && tx_buffer.size() != before) {
        before = tx_buffer.size();
        _read_from_vsp();
    }
    tx_buffer.clear();
}

void Data_path_bridge::tx_resumed()
{
    tx_buffer.clear();
}
