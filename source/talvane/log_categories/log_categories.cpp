#include "log_categories.h"

Q_LOGGING_CATEGORY(lc_vserial, "vserial")
Q_LOGGING_CATEGORY(lc_flow_ctrl, "flow_ctrl")
Q_LOGGING_CATEGORY(lc_resp_handle, "resp_handle")
Q_LOGGING_CATEGORY(lc_init, "init")
Q_LOGGING_CATEGORY(lc_info, "info")
Q_LOGGING_CATEGORY(lc_radio_file, "radio_file")
Q_LOGGING_CATEGORY(lc_state_change, "state_change")
Q_LOGGING_CATEGORY(lc_state_change_2g, "state_change_2g")
Q_LOGGING_CATEGORY(lc_events_2g, "events_2g")
Q_LOGGING_CATEGORY(lc_address_entry_2g, "address_entry_2g")
Q_LOGGING_CATEGORY(lc_tac1_reply_2g, "tac1_reply_2g")
