#include "sim_settings.h"

#include "sim_radio.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <optional>

namespace vq_sim {

namespace {

std::string json_escape(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

Settings_store::Settings_store()
{
    for (const Setting_def& s : setting_table()) {
        auto& records = _records[s.name];
        for (const auto& values : s.defaults) {
            const Bytes payload = encode(s.layout, values);
            records[s.keyed ? payload[0] : -1] = payload;
        }
    }
}

Setting_result Settings_store::apply(const Setting_def& def, const Bytes& payload)
{
    const int fit = size_check(def.layout, payload);
    if (fit != 0) {
        return {fit < 0 ? std::uint32_t(NACK_BELOW_SIZE) : std::uint32_t(NACK_EXCEEDS_SIZE), {}};
    }
    if (const std::uint32_t reason = def.check(payload)) {
        return {reason, {}};
    }
    auto& records = _records[def.name];
    if (!def.keyed) {
        records[-1] = payload;
    } else if (def.set_id == 0x00030009 && payload[0] == 3) {
        // One request for both directions.
        for (std::uint8_t dir : {1, 2}) {
            Bytes p = payload;
            p[0] = dir;
            records[dir] = p;
        }
    } else {
        records[payload[0]] = payload;
    }
    return {0, payload};
}

Setting_result Settings_store::read(const Setting_def& def, const Bytes& get_payload) const
{
    const std::size_t wanted = def.keyed ? 1 : 0;
    if (get_payload.size() != wanted) {
        return {get_payload.size() < wanted ? std::uint32_t(NACK_BELOW_SIZE)
                                            : std::uint32_t(NACK_EXCEEDS_SIZE),
                {}};
    }
    std::int64_t key = def.keyed ? get_payload[0] : -1;
    if (def.set_id == 0x00030009 && key == 3) {
        key = 1;
    }
    auto group = _records.find(def.name);
    if (group == _records.end()) {
        return {NACK_NOT_EXECUTED, {}};
    }
    auto it = group->second.find(key);
    if (it == group->second.end()) {
        return {nack_parameter(1), {}};
    }
    return {0, it->second};
}

bool Settings_store::has(const std::string& name, std::int64_t key) const
{
    auto group = _records.find(name);
    return group != _records.end() && group->second.count(key) != 0;
}

Bytes Settings_store::record(const std::string& name, std::int64_t key) const
{
    auto group = _records.find(name);
    if (group == _records.end()) {
        return {};
    }
    auto it = group->second.find(key);
    return it == group->second.end() ? Bytes{} : it->second;
}

void Settings_store::put(const std::string& name, std::int64_t key, const Bytes& payload)
{
    _records[name][key] = payload;
}

namespace {

std::optional<Value> field_of(const Setting_def* def, const Bytes& payload,
                              const std::string& field)
{
    if (def == nullptr) {
        return std::nullopt;
    }
    const auto values = decode(def->layout, payload);
    if (!values) {
        return std::nullopt;
    }
    for (const Field_value& v : *values) {
        if (v.name == field) {
            return v.value;
        }
    }
    return std::nullopt;
}

} // namespace

std::int64_t Settings_store::number(const std::string& name, const std::string& field,
                                    std::int64_t key) const
{
    const auto v = field_of(setting_by_name(name), record(name, key), field);
    return v && std::holds_alternative<std::int64_t>(*v) ? std::get<std::int64_t>(*v) : 0;
}

std::string Settings_store::text(const std::string& name, const std::string& field,
                                 std::int64_t key) const
{
    const auto v = field_of(setting_by_name(name), record(name, key), field);
    return v ? value_text(*v) : std::string();
}

std::vector<std::string> Settings_store::load_ini(const std::string& path)
{
    std::vector<std::string> problems;
    QSettings ini(QString::fromStdString(path), QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        problems.push_back("cannot read " + path);
        return problems;
    }
    for (const QString& group : ini.childGroups()) {
        const Setting_def* def = setting_by_name(group.toStdString());
        if (def == nullptr) {
            problems.push_back(path + ": unknown setting [" + group.toStdString() + "]");
            continue;
        }
        ini.beginGroup(group);
        std::vector<std::pair<std::int64_t, QString>> records;
        if (def->keyed) {
            for (const QString& sub : ini.childGroups()) {
                bool ok = false;
                const int key = sub.toInt(&ok);
                if (!ok || key < 0 || key > 255) {
                    problems.push_back(path + ": bad key [" + group.toStdString() + "/" +
                                       sub.toStdString() + "]");
                    continue;
                }
                records.emplace_back(key, sub + "/");
            }
        } else {
            records.emplace_back(-1, QString());
        }
        for (const auto& [key, prefix] : records) {
            const Bytes current = record(def->name, key);
            auto values = decode(def->layout, current);
            std::vector<Value> next;
            for (std::size_t i = 0; i < def->layout.size(); ++i) {
                const Field& f = def->layout[i];
                Value v = values ? (*values)[i].value : Value{};
                if (def->keyed && i == 0) {
                    v = key;
                } else if (ini.contains(prefix + f.name)) {
                    const std::string text = ini.value(prefix + f.name).toString().toStdString();
                    if (auto parsed = parse_value(f, text)) {
                        v = *parsed;
                    } else {
                        problems.push_back(path + ": " + def->name + "/" + prefix.toStdString() +
                                           f.name + " = \"" + text + "\" is not valid, kept " +
                                           value_text(v));
                    }
                }
                next.push_back(v);
            }
            const Bytes payload = encode(def->layout, next);
            if (const std::uint32_t reason = def->check(payload)) {
                problems.push_back(path + ": " + def->name + " " + prefix.toStdString() +
                                   "refused by the modem (reason " + std::to_string(reason) +
                                   "), kept the previous values");
                continue;
            }
            put(def->name, key, payload);
        }
        ini.endGroup();
    }
    return problems;
}

bool Settings_store::save_ini(const std::string& path) const
{
    QSettings ini(QString::fromStdString(path), QSettings::IniFormat);
    ini.clear();
    for (const Setting_def& def : setting_table()) {
        auto group = _records.find(def.name);
        if (group == _records.end()) {
            continue;
        }
        for (const auto& [key, payload] : group->second) {
            const auto values = decode(def.layout, payload);
            if (!values) {
                continue;
            }
            QString prefix = QString::fromLatin1(def.name) + "/";
            if (def.keyed) {
                prefix += QString::number(key) + "/";
            }
            for (std::size_t i = def.keyed ? 1 : 0; i < values->size(); ++i) {
                const Value& v = (*values)[i].value;
                const QString name = prefix + QString::fromStdString((*values)[i].name);
                if (std::holds_alternative<std::int64_t>(v)) {
                    ini.setValue(name, QString::number(std::get<std::int64_t>(v)));
                } else {
                    ini.setValue(name, QString::fromStdString(std::get<std::string>(v)));
                }
            }
        }
    }
    ini.sync();
    return ini.status() == QSettings::NoError;
}

std::string Settings_store::json() const
{
    std::string out = "{";
    bool first_setting = true;
    for (const Setting_def& def : setting_table()) {
        auto group = _records.find(def.name);
        if (group == _records.end() || group->second.empty()) {
            continue;
        }
        out += first_setting ? "" : ",";
        first_setting = false;
        out += "\"" + std::string(def.name) + "\":";
        out += def.keyed ? "{" : "";
        bool first_record = true;
        for (const auto& [key, payload] : group->second) {
            const auto values = decode(def.layout, payload);
            if (!values) {
                continue;
            }
            if (def.keyed) {
                out += first_record ? "" : ",";
                out += "\"" + std::to_string(key) + "\":";
            }
            first_record = false;
            out += "{";
            for (std::size_t i = def.keyed ? 1 : 0; i < values->size(); ++i) {
                const Value& v = (*values)[i].value;
                out += i > (def.keyed ? 1u : 0u) ? "," : "";
                out += "\"" + (*values)[i].name + "\":";
                if (std::holds_alternative<std::int64_t>(v)) {
                    out += std::to_string(std::get<std::int64_t>(v));
                } else {
                    out += "\"" + json_escape(std::get<std::string>(v)) + "\"";
                }
            }
            out += "}";
        }
        out += def.keyed ? "}" : "";
    }
    out += "}";
    return out;
}

} // namespace vq_sim
