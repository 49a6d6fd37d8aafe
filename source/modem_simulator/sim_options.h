// Command line of the simulated modem and the commands it takes on its
// standard input.
#pragma once

#include "sim_engine.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace vq_sim {

struct Line_faults
{
    double corrupt_percent = 0;        // share of output bytes with one bit flipped
    double garbage_percent = 0;        // share of frames preceded by random bytes
    bool random_chunks = false;        // output written in random pieces
    double corrupt_frames_percent = 0; // share of output frames with one bit flipped
    double corrupt_input_percent = 0;  // share of input frames with one bit flipped
};

struct Sim_options
{
    Engine_options engine;
    Line_faults line;
    bool pty = false;
    QString link;
    QString device;
    QString config_path;
    bool verbose = false;
    bool start_hung = false;
    int reboot_after_ms = 0;
    double indication_rate = 0; // link quality indications per second (0: off)
    bool radio_list = false;    // print the known radio models and stop
    QString channel;            // the simulated channel joined ("": none)
};

extern const char simulator_version[];

// Parses the arguments (without the program name). On failure error says why.
// --help and --version both set `help`.
bool parse_options(const QStringList& arguments, Sim_options& options, QString& error, bool& help);
// The text --help prints; after --version was parsed, the program name and
// version instead.
QString help_text();

struct Sim_command
{
    enum Kind
    {
        help,
        status,
        quit,
        hang,
        resume,
        reboot,
        signal,
        loopback,
        ale_scenario,
        ale_incoming,
        ale_sound,
        ale_heard,
        ale_lqa,
        ale_relink,
        nack,
        nack_clear,
        silence,
        silence_clear,
        drop,
        corrupt,
        corrupt_frames,
        corrupt_input,
        indications,
        garbage,
        chunks,
        delay,
        new_pty,
        channel,
    };
    Kind kind = help;
    bool on = false;
    double number = 0;
    std::uint32_t identifier = 0;
    std::uint32_t reason = 0;
    int count = -1; // requests a NACK or silence applies to; -1: all
    QString text;
    std::vector<double> values; // of an air setting
};

// One line of standard input; nullopt with error set when it is not a command
// (an empty line gives nullopt and an empty error).
std::optional<Sim_command> parse_command(const QString& line, QString& error);

// Numbers as the operator writes them: decimal or 0x hexadecimal.
std::optional<std::uint32_t> parse_number(const QString& text);
// A message identifier: a number or a message class name ("Tac1_msg_...").
std::optional<std::uint32_t> parse_identifier(const QString& text);

} // namespace vq_sim
