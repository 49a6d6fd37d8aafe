#pragma once

// Running the console without a display (--headless), as a service does, and
// the fixed data port name a service's data program is configured with
// (--data-port NAME).

#include <QString>

class QWidget;

namespace vq_qt {
class Virtual_serial_port;
} // namespace vq_qt

namespace headless {

// Makes the application object use Qt's offscreen platform, whatever the
// environment says: no display is needed and the window appears on none.
// Called before the application object exists.
void choose_offscreen_platform();

// SIGTERM and SIGINT (a service stopped, Ctrl-C) close the window as its
// close button would: the modem is told to stop sending its indications and
// the data port is removed before the process ends.
void close_on_termination_signals(QWidget* window);

} // namespace headless

// Whether the console made its data port under `name`; when not, one line on
// standard error says why (another console holds it, or see the trace log).
bool data_port_created_as_asked(const vq_qt::Virtual_serial_port& port, const QString& name);
