// What the trace says about a modem that went away: one warning when it stops
// answering and one for its boot, with the port; one line when it answers
// again (or the operator stops waiting), with how long it was away. The
// start-up status polls in between are only debug lines.

#include "connection_controller.h"
#include "log_categories.h"

void Connection_controller::_report_absence(Connection_state state)
{
    switch (state) {
    case CONNECTION_STATE_CONNECTING_NO_RESPONSE:
    case CONNECTION_STATE_CONNECTING_MODEM_BOOTING:
        if (!away_since.isValid()) {
            away_since.start();
            if (state == CONNECTION_STATE_CONNECTING_NO_RESPONSE) {
                qCWarning(lc_state_change).noquote()
                    << "No Response from the modem on" << open_port_name;
            }
        }
        if (state == CONNECTION_STATE_CONNECTING_MODEM_BOOTING && !boot_reported) {
            boot_reported = true;
            qCWarning(lc_state_change).noquote() << "Modem booting on" << open_port_name;
        }
        break;
    case CONNECTION_STATE_INITIALISING:
    case CONNECTION_STATE_NOT_CONNECTED:
    case CONNECTION_STATE_ERROR_PORT_OPEN_FAIL:
        if (away_since.isValid()) {
            const QString away = QString::number(away_since.elapsed() / 1000.0, 'f', 1);
            qCDebug(lc_info).noquote()
                << (state == CONNECTION_STATE_INITIALISING
                        ? QString("Modem on %1 ready again after %2 s away")
                        : QString("Stopped waiting for the modem on %1 after %2 s"))
                       .arg(open_port_name, away);
            away_since.invalidate();
        }
        boot_reported = false;
        break;
    case CONNECTION_STATE_CONNECTING:
    case CONNECTION_STATE_CONNECTED:
        break;
    }
}
