#pragma once

// The "Radio Control" panel: the radio model attached to the modem, its
// frequency, sideband and power, and the radio's status.
//
// The radio models come from the radio list file, read once when the panel
// is built. The operator's choice of model is sent to the modem and takes
// effect with its acknowledgement; the modem's reports select the model and
// the fixed-frequency settings shown. Frequency, modulation and power are
// enabled exactly while a radio model is selected.

#include <QGroupBox>
#include <QString>
#include <QStringList>

class QByteArray;
class QComboBox;
class QLabel;
class QSpinBox;

namespace vq_qt {
class Connection_link;
class QModem_interface;

// Where the radio list is read from: "Velquin/Talvane/radio_list.cfg" in the
// XDG data folders ($XDG_DATA_HOME first, then each of $XDG_DATA_DIRS), else
// "radio_list.cfg" beside the executable (returned whether it exists or not).
QString find_radio_list_file();

// The radio model names of a radio list's contents: one a line, each cut at
// its first NUL byte and trimmed of white space; empty lines are names too.
QStringList read_radio_list(const QByteArray& contents);

class Radio_control_panel : public QGroupBox
{
    Q_OBJECT

public:
    // The radio list is read from `radio_list_file`.
    Radio_control_panel(vq_qt::QModem_interface* modem_interface, Connection_link* connection,
                        QWidget* parent = nullptr,
                        const QString& radio_list_file = find_radio_list_file());

    // The radio models offered after "No Radio Control": those of the radio
    // list `contents`, in place of any offered before. The file read at
    // construction arrives here; the selection falls back to the first entry
    // without telling the modem, so it is meant for a panel whose radio has
    // not been chosen yet.
    void set_radio_list(const QByteArray& contents);

    // Every loss of the connection resets the radio status to "-".
    void reset_status_readouts();

    // The panel's controls; tests and the operator commands read them, only
    // the panel changes them.
    QComboBox* radio_model_selector = nullptr;
    QSpinBox* radio_frequency_spin_box = nullptr;
    QComboBox* radio_modulation_selector = nullptr;
    QComboBox* radio_power_selector = nullptr;
    QLabel* radio_status_label = nullptr;

    // Item data of the first entry, "No Radio Control", and the name the
    // modem takes for no radio attached.
    static constexpr const char* no_radio = "No Radio";
    // The transmit audio level that radios of this name start with.
    static constexpr const char* audio_preset_radio = "Icom IC-F8101";
    static constexpr int audio_preset_level = -30;

signals:
    // The transmit audio level the selected radio needs (the Modem Control
    // panel's level spin box takes it, and its own slot sends it).
    void audio_tx_level_preset(int level);
    // The modem reported its radio control status (the Radio Status text).
    void radio_status_reported(const QString& text);

public slots:
    void _ui_action_radio_model_selected(int index);
    void _ui_action_radio_set_frequency(int frequency);
    void _ui_action_radio_modulation_selected(int index);
    void _ui_action_radio_power_selected(int index);

    // While the 2G ALE engine is enabled the radio model selector shows "No
    // Radio Control" and is disabled. Locking and unlocking both select that
    // entry as the operator would: when a radio was selected, the modem is
    // told "No Radio" and its radio control is deactivated; when "No Radio
    // Control" was already selected, nothing is sent. While locked, a radio
    // the modem reports is not selected: the modem is told "No Radio".
    void set_locked_by_ale(bool locked);

    void _handle_radio_select_set_ack();
    void _handle_radio_select_set_nack();
    void _handle_radio_select_request_response(uchar radio_port, QString description);
    void _handle_radio_select_request_nack();
    void _handle_radio_control_activation_set_ack();
    void _handle_radio_control_activation_set_nack();
    void _handle_radio_control_activation_request_response(uchar activation);
    void _handle_radio_control_activation_request_nack();
    void _handle_radio_channel_change_and_atu_tune_time_set_ack();
    void _handle_radio_channel_change_and_atu_tune_time_set_nack();
    void _handle_radio_channel_change_and_atu_tune_time_request_response(ushort tx_chan_change_time,
                                                                         ushort rx_chan_change_time,
                                                                         ushort min_atu_tune_time,
                                                                         ushort max_atu_tune_time);
    void _handle_radio_channel_change_and_atu_tune_time_request_nack();
    void _handle_radio_fixed_freq_parameters_set_ack();
    void _handle_radio_fixed_freq_parameters_set_nack();
    void _handle_radio_fixed_freq_parameters_request_response(ushort channel, uint rx_freq,
                                                              uint tx_freq, uchar tx_power_level,
                                                              uchar rx_mode, uchar tx_mode);
    void _handle_radio_fixed_freq_parameters_request_nack();
    void _handle_rcm_status_indication(uchar state, uchar error_code);

private:
    void _init_radio_control_panel();
    void _load_radio_list(const QString& radio_list_file);
    // Enables frequency, modulation and power while a radio model is
    // selected, and fills or empties the modulation and power lists.
    void _update_radio_controls();
    // One frequency, power and mode for both directions, from the controls.
    void _send_radio_fixed_freq_parameters();
    bool _radio_selected() const;

    vq_qt::QModem_interface* modem_interface;
    Connection_link* connection;
    bool locked_by_ale = false;
};

} // namespace vq_qt
