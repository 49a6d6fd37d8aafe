#include "udp_log_sink.h"

#include <QtTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using vq::Udp_log_sink;

namespace {

quint32 ip(const char* text)
{
    in_addr a{};
    inet_pton(AF_INET, text, &a);
    return ntohl(a.s_addr);
}

using Addresses = std::vector<quint32>;

} // namespace

Q_DECLARE_METATYPE(Addresses)

class Tst_udp_log_sink : public QObject
{
    Q_OBJECT

private slots:
    void local_address_list_data()
    {
        QTest::addColumn<Addresses>("host");
        QTest::addColumn<Addresses>("local");
        const quint32 lo = ip("127.0.0.1");
        QTest::newRow("none") << Addresses{} << Addresses{lo};
        QTest::newRow("loopback host") << Addresses{lo} << Addresses{lo};
        QTest::newRow("two and loopback") << Addresses{ip("10.1.2.3"), lo, ip("192.168.5.7")}
                                          << Addresses{ip("10.1.2.3"), lo, ip("192.168.5.7")};
        QTest::newRow("repeated") << Addresses{ip("10.1.2.3"), ip("10.1.2.3")}
                                  << Addresses{ip("10.1.2.3"), lo};
        Addresses many;
        for (quint32 i = 1; i <= 20; ++i)
            many.push_back(ip("10.0.0.0") + i);
        Addresses capped(many.begin(), many.begin() + 15);
        capped.push_back(lo);
        QTest::newRow("capped at fifteen") << many << capped;
    }
    void local_address_list()
    {
        QFETCH(Addresses, host);
        QFETCH(Addresses, local);
        QCOMPARE(Udp_log_sink::local_address_list(host), local);
    }

    void match_subnets_data()
    {
        QTest::addColumn<Addresses>("local");
        QTest::addColumn<Addresses>("addresses");
        QTest::addColumn<Addresses>("masks");
        QTest::addColumn<Addresses>("destinations"); // 0: disabled
        const Addresses hosts{ip("10.1.2.3"), ip("192.168.5.7"), ip("127.0.0.1")};
        QTest::newRow("one matching subnet")
            << hosts << Addresses{ip("192.168.5.0")} << Addresses{ip("255.255.255.0")}
            << Addresses{0, ip("192.168.5.255"), 0};
        QTest::newRow("loopback subnet")
            << hosts << Addresses{ip("127.0.0.0")} << Addresses{ip("255.0.0.0")}
            << Addresses{0, 0, ip("127.255.255.255")};
        QTest::newRow("mask zero ignored")
            << hosts << Addresses{ip("10.0.0.0")} << Addresses{0} << Addresses{0, 0, 0};
        QTest::newRow("no pairs") << hosts << Addresses{} << Addresses{} << Addresses{0, 0, 0};
        QTest::newRow("later pair replaces")
            << hosts << Addresses{ip("10.0.0.0"), ip("10.1.0.0")}
            << Addresses{ip("255.0.0.0"), ip("255.255.0.0")} << Addresses{ip("10.1.255.255"), 0, 0};
        QTest::newRow("same network once")
            << Addresses{ip("127.0.1.1"), ip("127.0.0.1")} << Addresses{ip("127.0.0.0")}
            << Addresses{ip("255.0.0.0")} << Addresses{ip("127.255.255.255"), 0};
        QTest::newRow("both networks") << hosts << Addresses{ip("10.1.2.0"), ip("192.168.0.0")}
                                       << Addresses{ip("255.255.255.0"), ip("255.255.0.0")}
                                       << Addresses{ip("10.1.2.255"), ip("192.168.255.255"), 0};
    }
    void match_subnets()
    {
        QFETCH(Addresses, local);
        QFETCH(Addresses, addresses);
        QFETCH(Addresses, masks);
        QFETCH(Addresses, destinations);
        const auto routes = Udp_log_sink::match_subnets(local, addresses.data(), masks.data(),
                                                        int(addresses.size()));
        QCOMPARE(routes.size(), destinations.size());
        for (std::size_t i = 0; i < routes.size(); ++i) {
            QCOMPARE(routes[i].enabled, destinations[i] != 0);
            if (routes[i].enabled)
                QCOMPARE(routes[i].destination, destinations[i]);
        }
    }

    void life_cycle_and_loopback_send()
    {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_ANY);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
        socklen_t len = sizeof sa;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
        const quint16 port = ntohs(sa.sin_port);
        auto received = [fd](int wait_ms) {
            QList<QByteArray> out;
            pollfd p{fd, POLLIN, 0};
            while (::poll(&p, 1, wait_ms) == 1) {
                char buf[256];
                sockaddr_in from{};
                socklen_t from_len = sizeof from;
                const ssize_t n = ::recvfrom(fd, buf, sizeof buf, 0,
                                             reinterpret_cast<sockaddr*>(&from), &from_len);
                if (n >= 0 && (ntohl(from.sin_addr.s_addr) >> 24) == 127)
                    out.append(QByteArray(buf, int(n)));
            }
            return out;
        };

        const int before = Udp_log_sink::live_sinks();
        {
            Udp_log_sink sink;
            QCOMPARE(Udp_log_sink::live_sinks(), before + 1);
            QCOMPARE(sink.status(), Udp_log_sink::status_ready);
            QCOMPARE(sink.mode(), Udp_log_sink::mode_closed);
            QVERIFY(!sink.send("x", 1));
            QCOMPARE(sink.open_broadcast(port, 1234), 0u);
            QCOMPARE(sink.status(), Udp_log_sink::status_open);
            QCOMPARE(sink.mode(), Udp_log_sink::mode_broadcast);
            QCOMPARE(sink.local_port(), quint16(1234));
            QCOMPARE(sink.open_broadcast(port, 0), 1u);
            QVERIFY(!sink.local_addresses().empty());
            QCOMPARE(sink.local_addresses().back() >> 24, 127u);

            QVERIFY(sink.send("before subnets", 14));
            QVERIFY(received(150).isEmpty());

            const quint32 a = ip("127.0.0.0");
            const quint32 m = ip("255.0.0.0");
            sink.set_subnets(&a, &m, 1);
            QVERIFY(sink.send("line", 4));
            QCOMPARE(received(300), QList<QByteArray>{"line"});
        }
        QCOMPARE(Udp_log_sink::live_sinks(), before);
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(Tst_udp_log_sink)
#include "tst_udp_log_sink.moc"
