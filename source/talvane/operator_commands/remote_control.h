// talvane --remote: the client of a running console's control socket.
#pragma once

#include <QString>
#include <QStringList>

namespace vq_qt {

// Sends each line of `commands` (an argument with line breaks holds several)
// to the console named `instance`, one after the other, and prints every
// line the console sends back on standard output. After `watch`, the events
// are printed until the console ends. Returns the exit status: 0 when every
// command was answered "ok", 1 otherwise or when the console cannot be
// reached (said on standard error). Needs no application object.
int run_remote_commands(const QString& instance, const QStringList& commands);

} // namespace vq_qt
