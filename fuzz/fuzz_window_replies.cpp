// Replies and indications from the modem, fuzzed, through the modem
// interface into the window's components.
//
// One console window is built once (offscreen, its own XDG folders) and its
// connection is put into Connected. Each input is a short series of TAC1
// PDUs, each wrapped in a valid SIPC frame addressed to the console and fed
// to the modem interface as the serial port would; the identifiers are those
// the interface registers replies for. After the input the console must
// still answer its keep-alive: the next keep-alive timeout sends the receive
// audio level request, and the modem's answer to it is taken as a response.
//
// Input: byte 0 = flags (bits 0-1: chunking of the bytes: whole, one frame a
// call, 1 to 7 byte pieces, or all frames in one call; bits 2-4: the
// connection state the frames arrive in); then up to 8 records of
// u32 identifier (one the interface does not handle is mapped onto the list
// of those it does), u8 type, u8 transaction, u16 payload length, payload.

#include "connection_controller.h"
#include "console_fuzz_support.h"
#include "qmodem_interface.h"
#include "qmodem_interface_p.h"
#include "tac1_messages.h"
#include "talvane.h"

#include <QByteArray>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

using namespace vq_qt;

namespace {

constexpr int max_records = 8;

using console_fuzz::frame;
using console_fuzz::put;

std::uint32_t identifier_of(const QByteArray& sent)
{
    if (sent.size() < 28) {
        return 0;
    }
    std::uint32_t value = 0;
    for (int i = 20; i < 24; ++i) {
        value = (value << 8) | static_cast<std::uint8_t>(sent.at(i));
    }
    return value;
}

void fail(const char* what)
{
    console_fuzz::fail("fuzz_window_replies", what);
}

struct Console
{
    Talvane* window = nullptr;
    std::vector<std::uint32_t> identifiers; // those the interface handles
    std::vector<QByteArray> sent;
};

Console* console = nullptr;

// The states an input may arrive in.
constexpr Connection_state arrival_states[8] = {
    CONNECTION_STATE_CONNECTED,
    CONNECTION_STATE_CONNECTED,
    CONNECTION_STATE_CONNECTED,
    CONNECTION_STATE_CONNECTED,
    CONNECTION_STATE_INITIALISING,
    CONNECTION_STATE_CONNECTING,
    CONNECTION_STATE_CONNECTING_NO_RESPONSE,
    CONNECTION_STATE_CONNECTING_MODEM_BOOTING,
};

void settle()
{
    QCoreApplication::processEvents();
    // Nothing waits on the clock between inputs: what an input started is
    // stopped before the next, so that each run starts alike.
    Connection_controller* connection = console->window->connection();
    for (QTimer* timer :
         {connection->connect_timer(), connection->modem_boot_timer(), connection->init_timer(),
          connection->keep_alive_timer(), connection->display_timer()}) {
        timer->stop();
    }
}

void enter(Connection_state state)
{
    Connection_controller* connection = console->window->connection();
    if (connection->current_connection_state() != state) {
        connection->_set_connection_state(state);
    }
}

// The console still keeps the link alive: its keep-alive request goes out,
// and the modem's answer to it counts as a response.
void check_keep_alive()
{
    Connection_controller* connection = console->window->connection();
    enter(CONNECTION_STATE_CONNECTED);
    connection->set_response_seen(true);
    console->sent.clear();
    connection->_keep_alive_timeout();
    const auto request = vq::Tac1_msg_lz7_hw_testing_audio_rx_level_get::message_identifier;
    const auto found =
        std::find_if(console->sent.begin(), console->sent.end(),
                     [&](const QByteArray& f) { return identifier_of(f) == request; });
    if (found == console->sent.end()) {
        fail("no keep-alive request after the input");
    }
    if (connection->response_seen()) {
        fail("the keep-alive did not wait for an answer");
    }
    QByteArray levels;
    put(levels, 0xFFFFFFC4, 4);
    put(levels, 0xFFFFFFC4, 4);
    const auto transaction = static_cast<std::uint8_t>(found->at(24));
    console->window->modem()->_receive_sipc_data(frame(request, 3, transaction, levels));
    if (!connection->response_seen()) {
        fail("the answer to the keep-alive was not taken");
    }
    settle();
}

} // namespace

extern "C" const char* __asan_default_options()
{
    // Qt keeps caches of its own for the life of the process.
    return "detect_leaks=0:malloc_context_size=8";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    console_fuzz::set_up("fuzz_window_replies", true);
    // Radio models that the fuzzed radio reports can name.
    const auto radio_folder = console_fuzz::home() / "data" / "Velquin" / "Talvane";
    std::filesystem::create_directories(radio_folder);
    const char radios[] = "Icom IC-F8101\nCodan NGT\n";
    console_fuzz::write_file(QString::fromStdString(radio_folder / "radio_list.cfg"),
                             reinterpret_cast<const std::uint8_t*>(radios), sizeof radios - 1);

    console = new Console;
    console->window = new Talvane;
    QObject::connect(console->window->modem(), &vq_qt::QModem_interface::send_sipc_data,
                     [](const QByteArray& bytes) { console->sent.push_back(bytes); });

    std::set<std::uint32_t> handled;
    for (const vq_qt::Reply_row& row : vq_qt::reply_table()) {
        handled.insert(row.identifiers.begin(), row.identifiers.end());
    }
    console->identifiers.assign(handled.begin(), handled.end());
    check_keep_alive();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    const int chunking = data[0] & 0x03;
    const Connection_state state = arrival_states[(data[0] >> 2) & 0x07];
    std::size_t at = 1;
    std::vector<QByteArray> frames;
    while (frames.size() < max_records && size - at >= 8) {
        std::uint32_t identifier = 0;
        for (int i = 0; i < 4; ++i) {
            identifier = (identifier << 8) | data[at + i];
        }
        const std::uint8_t type = data[at + 4];
        const std::uint8_t transaction = data[at + 5];
        std::size_t length = (std::size_t(data[at + 6]) << 8) | data[at + 7];
        at += 8;
        length = std::min(length, size - at);
        if (!std::binary_search(console->identifiers.begin(), console->identifiers.end(),
                                identifier)) {
            identifier = console->identifiers[identifier % console->identifiers.size()];
        }
        frames.push_back(
            frame(identifier, type, transaction,
                  QByteArray(reinterpret_cast<const char*>(data + at), static_cast<int>(length))));
        at += length;
    }

    enter(state);
    vq_qt::QModem_interface* modem = console->window->modem();
    QByteArray all;
    for (const QByteArray& bytes : frames) {
        switch (chunking) {
        case 0:
        case 1:
            modem->_receive_sipc_data(bytes);
            break;
        case 2:
            for (int i = 0, piece = 1; i < bytes.size(); i += piece, piece = piece % 7 + 1) {
                modem->_receive_sipc_data(bytes.mid(i, piece));
            }
            break;
        default:
            all.append(bytes);
            break;
        }
        if (chunking == 1) {
            QCoreApplication::processEvents();
        }
    }
    if (!all.isEmpty()) {
        modem->_receive_sipc_data(all);
    }
    settle();
    check_keep_alive();
    return 0;
}
