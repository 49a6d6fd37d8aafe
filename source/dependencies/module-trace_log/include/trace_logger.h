#pragma once

// Trace logger: writes the log entries of one application into a rotating set
// of XML files and, optionally, sends each entry as a one-line UDP datagram to
// the local networks (Udp_log_sink).
//
// Each entry carries a severity (larger is more severe). Two inclusive windows
// decide where it goes: the file window and the network window, both empty
// ([0xFFFFFFFF, 0xFFFFFFFF]) until configured.
//
// Files are named "<base><index as %03u>.xml". Each holds
//   <?xml version="1.0" ?>\r\n
//   <?xml-stylesheet type="text/xsl" href="TracingAndLogging.xsl"?>\r\n
//   <TraceLog>\r\n
//   ... one <Entry> per log call ...
//   </TraceLog>\r\n
// and is a complete XML document between two entries: every entry opens the
// file, overwrites the closing tag, appends itself and the closing tag again,
// and closes the file. When the file grows past the size limit the index moves
// on (modulo the file count) and the file of the new index is deleted.
// Whenever a file is created, the stylesheet it names is put beside it if the
// folder has none (install_trace_stylesheet, trace_stylesheet.h).
//
// Configuration lives in the key/value store (Registry_wrapper, local machine
// root): "SOFTWARE\Stenwick\TraceAndLog" holds "Port" (dword) and the pairs
// "SubnetAddrNN"/"SubnetMaskNN" (dotted strings, NN = 01..15); its subkey named
// after the application holds "FilenameBase" (string), "FilenameCount"
// (dword, the current index), "FileSizeLimit", "FileLogLevel" and
// "NetworkLogLevel" (dwords).
//
// Texts passed to log() are 8-bit strings; a null pointer means "absent".
// Single-threaded: call it from one thread.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace vq {

class Udp_log_sink;

class Trace_logger
{
public:
    static constexpr std::uint32_t max_subnets = 15;
    static constexpr std::uint32_t level_unlimited = 0xFFFFFFFF;
    static constexpr std::uint32_t default_file_count = 1000;
    static constexpr std::uint32_t default_file_size_limit = 1000000;
    static constexpr std::uint32_t min_file_size_limit = 10240;
    static constexpr std::uint32_t max_file_size_limit = 1073741824;
    static constexpr char shared_key[] = "SOFTWARE\\Stenwick\\TraceAndLog";
    static constexpr char closing_tag[] = "</TraceLog>\r\n";

    // Kinds of get_domain_name().
    enum Name_kind
    {
        name_address = 0,
        name_domain = 1,
        name_host = 2,
        name_combined = 3,
    };

    explicit Trace_logger(const char* application_name);
    ~Trace_logger();
    Trace_logger(const Trace_logger&) = delete;
    Trace_logger& operator=(const Trace_logger&) = delete;

    // Writes one entry to every destination whose window holds `severity`.
    // Never throws; errno is left as it was.
    void log(const char* file, std::int32_t line, const char* message, const char* module,
             std::uint32_t severity, const char* details, const char* dump) noexcept;

    // True when `severity` lies in the file or the network window.
    bool accepts(std::uint32_t severity) const;

    void set_file_log_level(std::uint32_t min);
    // False, window unchanged, when max < min.
    bool set_file_log_level(std::uint32_t min, std::uint32_t max);
    void set_network_log_level(std::uint32_t min);
    bool set_network_log_level(std::uint32_t min, std::uint32_t max);

    // Sets the file name base to `directory` + "/" + `name` and records it as
    // "FilenameBase". A null `name` splits `directory` at its last "/"; an
    // empty one uses "<yyyy>-<mm>-<dd>-<application>-". The directory is
    // created with its parents; false when that fails. `index` -1 keeps the
    // current index, any other value is taken modulo the file count.
    bool set_file_name_base(const char* directory, const char* name, std::int32_t index);
    // Number of rotating file names; 0 counts as 1.
    void set_file_count(std::uint32_t count);
    // Replaces the network sink by one sending to `port` (none for port 0 or
    // when it cannot be opened).
    void set_network_port(std::uint16_t port);
    // Adds a subnet pair (host byte order) for the network output. False when
    // either is 0, the table is full or the network sink cannot be opened.
    bool add_subnet(std::uint32_t address, std::uint32_t mask);

    // kind 0 the host's IPv4 address, 1 its domain ("NoDomainName" if none),
    // 2 the host name ("NoHost" if none), any other "<canonical name>(<address>)".
    static std::string get_domain_name(int kind);

    // The escaping applied to the Application, Module, Message, Details and
    // Dump texts.
    static std::string escape(const char* text);
    // Priority code of the network line for `severity`.
    static unsigned priority_code(std::uint32_t severity);

    std::string current_file_name() const;
    std::string file_name(std::uint32_t index) const;
    const std::string& file_name_base() const { return base; }
    const std::string& host_name() const { return host; }
    std::uint32_t file_index() const { return index; }
    std::uint32_t file_count() const { return count; }
    std::uint32_t file_size_limit() const { return size_limit; }
    std::uint32_t current_file_size() const { return current_size; }
    std::uint32_t entry_counter() const { return counter; }
    std::uint32_t file_level_min() const { return file_min; }
    std::uint32_t file_level_max() const { return file_max; }
    std::uint32_t network_level_min() const { return network_min; }
    std::uint32_t network_level_max() const { return network_max; }
    std::uint16_t network_port() const { return port; }
    const Udp_log_sink* network_sink() const { return sink.get(); }

private:
    void load_configuration();
    void write_entry(const char* file, std::int32_t line, const char* message, const char* module,
                     std::uint32_t severity, const char* details, const char* dump);
    void send_line(const char* file, std::int32_t line, const char* message, std::uint32_t severity,
                   const char* details);
    int open_for_append();
    void store_index() const;
    void open_sink();

    std::string application;
    std::uint32_t counter = 0;
    std::string host;
    std::unique_ptr<Udp_log_sink> sink;
    std::uint16_t port = 0;
    std::uint32_t subnet_addresses[max_subnets] = {};
    std::uint32_t subnet_masks[max_subnets] = {};
    std::shared_ptr<std::timed_mutex> counter_lock;
    std::uint32_t count = default_file_count;
    std::string base;
    std::uint32_t index = 1;
    std::string pid_text;
    std::uint32_t size_limit = default_file_size_limit;
    std::uint32_t current_size = 0;
    std::uint32_t file_min = level_unlimited;
    std::uint32_t file_max = level_unlimited;
    std::uint32_t network_min = level_unlimited;
    std::uint32_t network_max = level_unlimited;
};

} // namespace vq
