// Replies and reports of the 2G ALE engine, logged until the ALE panel
// takes them over.

#include "ale_2g_reply_log.h"

#include "log_categories.h"

#define TALVANE_ALE_REPLY(name)                                                                    \
    void Ale_2g_reply_log::_handle_##name##_set_ack(uchar message_sequence_number)                 \
    {                                                                                              \
        qCDebug(lc_tac1_reply_2g) << __func__ << message_sequence_number;                          \
    }                                                                                              \
    void Ale_2g_reply_log::_handle_##name##_set_nack(uchar message_sequence_number)                \
    {                                                                                              \
        qCWarning(lc_resp_handle) << __func__ << message_sequence_number;                          \
    }

TALVANE_ALE_REPLY(ale_system_mode)
TALVANE_ALE_REPLY(ale_activity_timeout)
TALVANE_ALE_REPLY(ale_lbt_time)
TALVANE_ALE_REPLY(ale_scan_list_entry)
TALVANE_ALE_REPLY(ale_address_table_ext)
TALVANE_ALE_REPLY(ale_nonvolatile_memory_reset)
TALVANE_ALE_REPLY(ale_call_setup)
TALVANE_ALE_REPLY(ale_call_control)
TALVANE_ALE_REPLY(ale_terminate_link)
TALVANE_ALE_REPLY(ale_abort_request)

#undef TALVANE_ALE_REPLY

void Ale_2g_reply_log::_handle_ale_report_status_indication(
    uchar event, uchar call_type, uchar self_address_index, uchar preset_number, uchar lqa_to,
    uchar lqa_from, uchar station_names_list_length, QString station_names_list)
{
    qCDebug(lc_events_2g) << __func__ << event << call_type << self_address_index << preset_number
                          << lqa_to << lqa_from << station_names_list_length << station_names_list;
}

void Ale_2g_reply_log::_handle_occupancy_detected_result_indication(ushort duration,
                                                                    ushort occupancy)
{
    qCDebug(lc_events_2g) << __func__ << duration << occupancy;
}

void Ale_2g_reply_log::connection_established()
{
    // The engine is told to stand down whenever a modem is connected.
    qCDebug(lc_state_change_2g) << "2G event" << 2 << "in state" << 0;
}
