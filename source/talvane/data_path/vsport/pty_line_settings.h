#pragma once

// Line settings of a pseudo-terminal as the virtual port's properties show
// them. The pseudo-terminal driver always carries 8 data bits without
// parity, whatever the application asks for, so those two report what the
// line really carries; speed, stop bits and flow control are the
// application's choice.

#include <termios.h>

namespace vq_qt {

struct Pty_line_settings
{
    int baud_rate = 0;
    int data_bits = 8;
    int parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stop_bits = 0; // 0 one, 2 two
    int control_hand_shake = 0;
    int flow_replace = 0;

    bool operator==(const Pty_line_settings& other) const;
    bool operator!=(const Pty_line_settings& other) const { return !(*this == other); }
};

// The settings that a termios shows. A speed the table does not know is 0.
Pty_line_settings line_settings_of(const termios& t);

// Speed in bits per second of a termios speed constant (0 when unknown), and
// back (B0 when unknown).
int baud_rate_of(speed_t speed);
speed_t speed_of(int baud_rate);

} // namespace vq_qt
