#include "sim_app.h"

#include "sim_fields.h"

#include <QFileInfo>
#include <QTimer>
#include <algorithm>

namespace vq_sim {

namespace {

// The modem's own SIPC address and port; it answers whatever address and
// port a request was sent to.
constexpr std::uint32_t modem_address = 0xC0A80000;
constexpr std::uint16_t modem_port = 58001;
constexpr std::uint32_t id_startup_status_get = 0x0000009E;
constexpr std::uint32_t id_data_to_modem = 0x000A0001;

} // namespace

Sim_app::Sim_app(QObject* parent) : QObject(parent)
{
    _timer = new QTimer(this);
    _timer->setSingleShot(true);
    _timer->setTimerType(Qt::PreciseTimer);
    connect(_timer, &QTimer::timeout, this, &Sim_app::advance);
    _chunk_timer = new QTimer(this);
    _chunk_timer->setInterval(1);
    connect(_chunk_timer, &QTimer::timeout, this, &Sim_app::flush_chunk);
    _indication_timer = new QTimer(this);
    _indication_timer->setTimerType(Qt::PreciseTimer);
    connect(_indication_timer, &QTimer::timeout, this, [this] {
        _advancing = true;
        _scheduler.advance_to(_clock.elapsed());
        _engine->report_link_quality();
        _advancing = false;
        rearm();
    });
}

Sim_app::~Sim_app()
{
    if (Pty_transport* p = pty()) {
        p->close();
    }
}

bool Sim_app::start(const Sim_options& options, QString& error)
{
    _options = options;
    _rng.seed(options.engine.seed + 7);
    _damage_in = Frame_damage(options.engine.seed + 11);
    _damage_out = Frame_damage(options.engine.seed + 13);
    _damage_in.set_percent(options.line.corrupt_input_percent);
    _damage_out.set_percent(options.line.corrupt_frames_percent);
    Settings_store settings;
    auto load = [&](const QString& path, bool must_exist) {
        if (path.isEmpty()) {
            return true;
        }
        if (!QFileInfo::exists(path)) {
            if (must_exist) {
                error = "no such file: " + path;
                return false;
            }
            emit log_line("no state file yet at " + path + ": starting from the configuration");
            return true;
        }
        for (const std::string& problem : settings.load_ini(path.toStdString())) {
            emit log_line(QString::fromStdString(problem));
        }
        return true;
    };
    if (!load(options.config_path, true) ||
        !load(QString::fromStdString(options.engine.state_path), false)) {
        return false;
    }

    if (!options.channel.isEmpty() && !join_channel(options.channel, error)) {
        return false;
    }
    if (options.pty) {
        auto* p = new Pty_transport(this);
        if (!p->open(options.link, &error)) {
            delete p;
            return false;
        }
        _transport = p;
    } else {
        auto* d = new Device_transport(this);
        if (!d->open(options.device, &error)) {
            delete d;
            return false;
        }
        _transport = d;
    }
    connect(_transport, &Sim_transport::received, this, &Sim_app::bytes_in);
    connect(_transport, &Sim_transport::log, this, &Sim_app::log_line);
    connect(_transport, &Sim_transport::attached_changed, this, [this](bool on) {
        if (!on) {
            drop_pending_output();
        }
        emit log_line(on ? "console attached" : "console detached");
    });
    connect(_transport, &Sim_transport::device_changed, this, [this](const QString& path) {
        drop_pending_output();
        _damage_in.reset();
        emit log_line("device now " + path);
    });

    _node = std::make_unique<Tac1_node>(modem_address, modem_port);
    _node->write = [this](const Bytes& frame) { frame_out(frame); };
    _node->on_frame = [this](const Frame_info& info) { trace(info); };
    _node->accept = [this](const Tac1_in& in) {
        // A hung modem hears nothing; a booting one only its start-up status;
        // a forced refusal or silence overrides even the registration service.
        if (_engine->hung() || (_engine->booting() && in.identifier != id_startup_status_get)) {
            if (in.identifier == id_data_to_modem && in.type == TYPE_REQUEST &&
                in.payload.size() >= 2) {
                _data_ignored +=
                    std::min<std::size_t>(get_u16(in.payload, 0), in.payload.size() - 2);
            }
            return false;
        }
        if (in.type == TYPE_REQUEST && _engine->has_reply_fault(in.identifier)) {
            _engine->handle(in);
            return false;
        }
        return true;
    };
    _engine = std::make_unique<Modem_engine>(_scheduler, *_node, options.engine, settings);
    _engine->log = [this](const std::string& line) { emit log_line(QString::fromStdString(line)); };
    _engine->set_air_link(_channel.get());
    _node->on_message = [this](const Tac1_in& in) { _engine->handle(in); };
    _node->log = [this](const std::string& line) { emit log_line(QString::fromStdString(line)); };
    _node->indication_ports = Modem_engine::indication_ports();
    for (std::uint32_t id : _engine->identifiers()) {
        _node->listen(id);
    }

    _clock.start();
    _scheduler.on_schedule = [this] {
        if (!_advancing) {
            rearm();
        }
    };
    emit output_line(_transport->device());
    if (Pty_transport* p = pty(); p != nullptr && !p->link().isEmpty()) {
        emit log_line("link " + p->link() + " -> " + p->device());
    }
    if (options.start_hung) {
        _engine->set_hung(true);
    }
    _engine->start();
    set_indication_rate(options.indication_rate);
    if (options.reboot_after_ms > 0) {
        _scheduler.after(options.reboot_after_ms, [this] { _engine->reboot("unprompted"); });
    }
    rearm();
    return true;
}

void Sim_app::advance()
{
    _advancing = true;
    _scheduler.advance_to(_clock.elapsed());
    _advancing = false;
    rearm();
}

void Sim_app::rearm()
{
    const auto due = _scheduler.next_due();
    if (!due) {
        _timer->stop();
        return;
    }
    const qint64 wait = *due - _clock.elapsed();
    _timer->start(static_cast<int>(wait < 0 ? 0 : wait));
}

void Sim_app::bytes_in(const QByteArray& bytes)
{
    _advancing = true;
    _scheduler.advance_to(_clock.elapsed());
    const Bytes passed = _damage_in.feed(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                         static_cast<std::size_t>(bytes.size()));
    _node->receive(passed.data(), passed.size());
    _advancing = false;
    rearm();
}

bool Sim_app::join_channel(const QString& name, QString& error)
{
    _channel = std::make_unique<Sim_channel>();
    _channel->log = [this](const QString& line) { emit log_line(line); };
    _channel->on_frame = [this](std::uint32_t sender, const Air_frame& frame) {
        _advancing = true;
        _scheduler.advance_to(_clock.elapsed());
        _engine->hear(sender, frame);
        _advancing = false;
        rearm();
    };
    if (!_channel->join(name, &error)) {
        error = "cannot join channel " + name + ": " + error;
        _channel.reset();
        return false;
    }
    return true;
}

void Sim_app::set_indication_rate(double per_second)
{
    _options.indication_rate = per_second;
    if (per_second <= 0) {
        _indication_timer->stop();
        return;
    }
    _indication_timer->start(std::max(1, static_cast<int>(1000.0 / per_second + 0.5)));
}

void Sim_app::frame_out(const Bytes& clean)
{
    if (!_transport->attached()) {
        // Not queued behind the chunk timer: the line might be held again by
        // then. The transport drops it and reports the bytes at the next open.
        _data_lost_detached += user_data_in_frame(clean);
        _transport->write(QByteArray(reinterpret_cast<const char*>(clean.data()),
                                     static_cast<int>(clean.size())));
        return;
    }
    Bytes frame = clean;
    _damage_out.damage_frame(frame);
    const std::size_t user_data = frame == clean ? user_data_in_frame(clean) : 0;
    QByteArray out;
    std::uniform_real_distribution<double> share(0.0, 100.0);
    const Line_faults& f = _options.line;
    if (f.garbage_percent > 0 && share(_rng) < f.garbage_percent) {
        const int n = std::uniform_int_distribution<int>(1, 16)(_rng);
        for (int i = 0; i < n; ++i) {
            out.append(static_cast<char>(std::uniform_int_distribution<int>(0, 255)(_rng)));
        }
    }
    out.append(reinterpret_cast<const char*>(frame.data()), static_cast<int>(frame.size()));
    if (f.corrupt_percent > 0) {
        for (int i = 0; i < out.size(); ++i) {
            if (share(_rng) < f.corrupt_percent) {
                out[i] = static_cast<char>(out[i] ^
                                           (1 << std::uniform_int_distribution<int>(0, 7)(_rng)));
            }
        }
    }
    if (!f.random_chunks && _chunks.isEmpty()) {
        _transport->write(out);
        return;
    }
    if (!f.random_chunks) {
        _chunks.append(Chunk{out, user_data});
    } else {
        int at = 0;
        while (at < out.size()) {
            const int n = std::uniform_int_distribution<int>(1, 48)(_rng);
            _chunks.append(Chunk{out.mid(at, n), at + n >= out.size() ? user_data : 0});
            at += n;
        }
    }
    if (!_chunk_timer->isActive()) {
        _chunk_timer->start();
    }
}

void Sim_app::flush_chunk()
{
    if (_chunks.isEmpty()) {
        _chunk_timer->stop();
        return;
    }
    if (!_options.line.random_chunks) {
        while (!_chunks.isEmpty()) {
            _transport->write(_chunks.takeFirst().bytes);
        }
        return;
    }
    _transport->write(_chunks.takeFirst().bytes);
}

void Sim_app::drop_pending_output()
{
    for (const Chunk& chunk : std::as_const(_chunks)) {
        _data_lost_detached += chunk.user_data;
    }
    _chunks.clear();
}

void Sim_app::trace(const Frame_info& info)
{
    if (!_options.verbose) {
        return;
    }
    const qint64 ms = _clock.isValid() ? _clock.elapsed() : 0;
    emit output_line(QString("%1.%2 ").arg(ms / 1000, 5).arg(ms % 1000, 3, 10, QChar('0')) +
                     QString::fromStdString(trace_line(info)));
}

QString Sim_app::status_json() const
{
    const Pty_transport* p = qobject_cast<const Pty_transport*>(_transport);
    QString head =
        QString("{\"device\":\"%1\",\"link\":\"%2\",\"attached\":%3,\"registrations\":%4,")
            .arg(_transport ? _transport->device() : QString(), p ? p->link() : QString(),
                 _transport && _transport->attached() ? "true" : "false")
            .arg(_node ? _node->registration_count() : 0);
    // Bytes written by the modem and not yet on the line.
    qint64 backlog = p ? static_cast<qint64>(p->pending()) : 0;
    for (const Chunk& chunk : _chunks) {
        backlog += chunk.bytes.size();
    }
    head += QString("\"line_backlog\":%1,").arg(backlog);
    // What the line and the modem destroyed, in frames and user data bytes.
    head +=
        "\"channel\":" + (_channel ? "{" + _channel->status_json() + "}" : QString("null")) + ",";
    head += QString("\"damage\":{\"frames_in\":%1,\"data_in\":%2,\"frames_out\":%3,"
                    "\"data_out\":%4,\"data_ignored\":%5,\"data_lost_detached\":%6},")
                .arg(_damage_in.counts().frames)
                .arg(_damage_in.counts().data_bytes)
                .arg(_damage_out.counts().frames)
                .arg(_damage_out.counts().data_bytes)
                .arg(_data_ignored)
                .arg(_data_lost_detached);
    QString engine = QString::fromStdString(_engine->status_json());
    return head + engine.mid(1);
}

void Sim_app::command(const QString& line)
{
    QString error;
    const auto c = parse_command(line, error);
    if (!c) {
        if (!error.isEmpty()) {
            emit log_line(error);
        }
        return;
    }
    _advancing = true;
    _scheduler.advance_to(_clock.elapsed());
    execute(*c);
    _advancing = false;
    rearm();
}

void Sim_app::execute(const Sim_command& c)
{
    switch (c.kind) {
    case Sim_command::help:
        emit log_line(help_text());
        break;
    case Sim_command::status:
        emit output_line(status_json());
        break;
    case Sim_command::quit:
        emit quit_requested();
        break;
    case Sim_command::hang:
        _engine->set_hung(true);
        break;
    case Sim_command::resume:
        _engine->set_hung(false);
        break;
    case Sim_command::reboot:
        _engine->reboot("operator command", static_cast<int>(c.number));
        break;
    case Sim_command::signal:
        _engine->set_signal(c.on);
        break;
    case Sim_command::loopback:
        if (_channel && c.on) {
            emit log_line("loopback refused: this modem is on a channel");
            break;
        }
        _engine->set_loopback(c.on);
        emit log_line(c.on ? "loopback on" : "loopback off");
        break;
    case Sim_command::ale_scenario:
        if (!_engine->set_ale_scenario(c.text.toStdString())) {
            emit log_line("unknown ALE scenario " + c.text +
                          " (linked, no_reply, occupied, rejected)");
        }
        break;
    case Sim_command::ale_incoming:
        _engine->ale_incoming(c.text.toStdString());
        break;
    case Sim_command::ale_sound:
        _engine->ale_sound();
        break;
    case Sim_command::ale_heard:
        _engine->ale_sound_heard(c.text.toStdString());
        break;
    case Sim_command::ale_lqa:
        _engine->ale_lqa_poll();
        break;
    case Sim_command::ale_relink:
        _engine->ale_relink(c.on);
        break;
    case Sim_command::nack:
    case Sim_command::silence: {
        _engine->set_reply_fault(c.identifier, c.reason, c.count);
        const QString how = c.reason == 0 ? QString("left unanswered")
                                          : QString("refused with reason %1").arg(c.reason);
        const QString which =
            c.count < 0 ? QString("requests") : QString("the next %1 requests").arg(c.count);
        emit log_line(which + " " + QString::fromStdString(message_name(c.identifier)) + " now " +
                      how);
        break;
    }
    case Sim_command::nack_clear:
    case Sim_command::silence_clear:
        _engine->clear_reply_faults(c.kind == Sim_command::silence_clear);
        break;
    case Sim_command::drop:
        _engine->set_drop_percent(static_cast<int>(c.number));
        break;
    case Sim_command::delay:
        _engine->set_delay_ms(static_cast<int>(c.number));
        break;
    case Sim_command::corrupt:
        _options.line.corrupt_percent = c.number;
        break;
    case Sim_command::garbage:
        _options.line.garbage_percent = c.number;
        break;
    case Sim_command::corrupt_frames:
        _damage_out.set_percent(c.number);
        break;
    case Sim_command::corrupt_input:
        _damage_in.set_percent(c.number);
        break;
    case Sim_command::indications:
        set_indication_rate(c.number);
        break;
    case Sim_command::chunks:
        _options.line.random_chunks = c.on;
        break;
    case Sim_command::channel:
        if (const std::string why = _engine->set_air(c.text.toStdString(), c.values);
            !why.empty()) {
            emit log_line(QString::fromStdString(why));
        }
        break;
    case Sim_command::new_pty:
        if (Pty_transport* p = pty()) {
            QString error;
            if (!p->renew(&error)) {
                emit log_line("cannot make a new pseudo-terminal: " + error);
            }
        } else {
            emit log_line("new-pty needs --pty");
        }
        break;
    }
}

} // namespace vq_sim
