// The catalogue table: counts, uniqueness, partners, names and lookups.
#include "tac1_catalogue.h"
#include "tac1_messages.h"

#include <QtTest>
#include <map>
#include <set>
#include <string>

using vq::tac1_catalogue;
using vq::Tac1_kind;

Q_DECLARE_METATYPE(vq::Tac1_kind)

class Tst_catalogue : public QObject
{
    Q_OBJECT

private slots:
    void counts_by_kind_data();
    void counts_by_kind();
    void counts_by_group_data();
    void counts_by_group();
    void identifiers_and_names_are_unique();
    void self_check_passes();
    void partners_follow_the_names();
    void partners_data();
    void partners();
    void names_data();
    void names();
    void older_names_without_msg();
    void classes_carry_their_row_data();
    void classes_carry_their_row();
    void header_rules_data();
    void header_rules();
};

void Tst_catalogue::counts_by_kind_data()
{
    QTest::addColumn<Tac1_kind>("kind");
    QTest::addColumn<int>("count");
    QTest::newRow("set with partner") << Tac1_kind::set << 223;
    QTest::newRow("command") << Tac1_kind::command << 47;
    QTest::newRow("get") << Tac1_kind::get << 223;
    QTest::newRow("indication") << Tac1_kind::indication << 63;
}

void Tst_catalogue::counts_by_kind()
{
    QFETCH(Tac1_kind, kind);
    QFETCH(int, count);
    int found = 0;
    for (const auto& entry : tac1_catalogue) {
        found += entry.kind == kind ? 1 : 0;
    }
    QCOMPARE(found, count);
    QCOMPARE(static_cast<int>(vq::tac1_catalogue_count(kind)), count);
    QCOMPARE(vq::tac1_catalogue_size, std::size_t{556});
}

void Tst_catalogue::counts_by_group_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("count");
    const int groups[][2] = {{0, 90},  {1, 29},  {2, 16},  {3, 73},   {4, 45},
                             {5, 83},  {6, 26},  {10, 14}, {11, 7},   {12, 29},
                             {13, 34}, {18, 10}, {300, 9}, {500, 58}, {700, 33}};
    for (const auto& g : groups) {
        QTest::addRow("group %d", g[0]) << g[0] << g[1];
    }
}

// A class lost or duplicated while keeping the table sorted shows up here.
void Tst_catalogue::counts_by_group()
{
    QFETCH(int, group);
    QFETCH(int, count);
    int found = 0;
    for (const auto& entry : tac1_catalogue) {
        found += static_cast<int>(entry.identifier >> 16) == group ? 1 : 0;
    }
    QCOMPARE(found, count);
}

void Tst_catalogue::identifiers_and_names_are_unique()
{
    std::set<std::uint32_t> identifiers;
    std::set<std::string> names;
    std::uint32_t previous = 0;
    for (const auto& entry : tac1_catalogue) {
        QVERIFY2(identifiers.insert(entry.identifier).second, entry.name);
        QVERIFY2(names.insert(entry.name).second, entry.name);
        QVERIFY2(entry.identifier > previous || entry.identifier == 1, entry.name);
        QVERIFY2(entry.identifier <= vq::TAC1_MAX_IDENTIFIER, entry.name);
        previous = entry.identifier;
        // Names end in their kind.
        const std::string name = entry.name;
        const std::string ending = entry.kind == Tac1_kind::get          ? "_get"
                                   : entry.kind == Tac1_kind::indication ? "_indication"
                                                                         : "_set";
        QVERIFY2(name.size() > ending.size() &&
                     name.compare(name.size() - ending.size(), ending.size(), ending) == 0,
                 entry.name);
        QVERIFY2(name.rfind("Tac1_", 0) == 0, entry.name);
    }
}

void Tst_catalogue::self_check_passes()
{
    QCOMPARE(vq::tac1_catalogue_problem(), static_cast<const char*>(nullptr));
}

// Partners found by name: a set pairs with the get of the same subject, and
// a set without such a get is a command. The table must agree.
void Tst_catalogue::partners_follow_the_names()
{
    std::map<std::string, const vq::Tac1_catalogue_entry*> by_name;
    for (const auto& entry : tac1_catalogue) {
        by_name[entry.name] = &entry;
    }
    int pairs = 0;
    for (const auto& entry : tac1_catalogue) {
        const std::string name = entry.name;
        const std::string subject = name.substr(0, name.rfind('_'));
        if (entry.kind == Tac1_kind::set || entry.kind == Tac1_kind::command) {
            const auto get = by_name.find(subject + "_get");
            if (get == by_name.end()) {
                QVERIFY2(entry.kind == Tac1_kind::command, entry.name);
                QCOMPARE(entry.partner, 0u);
            } else {
                QVERIFY2(entry.kind == Tac1_kind::set, entry.name);
                QCOMPARE(entry.partner, get->second->identifier);
                ++pairs;
            }
        } else if (entry.kind == Tac1_kind::get) {
            const auto set = by_name.find(subject + "_set");
            QVERIFY2(set != by_name.end(), entry.name);
            QCOMPARE(entry.partner, set->second->identifier);
        } else {
            QCOMPARE(entry.partner, 0u);
        }
    }
    QCOMPARE(pairs, 223);
}

void Tst_catalogue::partners_data()
{
    QTest::addColumn<std::uint32_t>("set");
    QTest::addColumn<std::uint32_t>("get");
    // The three pairs that break the plus-one rule, and regular ones.
    QTest::newRow("data path") << 0x000A0015u << 0x000A0014u;
    QTest::newRow("dte configuration") << 0x01F4000Fu << 0x01F40028u;
    QTest::newRow("dte port data rate") << 0x01F40010u << 0x01F40029u;
    QTest::newRow("audio tx output level") << 0x00020001u << 0x00020002u;
    QTest::newRow("system mode") << 0x000300AAu << 0x000300ABu;
    QTest::newRow("register for set indications") << 0x012C0001u << 0x012C0002u;
    QTest::newRow("gpp test result") << 0x02BC0023u << 0x02BC0024u;
}

void Tst_catalogue::partners()
{
    QFETCH(std::uint32_t, set);
    QFETCH(std::uint32_t, get);
    const auto* s = vq::tac1_find(set);
    const auto* g = vq::tac1_find(get);
    QVERIFY(s != nullptr && g != nullptr);
    QCOMPARE(s->kind, Tac1_kind::set);
    QCOMPARE(g->kind, Tac1_kind::get);
    QCOMPARE(s->partner, get);
    QCOMPARE(g->partner, set);
    QCOMPARE(vq::tac1_build_identifier(*s, vq::Tac_message_types::RESPONSE), get);
    QCOMPARE(vq::tac1_build_identifier(*s, vq::Tac_message_types::INDICATION), set);
}

void Tst_catalogue::names_data()
{
    QTest::addColumn<std::uint32_t>("identifier");
    QTest::addColumn<QString>("name");
    QTest::newRow("first") << 0x00000001u << "Tac1_msg_modem_ctrl_reset_set";
    QTest::newRow("gap in group 0") << 0x00000002u << "UNKNOWN";
    QTest::newRow("zero") << 0x00000000u << "UNKNOWN";
    QTest::newRow("software version") << 0x00000017u << "Tac1_system_software_ver_set";
    QTest::newRow("lqa") << 0x000300ACu << "Tac1_msg_wf_lqa_indication";
    QTest::newRow("data path get") << 0x000A0014u << "Tac1_msg_data_path_get";
    QTest::newRow("data path set") << 0x000A0015u << "Tac1_msg_data_path_set";
    QTest::newRow("gps position") << 0x000C0087u << "Tac1_gps_position_at_last_pps_indication";
    QTest::newRow("unregister all")
        << 0x012C0009u << "Tac1_msg_unregister_for_all_indications_indication";
    QTest::newRow("module sn and mac") << 0x01F4003Eu << "Tac1_msg_module_sn_and_mac_set";
    QTest::newRow("last") << 0x02BC0024u << "Tac1_msg_lz7_hw_testing_gpp_test_result_get";
    QTest::newRow("past the last") << 0x02BC0025u << "UNKNOWN";
    QTest::newRow("limit") << 0x0320001Cu << "UNKNOWN";
    QTest::newRow("all ones") << 0xFFFFFFFFu << "UNKNOWN";
}

void Tst_catalogue::names()
{
    QFETCH(std::uint32_t, identifier);
    QFETCH(QString, name);
    QCOMPARE(QString(vq::tac1_message_name(identifier)), name);
    const auto* entry = vq::tac1_find_by_name(name.toLatin1().constData());
    if (name == "UNKNOWN") {
        QVERIFY(entry == nullptr);
        QVERIFY(vq::tac1_find(identifier) == nullptr);
    } else {
        QVERIFY(entry != nullptr);
        QCOMPARE(entry->identifier, identifier);
        QCOMPARE(vq::tac1_find(identifier), entry);
    }
}

void Tst_catalogue::older_names_without_msg()
{
    const char* older[] = {"Tac1_system_software_ver_set",
                           "Tac1_system_software_ver_get",
                           "Tac1_system_modem_address_setup_set",
                           "Tac1_system_modem_address_setup_get",
                           "Tac1_system_build_time_set",
                           "Tac1_system_build_time_get",
                           "Tac1_system_tag_name_set",
                           "Tac1_system_tag_name_get",
                           "Tac1_system_gps_time_date_on_next_pps_set",
                           "Tac1_system_top_level_sw_version_set",
                           "Tac1_system_top_level_sw_version_get",
                           "Tac1_gps_position_at_last_pps_indication",
                           "Tac1_gps_time_at_last_pps_indication",
                           "Tac1_gps_received_data_at_last_pps_set",
                           "Tac1_delay_initial_data_to_tx_voice_set",
                           "Tac1_delay_initial_data_to_tx_voice_get"};
    for (const char* name : older) {
        QVERIFY2(vq::tac1_find_by_name(name) != nullptr, name);
    }
    int without_msg = 0;
    for (const auto& entry : tac1_catalogue) {
        without_msg += std::string(entry.name).rfind("Tac1_msg_", 0) == 0 ? 0 : 1;
    }
    QCOMPARE(without_msg, 16);
}

void Tst_catalogue::classes_carry_their_row_data()
{
    QTest::addColumn<std::uint32_t>("identifier");
    QTest::addColumn<Tac1_kind>("kind");
    QTest::addColumn<std::uint32_t>("class_identifier");
    QTest::addColumn<Tac1_kind>("class_kind");
    QTest::addColumn<std::uint32_t>("class_partner");
    QTest::newRow("Tac1_msg_audio_tx_output_level_set")
        << 0x00020001u << Tac1_kind::set
        << vq::Tac1_msg_audio_tx_output_level_set::message_identifier
        << vq::Tac1_msg_audio_tx_output_level_set::message_kind
        << vq::Tac1_msg_audio_tx_output_level_set::partner_identifier;
    QTest::newRow("Tac1_msg_data_path_get")
        << 0x000A0014u << Tac1_kind::get << vq::Tac1_msg_data_path_get::message_identifier
        << vq::Tac1_msg_data_path_get::message_kind
        << vq::Tac1_msg_data_path_get::partner_identifier;
    QTest::newRow("Tac1_msg_modem_ctrl_reset_set")
        << 0x00000001u << Tac1_kind::command
        << vq::Tac1_msg_modem_ctrl_reset_set::message_identifier
        << vq::Tac1_msg_modem_ctrl_reset_set::message_kind
        << vq::Tac1_msg_modem_ctrl_reset_set::partner_identifier;
    QTest::newRow("Tac1_msg_od_vad_audio_signal_loss_indication")
        << 0x00120007u << Tac1_kind::indication
        << vq::Tac1_msg_od_vad_audio_signal_loss_indication::message_identifier
        << vq::Tac1_msg_od_vad_audio_signal_loss_indication::message_kind
        << vq::Tac1_msg_od_vad_audio_signal_loss_indication::partner_identifier;
}

void Tst_catalogue::classes_carry_their_row()
{
    QFETCH(std::uint32_t, identifier);
    QFETCH(Tac1_kind, kind);
    QFETCH(std::uint32_t, class_identifier);
    QFETCH(Tac1_kind, class_kind);
    QFETCH(std::uint32_t, class_partner);
    QCOMPARE(class_identifier, identifier);
    QCOMPARE(class_kind, kind);
    QCOMPARE(class_partner, vq::tac1_find(identifier)->partner);
}

void Tst_catalogue::header_rules_data()
{
    QTest::addColumn<std::uint32_t>("own");
    QTest::addColumn<std::uint32_t>("identifier");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("error");
    const std::uint32_t set = 0x00020001;
    const std::uint32_t get = 0x00020002;
    const std::uint32_t command = 0x00000001;
    const std::uint32_t indication = 0x000300AC;
    QTest::newRow("set own request") << set << set << 2 << 0;
    QTest::newRow("set own indication") << set << set << 4 << 0;
    QTest::newRow("set own response") << set << set << 3 << 4;
    QTest::newRow("set own ack") << set << set << 0 << 4;
    QTest::newRow("set own invalid") << set << set << 5 << 4;
    QTest::newRow("set partner response") << set << get << 3 << 0;
    QTest::newRow("set partner request") << set << get << 2 << 5;
    QTest::newRow("set foreign response") << set << 0x00050001u << 3 << 0;
    QTest::newRow("set foreign nack") << set << 0x00050001u << 1 << 5;
    QTest::newRow("command own request") << command << command << 2 << 0;
    QTest::newRow("command own response") << command << command << 3 << 4;
    QTest::newRow("get own request") << get << get << 2 << 0;
    QTest::newRow("get own response") << get << get << 3 << 4;
    QTest::newRow("get own indication") << get << get << 4 << 4;
    QTest::newRow("get other request") << get << set << 2 << 5;
    QTest::newRow("indication own") << indication << indication << 4 << 0;
    QTest::newRow("indication own request") << indication << indication << 2 << 4;
    QTest::newRow("indication other") << indication << set << 4 << 5;
}

void Tst_catalogue::header_rules()
{
    QFETCH(std::uint32_t, own);
    QFETCH(std::uint32_t, identifier);
    QFETCH(int, type);
    QFETCH(int, error);
    const auto* entry = vq::tac1_find(own);
    QVERIFY(entry != nullptr);
    QCOMPARE(vq::tac1_header_error(*entry, identifier, static_cast<vq::Tac_message_types>(type)),
             error);
}

QTEST_APPLESS_MAIN(Tst_catalogue)
#include "tst_catalogue.moc"
