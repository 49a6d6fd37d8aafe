// The Radio Control panel on its own: the operator's choices, the modem's
// replies and reports, the radio control status and the lock while 2G ALE is
// enabled, read from the frames the modem interface sends.

#include "log_recorder.h"
#include "radio_panel_fixture.h"
#include "widget_tree.h"

#include <QtTest>

class Tst_radio_control_panel : public QObject
{
    Q_OBJECT

private slots:
    void captions_name_the_controls_data();
    void captions_name_the_controls();
    void selecting_a_radio_data();
    void selecting_a_radio();
    void choosing_no_radio_control();
    void refused_radio_asks_the_modem();
    void radio_select_report_data();
    void radio_select_report();
    void fixed_frequency_report_data();
    void fixed_frequency_report();
    void fixed_frequency_report_without_a_radio();
    void operator_settings_data();
    void operator_settings();
    void radio_status_by_state_data();
    void radio_status_by_state();
    void answers_count_for_the_initialisation_first();
    void log_only_replies();
    void locked_while_ale_is_enabled_data();
    void locked_while_ale_is_enabled();
};

void Tst_radio_control_panel::captions_name_the_controls_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("control");
    QTest::newRow("Radio Model:") << "Radio Model:" << 0;
    QTest::newRow("Frequency:") << "Frequency:" << 1;
    QTest::newRow("Modulation:") << "Modulation:" << 2;
    QTest::newRow("Tx Power:") << "Tx Power:" << 3;
    QTest::newRow("Radio Status:") << "Radio Status:" << 4;
}

void Tst_radio_control_panel::captions_name_the_controls()
{
    QFETCH(QString, caption);
    QFETCH(int, control);

    Radio_panel_fixture f;
    const QWidget* controls[] = {f.panel.radio_model_selector, f.panel.radio_frequency_spin_box,
                                 f.panel.radio_modulation_selector, f.panel.radio_power_selector,
                                 f.panel.radio_status_label};
    const QWidget* buddy = nullptr;
    for (const QLabel* label : f.panel.findChildren<QLabel*>()) {
        if (vq_qt::widget_tree::displayed_text(label) == caption) {
            QVERIFY2(!buddy, "caption shown twice");
            buddy = label->buddy();
        }
    }
    QCOMPARE(buddy, controls[control]);
}

void Tst_radio_control_panel::selecting_a_radio_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QList<int>>("presets");
    QTest::newRow("Icom IC-F8101") << "Icom IC-F8101" << QList<int>{-30};
    QTest::newRow("a name starting with it") << "Icom IC-F8101 Mk2" << QList<int>{-30};
    QTest::newRow("Manpack HF-2") << "Manpack HF-2" << QList<int>{};
}

void Tst_radio_control_panel::selecting_a_radio()
{
    QFETCH(QString, radio);
    QFETCH(QList<int>, presets);

    Radio_panel_fixture f(QByteArray(Radio_panel_fixture::shipped_list) + "Icom IC-F8101 Mk2\n");
    QSignalSpy preset(&f.panel, &Radio_control_panel::audio_tx_level_preset);

    QVERIFY(choose(f.panel.radio_model_selector, radio));
    // Nothing more until the modem has taken the selection.
    QCOMPARE(f.sent(), QStringList{radio_select_frame(radio.toUtf8())});
    QCOMPARE(f.settings_enabled(), QList<bool>({false, false, false}));

    f.panel._handle_radio_select_set_ack();
    QCOMPARE(f.sent(),
             QStringList({ask_fixed_frequency_frame, activation_frame(1), activation_frame(2)}));
    QCOMPARE(f.settings_enabled(), QList<bool>({true, true, true}));
    QCOMPARE(f.modulations(), QStringList({"USB", "LSB"}));
    QCOMPARE(f.powers(), QStringList({"Low", "High"}));
    QCOMPARE(f.panel.radio_modulation_selector->currentData().toInt(), 1);
    QCOMPARE(f.panel.radio_power_selector->currentData().toInt(), 1);
    QList<int> levels;
    for (const QList<QVariant>& call : preset) {
        levels << call.at(0).toInt();
    }
    QCOMPARE(levels, presets);
}

void Tst_radio_control_panel::choosing_no_radio_control()
{
    Radio_panel_fixture f;
    f.select_acknowledged("Icom IC-F8101");
    QSignalSpy preset(&f.panel, &Radio_control_panel::audio_tx_level_preset);

    QVERIFY(choose(f.panel.radio_model_selector, "No Radio Control"));
    QCOMPARE(f.sent(), QStringList({radio_select_frame("No Radio"), activation_frame(1)}));
    QCOMPARE(f.settings_enabled(), QList<bool>({false, false, false}));
    QVERIFY(f.modulations().isEmpty());
    QVERIFY(f.powers().isEmpty());

    // Its acknowledgement asks for nothing more.
    f.panel._handle_radio_select_set_ack();
    QVERIFY(f.sent().isEmpty());
    QCOMPARE(f.settings_enabled(), QList<bool>({false, false, false}));
    QCOMPARE(preset.count(), 0);
}

void Tst_radio_control_panel::refused_radio_asks_the_modem()
{
    Radio_panel_fixture f;
    QVERIFY(choose(f.panel.radio_model_selector, "Manpack HF-2"));
    f.sent();

    f.panel._handle_radio_select_set_nack();
    QCOMPARE(f.panel.radio_status_label->text(),
             QString("<font color='red'>Radio control not available</font>"));
    QCOMPARE(f.sent(), QStringList{ask_radio_select_frame});
    QCOMPARE(f.panel.radio_model_selector->currentText(), QString("Manpack HF-2"));

    // The modem's answer selects what it has.
    f.panel._handle_radio_select_request_response(1, "No Radio");
    QCOMPARE(f.panel.radio_model_selector->currentText(), QString("No Radio Control"));
    QCOMPARE(f.sent(), QStringList{activation_frame(1)});
}

void Tst_radio_control_panel::radio_select_report_data()
{
    QTest::addColumn<QString>("shown"); // radio acknowledged before, or empty
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("reported");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QString>("selected");

    const QStringList none = {radio_select_frame("No Radio"), activation_frame(1)};
    QTest::newRow("port 2 changes nothing")
        << "Manpack HF-2" << 2 << "Icom IC-F8101" << QStringList{} << "Manpack HF-2";
    QTest::newRow("No Radio") << "Manpack HF-2" << 1 << "No Radio"
                              << QStringList{activation_frame(1)} << "No Radio Control";
    QTest::newRow("starting with No Radio")
        << "" << 1 << "No Radio attached" << QStringList{activation_frame(1)} << "No Radio Control";
    QTest::newRow("a listed radio")
        << "" << 1 << "Manpack HF-2" << QStringList({activation_frame(1), activation_frame(2)})
        << "Manpack HF-2";
    QTest::newRow("another listed radio")
        << "Icom IC-F8101" << 1 << "Base Station HF-400"
        << QStringList({activation_frame(1), activation_frame(2)}) << "Base Station HF-400";
    QTest::newRow("an unlisted radio") << "" << 1 << "Unknown HF-9" << none << "No Radio Control";
    QTest::newRow("an unlisted radio while one is shown")
        << "Manpack HF-2" << 1 << "Unknown HF-9" << none << "No Radio Control";
    QTest::newRow("no radio in lower case is unlisted")
        << "" << 1 << "no radio" << none << "No Radio Control";
    QTest::newRow("the start of a listed name is unlisted")
        << "" << 1 << "Icom" << none << "No Radio Control";
}

void Tst_radio_control_panel::radio_select_report()
{
    QFETCH(QString, shown);
    QFETCH(int, port);
    QFETCH(QString, reported);
    QFETCH(QStringList, frames);
    QFETCH(QString, selected);

    Radio_panel_fixture f;
    if (!shown.isEmpty()) {
        f.select_acknowledged(shown);
    }
    // The report does not echo back as the operator's choice: only the
    // frames listed go out.
    f.panel._handle_radio_select_request_response(uchar(port), reported);
    QCOMPARE(f.sent(), frames);
    QCOMPARE(f.panel.radio_model_selector->currentText(), selected);
    const bool radio = selected != "No Radio Control";
    QCOMPARE(f.settings_enabled(), QList<bool>({radio, radio, radio}));
    QCOMPARE(f.modulations().isEmpty(), !radio);

    // The acknowledgement of a "No Radio" sent here activates nothing.
    f.panel._handle_radio_select_set_ack();
    const QStringList after_ack = f.sent();
    QCOMPARE(after_ack.isEmpty(), !radio);
}

void Tst_radio_control_panel::fixed_frequency_report_data()
{
    QTest::addColumn<uint>("rx_freq");
    QTest::addColumn<uint>("tx_freq");
    QTest::addColumn<int>("power");
    QTest::addColumn<int>("rx_mode");
    QTest::addColumn<int>("tx_mode");
    QTest::addColumn<int>("shown_freq");
    QTest::addColumn<QString>("shown_power");
    QTest::addColumn<QString>("shown_mode");
    QTest::addColumn<QStringList>("frames");

    QTest::newRow("one frequency and mode")
        << 7500000u << 7500000u << 2 << 2 << 2 << 7500000 << "High"
        << "LSB" << QStringList{};
    QTest::newRow("rx_freq differs: tx_freq sent as both")
        << 7000000u << 7500000u << 1 << 1 << 1 << 7500000 << "Low"
        << "USB" << QStringList{fixed_frequency_frame(7500000, 1, 1)};
    QTest::newRow("rx_mode differs: tx_mode sent as both")
        << 9000000u << 9000000u << 2 << 1 << 2 << 9000000 << "High"
        << "LSB" << QStringList{fixed_frequency_frame(9000000, 2, 2)};
    QTest::newRow("power not offered: the first")
        << 9000000u << 9000000u << 3 << 2 << 2 << 9000000 << "Low"
        << "LSB" << QStringList{fixed_frequency_frame(9000000, 1, 2)};
    QTest::newRow("mode not offered: the first")
        << 9000000u << 9000000u << 2 << 7 << 7 << 9000000 << "High"
        << "USB" << QStringList{fixed_frequency_frame(9000000, 2, 1)};
    // Outside the range: shown at its nearest end, never sent back (that
    // would retune the radio).
    QTest::newRow("above the range: its top")
        << 40000000u << 40000000u << 1 << 1 << 1 << 30000000 << "Low"
        << "USB" << QStringList{};
    QTest::newRow("no frequency: the range's bottom") << 0u << 0u << 1 << 1 << 1 << 1500000 << "Low"
                                                      << "USB" << QStringList{};
    QTest::newRow("beyond a signed int, rx_freq and mode differ")
        << 7000000u << 0x90000000u << 1 << 2 << 1 << 30000000 << "Low"
        << "USB" << QStringList{};
}

void Tst_radio_control_panel::fixed_frequency_report()
{
    QFETCH(uint, rx_freq);
    QFETCH(uint, tx_freq);
    QFETCH(int, power);
    QFETCH(int, rx_mode);
    QFETCH(int, tx_mode);
    QFETCH(int, shown_freq);
    QFETCH(QString, shown_power);
    QFETCH(QString, shown_mode);
    QFETCH(QStringList, frames);

    Radio_panel_fixture f;
    f.select_acknowledged("Manpack HF-2");
    f.panel._handle_radio_fixed_freq_parameters_request_response(0, rx_freq, tx_freq, uchar(power),
                                                                 uchar(rx_mode), uchar(tx_mode));
    QCOMPARE(f.panel.radio_frequency_spin_box->value(), shown_freq);
    QCOMPARE(f.panel.radio_power_selector->currentText(), shown_power);
    QCOMPARE(f.panel.radio_modulation_selector->currentText(), shown_mode);
    // The controls' own signals stay quiet: only the frames listed go out.
    QCOMPARE(f.sent(), frames);
}

void Tst_radio_control_panel::fixed_frequency_report_without_a_radio()
{
    Radio_panel_fixture f;
    const int before = f.panel.radio_frequency_spin_box->value();
    f.panel._handle_radio_fixed_freq_parameters_request_response(0, 7000000, 7500000, 2, 1, 2);
    QCOMPARE(f.panel.radio_frequency_spin_box->value(), before);
    QVERIFY(f.modulations().isEmpty());
    QVERIFY(f.sent().isEmpty());
}

void Tst_radio_control_panel::operator_settings_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("frame");
    QTest::newRow("frequency") << "Frequency:"
                               << "14000000" << fixed_frequency_frame(14000000, 1, 1);
    QTest::newRow("modulation") << "Modulation:"
                                << "LSB" << fixed_frequency_frame(1500000, 1, 2);
    QTest::newRow("power") << "Tx Power:"
                           << "High" << fixed_frequency_frame(1500000, 2, 1);
}

void Tst_radio_control_panel::operator_settings()
{
    QFETCH(QString, control);
    QFETCH(QString, value);
    QFETCH(QString, frame);

    Radio_panel_fixture f;
    f.select_acknowledged("Icom IC-F8101");
    if (control == "Frequency:") {
        f.panel.radio_frequency_spin_box->setValue(value.toInt());
    } else {
        QVERIFY(choose(control == "Tx Power:" ? f.panel.radio_power_selector
                                              : f.panel.radio_modulation_selector,
                       value));
    }
    QCOMPARE(f.sent(), QStringList{frame});
}

void Tst_radio_control_panel::radio_status_by_state_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    const QString unchanged = "before";
    const char* const texts[] = {nullptr, "-", "-",           "<font color='red'>Error</font>",
                                 "Ready", "-", "Initialising"};
    for (int state = 0; state <= 6; ++state) {
        QTest::addRow("%d", state) << state << (texts[state] ? QString(texts[state]) : unchanged);
    }
    for (int state : {7, 9, 255}) {
        QTest::addRow("%d", state) << state << unchanged;
    }
}

void Tst_radio_control_panel::radio_status_by_state()
{
    QFETCH(int, state);
    QFETCH(QString, text);

    Radio_panel_fixture f;
    f.panel.radio_status_label->setText("before");
    Log_recorder log;
    f.panel._handle_rcm_status_indication(uchar(state), 5);
    QCOMPARE(f.panel.radio_status_label->text(), text);
    const QStringList lines = log.in("resp_handle");
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.at(0).contains(QString(", state: %1").arg(state)) &&
                 lines.at(0).contains(", error_code: 5"),
             qPrintable(lines.at(0)));

    f.panel.reset_status_readouts();
    QCOMPARE(f.panel.radio_status_label->text(), QString("-"));
}

void Tst_radio_control_panel::answers_count_for_the_initialisation_first()
{
    // Counted even when the answer changes nothing else.
    Radio_panel_fixture f;
    f.panel._handle_radio_select_request_response(2, "Icom IC-F8101");
    f.panel._handle_radio_channel_change_and_atu_tune_time_request_response(50, 50, 100, 3000);
    f.panel._handle_radio_fixed_freq_parameters_request_response(0, 7500000, 7500000, 1, 1, 1);
    f.panel._handle_radio_control_activation_request_response(2);
    f.panel._handle_rcm_status_indication(4, 0);
    QCOMPARE(f.connection.counted,
             QList<Init_response>({INIT_RESP_RADIO_MODEL, INIT_RESP_CHAN_CHANGE_AND_ATU_TUNE_TIME,
                                   INIT_RESP_FF_PARAMETERS}));
}

void Tst_radio_control_panel::log_only_replies()
{
    struct Reply
    {
        void (Radio_control_panel::*handler)();
        const char* name;
        QtMsgType level;
    };
    const Reply replies[] = {
        {&Radio_control_panel::_handle_radio_select_request_nack,
         "_handle_radio_select_request_nack", QtWarningMsg},
        {&Radio_control_panel::_handle_radio_control_activation_set_ack,
         "_handle_radio_control_activation_set_ack", QtDebugMsg},
        {&Radio_control_panel::_handle_radio_control_activation_set_nack,
         "_handle_radio_control_activation_set_nack", QtWarningMsg},
        {&Radio_control_panel::_handle_radio_control_activation_request_nack,
         "_handle_radio_control_activation_request_nack", QtWarningMsg},
        {&Radio_control_panel::_handle_radio_channel_change_and_atu_tune_time_set_ack,
         "_handle_radio_channel_change_and_atu_tune_time_set_ack", QtDebugMsg},
        {&Radio_control_panel::_handle_radio_channel_change_and_atu_tune_time_set_nack,
         "_handle_radio_channel_change_and_atu_tune_time_set_nack", QtWarningMsg},
        {&Radio_control_panel::_handle_radio_channel_change_and_atu_tune_time_request_nack,
         "_handle_radio_channel_change_and_atu_tune_time_request_nack", QtWarningMsg},
        {&Radio_control_panel::_handle_radio_fixed_freq_parameters_set_ack,
         "_handle_radio_fixed_freq_parameters_set_ack", QtDebugMsg},
        {&Radio_control_panel::_handle_radio_fixed_freq_parameters_set_nack,
         "_handle_radio_fixed_freq_parameters_set_nack", QtWarningMsg},
        {&Radio_control_panel::_handle_radio_fixed_freq_parameters_request_nack,
         "_handle_radio_fixed_freq_parameters_request_nack", QtWarningMsg},
    };
    Radio_panel_fixture f;
    f.select_acknowledged("Manpack HF-2");
    f.panel.radio_status_label->setText("before");
    for (const Reply& reply : replies) {
        Log_recorder log;
        (f.panel.*reply.handler)();
        QCOMPARE(log.entries.size(), 1);
        QCOMPARE(log.entries.at(0).category, QString("resp_handle"));
        QVERIFY2(log.entries.at(0).message.contains(reply.name), reply.name);
        QCOMPARE(log.entries.at(0).type, reply.level);
    }
    QVERIFY(f.sent().isEmpty());
    QVERIFY(f.connection.counted.isEmpty());
    QCOMPARE(f.panel.radio_status_label->text(), QString("before"));
    QCOMPARE(f.panel.radio_model_selector->currentText(), QString("Manpack HF-2"));
}

void Tst_radio_control_panel::locked_while_ale_is_enabled_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QString>("reported"); // the modem's radio while locked, or empty
    const QStringList none = {radio_select_frame("No Radio"), activation_frame(1)};
    QTest::newRow("a radio selected: No Radio sent") << "Manpack HF-2" << none << QString();
    QTest::newRow("No Radio Control already: nothing sent") << "" << QStringList{} << QString();
    QTest::newRow("a listed radio reported: No Radio sent, none selected")
        << "" << none << "Manpack HF-2";
}

void Tst_radio_control_panel::locked_while_ale_is_enabled()
{
    QFETCH(QString, shown);
    QFETCH(QStringList, frames);
    QFETCH(QString, reported);

    Radio_panel_fixture f;
    if (!shown.isEmpty()) {
        f.select_acknowledged(shown);
    }
    f.panel.set_locked_by_ale(true);
    if (!reported.isEmpty()) {
        f.panel._handle_radio_select_request_response(1, reported);
    }
    QCOMPARE(f.sent(), frames);
    QCOMPARE(f.panel.radio_model_selector->currentText(), QString("No Radio Control"));
    QVERIFY(!f.panel.radio_model_selector->isEnabled());
    QCOMPARE(f.settings_enabled(), QList<bool>({false, false, false}));

    f.panel.set_locked_by_ale(false);
    QVERIFY(f.panel.radio_model_selector->isEnabled());
    QCOMPARE(f.panel.radio_model_selector->currentText(), QString("No Radio Control"));
    QVERIFY(f.sent().isEmpty());
}

QTEST_MAIN(Tst_radio_control_panel)
#include "tst_radio_control_panel.moc"
