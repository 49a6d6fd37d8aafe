#pragma once

// Logging categories of the console window and its components. Each is one
// static QLoggingCategory built with the name only, so Qt's default enabling
// applies and the Qt logging rules (for example the file named by
// QT_LOGGING_CONF) can switch them. Write through them with qCDebug(lc_init).
//
//   accessor              category            what goes into it
//   lc_vserial()          "vserial"           virtual serial port creation and events
//   lc_flow_ctrl()        "flow_ctrl"         transmit buffer servicing, modem flow stop/start
//   lc_resp_handle()      "resp_handle"       every modem reply handler, data from the modem
//   lc_init()             "init"              initialisation sequence, init timer report,
//                                             loading of the 2G ALE settings file
//   lc_info()             "info"              start-up lines, init completion, ALE settings
//   lc_radio_file()       "radio_file"        reading of the radio list file
//   lc_state_change()     "state_change"      connection state changes
//   lc_state_change_2g()  "state_change_2g"   2G ALE state changes and state machine steps
//   lc_events_2g()        "events_2g"         ALE events and status reports
//   lc_address_entry_2g() "address_entry_2g"  editing of 2G addresses, 2G control updates
//   lc_tac1_reply_2g()    "tac1_reply_2g"     replies to the 2G ALE message sequences

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lc_vserial)
Q_DECLARE_LOGGING_CATEGORY(lc_flow_ctrl)
Q_DECLARE_LOGGING_CATEGORY(lc_resp_handle)
Q_DECLARE_LOGGING_CATEGORY(lc_init)
Q_DECLARE_LOGGING_CATEGORY(lc_info)
Q_DECLARE_LOGGING_CATEGORY(lc_radio_file)
Q_DECLARE_LOGGING_CATEGORY(lc_state_change)
Q_DECLARE_LOGGING_CATEGORY(lc_state_change_2g)
Q_DECLARE_LOGGING_CATEGORY(lc_events_2g)
Q_DECLARE_LOGGING_CATEGORY(lc_address_entry_2g)
Q_DECLARE_LOGGING_CATEGORY(lc_tac1_reply_2g)

// The one line a reply slot writes with its own name: debug for answers,
// a warning for negative acknowledgements.
inline void log_reply(const char* name)
{
    qCDebug(lc_resp_handle) << name;
}

inline void log_nack(const char* name)
{
    qCWarning(lc_resp_handle) << name;
}
