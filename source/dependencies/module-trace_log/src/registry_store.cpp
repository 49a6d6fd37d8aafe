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
namespace registry_store {

char lower_ascii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lower_ascii(x) == lower_ascii(y);
           });
}

// "a\\b\\\\c\\" -> "a\b\c": no empty components, no leading or trailing separators.
std::string normalise_path(const std::string& path)
{
    std::string out;
    std::string part;
    auto flush = [&] {
        if (!part.empty()) {
            if (!out.empty())
                out += '\\';
            out += part;
            part.clear();
        }
    };
    for (char c : path) {
        if (c == '\\')
            flush();
        else
            part += c;
    }
    flush();
    return out;
}

std::string join_path(const std::string& parent, const std::string& child)
{
    const std::string c = normalise_path(child);
    if (parent.empty())
        return c;
    if (c.empty())
        return parent;
    return parent + '\\' + c;
}

// True when `path` lies strictly below `ancestor`.
bool is_below(const std::string& path, const std::string& ancestor)
{
    if (ancestor.empty())
        return !path.empty();
    return path.size() > ancestor.size() + 1 && path[ancestor.size()] == '\\' &&
           same_name(path.substr(0, ancestor.size()), ancestor);
}

void append_escaped(std::string& out, const std::string& text)
{
    for (unsigned char c : text) {
        if (c == '\\' || c == '"' || c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
}

// Key paths keep their backslashes readable; '%', brackets and control bytes
// are written as %HH.
void append_key_escaped(std::string& out, const std::string& path)
{
    for (unsigned char c : path) {
        if (c == '%' || c == '[' || c == ']' || c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%%%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lower_ascii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The byte written as two hex digits at `at`, if both are there.
bool hex_byte(const std::string& text, std::size_t at, char& byte)
{
    if (at + 2 > text.size())
        return false;
    const int hi = hex_digit(text[at]);
    const int lo = hex_digit(text[at + 1]);
    if (hi < 0 || lo < 0)
        return false;
    byte = static_cast<char>(hi * 16 + lo);
    return true;
}

// Reads an escaped text from `line` at `pos` up to the unescaped `end`;
// leaves `pos` after the terminator.
bool read_escaped(const std::string& line, std::size_t& pos, char end, std::string& out)
{
    out.clear();
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == end)
            return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= line.size())
            return false;
        const char e = line[pos++];
        if (e == 'x') {
            char byte = 0;
            if (!hex_byte(line, pos, byte))
                return false;
            out += byte;
            pos += 2;
        } else {
            out += e;
        }
    }
    return false;
}

bool read_key_path(const std::string& line, std::string& out)
{
    out.clear();
    if (line.size() < 2 || line.back() != ']')
        return false;
    for (std::size_t pos = 1; pos + 1 < line.size(); ++pos) {
        const char c = line[pos];
        if (c == ']' || c == '[')
            return false;
        if (c != '%') {
            out += c;
            continue;
        }
        if (pos + 3 >= line.size())
            return false;
        const int hi = hex_digit(line[pos + 1]);
        const int lo = hex_digit(line[pos + 2]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi * 16 + lo);
        pos += 2;
    }
    return true;
}

bool parse_value(const std::string& line, Value& value)
{
    std::size_t pos = 1;
    if (!read_escaped(line, pos, '"', value.name) || pos >= line.size() || line[pos] != '=')
        return false;
    const std::string rest = line.substr(pos + 1);
    if (!rest.empty() && rest[0] == '"') {
        std::size_t p = 1;
        value.type = reg_sz;
        return read_escaped(rest, p, '"', value.bytes) && p == rest.size();
    }
    if (rest.rfind("dword:", 0) == 0) {
        const std::string digits = rest.substr(6);
        if (digits.empty() || digits.size() > 8)
            return false;
        std::uint32_t v = 0;
        for (char c : digits) {
            const int d = hex_digit(c);
            if (d < 0)
                return false;
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        value.type = reg_dword;
        value.bytes.assign(reinterpret_cast<const char*>(&v), sizeof v);
        return true;
    }
    if (rest.rfind("hex(", 0) == 0) {
        const std::size_t close = rest.find("):");
        if (close == std::string::npos)
            return false;
        char* end = nullptr;
        const std::string type_text = rest.substr(4, close - 4);
        const unsigned long type = std::strtoul(type_text.c_str(), &end, 16);
        if (type_text.empty() || *end != '\0' || type > 0xFFFFFFFFul)
            return false;
        value.type = static_cast<std::uint32_t>(type);
        value.bytes.clear();
        std::size_t p = close + 2;
        while (p < rest.size()) {
            char byte = 0;
            if (!hex_byte(rest, p, byte))
                return false;
            value.bytes += byte;
            p += 2;
            if (p < rest.size() && rest[p++] != ',')
                return false;
        }
        return true;
    }
    return false;
}

const char* const store_header =
    "; Talvane key/value store (registry). Edit only while no program runs.";

// Lines that cannot be read are kept aside, to be written back as they
// stand: the rest of the store stays usable and a hand edit is not lost.
Store parse(std::istream& in)
{
    Store store;
    std::string current_path;
    bool in_key = false;
    auto keep = [&](const std::string& line) {
        if (in_key) {
            store.create(current_path).kept_lines.push_back(line);
        } else if (line != store_header) {
            store.kept_lines.push_back(line);
        }
    };
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line[0] == ';' || line[0] == '#') {
            keep(line);
            continue;
        }
        if (line[0] == '[') {
            std::string path;
            in_key = read_key_path(line, path);
            if (in_key) {
                current_path = normalise_path(path);
                store.create(current_path);
            } else {
                store.kept_lines.push_back(line);
            }
            continue;
        }
        Value value;
        if (!in_key || line[0] != '"' || !parse_value(line, value)) {
            keep(line);
            continue;
        }
        Key* current = store.find(current_path);
        auto it = std::find_if(current->values.begin(), current->values.end(),
                               [&](const Value& v) { return same_name(v.name, value.name); });
        if (it != current->values.end())
            *it = value;
        else
            current->values.push_back(value);
    }
    return store;
}

std::string serialise(const Store& store)
{
    std::string out = std::string(store_header) + "\n";
    for (const auto& line : store.kept_lines) {
        out += line + '\n';
    }
    for (const auto& key : store.keys) {
        if (key.path.empty() && key.values.empty() && key.kept_lines.empty())
            continue;
        out += "\n[";
        append_key_escaped(out, key.path);
        out += "]\n";
        for (const auto& v : key.values) {
            out += '"';
            append_escaped(out, v.name);
            out += "\"=";
            char buf[32];
            if (v.type == reg_sz) {
                out += '"';
                append_escaped(out, v.bytes);
                out += '"';
            } else if (v.type == reg_dword && v.bytes.size() == 4) {
                std::uint32_t d = 0;
                std::memcpy(&d, v.bytes.data(), 4);
                std::snprintf(buf, sizeof buf, "dword:%08x", d);
                out += buf;
            } else {
                std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
                out += buf;
                for (std::size_t i = 0; i < v.bytes.size(); ++i) {
                    std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x",
                                  static_cast<unsigned char>(v.bytes[i]));
                    out += buf;
                }
            }
            out += '\n';
        }
        for (const auto& line : key.kept_lines) {
            out += line + '\n';
        }
    }
    return out;
}

Store load(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return Store{};
    return parse(in);
}

bool write_all(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Replaces `file` by the serialised store: temporary file beside it, flushed
// to disk, then renamed over the old one.
bool save(const std::filesystem::path& file, const Store& store)
{
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::string temp = file.string() + ".tmpXXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const bool written = write_all(fd, serialise(store)) && ::fsync(fd) == 0;
    ::fchmod(fd, 0600);
    if (::close(fd) != 0 || !written || ::rename(temp.c_str(), file.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

Store_lock::Store_lock(const std::filesystem::path& file)
{
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const std::string name = file.string() + ".lock";
    fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
}

Store_lock::~Store_lock()
{
    if (fd >= 0)
        ::close(fd);
}

} // namespace registry_store
} // namespace vq
