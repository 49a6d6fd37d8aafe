// Arbitrary contents of the 2G ALE settings file, loaded as the window loads
// it: through the "2G ALE Control" panel, whose address edits validate what
// the file holds.
//
// Whatever the file holds: every key is in the file afterwards; a key the
// file did not have takes its default; an address is either empty (not
// acceptable) or 3 to 15 upper-case letters and digits; loading the file
// the load wrote gives the same settings again.
//
// Input: the file's bytes.

#include "ale_2g_control_panel.h"
#include "console_fuzz_support.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <cstdint>

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

Loaded load()
{
    vq_qt::Ale_2g_control_panel panel;
    panel._load_2G_ale_settings();
    return Loaded(panel.settings());
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
    QDir().mkpath(vq_qt::Ale_2g_settings::folder());
    const QString path = vq_qt::Ale_2g_settings::file_path();
    if (!console_fuzz::write_file(path, data, size)) {
        fail("cannot write the settings file");
    }
    QStringList present;
    {
        const QSettings file(path, QSettings::IniFormat);
        for (const QString& name : names) {
            if (file.contains(name)) {
                present << name;
            }
        }
    }

    const Loaded first = load();
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
    {
        const QSettings file(path, QSettings::IniFormat);
        for (const QString& name : names) {
            if (!file.contains(name)) {
                fail("a key is missing from the file after loading");
            }
        }
    }
    if (!(load() == first)) {
        fail("the file written by loading loads differently");
    }
    return 0;
}
