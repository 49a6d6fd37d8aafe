#pragma once

// User data between the data application and the modem. Bytes the
// application writes to the virtual port wait in the transmit buffer and
// leave for the modem in chunks paced by the transmit service timer, with
// the port's clear-to-send dropped above the high water mark and raised
// below the low one. Bytes from the modem go back to the port; those the
// application does not read yet are queued, and the modem is asked to hold
// its data while the queue is long. The bytes each way are counted, with
// their rates, for the operator.
//
// What the modem received over the air is traffic for the station: while no
// application holds the port the modem is asked to hold it, and what arrives
// all the same waits here for the next application. What was queued for an
// application that then closed the port is dropped, with a count.

#include "data_flow_meter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QQueue>

class QTimer;

namespace vq_qt {
class QModem_interface;
class Vsport_control;

class Data_path_bridge : public QObject
{
    Q_OBJECT

public:
    // Transmit direction: one chunk per tick of the service timer.
    static constexpr int tx_chunk_size = 144;
    static constexpr int tx_high_water_mark = 40000; // CTS drops above it
    static constexpr int tx_low_water_mark = 9999;   // CTS rises at or below it
    static constexpr int vsp_read_size = 10000;
    static constexpr int tx_service_ms = 30;
    // Receive direction: the modem holds its data while more than the high
    // mark waits for the application, until less than the low mark does.
    static constexpr int rx_high_water_mark = 64 * 1024;
    static constexpr int rx_low_water_mark = 16 * 1024;
    // An enable or disable of the data from the modem that the modem has not
    // acknowledged this long after is sent again: a damaged request would
    // leave the modem holding its data for good.
    static constexpr int from_modem_confirm_ms = 1000;
    // The rates are sampled this often while data moves or waits.
    static constexpr int flow_meter_ms = 1000;

    explicit Data_path_bridge(vq_qt::QModem_interface* modem_interface, QObject* parent = nullptr);

    // The virtual port's control; null while there is none.
    void set_control(vq_qt::Vsport_control* control);

    QTimer* tx_service_timer() const { return service_timer; }
    bool clear_to_send() const { return clear_to_send_flag; }
    int modem_flow_stopped() const { return modem_flow_stopped_flag; }
    // Bytes waiting for the modem.
    QByteArray& transmit_buffer() { return tx_buffer; }
    // Bytes from the modem waiting for the application.
    int receive_queue_size() const { return int(rx_queue.size()); }
    bool modem_data_held() const { return data_from_modem_disabled; }
    bool modem_link_is_up() const { return modem_link_up; }
    bool modem_answer_overdue() const { return answer_overdue; }
    // User data handed to the modem and not acknowledged yet.
    qint64 unacknowledged_bytes() const { return unacknowledged; }
    QTimer* from_modem_confirm_timer() const { return from_modem_timer; }

    // The bytes each way since the console started, their rates, the
    // buffer's fill and the flow control, as they are now.
    Data_flow_snapshot flow_snapshot() const;
    QTimer* flow_meter_timer() const { return flow_timer; }

signals:
    // Each sample of the rates, and each change of CTS, of the modem's flow,
    // of its hold or of the buffer by Tx Kill or Tx Resume.
    void flow_changed();
    // The modem is asked to hold its data as the application does not read
    // it (held), or to send it again as the application caught up.
    void rx_queue_hold_changed(bool held, int queued);

public slots:
    void _service_tx_buffer();
    void _read_from_vsp();

    void _handle_data_to_modem_set_ack();
    void _handle_data_to_modem_flow_stop_indication();
    void _handle_data_to_modem_flow_start_indication();
    void _handle_data_from_modem_set(QByteArray byte_array, bool final);

    // Events of the virtual port.
    void vsp_received_characters();
    void vsp_port_opened();
    void vsp_port_closed();

    // Tx Kill drops what waits, in the buffer and in the port; Tx Resume
    // starts from an empty buffer.
    void tx_killed();
    void tx_resumed();

    // Reports bytes from the modem kept for a next application that never
    // came (the window's close).
    void report_discarded_data();

    // The modem is connected and set up (true), or the link to it is down.
    // While it is down no chunk is sent (it would be lost). A modem set up
    // again may have forgotten what it was asked about its data: it is asked
    // again (enable for an application, hold while the queue is long or
    // nobody holds the port).
    void set_modem_link_up(bool up);
    // The modem restarted: a flow stop from before will never be lifted.
    void modem_restarted();
    // The modem's keep-alive answer is overdue: no chunk leaves until it
    // comes, or until the link is declared lost.
    void set_modem_answer_overdue(bool overdue);
    // The modem stopped answering: what it did not acknowledge may be lost.
    void modem_stopped_answering();

private:
    void _write_to_vsp();
    void _ask_modem_again();
    void _hold_or_release_modem_data();
    void _ask_data_from_modem(bool enable);
    void _data_from_modem_answered(bool enable);
    void _data_from_modem_unconfirmed();
    void _set_clear_to_send(bool clear);
    void _flow_state_changed();
    void _wake_flow_meter();
    void _flow_meter_tick();

    vq_qt::QModem_interface* modem_interface;
    vq_qt::Vsport_control* vsp = nullptr;
    QTimer* service_timer = nullptr;
    QTimer* from_modem_timer = nullptr;
    int from_modem_asked = -1; // 1 enable, 0 disable awaits its answer; -1 none
    QByteArray tx_buffer;
    bool clear_to_send_flag = true;
    int modem_flow_stopped_flag = 0;
    QByteArray rx_queue;
    bool data_from_modem_disabled = false; // by the queue's high water mark
    bool modem_link_up = false;
    bool answer_overdue = false;
    QQueue<int> unacknowledged_chunks; // sizes, oldest first
    qint64 unacknowledged = 0;
    qint64 discarded_bytes = 0;
    bool from_modem_held = false; // the latest request was a disable
    Data_flow_meter meter;
    QTimer* flow_timer = nullptr;
    QElapsedTimer flow_clock;
};

} // namespace vq_qt
