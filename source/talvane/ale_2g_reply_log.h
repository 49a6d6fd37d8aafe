#pragma once

// Replies and reports of the 2G ALE engine, logged until the ALE panel takes
// them over.

#include <QObject>
#include <QString>

class Ale_2g_reply_log : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Entering Connected.
    void connection_established();

public slots:
#define TALVANE_ALE_REPLY_SLOTS(name)                                                              \
    void _handle_##name##_set_ack(uchar message_sequence_number = 0);                              \
    void _handle_##name##_set_nack(uchar message_sequence_number = 0);
    TALVANE_ALE_REPLY_SLOTS(ale_system_mode)
    TALVANE_ALE_REPLY_SLOTS(ale_activity_timeout)
    TALVANE_ALE_REPLY_SLOTS(ale_lbt_time)
    TALVANE_ALE_REPLY_SLOTS(ale_scan_list_entry)
    TALVANE_ALE_REPLY_SLOTS(ale_address_table_ext)
    TALVANE_ALE_REPLY_SLOTS(ale_nonvolatile_memory_reset)
    TALVANE_ALE_REPLY_SLOTS(ale_call_setup)
    TALVANE_ALE_REPLY_SLOTS(ale_call_control)
    TALVANE_ALE_REPLY_SLOTS(ale_terminate_link)
    TALVANE_ALE_REPLY_SLOTS(ale_abort_request)
#undef TALVANE_ALE_REPLY_SLOTS
    void _handle_ale_report_status_indication(uchar event, uchar call_type,
                                              uchar self_address_index, uchar preset_number,
                                              uchar lqa_to, uchar lqa_from,
                                              uchar station_names_list_length,
                                              QString station_names_list);
    void _handle_occupancy_detected_result_indication(ushort duration, ushort occupancy);
};
