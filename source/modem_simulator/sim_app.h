// The simulated modem program's core: the line (pty or device), the protocol
// node, the engine on a real-time scheduler, line faults, operator commands
// and the trace.
#pragma once

#include "sim_channel.h"
#include "sim_engine.h"
#include "sim_frame_damage.h"
#include "sim_node.h"
#include "sim_options.h"
#include "sim_scheduler.h"
#include "sim_transport.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <memory>
#include <random>

class QTimer;

namespace vq_sim {

class Sim_app : public QObject
{
    Q_OBJECT
public:
    explicit Sim_app(QObject* parent = nullptr);
    ~Sim_app() override;

    // Opens the line, loads the settings and powers the modem on. The first
    // output line is the device the console must open.
    bool start(const Sim_options& options, QString& error);
    // One operator command line.
    void command(const QString& line);

    QString status_json() const;
    Modem_engine& engine() { return *_engine; }
    Tac1_node& node() { return *_node; }
    Sim_transport* transport() { return _transport; }
    Pty_transport* pty() { return qobject_cast<Pty_transport*>(_transport); }

signals:
    void output_line(const QString& line); // standard output
    void log_line(const QString& line);    // standard error
    void quit_requested();

private:
    void bytes_in(const QByteArray& bytes);
    void frame_out(const Bytes& frame);
    void flush_chunk();
    void advance();
    void rearm();
    void execute(const Sim_command& c);
    void trace(const Frame_info& info);
    void set_indication_rate(double per_second);
    bool join_channel(const QString& name, QString& error);

    Sim_options _options;
    QElapsedTimer _clock;
    Sim_scheduler _scheduler;
    QTimer* _timer = nullptr;
    bool _advancing = false;
    std::unique_ptr<Tac1_node> _node;
    std::unique_ptr<Sim_channel> _channel; // outlives the engine that sends on it
    std::unique_ptr<Modem_engine> _engine;
    Sim_transport* _transport = nullptr;
    // Output waiting for the chunk timer. The last chunk of a frame carries
    // the user data in it, unless the frame was damaged on purpose (counted
    // already): what goes with a line that is dropped or replaced is counted.
    struct Chunk
    {
        QByteArray bytes;
        std::size_t user_data = 0;
    };
    QList<Chunk> _chunks;
    void drop_pending_output();
    QTimer* _chunk_timer = nullptr;
    QTimer* _indication_timer = nullptr;
    std::mt19937 _rng;
    Frame_damage _damage_in{11};
    Frame_damage _damage_out{13};
    // User data the modem never saw or the line never carried: requests
    // ignored while booting or hung, and data frames for a line nobody held
    // or still waiting to go when the line went.
    std::uint64_t _data_ignored = 0;
    std::uint64_t _data_lost_detached = 0;
};

} // namespace vq_sim
