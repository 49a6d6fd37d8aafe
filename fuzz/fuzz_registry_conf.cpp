// Arbitrary contents of the key/value store file (registry.conf) as the
// trace logger finds it at start-up.
//
// The logger must come up with a value read from the store where the store
// holds one of the right type, and with its default where it does not; a
// change it writes back must keep every other value as it was, and writing
// the store twice must give the same file (what is written reads back the
// same).
//
// Input: the file's bytes.

#include "console_fuzz_support.h"
#include "registry_wrapper.h"
#include "trace_logger.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr char application[] = "Talvane";

[[noreturn]] void fail(const char* what)
{
    console_fuzz::fail("fuzz_registry_conf", what);
}

std::string own_key()
{
    return std::string(vq::Trace_logger::shared_key) + "\\" + application;
}

// The values the logger reads, as the store gives them.
struct Read_values
{
    std::optional<std::uint32_t> port, count, size_limit, file_level, network_level;
    std::optional<std::string> base;
    std::vector<std::optional<std::string>> subnets;

    bool operator==(const Read_values& o) const
    {
        return port == o.port && count == o.count && size_limit == o.size_limit &&
               file_level == o.file_level && network_level == o.network_level && base == o.base &&
               subnets == o.subnets;
    }
};

std::optional<std::uint32_t> dword(const vq::Registry_wrapper& key, const char* name)
{
    std::uint32_t value = 0;
    if (key.is_open() && key.read_dword(name, value)) {
        return value;
    }
    return std::nullopt;
}

std::optional<std::string> text(const vq::Registry_wrapper& key, const std::string& name)
{
    std::string value;
    if (key.is_open() && key.read_string(name, value, 1024)) {
        return value;
    }
    return std::nullopt;
}

Read_values read_values()
{
    Read_values values;
    vq::Registry_wrapper shared;
    shared.open(vq::Registry_root::local_machine, vq::Trace_logger::shared_key, false);
    values.port = dword(shared, "Port");
    for (int n = 1; n <= 15; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "SubnetAddr%02d", n);
        values.subnets.push_back(text(shared, name));
        std::snprintf(name, sizeof name, "SubnetMask%02d", n);
        values.subnets.push_back(text(shared, name));
    }
    vq::Registry_wrapper own;
    own.open(vq::Registry_root::local_machine, own_key(), false);
    values.base = text(own, "FilenameBase");
    values.count = dword(own, "FilenameCount");
    values.size_limit = dword(own, "FileSizeLimit");
    values.file_level = dword(own, "FileLogLevel");
    values.network_level = dword(own, "NetworkLogLevel");
    return values;
}

std::string file_contents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The logger's settings are those read, or its defaults.
void check_logger(const vq::Trace_logger& logger, const Read_values& read)
{
    using L = vq::Trace_logger;
    const std::uint32_t limit =
        read.size_limit
            ? std::clamp(*read.size_limit, L::min_file_size_limit, L::max_file_size_limit)
            : L::default_file_size_limit;
    if (logger.file_size_limit() != limit) {
        fail("file size limit is neither the stored one (clamped) nor the default");
    }
    if (logger.file_level_min() != read.file_level.value_or(L::level_unlimited) ||
        logger.file_level_max() != L::level_unlimited) {
        fail("file log level");
    }
    if (logger.network_level_min() != read.network_level.value_or(L::level_unlimited)) {
        fail("network log level");
    }
    const std::uint32_t port = read.port && *read.port <= 0xFFFF ? *read.port : 0;
    if (logger.network_port() != port) {
        fail("network port");
    }
    if (logger.file_index() != read.count.value_or(1)) {
        fail("file index");
    }
    if (read.base && !read.base->empty() ? logger.file_name_base() != *read.base
                                         : logger.file_name_base().empty()) {
        fail("file name base");
    }
}

} // namespace

extern "C" const char* __asan_default_options()
{
    return "malloc_context_size=8";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    console_fuzz::set_up("fuzz_registry_conf", false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto store = vq::Registry_wrapper::store_path(vq::Registry_root::local_machine);
    std::filesystem::create_directories(store.parent_path());
    {
        std::ofstream out(store, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    const Read_values before = read_values();
    {
        const vq::Trace_logger logger(application);
        check_logger(logger, before);
    }
    // The logger creates its own key when it is missing: nothing else moves.
    Read_values after = read_values();
    if (!(after == before)) {
        fail("opening the logger's key changed a value");
    }

    // A change written back keeps every other value, and the file written
    // reads back as written.
    vq::Registry_wrapper own;
    if (!own.open(vq::Registry_root::local_machine, own_key(), true) ||
        !own.write_dword("FilenameCount", 3)) {
        fail("cannot write the file index");
    }
    after = read_values();
    if (after.count != 3u) {
        fail("the written file index does not read back");
    }
    after.count = before.count;
    if (!(after == before)) {
        fail("writing the file index changed another value");
    }
    const std::string once = file_contents(store);
    if (!own.write_dword("FilenameCount", 3)) {
        fail("cannot write the file index again");
    }
    if (file_contents(store) != once) {
        fail("the store does not read back as it was written");
    }
    return 0;
}
