#pragma once

// A small hierarchical, typed key/value store with the operations of a
// system registry, kept in one text file per root below the user's
// configuration folder ($XDG_CONFIG_HOME, default ~/.config):
//
//   local machine   <config>/Velquin/registry.conf
//   current user    <config>/Velquin/registry-user.conf
//
// Keys are backslash-separated paths compared without regard to ASCII case,
// as are value names. Every value keeps its type; reading a value with
// another type than it was written with reads as missing. Every change reads
// the file afresh, applies the change and replaces the file atomically
// (temporary file, then rename) under an advisory lock, so a crash never
// leaves a half-written store and concurrent writers do not lose changes.
//
// File format (human-editable):
//   [SOFTWARE\Stenwick\TraceAndLog]
//   "Port"=dword:0000c350
//   "SubnetAddr01"="127.0.0.0"
//   "Blob"=hex(3):01,02,ff
// Inside quotes, \\ \" and \xHH escape bytes; in key paths, %HH does.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vq {

enum class Registry_root
{
    local_machine,
    current_user,
};

// Value types, numbered as the usual registry types.
enum Registry_value_type : std::uint32_t
{
    reg_none = 0,
    reg_sz = 1,
    reg_binary = 3,
    reg_dword = 4,
    reg_qword = 11,
};

struct Registry_key_info
{
    std::uint32_t subkey_count = 0;
    std::uint32_t value_count = 0;
    std::uint32_t max_subkey_name_length = 0;
    std::uint32_t max_value_name_length = 0;
    std::uint32_t max_value_length = 0;
};

class Registry_wrapper
{
public:
    Registry_wrapper() = default;
    ~Registry_wrapper();
    Registry_wrapper(const Registry_wrapper&) = delete;
    Registry_wrapper& operator=(const Registry_wrapper&) = delete;

    // Opens `subkey` of `root`. Fails when a key is already open. When the key
    // does not exist it is created (with its missing parents) only if
    // `create` is set.
    bool open(Registry_root root, const std::string& subkey, bool create);
    bool is_open() const { return opened; }
    void close();

    // Reads value `name` of type `type` into `data`, whose size `*length`
    // gives on entry; on success `*length` holds the bytes copied (for reg_sz
    // the text plus its terminating NUL). True only when the value exists with
    // that type and fits; otherwise, when `default_data` is given, copies it
    // (truncated to the buffer) and reports true.
    bool read_value(const std::string& name, std::uint32_t type, void* data, std::uint32_t* length,
                    const void* default_data = nullptr, std::uint32_t default_length = 0) const;
    // Writes value `name`. A reg_dword needs 4 bytes, a reg_qword 8; trailing
    // NULs of a reg_sz are not stored.
    bool write_value(const std::string& name, std::uint32_t type, const void* data,
                     std::uint32_t size);
    // Deletes `subkey` of the open key with everything below it.
    bool delete_key(const std::string& subkey);
    bool delete_value(const std::string& name);
    // Names of the direct subkeys of the open key, in store order.
    bool enumerate_subkeys(std::vector<std::string>& names) const;
    bool query_key_info(Registry_key_info& info) const;

    // Typed conveniences over read_value / write_value.
    bool read_dword(const std::string& name, std::uint32_t& value) const;
    // Fails when the text with its NUL needs more than `max_bytes`.
    bool read_string(const std::string& name, std::string& value,
                     std::size_t max_bytes = 1024) const;
    bool write_dword(const std::string& name, std::uint32_t value);
    bool write_string(const std::string& name, const std::string& value);

    // The file holding `root` (from the environment at the time of the call).
    static std::filesystem::path store_path(Registry_root root);

private:
    bool opened = false;
    Registry_root root = Registry_root::local_machine;
    std::string key_path;
};

} // namespace vq
