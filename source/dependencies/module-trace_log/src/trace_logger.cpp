#include "trace_logger.h"

#include "registry_wrapper.h"
#include "trace_stylesheet.h"
#include "udp_log_sink.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <netdb.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vq {

namespace {

constexpr char header_lines[] = "<?xml version=\"1.0\" ?>\r\n"
                                "<?xml-stylesheet type=\"text/xsl\" "
                                "href=\"TracingAndLogging.xsl\"?>\r\n"
                                "<TraceLog>\r\n";
constexpr std::size_t closing_size = sizeof Trace_logger::closing_tag - 1;
constexpr int open_attempts = 4;
constexpr std::chrono::milliseconds open_retry_wait{130};
constexpr std::chrono::milliseconds counter_wait{10};

// Guards the entry counter. Named after application, host and process id, it
// is shared by every logger of the same name in this process, and by no other
// process.
std::shared_ptr<std::timed_mutex> named_counter_lock(const std::string& name)
{
    static std::mutex guard;
    static std::map<std::string, std::weak_ptr<std::timed_mutex>> locks;
    std::lock_guard<std::mutex> hold(guard);
    auto& slot = locks[name];
    auto lock = slot.lock();
    if (!lock) {
        lock = std::make_shared<std::timed_mutex>();
        slot = lock;
    }
    return lock;
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...)
{
    char buf[256];
    va_list args;
    va_start(args, fmt);
    const int n = std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(buf, std::min<std::size_t>(n, sizeof buf - 1));
}

std::string date_prefix(const std::string& application)
{
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    if (::localtime_r(&now, &t) == nullptr)
        return application;
    return format("%04d-%02d-%02d-", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday) + application + "-";
}

// Source file name without its folders (either separator).
const char* base_name(const char* path)
{
    if (path == nullptr)
        return "";
    const char* out = path;
    for (const char* p = path; *p != '\0'; ++p)
        if (*p == '/' || *p == '\\')
            out = p + 1;
    return out;
}

// Host and source file names go into the file as they are, unless they hold
// something that would break the document; then they are escaped like texts.
std::string plain_field(const char* text)
{
    for (const char* p = text; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c >= 0x80 || c == '<' || c == '&' || c == '>')
            return Trace_logger::escape(text);
    }
    return text;
}

bool write_all(int fd, const char* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void report_write_failure(int error)
{
    std::fprintf(stderr, "Write failed : Error code %ld\n", static_cast<long>(error));
    std::fprintf(stderr, "Error message : %s\n", std::strerror(error));
}

// A new trace file names the stylesheet in its own folder: put it there if
// it is missing.
void put_stylesheet_beside(const std::string& file)
{
    const auto slash = file.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : file.substr(0, slash == 0 ? 1 : slash);
    std::string error;
    if (!install_trace_stylesheet(folder, &error))
        std::fprintf(stderr, "Stylesheet not written : %s\n", error.c_str());
}

std::uint32_t clamp_size(long long size)
{
    return size > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<std::uint32_t>(std::max(0LL, size));
}

bool parse_address(const std::string& text, std::uint32_t& out)
{
    in_addr a{};
    if (::inet_pton(AF_INET, text.c_str(), &a) != 1)
        return false;
    out = ntohl(a.s_addr);
    return true;
}

} // namespace

Trace_logger::Trace_logger(const char* application_name)
    : application(application_name != nullptr ? application_name : "Unknown")
{
    base = date_prefix(application);
    load_configuration();
    struct stat st = {};
    current_size = ::stat(current_file_name().c_str(), &st) == 0 ? clamp_size(st.st_size) : 0;
    host = get_domain_name(name_host);
    pid_text = format("%08X", static_cast<unsigned>(::getpid()));
    counter_lock = named_counter_lock(application + host + pid_text);
    if (port != 0)
        open_sink();
}

Trace_logger::~Trace_logger() = default;

void Trace_logger::load_configuration()
{
    std::fill(std::begin(subnet_addresses), std::end(subnet_addresses), 0u);
    std::fill(std::begin(subnet_masks), std::end(subnet_masks), 0u);
    std::uint32_t value = 0;

    Registry_wrapper shared;
    if (shared.open(Registry_root::local_machine, shared_key, false)) {
        if (shared.read_dword("Port", value) && value <= 0xFFFF)
            port = static_cast<std::uint16_t>(value);
        for (std::uint32_t n = 1; n <= max_subnets; ++n) {
            std::string address_text;
            std::string mask_text;
            std::uint32_t address = 0;
            std::uint32_t mask = 0;
            if (shared.read_string(format("SubnetAddr%02u", n), address_text, 128) &&
                shared.read_string(format("SubnetMask%02u", n), mask_text, 128) &&
                parse_address(address_text, address) && parse_address(mask_text, mask)) {
                subnet_addresses[n - 1] = address;
                subnet_masks[n - 1] = mask;
            }
        }
    }

    Registry_wrapper own;
    if (own.open(Registry_root::local_machine, std::string(shared_key) + "\\" + application,
                 true)) {
        std::string text;
        if (own.read_string("FilenameBase", text, 1024) && !text.empty())
            base = text;
        if (own.read_dword("FilenameCount", value))
            index = value;
        if (own.read_dword("FileSizeLimit", value))
            size_limit = std::clamp(value, min_file_size_limit, max_file_size_limit);
        if (own.read_dword("FileLogLevel", value))
            set_file_log_level(value);
        if (own.read_dword("NetworkLogLevel", value))
            set_network_log_level(value);
    }
}

void Trace_logger::store_index() const
{
    Registry_wrapper own;
    if (own.open(Registry_root::local_machine, std::string(shared_key) + "\\" + application, true))
        own.write_dword("FilenameCount", index);
}

void Trace_logger::open_sink()
{
    sink = std::make_unique<Udp_log_sink>();
    if (sink->open_broadcast(port, 0) != 0) {
        sink.reset();
        return;
    }
    sink->set_subnets(subnet_addresses, subnet_masks, max_subnets);
}

std::string Trace_logger::file_name(std::uint32_t i) const
{
    return base + format("%03u.xml", i);
}

std::string Trace_logger::current_file_name() const
{
    return file_name(index);
}

bool Trace_logger::accepts(std::uint32_t severity) const
{
    return (severity >= file_min && severity <= file_max) ||
           (severity >= network_min && severity <= network_max);
}

void Trace_logger::set_file_log_level(std::uint32_t min)
{
    file_min = min;
    file_max = level_unlimited;
}

bool Trace_logger::set_file_log_level(std::uint32_t min, std::uint32_t max)
{
    if (max < min)
        return false;
    file_min = min;
    file_max = max;
    return true;
}

void Trace_logger::set_network_log_level(std::uint32_t min)
{
    network_min = min;
    network_max = level_unlimited;
}

bool Trace_logger::set_network_log_level(std::uint32_t min, std::uint32_t max)
{
    if (max < min)
        return false;
    network_min = min;
    network_max = max;
    return true;
}

void Trace_logger::set_file_count(std::uint32_t c)
{
    count = std::max<std::uint32_t>(c, 1);
}

bool Trace_logger::set_file_name_base(const char* directory, const char* name, std::int32_t i)
{
    std::string dir = directory != nullptr ? directory : "";
    std::string file;
    if (name == nullptr) {
        const auto slash = dir.find_last_of('/');
        if (slash == std::string::npos) {
            file = dir;
            dir.clear();
        } else {
            file = dir.substr(slash + 1);
            dir.erase(slash + 1);
        }
    } else {
        file = name;
    }
    if (file.empty())
        file = date_prefix(application);
    const bool rooted = !dir.empty() && dir.front() == '/';
    while (!dir.empty() && dir.back() == '/')
        dir.pop_back();
    if (!dir.empty() && dir != "." && dir != "..") {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec && !std::filesystem::is_directory(dir))
            return false;
    }
    base = dir.empty() && !rooted ? file : dir + "/" + file;
    if (i != -1) {
        const auto c = static_cast<std::int64_t>(count);
        index = static_cast<std::uint32_t>(((static_cast<std::int64_t>(i) % c) + c) % c);
    }
    Registry_wrapper own;
    if (own.open(Registry_root::local_machine, std::string(shared_key) + "\\" + application, true))
        own.write_string("FilenameBase", base);
    return true;
}

void Trace_logger::set_network_port(std::uint16_t p)
{
    if (p == port)
        return;
    sink.reset();
    port = p;
    if (port != 0)
        open_sink();
}

bool Trace_logger::add_subnet(std::uint32_t address, std::uint32_t mask)
{
    if (address == 0 || mask == 0)
        return false;
    for (std::uint32_t i = 0; i < max_subnets; ++i)
        if (subnet_addresses[i] == address && subnet_masks[i] == mask)
            return true;
    std::uint32_t slot = 0;
    while (slot < max_subnets && (subnet_addresses[slot] != 0 || subnet_masks[slot] != 0))
        ++slot;
    if (slot == max_subnets)
        return false;
    subnet_addresses[slot] = address;
    subnet_masks[slot] = mask;
    if (port == 0)
        return true; // kept for the sink that a port will create
    if (!sink) {
        open_sink();
        return sink != nullptr;
    }
    sink->set_subnets(subnet_addresses, subnet_masks, max_subnets);
    return true;
}

std::string Trace_logger::escape(const char* text)
{
    if (text == nullptr || *text == '\0')
        return "<![CDATA[&lt;empty&gt;]]>";
    std::string out;
    bool wrapped = false;
    for (const char* p = text; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        const char* markup = nullptr;
        switch (c) {
        case '\n':
            markup = "<BR>";
            break;
        case '&':
            markup = "&amp;";
            break;
        case '<':
            markup = "&lt;";
            break;
        case '>':
            markup = "&gt;";
            break;
        default:
            break;
        }
        if (markup != nullptr) {
            if (!wrapped) {
                out.insert(0, "<![CDATA[");
                wrapped = true;
            }
            out += markup;
        } else if (c == '\r') {
            // An XML reader reads a carriage return as a line feed; the
            // reference keeps it.
            out += "&#13;";
        } else if (c < 0x20 && c != '\t') {
            // Other control characters cannot stand in an XML document at
            // all: they are written as their visible control pictures.
            out += format("&#%d;", 0x2400 + c);
        } else if (c < 0x7E) {
            out += static_cast<char>(c);
        } else {
            out += format("&#%d;", c);
        }
    }
    if (wrapped)
        out += "]]>";
    return out;
}

unsigned Trace_logger::priority_code(std::uint32_t severity)
{
    if (severity >= 100)
        return 11;
    if (severity >= 90)
        return 12;
    if (severity >= 70)
        return 13;
    if (severity >= 50)
        return 14;
    return 15;
}

void Trace_logger::log(const char* file, std::int32_t line, const char* message, const char* module,
                       std::uint32_t severity, const char* details, const char* dump) noexcept
{
    const int saved_errno = errno;
    try {
        if (counter_lock && counter_lock->try_lock_for(counter_wait)) {
            ++counter;
            counter_lock->unlock();
        }
        if (sink && severity >= network_min && severity <= network_max)
            send_line(file, line, message, severity, details);
        if (severity >= file_min && severity <= file_max)
            write_entry(file, line, message, module, severity, details, dump);
    } catch (...) {
        // A log call never fails its caller; the entry is lost.
    }
    errno = saved_errno;
}

void Trace_logger::send_line(const char* file, std::int32_t line, const char* message,
                             std::uint32_t severity, const char* details)
{
    std::string out = format("<%u>", priority_code(severity)) + application + "_" +
                      base_name(file) + format(":%d: ", line);
    if (message != nullptr) {
        out += message;
        if (details != nullptr)
            out += std::string(" | ") + details;
    }
    sink->send(out.data(), out.size());
}

int Trace_logger::open_for_append()
{
    const std::string name = current_file_name();
    for (int attempt = 1; attempt <= open_attempts; ++attempt) {
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error != EWOULDBLOCK && error != EINTR)
                return -1;
            if (attempt < open_attempts)
                std::this_thread::sleep_for(open_retry_wait);
            continue;
        }
        struct stat st = {};
        if (::fstat(fd, &st) != 0) {
            ::close(fd);
            return -1;
        }
        if (st.st_size == 0) {
            if (!write_all(fd, header_lines, sizeof header_lines - 1)) {
                report_write_failure(errno);
                ::close(fd);
                return -1;
            }
            store_index();
            current_size = sizeof header_lines - 1;
            put_stylesheet_beside(name);
            return fd;
        }
        // Overwrite the closing tag. A file that does not end with it (cut
        // short by a crash, or not ours) is appended to, never overwritten.
        char tail[closing_size] = {};
        off_t position = st.st_size;
        if (st.st_size >= static_cast<off_t>(closing_size) &&
            ::pread(fd, tail, closing_size, st.st_size - static_cast<off_t>(closing_size)) ==
                static_cast<ssize_t>(closing_size) &&
            std::memcmp(tail, closing_tag, closing_size) == 0)
            position -= static_cast<off_t>(closing_size);
        if (::lseek(fd, position, SEEK_SET) < 0) {
            ::close(fd);
            return -1;
        }
        current_size = clamp_size(st.st_size);
        return fd;
    }
    return -1;
}

void Trace_logger::write_entry(const char* file, std::int32_t line, const char* message,
                               const char* module, std::uint32_t severity, const char* details,
                               const char* dump)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000);
    std::tm t{};
    ::localtime_r(&seconds, &t);

    std::string entry = "\t<Entry>\r\n\t\t<Host>" + plain_field(host.c_str()) + "</Host>\r\n";
    entry += format("\t\t<Date>%04d-%02d-%02d</Date>\r\n\t\t<Time>%02d:%02d:%02d.%03d</Time>\r\n"
                    "\t\t<Sequence>%08X</Sequence>\r\n",
                    t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                    millis, counter);
    entry += format("\t\t<Severity>%u</Severity>\r\n", severity);
    entry += "\t\t<Application>" + escape(application.c_str()) + "</Application>\r\n";
    entry += "\t\t<Source><File>" + plain_field(base_name(file)) + "</File><Line>" +
             format("%d", line) + "</Line></Source>\r\n";
    entry += "\t\t<Module>" + (module ? escape(module) : "unknown") + "</Module>\r\n";
    entry += "\t\t<Message>" + (message ? escape(message) : "NULL") + "</Message>\r\n";
    entry += "\t\t<Details>" + (details ? escape(details) : "-") + "</Details>\r\n";
    entry += "\t\t<Dump>" + (dump ? escape(dump) : "-") + "</Dump>\r\n";
    entry += "\t</Entry>\r\n";

    const int fd = open_for_append();
    if (fd < 0)
        return;
    const off_t start = ::lseek(fd, 0, SEEK_CUR);
    if (write_all(fd, entry.data(), entry.size())) {
        current_size =
            clamp_size(static_cast<long long>(current_size) + static_cast<long long>(entry.size()));
    } else {
        report_write_failure(errno);
        // Take the partial entry back so the file stays a whole document.
        if (start >= 0 && ::ftruncate(fd, start) == 0)
            ::lseek(fd, start, SEEK_SET);
    }
    if (!write_all(fd, closing_tag, closing_size))
        report_write_failure(errno);
    if (current_size > size_limit) {
        current_size = 0;
        index = (index + 1) % count;
        ::unlink(current_file_name().c_str());
    }
    ::close(fd);
}

std::string Trace_logger::get_domain_name(int kind)
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        name[0] = '\0';
    const std::string host_name = name;
    std::string canonical;
    std::string address;
    if (!host_name.empty()) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        hints.ai_flags = AI_CANONNAME;
        addrinfo* list = nullptr;
        if (::getaddrinfo(host_name.c_str(), nullptr, &hints, &list) == 0) {
            if (list->ai_canonname != nullptr)
                canonical = list->ai_canonname;
            for (const addrinfo* ai = list; ai != nullptr; ai = ai->ai_next) {
                if (ai->ai_family != AF_INET || ai->ai_addr == nullptr)
                    continue;
                char text[INET_ADDRSTRLEN] = {};
                const auto* sa = reinterpret_cast<const sockaddr_in*>(ai->ai_addr);
                if (::inet_ntop(AF_INET, &sa->sin_addr, text, sizeof text) != nullptr) {
                    address = text;
                    break;
                }
            }
            ::freeaddrinfo(list);
        }
    }
    if (canonical.empty())
        canonical = host_name;
    std::string domain;
    if (!host_name.empty() && canonical.size() > host_name.size() + 1 &&
        canonical.compare(0, host_name.size(), host_name) == 0 &&
        canonical[host_name.size()] == '.')
        domain = canonical.substr(host_name.size() + 1);
    switch (kind) {
    case name_address:
        return address;
    case name_domain:
        return domain.empty() ? "NoDomainName" : domain;
    case name_host:
        return host_name.empty() ? "NoHost" : host_name;
    default:
        return canonical + "(" + address + ")";
    }
}

} // namespace vq
