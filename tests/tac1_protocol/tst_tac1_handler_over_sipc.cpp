// Two TAC1 nodes talking through real SIPC framing: registration, replies,
// indications and NACKs survive framing and arbitrary chunking of the line.
#include "sipc_protocol_handler.h"
#include "tac1_messages.h"
#include "tac1_test_support.h"

#include <QtTest>

using namespace vq;
using namespace tac1_test;

namespace {

// One end of the line: framing below, message handler above, and a client
// that records what arrives for the identifiers it registered.
class Node
{
public:
    Node(std::uint32_t address, std::uint16_t port) : sipc(port), tac1(address, port)
    {
        tac1.set_lower_protocol_send_callback(
            Sipc_protocol_handler::get_protocol_size_to_reserve(),
            Sipc_protocol_handler::get_protocol_header_size(),
            make_member_callback(&sipc, &Sipc_protocol_handler::send));
        sipc.set_receive_callback(1, make_member_callback(&tac1, &Tac1_message_handler::receive));
        sipc.set_lower_send_callback(make_member_callback(this, &Node::write));
        sipc.start();
    }

    void listen(std::uint32_t identifier)
    {
        tac1.register_handler(identifier, make_member_callback(this, &Node::take));
    }

    void write(Tac_callback_object* frame) { wire += bytes_of(frame->pdu); }
    void take(Tac_callback_object* object) { received.push_back(tac1_of(object->pdu)); }

    Sipc_protocol_handler sipc;
    Tac1_message_handler tac1;
    QByteArray wire;
    std::vector<QByteArray> received;
};

constexpr std::uint32_t console_address = 0xC0A8000D;
constexpr std::uint16_t console_port = 880;
constexpr std::uint32_t modem_address = 0xC0A80000;
constexpr std::uint16_t modem_port = 58001;

// Carries everything written on either side to the other, in chunks, until
// the line is quiet.
void pump(Node& a, Node& b, int chunk)
{
    for (int round = 0; round < 16 && (!a.wire.isEmpty() || !b.wire.isEmpty()); ++round) {
        for (auto [from, to] : {std::pair<Node*, Node*>{&a, &b}, {&b, &a}}) {
            const QByteArray bytes = from->wire;
            from->wire.clear();
            for (int at = 0; at < bytes.size(); at += chunk) {
                const QByteArray part = bytes.mid(at, chunk);
                to->sipc.receive_bytes(part.constData(), std::size_t(part.size()));
            }
        }
    }
}

} // namespace

class Tst_tac1_handler_over_sipc : public QObject
{
    Q_OBJECT

private slots:
    void conversation_data();
    void conversation();
};

void Tst_tac1_handler_over_sipc::conversation_data()
{
    QTest::addColumn<int>("chunk");
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("7-byte chunks") << 7;
    QTest::newRow("whole writes") << 4096;
}

void Tst_tac1_handler_over_sipc::conversation()
{
    QFETCH(int, chunk);
    Node console(console_address, console_port);
    Node modem(modem_address, modem_port);
    for (std::uint32_t identifier : {0x012C0001u, 0x012C0002u, 0x00020001u, 0x00020002u}) {
        console.listen(identifier);
    }

    // Registration for set indications, answered with an ACK.
    QVERIFY(console.tac1.send_register_for_set_indications(modem_address, modem_port, 1));
    pump(console, modem, chunk);
    QVERIFY(modem.tac1.is_set_indication_listener(console_address, console_port));
    QCOMPARE(console.received.size(), std::size_t(1));
    QCOMPARE(console.received[0].toHex(), ack_bytes(0x012C0001, 1).toHex());

    // The registration get, answered in the set layout with action 1.
    const Tac1_msg_register_for_set_indications_get get(console.tac1.next_transaction(), reserve,
                                                        header);
    QVERIFY(console.tac1.send(modem_address, modem_port, get.buffer()));
    pump(console, modem, chunk);
    QCOMPARE(console.received.size(), std::size_t(2));
    const Tac1_msg_register_for_set_indications_set answer(frame_of(console.received[1]), reserve,
                                                           header);
    QCOMPARE(answer.error(), 0);
    QCOMPARE(answer.identifier(), 0x012C0002u);
    QCOMPARE(answer.type(), Tac_message_types::RESPONSE);
    QCOMPARE(int(answer.transaction()), 2);
    QCOMPARE(int(answer.action()), 1);

    // A setting broadcast by the modem reaches the console as an indication.
    Tac1_msg_audio_tx_output_level_set setting(2, -5, modem.tac1.next_transaction(), reserve,
                                               header);
    modem.tac1.send_indication_to_listeners(setting, false, 0, 0);
    pump(console, modem, chunk);
    QCOMPARE(console.received.size(), std::size_t(3));
    const Tac1_msg_audio_tx_output_level_set indication(frame_of(console.received[2]), reserve,
                                                        header);
    QCOMPARE(indication.error(), 0);
    QCOMPARE(indication.type(), Tac_message_types::INDICATION);
    QCOMPARE(int(indication.level()), -5);

    // A request the modem does not handle draws NACK 32 with its transaction.
    const Tac1_msg_audio_tx_output_level_get request(1, console.tac1.next_transaction(), reserve,
                                                     header);
    QVERIFY(console.tac1.send(modem_address, modem_port, request.buffer()));
    pump(console, modem, chunk);
    QCOMPARE(console.received.size(), std::size_t(4));
    const Tac1_nack nack(frame_of(console.received[3]), reserve, header);
    QCOMPARE(nack.error(), 0);
    QCOMPARE(nack.reason(), 32u);
    QCOMPARE(nack.identifier(), 0x00020002u);
    QCOMPARE(int(nack.transaction()), 3);

    // Unregistering for all indications clears the console's registration
    // and draws no reply.
    QVERIFY(console.tac1.send_unregister_for_all_indications(modem_address, modem_port));
    pump(console, modem, chunk);
    QVERIFY(modem.tac1.set_indication_listeners().empty());
    QCOMPARE(console.received.size(), std::size_t(4));
    QVERIFY(console.wire.isEmpty() && modem.wire.isEmpty());
}

QTEST_GUILESS_MAIN(Tst_tac1_handler_over_sipc)
#include "tst_tac1_handler_over_sipc.moc"
