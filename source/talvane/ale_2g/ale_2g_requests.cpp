#include "ale_2g_requests.h"

namespace vq_qt {

bool Modem_ale_requests::set_system_mode(uchar mode, uchar& message_sequence_number)
{
    return modem->set_system_mode(mode, message_sequence_number);
}

bool Modem_ale_requests::set_ale_system_mode(Ale_system_mode mode, uchar& message_sequence_number)
{
    return modem->set_ale_system_mode(mode, message_sequence_number);
}

bool Modem_ale_requests::set_ale_nonvolatile_memory_reset(uchar reset_value,
                                                          uchar& message_sequence_number)
{
    return modem->set_ale_nonvolatile_memory_reset(reset_value, message_sequence_number);
}

bool Modem_ale_requests::set_ale_scan_list_entry(uchar index, QString name,
                                                 QByteArray scan_list_assignment_matrix,
                                                 uchar& message_sequence_number)
{
    return modem->set_ale_scan_list_entry(index, name, scan_list_assignment_matrix,
                                          message_sequence_number);
}

bool Modem_ale_requests::set_ale_address_table_ext(
    uchar address_index, QString address_name, QString address, uchar address_type,
    ushort address_value16, ushort address_wait_for_reply_time, uchar address_value8,
    QByteArray address_select_preset_map, uchar& message_sequence_number)
{
    return modem->set_ale_address_table_ext(address_index, address_name, address, address_type,
                                            address_value16, address_wait_for_reply_time,
                                            address_value8, address_select_preset_map,
                                            message_sequence_number);
}

bool Modem_ale_requests::set_ale_activity_timeout(ushort timeout, uchar& message_sequence_number)
{
    return modem->set_ale_activity_timeout(timeout, message_sequence_number);
}

bool Modem_ale_requests::set_ale_lbt_time(uchar lbt_time, uchar& message_sequence_number)
{
    return modem->set_ale_lbt_time(lbt_time, message_sequence_number);
}

bool Modem_ale_requests::set_ale_call_setup(uchar value1, uchar value2, uchar value3,
                                            QByteArray call_addresses,
                                            uchar& message_sequence_number)
{
    return modem->set_ale_call_setup(value1, value2, value3, call_addresses,
                                     message_sequence_number);
}

bool Modem_ale_requests::set_ale_call_control(uchar& message_sequence_number)
{
    return modem->set_ale_call_control(message_sequence_number);
}

bool Modem_ale_requests::set_ale_terminate_link(uchar value, uchar& message_sequence_number)
{
    return modem->set_ale_terminate_link(value, message_sequence_number);
}

bool Modem_ale_requests::set_ale_terminate_link(uchar value)
{
    return modem->set_ale_terminate_link(value);
}

bool Modem_ale_requests::set_ale_abort_request(uchar value)
{
    return modem->set_ale_abort_request(value);
}

} // namespace vq_qt
