// The TAC1 message handler: transactions, dispatch, sending and replies.
// The registration service and the listener tables are tested apart.
#include "handler_fixture.h"

#include <QtTest>

using namespace vq;
using namespace tac1_test;
using namespace handler_test;

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

QTEST_GUILESS_MAIN(Tst_tac1_message_handler)
#include "tst_tac1_message_handler.moc"
