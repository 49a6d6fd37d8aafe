#pragma once

// What a serial port path led to when it was opened, so that after a loss
// the console reopens it only when the device behind it really came back:
// a device node that vanished and exists again (or was recreated), or a
// symbolic link that was replaced. A pseudo-terminal that was lost is never
// reopened through its old path: its number goes to the next program that
// asks for one, and opening it would take over that program's terminal.

#include <QString>
#include <QtGlobal>
#include <sys/types.h>

namespace vq_qt {

struct Device_identity
{
    bool exists = false;     // the path leads to something
    bool is_link = false;    // the path itself is a symbolic link
    ino_t link_inode = 0;    // the link's own inode
    QString link_target;     // what the link says
    ino_t device_inode = 0;  // the node the path resolves to
    dev_t device_number = 0; // its device number
    bool is_pty = false;     // that node is a pseudo-terminal
    // The link's own change time: a link made anew differs here even where
    // the file system reuses its inode number and the kernel the terminal
    // number it leads to (a bridge restarted at once).
    qint64 link_changed_ns = 0;

    // Reads what `path` leads to now (names without a folder are below /dev).
    static Device_identity of(const QString& path);
};

// Watches one path after its device was lost and says when to reopen it.
class Lost_device
{
public:
    Lost_device() = default;
    // `opened` is what the path led to when it was opened.
    explicit Lost_device(const Device_identity& opened) : before(opened), watching(true) {}

    // Looks at the path again; true when the device behind it came back.
    bool came_back(const QString& path);
    bool active() const { return watching; }

private:
    Device_identity before;
    bool watching = false;
    bool seen_absent = false;
};

} // namespace vq_qt
