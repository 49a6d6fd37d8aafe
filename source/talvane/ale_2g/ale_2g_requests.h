#pragma once

// The requests the 2G ALE state machine sends to the modem, as a small
// interface so the machine can be driven without a modem. Each operation
// returns the send result; the last argument, where present, receives the
// message sequence number of the request.

#include "qmodem_interface.h"

#include <QByteArray>
#include <QString>

namespace vq_qt {

class Ale_2g_requests
{
public:
    virtual ~Ale_2g_requests() = default;

    virtual bool set_system_mode(uchar mode, uchar& message_sequence_number) = 0;
    virtual bool set_ale_system_mode(vq_qt::Ale_system_mode mode,
                                     uchar& message_sequence_number) = 0;
    virtual bool set_ale_nonvolatile_memory_reset(uchar reset_value,
                                                  uchar& message_sequence_number) = 0;
    virtual bool set_ale_scan_list_entry(uchar index, QString name,
                                         QByteArray scan_list_assignment_matrix,
                                         uchar& message_sequence_number) = 0;
    virtual bool set_ale_address_table_ext(uchar address_index, QString address_name,
                                           QString address, uchar address_type,
                                           ushort address_value16,
                                           ushort address_wait_for_reply_time, uchar address_value8,
                                           QByteArray address_select_preset_map,
                                           uchar& message_sequence_number) = 0;
    virtual bool set_ale_activity_timeout(ushort timeout, uchar& message_sequence_number) = 0;
    virtual bool set_ale_lbt_time(uchar lbt_time, uchar& message_sequence_number) = 0;
    virtual bool set_ale_call_setup(uchar value1, uchar value2, uchar value3,
                                    QByteArray call_addresses, uchar& message_sequence_number) = 0;
    virtual bool set_ale_call_control(uchar& message_sequence_number) = 0;
    virtual bool set_ale_terminate_link(uchar value, uchar& message_sequence_number) = 0;
    virtual bool set_ale_terminate_link(uchar value) = 0;
    virtual bool set_ale_abort_request(uchar value) = 0;
};

// The same requests sent through the modem interface.
class Modem_ale_requests : public Ale_2g_requests
{
public:
    explicit Modem_ale_requests(QModem_interface* modem) : modem(modem) {}

    bool set_system_mode(uchar mode, uchar& message_sequence_number) override;
    bool set_ale_system_mode(vq_qt::Ale_system_mode mode, uchar& message_sequence_number) override;
    bool set_ale_nonvolatile_memory_reset(uchar reset_value,
                                          uchar& message_sequence_number) override;
    bool set_ale_scan_list_entry(uchar index, QString name, QByteArray scan_list_assignment_matrix,
                                 uchar& message_sequence_number) override;
    bool set_ale_address_table_ext(uchar address_index, QString address_name, QString address,
                                   uchar address_type, ushort address_value16,
                                   ushort address_wait_for_reply_time, uchar address_value8,
                                   QByteArray address_select_preset_map,
                                   uchar& message_sequence_number) override;
    bool set_ale_activity_timeout(ushort timeout, uchar& message_sequence_number) override;
    bool set_ale_lbt_time(uchar lbt_time, uchar& message_sequence_number) override;
    bool set_ale_call_setup(uchar value1, uchar value2, uchar value3, QByteArray call_addresses,
                            uchar& message_sequence_number) override;
    bool set_ale_call_control(uchar& message_sequence_number) override;
    bool set_ale_terminate_link(uchar value, uchar& message_sequence_number) override;
    bool set_ale_terminate_link(uchar value) override;
    bool set_ale_abort_request(uchar value) override;

private:
    QModem_interface* modem;
};

} // namespace vq_qt
