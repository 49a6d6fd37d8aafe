// The settings the modem stores and reports: one table row per setting with
// its identifiers, payload layout, start values and the check a real modem
// applies before accepting a value.
#pragma once

#include "sim_fields.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vq_sim {

struct Setting_def
{
    const char* name;
    std::uint32_t set_id;
    std::uint32_t get_id;
    bool keyed; // the first field selects a record (port, direction, entry)
    Layout layout;
    std::vector<std::vector<Value>> defaults;
    // 0 when the payload is acceptable, else the NACK reason.
    std::uint32_t (*check)(const Bytes& payload);
};

const std::vector<Setting_def>& setting_table();
const Setting_def* setting_by_set_id(std::uint32_t id);
const Setting_def* setting_by_get_id(std::uint32_t id);
const Setting_def* setting_by_name(const std::string& name);

// Data rate in bits per second for an over-the-air data rate code (0 if unknown).
int ota_rate_bps(int data_rate_code);

// Result of storing or reading a setting.
struct Setting_result
{
    std::uint32_t nack = 0; // 0 = accepted
    Bytes payload;          // for reads: the record in the set layout
};

class Settings_store
{
public:
    Settings_store(); // start values of the table

    // A set request's payload: size-checked, value-checked, stored.
    Setting_result apply(const Setting_def& def, const Bytes& payload);
    // A get request's payload (empty or the key): the stored record.
    Setting_result read(const Setting_def& def, const Bytes& get_payload) const;

    bool has(const std::string& name, std::int64_t key = -1) const;
    Bytes record(const std::string& name, std::int64_t key = -1) const;
    std::int64_t number(const std::string& name, const std::string& field,
                        std::int64_t key = -1) const;
    std::string text(const std::string& name, const std::string& field,
                     std::int64_t key = -1) const;
    void put(const std::string& name, std::int64_t key, const Bytes& payload);
    void erase(const std::string& name) { _records.erase(name); }

    // INI files: "[name]" or "[name/key]" groups holding one key per field.
    // Returns the problems found (each a readable line); good values are kept.
    std::vector<std::string> load_ini(const std::string& path);
    bool save_ini(const std::string& path) const;

    // One JSON object with every setting decoded.
    std::string json() const;

    bool operator==(const Settings_store& o) const { return _records == o._records; }

private:
    // setting name -> key (-1 when unkeyed) -> payload in the set layout
    std::map<std::string, std::map<std::int64_t, Bytes>> _records;
};

} // namespace vq_sim
