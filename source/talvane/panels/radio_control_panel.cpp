// The "Radio Control" panel: the radio list file, the operator's choices and
// the replies of the radio control.

#include "radio_control_panel.h"

#include "connection_link.h"
#include "log_categories.h"
#include "modem_control_tables.h"
#include "qmodem_interface.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardPaths>
#include <algorithm>

namespace vq_qt {

using modem_control::current_code;
using modem_control::fill_selector;
using modem_control::select_code;
using modem_control::Selector_table;

namespace {

constexpr const char* radio_list_name = "radio_list.cfg";
constexpr const char* radio_list_data_path = "Velquin/Talvane/radio_list.cfg";
constexpr const char* no_radio_control_text = "No Radio Control";
constexpr const char* not_available_text = "<font color='red'>Radio control not available</font>";

constexpr uchar radio_port = 1;
constexpr uchar activation_off = 1;
constexpr uchar activation_on = 2;
constexpr ushort fixed_frequency_channel = 0;

constexpr int lowest_frequency_hz = 1500000;
constexpr int highest_frequency_hz = 30000000;
constexpr int frequency_step_hz = 10;

const Selector_table& modulation_table()
{
    static const Selector_table table{{{1, "USB"}, {2, "LSB"}}, 1};
    return table;
}

const Selector_table& power_table()
{
    static const Selector_table table{{{1, "Low"}, {2, "High"}}, 1};
    return table;
}

// Radio control status texts by the state code of the status indication;
// other codes leave the status as it is.
struct Rcm_status_text
{
    uchar state;
    const char* text;
};

constexpr Rcm_status_text rcm_status_texts[] = {
    {1, "-"},     {2, "-"}, {3, "<font color='red'>Error</font>"},
    {4, "Ready"}, {5, "-"}, {6, "Initialising"},
};

// Selects the entry carrying this code, or the first entry; false when the
// code is not offered.
bool select_code_or_first(QComboBox* box, int code)
{
    if (select_code(box, code)) {
        return true;
    }
    box->setCurrentIndex(0);
    return false;
}

QLabel* caption(const char* text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

QString find_radio_list_file()
{
    const QString found =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, radio_list_data_path);
    if (!found.isEmpty()) {
        return found;
    }
    return QCoreApplication::applicationDirPath() + "/" + radio_list_name;
}

QStringList read_radio_list(const QByteArray& contents)
{
    QStringList names;
    for (int start = 0; start < contents.size();) {
        const int line_end = contents.indexOf('\n', start);
        const int next = line_end < 0 ? contents.size() : line_end + 1;
        const int nul = contents.indexOf('\0', start);
        const int end = nul >= 0 && nul < next ? nul : next;
        // Local 8-bit, so that the name goes to the modem with the bytes it
        // has in the file.
        names << QString::fromLocal8Bit(contents.constData() + start, end - start).trimmed();
        start = next;
    }
    return names;
}

// Construction.

Radio_control_panel::Radio_control_panel(vq_qt::QModem_interface* modem_interface,
                                         Connection_link* connection, QWidget* parent,
                                         const QString& radio_list_file)
    : QGroupBox(parent), modem_interface(modem_interface), connection(connection)
{
    _init_radio_control_panel();
    _load_radio_list(radio_list_file);
    _update_radio_controls();
}

void Radio_control_panel::_init_radio_control_panel()
{
    QWidget* panel = this;
    auto* grid = new QGridLayout(panel);

    radio_model_selector = new QComboBox(panel);
    radio_model_selector->addItem(no_radio_control_text, QString(no_radio));
    radio_frequency_spin_box = new QSpinBox(panel);
    radio_frequency_spin_box->setRange(lowest_frequency_hz, highest_frequency_hz);
    radio_frequency_spin_box->setSingleStep(frequency_step_hz);
    radio_frequency_spin_box->setSuffix(" Hz");
    // The radio is tuned to the finished number, not to every number typed
    // on the way to it.
    radio_frequency_spin_box->setKeyboardTracking(false);
    radio_modulation_selector = new QComboBox(panel);
    radio_power_selector = new QComboBox(panel);
    radio_status_label = new QLabel("-", panel);
    radio_status_label->setTextFormat(Qt::RichText);

    const std::pair<const char*, QWidget*> rows[] = {
        {"Radio &Model:", radio_model_selector},     {"Fre&quency:", radio_frequency_spin_box},
        {"Modulatio&n:", radio_modulation_selector}, {"Tx &Power:", radio_power_selector},
        {"Radio Status:", radio_status_label},
    };
    int row = 0;
    for (const auto& [text, control] : rows) {
        grid->addWidget(caption(text, control, panel), row, 0, 1, 1);
        grid->addWidget(control, row, 1, 1, 1);
        ++row;
    }
    grid->setRowStretch(row, 10);

    connect(radio_model_selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Radio_control_panel::_ui_action_radio_model_selected);
    connect(radio_frequency_spin_box, qOverload<int>(&QSpinBox::valueChanged), this,
            &Radio_control_panel::_ui_action_radio_set_frequency);
    connect(radio_modulation_selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Radio_control_panel::_ui_action_radio_modulation_selected);
    connect(radio_power_selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Radio_control_panel::_ui_action_radio_power_selected);
}

void Radio_control_panel::_load_radio_list(const QString& radio_list_file)
{
    QFile file(radio_list_file);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lc_radio_file) << "Could not open radio file";
        qCDebug(lc_radio_file).noquote()
            << QString("%1: %2 (%3)").arg(radio_list_name, radio_list_file, file.errorString());
        return;
    }
    qCDebug(lc_radio_file) << "Reading radio File";
    qCDebug(lc_radio_file).noquote() << QString("%1: %2").arg(radio_list_name, radio_list_file);
    set_radio_list(file.readAll());
}

void Radio_control_panel::set_radio_list(const QByteArray& contents)
{
    {
        const QSignalBlocker blocker(radio_model_selector);
        while (radio_model_selector->count() > 1) {
            radio_model_selector->removeItem(radio_model_selector->count() - 1);
        }
        for (const QString& name : read_radio_list(contents)) {
            radio_model_selector->addItem(name, name);
        }
    }
    _update_radio_controls();
}

void Radio_control_panel::reset_status_readouts()
{
    radio_status_label->setText("-");
}

bool Radio_control_panel::_radio_selected() const
{
    return radio_model_selector->currentIndex() > 0;
}

void Radio_control_panel::_update_radio_controls()
{
    const QSignalBlocker block_frequency(radio_frequency_spin_box);
    const QSignalBlocker block_modulation(radio_modulation_selector);
    const QSignalBlocker block_power(radio_power_selector);
    const bool selected = _radio_selected();
    for (QWidget* control : {static_cast<QWidget*>(radio_frequency_spin_box),
                             static_cast<QWidget*>(radio_modulation_selector),
                             static_cast<QWidget*>(radio_power_selector)}) {
        control->setEnabled(selected);
    }
    radio_modulation_selector->clear();
    radio_power_selector->clear();
    if (selected) {
        fill_selector(radio_modulation_selector, modulation_table());
        fill_selector(radio_power_selector, power_table());
    }
}

void Radio_control_panel::_send_radio_fixed_freq_parameters()
{
    if (!_radio_selected()) {
        // No codes are offered without a radio.
        qCDebug(lc_resp_handle) << "no radio selected: fixed-frequency settings not sent";
        return;
    }
    const uint frequency = uint(radio_frequency_spin_box->value());
    const uchar power = uchar(current_code(radio_power_selector));
    const uchar mode = uchar(current_code(radio_modulation_selector));
    modem_interface->set_radio_fixed_freq_parameters(fixed_frequency_channel, frequency, frequency,
                                                     power, mode, mode);
}

// Operator actions.

void Radio_control_panel::_ui_action_radio_model_selected(int)
{
    qCDebug(lc_resp_handle) << "RADIO_MODEL_SELECTED";
    if (_radio_selected()) {
        // The acknowledgement continues.
        modem_interface->set_radio_select(radio_port, radio_model_selector->currentText());
        return;
    }
    modem_interface->set_radio_select(radio_port, no_radio);
    modem_interface->set_radio_control_activation(activation_off);
    _update_radio_controls();
}

void Radio_control_panel::_ui_action_radio_set_frequency(int)
{
    _send_radio_fixed_freq_parameters();
}

void Radio_control_panel::_ui_action_radio_modulation_selected(int)
{
    _send_radio_fixed_freq_parameters();
}

void Radio_control_panel::_ui_action_radio_power_selected(int)
{
    _send_radio_fixed_freq_parameters();
}

void Radio_control_panel::set_locked_by_ale(bool locked)
{
    locked_by_ale = locked;
    radio_model_selector->setCurrentIndex(0);
    radio_model_selector->setEnabled(!locked);
}

// Radio selection.

void Radio_control_panel::_handle_radio_select_set_ack()
{
    log_reply(__func__);
    if (_radio_selected()) {
        modem_interface->request_radio_fixed_freq_parameters();
        modem_interface->set_radio_control_activation(activation_off);
        modem_interface->set_radio_control_activation(activation_on);
    }
    _update_radio_controls();
    if (radio_model_selector->currentData().toString().startsWith(audio_preset_radio)) {
        emit audio_tx_level_preset(audio_preset_level);
    }
}

void Radio_control_panel::_handle_radio_select_set_nack()
{
    log_nack(__func__);
    radio_status_label->setText(not_available_text);
    modem_interface->request_radio_select(radio_port);
}

void Radio_control_panel::_handle_radio_select_request_response(uchar radio_port_reported,
                                                                QString description)
{
    connection->count_init_response(INIT_RESP_RADIO_MODEL);
    qCDebug(lc_resp_handle) << __func__ << radio_port_reported << description;
    if (radio_port_reported != radio_port) {
        return;
    }
    const QSignalBlocker blocker(radio_model_selector);
    if (description.startsWith(no_radio)) {
        modem_interface->set_radio_control_activation(activation_off);
        radio_model_selector->setCurrentIndex(0);
        _update_radio_controls();
        return;
    }
    const int index =
        radio_model_selector->findText(description, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index >= 0 && !locked_by_ale) {
        radio_model_selector->setCurrentIndex(index);
        modem_interface->set_radio_control_activation(activation_off);
        modem_interface->set_radio_control_activation(activation_on);
        _update_radio_controls();
        return;
    }
    // A radio this console does not know, or any radio while the 2G ALE
    // engine owns it: the modem is told there is none, and the selector says
    // so too, so that the acknowledgement does not activate the radio
    // control for a model the modem no longer has.
    const QString reason = locked_by_ale ? QString("reported while 2G ALE holds the radio")
                                         : QString("is not in the radio list");
    qCWarning(lc_resp_handle).noquote()
        << QString("radio \"%1\" %2: selecting %3").arg(description, reason, no_radio_control_text);
    modem_interface->set_radio_select(radio_port, no_radio);
    modem_interface->set_radio_control_activation(activation_off);
    radio_model_selector->setCurrentIndex(0);
    _update_radio_controls();
}

void Radio_control_panel::_handle_radio_select_request_nack()
{
    log_nack(__func__);
}

// Radio control activation.

void Radio_control_panel::_handle_radio_control_activation_set_ack()
{
    log_reply(__func__);
}

void Radio_control_panel::_handle_radio_control_activation_set_nack()
{
    log_nack(__func__);
}

void Radio_control_panel::_handle_radio_control_activation_request_response(uchar activation)
{
    qCDebug(lc_resp_handle) << __func__ << activation;
}

void Radio_control_panel::_handle_radio_control_activation_request_nack()
{
    log_nack(__func__);
}

// Channel change and ATU tune times.

void Radio_control_panel::_handle_radio_channel_change_and_atu_tune_time_set_ack()
{
    log_reply(__func__);
}

void Radio_control_panel::_handle_radio_channel_change_and_atu_tune_time_set_nack()
{
    log_nack(__func__);
}

void Radio_control_panel::_handle_radio_channel_change_and_atu_tune_time_request_response(
    ushort tx_chan_change_time, ushort rx_chan_change_time, ushort min_atu_tune_time,
    ushort max_atu_tune_time)
{
    connection->count_init_response(INIT_RESP_CHAN_CHANGE_AND_ATU_TUNE_TIME);
    qCDebug(lc_resp_handle) << __func__ << tx_chan_change_time << rx_chan_change_time
                            << min_atu_tune_time << max_atu_tune_time;
}

void Radio_control_panel::_handle_radio_channel_change_and_atu_tune_time_request_nack()
{
    log_nack(__func__);
}

// Fixed-frequency settings.

void Radio_control_panel::_handle_radio_fixed_freq_parameters_set_ack()
{
    log_reply(__func__);
}

void Radio_control_panel::_handle_radio_fixed_freq_parameters_set_nack()
{
    log_nack(__func__);
}

void Radio_control_panel::_handle_radio_fixed_freq_parameters_request_response(
    ushort channel, uint rx_freq, uint tx_freq, uchar tx_power_level, uchar rx_mode, uchar tx_mode)
{
    connection->count_init_response(INIT_RESP_FF_PARAMETERS);
    qCDebug(lc_resp_handle) << __func__ << channel << rx_freq << tx_freq << tx_power_level
                            << rx_mode << tx_mode;
    if (!_radio_selected()) {
        return;
    }
    bool all_offered = true;
    // A frequency outside the spin box's range is shown at its nearest end.
    const uint shown = std::clamp(tx_freq, uint(lowest_frequency_hz), uint(highest_frequency_hz));
    {
        const QSignalBlocker block_frequency(radio_frequency_spin_box);
        const QSignalBlocker block_modulation(radio_modulation_selector);
        const QSignalBlocker block_power(radio_power_selector);
        radio_frequency_spin_box->setValue(int(shown));
        all_offered &= select_code_or_first(radio_power_selector, tx_power_level);
        all_offered &= select_code_or_first(radio_modulation_selector, tx_mode);
    }
    if (shown != tx_freq) {
        // Shown at the nearest end of the range, but sending that back would
        // retune the radio without the operator asking: the radio keeps its
        // settings until the operator changes one.
        qCWarning(lc_resp_handle).noquote()
            << QString(
                   "radio frequency %1 Hz is outside %2 to %3 Hz: shown as %4 Hz, not sent back")
                   .arg(tx_freq)
                   .arg(lowest_frequency_hz)
                   .arg(highest_frequency_hz)
                   .arg(shown);
        return;
    }
    if (rx_freq != tx_freq || rx_mode != tx_mode || !all_offered) {
        _send_radio_fixed_freq_parameters();
    }
}

void Radio_control_panel::_handle_radio_fixed_freq_parameters_request_nack()
{
    log_nack(__func__);
}

// Radio control status.

void Radio_control_panel::_handle_rcm_status_indication(uchar state, uchar error_code)
{
    qCDebug(lc_resp_handle) << __func__ << ", state:" << state << ", error_code:" << error_code;
    const auto* found =
        std::find_if(std::begin(rcm_status_texts), std::end(rcm_status_texts),
                     [state](const Rcm_status_text& t) { return t.state == state; });
    if (found != std::end(rcm_status_texts)) {
        radio_status_label->setText(QString::fromLatin1(found->text));
        emit radio_status_reported(radio_status_label->text());
    }
}

} // namespace vq_qt
