// Runs talvane-modem-sim as a process and talks to it over its real
// pseudo-terminal with a client built from the protocol stack, as the console
// would: address 192.168.0.13, port 880 (and a second peer on port 881).
#pragma once

#include "sim_fields.h"
#include "sim_node.h"
#include "simulated_modem.h"
#include "test_timing.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <optional>

namespace vq_sim {

// Time-outs grow with TALVANE_TEST_TIME_FACTOR (default 1), which slow
// builds such as the sanitizer build set higher.
inline int scaled(int ms)
{
    return scaled_ms(ms);
}

inline QString simulator_path()
{
    return Simulated_modem::program();
}

// The simulator program with its output collected (the shared launcher).
using Sim_process = Simulated_modem;

class Line_client : public QObject
{
public:
    Line_client() : a(0xC0A8000D, 880), b(0xC0A8000D, 881)
    {
        for (Tac1_node* n : {&a, &b}) {
            n->write = [this](const Bytes& f) {
                port.write(reinterpret_cast<const char*>(f.data()), static_cast<qint64>(f.size()));
            };
            // Received user data is a request of the modem's; no answer is due.
            n->listen(0x000A0007);
            n->on_message = [](const Tac1_in&) {};
        }
        a.on_frame = [this](const Frame_info& info) {
            if (!info.outgoing) {
                frames.push_back(info);
            }
        };
        QObject::connect(&port, &QSerialPort::readyRead, this, [this] {
            const QByteArray bytes = port.readAll();
            a.receive(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      static_cast<std::size_t>(bytes.size()));
        });
    }

    bool open(const QString& path)
    {
        port.setPortName(path);
        if (!port.open(QIODevice::ReadWrite)) {
            return false;
        }
        port.setBaudRate(QSerialPort::Baud115200);
        return true;
    }

    void close() { port.close(); }

    std::uint8_t request(std::uint32_t id, const Bytes& payload, std::uint16_t to_port = 58001,
                         bool second_peer = false)
    {
        Tac1_node& n = second_peer ? b : a;
        return n.send_message({0xC0A80000, to_port}, id, 0, TYPE_REQUEST, payload);
    }

    // The reply to (id, transaction), waiting up to timeout_ms.
    // The reply to (id, transaction), waiting up to timeout_ms (scaled).
    std::optional<Frame_info> reply(std::uint32_t id, std::uint8_t transaction,
                                    int timeout_ms = 2000)
    {
        std::optional<Frame_info> found;
        const bool seen = QTest::qWaitFor(
            [&] {
                for (const Frame_info& f : frames) {
                    if (f.identifier == id && f.transaction == transaction &&
                        (f.type == TYPE_ACK || f.type == TYPE_NACK || f.type == TYPE_RESPONSE)) {
                        found = f;
                        return true;
                    }
                }
                return false;
            },
            scaled(timeout_ms));
        return seen ? found : std::nullopt;
    }

    std::optional<Frame_info> ask(std::uint32_t id, const Bytes& payload, int timeout_ms = 2000)
    {
        const std::uint8_t tr = request(id, payload);
        return tr == 0 ? std::nullopt : reply(id, tr, timeout_ms);
    }

    // Start-up status, or -1 without an answer.
    int startup_status(int timeout_ms = 500)
    {
        const auto f = ask(0x9E, {}, timeout_ms);
        return f && f->payload.size() == 1 ? f->payload[0] : -1;
    }

    bool wait_ready(int timeout_ms = 5000)
    {
        return QTest::qWaitFor([this] { return startup_status(50) == 1; }, scaled(timeout_ms));
    }

    // A round trip on the line: every frame the modem wrote before its
    // answer has been received when this returns true.
    bool drained() { return startup_status() >= 0; }

    std::vector<Frame_info> received(std::uint32_t id, int destination_port = -1) const
    {
        std::vector<Frame_info> out;
        for (const Frame_info& f : frames) {
            if (f.identifier == id &&
                (destination_port < 0 || f.destination.port == destination_port)) {
                out.push_back(f);
            }
        }
        return out;
    }

    QSerialPort port;
    Tac1_node a;
    Tac1_node b;
    std::vector<Frame_info> frames;
};

} // namespace vq_sim
