#pragma once

// Code tables of the modem control, data interface and receive information
// panels, and the pure rules built on them. Every selector carries the
// modem's integer code as item data; the text is what the operator sees.

#include <QString>
#include <QVector>

class QComboBox;

namespace vq_qt {

namespace modem_control {

struct Code_entry
{
    int code;
    const char* text;
};

// One selector's entries in display order and the code chosen when the
// wanted code is not offered.
struct Selector_table
{
    QVector<Code_entry> entries;
    int default_code;

    bool contains(int code) const;
};

enum Waveform_code : int
{
    waveform_ms110a = 17,
    waveform_ms110b = 26
};

Selector_table waveform_table();
Selector_table data_rate_table(int waveform);
Selector_table interleaver_table(int waveform, int data_rate);
Selector_table deacquire_table();
Selector_table port_rate_table();
Selector_table data_format_table();
Selector_table flow_control_table();

// 1 (uncoded) for the two uncoded rates, else 2.
int ota_encoding(int waveform, int data_rate);

// Data format code: data bits << 16 | parity << 8 | stop bits (parity 1 N, 2 O, 3 E).
int pack_data_format(int data_bits, int parity, int stop_bits);
int data_format_data_bits(int code);
int data_format_parity(int code);
int data_format_stop_bits(int code);
constexpr int default_data_format = 524545; // "8N1"
constexpr int default_port_rate = 22;       // "19200 bps"

// Rebuilds a combo box from a table: the code of the current entry is kept
// when the new list offers it, else the table's default is selected. The
// caller decides whether the box's signals are blocked.
void fill_selector(QComboBox* box, const Selector_table& table);
// Selects the entry carrying exactly this code; false (selection unchanged)
// when no entry does.
bool select_code(QComboBox* box, int code);
// Code of the current entry, or -1 when the box is empty.
int current_code(const QComboBox* box);

// Names shown for the modem's reports.
QString data_rate_name(int code);
QString interleaver_name(int code);
QString rx_status_name(int code);
QString tx_status_name(int code);

// Receive information texts.
QString snr_text(int snr);
QString ber_text(int ber);
QString path_count_text(int paths);
QString multipath_spread_text(int tenths_of_ms);
QString doppler_spread_text(int tenths_of_hz);
QString doppler_offset_text(int hz);
// audio level in thousandths of a dB -> "-25 dB (low)" etc.
QString audio_rx_level_text(int milli_db);

} // namespace modem_control

} // namespace vq_qt
