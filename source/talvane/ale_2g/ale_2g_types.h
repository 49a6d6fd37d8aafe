#pragma once

// States and events of the 2G ALE state machine, and the control settings it
// hands to the "2G ALE Control" panel.

#include <QMetaType>
#include <QString>
#include <optional>

namespace vq_qt {

enum Ale_2g_state : int
{
    ALE_2G_STATE_DISABLED = 0,
    ALE_2G_STATE_CONFIG = 1,
    ALE_2G_STATE_ENABLED = 2,
    ALE_2G_STATE_CALL_SETUP = 3,
    ALE_2G_STATE_CALLING = 4,
    ALE_2G_STATE_LINKED = 5,
    ALE_2G_STATE_TERMINATING = 6,
    ALE_2G_STATE_DISABLING = 7,
    ALE_2G_STATE_ERROR = 8,
};

// Code 3 is not used.
enum Ale_2g_event : int
{
    ALE_2G_EVENT_NONE = 0,
    ALE_2G_EVENT_ENABLE = 1,
    ALE_2G_EVENT_DISABLE = 2,
    ALE_2G_EVENT_CALL = 4,
    ALE_2G_EVENT_TERMINATE = 5,
    ALE_2G_EVENT_CANCEL = 6,
    ALE_2G_EVENT_LINKED = 7,
    ALE_2G_EVENT_NOT_LINKED = 8,
    ALE_2G_EVENT_CALLING = 9,
    ALE_2G_EVENT_REPLY = 10,
    ALE_2G_EVENT_LINK_FAILED = 11,
    ALE_2G_EVENT_LINK_TERMINATED = 12,
    ALE_2G_EVENT_OFFLINE = 13,
    ALE_2G_EVENT_TAC1_REPLY = 14,
    ALE_2G_EVENT_TIMEOUT = 15,
    ALE_2G_EVENT_NACK = 16,
};

// The name a state is logged with; "UNKNOWN" for a value outside the enum.
QString ale_2g_state_name(int state);

// One button of the panel. An empty optional leaves that property as the
// previous state left it.
struct Ale_2g_button_update
{
    std::optional<QString> text;
    std::optional<bool> enabled;
};

// What the panel shows after a refresh. Labels are rich text, ready to set.
struct Ale_2g_controls
{
    std::optional<QString> status_label;
    std::optional<QString> detail_label;
    Ale_2g_button_update enable_button;
    Ale_2g_button_update call_button;
    std::optional<bool> self_address_enabled;
    std::optional<bool> other_address_enabled;
};

} // namespace vq_qt

Q_DECLARE_METATYPE(vq_qt::Ale_2g_controls)
