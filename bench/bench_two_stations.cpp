// Two stations on one simulated HF channel: this program is the data
// application on both consoles' virtual ports; each console (a process of
// its own, driven through --control) runs on a simulated modem program, and
// the two modems share a channel (20 ms propagation delay, BER 0).
//  - goodput/RATE: a bulk transfer ALPHA -> BRAVO; the air's share that
//    carried user data, from the first write to the last byte's arrival.
//    The limit is below 100 % by the key-up delay and the propagation delay.
//  - echo_rtt/idle and echo_rtt/behind_bulk: one byte from ALPHA, echoed by
//    BRAVO at once; alone, and written right after a bulk transfer.
//  - queued_air_time: a writer on ALPHA's port running flat out at 2400 bps
//    for 20 s; what it handed over that the air has not carried, in seconds
//    of air time (the console's marks, the pseudo-terminal and the modem's
//    queue together).
// The programs are looked for beside this program's build tree, or in
// $TALVANE_CONSOLE and $TALVANE_MODEM_SIM.

#include "bench_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace {

using bench_support::program;

// Woken every 2 ms: the echo times are read from these waits.
bool spin_until(const std::function<bool()>& done, int limit_ms)
{
    return bench_support::spin_until(done, limit_ms, 2);
}

// A data port opened raw and non-blocking.
struct Port
{
    int fd = -1;
    QByteArray received;
    bool open(const QString& path)
    {
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios raw{};
        ::tcgetattr(fd, &raw);
        ::cfmakeraw(&raw);
        return fd >= 0 && ::tcsetattr(fd, TCSANOW, &raw) == 0;
    }
    qint64 write_some(const char* data, qint64 size)
    {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        return n > 0 ? n : 0;
    }
    void read_some()
    {
        char chunk[4096];
        ssize_t n;
        while ((n = ::read(fd, chunk, sizeof chunk)) > 0) {
            received.append(chunk, static_cast<int>(n));
        }
    }
    ~Port()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

// One station: a simulated modem on the channel and a console on it.
struct Station
{
    QProcess modem, console;
    QString port;
    Port app;

    bool start(const QString& folder, const QString& name)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", folder);
        environment.insert("XDG_CONFIG_HOME", folder + "/" + name + "/config");
        environment.insert("XDG_DATA_HOME", folder + "/" + name + "/data");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        modem.setProcessEnvironment(environment);
        console.setProcessEnvironment(environment);
        const QString link = folder + "/" + name + "-modem";
        modem.start(program("TALVANE_MODEM_SIM", "modem_simulator/talvane-modem-sim"),
                    {"--pty", "--link", link, "--channel", "bench", "--boot-ms", "0"});
        if (!spin_until([&] { return QFile::exists(link); }, 5000)) {
            return false;
        }
        console.start(
            program("TALVANE_CONSOLE", "talvane/talvane"),
            {"--control", "--port", link, "--connect", "--print-state", "--instance", name});
        bool connected = false;
        return spin_until(
                   [&] {
                       while (console.canReadLine()) {
                           const QString line = QString::fromUtf8(console.readLine()).trimmed();
                           if (line.startsWith("data port: ")) {
                               port = line.mid(11, line.lastIndexOf(" (") - 11);
                           }
                           connected = connected || line.startsWith("state: Connected");
                       }
                       return connected && !port.isEmpty();
                   },
                   20000) &&
               app.open(port);
    }
    // An operator command; true when answered "ok".
    bool ask(const QString& command)
    {
        console.write(command.toUtf8() + '\n');
        bool ok = false;
        spin_until(
            [&] {
                while (console.canReadLine()) {
                    const QString line = QString::fromUtf8(console.readLine()).trimmed();
                    if (line == "ok" || line.startsWith("error")) {
                        ok = line == "ok";
                        return true;
                    }
                }
                return false;
            },
            5000);
        return ok;
    }
    // A number of the modem's status line, as "tx_queue".
    double modem_figure(const QString& key)
    {
        modem.readAll();
        modem.write("status\n");
        double value = -1;
        spin_until(
            [&] {
                while (modem.canReadLine()) {
                    const QJsonObject status = QJsonDocument::fromJson(modem.readLine()).object();
                    if (status.contains(key)) {
                        value = status.value(key).toDouble();
                        return true;
                    }
                }
                return false;
            },
            3000);
        return value;
    }
    ~Station()
    {
        console.write("quit\n");
        modem.write("quit\n");
        for (QProcess* p : {&console, &modem}) {
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }
};

struct Stations
{
    QTemporaryDir folder{QDir::tempPath() + "/talvane-bench-XXXXXX"};
    Station alpha, bravo;
    QString error;

    bool start()
    {
        if (!alpha.start(folder.path(), "ALPHA") || !bravo.start(folder.path(), "BRAVO")) {
            error = "the stations did not start (console " +
                    program("TALVANE_CONSOLE", "talvane/talvane") + ")";
            return false;
        }
        return true;
    }
    bool set_rate(const QString& entry)
    {
        const QString command = QString("choose \"Data Rate [bps]\" \"%1\"").arg(entry);
        return alpha.ask(command) && bravo.ask(command) && quiet();
    }
    // Waits for the air and the ports to fall quiet, and forgets what came.
    bool quiet()
    {
        int before = -1;
        const bool ok = spin_until(
            [&] {
                QElapsedTimer t;
                t.start();
                spin_until([&] { return t.elapsed() >= 500; }, 1000);
                alpha.app.read_some();
                bravo.app.read_some();
                const int now = alpha.app.received.size() + bravo.app.received.size();
                const bool same = now == before;
                before = now;
                return same;
            },
            60000);
        alpha.app.received.clear();
        bravo.app.received.clear();
        return ok;
    }
};

Stations* stations = nullptr;

// Writes `bytes` into ALPHA's port as fast as it takes them; true once
// BRAVO has `expect` bytes. `on_read` runs after each look at the ports.
bool send_and_wait(const QByteArray& bytes, int expect, int limit_ms,
                   const std::function<void()>& on_read = {})
{
    qint64 at = 0;
    return spin_until(
        [&] {
            if (at < bytes.size()) {
                at += stations->alpha.app.write_some(bytes.constData() + at, bytes.size() - at);
            }
            stations->bravo.app.read_some();
            stations->alpha.app.read_some();
            if (on_read) {
                on_read();
            }
            return stations->bravo.app.received.size() >= expect;
        },
        limit_ms);
}

void goodput(benchmark::State& state, const char* entry, int bps, int seconds)
{
    if (stations == nullptr || !stations->set_rate(entry)) {
        state.SkipWithError("the stations are not ready");
        return;
    }
    const int size = bps / 8 * seconds;
    const QByteArray bytes(size, 'g');
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const bool all = send_and_wait(bytes, size, seconds * 3000);
        const double elapsed = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(elapsed);
        state.counters["bytes"] = stations->bravo.app.received.size();
        state.counters["air_bps"] = bps;
        state.counters["goodput_percent"] = all ? 100.0 * size * 8 / bps / elapsed : 0;
        // Key-up delay (150 ms) and propagation delay (20 ms) come first; the
        // simulated air hands over each 50 ms block whole at its start.
        state.counters["limit_percent"] = 100.0 * seconds / (seconds + 0.12);
    }
    stations->quiet();
}

void echo_rtt(benchmark::State& state, int bulk)
{
    if (stations == nullptr || !stations->set_rate("12800 Uncoded")) {
        state.SkipWithError("the stations are not ready");
        return;
    }
    const int tries = 5;
    double sum = 0, worst = 0;
    int lost = 0;
    for (auto _ : state) {
        for (int k = 0; k < tries; ++k) {
            QByteArray bytes(bulk, 'b');
            bytes.append('P');
            QElapsedTimer clock;
            clock.start();
            bool echoed = false;
            // BRAVO echoes the probe as soon as it is there.
            const bool there = send_and_wait(bytes, bulk + 1, 60000);
            if (there) {
                stations->bravo.app.write_some("P", 1);
                echoed = spin_until(
                    [&] {
                        stations->alpha.app.read_some();
                        return stations->alpha.app.received.contains('P');
                    },
                    10000);
            }
            const double ms = clock.nsecsElapsed() / 1e6;
            if (echoed) {
                sum += ms;
                worst = std::max(worst, ms);
            } else {
                ++lost;
            }
            stations->quiet();
        }
        state.SetIterationTime(sum / 1000.0);
    }
    state.counters["mean_ms"] = tries > lost ? sum / (tries - lost) : 0;
    state.counters["max_ms"] = worst;
    state.counters["lost"] = lost;
    // 2 x propagation delay + 2 x 30 ms pacing + one 50 ms block, plus the
    // key-up delay of 150 ms each way that the modem adds before any data.
    state.counters["limit_ms"] = 2 * 20 + 2 * 30 + 50 + 2 * 150 + 1000.0 * bulk / 1600;
}

void queued_air_time(benchmark::State& state)
{
    if (stations == nullptr || !stations->set_rate("2400 Coded")) {
        state.SkipWithError("the stations are not ready");
        return;
    }
    const QByteArray chunk(4096, 'q');
    for (auto _ : state) {
        qint64 written = 0;
        QElapsedTimer clock;
        clock.start();
        spin_until(
            [&] {
                written += stations->alpha.app.write_some(chunk.constData(), chunk.size());
                stations->bravo.app.read_some();
                return clock.elapsed() >= 20000;
            },
            30000);
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        const qint64 queued = written - stations->bravo.app.received.size();
        const double in_modem = stations->alpha.modem_figure("tx_queue");
        state.counters["in_modem_s"] = in_modem / 300.0;
        state.counters["elsewhere_s"] = (queued - in_modem) / 300.0;
        state.counters["written"] = written;
        state.counters["arrived"] = stations->bravo.app.received.size();
        state.counters["queued_air_s"] = queued / 300.0;
    }
    // Tear down rather than wait for the queue to drain: it is the last run.
}

} // namespace

BENCHMARK_CAPTURE(goodput, 2400_bps, "2400 Coded", 2400, 20)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(goodput, 12800_bps, "12800 Uncoded", 12800, 20)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(echo_rtt, idle, 0)->Iterations(1)->Unit(benchmark::kSecond)->UseManualTime();
BENCHMARK_CAPTURE(echo_rtt, behind_bulk_8000, 8000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseManualTime();
BENCHMARK(queued_air_time)->Iterations(1)->Unit(benchmark::kSecond)->UseManualTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Stations rig;
    if (rig.start()) {
        stations = &rig;
    } else {
        fprintf(stderr, "%s\n", qPrintable(rig.error));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
