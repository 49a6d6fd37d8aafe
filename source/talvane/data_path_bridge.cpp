// The data path between the virtual port and the modem.

#include "data_path_bridge.h"

#include "log_categories.h"
#include "qmodem_interface.h"

#include <QTimer>

namespace {

constexpr int tx_service_ms = 30;

} // namespace

Data_path_bridge::Data_path_bridge(vq_qt::QModem_interface* modem_interface, QObject* parent)
    : QObject(parent), modem_interface(modem_interface)
{
    service_timer = new QTimer(this);
    service_timer->setInterval(tx_service_ms);
    connect(service_timer, &QTimer::timeout, this, &Data_path_bridge::_service_tx_buffer);
}

void Data_path_bridge::_service_tx_buffer() {}

void Data_path_bridge::_read_from_vsp() {}

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
    qCDebug(lc_resp_handle) << __func__ << byte_array.size() << final;
}

void Data_path_bridge::tx_killed()
{
    _read_from_vsp();
    tx_buffer.clear();
}

void Data_path_bridge::tx_resumed()
{
    tx_buffer.clear();
}
