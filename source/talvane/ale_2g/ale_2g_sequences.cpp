// The three request sequences of the 2G ALE state machine, the replies that
// move them on, and the wiring to the modem interface.

#include "ale_2g_state_machine.h"
#include "log_categories.h"
#include "qmodem_interface.h"

#include <iterator>
#include <utility>

namespace vq_qt {

namespace {

// Sends one step's request; the sequence number goes into the last argument.
using Step = bool (*)(Ale_2g_requests&, const Ale_2g_settings&, uchar&);

struct Sequence_step
{
    const char* detail;
    Step send;
};

const QByteArray no_preset_map(1, '\x00');

// An address table entry: index 0 is the station itself (type 1), index 1
// the station called (type 2).
bool address_entry(Ale_2g_requests& r, const Ale_2g_settings& s, uchar index,
                   const QString& address, uchar& n)
{
    return r.set_ale_address_table_ext(index, address, address, index == 0 ? 1 : 2, s.tune_time,
                                       s.wait_for_reply_time, 0, no_preset_map, n);
}

const Step set_system_mode_3 = [](Ale_2g_requests& r, const Ale_2g_settings&, uchar& n) {
    return r.set_system_mode(3, n);
};
const Step set_system_mode_2 = [](Ale_2g_requests& r, const Ale_2g_settings&, uchar& n) {
    return r.set_system_mode(2, n);
};
const Step purge_ale_system = [](Ale_2g_requests& r, const Ale_2g_settings&, uchar& n) {
    return r.set_ale_nonvolatile_memory_reset(8, n);
};
const Step scan_list = [](Ale_2g_requests& r, const Ale_2g_settings& s, uchar& n) {
    const QByteArray mask = QByteArray::fromHex(s.scan_list.toUpper().toLatin1());
    return r.set_ale_scan_list_entry(0, "ALESCANPOOL", mask, n);
};
const Step self_address = [](Ale_2g_requests& r, const Ale_2g_settings& s, uchar& n) {
    return address_entry(r, s, 0, s.self_address, n);
};
// The real other address is written only when a call is made.
const Step dummy_other_address = [](Ale_2g_requests& r, const Ale_2g_settings& s, uchar& n) {
    return address_entry(r, s, 1, "DUMMY", n);
};
const Step other_address = [](Ale_2g_requests& r, const Ale_2g_settings& s, uchar& n) {
    return address_entry(r, s, 1, s.other_address, n);
};
const Step activity_timeout = [](Ale_2g_requests& r, const Ale_2g_settings& s, uchar& n) {
    return r.set_ale_activity_timeout(s.activity_timeout, n);
};
const Step lbt_time = [](Ale_2g_requests& r, const Ale_2g_settings& s, uchar& n) {
    return r.set_ale_lbt_time(s.lbt_time, n);
};
const Step ale_mode_2g = [](Ale_2g_requests& r, const Ale_2g_settings&, uchar& n) {
    return r.set_ale_system_mode(ale_system_mode_2g, n);
};
const Step ale_mode_disabled = [](Ale_2g_requests& r, const Ale_2g_settings&, uchar& n) {
    return r.set_ale_system_mode(ale_system_mode_disabled, n);
};
const Step call_setup = [](Ale_2g_requests& r, const Ale_2g_settings&, uchar& n) {
    return r.set_ale_call_setup(1, 1, 0, QByteArray(1, '\x01'), n);
};
const Step call_control = [](Ale_2g_requests& r, const Ale_2g_settings&, uchar& n) {
    return r.set_ale_call_control(n);
};

const Sequence_step config_steps[] = {
    {"Set System Mode", set_system_mode_3},
    {"Set Purge ALE system", purge_ale_system},
    {"Set Scan List", scan_list},
    {"Set Self Address", self_address},
    {"Set Other Address", dummy_other_address},
    {"Set Activity Timeout", activity_timeout},
    {"Set LBT Time Interval", lbt_time},
    {"Set ALE System Mode", ale_mode_2g},
};

const Sequence_step disable_steps[] = {
    {"Set ALE System Mode", ale_mode_disabled},
    {"Set System Mode", set_system_mode_2},
};

const Sequence_step call_steps[] = {
    {"Set Other Address", other_address},
    {"Set Setup Call", call_setup},
    {"Make Call", call_control},
};

} // namespace

struct Ale_2g_sequence
{
    const char* name; // the sender's name, for its log lines
    const Sequence_step* steps;
    uchar length;
};

namespace {

const Ale_2g_sequence config_sequence = {"_2g_ale_send_next_config_message", config_steps,
                                         uchar(std::size(config_steps))};
const Ale_2g_sequence disable_sequence = {"_2g_ale_send_next_disable_message", disable_steps,
                                          uchar(std::size(disable_steps))};
const Ale_2g_sequence call_sequence = {"_2g_ale_send_next_call_message", call_steps,
                                       uchar(std::size(call_steps))};

} // namespace

bool Ale_2g_state_machine::_2g_ale_send_next_config_message()
{
    return send_next(config_sequence);
}

bool Ale_2g_state_machine::_2g_ale_send_next_disable_message()
{
    return send_next(disable_sequence);
}

bool Ale_2g_state_machine::_2g_ale_send_next_call_message()
{
    return send_next(call_sequence);
}

bool Ale_2g_state_machine::send_next(const Ale_2g_sequence& sequence)
{
    const QString name = sequence.name;
    if (ale_2g_step_counter >= sequence.length) {
        ale_2g_step_counter = 0;
        ale_2g_event_timer.stop();
        qCDebug(lc_tac1_reply_2g).noquote() << name + ": Done";
        return true;
    }
    const Sequence_step& step = sequence.steps[ale_2g_step_counter];
    qCDebug(lc_tac1_reply_2g).noquote() << name + ": CNT:  " + QString::number(ale_2g_step_counter);
    ale_2g_detail_text = step.detail;
    _update_2g_gui_controls();
    if (!requests) {
        qCWarning(lc_tac1_reply_2g).noquote()
            << name + ": no modem to send \"" + step.detail + "\" to";
    } else {
        step.send(*requests, ale_settings, ale_2g_expected_sequence_number);
    }
    ale_2g_event_timer.start(event_interval_ms);
    ++ale_2g_step_counter;
    return false;
}

// Replies. Only the answer to the request awaited moves the machine on.

void Ale_2g_state_machine::reply(const char* handler, uchar message_sequence_number, bool nack)
{
    const bool awaited = message_sequence_number == ale_2g_expected_sequence_number;
    if (!nack) {
        if (handler) {
            qCDebug(lc_resp_handle) << handler << int(message_sequence_number);
        }
        if (awaited) {
            _2g_state_machine_execute(ALE_2G_EVENT_TAC1_REPLY);
        }
        return;
    }
    if (awaited) {
        _2g_state_machine_execute(ALE_2G_EVENT_NACK);
    }
    if (handler) {
        qCWarning(lc_resp_handle) << handler << int(message_sequence_number);
    }
}

void Ale_2g_state_machine::_handle_system_mode_set_ack(uchar message_sequence_number)
{
    reply(nullptr, message_sequence_number, false);
}

void Ale_2g_state_machine::_handle_system_mode_set_nack(uchar message_sequence_number)
{
    reply(nullptr, message_sequence_number, true);
}

#define ALE_2G_REPLY_SLOTS(name)                                                                   \
    void Ale_2g_state_machine::_handle_##name##_set_ack(uchar message_sequence_number)             \
    {                                                                                              \
        reply("_handle_" #name "_set_ack", message_sequence_number, false);                        \
    }                                                                                              \
    void Ale_2g_state_machine::_handle_##name##_set_nack(uchar message_sequence_number)            \
    {                                                                                              \
        reply("_handle_" #name "_set_nack", message_sequence_number, true);                        \
    }

ALE_2G_REPLY_SLOTS(ale_system_mode)
ALE_2G_REPLY_SLOTS(ale_activity_timeout)
ALE_2G_REPLY_SLOTS(ale_lbt_time)
ALE_2G_REPLY_SLOTS(ale_scan_list_entry)
ALE_2G_REPLY_SLOTS(ale_address_table_ext)
ALE_2G_REPLY_SLOTS(ale_nonvolatile_memory_reset)
ALE_2G_REPLY_SLOTS(ale_call_setup)
ALE_2G_REPLY_SLOTS(ale_call_control)
ALE_2G_REPLY_SLOTS(ale_terminate_link)
ALE_2G_REPLY_SLOTS(ale_abort_request)

#undef ALE_2G_REPLY_SLOTS

void Ale_2g_state_machine::send_through(QModem_interface* modem)
{
    owned_requests = std::make_unique<Modem_ale_requests>(modem);
    set_requests(owned_requests.get());
}

void Ale_2g_state_machine::attach_modem(QModem_interface* modem)
{
    using Signal = void (QModem_interface::*)(uchar);
    using Slot = void (Ale_2g_state_machine::*)(uchar);
    using M = QModem_interface;
    using S = Ale_2g_state_machine;
    static const std::pair<Signal, Slot> replies[] = {
        {&M::ale_system_mode_set_ack, &S::_handle_ale_system_mode_set_ack},
        {&M::ale_system_mode_set_nack, &S::_handle_ale_system_mode_set_nack},
        {&M::ale_activity_timeout_set_ack, &S::_handle_ale_activity_timeout_set_ack},
        {&M::ale_activity_timeout_set_nack, &S::_handle_ale_activity_timeout_set_nack},
        {&M::ale_lbt_time_set_ack, &S::_handle_ale_lbt_time_set_ack},
        {&M::ale_lbt_time_set_nack, &S::_handle_ale_lbt_time_set_nack},
        {&M::ale_scan_list_entry_set_ack, &S::_handle_ale_scan_list_entry_set_ack},
        {&M::ale_scan_list_entry_set_nack, &S::_handle_ale_scan_list_entry_set_nack},
        {&M::ale_address_table_ext_set_ack, &S::_handle_ale_address_table_ext_set_ack},
        {&M::ale_address_table_ext_set_nack, &S::_handle_ale_address_table_ext_set_nack},
        {&M::ale_nonvolatile_memory_reset_set_ack,
         &S::_handle_ale_nonvolatile_memory_reset_set_ack},
        {&M::ale_nonvolatile_memory_reset_set_nack,
         &S::_handle_ale_nonvolatile_memory_reset_set_nack},
        {&M::ale_call_setup_set_ack, &S::_handle_ale_call_setup_set_ack},
        {&M::ale_call_setup_set_nack, &S::_handle_ale_call_setup_set_nack},
        {&M::ale_call_control_set_ack, &S::_handle_ale_call_control_set_ack},
        {&M::ale_call_control_set_nack, &S::_handle_ale_call_control_set_nack},
        {&M::ale_terminate_link_set_ack, &S::_handle_ale_terminate_link_set_ack},
        {&M::ale_terminate_link_set_nack, &S::_handle_ale_terminate_link_set_nack},
        {&M::ale_abort_request_set_ack, &S::_handle_ale_abort_request_set_ack},
        {&M::ale_abort_request_set_nack, &S::_handle_ale_abort_request_set_nack},
    };
    send_through(modem);
    for (const auto& [signal, slot] : replies) {
        connect(modem, signal, this, slot);
    }
    connect(modem, &M::ale_report_status_indication, this,
            &S::_handle_ale_report_status_indication);
    connect(modem, &M::occupancy_detected_result_indication, this,
            &S::_handle_occupancy_detected_result_indication);
}

} // namespace vq_qt
