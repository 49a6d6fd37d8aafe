#pragma once

// The file behind the key/value store: a typed text format of sections and
// values, read leniently (what cannot be read is kept aside and written back
// as it stands) and written whole through a temporary file and a rename.

#include "registry_wrapper.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vq {
namespace registry_store {

bool same_name(const std::string& a, const std::string& b);
std::string normalise_path(const std::string& path);
std::string join_path(const std::string& parent, const std::string& child);
bool is_below(const std::string& path, const std::string& ancestor);

struct Value
{
    std::string name;
    std::uint32_t type = reg_none;
    std::string bytes;
};

struct Key
{
    std::string path;
    std::vector<Value> values;
    // Lines of the key's section that could not be read (a typo in a hand
    // edit, say) and comments: written back as they stand.
    std::vector<std::string> kept_lines;
};

struct Store
{
    std::vector<Key> keys;
    // Lines before the first section, or under a section header that could
    // not be read: written back at the top as they stand.
    std::vector<std::string> kept_lines;

    Key* find(const std::string& path)
    {
        for (auto& k : keys)
            if (same_name(k.path, path))
                return &k;
        return nullptr;
    }
    bool exists(const std::string& path) { return path.empty() || find(path) != nullptr; }

    // Creates `path` and its missing parents; returns the key.
    Key& create(const std::string& path)
    {
        std::string prefix;
        std::size_t start = 0;
        Key* key = nullptr;
        while (start <= path.size()) {
            std::size_t end = path.find('\\', start);
            if (end == std::string::npos)
                end = path.size();
            prefix = path.substr(0, end);
            key = find(prefix);
            if (key == nullptr) {
                keys.push_back(Key{prefix, {}, {}});
                key = &keys.back();
            }
            start = end + 1;
        }
        return *key;
    }
};

// Advisory lock around one read-modify-write of a store file.
class Store_lock
{
public:
    explicit Store_lock(const std::filesystem::path& file);
    ~Store_lock();
    Store_lock(const Store_lock&) = delete;
    Store_lock& operator=(const Store_lock&) = delete;

private:
    int fd = -1;
};

// The store in `file`; empty when the file cannot be read.
Store load(const std::filesystem::path& file);
// Writes the whole store to `file` (a temporary file, then a rename).
bool save(const std::filesystem::path& file, const Store& store);

} // namespace registry_store
} // namespace vq
