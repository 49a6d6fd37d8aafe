// The console against the simulated modem on a pseudo-terminal:
//  - connect: from pressing Connect to the state Connected with a ready modem
//    (start-up status, the whole initialisation and its answers);
//  - request_round_trip: one request through QModem_interface, QSerial_io,
//    the pseudo-terminal and the simulator, until its reply signal, with the
//    p50 and p99 of 1000 round trips as counters (microseconds).
// The simulator executable is looked for in $TALVANE_SIM and beside this
// program's build tree (building this benchmark builds it there).

#include "connection_controller.h"
#include "console_options.h"
#include "qmodem_interface.h"
#include "qserial_io.h"
#include "talvane.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

using namespace vq_qt;

namespace {

QString simulator_program()
{
    QStringList candidates;
    if (qEnvironmentVariableIsSet("TALVANE_SIM")) {
        candidates << qEnvironmentVariable("TALVANE_SIM");
    }
    const QString here = QCoreApplication::applicationDirPath();
    candidates << here + "/../source/modem_simulator/talvane-modem-sim";
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isExecutable()) {
            return candidate;
        }
    }
    return {};
}

// One simulated modem behind a link in a private folder.
class Modem_process
{
public:
    bool start()
    {
        const QString program = simulator_program();
        if (program.isEmpty() || !folder.isValid()) {
            return false;
        }
        link = folder.path() + "/modem";
        process.start(program, {"--pty", "--link", link, "--boot-ms", "0"});
        if (!process.waitForStarted(5000)) {
            return false;
        }
        for (int i = 0; i < 100 && !QFileInfo::exists(link); ++i) {
            process.waitForReadyRead(50);
        }
        return QFileInfo::exists(link);
    }
    ~Modem_process()
    {
        process.write("quit\n");
        process.closeWriteChannel();
        if (!process.waitForFinished(2000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    }

    QTemporaryDir folder{QDir::tempPath() + "/bench-connect-XXXXXX"};
    QProcess process;
    QString link;
};

// Runs the event loop until `done` or the time limit; true when done.
template <typename Predicate>
bool spin_until(Predicate done, int limit_ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > limit_ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void connect(benchmark::State& state)
{
    Modem_process modem;
    if (!modem.start()) {
        state.SkipWithError("the simulated modem could not be started");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<Talvane>();
        bool connected = false;
        QObject::connect(window.get(), &Talvane::connection_state_changed, window.get(),
                         [&](int s) { connected = connected || s == CONNECTION_STATE_CONNECTED; });
        Console_options options;
        options.ports << modem.link;
        options.connect = true;
        state.ResumeTiming();
        window->apply_console_options(options);
        if (!spin_until([&] { return connected; }, 10000)) {
            state.SkipWithError("no connection within 10 s");
            return;
        }
        state.PauseTiming();
        window.reset(); // closes the port for the next round
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(connect)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

void request_round_trip(benchmark::State& state)
{
    Modem_process modem;
    if (!modem.start()) {
        state.SkipWithError("the simulated modem could not be started");
        return;
    }
    vq_qt::QSerial_io serial;
    vq_qt::QModem_interface modem_interface(nullptr, 0xC0A80000);
    QObject::connect(&serial, &vq_qt::QSerial_io::data_read, &modem_interface,
                     &vq_qt::QModem_interface::_receive_sipc_data);
    QObject::connect(&modem_interface, &vq_qt::QModem_interface::send_sipc_data, &serial,
                     [&](QByteArray bytes) { serial.write(bytes); });
    int replies = 0;
    QObject::connect(&modem_interface, &vq_qt::QModem_interface::audio_rx_level_request_response,
                     [&](int, int) { ++replies; });
    if (!serial.open(modem.link)) {
        state.SkipWithError("the link could not be opened");
        return;
    }
    std::vector<double> round_trips_us;
    round_trips_us.reserve(1000);
    QElapsedTimer clock;
    for (auto _ : state) {
        const int before = replies;
        clock.start();
        modem_interface.request_audio_rx_level();
        if (!spin_until([&] { return replies > before; }, 2000)) {
            state.SkipWithError("no reply within 2 s");
            return;
        }
        const double us = double(clock.nsecsElapsed()) / 1000.0;
        round_trips_us.push_back(us);
        state.SetIterationTime(us / 1e6);
    }
    std::sort(round_trips_us.begin(), round_trips_us.end());
    auto percentile = [&](double p) {
        return round_trips_us[std::min(round_trips_us.size() - 1,
                                       size_t(p * double(round_trips_us.size())))];
    };
    state.counters["p50_us"] = percentile(0.50);
    state.counters["p99_us"] = percentile(0.99);
    state.counters["max_us"] = round_trips_us.back();
    serial.close();
}
BENCHMARK(request_round_trip)->Iterations(1000)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("QT_LOGGING_RULES", "*.debug=false");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Velquin");
    QCoreApplication::setApplicationName("Talvane");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
