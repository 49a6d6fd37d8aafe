// Arbitrary contents of the 2G ALE settings file, loaded as the window loads
// it: through the "2G ALE Control" panel, whose address edits validate what
// the file holds. The file's keys and values are given from memory, as the
// INI reader gives them to the loader, so no file is read or written.
//
// Whatever the file holds: every key is in the file afterwards; a key the
// file did not have takes its default; an address is either empty (not
// acceptable) or 3 to 15 upper-case letters and digits; loading what the
// load left in the file gives the same settings again.
//
// Input: records of three bytes, then a value of as many bytes as the third
// says (fewer at the end). The first byte picks the key (of the eight), the
// second the kind of value the INI reader gives: 0 a text (UTF-8), 1 a list
// (the text split at commas, as an unquoted value with commas is read), 2 a
// byte array ("@ByteArray(...)"), and, as "@Variant(...)" gives them, 3 a
// whole number, 4 a real number (both from up to 8 bytes), 5 a truth value.
// A later record of a key replaces an earlier one. (Stored variants are not
// read through QDataStream here: its list reader reserves whatever count the
// bytes claim.)

#include "ale_2g_control_panel.h"
#include "console_fuzz_support.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

void fail(const char* what)
{
    console_fuzz::fail("fuzz_ale_settings", what);
}

struct Loaded
{
    QString self_address, other_address, scan_list;
    ushort activity_timeout, tune_time, wait_for_reply_time;
    uchar lbt_time;
    bool terminate_on_disconnect;

    explicit Loaded(const vq_qt::Ale_2g_settings& s)
        : self_address(s.self_address), other_address(s.other_address), scan_list(s.scan_list),
          activity_timeout(s.activity_timeout), tune_time(s.tune_time),
          wait_for_reply_time(s.wait_for_reply_time), lbt_time(s.lbt_time),
          terminate_on_disconnect(s.terminate_on_disconnect)
    {}
    bool operator==(const Loaded& o) const
    {
        return self_address == o.self_address && other_address == o.other_address &&
               scan_list == o.scan_list && activity_timeout == o.activity_timeout &&
               tune_time == o.tune_time && wait_for_reply_time == o.wait_for_reply_time &&
               lbt_time == o.lbt_time && terminate_on_disconnect == o.terminate_on_disconnect;
    }
};

// Loads `values` into the panel, its address edits emptied first as in a new
// window (one panel serves every load: building one costs more than the
// load); `left` takes what the file then holds.
Loaded load(const QVariantMap& values, QVariantMap* left = nullptr)
{
    static vq_qt::Ale_2g_control_panel panel;
    for (QLineEdit* edit : {panel.self_address_edit(), panel.other_address_edit()}) {
        const QSignalBlocker quiet(edit);
        edit->clear();
    }
    panel.settings().load_from_values(values, panel.address_hooks());
    if (left) {
        *left = panel.settings().stored();
    }
    return Loaded(panel.settings());
}

QVariantMap values_of(const QStringList& keys, const std::uint8_t* data, std::size_t size)
{
    QVariantMap values;
    for (std::size_t at = 0; at + 3 <= size;) {
        const QString& key = keys[data[at] % keys.size()];
        const int kind = data[at + 1] % 6;
        const std::size_t length = std::min<std::size_t>(data[at + 2], size - at - 3);
        const QByteArray bytes(reinterpret_cast<const char*>(data + at + 3), int(length));
        at += 3 + length;
        std::uint64_t bits = 0;
        std::memcpy(&bits, bytes.constData(), std::min<std::size_t>(length, sizeof bits));
        double real = 0;
        std::memcpy(&real, &bits, sizeof real);
        const QVariant kinds[] = {QString::fromUtf8(bytes),
                                  QString::fromUtf8(bytes).split(','),
                                  bytes,
                                  qlonglong(bits),
                                  real,
                                  length > 0 && bytes[0] != 0};
        values.insert(key, kinds[kind]);
    }
    return values;
}

} // namespace

extern "C" const char* __asan_default_options()
{
    // Qt and the font libraries keep caches for the life of the process.
    return "detect_leaks=0:malloc_context_size=8";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    console_fuzz::set_up("fuzz_ale_settings", true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const vq_qt::Ale_2g_settings keys;
    const QStringList names = {keys.self_address_key,
                               keys.other_address_key,
                               keys.scan_list_key,
                               keys.activity_timeout_key,
                               keys.lbt_time_key,
                               keys.tune_time_key,
                               keys.wait_for_reply_time_key,
                               keys.terminate_on_disconnect_key};
    const QVariantMap values = values_of(names, data, size);
    const QStringList present = values.keys();
    QVariantMap left;
    const Loaded first = load(values, &left);
    const QRegularExpression address("^[0-9A-Z]{3,15}$");
    for (const QString& loaded : {first.self_address, first.other_address}) {
        if (!loaded.isEmpty() && !address.match(loaded).hasMatch()) {
            fail("an address that is not acceptable was taken");
        }
    }
    const Loaded defaults(keys);
    const QString Loaded::*texts[] = {&Loaded::self_address, &Loaded::other_address,
                                      &Loaded::scan_list};
    for (int i = 0; i < 3; ++i) {
        if (!present.contains(names[i]) && first.*texts[i] != defaults.*texts[i]) {
            fail("a missing text key did not take its default");
        }
    }
    if ((!present.contains(keys.activity_timeout_key) &&
         first.activity_timeout != defaults.activity_timeout) ||
        (!present.contains(keys.lbt_time_key) && first.lbt_time != defaults.lbt_time) ||
        (!present.contains(keys.tune_time_key) && first.tune_time != defaults.tune_time) ||
        (!present.contains(keys.wait_for_reply_time_key) &&
         first.wait_for_reply_time != defaults.wait_for_reply_time) ||
        (!present.contains(keys.terminate_on_disconnect_key) &&
         first.terminate_on_disconnect != defaults.terminate_on_disconnect)) {
        fail("a missing number key did not take its default");
    }
    for (const QString& name : names) {
        if (!left.contains(name)) {
            fail("a key is missing from the file after loading");
        }
    }
    if (!(load(left) == first)) {
        fail("the file written by loading loads differently");
    }
    return 0;
}
