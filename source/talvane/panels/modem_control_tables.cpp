#include "modem_control_tables.h"

#include <QComboBox>

namespace vq_qt {

namespace modem_control {
namespace {

const QVector<Code_entry> interleavers_all = {{1, "None"},  {2, "U-Short"}, {3, "V-Short"},
                                              {4, "Short"}, {5, "Medium"},  {6, "Long"},
                                              {7, "V-Long"}};

QString name_in(const QVector<Code_entry>& table, int code)
{
    for (const auto& e : table) {
        if (e.code == code)
            return QString::fromLatin1(e.text);
    }
    return QStringLiteral("Unknown");
}

const QVector<Code_entry>& data_rate_names()
{
    static const QVector<Code_entry> names = {
        {1, "50"},     {2, "75"},     {3, "100"},   {4, "150"},   {5, "200"},   {6, "300"},
        {7, "400"},    {8, "600"},    {9, "1200"},  {10, "1800"}, {11, "2400"}, {12, "2400 Voice"},
        {13, "3200"},  {14, "3600"},  {15, "4800"}, {16, "6400"}, {17, "8000"}, {18, "9600"},
        {19, "12800"}, {20, "16000"}, {21, "19200"}};
    return names;
}

} // namespace

bool Selector_table::contains(int code) const
{
    for (const auto& e : entries) {
        if (e.code == code)
            return true;
    }
    return false;
}

Selector_table waveform_table()
{
    return {{{waveform_ms110a, "MS-110A"}, {waveform_ms110b, "MS-110B"}}, waveform_ms110a};
}

Selector_table data_rate_table(int waveform)
{
    if (waveform == waveform_ms110b) {
        return {{{18, "9600 Coded"},
                 {17, "8000 Coded"},
                 {16, "6400 Coded"},
                 {15, "4800 Coded"},
                 {13, "3200 Coded"},
                 {11, "2400 Coded"},
                 {9, "1200 Coded"},
                 {8, "600 Coded"},
                 {6, "300 Coded"},
                 {4, "150 Coded"},
                 {2, "75 Coded"},
                 {19, "12800 Uncoded"}},
                18};
    }
    return {{{11, "2400 Coded"},
             {9, "1200 Coded"},
             {8, "600 Coded"},
             {6, "300 Coded"},
             {4, "150 Coded"},
             {2, "75 Coded"},
             {15, "4800 Uncoded"}},
            11};
}

Selector_table interleaver_table(int waveform, int data_rate)
{
    if ((waveform == waveform_ms110b && data_rate == 19) ||
        (waveform == waveform_ms110a && data_rate == 15))
        return {{{1, "None"}}, 1};
    if (data_rate == 12)
        return {{{1, "None"}, {4, "Short"}}, 4};
    if (data_rate == 13 || (data_rate >= 15 && data_rate <= 18))
        return {interleavers_all.mid(1), 4};
    return {{{1, "None"}, {4, "Short"}, {6, "Long"}}, 4};
}

Selector_table deacquire_table()
{
    return {{{1, "1 second"}, {2, "5 seconds"}, {3, "20 seconds"}}, 1};
}

Selector_table port_rate_table()
{
    return {{{1, "50 bps"},
             {2, "75 bps"},
             {3, "100 bps"},
             {4, "150 bps"},
             {5, "200 bps"},
             {6, "300 bps"},
             {28, "400 bps"},
             {7, "600 bps"},
             {9, "1200 bps"},
             {11, "2400 bps"},
             {15, "4800 bps"},
             {19, "9600 bps"},
             {22, "19200 bps"},
             {23, "38400 bps"},
             {24, "57600 bps"},
             {27, "115200 bps"},
             {33, "230400 bps"}},
            default_port_rate};
}

Selector_table data_format_table()
{
    // "5N1", "5N2", "5O1", "5O2", "5E1", "5E2", then the same for 6, 7, 8 bits.
    static const char* const texts[] = {"5N1", "5N2", "5O1", "5O2", "5E1", "5E2", "6N1", "6N2",
                                        "6O1", "6O2", "6E1", "6E2", "7N1", "7N2", "7O1", "7O2",
                                        "7E1", "7E2", "8N1", "8N2", "8O1", "8O2", "8E1", "8E2"};
    Selector_table table{{}, default_data_format};
    int i = 0;
    for (int bits = 5; bits <= 8; ++bits) {
        for (int parity = 1; parity <= 3; ++parity) {
            for (int stop = 1; stop <= 2; ++stop)
                table.entries.append({pack_data_format(bits, parity, stop), texts[i++]});
        }
    }
    return table;
}

Selector_table flow_control_table()
{
    return {{{1, "None"}, {2, "CTS/RTS"}, {3, "XON/XOFF"}}, 1};
}

int ota_encoding(int waveform, int data_rate)
{
    const bool uncoded = (waveform == waveform_ms110b && data_rate == 19) ||
                         (waveform == waveform_ms110a && data_rate == 15);
    return uncoded ? 1 : 2;
}

int pack_data_format(int data_bits, int parity, int stop_bits)
{
    return data_bits * 65536 + parity * 256 + stop_bits;
}

int data_format_data_bits(int code)
{
    return (code >> 16) & 0xFF;
}

int data_format_parity(int code)
{
    return (code >> 8) & 0xFF;
}

int data_format_stop_bits(int code)
{
    return code & 0xFF;
}

void fill_selector(QComboBox* box, const Selector_table& table)
{
    const int keep = current_code(box);
    box->clear();
    for (const auto& e : table.entries)
        box->addItem(QString::fromLatin1(e.text), e.code);
    if (!(table.contains(keep) && select_code(box, keep)))
        select_code(box, table.default_code);
}

bool select_code(QComboBox* box, int code)
{
    const int index = box->findData(code, Qt::UserRole, Qt::MatchExactly);
    if (index < 0)
        return false;
    box->setCurrentIndex(index);
    return true;
}

int current_code(const QComboBox* box)
{
    return box->currentIndex() < 0 ? -1 : box->currentData().toInt();
}

QString data_rate_name(int code)
{
    return name_in(data_rate_names(), code);
}

QString interleaver_name(int code)
{
    return name_in(interleavers_all, code);
}

QString rx_status_name(int code)
{
    return name_in({{1, "HUNT"}, {2, "RECEIVE"}, {5, "SYNC"}}, code);
}

QString tx_status_name(int code)
{
    return name_in(
        {{1, "CONFIG"}, {2, "IDLE"}, {3, "TRANSMIT"}, {4, "<font color='red'>STANDBY</font>"}},
        code);
}

QString snr_text(int snr)
{
    return QString::asprintf("%d dB", snr);
}

QString ber_text(int ber)
{
    return QString::asprintf("10^(-%d)", ber);
}

QString path_count_text(int paths)
{
    return QString::asprintf("%d", paths);
}

QString multipath_spread_text(int tenths_of_ms)
{
    return QString::asprintf("%.4f s", tenths_of_ms / 10000.0);
}

QString doppler_spread_text(int tenths_of_hz)
{
    return QString::asprintf("%.1f Hz", tenths_of_hz / 10.0);
}

QString doppler_offset_text(int hz)
{
    return QString::asprintf("%d Hz", hz);
}

QString audio_rx_level_text(int milli_db)
{
    const int n = milli_db / 1000; // truncates toward zero
    const char* quality = n < -20 ? " dB (low)" : (n < -5 ? " dB (good)" : " dB (high)");
    return QString::number(n) + QLatin1String(quality);
}

} // namespace modem_control

} // namespace vq_qt
