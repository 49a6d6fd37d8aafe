// The data path between the virtual port and the modem.

#include "data_path_bridge.h"

#include "log_categories.h"
#include "qmodem_interface.h"
#include "vsport_control.h"

#include <QTimer>

namespace vq_qt {

Data_path_bridge::Data_path_bridge(vq_qt::QModem_interface* modem_interface, QObject* parent)
    : QObject(parent), modem_interface(modem_interface)
{
    service_timer = new QTimer(this);
    service_timer->setInterval(tx_service_ms);
    // A coarse timer may fire up to 5 % late, every tick: the paced rate
    // toward the modem would fall short by as much.
    service_timer->setTimerType(Qt::PreciseTimer);
    connect(service_timer, &QTimer::timeout, this, &Data_path_bridge::_service_tx_buffer);
    from_modem_timer = new QTimer(this);
    from_modem_timer->setSingleShot(true);
    from_modem_timer->setInterval(from_modem_confirm_ms);
    connect(from_modem_timer, &QTimer::timeout, this,
            &Data_path_bridge::_data_from_modem_unconfirmed);
    flow_timer = new QTimer(this);
    flow_timer->setInterval(flow_meter_ms);
    connect(flow_timer, &QTimer::timeout, this, &Data_path_bridge::_flow_meter_tick);
    flow_clock.start();
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

void Data_path_bridge::set_control(vq_qt::Vsport_control* control)
{
    if (vsp) {
        disconnect(vsp, nullptr, this, nullptr);
    }
    vsp = control;
    if (vsp) {
        // A pseudo-terminal takes only a few KiB at a time: the rest of the
        // queue goes when the application has read some.
        connect(vsp, &vq_qt::Vsport_control::ready_for_write, this,
                &Data_path_bridge::_write_to_vsp);
    }
}

void Data_path_bridge::_read_from_vsp()
{
    if (vsp) {
        _wake_flow_meter();
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
        if (!modem_flow_stopped_flag && modem_link_up && !answer_overdue) {
            const int chunk = qMin(size, tx_chunk_size);
            _wake_flow_meter();
            if (modem_interface->set_send_data_to_modem(tx_buffer.left(chunk))) {
                meter.count_to_modem(chunk);
            }
            tx_buffer.remove(0, chunk);
            unacknowledged_chunks.enqueue(chunk);
            unacknowledged += chunk;
            size = int(tx_buffer.size());
        }
        if (size > tx_high_water_mark) {
            if (clear_to_send_flag) {
                qCDebug(lc_flow_ctrl) << "Tx buffer full - set CTS to false";
                _set_clear_to_send(false);
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
    _set_clear_to_send(true);
}

void Data_path_bridge::_set_clear_to_send(bool clear)
{
    clear_to_send_flag = clear;
    if (vsp) {
        vsp->SetCTS(clear);
    }
    _flow_state_changed();
}

void Data_path_bridge::_handle_data_to_modem_set_ack()
{
    qCDebug(lc_resp_handle) << "Data to modem set ack";
    // The modem answers in order: each acknowledgement is for the oldest
    // chunk still unanswered.
    if (!unacknowledged_chunks.isEmpty()) {
        unacknowledged -= unacknowledged_chunks.dequeue();
    }
}

void Data_path_bridge::_handle_data_to_modem_flow_stop_indication()
{
    qCDebug(lc_flow_ctrl) << "Data to modem flow stop";
    modem_flow_stopped_flag = 1;
    _flow_state_changed();
}

void Data_path_bridge::_handle_data_to_modem_flow_start_indication()
{
    qCDebug(lc_flow_ctrl) << "Data to modem flow start";
    modem_flow_stopped_flag = 0;
    _flow_state_changed();
}

void Data_path_bridge::_handle_data_from_modem_set(QByteArray byte_array, bool final)
{
    qCDebug(lc_resp_handle) << "_handle_data_from_modem_set" << byte_array.size() << final;
    _wake_flow_meter();
    meter.count_from_modem(byte_array.size());
    if (!vsp) {
        discarded_bytes += byte_array.size();
        return;
    }
    if (byte_array.isEmpty() && rx_queue.isEmpty() && vsp->IsOpened()) {
        vsp->WriteArray(byte_array);
        return;
    }
    // While nobody holds the port the bytes wait for the next application,
    // as those the modem holds do.
    rx_queue.append(byte_array);
    _write_to_vsp();
}

void Data_path_bridge::_write_to_vsp()
{
    if (vsp && vsp->IsOpened() && !rx_queue.isEmpty()) {
        const int taken = vsp->WriteArray(rx_queue);
        if (taken > 0) {
            rx_queue.remove(0, taken);
        }
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
        emit rx_queue_hold_changed(true, queued);
    } else if (data_from_modem_disabled && queued < rx_low_water_mark && vsp && vsp->IsOpened()) {
        qCDebug(lc_flow_ctrl) << "Rx queue low - release data from the modem";
        data_from_modem_disabled = false;
        _ask_data_from_modem(true);
        emit rx_queue_hold_changed(false, queued);
    }
}

void Data_path_bridge::set_modem_link_up(bool up)
{
    if (up == modem_link_up) {
        return;
    }
    modem_link_up = up;
    answer_overdue = false;
    unacknowledged_chunks.clear();
    unacknowledged = 0;
    if (up) {
        _ask_modem_again();
    }
}

void Data_path_bridge::_ask_modem_again()
{
    // A modem set up again may have forgotten what it was asked, and one
    // that restarted sends its data by default: a confirmed hold is asserted
    // again as well as an enable.
    const bool application = vsp && vsp->IsOpened();
    if (data_from_modem_disabled && application && rx_queue.size() < rx_low_water_mark) {
        _hold_or_release_modem_data();
    } else {
        _ask_data_from_modem(application && !data_from_modem_disabled);
    }
}

void Data_path_bridge::modem_restarted()
{
    // A modem that restarted starts with an empty transmit queue and will
    // never send the flow start that a flow stop of before waits for.
    if (modem_flow_stopped_flag) {
        qCDebug(lc_flow_ctrl) << "Data to modem flow start: the modem restarted";
        modem_flow_stopped_flag = 0;
        _flow_state_changed();
    }
}

void Data_path_bridge::set_modem_answer_overdue(bool overdue)
{
    if (overdue == answer_overdue || (overdue && !modem_link_up)) {
        return;
    }
    answer_overdue = overdue;
    qCDebug(lc_flow_ctrl) << (overdue ? "Keep-alive answer overdue - data to the modem held"
                                      : "Keep-alive answered - data to the modem sent again");
}

void Data_path_bridge::modem_stopped_answering()
{
    if (unacknowledged > 0) {
        qCWarning(lc_flow_ctrl).noquote()
            << QString("%1 bytes of user data sent to the modem may have been lost: it stopped "
                       "answering before acknowledging them")
                   .arg(unacknowledged);
    }
    unacknowledged_chunks.clear();
    unacknowledged = 0;
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
    if (from_modem_held == enable) {
        from_modem_held = !enable;
        _flow_state_changed();
    }
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
    discarded_bytes += rx_queue.size();
    rx_queue.clear();
    if (discarded_bytes > 0) {
        qCWarning(lc_vserial).noquote()
            << QString("%1 bytes from the modem discarded: no application took them")
                   .arg(discarded_bytes);
        discarded_bytes = 0;
    }
}

void Data_path_bridge::vsp_port_opened()
{
    service_timer->start();
    if (!data_from_modem_disabled) {
        _ask_data_from_modem(true);
    }
    // What arrived since the last application left goes first: the modem
    // answers, and sends what it held, in a later pass.
    _write_to_vsp();
}

void Data_path_bridge::vsp_port_closed()
{
    // What was queued for the application goes with it; the modem holds
    // what it receives from now on for the next one.
    if (!rx_queue.isEmpty()) {
        qCWarning(lc_vserial).noquote()
            << QString("%1 bytes from the modem dropped: the application closed the virtual port "
                       "without reading them")
                   .arg(rx_queue.size());
        rx_queue.clear();
    }
    data_from_modem_disabled = false;
    _ask_data_from_modem(false);
}

void Data_path_bridge::tx_killed()
{
    // What waits in the port and in the line behind it goes too, or it
    // would leave for the modem after the kill.
    tx_buffer.clear();
    if (vsp) {
        const qint64 dropped = vsp->discard_received();
        qCDebug(lc_flow_ctrl) << "Tx Kill:" << dropped << "bytes waiting in the port discarded";
    }
    _flow_state_changed();
}

void Data_path_bridge::tx_resumed()
{
    tx_buffer.clear();
    _flow_state_changed();
}

Data_flow_snapshot Data_path_bridge::flow_snapshot() const
{
    Data_flow_snapshot snapshot;
    snapshot.to_modem_bytes = meter.to_modem_bytes();
    snapshot.from_modem_bytes = meter.from_modem_bytes();
    snapshot.to_modem_bps = meter.to_modem_bps();
    snapshot.from_modem_bps = meter.from_modem_bps();
    snapshot.tx_buffer_bytes = int(tx_buffer.size());
    snapshot.cts = clear_to_send_flag;
    snapshot.modem_flow_stop = modem_flow_stopped_flag != 0;
    snapshot.held = from_modem_held;
    return snapshot;
}

void Data_path_bridge::_flow_state_changed()
{
    _wake_flow_meter();
    emit flow_changed();
}

void Data_path_bridge::_wake_flow_meter()
{
    // The meter sleeps while nothing moves or waits; its window starts
    // afresh when something does.
    if (!flow_timer->isActive()) {
        meter.restart(flow_clock.elapsed());
        flow_timer->start();
    }
}

void Data_path_bridge::_flow_meter_tick()
{
    meter.sample(flow_clock.elapsed());
    emit flow_changed();
    if (meter.idle() && tx_buffer.isEmpty()) {
        flow_timer->stop();
    }
}

} // namespace vq_qt
