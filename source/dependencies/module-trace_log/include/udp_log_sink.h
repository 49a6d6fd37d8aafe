#pragma once

// Network output of the trace logger: every line becomes one UDP datagram sent
// to the directed broadcast address of each configured subnet that holds one
// of the host's own IPv4 addresses, from a socket bound to that address.
// IPv4 addresses and masks are 32-bit numbers in host byte order
// (127.0.0.1 is 0x7F000001).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vq {

class Udp_log_sink
{
public:
    static constexpr std::uint32_t status_ready = 0x00800001;
    static constexpr std::uint32_t status_open = 0x00800000;
    static constexpr std::uint32_t status_startup_failed = 0x80800000;
    static constexpr std::uint32_t status_socket_failed = 0x80800001;
    static constexpr std::uint32_t status_bind_failed = 0x80800002;
    static constexpr std::uint32_t status_broadcast_failed = 0x80800003;

    static constexpr int mode_closed = 0;
    static constexpr int mode_broadcast = 4;

    // The host's own addresses taken at most, before the loopback address.
    static constexpr std::size_t max_host_addresses = 15;
    static constexpr std::uint32_t loopback_address = 0x7F000001;

    // Where datagrams go out from one local address.
    struct Route
    {
        bool enabled = false;
        std::uint32_t destination = 0;
    };

    Udp_log_sink();
    ~Udp_log_sink();
    Udp_log_sink(const Udp_log_sink&) = delete;
    Udp_log_sink& operator=(const Udp_log_sink&) = delete;

    // Opens one broadcast socket per local address (bound to port 0). Returns
    // 0 on success, 1 when already open, otherwise the error status. Only from
    // status ready.
    std::uint32_t open_broadcast(std::uint16_t destination_port, std::uint16_t local_port);
    // Routes the local addresses through the `count` subnet pairs. Only when
    // open and not in error.
    void set_subnets(const std::uint32_t* addresses, const std::uint32_t* masks, int count);
    // One datagram per enabled local address; false when any send failed.
    bool send(const char* data, std::size_t length);

    std::uint32_t status() const { return sink_status; }
    int mode() const { return sink_mode; }
    std::uint16_t destination_port() const { return dest_port; }
    std::uint16_t local_port() const { return own_port; }
    const std::vector<std::uint32_t>& local_addresses() const { return locals; }
    const std::vector<Route>& routes() const { return local_routes; }

    // Number of sinks alive in this process (the socket layer is taken up by
    // the first and released by the last).
    static int live_sinks();

    // The IPv4 addresses the host's own name resolves to, in resolver order.
    static std::vector<std::uint32_t> host_addresses();
    // Local address list from the host's addresses: at most
    // max_host_addresses of them, each once, then the loopback address unless
    // it is already among them.
    static std::vector<std::uint32_t> local_address_list(const std::vector<std::uint32_t>& host);
    // Route of each local address: enabled when a pair (A, M), M not 0, holds
    // it; destination A | ~M, a later matching pair replacing an earlier one.
    // A destination already served by an earlier local address is not served
    // again, so no line reaches a network twice.
    static std::vector<Route> match_subnets(const std::vector<std::uint32_t>& local,
                                            const std::uint32_t* addresses,
                                            const std::uint32_t* masks, int count);

private:
    void close_sockets();

    int sink_mode = mode_closed;
    std::uint16_t dest_port = 0;
    std::uint16_t own_port = 0;
    std::uint32_t sink_status = status_ready;
    std::vector<std::uint32_t> locals;
    std::vector<int> sockets;
    std::vector<Route> local_routes;
};

} // namespace vq
