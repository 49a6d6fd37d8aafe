// Frame damage on the simulated modem's line: whole frames found in any
// chunking, one bit flipped in the chosen share, and the user data of the
// damaged frames counted.
#include "sim_fields.h"
#include "sim_frame_damage.h"
#include "sim_node.h"

#include <QTest>

using namespace vq_sim;

namespace {

constexpr std::uint32_t id_data_to_modem = 0x000A0001, id_data_from_modem = 0x000A0007,
                        id_startup_status = 0x0000009E;

struct Frames
{
    std::vector<Bytes> frames;
    Bytes line; // the frames back to back
};

// Frames as the protocol stack writes them: the user data messages in both
// directions (with payload sizes) and a start-up status request.
Frames make_frames(const std::vector<std::pair<std::uint32_t, int>>& messages)
{
    Tac1_node node(0xC0A80000, 58001);
    Frames out;
    node.write = [&out](const Bytes& f) {
        out.frames.push_back(f);
        out.line.insert(out.line.end(), f.begin(), f.end());
    };
    for (const auto& [id, size] : messages) {
        Bytes p;
        if (size >= 0) {
            put_u16(p, static_cast<std::uint16_t>(size));
            p.insert(p.end(), static_cast<std::size_t>(size), 0xC6); // sync bytes in the data
            if (id == id_data_from_modem) {
                put_u8(p, 1);
            }
        }
        node.send_message({0xC0A8000D, 880}, id, 0, TYPE_REQUEST, p);
    }
    return out;
}

int bits_differing(const Bytes& a, const Bytes& b)
{
    int n = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        n += __builtin_popcount(static_cast<unsigned>(a[i] ^ b[i]));
    }
    return n;
}

const std::vector<std::pair<std::uint32_t, int>> mixed = {
    {id_data_to_modem, 144}, {id_startup_status, -1}, {id_data_from_modem, 1024},
    {id_data_to_modem, 1},   {id_data_from_modem, 0},
};

} // namespace

class Tst_frame_damage : public QObject
{
    Q_OBJECT

private slots:
    void user_data_counted_only_in_data_requests();
    void input_chunks_data();
    void input_chunks();
    void damaged_frames_never_reach_the_receiver();
};

void Tst_frame_damage::user_data_counted_only_in_data_requests()
{
    const Frames f = make_frames(mixed);
    QCOMPARE(f.frames.size(), std::size_t(5));
    const std::size_t expected[] = {144, 0, 1024, 1, 0};
    for (std::size_t i = 0; i < f.frames.size(); ++i) {
        QCOMPARE(user_data_in_frame(f.frames[i]), expected[i]);
    }
    // Cut short, or not a frame at all.
    QCOMPARE(user_data_in_frame(Bytes(f.frames[0].begin(), f.frames[0].begin() + 10)),
             std::size_t(0));
    QCOMPARE(user_data_in_frame(Bytes(40, 0xC6)), std::size_t(0));
}

void Tst_frame_damage::input_chunks_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<int>("chunk"); // 0: all at once
    QTest::addColumn<bool>("garbage");
    for (const double percent : {0.0, 100.0}) {
        for (const int chunk : {0, 1, 7, 300}) {
            for (const bool garbage : {false, true}) {
                QTest::addRow("%g%% chunk %d%s", percent, chunk, garbage ? " garbage" : "")
                    << percent << chunk << garbage;
            }
        }
    }
}

void Tst_frame_damage::input_chunks()
{
    QFETCH(double, percent);
    QFETCH(int, chunk);
    QFETCH(bool, garbage);
    const Frames f = make_frames(mixed);
    Bytes line;
    const Bytes junk = {0x01, 0xC6, 0x7D, 0x10, 0xC6, 0x00}; // false frame starts
    for (const Bytes& frame : f.frames) {
        if (garbage) {
            line.insert(line.end(), junk.begin(), junk.end());
        }
        line.insert(line.end(), frame.begin(), frame.end());
    }

    Frame_damage damage(5);
    damage.set_percent(percent);
    Bytes out;
    const std::size_t step = chunk == 0 ? line.size() : static_cast<std::size_t>(chunk);
    for (std::size_t at = 0; at < line.size(); at += step) {
        const Bytes part = damage.feed(line.data() + at, std::min(step, line.size() - at));
        out.insert(out.end(), part.begin(), part.end());
    }
    QCOMPARE(damage.pending(), std::size_t(0));
    QCOMPARE(out.size(), line.size());
    const int frames = percent > 0 ? int(f.frames.size()) : 0;
    QCOMPARE(bits_differing(out, line), frames);
    QCOMPARE(damage.counts().frames, std::uint64_t(frames));
    QCOMPARE(damage.counts().data_bytes, std::uint64_t(percent > 0 ? 144 + 1024 + 1 : 0));
    if (garbage) {
        // The bytes between the frames pass unchanged.
        QVERIFY(std::equal(junk.begin(), junk.end(), out.begin()));
    }
}

void Tst_frame_damage::damaged_frames_never_reach_the_receiver()
{
    // Output damage, frame by frame, against a receiver built from the same
    // stack: every damaged frame is refused by its checks, every clean one
    // arrives.
    const Frames f = make_frames(mixed);
    for (const double percent : {0.0, 100.0}) {
        Tac1_node receiver(0xC0A8000D, 880);
        int received = 0;
        for (const std::uint32_t id : {id_data_to_modem, id_data_from_modem, id_startup_status}) {
            receiver.listen(id);
        }
        receiver.on_message = [&received](const Tac1_in&) { ++received; };
        receiver.write = [](const Bytes&) {};
        Frame_damage damage(9);
        damage.set_percent(percent);
        for (Bytes frame : f.frames) {
            QCOMPARE(damage.damage_frame(frame), percent > 0);
            receiver.receive(frame.data(), frame.size());
        }
        QCOMPARE(received, percent > 0 ? 0 : int(f.frames.size()));
    }
}

QTEST_GUILESS_MAIN(Tst_frame_damage)
#include "tst_frame_damage.moc"
