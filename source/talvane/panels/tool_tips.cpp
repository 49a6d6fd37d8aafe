#include "tool_tips.h"

#include "widget_tree.h"

#include <QAbstractButton>
#include <QEvent>
#include <QGridLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QSpinBox>
#include <QToolTip>

namespace vq_qt {

namespace {

QString frequency_now(const QWidget* widget)
{
    const auto* spin = qobject_cast<const QSpinBox*>(widget);
    return spin ? hz_as_mhz(spin->value()) : QString();
}

QString ber_now(const QWidget* widget)
{
    const auto* label = qobject_cast<const QLabel*>(widget);
    return label ? ber_as_power_of_ten(label->text()) : QString();
}

struct Tool_tip
{
    const char* name; // see tool_tip_name()
    const char* text;
    // The current value in other units, shown below the text when hovered;
    // empty while there is no value.
    QString (*now)(const QWidget* widget) = nullptr;
};

// To give a new widget a tool tip, add a row with its name; the test of the
// connected window names every control that has none.
const Tool_tip tool_tips[] = {
    // Modem Interface
    {"Serial Port:",
     "The serial port of the modem's control line (115200 baud, 8 data bits, no parity, 1 stop "
     "bit). \"Auto Detect\" tries each listed port in turn until a modem answers. Fixed while "
     "connected."},
    {"Connect",
     "Connect opens the chosen port, waits for the modem to boot and initialises it. Disconnect "
     "unregisters the modem's reports and closes the port; an enabled 2G ALE engine is shut down "
     "first when the ALE settings ask for it."},
    {"Status:", "The link to the modem: Not connected, Connecting, No Response, Modem Booting, "
                "Initialising, Connected to the model found, or a port error in red."},
    {"Save",
     "Asks the modem to keep its current settings in its non-volatile memory (\"Settings Saved\" "
     "when it confirms) and remembers the chosen data interface for the next start."},
    {"Load Defaults",
     "Resets the modem to its default settings: it restarts (\"Safe Mode Reset\", up to 8 s of "
     "boot wait) and is initialised again. The data interface returns to the Virtual COM Port."},

    // Modem Control: the transmit row, headed by the column captions.
    {"Audio Level",
     "Transmit audio level of audio port 1: -50 to 0 dB in steps of 1 dB, sent to the modem at "
     "once. Selecting an Icom IC-F8101 radio sets -30 dB."},
    {"Waveform",
     "Over-the-air waveform, for transmission and reception: MS-110A or MS-110B. A change offers "
     "the waveform's data rates and sends waveform, data rate and interleaver together."},
    {"Data Rate [bps]",
     "Over-the-air user data rate in bits per second: 75 to 2400 coded or 4800 uncoded "
     "(MS-110A); 75 to 9600 coded or 12800 uncoded (MS-110B). Sent to the modem with the "
     "waveform and interleaver."},
    {"Interleaver",
     "Interleaver length: None, Short or Long up to 2400 bps; U-Short to V-Long at 3200 to 9600 "
     "bps coded; only None at the uncoded rates. A longer one rides out longer fades, at the "
     "cost of delay."},
    {"Status", "Transmit (TX) and receive (RX) status as the modem reports it."},
    {"TX: Status",
     "Transmit status reported by the modem: CONFIG, IDLE, TRANSMIT or STANDBY (red); while a "
     "2G ALE call is set up, that of the ALE engine."},
    {"Tx Kill",
     "Tx Kill stops the modem's transmission at once and discards the user data waiting to be "
     "sent; the button then reads Tx Resume, which lets the modem transmit again. It returns to "
     "Tx Kill when the modem reports its transmitter idle. Esc kills transmission from anywhere in "
     "the window (it never resumes)."},
    // Modem Control: the receive row.
    {"RX: Audio Level",
     "Receive audio level of audio port 1 as the modem measures it, in dB: low below -20 dB, "
     "good from -20 to -6 dB, high from -5 dB. Refreshed with each receive status report and "
     "keep-alive."},
    {"RX: Waveform", "The waveform the modem is set to; it transmits and receives with it."},
    {"RX: Data Rate [bps]",
     "Data rate of the received signal, in bits per second, as the modem detected it (autobaud); "
     "\"-\" when reception ends."},
    {"RX: Interleaver",
     "Interleaver of the received signal as the modem detected it (autobaud); \"-\" when "
     "reception ends."},
    {"RX: Status",
     "Receive status reported by the modem: HUNT (searching for a signal), SYNC (synchronised to "
     "one) or RECEIVE (receiving data); while a 2G ALE call is set up, that of the ALE engine."},
    {"Rx Reset",
     "Sends the modem's receiver back to acquisition: it drops the signal it follows and hunts "
     "for a new one."},
    // Modem Control: the OTA Mode row.
    {"OTA Mode:",
     "The asynchronous mode of the modem's data port (DTE port mode), sent to the modem at "
     "once."},
    {"Standard Async",
     "Sets the modem's data port to standard asynchronous mode (DTE port mode 1) with the "
     "activity mode that goes with it."},
    {"High-Speed Async", "Sets the modem's data port to high-speed asynchronous mode (DTE port "
                         "mode 3)."},
    {"Auto Update Tx Data Rate",
     "When on, the transmit data rate and interleaver follow those of the signal last received; "
     "they are sent to the modem when the reception ends. Remembered across restarts."},
    {"De-Acquire:",
     "How long the modem's receiver keeps a signal that has faded before it hunts again: 1, 5 "
     "or 20 seconds."},

    // Data Interface
    {"Virtual COM Port",
     "User data goes through this console: the data application opens the port shown under Data "
     "Port, and the console carries its bytes to and from the modem."},
    {"KX5 Data Port",
     "User data goes through the modem's own data port (KX5 and KY5 modems), with the settings "
     "below sent to the modem. Save remembers the choice."},
    {"Data Port:",
     "Where the data application connects: the virtual port's device (select the text to copy "
     "it), or the modem's own data port."},
    {"Baud Rate:",
     "Speed of the data port in bits per second. Modem's data port: 50 to 230400 bps, sent to "
     "the modem. Virtual port: the rate the data application set; the console paces the data to "
     "the modem itself."},
    {"Data Format:",
     "Data bits, parity and stop bits of the data port: 5 to 8 data bits, parity N (none), O "
     "(odd) or E (even), 1 or 2 stop bits; 8N1 is the usual. Sent to the modem for its own data "
     "port; for the virtual port, what the data application set."},
    {"Flow Control:",
     "Flow control of the data port: None, CTS/RTS (hardware) or XON/XOFF (software). Sent to "
     "the modem for its own data port; for the virtual port, what the data application set."},

    // Radio Control
    {"Radio Model:",
     "The radio attached to the modem, from the radio list; the modem then controls it. \"No "
     "Radio Control\" switches radio control off. Locked to No Radio Control while 2G ALE is "
     "enabled."},
    {"Frequency:",
     "Fixed transmit and receive frequency of the radio: 1500000 to 30000000 Hz (1.5 to 30 MHz; "
     "1 MHz = 1000000 Hz) in steps of 10 Hz, sent when the value is complete.",
     frequency_now},
    {"Modulation:",
     "Sideband of the radio for transmission and reception: USB (upper) or LSB (lower)."},
    {"Tx Power:", "Transmit power of the radio: Low or High."},
    {"Radio Status:",
     "Radio control status reported by the modem: Initialising, Ready or Error; \"Radio control "
     "not available\" when the modem refuses the radio model."},

    // 2G ALE Control (the address fields have tool tips of their own)
    {"Enable",
     "Enable configures the modem's 2G ALE engine with the self address and the ALE settings "
     "file, and locks the radio model; Disable takes the engine out of service; Reset Error does "
     "so after a failure."},
    {"Call",
     "Call places a 2G ALE call to the other address; Cancel aborts the call while it is set up; "
     "Terminate ends the link. Usable while ALE is enabled."},
    {"ALE Status:",
     "The 2G ALE engine and its calls: Disabled, Configuring, Enabled, Linking, Linked to the "
     "station, failures in red; the line below tells the last event."},

    // Receive Information: link quality, while the modem receives data.
    {"SNR:",
     "Signal-to-noise ratio of the received signal in dB (-128 to 127), from the modem's link "
     "quality report while it receives data; \"-\" when reception ends."},
    {"BER:",
     "Bit error rate of the received data as the modem reports it, 10^(-n) with n from 0 to 255: "
     "10^(-8) reads 1×10⁻⁸, one wrong bit in 100 million. Lower is better.",
     ber_now},
    {"Doppler Offset:",
     "Frequency offset of the received signal in Hz (-32768 to 32767), as the modem measures "
     "it."},
    {"Doppler Spread:",
     "How far the received signal's frequency is smeared on its path: 0 to 25.5 Hz in steps of "
     "0.1 Hz."},
    {"Multipath Spread:",
     "Delay between the earliest and the latest path of the received signal: 0 to 0.0255 s "
     "(25.5 ms) in steps of 0.1 ms."},
    {"Path Count:", "Number of propagation paths the modem finds in the received signal (0 to "
                    "255)."},

    // Event list
    {"Events:", "Shows the events of one kind only, or All."},
    {"Copy", "Copies the events shown to the clipboard."},
};

const Tool_tip* entry_named(const QString& name)
{
    for (const Tool_tip& entry : tool_tips) {
        if (name == QLatin1String(entry.name)) {
            return &entry;
        }
    }
    return nullptr;
}

// Shows the tool tip with the current value below it.
class Live_tool_tip : public QObject
{
public:
    Live_tool_tip(QString (*now)(const QWidget*), QWidget* widget) : QObject(widget), now(now) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip) {
            return false;
        }
        auto* widget = static_cast<QWidget*>(watched);
        const auto* caption = qobject_cast<const QLabel*>(widget);
        const QString value = now(caption && caption->buddy() ? caption->buddy() : widget);
        if (value.isEmpty()) {
            return false;
        }
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                           widget->toolTip() + "<p>Now: " + value + "</p>", widget);
        event->accept(); // or it would go on to the widget's parents
        return true;
    }

private:
    QString (*now)(const QWidget*);
};

QString label_text(const QGridLayout* grid, int row, int column)
{
    QLayoutItem* item = grid->itemAtPosition(row, column);
    const auto* label = item ? qobject_cast<const QLabel*>(item->widget()) : nullptr;
    return label ? widget_tree::displayed_text(label) : QString();
}

QString grid_readout_name(const QLabel* label)
{
    const QWidget* parent = label->parentWidget();
    const auto* grid = parent ? qobject_cast<const QGridLayout*>(parent->layout()) : nullptr;
    const int index = grid ? grid->indexOf(const_cast<QLabel*>(label)) : -1;
    if (index < 0) {
        return {};
    }
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    const QString row_caption = column > 0 ? label_text(grid, row, 0) : QString();
    if (row_caption.isEmpty()) {
        return {};
    }
    // A grid with headings over its columns leaves the corner empty.
    const QString heading =
        row > 0 && !grid->itemAtPosition(0, 0) ? label_text(grid, 0, column) : QString();
    return heading.isEmpty() ? row_caption : row_caption + " " + heading;
}

} // namespace

QString tool_tip_name(const QWidget* widget)
{
    for (const QLabel* label : widget->window()->findChildren<QLabel*>()) {
        if (label->buddy() == widget) {
            return widget_tree::displayed_text(label);
        }
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return widget_tree::button_text(button);
    }
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (!label) {
        return {};
    }
    const QString readout = label->buddy() ? QString() : grid_readout_name(label);
    return readout.isEmpty() ? widget_tree::displayed_text(label) : readout;
}

int apply_tool_tips(QWidget* root)
{
    int given = 0;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        const Tool_tip* entry =
            widget->toolTip().isEmpty() ? entry_named(tool_tip_name(widget)) : nullptr;
        if (!entry) {
            continue;
        }
        // As rich text, which a tool tip wraps.
        widget->setToolTip("<p>" + QString::fromUtf8(entry->text).toHtmlEscaped() + "</p>");
        if (entry->now) {
            widget->installEventFilter(new Live_tool_tip(entry->now, widget));
        }
        ++given;
    }
    return given;
}

QString ber_as_power_of_ten(const QString& shown)
{
    static const QRegularExpression ber("10\\^\\(-(\\d+)\\)");
    const QRegularExpressionMatch match = ber.match(shown);
    if (!match.hasMatch()) {
        return {};
    }
    static const QString superscripts = QString::fromUtf8("⁰¹²³⁴⁵⁶⁷⁸⁹");
    QString exponent = QString::fromUtf8("⁻");
    for (const QChar digit : match.captured(1)) {
        exponent += superscripts.at(digit.digitValue());
    }
    return QString::fromUtf8("1×10") + exponent;
}

QString hz_as_mhz(int hz)
{
    return QString::number(hz / 1e6, 'g', 9) + " MHz";
}

} // namespace vq_qt
