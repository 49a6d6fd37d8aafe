#include "registry_wrapper.h"

#include "registry_store.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {
namespace {

using namespace registry_store;

std::string config_home()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* pw = ::getpwuid(::getuid());
        home = (pw != nullptr && pw->pw_dir != nullptr) ? pw->pw_dir : "/tmp";
    }
    return std::string(home) + "/.config";
}

const Value* find_value(const Key& key, const std::string& name)
{
    for (const auto& v : key.values)
        if (same_name(v.name, name))
            return &v;
    return nullptr;
}

} // namespace

std::filesystem::path Registry_wrapper::store_path(Registry_root root)
{
    std::filesystem::path dir = std::filesystem::path(config_home()) / "Velquin";
    return dir / (root == Registry_root::local_machine ? "registry.conf" : "registry-user.conf");
}

Registry_wrapper::~Registry_wrapper()
{
    close();
}

bool Registry_wrapper::open(Registry_root r, const std::string& subkey, bool create)
{
    if (opened)
        return false;
    const std::string path = normalise_path(subkey);
    const auto file = store_path(r);
    Store store = load(file);
    if (!store.exists(path)) {
        if (!create)
            return false;
        Store_lock lock(file);
        store = load(file);
        if (!store.exists(path)) {
            store.create(path);
            if (!save(file, store))
                return false;
        }
    }
    root = r;
    key_path = path;
    opened = true;
    return true;
}

void Registry_wrapper::close()
{
    opened = false;
    key_path.clear();
}

bool Registry_wrapper::read_value(const std::string& name, std::uint32_t type, void* data,
                                  std::uint32_t* length, const void* default_data,
                                  std::uint32_t default_length) const
{
    if (opened) {
        Store store = load(store_path(root));
        const Key* key = key_path.empty() ? nullptr : store.find(key_path);
        const Value* v = key ? find_value(*key, name) : nullptr;
        if (v != nullptr && v->type == type) {
            std::string bytes = v->bytes;
            if (type == reg_sz)
                bytes += '\0';
            if (length == nullptr)
                return data == nullptr;
            if (data == nullptr) {
                *length = static_cast<std::uint32_t>(bytes.size());
                return true;
            }
            if (bytes.size() <= *length) {
                std::memcpy(data, bytes.data(), bytes.size());
                *length = static_cast<std::uint32_t>(bytes.size());
                return true;
            }
        }
    }
    if (default_data == nullptr)
        return false;
    if (data != nullptr && length != nullptr) {
        const std::uint32_t n = std::min(default_length, *length);
        std::memcpy(data, default_data, n);
        *length = n;
    }
    return true;
}

bool Registry_wrapper::write_value(const std::string& name, std::uint32_t type, const void* data,
                                   std::uint32_t size)
{
    if (!opened || (data == nullptr && size != 0))
        return false;
    if ((type == reg_dword && size != 4) || (type == reg_qword && size != 8))
        return false;
    std::string bytes(static_cast<const char*>(data), size);
    if (type == reg_sz) {
        const auto nul = bytes.find('\0');
        if (nul != std::string::npos)
            bytes.resize(nul);
    }
    const auto file = store_path(root);
    Store_lock lock(file);
    Store store = load(file);
    if (!store.exists(key_path))
        return false;
    Key& key = store.create(key_path);
    auto it = std::find_if(key.values.begin(), key.values.end(),
                           [&](const Value& v) { return same_name(v.name, name); });
    if (it != key.values.end()) {
        it->type = type;
        it->bytes = bytes;
    } else {
        key.values.push_back(Value{name, type, bytes});
    }
    return save(file, store);
}

bool Registry_wrapper::delete_key(const std::string& subkey)
{
    const std::string child = normalise_path(subkey);
    if (!opened || child.empty())
        return false;
    const std::string path = join_path(key_path, child);
    const auto file = store_path(root);
    Store_lock lock(file);
    Store store = load(file);
    if (store.find(path) == nullptr)
        return false;
    store.keys.erase(std::remove_if(store.keys.begin(), store.keys.end(),
                                    [&](const Key& k) {
                                        return same_name(k.path, path) || is_below(k.path, path);
                                    }),
                     store.keys.end());
    return save(file, store);
}

bool Registry_wrapper::delete_value(const std::string& name)
{
    if (!opened)
        return false;
    const auto file = store_path(root);
    Store_lock lock(file);
    Store store = load(file);
    Key* key = store.find(key_path);
    if (key == nullptr)
        return false;
    auto it = std::find_if(key->values.begin(), key->values.end(),
                           [&](const Value& v) { return same_name(v.name, name); });
    if (it == key->values.end())
        return false;
    key->values.erase(it);
    return save(file, store);
}

bool Registry_wrapper::enumerate_subkeys(std::vector<std::string>& names) const
{
    names.clear();
    if (!opened)
        return false;
    Store store = load(store_path(root));
    if (!store.exists(key_path))
        return false;
    for (const auto& k : store.keys) {
        if (!is_below(k.path, key_path))
            continue;
        const std::string rest = key_path.empty() ? k.path : k.path.substr(key_path.size() + 1);
        if (rest.find('\\') == std::string::npos)
            names.push_back(rest);
    }
    return true;
}

bool Registry_wrapper::query_key_info(Registry_key_info& info) const
{
    info = Registry_key_info{};
    std::vector<std::string> subkeys;
    if (!enumerate_subkeys(subkeys))
        return false;
    info.subkey_count = static_cast<std::uint32_t>(subkeys.size());
    for (const auto& s : subkeys)
        info.max_subkey_name_length =
            std::max(info.max_subkey_name_length, static_cast<std::uint32_t>(s.size()));
    Store store = load(store_path(root));
    if (const Key* key = store.find(key_path)) {
        info.value_count = static_cast<std::uint32_t>(key->values.size());
        for (const auto& v : key->values) {
            info.max_value_name_length =
                std::max(info.max_value_name_length, static_cast<std::uint32_t>(v.name.size()));
            const std::size_t len = v.bytes.size() + (v.type == reg_sz ? 1 : 0);
            info.max_value_length =
                std::max(info.max_value_length, static_cast<std::uint32_t>(len));
        }
    }
    return true;
}

bool Registry_wrapper::read_dword(const std::string& name, std::uint32_t& value) const
{
    std::uint32_t v = 0;
    std::uint32_t length = sizeof v;
    if (!read_value(name, reg_dword, &v, &length) || length != sizeof v)
        return false;
    value = v;
    return true;
}

bool Registry_wrapper::read_string(const std::string& name, std::string& value,
                                   std::size_t max_bytes) const
{
    std::vector<char> buf(max_bytes == 0 ? 1 : max_bytes);
    auto length = static_cast<std::uint32_t>(std::min<std::size_t>(buf.size(), 0xFFFFFFFFu));
    if (!read_value(name, reg_sz, buf.data(), &length) || length == 0)
        return false;
    value.assign(buf.data(), length - 1);
    return true;
}

bool Registry_wrapper::write_dword(const std::string& name, std::uint32_t value)
{
    return write_value(name, reg_dword, &value, sizeof value);
}

bool Registry_wrapper::write_string(const std::string& name, const std::string& value)
{
    return write_value(name, reg_sz, value.c_str(), static_cast<std::uint32_t>(value.size() + 1));
}

} // namespace vq
