#pragma once
// A few threads that run one task together and wait for the next: the
// calling thread takes part 0, the workers the others. Made for one long
// operation (a stream over a large file) and ended with it.
#include <functional>
#include <vector>

#include "platform/threads.h"

namespace Vastrel2 {

class WorkerGroup {
public:
    // Starts up to `threads` - 1 workers. When the system refuses a thread,
    // the group simply has fewer; it always has the caller.
    explicit WorkerGroup(unsigned threads);
    ~WorkerGroup();
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;

    // Threads that take part in Run, the caller included (at least 1).
    unsigned Size() const { return static_cast<unsigned>(m_workers.size()) + 1; }

    // Calls task(i) exactly once for every i below Size(), each on a thread
    // of its own (0 on the caller's), and returns when all have returned;
    // when the parts cannot be handed out, the caller runs them all itself.
    // The task must not throw.
    void Run(const std::function<void(unsigned)>& task) noexcept;

    // The threads worth starting for `parts` pieces of work on this machine.
    static unsigned ThreadsFor(size_t parts);

private:
    struct WorkerStart {
        WorkerGroup* group;
        unsigned index;
    };
    static void WorkerEntry(void* start);
    void Work(unsigned index);

    platform::Mutex m_lock;
    platform::ConditionVariable m_start;
    platform::ConditionVariable m_finished;
    const std::function<void(unsigned)>* m_task = nullptr;
    unsigned long m_generation = 0;
    unsigned m_pending = 0;
    bool m_stop = false;
    // Made in full before the first worker starts, so a worker's start
    // record never moves.
    std::vector<WorkerStart> m_starts;
    std::vector<platform::Thread> m_workers;
};

}  // namespace Vastrel2
