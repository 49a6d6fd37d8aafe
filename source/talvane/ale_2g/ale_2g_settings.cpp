#include "ale_2g_settings.h"

#include "log_categories.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

namespace vq_qt {

namespace {

using Settings = Ale_2g_settings;

// One key: where its name lives, its default, how the read value goes into
// the member and how the member is shown in the log.
struct Key_row
{
    const QString Settings::*key;
    QVariant fallback;
    void (*assign)(Settings&, const QVariant&);
    QString (*show)(const Settings&);
};

const Key_row key_rows[] = {
    {&Settings::self_address_key, QString("REMOTE1"),
     [](Settings& s, const QVariant& v) { s.self_address = v.toString(); },
     [](const Settings& s) { return s.self_address; }},
    {&Settings::other_address_key, QString("BASE1"),
     [](Settings& s, const QVariant& v) { s.other_address = v.toString(); },
     [](const Settings& s) { return s.other_address; }},
    {&Settings::scan_list_key, QString("FFFF"),
     [](Settings& s, const QVariant& v) { s.scan_list = v.toString(); },
     [](const Settings& s) { return s.scan_list; }},
    {&Settings::activity_timeout_key, 180u,
     [](Settings& s, const QVariant& v) { s.activity_timeout = ushort(v.toUInt()); },
     [](const Settings& s) { return QString::number(s.activity_timeout); }},
    {&Settings::lbt_time_key, 10u,
     [](Settings& s, const QVariant& v) { s.lbt_time = uchar(v.toUInt()); },
     [](const Settings& s) { return QString::number(s.lbt_time); }},
    {&Settings::tune_time_key, 5000u,
     [](Settings& s, const QVariant& v) { s.tune_time = ushort(v.toUInt()); },
     [](const Settings& s) { return QString::number(s.tune_time); }},
    {&Settings::wait_for_reply_time_key, 5000u,
     [](Settings& s, const QVariant& v) { s.wait_for_reply_time = ushort(v.toUInt()); },
     [](const Settings& s) { return QString::number(s.wait_for_reply_time); }},
    {&Settings::terminate_on_disconnect_key, true,
     [](Settings& s, const QVariant& v) { s.terminate_on_disconnect = v.toBool(); },
     [](const Settings& s) { return QString(s.terminate_on_disconnect ? "true" : "false"); }},
};

} // namespace

Ale_2g_settings::Ale_2g_settings() = default;
Ale_2g_settings::~Ale_2g_settings() = default;

QString Ale_2g_settings::folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           "/Velquin/Talvane/data";
}

QString Ale_2g_settings::file_path()
{
    return folder() + "/" + file_name;
}

bool Ale_2g_settings::_load_2G_ale_settings(const Address_hooks& hooks)
{
    if (!QDir().mkpath(folder())) {
        qCWarning(lc_init).noquote() << "Cannot create the 2G ALE settings folder " + folder();
    }
    file = std::make_unique<QSettings>(file_path(), QSettings::IniFormat);
    values.clear();
    for (const Key_row& row : key_rows) {
        const QString& key = this->*row.key;
        if (file->contains(key)) {
            values.insert(key, file->value(key));
        }
    }
    load(hooks);
    file->sync();
    if (file->status() != QSettings::NoError) {
        qCWarning(lc_init).noquote() << "Cannot write the 2G ALE settings file " + file_path();
        return false;
    }
    return true;
}

void Ale_2g_settings::load_from_values(const QVariantMap& loaded, const Address_hooks& hooks)
{
    file.reset();
    values = loaded;
    load(hooks);
}

void Ale_2g_settings::load(const Address_hooks& hooks)
{
    for (const Key_row& row : key_rows) {
        const QString& key = this->*row.key;
        const auto found = values.constFind(key);
        if (found != values.constEnd()) {
            row.assign(*this, found.value());
            qCDebug(lc_info).noquote() << key + " = " + row.show(*this);
        } else {
            row.assign(*this, row.fallback);
            store(key, row.fallback);
            qCWarning(lc_init).noquote() << key + " not found.";
        }
        if (row.key == &Settings::self_address_key && hooks.self_address_loaded) {
            hooks.self_address_loaded(self_address);
        } else if (row.key == &Settings::other_address_key && hooks.other_address_loaded) {
            hooks.other_address_loaded(other_address);
        }
    }
}

void Ale_2g_settings::store(const QString& key, const QVariant& value)
{
    values.insert(key, value);
    if (file) {
        file->setValue(key, value);
    }
}

void Ale_2g_settings::set_self_address(const QString& address)
{
    self_address = address;
    write_back(self_address_key, address);
}

void Ale_2g_settings::set_other_address(const QString& address)
{
    other_address = address;
    write_back(other_address_key, address);
}

void Ale_2g_settings::write_back(const QString& key, const QString& value)
{
    if (value.isEmpty()) {
        return;
    }
    store(key, value);
    if (!file) {
        return;
    }
    file->sync();
    if (file->status() != QSettings::NoError) {
        qCWarning(lc_address_entry_2g).noquote()
            << "Cannot write " + key + " to the 2G ALE settings file " + file_path();
    }
}

} // namespace vq_qt
