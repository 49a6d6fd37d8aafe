// The ALE engine's reports: each ALE status report moves the state machine,
// sets the detail line and writes the event into the ALE event log (the
// "events_2g" log category); occupancy reports record what signal held the
// channel, so that a failed call can say why.

#include "ale_2g_state_machine.h"
#include "log_categories.h"

#include <iterator>

namespace vq_qt {

namespace {

enum class Detail
{
    none,
    fixed,            // the row's text
    calling_stations, // "Calling " and the station names
    link_quality,     // the LQA values of the reply
    link_failed,      // why the call failed
};

struct Report_row
{
    uchar code;
    const char* name;
    Ale_2g_event event; // ALE_2G_EVENT_NONE: nothing posted
    Detail detail;
    const char* text;
};

constexpr Ale_2g_event no_event = ALE_2G_EVENT_NONE;

const Report_row report_rows[] = {
    {1, "Start of transmission of an ALE call", ALE_2G_EVENT_CALLING, Detail::calling_stations,
     nullptr},
    {3, "Linked via an incoming ALE call", ALE_2G_EVENT_LINKED, Detail::fixed,
     "Linked via an incoming call"},
    {4, "Linked via an outgoing ALE call", ALE_2G_EVENT_LINKED, Detail::none, nullptr},
    {5, "Not linked normal listen mode", ALE_2G_EVENT_NOT_LINKED, Detail::none, nullptr},
    {7, "AMD orderwire message has been received", no_event, Detail::none, nullptr},
    {8, "Transmitting an ALE sound", no_event, Detail::fixed, "Transmitting an ALE sound"},
    {9, "Received an ALE sound", no_event, Detail::fixed, "Received an ALE sound"},
    {10, "The link has been aborted due to the no activity timeout", no_event, Detail::none,
     nullptr},
    {11, "Start Rx Call", no_event, Detail::fixed, "Start Rx Call"},
    {12, "Transmitting the reply to an incoming ALE call", no_event, Detail::fixed,
     "Tx the reply to an incoming"},
    {13, "Received the reply to an outgoing ALE call", ALE_2G_EVENT_REPLY, Detail::link_quality,
     nullptr},
    {14, "Cannot establish an ALE link", ALE_2G_EVENT_LINK_FAILED, Detail::link_failed, nullptr},
    {16, "Link is terminated", ALE_2G_EVENT_LINK_TERMINATED, Detail::none, nullptr},
    {17, "Cannot reply to incoming call", no_event, Detail::fixed, "Cannot reply to incoming call"},
    {20, "Start LQA Poll", no_event, Detail::fixed, "Start LQA Poll"},
    {21, "End LQA Poll", no_event, Detail::fixed, "End LQA Poll"},
    {22, "Link was not requested", no_event, Detail::fixed, "Link was not requested"},
    {23, "Rx reply from network member", no_event, Detail::fixed, "Rx reply from network member"},
    {24, "Rx no ack", no_event, Detail::fixed, "Rx no ack"},
    {25, "Link rejected", no_event, Detail::fixed, "Link rejected"},
    {38, "Cannot call no presets available", no_event, Detail::none, nullptr},
    {80, "ALE STATE LINKED", ALE_2G_EVENT_LINKED, Detail::none, nullptr},
    {81, "ALE STATE OFFLINE", ALE_2G_EVENT_OFFLINE, Detail::none, nullptr},
    {82, "ALE STATE LINKING", ALE_2G_EVENT_CALLING, Detail::none, nullptr},
    {83, "ALE STATE SOUNDING", no_event, Detail::none, nullptr},
    {111, "Start of Relink process", no_event, Detail::fixed, "Start of Relink"},
    {112, "Relink succeeded", no_event, Detail::fixed, "Relink succeeded"},
    {113, "Relink failed", no_event, Detail::fixed, "Relink failed"},
    {114, "Radio unavailable", no_event, Detail::fixed, "Radio unavailable"},
    {115, "Radio fault", no_event, Detail::fixed, "Radio fault"},
};

constexpr uchar activity_timeout_report = 10;
constexpr uchar reply_report = 13;

const Report_row* find_report(uchar code)
{
    for (const Report_row& row : report_rows) {
        if (row.code == code) {
            return &row;
        }
    }
    return nullptr;
}

// Occupancy code to the signal that held the channel; index = code - 1.
const char* const occupancy_names[] = {
    "2G ALE signal",    "SSD signal",           "VOICE signal",     "PSK 4539 signal",
    "PSK 4285 signal",  "PSK 4529 signal",      "PSK DPF signal",   "PSK DPS signal",
    "PSK 4415 signal",  "PSK 110A SYNC signal", "PSK 2ISB signal",  "2FSK signal",
    "S4538 BW0 signal", "S4538 BW1 signal",     "S4538 BW2 signal", "S4538 BW3 signal",
    "S4538 BW4 signal", "S4538 BW5 signal",
};

QString occupancy_name(ushort code)
{
    if (code < 1 || code > std::size(occupancy_names)) {
        return "Invalid Event!!";
    }
    return occupancy_names[code - 1];
}

QString quoted(const QString& text)
{
    return "\"" + text + "\"";
}

} // namespace

void Ale_2g_state_machine::_handle_ale_report_status_indication(
    uchar event, uchar /*call_type*/, uchar /*self_address_index*/, uchar /*preset_number*/,
    uchar lqa_to, uchar lqa_from, uchar /*station_names_list_length*/, QString station_names_list)
{
    ale_2g_station_names = station_names_list;
    if (event == reply_report) {
        ale_2g_lqa_from = lqa_from;
        ale_2g_lqa_to = lqa_to;
    }
    if (event == activity_timeout_report) {
        ale_2g_activity_timeout_flag = true;
    }

    const Report_row* row = find_report(event);
    if (row && row->event != no_event) {
        _2g_state_machine_execute(row->event);
    }
    switch (row ? row->detail : Detail::none) {
    case Detail::none:
        break;
    case Detail::fixed:
        set_detail_text(row->text);
        break;
    case Detail::calling_stations:
        set_detail_text("Calling " + ale_2g_station_names);
        break;
    case Detail::link_quality:
        set_detail_text(QString("Link Quality: TO = %1, FROM = %2")
                            .arg(int(ale_2g_lqa_to))
                            .arg(int(ale_2g_lqa_from)));
        break;
    case Detail::link_failed:
        // Without an occupancy report since the call began, the channel was
        // free: the far station did not answer.
        set_detail_text(ale_2g_occupancy_flag ? "Channel Occupied with " + ale_2g_occupancy_name
                                              : QString("No Reply received"));
        break;
    }
    _log_2g_ale_status_event(event);
    const bool has_outcome =
        row && (row->detail == Detail::link_quality || row->detail == Detail::link_failed);
    emit report_received(row ? row->name : "UNKNOWN", station_names_list,
                         has_outcome ? ale_2g_detail_text : QString());
    qCDebug(lc_events_2g).noquote()
        << "_handle_ale_report_status_indication: station_names_list = " +
               quoted(station_names_list);
}

void Ale_2g_state_machine::_log_2g_ale_status_event(uchar event_value)
{
    const Report_row* row = find_report(event_value);
    qCDebug(lc_events_2g).noquote() << "New 2G Event: " + quoted(row ? row->name : "UNKNOWN");
}

void Ale_2g_state_machine::_handle_occupancy_detected_result_indication(ushort duration,
                                                                        ushort occupancy)
{
    ale_2g_occupancy_name = occupancy_name(occupancy);
    ale_2g_occupancy_flag = true;
    qCDebug(lc_resp_handle).noquote() << "_handle_occupancy_detected_result_indication" +
                                             QString(", duration:") + QString::number(duration) +
                                             ", occupancy: (" + QString::number(occupancy) + ") " +
                                             quoted(ale_2g_occupancy_name);
}

} // namespace vq_qt
