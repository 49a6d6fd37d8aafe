#include "sim_options.h"

#include "sim_channel.h"
#include "sim_radio.h"
#include "tac1_catalogue.h"

#include <QCommandLineParser>

namespace vq_sim {

const char simulator_version[] = "1.1.6";

namespace {

// Set by parse_options() when --version is given.
bool version_asked = false;

struct Option_row
{
    const char* name;
    const char* value; // nullptr: a flag
    const char* description;
};

const Option_row option_rows[] = {
    {"pty", nullptr, "Create a pseudo-terminal and serve the console on it (default)."},
    {"link", "PATH", "With --pty: keep a symbolic link to the pseudo-terminal at PATH."},
    {"device", "PATH", "Serve an existing serial device at 115200 8N1 instead of a pty."},
    {"config", "FILE", "INI file with the start values of the modem's settings."},
    {"state", "FILE",
     "Non-volatile memory: read at start, written by \"save to non-volatile memory\"."},
    {"boot-ms", "MS", "Boot time after power-on and each restart (default 1500)."},
    {"model", "NAME", "KX5, KY5, LZ7 or any text: the software version of index 20."},
    {"loopback", nullptr, "Receive what is transmitted, after the air delay."},
    {"channel", "NAME",
     "Join the simulated channel NAME and hear every other modem on it (not with\n"
     "                          --loopback; see CHANNEL below)."},
    {"air", "KEY=VALUE",
     "An air setting, as the command channel KEY VALUE (repeatable; two values\n"
     "                          as VALUE:VALUE), for example --air ber=1e-5 --air fade=8000:500."},
    {"signal", nullptr, "Start with a signal on the channel."},
    {"air-delay-ms", "MS",
     "Time from transmission to reception (default 250 in loopback, 20 on a channel)."},
    {"air-speed", "BYTES",
     "Bytes per second over the air (default: the transmit data rate; large values allowed)."},
    {"high-mark", "BYTES", "Transmit queue size that sends flow stop (default 8000)."},
    {"low-mark", "BYTES", "Transmit queue size that sends flow start (default 2000)."},
    {"queue-limit", "BYTES", "Largest transmit queue; more data is refused (default 262144)."},
    {"hold-limit", "BYTES",
     "Received bytes held while data-from-modem is disabled before the loopback\n"
     "                          transmitter waits for them to be delivered, or on a channel\n"
     "                          more received data is dropped (default 65536)."},
    {"ale-scenario", "NAME",
     "Outcome of ALE calls of a modem alone (not with --channel): linked,\n"
     "                          no_reply, occupied, rejected."},
    {"ale-step-ms", "MS", "Time between the ALE engine's reports (default 1000)."},
    {"radio-init-ms", "MS", "Radio control initialisation time (default 800)."},
    {"faulty-radio", "NAME", "A known radio model whose control fails (repeatable)."},
    {"radio-list", nullptr, "Print the radio models the modem knows, one a line, and stop."},
    {"seed", "N", "Seed of the random choices (default 1)."},
    {"hang", nullptr, "Start without answering (as the command hang)."},
    {"nack", "ID:REASON[:N]",
     "Refuse requests ID (number or message name) with NACK REASON, the next N\n"
     "                          only if N is given (repeatable)."},
    {"silence", "ID[:N]", "Leave requests ID unanswered, the next N only if given (repeatable)."},
    {"drop", "PERCENT", "Drop this share of replies."},
    {"delay-ms", "MS", "Delay every reply."},
    {"corrupt", "PERCENT", "Flip one bit in this share of output bytes."},
    {"corrupt-frames", "PERCENT", "Flip one bit in this share of output frames."},
    {"corrupt-input", "PERCENT",
     "Flip one bit in this share of the frames received from the console."},
    {"indication-rate", "N",
     "Send N link quality indications a second to the ports registered for them."},
    {"garbage", "PERCENT", "Put random bytes before this share of frames."},
    {"chunks", nullptr, "Write the output in random chunk sizes."},
    {"reboot-after-ms", "MS", "Restart unprompted this long after start."},
    {"verbose", nullptr, "Print every frame in and out as one line on standard output."},
};

const char* const command_help =
    "Commands on standard input, one per line:\n"
    "  status                  print the state as one JSON line\n"
    "  quit                    stop (the link is removed)\n"
    "  hang | resume           stop answering / answer again\n"
    "  reboot [MS]             restart unprompted (booting, registrations cleared),\n"
    "                          booting for MS if given, else the --boot-ms time\n"
    "  signal on|off           a far station's signal on the channel\n"
    "  loopback on|off         receive what is transmitted\n"
    "  ale scenario NAME       outcome of the next calls of a modem alone: linked,\n"
    "                          no_reply, occupied, rejected (not used on a channel)\n"
    "  ale incoming NAME       an incoming ALE call from station NAME\n"
    "  ale sound               the engine transmits a sound\n"
    "  ale heard NAME          a sound from station NAME is received\n"
    "  ale lqa                 a link quality poll (of the linked or called station)\n"
    "  ale relink ok|fail      a relink of the current link, and its outcome\n"
    "  nack ID REASON [N]      refuse requests ID with NACK REASON, the next N only if\n"
    "                          given (nack clear: no more)\n"
    "  silence ID [N]          leave requests ID unanswered, the next N only if given\n"
    "                          (silence clear: answer them again)\n"
    "  drop PERCENT            drop this share of replies\n"
    "  delay MS                delay every reply\n"
    "  corrupt PERCENT         flip one bit in this share of output bytes\n"
    "  corrupt-frames PERCENT  flip one bit in this share of output frames\n"
    "  corrupt-input PERCENT   flip one bit in this share of received frames\n"
    "                          (status counts damaged frames and the user data in them)\n"
    "  indications N           N link quality indications a second (0: off)\n"
    "  garbage PERCENT         random bytes before this share of frames\n"
    "  chunks on|off           write the output in random chunk sizes\n"
    "  new-pty                 replace the pseudo-terminal (same link)\n"
    "  channel snr DB          signal-to-noise ratio the receiver reports (default 12)\n"
    "  channel ber RATE        bit error rate; a received block with an error is\n"
    "                          dropped (default 0)\n"
    "  channel delay MS        propagation delay (as --air-delay-ms)\n"
    "  channel fade EVERY MS   a fade every EVERY ms that lasts MS ms: what arrives\n"
    "                          in it is lost, the SNR reported drops by 20 dB (0 0: none)\n"
    "  channel multipath N MS  path count and multipath spread reported (default 2 2)\n"
    "  channel doppler HZ HZ   Doppler offset and spread reported (default 0 1)\n"
    "  help                    this list\n"
    "\n"
    "CHANNEL: the modems started with the same --channel NAME by one user share\n"
    "one half-duplex channel (a folder of sockets under $XDG_RUNTIME_DIR/talvane).\n"
    "User data crosses at the transmitting modem's data rate, in blocks of one\n"
    "50 ms transmit tick (1024 bytes at most) with no framing overhead, after the\n"
    "propagation delay. A modem hears nothing while it transmits; two transmissions\n"
    "at once collide and both are lost from then on. The channel settings above are\n"
    "the receiving modem's own. status counts collisions and dropped blocks (air).\n"
    "\n"
    "ALE on a channel: a call goes to the other address the console set; the modem\n"
    "whose self address it is (ALE enabled, not in a call) reports the incoming call\n"
    "(11, 12, then 3 when linked) and replies two steps (--ale-step-ms) after the call\n"
    "reached it, with the signal-to-noise ratio it measured: the caller reports it as\n"
    "the link quality TO, and its own measure of the reply as FROM (13), then the\n"
    "link (4 or 80). No reply within three steps and twice the delay: no link (14).\n"
    "A call while another station is heard: occupancy, then no link. A terminate at\n"
    "either end, or ALE disabled there, ends the link at both (16). ALE signals are\n"
    "short bursts: lost while the modem transmits, in a fade, or over another\n"
    "transmission (a collision).\n";

std::optional<double> number_of(const QString& text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && v >= 0 ? std::optional<double>(v) : std::nullopt;
}

} // namespace

std::optional<std::uint32_t> parse_number(const QString& text)
{
    bool ok = false;
    const qulonglong v = text.trimmed().toULongLong(&ok, 0);
    if (!ok || v > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(v);
}

std::optional<std::uint32_t> parse_identifier(const QString& text)
{
    if (const auto n = parse_number(text)) {
        return n;
    }
    const vq::Tac1_catalogue_entry* e =
        vq::tac1_find_by_name(text.trimmed().toLatin1().constData());
    return e != nullptr ? std::optional<std::uint32_t>(e->identifier) : std::nullopt;
}

namespace {

// "ID", "ID:REASON", with ":N" after either: a request fault of the command line.
bool parse_fault(const QString& text, bool with_reason, std::uint32_t& id, Reply_fault& fault)
{
    const QStringList parts = text.split(':');
    const int fixed = with_reason ? 2 : 1;
    if (parts.size() != fixed && parts.size() != fixed + 1) {
        return false;
    }
    const auto identifier = parse_identifier(parts[0]);
    const auto reason = with_reason ? parse_number(parts[1]) : std::optional<std::uint32_t>(0);
    const auto count =
        parts.size() > fixed ? parse_number(parts[fixed]) : std::optional<std::uint32_t>(0);
    if (!identifier || !reason || !count || (with_reason && *reason == 0) || *count > 1000000) {
        return false;
    }
    id = *identifier;
    fault = Reply_fault{*reason, parts.size() > fixed ? static_cast<int>(*count) : -1};
    return fault.count != 0;
}

} // namespace

namespace {

// "KEY VALUE [VALUE]" of an air setting, checked on a scratch copy.
std::optional<Sim_command> air_setting(const QString& key, const QStringList& texts, QString& error)
{
    Sim_command c;
    c.kind = Sim_command::channel;
    c.text = key;
    for (const QString& t : texts) {
        bool ok = false;
        c.values.push_back(t.toDouble(&ok));
        if (!ok) {
            error = "channel " + key + ": bad value " + t;
            return std::nullopt;
        }
    }
    Air_settings scratch;
    int delay = 0;
    const std::string why = set_air_value(scratch, delay, key.toStdString(), c.values);
    if (!why.empty()) {
        error = "channel: " + QString::fromStdString(why);
        return std::nullopt;
    }
    return c;
}

std::optional<Sim_command> air_command(const QStringList& words, QString& error)
{
    if (words.size() < 3) {
        error = "channel takes: snr DB | ber RATE | delay MS | fade EVERY MS | multipath N MS | "
                "doppler HZ HZ";
        return std::nullopt;
    }
    return air_setting(words[1], words.mid(2), error);
}

// --channel and --air: the channel's delay is 20 ms unless set.
bool parse_air_options(const QCommandLineParser& parser, Sim_options& o, QString& error)
{
    o.channel = parser.value("channel");
    if (parser.isSet("channel") && parser.isSet("loopback")) {
        error = "--channel and --loopback exclude each other";
        return false;
    }
    if (parser.isSet("channel") && parser.isSet("ale-scenario")) {
        error = "--ale-scenario is for a modem alone: on a channel the stations answer calls";
        return false;
    }
    if (parser.isSet("channel") && !Sim_channel::valid_name(o.channel)) {
        error = "--channel: bad name " + o.channel +
                " (up to 64 letters, digits, '.', '_' or '-', not starting with '.')";
        return false;
    }
    if (parser.isSet("channel") && !parser.isSet("air-delay-ms")) {
        o.engine.air_delay_ms = 20;
    }
    for (const QString& setting : parser.values("air")) {
        const int equals = setting.indexOf('=');
        const auto c = equals > 0 ? air_setting(setting.left(equals),
                                                setting.mid(equals + 1).split(':'), error)
                                  : std::nullopt;
        if (!c) {
            error = "--air: expected KEY=VALUE or KEY=VALUE:VALUE, got " + setting +
                    (error.isEmpty() ? QString() : " (" + error + ")");
            return false;
        }
        set_air_value(o.engine.air, o.engine.air_delay_ms, c->text.toStdString(), c->values);
    }
    return true;
}

} // namespace

QString help_text()
{
    if (version_asked) {
        return QStringLiteral("talvane-modem-sim %1\n").arg(simulator_version);
    }
    QString text =
        "Usage: talvane-modem-sim [options]\n"
        "A simulated HF radio data modem on a serial line, for the Talvane console.\n"
        "The first line on standard output is the device the console must open.\n"
        "Restarts bring back the settings last saved to non-volatile memory.\n\nOptions:\n";
    for (const Option_row& row : option_rows) {
        QString left = QString("  --") + row.name + (row.value ? QString(" ") + row.value : "");
        text += left.leftJustified(26) + row.description + "\n";
    }
    text += QString("  --version").leftJustified(26) + "Print the program name and version.\n";
    text += QString("  --help").leftJustified(26) + "This text.\n\n";
    text += command_help;
    return text;
}

bool parse_options(const QStringList& arguments, Sim_options& o, QString& error, bool& help)
{
    QCommandLineParser parser;
    for (const Option_row& row : option_rows) {
        if (row.value != nullptr) {
            parser.addOption(QCommandLineOption(row.name, row.description, row.value));
        } else {
            parser.addOption(QCommandLineOption(row.name, row.description));
        }
    }
    parser.addOption(QCommandLineOption(QStringList{"h", "help"}));
    parser.addOption(QCommandLineOption("version"));
    if (!parser.parse(QStringList("talvane-modem-sim") + arguments)) {
        error = parser.errorText();
        return false;
    }
    version_asked = parser.isSet("version") && !parser.isSet("help");
    help = parser.isSet("help") || version_asked;
    if (!parser.positionalArguments().isEmpty()) {
        error = "unexpected argument " + parser.positionalArguments().first();
        return false;
    }
    auto integer = [&](const char* name, int& target, int minimum) {
        if (!parser.isSet(name)) {
            return true;
        }
        bool ok = false;
        const int v = parser.value(name).toInt(&ok);
        if (!ok || v < minimum) {
            error = QString("--%1: bad value %2").arg(name, parser.value(name));
            return false;
        }
        target = v;
        return true;
    };
    auto real = [&](const char* name, double& target) {
        if (!parser.isSet(name)) {
            return true;
        }
        const auto v = number_of(parser.value(name));
        if (!v) {
            error = QString("--%1: bad value %2").arg(name, parser.value(name));
            return false;
        }
        target = *v;
        return true;
    };
    Engine_options& e = o.engine;
    int seed = static_cast<int>(e.seed);
    if (!integer("boot-ms", e.boot_ms, 0) || !integer("air-delay-ms", e.air_delay_ms, 0) ||
        !integer("high-mark", e.high_mark, 1) || !integer("low-mark", e.low_mark, 0) ||
        !integer("queue-limit", e.queue_limit, 1) || !integer("hold-limit", e.hold_limit, 0) ||
        !integer("ale-step-ms", e.ale_step_ms, 1) ||
        !integer("radio-init-ms", e.radio_init_ms, 0) || !integer("seed", seed, 0) ||
        !integer("drop", e.drop_percent, 0) || !integer("delay-ms", e.delay_ms, 0) ||
        !integer("reboot-after-ms", o.reboot_after_ms, 0) || !real("air-speed", e.air_speed) ||
        !real("corrupt", o.line.corrupt_percent) || !real("garbage", o.line.garbage_percent) ||
        !real("corrupt-frames", o.line.corrupt_frames_percent) ||
        !real("corrupt-input", o.line.corrupt_input_percent) ||
        !real("indication-rate", o.indication_rate)) {
        return false;
    }
    if (e.low_mark >= e.high_mark) {
        error = "--low-mark must be below --high-mark";
        return false;
    }
    for (const double percent : {o.line.corrupt_frames_percent, o.line.corrupt_input_percent}) {
        if (percent > 100) {
            error = "--corrupt-frames and --corrupt-input take a share from 0 to 100";
            return false;
        }
    }
    if (o.indication_rate > 1000) {
        error = "--indication-rate takes at most 1000 a second";
        return false;
    }
    if (parser.isSet("air-speed") && e.air_speed <= 0) {
        error = "--air-speed must be above 0";
        return false;
    }
    e.seed = static_cast<std::uint32_t>(seed);
    if (parser.isSet("model")) {
        e.model = parser.value("model").toStdString();
    }
    if (parser.isSet("ale-scenario")) {
        const QString s = parser.value("ale-scenario");
        if (s != "linked" && s != "no_reply" && s != "occupied" && s != "rejected") {
            error = "--ale-scenario: unknown scenario " + s;
            return false;
        }
        e.ale_scenario = s.toStdString();
    }
    for (const QString& r : parser.values("faulty-radio")) {
        if (radio_model(r.toStdString()) == nullptr) {
            error = "--faulty-radio: unknown radio model " + r + " (--radio-list lists them)";
            return false;
        }
        e.faulty_radios.push_back(r.toStdString());
    }
    for (const bool nack : {true, false}) {
        for (const QString& n : parser.values(nack ? "nack" : "silence")) {
            std::uint32_t id = 0;
            Reply_fault fault;
            if (!parse_fault(n, nack, id, fault)) {
                error = nack ? "--nack: expected ID:REASON or ID:REASON:N, got " + n
                             : "--silence: expected ID or ID:N, got " + n;
                return false;
            }
            e.reply_faults[id] = fault;
        }
    }
    o.radio_list = parser.isSet("radio-list");
    e.loopback = parser.isSet("loopback");
    e.signal = parser.isSet("signal");
    e.state_path = parser.value("state").toStdString();
    o.line.random_chunks = parser.isSet("chunks");
    o.start_hung = parser.isSet("hang");
    o.verbose = parser.isSet("verbose");
    o.config_path = parser.value("config");
    o.device = parser.value("device");
    o.link = parser.value("link");
    o.pty = parser.isSet("pty") || o.device.isEmpty();
    if (!parse_air_options(parser, o, error)) {
        return false;
    }
    if (parser.isSet("pty") && !o.device.isEmpty()) {
        error = "--pty and --device exclude each other";
        return false;
    }
    if (!o.link.isEmpty() && !o.device.isEmpty()) {
        error = "--link goes with --pty";
        return false;
    }
    return true;
}

std::optional<Sim_command> parse_command(const QString& line, QString& error)
{
    error.clear();
    const QStringList w = line.simplified().split(' ', Qt::SkipEmptyParts);
    if (w.isEmpty()) {
        return std::nullopt;
    }
    Sim_command c;
    const QString verb = w[0].toLower();
    auto on_off = [&](Sim_command::Kind kind) -> std::optional<Sim_command> {
        if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) {
            error = verb + " takes on or off";
            return std::nullopt;
        }
        c.kind = kind;
        c.on = w[1] == "on";
        return c;
    };
    auto amount = [&](Sim_command::Kind kind, double maximum) -> std::optional<Sim_command> {
        const auto v = w.size() == 2 ? number_of(w[1]) : std::nullopt;
        if (!v || *v > maximum) {
            error = verb + " takes one number from 0 to " + QString::number(maximum);
            return std::nullopt;
        }
        c.kind = kind;
        c.number = *v;
        return c;
    };
    static const std::pair<const char*, Sim_command::Kind> plain[] = {
        {"help", Sim_command::help},     {"status", Sim_command::status},
        {"quit", Sim_command::quit},     {"hang", Sim_command::hang},
        {"resume", Sim_command::resume}, {"new-pty", Sim_command::new_pty},
    };
    for (const auto& [word, kind] : plain) {
        if (verb == word) {
            if (w.size() != 1) {
                error = verb + " takes no argument";
                return std::nullopt;
            }
            c.kind = kind;
            return c;
        }
    }
    if (verb == "reboot") {
        // A restart with the usual boot time, or one of its own.
        if (w.size() == 1) {
            c.kind = Sim_command::reboot;
            c.number = -1;
            return c;
        }
        return amount(Sim_command::reboot, 600000);
    }
    if (verb == "signal") {
        return on_off(Sim_command::signal);
    }
    if (verb == "loopback") {
        return on_off(Sim_command::loopback);
    }
    if (verb == "chunks") {
        return on_off(Sim_command::chunks);
    }
    if (verb == "drop") {
        return amount(Sim_command::drop, 100);
    }
    if (verb == "corrupt") {
        return amount(Sim_command::corrupt, 100);
    }
    if (verb == "corrupt-frames") {
        return amount(Sim_command::corrupt_frames, 100);
    }
    if (verb == "corrupt-input") {
        return amount(Sim_command::corrupt_input, 100);
    }
    if (verb == "indications") {
        return amount(Sim_command::indications, 1000);
    }
    if (verb == "garbage") {
        return amount(Sim_command::garbage, 100);
    }
    if (verb == "delay") {
        return amount(Sim_command::delay, 600000);
    }
    if (verb == "channel") {
        return air_command(w, error);
    }
    if (verb == "ale") {
        if (w.size() == 3 && w[1] == "scenario") {
            c.kind = Sim_command::ale_scenario;
            c.text = w[2];
            return c;
        }
        if (w.size() >= 3 && (w[1] == "incoming" || w[1] == "heard")) {
            c.kind = w[1] == "incoming" ? Sim_command::ale_incoming : Sim_command::ale_heard;
            c.text = w.mid(2).join(' ');
            return c;
        }
        if (w.size() == 2 && (w[1] == "sound" || w[1] == "lqa")) {
            c.kind = w[1] == "sound" ? Sim_command::ale_sound : Sim_command::ale_lqa;
            return c;
        }
        if (w.size() == 3 && w[1] == "relink" && (w[2] == "ok" || w[2] == "fail")) {
            c.kind = Sim_command::ale_relink;
            c.on = w[2] == "ok";
            return c;
        }
        error = "ale takes: scenario NAME | incoming NAME | sound | heard NAME | lqa | "
                "relink ok|fail";
        return std::nullopt;
    }
    if (verb == "nack" || verb == "silence") {
        const bool nack = verb == "nack";
        if (w.size() == 2 && w[1] == "clear") {
            c.kind = nack ? Sim_command::nack_clear : Sim_command::silence_clear;
            return c;
        }
        Reply_fault fault;
        if (w.size() < 2 || !parse_fault(w.mid(1).join(':'), nack, c.identifier, fault)) {
            error = nack ? "nack takes: ID REASON [N] | clear" : "silence takes: ID [N] | clear";
            return std::nullopt;
        }
        c.kind = nack ? Sim_command::nack : Sim_command::silence;
        c.reason = fault.reason;
        c.count = fault.count;
        return c;
    }
    error = "unknown command \"" + verb + "\" (help lists the commands)";
    return std::nullopt;
}

} // namespace vq_sim
