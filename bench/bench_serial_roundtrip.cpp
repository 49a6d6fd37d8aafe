// Round trip through the serial port wrapper: bytes written by QSerial_io to
// a pseudo-terminal whose far end echoes them at once, timed until the echo
// has come back through data_read(). For scale, a real 115200 8N1 line
// carries 11 520 bytes/s, so 30 bytes take 2.6 ms on the wire alone.

#include "qserial_io.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The far end: a raw pseudo-terminal master served by a thread that writes
// back whatever arrives.
class Echo_peer
{
public:
    Echo_peer()
    {
        _master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (_master < 0 || ::grantpt(_master) != 0 || ::unlockpt(_master) != 0 ||
            ::pipe(_stop) != 0) {
            return;
        }
        termios raw{};
        ::tcgetattr(_master, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(_master, TCSANOW, &raw);
        _path = QString::fromLocal8Bit(::ptsname(_master));
        _thread = std::thread([this] { _serve(); });
    }
    ~Echo_peer()
    {
        if (_thread.joinable()) {
            const char stop = 0;
            [[maybe_unused]] const ssize_t n = ::write(_stop[1], &stop, 1);
            _thread.join();
        }
        for (const int fd : {_master, _stop[0], _stop[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    Echo_peer(const Echo_peer&) = delete;
    Echo_peer& operator=(const Echo_peer&) = delete;

    bool valid() const { return _thread.joinable(); }
    const QString& path() const { return _path; }

private:
    void _serve()
    {
        char chunk[4096];
        for (;;) {
            pollfd fds[2] = {{_master, POLLIN, 0}, {_stop[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                return;
            }
            if (fds[1].revents != 0) {
                return;
            }
            if ((fds[0].revents & POLLIN) == 0) {
                continue;
            }
            const ssize_t n = ::read(_master, chunk, sizeof chunk);
            for (ssize_t done = 0; done < n;) {
                const ssize_t w = ::write(_master, chunk + done, size_t(n - done));
                if (w < 0 && errno != EAGAIN && errno != EINTR) {
                    return;
                }
                done += w > 0 ? w : 0;
            }
        }
    }

    int _master = -1;
    int _stop[2] = {-1, -1};
    QString _path;
    std::thread _thread;
};

void round_trip(benchmark::State& state)
{
    const int size = int(state.range(0));
    Echo_peer peer;
    vq_qt::QSerial_io io;
    if (!peer.valid() || !io.open(peer.path())) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    qint64 received = 0;
    QObject::connect(&io, &vq_qt::QSerial_io::data_read,
                     [&received](const QByteArray& bytes) { received += bytes.size(); });
    // Wakes the loop now and then, so a lost echo ends in an error, not a hang.
    QTimer wake;
    wake.start(200);

    const QByteArray payload(size, '\x5a');
    std::vector<double> micros;
    micros.reserve(1 << 16);
    QElapsedTimer clock;
    for (auto _ : state) {
        received = 0;
        clock.start();
        io.write(payload);
        while (received < size) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (clock.elapsed() > 5000) {
                state.SkipWithError("echo did not come back within 5 s");
                return;
            }
        }
        micros.push_back(double(clock.nsecsElapsed()) / 1000.0);
    }
    state.SetBytesProcessed(state.iterations() * size * 2);
    if (!micros.empty()) {
        std::sort(micros.begin(), micros.end());
        state.counters["p50_us"] = micros[micros.size() / 2];
        state.counters["p99_us"] = micros[micros.size() * 99 / 100];
        state.counters["max_us"] = micros.back();
    }
    state.counters["wire_115200_us"] = size * 1e6 / 11520.0;
}

BENCHMARK(round_trip)->Arg(30)->Arg(200)->Arg(1024)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("qserial_io.debug=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
