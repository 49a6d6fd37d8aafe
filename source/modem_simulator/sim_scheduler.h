// Simulated time. Everything the modem does later (boot, air, ALE timers)
// is a task on this scheduler; the program drives it from the real clock and
// tests drive it by hand, so behaviour over time is deterministic.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace vq_sim {

class Sim_scheduler
{
public:
    using Task = std::function<void()>;
    using Id = std::uint64_t;

    std::int64_t now() const { return _now; }

    // Runs task once the clock has advanced by delay_ms (0 = at the next advance).
    Id after(std::int64_t delay_ms, Task task);
    void cancel(Id id);
    void cancel_all();
    bool pending(Id id) const { return _due.count(id) != 0; }

    // Runs every task due at or before t in time order (ties in the order they
    // were scheduled); the clock stands at each task's time while it runs.
    void advance_to(std::int64_t t);
    void advance_by(std::int64_t ms) { advance_to(_now + ms); }

    std::optional<std::int64_t> next_due() const;
    std::size_t size() const { return _tasks.size(); }

    // Called whenever a task is added, so a driver can re-arm its timer.
    std::function<void()> on_schedule;

private:
    std::int64_t _now = 0;
    Id _next_id = 1;
    std::map<std::pair<std::int64_t, Id>, Task> _tasks;
    std::map<Id, std::int64_t> _due;
};

} // namespace vq_sim
