// What the trace says about a modem that went away: one warning when it stops
// answering and one for its boot, with the port; one line when it answers
// again (or the operator stops waiting), with how long it was away. The
// start-up status polls in between are only debug lines.

#include "connection_controller.h"
#include "log_categories.h"

namespace vq_qt {

void Connection_controller::_report_absence(Connection_state state)
{
    switch (state) {
    case CONNECTION_STATE_CONNECTING_NO_RESPONSE:
    case CONNECTION_STATE_CONNECTING_MODEM_BOOTING:
        if (!away_since.isValid()) {
            away_since.start();
            if (state == CONNECTION_STATE_CONNECTING_NO_RESPONSE) {
                const QString line = "No Response from the modem on " + open_port_name;
                qCWarning(lc_state_change).noquote() << line;
                emit absence_reported(line);
            }
        }
        if (state == CONNECTION_STATE_CONNECTING_MODEM_BOOTING && !boot_reported) {
            boot_reported = true;
            const QString line = "Modem booting on " + open_port_name;
            qCWarning(lc_state_change).noquote() << line;
            emit absence_reported(line);
        }
        break;
    case CONNECTION_STATE_INITIALISING:
    case CONNECTION_STATE_NOT_CONNECTED:
    case CONNECTION_STATE_ERROR_PORT_OPEN_FAIL:
        if (away_since.isValid()) {
            const QString away = QString::number(away_since.elapsed() / 1000.0, 'f', 1);
            // A modem that was never connected on this port was not "away":
            // it was booting or silent since the port opened.
            const QString ready = connected_since_open
                                      ? QString("Modem on %1 ready again after %2 s away")
                                      : QString("Modem on %1 ready after %2 s");
            const QString line = (state == CONNECTION_STATE_INITIALISING
                                      ? ready
                                      : QString("Stopped waiting for the modem on %1 after %2 s"))
                                     .arg(open_port_name, away);
            qCDebug(lc_info).noquote() << line;
            emit absence_reported(line);
            away_since.invalidate();
        }
        boot_reported = false;
        if (state != CONNECTION_STATE_INITIALISING) {
            connected_since_open = false;
        }
        break;
    case CONNECTION_STATE_CONNECTED:
        connected_since_open = true;
        break;
    case CONNECTION_STATE_CONNECTING:
        break;
    }
}

} // namespace vq_qt
