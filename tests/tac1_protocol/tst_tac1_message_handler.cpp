// The TAC1 message handler: transactions, dispatch, sending, replies, the
// registration service and the listener tables.
#include "tac1_messages.h"
#include "tac1_test_support.h"

#include <QtTest>

using namespace vq;
using namespace tac1_test;

namespace {

constexpr std::uint32_t own_address = 0xC0A8000D;
constexpr std::uint16_t own_port = 880;
constexpr std::uint32_t peer_address = 0xC0A80000;
constexpr std::uint16_t peer_port = 58001;
constexpr std::uint32_t local_host = 0x7F000001;

// Table membership flags of the registration rows.
enum Tables
{
    in_set = 1,
    in_event = 2,
    in_identifier = 4, // identifier 0x000300AC
    in_group = 8,      // group 3
};
constexpr std::uint32_t watched_identifier = 0x000300AC;
constexpr std::uint16_t watched_group = 3;

// Records the PDUs passed to a registered callback.
class Client
{
public:
    void take(Tac_callback_object* object)
    {
        received.push_back(tac1_of(object->pdu));
        sources.push_back(Tac1_peer{object->address, object->port});
        if (handler != nullptr && unregister_on_call != 0) {
            handler->unregister_handler(unregister_on_call);
        }
    }
    Callback<Tac_callback_object*> callback() { return make_member_callback(this, &Client::take); }

    std::vector<QByteArray> received;
    std::vector<Tac1_peer> sources;
    Tac1_message_handler* handler = nullptr;
    std::uint32_t unregister_on_call = 0;
};

// A derived handler: its own address and port come from the virtual getters,
// and without a lower callback the send hook takes the PDUs.
class Hooked_handler : public Tac1_message_handler
{
public:
    Hooked_handler() : Tac1_message_handler(1, 2) {}
    std::uint32_t own_address() const override { return 0x0A000001; }
    std::uint16_t own_port() const override { return 4242; }
    bool lower_protocol_send_hook(std::uint32_t address, std::uint16_t port,
                                  Tac_pdu_buffer& pdu) override
    {
        hooked.push_back(Sent{-1, address, port, 0, 0, tac1_of(pdu)});
        return hook_result;
    }
    std::vector<Sent> hooked;
    bool hook_result = true;
};

int flags_of(const Tac1_message_handler& handler, std::uint32_t address, std::uint16_t port)
{
    return (handler.is_set_indication_listener(address, port) ? in_set : 0) |
           (handler.is_event_indication_listener(address, port) ? in_event : 0) |
           (handler.is_identifier_listener(watched_identifier, address, port) ? in_identifier : 0) |
           (handler.is_group_listener(watched_group, address, port) ? in_group : 0);
}

std::size_t entries_of(const Tac1_message_handler& handler)
{
    std::size_t count =
        handler.set_indication_listeners().size() + handler.event_indication_listeners().size();
    for (const auto& entry : handler.identifier_listeners()) {
        count += entry.second.size();
    }
    for (const auto& entry : handler.group_listeners()) {
        count += entry.second.size();
    }
    return count;
}

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

} // namespace

class Tst_tac1_message_handler : public QObject
{
    Q_OBJECT

private slots:
    void transaction_numbers_data();
    void transaction_numbers();
    void dispatch_data();
    void dispatch();
    void callback_may_unregister_itself();
    void nil_callback_is_refused();
    void send_checks_data();
    void send_checks();
    void send_record_and_hook();
    void nack_and_reply_data();
    void nack_and_reply();
    void registration_service_data();
    void registration_service();
    void local_host_substitution();
    void indications_to_listeners_data();
    void indications_to_listeners();
    void table_operations();
    void unregister_for_all_clears_every_table();
    void registration_requests_to_a_peer();
};

void Tst_tac1_message_handler::transaction_numbers_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("transaction");
    QTest::newRow("first") << 1 << 1;
    QTest::newRow("second") << 2 << 2;
    QTest::newRow("255th") << 255 << 255;
    QTest::newRow("256th") << 256 << 1;
    QTest::newRow("257th") << 257 << 2;
    QTest::newRow("510th") << 510 << 255;
    QTest::newRow("511th") << 511 << 1;
}

void Tst_tac1_message_handler::transaction_numbers()
{
    QFETCH(int, call);
    QFETCH(int, transaction);
    Tac1_message_handler handler(own_address, own_port);
    int last = -1;
    for (int i = 1; i <= call; ++i) {
        last = handler.next_transaction();
        QVERIFY2(last != 0, "transaction 0 issued");
    }
    QCOMPARE(last, transaction);
}

void Tst_tac1_message_handler::dispatch_data()
{
    QTest::addColumn<QByteArray>("tac1");
    QTest::addColumn<uint>("registered"); // 0: no callback
    QTest::addColumn<bool>("to_callback");
    QTest::addColumn<QByteArray>("reply"); // empty: nothing sent

    QTest::newRow("unhandled request")
        << hex("000200010B02000005") << 0u << false << nack_bytes(0x00020001, 0x0B, 32);
    QTest::newRow("unhandled indication")
        << hex("000200010B04000005") << 0u << false << QByteArray();
    QTest::newRow("unhandled response") << hex("000200020B03000005") << 0u << false << QByteArray();
    QTest::newRow("unhandled ack") << hex("000200010B00") << 0u << false << QByteArray();
    QTest::newRow("unhandled nack")
        << nack_bytes(0x00020001, 0x0B, 32) << 0u << false << QByteArray();
    QTest::newRow("unhandled type 9") << hex("000200010B09") << 0u << false << QByteArray();
    QTest::newRow("request, highest identifier")
        << hex("0320001C2202") << 0u << false << nack_bytes(0x0320001C, 0x22, 32);
    QTest::newRow("request, undefined identifier")
        << hex("0320001D2202") << 0u << false << nack_bytes(0x0320001D, 0x22, 35);
    QTest::newRow("request, identifier FFFFFFFF")
        << hex("FFFFFFFF2202") << 0u << false << nack_bytes(0xFFFFFFFF, 0x22, 35);
    QTest::newRow("handled request")
        << hex("000200010B02000005") << 0x00020001u << true << QByteArray();
    QTest::newRow("other identifier handled")
        << hex("000200010B02000005") << 0x00020002u << false << nack_bytes(0x00020001, 0x0B, 32);
    QTest::newRow("ack for registration goes to its callback")
        << hex("012C00010400") << 0x012C0001u << true << QByteArray();
    QTest::newRow("response for registration get goes to its callback")
        << hex("012C0002040301") << 0x012C0002u << true << QByteArray();
    QTest::newRow("no room for a header") << hex("0002000102") << 0u << false << QByteArray();
    QTest::newRow("empty") << QByteArray() << 0u << false << QByteArray();
}

void Tst_tac1_message_handler::dispatch()
{
    QFETCH(QByteArray, tac1);
    QFETCH(uint, registered);
    QFETCH(bool, to_callback);
    QFETCH(QByteArray, reply);

    Tac1_message_handler handler(own_address, own_port);
    Lower_layer lower;
    lower.attach(handler);
    Client client;
    if (registered != 0) {
        QVERIFY(handler.register_handler(registered, client.callback()));
    }
    deliver(handler, tac1, peer_address, peer_port);

    QCOMPARE(client.received.size(), std::size_t(to_callback ? 1 : 0));
    if (to_callback) {
        QCOMPARE(client.received[0], tac1);
        QCOMPARE(client.sources[0], (Tac1_peer{peer_address, peer_port}));
    }
    QCOMPARE(lower.sent.size(), std::size_t(reply.isEmpty() ? 0 : 1));
    if (!reply.isEmpty()) {
        QCOMPARE(lower.sent[0].tac1.toHex(), reply.toHex());
        QCOMPARE(lower.sent[0].destination_address, peer_address);
        QCOMPARE(lower.sent[0].destination_port, peer_port);
    }
}

void Tst_tac1_message_handler::callback_may_unregister_itself()
{
    Tac1_message_handler handler(own_address, own_port);
    Lower_layer lower;
    lower.attach(handler);
    Client client;
    client.handler = &handler;
    client.unregister_on_call = 0x00020002;
    QVERIFY(handler.register_handler(0x00020002, client.callback()));
    deliver(handler, hex("00020002010300"), peer_address, peer_port);
    QCOMPARE(client.received.size(), std::size_t(1));
    QVERIFY(!handler.has_handler(0x00020002));
    // Now nobody handles it: a request for it draws a NACK.
    deliver(handler, hex("000200020202"), peer_address, peer_port);
    QCOMPARE(client.received.size(), std::size_t(1));
    QCOMPARE(lower.sent.size(), std::size_t(1));

    // Registering again replaces the earlier callback.
    Client first;
    Client second;
    QVERIFY(handler.register_handler(0x00020002, first.callback()));
    QVERIFY(handler.register_handler(0x00020002, second.callback()));
    deliver(handler, hex("00020002030300"), peer_address, peer_port);
    QCOMPARE(first.received.size(), std::size_t(0));
    QCOMPARE(second.received.size(), std::size_t(1));
    QVERIFY(handler.unregister_handler(0x00020002));
    QVERIFY(!handler.unregister_handler(0x00020002));
}

void Tst_tac1_message_handler::nil_callback_is_refused()
{
    Tac1_message_handler handler(own_address, own_port);
    Lower_layer lower;
    lower.attach(handler);
    QVERIFY(!handler.register_handler(0x00020001, Callback<Tac_callback_object*>()));
    QVERIFY(!handler.has_handler(0x00020001));
    // Received data therefore never reaches an empty callback.
    deliver(handler, hex("000200010102"), peer_address, peer_port);
    QCOMPARE(lower.sent.size(), std::size_t(1));
}

void Tst_tac1_message_handler::send_checks_data()
{
    QTest::addColumn<QByteArray>("tac1");
    QTest::addColumn<int>("status"); // left by the lower layer
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("handed_down");

    QTest::newRow("delivered") << hex("000200020702") << 5 << true << true;
    QTest::newRow("highest identifier") << hex("0320001C0702") << 5 << true << true;
    QTest::newRow("identifier too high") << hex("0320001D0702") << 5 << false << false;
    QTest::newRow("not taken") << hex("000200020702") << 0 << false << true;
    QTest::newRow("stopped") << hex("000200020702") << 1 << false << true;
    QTest::newRow("checksum failure") << hex("000200020702") << 3 << false << true;
    QTest::newRow("no header") << hex("0002000207") << 5 << false << false;
}

void Tst_tac1_message_handler::send_checks()
{
    QFETCH(QByteArray, tac1);
    QFETCH(int, status);
    QFETCH(bool, result);
    QFETCH(bool, handed_down);

    Tac1_message_handler handler(own_address, own_port);
    Lower_layer lower;
    lower.attach(handler);
    lower.status = status;
    QCOMPARE(handler.send(peer_address, peer_port, frame_of(tac1)), result);
    QCOMPARE(lower.sent.size(), std::size_t(handed_down ? 1 : 0));
    if (handed_down) {
        QCOMPARE(lower.sent[0].tac1, tac1);
    }
}

void Tst_tac1_message_handler::send_record_and_hook()
{
    Hooked_handler handler;
    // No lower callback: the hook takes the PDU and decides the result.
    QVERIFY(handler.send(peer_address, peer_port, frame_of(hex("000200020702"))));
    QCOMPARE(handler.hooked.size(), std::size_t(1));
    QCOMPARE(handler.hooked[0].destination_address, peer_address);
    QCOMPARE(handler.hooked[0].destination_port, peer_port);
    handler.hook_result = false;
    QVERIFY(!handler.send_ack(peer_address, peer_port, 0x00020001, 3));
    QCOMPARE(handler.hooked.size(), std::size_t(2));
    QCOMPARE(handler.hooked[1].tac1, ack_bytes(0x00020001, 3));

    // The base hook takes nothing and reports success.
    Tac1_message_handler plain(own_address, own_port);
    QVERIFY(plain.send(peer_address, peer_port, frame_of(hex("000200020702"))));

    // With a lower callback the record carries channel 1, the destination and
    // the source from the virtual getters.
    Lower_layer lower;
    lower.attach(handler);
    QVERIFY(handler.lower_protocol_send_callback_set());
    QCOMPARE(handler.reserve(), reserve);
    QCOMPARE(handler.header_offset(), header);
    QVERIFY(handler.send(peer_address, peer_port, frame_of(hex("000200020702"))));
    QCOMPARE(lower.sent.size(), std::size_t(1));
    QCOMPARE(lower.sent[0].channel, 1);
    QCOMPARE(lower.sent[0].source_address, 0x0A000001u);
    QCOMPARE(lower.sent[0].source_port, std::uint16_t(4242));
    QCOMPARE(handler.hooked.size(), std::size_t(2));

    handler.clear_lower_protocol_send_callback();
    QVERIFY(!handler.send(peer_address, peer_port, frame_of(hex("000200020702"))));
    QCOMPARE(handler.hooked.size(), std::size_t(3));
}

void Tst_tac1_message_handler::nack_and_reply_data()
{
    QTest::addColumn<int>("operation"); // 0 send_nack, 1 reply
    QTest::addColumn<uint>("reason");
    QTest::addColumn<bool>("broadcast");
    QTest::addColumn<QByteArray>("first");  // empty: nothing sent
    QTest::addColumn<QByteArray>("second"); // the broadcast indication, if any

    QTest::newRow("nack 37") << 0 << 37u << false << nack_bytes(0x00020001, 9, 37) << QByteArray();
    QTest::newRow("nack 2 never sent") << 0 << 2u << false << QByteArray() << QByteArray();
    QTest::newRow("nack 0x0320001D identifier goes out")
        << 0 << 35u << false << nack_bytes(0x00020001, 9, 35) << QByteArray();
    QTest::newRow("reply nack") << 1 << 133u << true << nack_bytes(0x00020001, 9, 133)
                                << QByteArray();
    QTest::newRow("reply nack 2") << 1 << 2u << true << QByteArray() << QByteArray();
    QTest::newRow("reply ack") << 1 << 0u << false << ack_bytes(0x00020001, 9) << QByteArray();
    QTest::newRow("reply ack and broadcast")
        << 1 << 0u << true << ack_bytes(0x00020001, 9) << hex("00020001090401FFF6");
}

void Tst_tac1_message_handler::nack_and_reply()
{
    QFETCH(int, operation);
    QFETCH(uint, reason);
    QFETCH(bool, broadcast);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);

    Tac1_message_handler handler(own_address, own_port);
    Lower_layer lower;
    lower.attach(handler);
    // The requester and another set-indication listener.
    handler.add_set_indication_listener(peer_address, peer_port);
    handler.add_set_indication_listener(0x0A0A0A0A, 7);

    Tac1_msg_audio_tx_output_level_set request(1, -10, 9, reserve, header);
    QCOMPARE(request.error(), 0);
    bool result = false;
    if (operation == 0) {
        result = handler.send_nack(peer_address, peer_port, 0x00020001, 9, reason);
    } else {
        result = handler.reply(peer_address, peer_port, request, reason, broadcast);
    }
    QVERIFY(result);
    QCOMPARE(lower.sent.size(), std::size_t(first.isEmpty() ? 0 : second.isEmpty() ? 1 : 2));
    if (!first.isEmpty()) {
        QCOMPARE(lower.sent[0].tac1.toHex(), first.toHex());
        QCOMPARE(lower.sent[0].destination_port, peer_port);
    }
    if (!second.isEmpty()) {
        QCOMPARE(lower.sent[1].tac1.toHex(), second.toHex());
        QCOMPARE(lower.sent[1].destination_address, 0x0A0A0A0Au);
        QCOMPARE(lower.sent[1].destination_port, std::uint16_t(7));
    }
}

void Tst_tac1_message_handler::registration_service_data()
{
    QTest::addColumn<int>("setup"); // tables holding the requester beforehand
    QTest::addColumn<bool>("from_own_address");
    QTest::addColumn<QByteArray>("tac1");
    QTest::addColumn<QByteArray>("reply"); // empty: nothing sent
    QTest::addColumn<int>("tables");       // tables holding the requester afterwards

    const QByteArray any_address = hex("000000000000");
    const QByteArray nack_tail = hex("00000020000000000000000001");

    QTest::newRow("set: register")
        << 0 << false << hex("012C0001070201") << ack_bytes(0x012C0001, 7) << int(in_set);
    QTest::newRow("set: register twice")
        << int(in_set) << false << hex("012C0001070201") << ack_bytes(0x012C0001, 7) << int(in_set);
    QTest::newRow("set: unregister") << int(in_set | in_event) << false << hex("012C0001070202")
                                     << ack_bytes(0x012C0001, 7) << int(in_event);
    QTest::newRow("set: unregister unknown")
        << 0 << false << hex("012C0001070202") << ack_bytes(0x012C0001, 7) << 0;
    QTest::newRow("set: action 3")
        << 0 << false << hex("012C0001070203") << nack_bytes(0x012C0001, 7, 129) << 0;
    QTest::newRow("set: as indication")
        << 0 << false << hex("012C0001070401") << ack_bytes(0x012C0001, 7) << int(in_set);
    QTest::newRow("set: too long")
        << 0 << false << hex("012C000107020100") << nack_bytes(0x012C0001, 7, 34) << 0;
    QTest::newRow("set: too short")
        << 0 << false << hex("012C00010702") << nack_bytes(0x012C0001, 7, 33) << 0;
    QTest::newRow("set: typed response")
        << 0 << false << hex("012C0001070301") << nack_bytes(0x012C0001, 7, 36) << 0;
    QTest::newRow("set: ack passes on") << 0 << false << hex("012C00010700") << QByteArray() << 0;
    QTest::newRow("set: nack passes on")
        << 0 << false << hex("012C00010701") + nack_tail << QByteArray() << 0;
    QTest::newRow("set get: listed")
        << int(in_set) << false << hex("012C00020902") << hex("012C0002090301") << int(in_set);
    QTest::newRow("set get: not listed")
        << int(in_event) << false << hex("012C00020902") << hex("012C0002090302") << int(in_event);
    QTest::newRow("set get: own address listed")
        << int(in_set) << true << hex("012C00020902") << hex("012C0002090301") << int(in_set);
    QTest::newRow("set get: with payload")
        << 0 << false << hex("012C0002090200") << nack_bytes(0x012C0002, 9, 34) << 0;
    QTest::newRow("set get: response passes on")
        << 0 << false << hex("012C0002090301") << QByteArray() << 0;
    QTest::newRow("set get: nack passes on")
        << 0 << false << hex("012C00020901") + nack_tail << QByteArray() << 0;
    QTest::newRow("event: register")
        << 0 << false << hex("012C0003010201") << ack_bytes(0x012C0003, 1) << int(in_event);
    QTest::newRow("event: action 0")
        << 0 << false << hex("012C0003010200") << nack_bytes(0x012C0003, 1, 129) << 0;
    QTest::newRow("event get: listed")
        << int(in_event) << false << hex("012C00040102") << hex("012C0004010301") << int(in_event);
    QTest::newRow("event get: not listed")
        << int(in_set) << false << hex("012C00040102") << hex("012C0004010302") << int(in_set);
    QTest::newRow("individual: register") << 0 << false
                                          << hex("012C0005030200000000"
                                                 "0000"
                                                 "000300AC"
                                                 "01")
                                          << ack_bytes(0x012C0005, 3) << int(in_identifier);
    QTest::newRow("individual: payload address is not the requester")
        << 0 << false
        << hex("012C0005030201020304"
               "1234"
               "000300AC"
               "01")
        << ack_bytes(0x012C0005, 3) << int(in_identifier);
    QTest::newRow("individual: unregister") << int(in_identifier) << false
                                            << hex("012C0005030200000000"
                                                   "0000"
                                                   "000300AC"
                                                   "02")
                                            << ack_bytes(0x012C0005, 3) << 0;
    QTest::newRow("individual: identifier too high") << 0 << false
                                                     << hex("012C0005030200000000"
                                                            "0000"
                                                            "0320001D"
                                                            "01")
                                                     << nack_bytes(0x012C0005, 3, 131) << 0;
    QTest::newRow("individual: action 3") << 0 << false
                                          << hex("012C0005030200000000"
                                                 "0000"
                                                 "000300AC"
                                                 "03")
                                          << nack_bytes(0x012C0005, 3, 133) << 0;
    QTest::newRow("individual: short") << 0 << false
                                       << hex("012C0005030200000000"
                                              "0000"
                                              "000300AC")
                                       << nack_bytes(0x012C0005, 3, 33) << 0;
    QTest::newRow("individual get: listed") << int(in_identifier) << false
                                            << hex("012C0006040201020304"
                                                   "0506"
                                                   "000300AC")
                                            << hex("012C0006040300000000"
                                                   "0000"
                                                   "000300AC"
                                                   "01")
                                            << int(in_identifier);
    QTest::newRow("individual get: not listed") << int(in_group) << false
                                                << hex("012C0006040200000000"
                                                       "0000"
                                                       "000300AC")
                                                << hex("012C0006040300000000"
                                                       "0000"
                                                       "000300AC"
                                                       "02")
                                                << int(in_group);
    QTest::newRow("individual get: identifier too high") << 0 << false
                                                         << hex("012C0006040200000000"
                                                                "0000"
                                                                "03200020")
                                                         << nack_bytes(0x012C0006, 4, 131) << 0;
    QTest::newRow("group: register") << 0 << false
                                     << hex("012C0007050200000000"
                                            "0000"
                                            "0003"
                                            "01")
                                     << ack_bytes(0x012C0007, 5) << int(in_group);
    QTest::newRow("group: unregister") << int(in_group | in_set) << false
                                       << hex("012C0007050200000000"
                                              "0000"
                                              "0003"
                                              "02")
                                       << ack_bytes(0x012C0007, 5) << int(in_set);
    QTest::newRow("group: action 9") << 0 << false
                                     << hex("012C0007050200000000"
                                            "0000"
                                            "0003"
                                            "09")
                                     << nack_bytes(0x012C0007, 5, 132) << 0;
    QTest::newRow("group get: listed") << int(in_group) << false
                                       << hex("012C0008060200000000"
                                              "0000"
                                              "0003")
                                       << hex("012C0008060300000000"
                                              "0000"
                                              "0003"
                                              "01")
                                       << int(in_group);
    QTest::newRow("group get: other group") << int(in_group) << false
                                            << hex("012C0008060200000000"
                                                   "0000"
                                                   "0004")
                                            << hex("012C0008060300000000"
                                                   "0000"
                                                   "0004"
                                                   "02")
                                            << int(in_group);
    QTest::newRow("unregister all") << int(in_set | in_event | in_identifier | in_group) << false
                                    << hex("012C00090A04") << QByteArray() << 0;
    QTest::newRow("unregister all from own address")
        << int(in_set | in_event | in_identifier | in_group) << true << hex("012C00090A04")
        << QByteArray() << 0;
    QTest::newRow("unregister all typed request")
        << int(in_set | in_group) << false << hex("012C00090A02")
        << nack_bytes(0x012C0009, 0x0A, 32) << int(in_set | in_group);
    QTest::newRow("unregister all with payload")
        << int(in_set | in_group) << false << hex("012C00090A0400") << QByteArray()
        << int(in_set | in_group);
}

void Tst_tac1_message_handler::registration_service()
{
    QFETCH(int, setup);
    QFETCH(bool, from_own_address);
    QFETCH(QByteArray, tac1);
    QFETCH(QByteArray, reply);
    QFETCH(int, tables);

    Tac1_message_handler handler(own_address, own_port);
    Lower_layer lower;
    lower.attach(handler);
    const std::uint32_t requester = from_own_address ? own_address : peer_address;
    if (setup & in_set) {
        handler.add_set_indication_listener(requester, peer_port);
    }
    if (setup & in_event) {
        handler.add_event_indication_listener(requester, peer_port);
    }
    if (setup & in_identifier) {
        handler.add_identifier_listener(watched_identifier, requester, peer_port);
    }
    if (setup & in_group) {
        handler.add_group_listener(watched_group, requester, peer_port);
    }
    // A bystander that no request may disturb.
    handler.add_set_indication_listener(0x0B0B0B0B, 11);

    deliver(handler, tac1, requester, peer_port);

    QCOMPARE(lower.sent.size(), std::size_t(reply.isEmpty() ? 0 : 1));
    if (!reply.isEmpty()) {
        QCOMPARE(lower.sent[0].tac1.toHex(), reply.toHex());
        QCOMPARE(lower.sent[0].destination_address, requester);
        QCOMPARE(lower.sent[0].destination_port, peer_port);
    }
    QCOMPARE(flags_of(handler, requester, peer_port), tables);
    // Each table lists the requester at most once, beside the bystander.
    QCOMPARE(entries_of(handler), std::size_t(1 + qPopulationCount(quint32(tables))));
    QVERIFY(handler.is_set_indication_listener(0x0B0B0B0B, 11));
}

void Tst_tac1_message_handler::local_host_substitution()
{
    Tac1_message_handler handler(own_address, own_port);
    Lower_layer lower;
    lower.attach(handler);
    deliver(handler, hex("012C0001010201"), own_address, 5000);
    QCOMPARE(handler.set_indication_listeners().size(), std::size_t(1));
    QCOMPARE(handler.set_indication_listeners()[0], (Tac1_peer{local_host, 5000}));
    QVERIFY(handler.is_set_indication_listener(own_address, 5000));
    QVERIFY(handler.is_set_indication_listener(local_host, 5000));
    QVERIFY(!handler.is_set_indication_listener(local_host, 5001));
    // The local host and the own address are one peer: no second entry.
    deliver(handler, hex("012C0001020201"), local_host, 5000);
    QCOMPARE(handler.set_indication_listeners().size(), std::size_t(1));
    // The get answers for either form of the address.
    deliver(handler, hex("012C00020302"), local_host, 5000);
    QCOMPARE(lower.sent.back().tac1, hex("012C0002030301"));
    // Removing through the local host removes the own-address registration.
    QVERIFY(handler.remove_set_indication_listener(local_host, 5000));
    QVERIFY(handler.set_indication_listeners().empty());
}

void Tst_tac1_message_handler::indications_to_listeners_data()
{
    QTest::addColumn<bool>("event_walk");
    QTest::addColumn<bool>("skip");
    QTest::addColumn<uint>("originator_address");
    QTest::addColumn<uint>("originator_port");
    QTest::addColumn<QList<uint>>("ports"); // destination ports in order

    // Listeners: set list A:1, B:2, own address (stored as local host):3;
    // event list E:4; identifier 0x00020001 list C:5, A:1; group 2 list D:6.
    QTest::newRow("all, no skip") << false << false << 0u << 0u << QList<uint>{1, 2, 3, 5, 1, 6};
    QTest::newRow("skip A") << false << true << 0xA0u << 1u << QList<uint>{2, 3, 5, 6};
    QTest::newRow("skip port only matches nothing")
        << false << true << 0xB0u << 1u << QList<uint>{1, 2, 3, 5, 1, 6};
    QTest::newRow("skip own address as local host")
        << false << true << own_address << 3u << QList<uint>{1, 2, 5, 1, 6};
    QTest::newRow("skip local host")
        << false << true << local_host << 3u << QList<uint>{1, 2, 5, 1, 6};
    QTest::newRow("event walk") << true << false << 0u << 0u << QList<uint>{4, 5, 1, 6};
    QTest::newRow("event walk skip C") << true << true << 0xC0u << 5u << QList<uint>{4, 1, 6};
}

void Tst_tac1_message_handler::indications_to_listeners()
{
    QFETCH(bool, event_walk);
    QFETCH(bool, skip);
    QFETCH(uint, originator_address);
    QFETCH(uint, originator_port);
    QFETCH(QList<uint>, ports);

    Tac1_message_handler handler(own_address, own_port);
    Lower_layer lower;
    lower.attach(handler);
    handler.add_set_indication_listener(0xA0, 1);
    handler.add_set_indication_listener(0xB0, 2);
    handler.add_set_indication_listener(own_address, 3);
    handler.add_event_indication_listener(0xE0, 4);
    handler.add_identifier_listener(0x00020001, 0xC0, 5);
    handler.add_identifier_listener(0x00020001, 0xA0, 1);
    handler.add_identifier_listener(0x00030001, 0xF0, 9); // another identifier
    handler.add_group_listener(2, 0xD0, 6);
    handler.add_group_listener(3, 0xF0, 9); // another group

    Tac1_msg_audio_tx_output_level_set setting(1, 300, 44, reserve, header);
    if (event_walk) {
        handler.send_event_indication_to_listeners(setting, skip, originator_address,
                                                   std::uint16_t(originator_port));
    } else {
        handler.send_indication_to_listeners(setting, skip, originator_address,
                                             std::uint16_t(originator_port));
    }
    // The PDU itself now reads as an indication.
    QCOMPARE(setting.type(), Tac_message_types::INDICATION);

    QList<uint> sent_ports;
    for (const Sent& sent : lower.sent) {
        sent_ports << sent.destination_port;
        QCOMPARE(sent.tac1.toHex(), hex("000200012C04"
                                        "01012C")
                                        .toHex());
    }
    QCOMPARE(sent_ports, ports);
    if (!event_walk && !skip) {
        QCOMPARE(lower.sent[2].destination_address, local_host);
    }
}

void Tst_tac1_message_handler::table_operations()
{
    Tac1_message_handler handler(own_address, own_port);
    QVERIFY(handler.add_identifier_listener(0x0320001C, 1, 1));
    QVERIFY(!handler.add_identifier_listener(0x0320001D, 1, 1));
    QVERIFY(!handler.is_identifier_listener(0x0320001D, 1, 1));
    QVERIFY(!handler.remove_identifier_listener(0x0320001D, 1, 1));
    QVERIFY(handler.add_identifier_listener(0x0320001C, 1, 1));
    QCOMPARE(handler.identifier_listeners().at(0x0320001C).size(), std::size_t(1));
    QVERIFY(handler.add_identifier_listener(0x00020001, 1, 1));
    QVERIFY(handler.add_identifier_listener(0x00020001, 2, 2));

    QVERIFY(handler.remove_identifier_listener_from_all(1, 1));
    QVERIFY(!handler.remove_identifier_listener_from_all(1, 1));
    // Emptied lists leave the table.
    QCOMPARE(handler.identifier_listeners().count(0x0320001C), std::size_t(0));
    QVERIFY(handler.is_identifier_listener(0x00020001, 2, 2));

    QVERIFY(handler.add_group_listener(0xFFFF, 3, 3));
    QVERIFY(handler.add_group_listener(0, 3, 3));
    QVERIFY(handler.is_group_listener(0xFFFF, 3, 3));
    QVERIFY(!handler.remove_group_listener(1, 3, 3));
    QVERIFY(handler.remove_group_listener(0, 3, 3));
    QVERIFY(handler.remove_group_listener_from_all(3, 3));
    QVERIFY(handler.group_listeners().empty());

    QVERIFY(handler.add_event_indication_listener(4, 4));
    QVERIFY(handler.add_event_indication_listener(4, 4));
    QCOMPARE(handler.event_indication_listeners().size(), std::size_t(1));
    QVERIFY(handler.remove_event_indication_listener(4, 4));
    QVERIFY(!handler.remove_event_indication_listener(4, 4));
    QVERIFY(!handler.remove_set_indication_listener(4, 4));
}

void Tst_tac1_message_handler::unregister_for_all_clears_every_table()
{
    Tac1_message_handler handler(own_address, own_port);
    Lower_layer lower;
    lower.attach(handler);
    const QByteArray requests[] = {
        hex("012C0001010201"),
        hex("012C0003020201"),
        hex("012C0005030200000000"
            "0000"
            "000300AC"
            "01"),
        hex("012C0005040200000000"
            "0000"
            "000B0006"
            "01"),
        hex("012C0007050200000000"
            "0000"
            "0003"
            "01"),
        hex("012C0007060200000000"
            "0000"
            "000B"
            "01"),
    };
    for (const QByteArray& request : requests) {
        deliver(handler, request, peer_address, peer_port);
        deliver(handler, request, 0x0C0C0C0C, 12); // another peer
    }
    QCOMPARE(lower.sent.size(), std::size_t(12));
    QCOMPARE(entries_of(handler), std::size_t(12));

    Client client;
    QVERIFY(handler.register_handler(0x012C0009, client.callback()));
    deliver(handler, hex("012C00090704"), peer_address, peer_port);
    QCOMPARE(lower.sent.size(), std::size_t(12));     // nothing sent
    QCOMPARE(client.received.size(), std::size_t(0)); // served, not passed on
    QCOMPARE(entries_of(handler), std::size_t(6));
    QCOMPARE(flags_of(handler, peer_address, peer_port), 0);
    QVERIFY(!handler.is_identifier_listener(0x000B0006, peer_address, peer_port));
    QVERIFY(!handler.is_group_listener(0x000B, peer_address, peer_port));
    QCOMPARE(flags_of(handler, 0x0C0C0C0C, 12), int(in_set | in_event | in_identifier | in_group));
}

void Tst_tac1_message_handler::registration_requests_to_a_peer()
{
    Tac1_message_handler handler(own_address, own_port);
    Lower_layer lower;
    lower.attach(handler);
    QVERIFY(handler.send_register_for_set_indications(peer_address, peer_port, 1));
    QVERIFY(handler.send_register_for_event_indications(peer_address, peer_port, 2));
    QVERIFY(
        handler.send_register_for_individual_indication(peer_address, peer_port, 0x000300AC, 1));
    QVERIFY(
        !handler.send_register_for_individual_indication(peer_address, peer_port, 0x0320001D, 1));
    QVERIFY(handler.send_register_for_indication_per_group(peer_address, peer_port, 11, 2));
    QVERIFY(handler.send_unregister_for_all_indications(peer_address, peer_port));

    const QByteArray expected[] = {
        hex("012C0001010201"),
        hex("012C0003020202"),
        hex("012C0005030200000000"
            "0000"
            "000300AC"
            "01"),
        hex("012C0007040200000000"
            "0000"
            "000B"
            "02"),
        hex("012C00090504"),
    };
    QCOMPARE(lower.sent.size(), std::size_t(5));
    for (std::size_t i = 0; i < lower.sent.size(); ++i) {
        QCOMPARE(lower.sent[i].tac1.toHex(), expected[i].toHex());
        QCOMPARE(lower.sent[i].destination_address, peer_address);
    }

    // A second handler serving those requests registers the first one.
    Tac1_message_handler peer(peer_address, peer_port);
    Lower_layer peer_lower;
    peer_lower.attach(peer);
    for (std::size_t i = 0; i < 4; ++i) {
        deliver(peer, lower.sent[i].tac1, own_address, own_port);
    }
    QVERIFY(peer.is_set_indication_listener(own_address, own_port));
    QVERIFY(peer.is_identifier_listener(0x000300AC, own_address, own_port));
    QCOMPARE(peer_lower.sent.size(), std::size_t(4));
    for (const Sent& sent : peer_lower.sent) {
        QCOMPARE(sent.tac1.at(5), '\0'); // all ACKs
    }
}

QTEST_GUILESS_MAIN(Tst_tac1_message_handler)
#include "tst_tac1_message_handler.moc"
