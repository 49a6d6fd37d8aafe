#include "pty_line_settings.h"

#include "vsport_control.h"

#include <iterator>

namespace vq_qt {

namespace {

struct Speed_row
{
    speed_t speed;
    int baud_rate;
};

constexpr Speed_row speed_table[] = {
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},
    {B150, 150},         {B200, 200},         {B300, 300},         {B600, 600},
    {B1200, 1200},       {B1800, 1800},       {B2400, 2400},       {B4800, 4800},
    {B9600, 9600},       {B19200, 19200},     {B38400, 38400},     {B57600, 57600},
    {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000},
    {B1500000, 1500000}, {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000},
    {B3500000, 3500000}, {B4000000, 4000000},
};

} // namespace

bool Pty_line_settings::operator==(const Pty_line_settings& other) const
{
    return baud_rate == other.baud_rate && data_bits == other.data_bits && parity == other.parity &&
           stop_bits == other.stop_bits && control_hand_shake == other.control_hand_shake &&
           flow_replace == other.flow_replace;
}

int baud_rate_of(speed_t speed)
{
    for (const Speed_row& row : speed_table) {
        if (row.speed == speed) {
            return row.baud_rate;
        }
    }
    return 0;
}

speed_t speed_of(int baud_rate)
{
    for (const Speed_row& row : speed_table) {
        if (row.baud_rate == baud_rate) {
            return row.speed;
        }
    }
    return B0;
}

Pty_line_settings line_settings_of(const termios& t)
{
    Pty_line_settings s;
    s.baud_rate = baud_rate_of(cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
    case CS5:
        s.data_bits = 5;
        break;
    case CS6:
        s.data_bits = 6;
        break;
    case CS7:
        s.data_bits = 7;
        break;
    default:
        s.data_bits = 8;
        break;
    }
    if ((t.c_cflag & PARENB) != 0) {
        const bool odd = (t.c_cflag & PARODD) != 0;
        if ((t.c_cflag & CMSPAR) != 0) {
            s.parity = odd ? 3 : 4;
        } else {
            s.parity = odd ? 1 : 2;
        }
    }
    s.stop_bits = (t.c_cflag & CSTOPB) != 0 ? 2 : 0;
    if ((t.c_cflag & CRTSCTS) != 0) {
        s.control_hand_shake |= handshake_cts;
        s.flow_replace |= flow_rts_handshake;
    }
    if ((t.c_iflag & IXON) != 0) {
        s.flow_replace |= flow_auto_transmit;
    }
    if ((t.c_iflag & IXOFF) != 0) {
        s.flow_replace |= flow_auto_receive;
    }
    return s;
}

} // namespace vq_qt
