// The TAC1 message handler's registration service and listener tables:
// registration requests and their answers, local host substitution,
// indications to the listeners, and the table operations.
#include "handler_fixture.h"

#include <QtTest>

using namespace vq;
using namespace tac1_test;
using namespace handler_test;

class Tst_tac1_registrations : public QObject
{
    Q_OBJECT

private slots:
    void registration_service_data();
    void registration_service();
    void local_host_substitution();
    void indications_to_listeners_data();
    void indications_to_listeners();
    void table_operations();
    void unregister_for_all_clears_every_table();
    void registration_requests_to_a_peer();
};

void Tst_tac1_registrations::registration_service_data()
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

void Tst_tac1_registrations::registration_service()
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

void Tst_tac1_registrations::local_host_substitution()
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

void Tst_tac1_registrations::indications_to_listeners_data()
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

void Tst_tac1_registrations::indications_to_listeners()
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

void Tst_tac1_registrations::table_operations()
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

void Tst_tac1_registrations::unregister_for_all_clears_every_table()
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

void Tst_tac1_registrations::registration_requests_to_a_peer()
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

QTEST_GUILESS_MAIN(Tst_tac1_registrations)
#include "tst_tac1_registrations.moc"
