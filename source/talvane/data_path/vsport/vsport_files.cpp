#include "vsport_files.h"

#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq_qt::vsport_files {

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// The opened lock file still is the one at its path (not one removed by
// its previous owner between our open and our lock).
bool still_in_place(int fd, const QString& lock_file)
{
    struct stat opened
    {
    };
    struct stat named
    {
    };
    return ::fstat(fd, &opened) == 0 && ::stat(native(lock_file).constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

QString errno_text()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString port_folder_for(const QString& runtime_dir, uid_t uid)
{
    if (runtime_dir.isEmpty()) {
        return QStringLiteral("/tmp/talvane-%1").arg(uid);
    }
    return runtime_dir + QStringLiteral("/talvane");
}

QString port_folder()
{
    return port_folder_for(QFile::decodeName(qgetenv("XDG_RUNTIME_DIR")), ::getuid());
}

bool prepare_private_folder(const QString& folder, QString* error)
{
    const QByteArray path = native(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        *error = folder + ": " + errno_text();
        return false;
    }
    // Whether just made or already there, it must be ours and private; a
    // link or a folder others may enter is not used.
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0) {
        *error = folder + ": " + errno_text();
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = folder + " is not a folder";
        return false;
    }
    if (st.st_uid != ::getuid()) {
        *error = folder + " belongs to another user";
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        *error = QStringLiteral("%1 is open to others (mode %2)")
                     .arg(folder)
                     .arg(st.st_mode & 0777, 4, 8, QLatin1Char('0'));
        return false;
    }
    return true;
}

bool port_name_acceptable(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{1,32}$"));
    return pattern.match(name).hasMatch();
}

QString lock_path(const QString& folder, const QString& name)
{
    return folder + '/' + name + QStringLiteral(".lock");
}

QString link_path(const QString& folder, const QString& name)
{
    return folder + '/' + name;
}

int acquire_name_lock(const QString& lock_file, bool* held_elsewhere, QString* error)
{
    *held_elsewhere = false;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd =
            ::open(native(lock_file).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            *error = lock_file + ": " + errno_text();
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool busy = errno == EWOULDBLOCK;
            *error =
                busy ? lock_file + " is held by another console" : lock_file + ": " + errno_text();
            *held_elsewhere = busy;
            ::close(fd);
            return -1;
        }
        if (still_in_place(fd, lock_file)) {
            return fd;
        }
        ::close(fd); // its owner removed it meanwhile: take the new one
    }
    *error = lock_file + " keeps changing";
    return -1;
}

bool name_lock_held(const QString& lock_file)
{
    const int fd = ::open(native(lock_file).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false; // no lock file: nobody owns the name
    }
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

void release_name_lock(const QString& lock_file, int fd)
{
    if (fd < 0) {
        return;
    }
    ::unlink(native(lock_file).constData());
    ::close(fd);
}

bool place_link(const QString& target, const QString& link, QString* error)
{
    const QByteArray final_name = native(link);
    const int slash = final_name.lastIndexOf('/');
    const QByteArray temp = final_name.left(slash + 1) + '.' + final_name.mid(slash + 1) + ".new-" +
                            QByteArray::number(::getpid());
    ::unlink(temp.constData());
    if (::symlink(native(target).constData(), temp.constData()) != 0) {
        *error = "link " + link + ": " + errno_text();
        return false;
    }
    if (::rename(temp.constData(), final_name.constData()) != 0) {
        *error = "link " + link + ": " + errno_text();
        ::unlink(temp.constData());
        return false;
    }
    return true;
}

} // namespace vq_qt::vsport_files
