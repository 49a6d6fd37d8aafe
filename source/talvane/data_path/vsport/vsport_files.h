#pragma once

// The files behind a virtual port name: the private folder the ports appear
// in, the lock through which a console owns a name, and the link that leads
// applications to the pseudo-terminal.
//
//   <folder>/COMn        symbolic link to /dev/pts/N
//   <folder>/COMn.lock   flock held by the console that owns COMn
//
// The folder is $XDG_RUNTIME_DIR/talvane, or /tmp/talvane-UID where
// XDG_RUNTIME_DIR is unset; it is created with mode 0700 and refused when it
// exists as anything but a directory of this user closed to everybody else.

#include <QString>
#include <sys/types.h>

namespace vq_qt::vsport_files {

// The folder for the given XDG_RUNTIME_DIR value (empty: unset) and user.
QString port_folder_for(const QString& runtime_dir, uid_t uid);
// The folder for this process.
QString port_folder();

// Creates the folder (and, for the XDG case, nothing above it) or checks the
// one that exists. False with a reason in `error` when it cannot be used.
bool prepare_private_folder(const QString& folder, QString* error);

// A port name is 1 to 32 letters, digits, '_' and '-': a file name of its
// own in the folder, and no way out of it.
bool port_name_acceptable(const QString& name);

QString lock_path(const QString& folder, const QString& name);
QString link_path(const QString& folder, const QString& name);

// Takes the lock of a name without waiting: the open lock file, or -1 with
// a reason. The lock file is created when missing. `held_elsewhere` tells a
// lock held by another console from other failures.
int acquire_name_lock(const QString& lock_file, bool* held_elsewhere, QString* error);
// Whether the lock of a name is held, by this or another console.
bool name_lock_held(const QString& lock_file);
// Removes the lock file and then gives up the lock (the file is removed
// while still held, so nobody takes a lock on a file on its way out).
void release_name_lock(const QString& lock_file, int fd);

// Points `link` at `target`: the link is made under a temporary name in the
// same folder and renamed into place, so an application never finds it
// missing or half made.
bool place_link(const QString& target, const QString& link, QString* error);

// Text of the last system error.
QString errno_text();

} // namespace vq_qt::vsport_files
