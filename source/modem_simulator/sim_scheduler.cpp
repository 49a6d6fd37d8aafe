#include "sim_scheduler.h"

namespace vq_sim {

Sim_scheduler::Id Sim_scheduler::after(std::int64_t delay_ms, Task task)
{
    const Id id = _next_id++;
    const std::int64_t at = _now + (delay_ms < 0 ? 0 : delay_ms);
    _tasks.emplace(std::make_pair(at, id), std::move(task));
    _due.emplace(id, at);
    if (on_schedule) {
        on_schedule();
    }
    return id;
}

void Sim_scheduler::cancel(Id id)
{
    auto it = _due.find(id);
    if (it == _due.end()) {
        return;
    }
    _tasks.erase(std::make_pair(it->second, id));
    _due.erase(it);
}

void Sim_scheduler::cancel_all()
{
    _tasks.clear();
    _due.clear();
}

void Sim_scheduler::advance_to(std::int64_t t)
{
    while (!_tasks.empty() && _tasks.begin()->first.first <= t) {
        auto it = _tasks.begin();
        const std::int64_t at = it->first.first;
        Task task = std::move(it->second);
        _due.erase(it->first.second);
        _tasks.erase(it);
        if (at > _now) {
            _now = at;
        }
        task();
    }
    if (t > _now) {
        _now = t;
    }
}

std::optional<std::int64_t> Sim_scheduler::next_due() const
{
    if (_tasks.empty()) {
        return std::nullopt;
    }
    return _tasks.begin()->first.first;
}

} // namespace vq_sim
