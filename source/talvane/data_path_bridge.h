#pragma once

// User data between the data application and the modem: bytes the
// application writes to the virtual port wait in the transmit buffer and
// leave for the modem in chunks paced by the transmit service timer; bytes
// from the modem go back to the port.

#include <QByteArray>
#include <QObject>

class QTimer;

namespace vq_qt {
class QModem_interface;
} // namespace vq_qt

class Data_path_bridge : public QObject
{
    Q_OBJECT

public:
    explicit Data_path_bridge(vq_qt::QModem_interface* modem_interface, QObject* parent = nullptr);

    QTimer* tx_service_timer() const { return service_timer; }
    int tx_buffer_size() const { return int(tx_buffer.size()); }
    bool clear_to_send() const { return clear_to_send_flag; }
    int modem_flow_stopped() const { return modem_flow_stopped_flag; }
    // Bytes waiting for the modem.
    QByteArray& transmit_buffer() { return tx_buffer; }

public slots:
    void _service_tx_buffer();
    void _read_from_vsp();

    void _handle_data_to_modem_set_ack();
    void _handle_data_to_modem_flow_stop_indication();
    void _handle_data_to_modem_flow_start_indication();
    void _handle_data_from_modem_set(QByteArray byte_array, bool final);

    // Tx Kill drops what waits, in the buffer and in the port; Tx Resume
    // starts from an empty buffer.
    void tx_killed();
    void tx_resumed();

private:
    vq_qt::QModem_interface* modem_interface;
    QTimer* service_timer = nullptr;
    QByteArray tx_buffer;
    bool clear_to_send_flag = true;
    int modem_flow_stopped_flag = 0;
};
