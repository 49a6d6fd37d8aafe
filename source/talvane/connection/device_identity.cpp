#include "device_identity.h"

#include <QFile>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace vq_qt {

namespace {

// Unix 98 pseudo-terminal slaves have majors 136 to 143.
bool pty_major(dev_t device)
{
    const unsigned int m = major(device);
    return m >= 136 && m <= 143;
}

} // namespace

Device_identity Device_identity::of(const QString& path)
{
    Device_identity identity;
    const QByteArray name = QFile::encodeName(path.contains('/') ? path : "/dev/" + path);
    struct stat link_status = {};
    if (::lstat(name.constData(), &link_status) != 0) {
        return identity;
    }
    if (S_ISLNK(link_status.st_mode)) {
        identity.is_link = true;
        identity.link_inode = link_status.st_ino;
        identity.link_changed_ns =
            qint64(link_status.st_ctim.tv_sec) * 1000000000 + link_status.st_ctim.tv_nsec;
        char target[4096];
        const ssize_t length = ::readlink(name.constData(), target, sizeof target - 1);
        if (length > 0) {
            identity.link_target = QFile::decodeName(QByteArray(target, int(length)));
        }
    }
    struct stat status = {};
    if (::stat(name.constData(), &status) != 0) {
        return identity; // a link that leads nowhere
    }
    identity.exists = true;
    identity.device_inode = status.st_ino;
    identity.device_number = status.st_rdev;
    identity.is_pty = S_ISCHR(status.st_mode) && pty_major(status.st_rdev);
    return identity;
}

bool Lost_device::came_back(const QString& path)
{
    if (!watching) {
        return false;
    }
    const Device_identity now = Device_identity::of(path);
    if (!now.exists) {
        seen_absent = true;
        return false;
    }
    bool back = false;
    if (before.is_link && now.is_link &&
        (now.link_inode != before.link_inode || now.link_target != before.link_target ||
         now.link_changed_ns != before.link_changed_ns)) {
        back = true; // the link was replaced: whoever made it means its new target
    } else if (before.is_link != now.is_link) {
        back = !before.is_pty && !now.is_pty; // a link became a node or the other way round
    } else if (!before.is_pty) {
        // A real device node: it vanished and exists again, or was recreated.
        back = seen_absent || now.device_inode != before.device_inode ||
               now.device_number != before.device_number;
    }
    if (back) {
        watching = false;
    }
    return back;
}

} // namespace vq_qt
