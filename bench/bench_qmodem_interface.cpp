// The modem interface's two paths: an operation down to the finished frame,
// and a received frame up to its signal.

#include "qmodem_interface.h"
#include "sipc_protocol_handler.h"
#include "tac1_message_handler.h"
#include "tac1_messages.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <benchmark/benchmark.h>

namespace {

constexpr quint32 modem_address = 0xC0A80000;

// Frames the interface writes are counted and dropped.
struct Sink
{
    explicit Sink(vq_qt::QModem_interface& modem)
    {
        QLoggingCategory::setFilterRules(QStringLiteral("qmdm_if*.debug=false"));
        QObject::connect(&modem, &vq_qt::QModem_interface::send_sipc_data,
                         [this](const QByteArray& frame) { bytes += frame.size(); });
    }
    std::int64_t bytes = 0;
};

// A frame as the modem would send it, built with the protocol stack.
QByteArray modem_frame(const vq::Tac1_pdu& pdu)
{
    vq::Tac_pdu_buffer buffer = pdu.buffer();
    vq::Sipc_protocol_handler::write_frame(buffer, 1, 0xC0A8000D, 880, modem_address, 58001);
    return QByteArray(reinterpret_cast<const char*>(buffer.data()),
                      static_cast<int>(buffer.size()));
}

void BM_request_to_frame(benchmark::State& state)
{
    vq_qt::QModem_interface modem(nullptr, modem_address);
    Sink sink(modem);
    for (auto _ : state) {
        benchmark::DoNotOptimize(modem.set_psk_modem_ota_settings(1, 2, 3, 4, 5, 6));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(sink.bytes);
}
BENCHMARK(BM_request_to_frame);

void BM_user_data(benchmark::State& state)
{
    vq_qt::QModem_interface modem(nullptr, modem_address);
    Sink sink(modem);
    const QByteArray data(static_cast<int>(state.range(0)), 'x');
    for (auto _ : state) {
        benchmark::DoNotOptimize(modem.set_send_data_to_modem(data));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_user_data)->Arg(144)->Arg(450)->Arg(4000);

void BM_reply_to_signal(benchmark::State& state)
{
    vq_qt::QModem_interface modem(nullptr, modem_address);
    Sink sink(modem);
    std::int64_t emitted = 0;
    QObject::connect(&modem, &vq_qt::QModem_interface::wf_lqa_indication,
                     [&emitted](char, uchar, uchar, uchar, uchar, short, uchar) { ++emitted; });
    const QByteArray frame =
        modem_frame(vq::Tac1_msg_wf_lqa_indication(-10, 10, 2, 5, 3, -200, 1, 7, 22, 20));
    const int chunk = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < frame.size(); i += chunk) {
            modem._receive_sipc_data(frame.mid(i, chunk));
        }
    }
    if (emitted != state.iterations()) {
        state.SkipWithError("an indication was lost");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_reply_to_signal)->Arg(1)->Arg(8)->Arg(64);

void BM_nack_warning(benchmark::State& state)
{
    vq_qt::QModem_interface modem(nullptr, modem_address);
    Sink sink(modem);
    QLoggingCategory::setFilterRules(QStringLiteral("qmdm_if*=false"));
    const QByteArray frame = modem_frame(vq::Tac1_nack(130, 0x00000001, 1, 22, 20));
    for (auto _ : state) {
        modem._receive_sipc_data(frame);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_nack_warning);

} // namespace

BENCHMARK_MAIN();
