// The tool tips of the window's controls and readouts: one table, keyed by
// the names an operator knows the widgets by, applied once the window is
// built.
#pragma once

#include <QString>

class QWidget;

namespace vq_qt {

// The name the tool tip table knows a widget by, as the window shows it:
// - a control (or a readout) captioned by a label: the label's text ("Serial Port:");
// - a button: its text when the window is built ("Connect", "Tx Kill");
// - a caption: its own text, so that it explains its control too;
// - a readout in a grid: the caption at the start of its row ("SNR:"),
//   followed by its column's heading where the grid has a row of headings
//   ("RX: Audio Level");
// empty when the widget has none of these.
QString tool_tip_name(const QWidget* widget);

// Gives every widget below root whose name the table holds its tool tip; a
// tool tip a widget already has (set by its own component) stays. Readouts
// whose value reads better in other units (the frequency in MHz, the bit
// error rate as a power of ten) show it below their tool tip when hovered.
// Returns the number of tool tips given.
int apply_tool_tips(QWidget* root);

// "10^(-8)" (anywhere in the text) as "1×10⁻⁸"; empty when the text shows no
// bit error rate.
QString ber_as_power_of_ten(const QString& shown);

// 7050000 Hz as "7.05 MHz".
QString hz_as_mhz(int hz);

} // namespace vq_qt
