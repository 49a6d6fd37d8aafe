// The Modem Control panel and the DTE port selectors of the Data Interface
// panel: transmit audio level, waveform, data rate and interleaver, the
// de-acquire limit, the DTE port mode and settings, Tx Kill and Rx Reset, and
// the replies that keep these controls in step with the modem.

#include "modem_control_panel.h"

#include "connection_link.h"
#include "log_categories.h"
#include "modem_control_tables.h"
#include "qmodem_interface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>

namespace vq_qt {

using namespace modem_control;

namespace {

constexpr const char* auto_update_key = "Auto Update Tx OTA Rate";
constexpr const char* tx_kill_text = "Tx Kill";
constexpr const char* tx_resume_text = "Tx Resume";

constexpr uchar ota_tx_and_rx = 3;
constexpr uchar ota_report_tx = 1;
constexpr uchar isb_activation_on = 1;
constexpr uchar audio_port_1 = 1;

constexpr uchar dte_port_mode_std_async = 1;
constexpr uchar dte_port_mode_hsp_async = 3;

// The activity mode that goes with the standard asynchronous port mode.
constexpr uchar activity_mode = 2;
constexpr uchar activity_tx_start_mode = 1;
constexpr char activity_sync_start_pattern[4] = {'0', '0', '0', '0'};
constexpr uchar activity_sync_stop = 32;
constexpr uchar activity_reserved = 0;
constexpr ushort activity_async_stop = 300;

constexpr int deacquire_default = 1;
constexpr int flow_control_default = 1;

QComboBox* filled_selector(QWidget* parent, const Selector_table& table)
{
    auto* box = new QComboBox(parent);
    fill_selector(box, table);
    return box;
}

QLabel* bold(const char* text, QWidget* parent)
{
    return new QLabel(QStringLiteral("<b>%1</b>").arg(QLatin1String(text)), parent);
}

} // namespace

// Construction.

Modem_control_panel::Modem_control_panel(vq_qt::QModem_interface* modem_interface,
                                         Connection_link* connection, QWidget* parent)
    : QGroupBox(parent), modem_interface(modem_interface), connection(connection)
{
    _init_modem_control_panel();
    _init_dte_port_selectors();
}

void Modem_control_panel::_init_dte_port_selectors()
{
    // Children of this panel until the Data Interface panel places them.
    port_rate_selector = filled_selector(this, port_rate_table());
    data_format_selector = filled_selector(this, data_format_table());
    flow_control_selector = filled_selector(this, flow_control_table());
    for (QComboBox* box : {port_rate_selector, data_format_selector, flow_control_selector}) {
        box->hide();
    }
    connect(port_rate_selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Modem_control_panel::_ui_action_kx5_port_rate_selected);
    connect(data_format_selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Modem_control_panel::_ui_action_kx5_bit_mode_selected);
    connect(flow_control_selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Modem_control_panel::_ui_action_kx5_flow_control_selected);
}

void Modem_control_panel::_init_modem_control_panel()
{
    QWidget* panel = this;
    auto* grid = new QGridLayout(panel);

    const char* const headers[] = {"&Audio Level", "&Waveform", "Data &Rate [bps]", "&Interleaver",
                                   "Status"};
    QLabel* header_labels[5] = {};
    for (int column = 1; column <= 5; ++column) {
        header_labels[column - 1] = bold(headers[column - 1], panel);
        grid->addWidget(header_labels[column - 1], 0, column, 1, 1);
    }
    grid->addWidget(bold("TX:", panel), 1, 0, 1, 1);
    grid->addWidget(bold("RX:", panel), 2, 0, 1, 1);

    // Transmit row.
    audio_tx_level_spin_box = new QSpinBox(panel);
    audio_tx_level_spin_box->setRange(-50, 0);
    audio_tx_level_spin_box->setSingleStep(1);
    audio_tx_level_spin_box->setSuffix(" dB");
    waveform_selector = new QComboBox(panel);
    data_rate_selector = new QComboBox(panel);
    interleaver_selector = new QComboBox(panel);
    tx_status_label = new QLabel("Idle", panel);
    tx_status_label->setTextFormat(Qt::RichText);
    tx_kill_button = new QPushButton(tx_kill_text, panel);
    grid->addWidget(audio_tx_level_spin_box, 1, 1, 1, 1);
    grid->addWidget(waveform_selector, 1, 2, 1, 1);
    grid->addWidget(data_rate_selector, 1, 3, 1, 1);
    grid->addWidget(interleaver_selector, 1, 4, 1, 1);
    grid->addWidget(tx_status_label, 1, 5, 1, 1);
    grid->addWidget(tx_kill_button, 1, 6, 1, 1);
    // Each column header names the transmit control below it (screen readers
    // and the operator commands find the control by it).
    header_labels[0]->setBuddy(audio_tx_level_spin_box);
    header_labels[1]->setBuddy(waveform_selector);
    header_labels[2]->setBuddy(data_rate_selector);
    header_labels[3]->setBuddy(interleaver_selector);

    // Receive row.
    audio_rx_level_label = new QLabel(panel);
    waveform_name_label = new QLabel(panel);
    rx_data_rate_label = new QLabel("-", panel);
    rx_interleaver_label = new QLabel("-", panel);
    rx_status_label = new QLabel("Hunting", panel);
    rx_status_label->setTextFormat(Qt::RichText);
    rx_reset_button = new QPushButton("Rx Reset", panel);
    grid->addWidget(audio_rx_level_label, 2, 1, 1, 1);
    grid->addWidget(waveform_name_label, 2, 2, 1, 1);
    grid->addWidget(rx_data_rate_label, 2, 3, 1, 1);
    grid->addWidget(rx_interleaver_label, 2, 4, 1, 1);
    grid->addWidget(rx_status_label, 2, 5, 1, 1);
    grid->addWidget(rx_reset_button, 2, 6, 1, 1);

    // OTA Mode row.
    std_async_button = new QRadioButton("Standard Async", panel);
    hsp_async_button = new QRadioButton("High-Speed Async", panel);
    auto_update_tx_ota_rate_check_box = new QCheckBox("Auto Update Tx Data Rate", panel);
    deacquire_selector = filled_selector(panel, deacquire_table());
    grid->addWidget(new QLabel("OTA Mode:", panel), 4, 0, 1, 1);
    grid->addWidget(std_async_button, 4, 1, 1, 1);
    grid->addWidget(hsp_async_button, 4, 2, 1, 1);
    grid->addWidget(auto_update_tx_ota_rate_check_box, 4, 3, 1, 1);
    auto* deacquire_caption = new QLabel("&De-Acquire:", panel);
    deacquire_caption->setBuddy(deacquire_selector);
    grid->addWidget(deacquire_caption, 4, 4, 1, 1);
    grid->addWidget(deacquire_selector, 4, 5, 1, 1);

    auto_update_tx_ota_rate_flag = QSettings().value(auto_update_key, false).toBool();
    auto_update_tx_ota_rate_check_box->setChecked(auto_update_tx_ota_rate_flag);

    connect(audio_tx_level_spin_box, qOverload<int>(&QSpinBox::valueChanged), this,
            &Modem_control_panel::_ui_action_audio_tx_level_change);
    connect(waveform_selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Modem_control_panel::_ui_action_waveform_change);
    connect(data_rate_selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Modem_control_panel::_ui_action_data_rate_change);
    connect(interleaver_selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Modem_control_panel::_ui_action_interleaver_change);
    connect(deacquire_selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Modem_control_panel::_ui_action_deacquire_limit_change);
    connect(tx_kill_button, &QPushButton::clicked, this,
            &Modem_control_panel::_ui_action_tx_kill_pause_resume);
    connect(rx_reset_button, &QPushButton::clicked, this,
            &Modem_control_panel::_ui_action_rx_reset);
    connect(std_async_button, &QRadioButton::clicked, this,
            &Modem_control_panel::_ui_action_dte_port_mode_change_std_async);
    connect(hsp_async_button, &QRadioButton::clicked, this,
            &Modem_control_panel::_ui_action_dte_port_mode_change_hsp_async);
    connect(auto_update_tx_ota_rate_check_box, &QCheckBox::stateChanged, this,
            &Modem_control_panel::_ui_action_auto_update_tx_ota_rate_change);
}

// Selector rebuilding and the OTA settings.

void Modem_control_panel::_fill_waveform_list()
{
    fill_selector(waveform_selector, waveform_table());
    waveform_name_label->setText(waveform_selector->currentText());
}

void Modem_control_panel::_fill_data_rate_list()
{
    fill_selector(data_rate_selector, data_rate_table(current_code(waveform_selector)));
}

void Modem_control_panel::_fill_interleaver_list()
{
    fill_selector(interleaver_selector, interleaver_table(current_code(waveform_selector),
                                                          current_code(data_rate_selector)));
}

void Modem_control_panel::_send_ota_settings_if_changed()
{
    const int waveform = current_code(waveform_selector);
    const int data_rate = current_code(data_rate_selector);
    const int interleaver = current_code(interleaver_selector);
    if (waveform < 0 || data_rate < 0 || interleaver < 0) {
        return; // nothing to send before the modem has reported its settings
    }
    const int encoding = ota_encoding(waveform, data_rate);
    if (waveform == last_ota_waveform && data_rate == last_ota_data_rate &&
        interleaver == last_ota_interleaver) {
        return;
    }
    modem_interface->set_psk_modem_ota_settings(ota_tx_and_rx, uchar(waveform), uchar(encoding),
                                                uchar(interleaver), uchar(data_rate),
                                                isb_activation_on);
    waveform_name_label->setText(waveform_selector->currentText());
    last_ota_waveform = uchar(waveform);
    last_ota_data_rate = uchar(data_rate);
    last_ota_interleaver = uchar(interleaver);
}

void Modem_control_panel::_apply_pending_ota_update()
{
    if (!pending_ota_update) {
        return;
    }
    // The selectors' own slots rebuild the interleaver list and send the new
    // settings, so their signals stay live here.
    select_code(interleaver_selector, pending_ota_interleaver);
    select_code(data_rate_selector, pending_ota_data_rate);
    // An interleaver that the old data rate did not offer can be chosen now.
    if (current_code(interleaver_selector) != pending_ota_interleaver) {
        select_code(interleaver_selector, pending_ota_interleaver);
    }
    pending_ota_update = false;
}

// Operator actions.

void Modem_control_panel::_ui_action_audio_tx_level_change(int value)
{
    // The level travels as a 16-bit two's complement value in half dB.
    modem_interface->set_audio_tx_output_level(audio_port_1, ushort(short(value * 2)));
}

void Modem_control_panel::_ui_action_waveform_change(int index)
{
    Q_UNUSED(index);
    const QSignalBlocker block_rates(data_rate_selector);
    const QSignalBlocker block_interleavers(interleaver_selector);
    waveform_name_label->setText(waveform_selector->currentText());
    _fill_data_rate_list();
    _fill_interleaver_list();
    _send_ota_settings_if_changed();
}

void Modem_control_panel::_ui_action_data_rate_change(int index)
{
    Q_UNUSED(index);
    const QSignalBlocker block_interleavers(interleaver_selector);
    _fill_interleaver_list();
    _send_ota_settings_if_changed();
}

void Modem_control_panel::_ui_action_interleaver_change(int index)
{
    Q_UNUSED(index);
    _send_ota_settings_if_changed();
}

void Modem_control_panel::_ui_action_deacquire_limit_change(int index)
{
    Q_UNUSED(index);
    const int code = current_code(deacquire_selector);
    if (code >= 0) {
        modem_interface->set_psk_modem_deacquire_limit(uchar(code));
    }
}

void Modem_control_panel::_ui_action_tx_kill_pause_resume()
{
    if (tx_kill_button->text() == tx_kill_text) {
        tx_kill_button->setText(tx_resume_text);
        modem_interface->set_psk_fsk_tx_kill(1);
        // The data path drops whatever the data application queued.
        emit tx_killed();
    } else {
        tx_kill_button->setText(tx_kill_text);
        modem_interface->set_psk_fsk_tx_kill(0);
        emit tx_resumed();
    }
}

void Modem_control_panel::kill_tx()
{
    if (tx_kill_button->isEnabled() && tx_kill_button->isVisible() &&
        tx_kill_button->text() == tx_kill_text) {
        tx_kill_button->click();
    }
}

void Modem_control_panel::_ui_action_rx_reset()
{
    modem_interface->set_psk_fsk_return_to_acquisition(1);
}

void Modem_control_panel::_ui_action_dte_port_mode_change_std_async()
{
    modem_interface->set_dte_port_mode(dte_port_mode_std_async);
}

void Modem_control_panel::_ui_action_dte_port_mode_change_hsp_async()
{
    modem_interface->set_dte_port_mode(dte_port_mode_hsp_async);
}

void Modem_control_panel::_ui_action_auto_update_tx_ota_rate_change(int state)
{
    auto_update_tx_ota_rate_flag = state != Qt::Unchecked;
    QSettings().setValue(auto_update_key, auto_update_tx_ota_rate_flag);
}

void Modem_control_panel::_send_dte_port_async_settings()
{
    const int rate = current_code(port_rate_selector);
    const int format = current_code(data_format_selector);
    if (rate < 0 || format < 0) {
        return;
    }
    modem_interface->set_dte_port_async_settings(uchar(rate), uchar(data_format_data_bits(format)),
                                                 uchar(data_format_stop_bits(format)),
                                                 uchar(data_format_parity(format)));
}

void Modem_control_panel::_ui_action_kx5_port_rate_selected(int index)
{
    Q_UNUSED(index);
    _send_dte_port_async_settings();
}

void Modem_control_panel::_ui_action_kx5_bit_mode_selected(int index)
{
    Q_UNUSED(index);
    _send_dte_port_async_settings();
}

void Modem_control_panel::_ui_action_kx5_flow_control_selected(int index)
{
    Q_UNUSED(index);
    const int code = current_code(flow_control_selector);
    if (code >= 0) {
        modem_interface->set_dte_port_async_flow_control(uchar(code));
    }
}

void Modem_control_panel::_send_dte_port_activity_mode()
{
    modem_interface->set_dte_port_activity_mode(activity_mode, activity_tx_start_mode,
                                                activity_sync_start_pattern, activity_sync_stop,
                                                activity_reserved, activity_async_stop);
}

// Replies that carry the modem's settings.

void Modem_control_panel::_handle_software_version_number_request_response(uchar version_index,
                                                                           QString version_string)
{
    qCDebug(lc_resp_handle) << __func__ << version_index << version_string;
    // The version and model are stored before the answer is counted: the
    // completion test logs the version and the connected status names the
    // model, and this answer may be the last one expected.
    connection->set_modem_software_version(version_string);
    connection->count_init_response(INIT_RESP_SW_VERSION);
    emit modem_version_reported(version_string);
}

void Modem_control_panel::_handle_psk_modem_ota_settings_request_response(
    uchar tx_rx, uchar waveform, uchar encoding, uchar interleaver_lenght, uchar data_rate,
    uchar isb_activation)
{
    qCDebug(lc_resp_handle) << __func__ << "tx_rx:" << tx_rx << "waveform:" << waveform
                            << "encoding:" << encoding
                            << "interleaver_lenght:" << interleaver_lenght
                            << "data_rate:" << data_rate << "isb_activation:" << isb_activation;
    connection->count_init_response(INIT_RESP_PSK_MODEM_OTA_SETTINGS);
    if (tx_rx != ota_report_tx) {
        return;
    }
    {
        const QSignalBlocker block_waveforms(waveform_selector);
        const QSignalBlocker block_rates(data_rate_selector);
        const QSignalBlocker block_interleavers(interleaver_selector);
        last_ota_waveform = waveform;
        last_ota_data_rate = data_rate;
        last_ota_interleaver = interleaver_lenght;
        _fill_waveform_list();
        if (!select_code(waveform_selector, waveform)) {
            select_code(waveform_selector, waveform_ms110a);
        }
        _fill_data_rate_list();
        select_code(data_rate_selector, data_rate);
        _fill_interleaver_list();
        select_code(interleaver_selector, interleaver_lenght);
        // Sends only when the panel had to fall back to its own defaults.
        _send_ota_settings_if_changed();
    }
    waveform_name_label->setText(waveform_selector->currentText());
}

void Modem_control_panel::_handle_psk_modem_deacquire_limit_request_response(uchar deacquire_limit)
{
    qCDebug(lc_resp_handle) << __func__ << deacquire_limit;
    connection->count_init_response(INIT_RESP_PSK_MODEM_DEACQUIRE_LIMIT);
    const QSignalBlocker block(deacquire_selector);
    if (!select_code(deacquire_selector, deacquire_limit)) {
        select_code(deacquire_selector, deacquire_default);
        modem_interface->set_psk_modem_deacquire_limit(deacquire_default);
    }
}

void Modem_control_panel::_handle_audio_tx_output_level_request_response(uchar port, short level)
{
    qCDebug(lc_resp_handle) << __func__ << port << level;
    connection->count_init_response(INIT_RESP_TX_AUDIO_LEVEL);
    if (port != audio_port_1) {
        return;
    }
    // Not blocked: the value the spin box takes (clamped to its range) goes
    // back to the modem as if the operator had chosen it.
    const int wanted = level / 2;
    const int before = audio_tx_level_spin_box->value();
    audio_tx_level_spin_box->setValue(wanted);
    // A level beyond the range that clamps to the value already shown raises
    // no change signal; the modem is still told what the panel shows.
    if (audio_tx_level_spin_box->value() != wanted && audio_tx_level_spin_box->value() == before) {
        _ui_action_audio_tx_level_change(before);
    }
}

void Modem_control_panel::_handle_dte_port_mode_request_response(uchar mode)
{
    qCDebug(lc_resp_handle) << __func__ << mode;
    connection->count_init_response(INIT_RESP_DTE_PORT_MODE);
    {
        const QSignalBlocker block_std(std_async_button);
        const QSignalBlocker block_hsp(hsp_async_button);
        if (mode == dte_port_mode_std_async) {
            std_async_button->setChecked(true);
        } else if (mode == dte_port_mode_hsp_async) {
            hsp_async_button->setChecked(true);
        } else {
            std_async_button->setChecked(true);
            modem_interface->set_dte_port_mode(dte_port_mode_std_async);
        }
    }
    if (std_async_button->isChecked()) {
        _send_dte_port_activity_mode();
    }
}

void Modem_control_panel::_handle_dte_port_mode_set_ack()
{
    log_reply(__func__);
    if (std_async_button->isChecked()) {
        _send_dte_port_activity_mode();
    }
}

void Modem_control_panel::_handle_dte_port_async_settings_request_response(uchar data_rate,
                                                                           uchar data_bits,
                                                                           uchar stop_bits,
                                                                           uchar parity)
{
    qCDebug(lc_resp_handle) << __func__ << data_rate << data_bits << stop_bits << parity;
    connection->count_init_response(INIT_RESP_DTE_PORT_ASYNC_SETTINGS);
    const QSignalBlocker block_rates(port_rate_selector);
    const QSignalBlocker block_formats(data_format_selector);
    const bool rate_found = select_code(port_rate_selector, data_rate);
    const bool format_found =
        select_code(data_format_selector, pack_data_format(data_bits, parity, stop_bits));
    if (!rate_found || !format_found) {
        // The defaults go to the modem together, so both selectors show them.
        select_code(port_rate_selector, default_port_rate);
        select_code(data_format_selector, default_data_format);
        modem_interface->set_dte_port_async_settings(
            default_port_rate, uchar(data_format_data_bits(default_data_format)),
            uchar(data_format_stop_bits(default_data_format)),
            uchar(data_format_parity(default_data_format)));
    }
}

void Modem_control_panel::_handle_dte_port_async_flow_control_request_response(uchar flow_control)
{
    qCDebug(lc_resp_handle) << __func__ << flow_control;
    connection->count_init_response(INIT_RESP_DTE_PORT_ASYNC_FLOW_CONTROL);
    const QSignalBlocker block(flow_control_selector);
    if (!select_code(flow_control_selector, flow_control)) {
        select_code(flow_control_selector, flow_control_default);
        modem_interface->set_dte_port_async_flow_control(flow_control_default);
    }
}

void Modem_control_panel::_handle_dte_port_activity_mode_request_response(
    uchar dte_activity_mode, uchar tx_start_mode, const char* sync_start_pattern, uchar sync_stop,
    uchar reserved, ushort async_stop)
{
    Q_UNUSED(sync_start_pattern);
    qCDebug(lc_resp_handle).noquote()
        << QString("%1\n dte_activity_mode=%2\n tx_start_mode=%3\n sync_stop=%4\n reserved=%5"
                   "\n async_stop=%6")
               .arg(QLatin1String(__func__))
               .arg(dte_activity_mode)
               .arg(tx_start_mode)
               .arg(sync_stop)
               .arg(reserved)
               .arg(async_stop);
}

// Replies that are only logged.

#define TALVANE_LOG_ONLY(handler, log)                                                             \
    void Modem_control_panel::handler()                                                            \
    {                                                                                              \
        log(__func__);                                                                             \
    }

TALVANE_LOG_ONLY(_handle_psk_modem_ota_settings_set_ack, log_reply)
TALVANE_LOG_ONLY(_handle_psk_modem_ota_settings_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_psk_modem_ota_settings_request_nack, log_nack)
TALVANE_LOG_ONLY(_handle_psk_modem_deacquire_limit_set_ack, log_reply)
TALVANE_LOG_ONLY(_handle_psk_modem_deacquire_limit_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_psk_modem_deacquire_limit_request_nack, log_nack)
TALVANE_LOG_ONLY(_handle_psk_fsk_tx_kill_set_ack, log_reply)
TALVANE_LOG_ONLY(_handle_psk_fsk_tx_kill_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_psk_fsk_return_to_acquisition_set_ack, log_reply)
TALVANE_LOG_ONLY(_handle_psk_fsk_return_to_acquisition_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_audio_tx_output_level_set_ack, log_reply)
TALVANE_LOG_ONLY(_handle_audio_tx_output_level_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_audio_tx_output_level_request_nack, log_nack)
TALVANE_LOG_ONLY(_handle_dte_port_mode_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_dte_port_mode_request_nack, log_nack)
TALVANE_LOG_ONLY(_handle_dte_port_async_settings_set_ack, log_reply)
TALVANE_LOG_ONLY(_handle_dte_port_async_settings_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_dte_port_async_settings_request_nack, log_nack)
TALVANE_LOG_ONLY(_handle_dte_port_async_flow_control_set_ack, log_reply)
TALVANE_LOG_ONLY(_handle_dte_port_async_flow_control_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_dte_port_async_flow_control_request_nack, log_nack)
TALVANE_LOG_ONLY(_handle_dte_port_activity_mode_set_ack, log_reply)
TALVANE_LOG_ONLY(_handle_dte_port_activity_mode_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_dte_port_activity_mode_request_nack, log_nack)
TALVANE_LOG_ONLY(_handle_software_version_number_request_nack, log_nack)
TALVANE_LOG_ONLY(_handle_modem_duplex_mode_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_key_to_audio_tx_delay_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_audio_tx_to_unkey_delay_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_reset_set_nack, log_nack)
TALVANE_LOG_ONLY(_handle_save_configuration_to_non_volatile_memory_set_nack, log_nack)

#undef TALVANE_LOG_ONLY

} // namespace vq_qt
