// What the benchmarks that start programs of this build share: where those
// programs are, and waiting in the event loop for what they do.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <functional>

namespace bench_support {

// The program named by $VARIABLE, or the one this build made below source/
// (for example "talvane/talvane").
inline QString program(const char* variable, const QString& below_source)
{
    return qEnvironmentVariableIsSet(variable)
               ? qEnvironmentVariable(variable)
               : QCoreApplication::applicationDirPath() + "/../source/" + below_source;
}

// Runs the event loop until `done` or the time limit; true when done. Sleeps
// in the event loop between checks (woken at least every tick_ms) rather
// than spinning: the programs under test need the second core.
inline bool spin_until(const std::function<bool()>& done, int limit_ms, int tick_ms = 5)
{
    QTimer tick;
    tick.start(tick_ms);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > limit_ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace bench_support
