// A simulated HF channel shared by the simulated modems of this user on this
// machine, with no server: a private folder per channel name, in which each
// modem binds one UNIX datagram socket and sends every frame it transmits to
// every other socket found there.
//
//   $XDG_RUNTIME_DIR/talvane/channel-NAME/      mode 0700 (or /tmp/talvane-UID/...)
//   $XDG_RUNTIME_DIR/talvane/channel-NAME/XXXXXXXX.sock   one per modem
//
// The first modem makes the folder, the last one to leave removes it. A
// socket whose modem died refuses datagrams; whoever finds that (a joining
// or leaving modem, or any transmission) removes it.
#pragma once

#include "sim_air.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace vq_sim {

class Sim_channel : public Air_link
{
public:
    Sim_channel();
    ~Sim_channel() override;
    Sim_channel(const Sim_channel&) = delete;
    Sim_channel& operator=(const Sim_channel&) = delete;

    // Letters, digits, '.', '_' and '-', not starting with '.'; at most 64.
    static bool valid_name(const QString& name);
    // The folder of a channel for this process.
    static QString folder_of(const QString& name);

    // Joins (the folder made when missing); false with a reason in error.
    bool join(const QString& name, QString* error);
    void leave();
    void transmit(const Air_frame& frame) override;

    std::uint32_t id() const { return _id; }
    QString folder() const { return _folder; }
    // Members of the channel as JSON (no braces).
    QString status_json() const;

    // A frame from another modem on the channel.
    std::function<void(std::uint32_t sender, const Air_frame& frame)> on_frame;
    std::function<void(const QString& line)> log;

private:
    // Sends to every other socket in the folder; returns how many took it.
    int send_all(const Bytes& datagram);
    // The socket names of the other modems in the folder.
    QStringList other_sockets() const;
    void read_all();
    void note(const QString& line);

    QString _name, _folder, _path;
    std::uint32_t _id = 0;
    int _fd = -1;
    std::unique_ptr<QSocketNotifier> _notifier;
    bool _full_logged = false;
    std::uint64_t _frames_out = 0, _frames_in = 0, _frames_refused = 0, _stale_removed = 0;
};

} // namespace vq_sim
