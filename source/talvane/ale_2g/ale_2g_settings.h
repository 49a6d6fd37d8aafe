#pragma once

// The station's 2G ALE settings, kept in an INI file of their own:
// $XDG_DATA_HOME/Velquin/Talvane/data/2g_ale_settings.ini (the generic data
// folder of the user). Loaded once; the two addresses are written back on
// every valid change, everything else is edited in the file by hand.

#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

class QSettings;

namespace vq_qt {

class Ale_2g_settings
{
public:
    static constexpr const char* file_name = "2g_ale_settings.ini";

    // The keys, in the order they are loaded.
    const QString self_address_key = "2G_ALE_Self_Address";
    const QString other_address_key = "2G_ALE_Other_Address";
    const QString scan_list_key = "2G_ALE_Scan_List_Assignment_Matrix";
    const QString activity_timeout_key = "2G_ALE_Activity_Timeout_sec";
    const QString lbt_time_key = "2G_ALE_LBT_Time_Interval";
    const QString tune_time_key = "2G_ALE_Tune_Time_ms";
    const QString wait_for_reply_time_key = "2G_ALE_Wait_For_Reply_Time_ms";
    const QString terminate_on_disconnect_key = "2G_ALE_Terminate_on_disconnect";

    QString self_address = "REMOTE1";
    QString other_address = "BASE1";
    QString scan_list = "FFFF"; // hexadecimal channel mask
    ushort activity_timeout = 180;
    uchar lbt_time = 10;
    ushort tune_time = 5000;
    ushort wait_for_reply_time = 5000;
    bool terminate_on_disconnect = true;

    // Called right after an address is loaded, with the loaded text; the
    // panel puts it into its edit, which validates and writes it back.
    struct Address_hooks
    {
        std::function<void(const QString&)> self_address_loaded;
        std::function<void(const QString&)> other_address_loaded;
    };

    Ale_2g_settings();
    ~Ale_2g_settings();
    Ale_2g_settings(const Ale_2g_settings&) = delete;
    Ale_2g_settings& operator=(const Ale_2g_settings&) = delete;

    // The folder of the file: the generic data folder + "/Velquin/Talvane/data".
    static QString folder();
    static QString file_path();

    // Opens the file (creating folder and file as needed), fills every member
    // from its key or writes the default for a missing key. False when the
    // file could not be written; the members hold usable values either way.
    bool _load_2G_ale_settings(const Address_hooks& hooks = {});

    // The same loading from the file's keys and values held in memory, as the
    // INI reader gives them (texts, lists, byte arrays, any stored variant);
    // no file is read or written. stored() then holds what the file would.
    void load_from_values(const QVariantMap& values, const Address_hooks& hooks = {});
    // The keys and values the file holds after loading and write-backs.
    const QVariantMap& stored() const { return values; }

    // Store an address; a non-empty one is written to the file at once.
    // An empty one (not acceptable) leaves the file as it was.
    void set_self_address(const QString& address);
    void set_other_address(const QString& address);

private:
    void load(const Address_hooks& hooks);
    void store(const QString& key, const QVariant& value);
    void write_back(const QString& key, const QString& value);

    QVariantMap values;              // our keys as the file holds them
    std::unique_ptr<QSettings> file; // none when loaded from memory
};

} // namespace vq_qt
