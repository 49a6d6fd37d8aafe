// User data through the console program: a data application on the virtual
// port (this program), the console (a process of its own, as in service) and
// the simulated modem in loopback on a pseudo-terminal (in this program).
//  - app_to_modem: the application writes as fast as the port lets it; the
//    console paces it toward the modem and throttles it with CTS; the modem
//    sends it back over its loop. Rate, bytes lost or out of place, and the
//    CTS drops the console logged. TALVANE_BENCH_TX_BYTES sets the amount
//    (default 200 000: about 42 s at 4800 bytes per second).
//  - modem_to_app: 1 MB received by the modem at a high air speed and handed
//    to the console, read by the application. Rate and bytes lost.
//  - modem_to_app_reader_pauses: the same with an application that stops
//    reading for 5 s; bytes lost and the growth of the console's resident
//    memory over that pause.
// The programs are looked for beside this program's build tree, or in
// $TALVANE_CONSOLE.

#include "bench_support.h"
#include "sim_app.h"
#include "sim_options.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t data_to_modem_id = 0x000A0001;
constexpr int block_size = 1024;                // user bytes per message into the modem
constexpr std::size_t modem_queue = 256 * 1024; // what the feeder keeps queued in the modem

QString console_program()
{
    return bench_support::program("TALVANE_CONSOLE", "talvane/talvane");
}

QByteArray pattern_bytes(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    }
    return bytes;
}

using bench_support::spin_until;

// The data application: the port opened raw and non-blocking; writes what is
// pending whenever the line takes it, reads whenever it may.
class Data_application
{
public:
    bool open(const QString& path)
    {
        fd =
            ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        termios raw{};
        ::tcgetattr(fd, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(fd, TCSANOW, &raw);
        reader = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(reader.get(), &QSocketNotifier::activated, [this] { read_some(); });
        writer = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        writer->setEnabled(false);
        QObject::connect(writer.get(), &QSocketNotifier::activated, [this] { write_some(); });
        return true;
    }
    void write(const QByteArray& bytes)
    {
        pending += bytes;
        write_some();
    }
    void set_reading(bool on) { reader->setEnabled(on); }
    ~Data_application()
    {
        reader.reset();
        writer.reset();
        if (fd >= 0) {
            ::close(fd);
        }
    }

    QByteArray received;
    QByteArray pending;

private:
    void read_some()
    {
        char chunk[16384];
        ssize_t n;
        while ((n = ::read(fd, chunk, sizeof chunk)) > 0) {
            received.append(chunk, static_cast<int>(n));
        }
    }
    void write_some()
    {
        while (!pending.isEmpty()) {
            const ssize_t n = ::write(fd, pending.constData(), static_cast<size_t>(pending.size()));
            if (n <= 0) {
                break;
            }
            pending.remove(0, static_cast<int>(n));
        }
        writer->setEnabled(!pending.isEmpty());
    }

    int fd = -1;
    std::unique_ptr<QSocketNotifier> reader;
    std::unique_ptr<QSocketNotifier> writer;
};

// The simulated modem in loopback, the console connected to it, and the
// path of the console's virtual port.
class Data_rig
{
public:
    // `logging_rules` (QT_LOGGING_RULES of the console) empty: its defaults.
    bool start(const QStringList& air, QString& error, const QString& logging_rules = {})
    {
        if (!folder.isValid() || !QFileInfo(console_program()).isExecutable()) {
            error = "no console program at " + console_program();
            return false;
        }
        vq_sim::Sim_options options;
        bool help = false;
        const QStringList arguments =
            QStringList{"--pty",          "--link",     folder.path() + "/modem",
                        "--boot-ms",      "0",          "--loopback",
                        "--air-delay-ms", "0",          "--high-mark",
                        "2000000",        "--low-mark", "1000000",
                        "--queue-limit",  "4000000"} +
            air;
        if (!vq_sim::parse_options(arguments, options, error, help) || !sim.start(options, error)) {
            return false;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"config", "data", "runtime"}) {
            QDir(folder.path()).mkpath(name);
        }
        QFile(folder.path() + "/runtime")
            .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ExeOwner);
        environment.insert("XDG_CONFIG_HOME", folder.path() + "/config");
        environment.insert("XDG_DATA_HOME", folder.path() + "/data");
        environment.insert("XDG_RUNTIME_DIR", folder.path() + "/runtime");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        if (!logging_rules.isEmpty()) {
            environment.insert("QT_LOGGING_RULES", logging_rules);
        }
        console.setProcessEnvironment(environment);
        console.setProcessChannelMode(QProcess::SeparateChannels);
        console.start(console_program(),
                      {"--port", folder.path() + "/modem", "--connect", "--print-state"});
        bool connected = false;
        const bool ready = spin_until(
            [&] {
                while (console.canReadLine()) {
                    const QString line = QString::fromLocal8Bit(console.readLine()).trimmed();
                    if (line.startsWith("data port: ")) {
                        data_port = line.mid(11, line.lastIndexOf(" (") - 11);
                    }
                    connected = connected || line.startsWith("state: Connected");
                }
                return connected && !data_port.isEmpty();
            },
            15000);
        if (!ready) {
            error = "the console did not connect or name its data port";
        }
        return ready;
    }

    // The console's resident memory in KiB.
    qint64 console_rss_kib() const
    {
        QFile status(QString("/proc/%1/status").arg(console.processId()));
        if (!status.open(QIODevice::ReadOnly)) {
            return -1;
        }
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                return line.mid(6).trimmed().split(' ').first().toLongLong();
            }
        }
        return -1;
    }

    // How often the console's log says `text`.
    int console_log_count(const QByteArray& text) const
    {
        int count = 0;
        QDir logs(folder.path() + "/data/Velquin/Talvane/logs");
        for (const QString& name : logs.entryList(QDir::Files)) {
            QFile file(logs.filePath(name));
            if (file.open(QIODevice::ReadOnly)) {
                count += file.readAll().count(text);
            }
        }
        return count;
    }

    // Hands the modem user data as a second station on its line would,
    // keeping its transmit queue filled.
    void feed_modem(const QByteArray& data, qint64& fed)
    {
        vq_sim::Modem_engine& engine = sim.engine();
        while (fed < data.size() && engine.tx_queue_size() < modem_queue) {
            const QByteArray block = data.mid(int(fed), block_size);
            vq_sim::Tac1_in in;
            in.from = vq_sim::Peer{0x7F000001, 0x4242};
            in.identifier = data_to_modem_id;
            in.transaction = static_cast<std::uint8_t>(1 + (fed / block_size) % 255);
            in.payload.assign(std::size_t(block.size()) + 2, 0);
            in.payload[0] = static_cast<std::uint8_t>(block.size() >> 8);
            in.payload[1] = static_cast<std::uint8_t>(block.size() & 0xff);
            std::copy(block.begin(), block.end(), in.payload.begin() + 2);
            engine.handle(in);
            fed += block.size();
        }
    }

    ~Data_rig()
    {
        if (console.state() != QProcess::NotRunning) {
            console.kill();
            console.waitForFinished(5000);
        }
    }

    QTemporaryDir folder{QDir::tempPath() + "/bench-data-XXXXXX"};
    vq_sim::Sim_app sim;
    QProcess console;
    QString data_port;
};

// Waits until `received` holds `expected` bytes or stops growing for 10 s
// (longer than the reader's pause).
void wait_for_all(const QByteArray& received, int expected)
{
    int last = -1;
    QElapsedTimer quiet;
    quiet.start();
    spin_until(
        [&] {
            if (received.size() != last) {
                last = received.size();
                quiet.restart();
            }
            return received.size() >= expected || quiet.elapsed() > 10000;
        },
        24 * 3600 * 1000);
}

// Bytes missing, and bytes present but not where they belong.
void count_damage(benchmark::State& state, const QByteArray& sent, const QByteArray& received)
{
    qint64 out_of_place = 0;
    for (int i = 0; i < qMin(sent.size(), received.size()); ++i) {
        out_of_place += sent.at(i) != received.at(i) ? 1 : 0;
    }
    state.counters["bytes_lost"] = qMax(0, sent.size() - received.size());
    state.counters["bytes_extra"] = qMax(0, received.size() - sent.size());
    state.counters["bytes_out_of_place"] = double(out_of_place);
}

// The rig up and the application on its port; false (the benchmark
// skipped with the reason) when either fails.
bool start_session(benchmark::State& state, Data_rig& rig, Data_application& app,
                   const QStringList& air, const QString& logging_rules = {})
{
    QString error;
    if (!rig.start(air, error, logging_rules)) {
        state.SkipWithError(qPrintable(error));
        return false;
    }
    if (!app.open(rig.data_port)) {
        state.SkipWithError("the data port could not be opened");
        return false;
    }
    return true;
}

void app_to_modem(benchmark::State& state)
{
    const int size = qEnvironmentVariableIsSet("TALVANE_BENCH_TX_BYTES")
                         ? qEnvironmentVariableIntValue("TALVANE_BENCH_TX_BYTES")
                         : 200000;
    for (auto _ : state) {
        Data_rig rig;
        Data_application app;
        // Only the flow control lines in the console's log, so that its
        // rotation keeps every CTS change of a long run.
        if (!start_session(state, rig, app, {"--air-speed", "100000"},
                           "*.debug=false;flow_ctrl.debug=true")) {
            return;
        }
        const QByteArray data = pattern_bytes(size);
        QElapsedTimer clock;
        clock.start();
        qint64 last_arrival_ms = 0;
        int last_size = 0;
        app.write(data);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (app.received.size() != last_size) {
                last_size = app.received.size();
                last_arrival_ms = clock.elapsed();
            }
        });
        watch.start(1);
        wait_for_all(app.received, data.size());
        last_arrival_ms = app.received.size() != last_size ? clock.elapsed() : last_arrival_ms;
        const double seconds = last_arrival_ms / 1000.0;
        state.SetIterationTime(seconds);
        state.counters["bytes"] = data.size();
        state.counters["rate_Bps"] = app.received.size() / seconds;
        state.counters["share_of_4800_pct"] = 100.0 * app.received.size() / seconds / 4800.0;
        state.counters["cts_drops"] = rig.console_log_count("Tx buffer full - set CTS to false");
        state.counters["cts_rises"] = rig.console_log_count("Tx buffer low - set CTS to true");
        count_damage(state, data, app.received);
    }
}
BENCHMARK(app_to_modem)->Iterations(1)->Unit(benchmark::kSecond)->UseManualTime();

// 1 MB from the modem; with `pause_at` >= 0 the application stops reading
// for 5 s once it has that many bytes.
void from_modem(benchmark::State& state, int pause_at)
{
    const int size = 1000 * 1000;
    for (auto _ : state) {
        Data_rig rig;
        Data_application app;
        if (!start_session(state, rig, app, {"--air-speed", "4000000"})) {
            return;
        }
        // The console enables data from the modem once it sees the open.
        spin_until([] { return false; }, 300);
        const QByteArray data = pattern_bytes(size);
        qint64 fed = 0;
        const qint64 rss_before = rig.console_rss_kib();
        qint64 rss_at_pause = -1;
        qint64 rss_peak = rss_before;
        qint64 rss_peak_since_pause = -1;
        bool paused = false;
        QElapsedTimer pause_clock;
        QTimer feeder;
        QObject::connect(&feeder, &QTimer::timeout, [&] {
            rig.feed_modem(data, fed);
            if (pause_at >= 0 && rss_at_pause < 0 && app.received.size() >= pause_at) {
                rss_at_pause = rig.console_rss_kib();
                app.set_reading(false);
                paused = true;
                pause_clock.start();
            }
            if (paused && pause_clock.elapsed() >= 5000) {
                app.set_reading(true);
                paused = false;
            }
        });
        QTimer memory;
        QObject::connect(&memory, &QTimer::timeout, [&] {
            const qint64 rss = rig.console_rss_kib();
            rss_peak = qMax(rss_peak, rss);
            if (rss_at_pause >= 0) {
                rss_peak_since_pause = qMax(rss_peak_since_pause, rss);
            }
        });
        QElapsedTimer clock;
        clock.start();
        feeder.start(1);
        memory.start(50);
        wait_for_all(app.received, data.size());
        const double seconds = clock.elapsed() / 1000.0;
        state.SetIterationTime(seconds);
        state.counters["bytes"] = data.size();
        state.counters["rate_Bps"] = app.received.size() / seconds;
        state.counters["console_rss_before_kiB"] = double(rss_before);
        state.counters["console_rss_growth_kiB"] = double(rss_peak - rss_before);
        if (pause_at >= 0) {
            state.counters["console_rss_growth_over_pause_kiB"] =
                double(qMax(rss_peak_since_pause, rss_at_pause) - rss_at_pause);
        }
        state.counters["data_from_modem_held"] =
            rig.console_log_count("Rx queue full - hold data from the modem");
        count_damage(state, data, app.received);
    }
}

void modem_to_app(benchmark::State& state)
{
    from_modem(state, -1);
}
BENCHMARK(modem_to_app)->Iterations(1)->Unit(benchmark::kSecond)->UseManualTime();

void modem_to_app_reader_pauses(benchmark::State& state)
{
    from_modem(state, 256 * 1024);
}
BENCHMARK(modem_to_app_reader_pauses)->Iterations(1)->Unit(benchmark::kSecond)->UseManualTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
