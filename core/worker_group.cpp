#include "core/worker_group.h"

#include <algorithm>

namespace Vastrel2 {

namespace {
// More threads than this gain nothing on a stream that the disk feeds.
constexpr unsigned kMaxThreads = 8;
}  // namespace

WorkerGroup::WorkerGroup(unsigned threads) {
    threads = std::min(std::max(threads, 1u), kMaxThreads);
    try {
        m_starts.reserve(threads - 1);
        m_workers.reserve(threads - 1);
        for (unsigned i = 1; i < threads; ++i) m_starts.push_back(WorkerStart{this, i});
    } catch (...) {
        m_starts.clear();  // no worker at all, same result
    }
    for (WorkerStart& start : m_starts) {
        platform::Thread worker;
        if (!worker.Start(&WorkerGroup::WorkerEntry, &start)) break;  // fewer threads, same result
        m_workers.push_back(std::move(worker));  // room was reserved: this cannot fail
    }
}

WorkerGroup::~WorkerGroup() {
    {
        platform::MutexLock guard(m_lock);
        m_stop = true;
    }
    m_start.NotifyAll();
    for (platform::Thread& worker : m_workers) worker.Join();
}

unsigned WorkerGroup::ThreadsFor(size_t parts) {
    return static_cast<unsigned>(std::min<size_t>({parts, platform::HardwareThreads(), kMaxThreads}));
}

void WorkerGroup::Run(const std::function<void(unsigned)>& task) noexcept {
    if (m_workers.empty()) {
        task(0);
        return;
    }
    {
        platform::MutexLock guard(m_lock);
        m_task = &task;
        m_pending = static_cast<unsigned>(m_workers.size());
        ++m_generation;
    }
    m_start.NotifyAll();
    task(0);
    platform::MutexLock guard(m_lock);
    m_finished.Wait(guard, [this] { return m_pending == 0; });
    m_task = nullptr;
}

void WorkerGroup::WorkerEntry(void* start) {
    const WorkerStart* s = static_cast<const WorkerStart*>(start);
    s->group->Work(s->index);
}

void WorkerGroup::Work(unsigned index) {
    unsigned long seen = 0;
    for (;;) {
        const std::function<void(unsigned)>* task;
        {
            platform::MutexLock guard(m_lock);
            m_start.Wait(guard, [&] { return m_stop || m_generation != seen; });
            if (m_stop) return;
            seen = m_generation;
            task = m_task;
        }
        (*task)(index);
        {
            platform::MutexLock guard(m_lock);
            --m_pending;
        }
        m_finished.NotifyOne();
    }
}

}  // namespace Vastrel2
