#pragma once

// The pseudo-terminal pair behind a virtual port, as the console's end sees
// it: the master, non-blocking in packet mode, its line raw with EXTPROC so
// that every tcsetattr of the application is reported, and the slave's
// exclusive mode.

#include <QString>

namespace vq_qt::pty_master {

struct Pair
{
    int master = -1;
    QString device; // the slave, /dev/pts/N
};

// A new pair; the slave was opened and closed once, so that its hang-up is
// armed. False with a reason in `error`.
bool open_pair(Pair* pair, QString* error);

// Puts the line back to its start: raw, 9600 baud, EXTPROC.
bool reset_line(int master);

// Refuses every further open of the slave but by root. The flag stays on
// the pair until the pair goes.
bool make_exclusive(const QString& device, QString* error);

// Drops what the application wrote and the master has not read; returns the
// count dropped.
qint64 discard_input(int master);

} // namespace vq_qt::pty_master
