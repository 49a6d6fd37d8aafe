#include "udp_log_sink.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vq {
namespace {

std::atomic<int> live_sink_count{0};

sockaddr_in socket_address(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

} // namespace

Udp_log_sink::Udp_log_sink()
{
    ++live_sink_count;
}

Udp_log_sink::~Udp_log_sink()
{
    close_sockets();
    --live_sink_count;
}

int Udp_log_sink::live_sinks()
{
    return live_sink_count.load();
}

void Udp_log_sink::close_sockets()
{
    for (int fd : sockets)
        if (fd >= 0)
            ::close(fd);
    sockets.clear();
}

std::vector<std::uint32_t> Udp_log_sink::host_addresses()
{
    std::vector<std::uint32_t> out;
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0')
        return out;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &list) != 0)
        return out;
    for (const addrinfo* ai = list; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_family == AF_INET && ai->ai_addr != nullptr)
            out.push_back(
                ntohl(reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr));
    }
    ::freeaddrinfo(list);
    return out;
}

std::vector<std::uint32_t> Udp_log_sink::local_address_list(const std::vector<std::uint32_t>& host)
{
    std::vector<std::uint32_t> out;
    for (std::uint32_t a : host) {
        if (out.size() == max_host_addresses)
            break;
        if (std::find(out.begin(), out.end(), a) == out.end())
            out.push_back(a);
    }
    if (std::find(out.begin(), out.end(), loopback_address) == out.end())
        out.push_back(loopback_address);
    return out;
}

std::vector<Udp_log_sink::Route>
Udp_log_sink::match_subnets(const std::vector<std::uint32_t>& local, const std::uint32_t* addresses,
                            const std::uint32_t* masks, int count)
{
    std::vector<Route> routes(local.size());
    for (std::size_t i = 0; i < local.size(); ++i) {
        Route& r = routes[i];
        for (int p = 0; p < count && addresses != nullptr && masks != nullptr; ++p) {
            if (masks[p] != 0 && ((local[i] ^ addresses[p]) & masks[p]) == 0) {
                r.enabled = true;
                r.destination = addresses[p] | ~masks[p];
            }
        }
        for (std::size_t j = 0; j < i && r.enabled; ++j)
            if (routes[j].enabled && routes[j].destination == r.destination)
                r.enabled = false;
    }
    return routes;
}

std::uint32_t Udp_log_sink::open_broadcast(std::uint16_t destination_port, std::uint16_t local)
{
    if (sink_mode == mode_broadcast)
        return 1;
    if (sink_status != status_ready)
        return sink_status;
    dest_port = destination_port;
    own_port = local;
    locals = local_address_list(host_addresses());
    local_routes.assign(locals.size(), Route{});
    for (std::uint32_t address : locals) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            sink_status = status_socket_failed;
            break;
        }
        sockets.push_back(fd);
        const sockaddr_in sa = socket_address(address, 0);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
            sink_status = status_bind_failed;
            break;
        }
        const int on = 1;
        if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
            sink_status = status_broadcast_failed;
            break;
        }
    }
    if (sink_status != status_ready) {
        close_sockets();
        return sink_status;
    }
    // Every route stays disabled until subnets are given: a socket without a
    // destination would send to 0.0.0.0, which is this host.
    sink_status = status_open;
    sink_mode = mode_broadcast;
    return 0;
}

void Udp_log_sink::set_subnets(const std::uint32_t* addresses, const std::uint32_t* masks,
                               int count)
{
    if (sink_mode != mode_broadcast || (sink_status & 0x80000000u) != 0)
        return;
    local_routes = match_subnets(locals, addresses, masks, count);
}

bool Udp_log_sink::send(const char* data, std::size_t length)
{
    if (sink_mode != mode_broadcast || (sink_status & 0x80000000u) != 0)
        return false;
    bool ok = true;
    for (std::size_t i = 0; i < sockets.size() && i < local_routes.size(); ++i) {
        if (!local_routes[i].enabled)
            continue;
        const sockaddr_in to = socket_address(local_routes[i].destination, dest_port);
        ssize_t n;
        do {
            n = ::sendto(sockets[i], data, length, MSG_NOSIGNAL,
                         reinterpret_cast<const sockaddr*>(&to), sizeof to);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            ok = false;
    }
    return ok;
}

} // namespace vq
