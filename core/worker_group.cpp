#include "core/worker_group.h"

#include <algorithm>

namespace Vastrel2 {

namespace {
// More threads than this gain nothing on a stream that the disk feeds.
constexpr unsigned kMaxThreads = 8;
}  // namespace

WorkerGroup::WorkerGroup(unsigned threads) {
    threads = std::min(std::max(threads, 1u), kMaxThreads);
    for (unsigned i = 1; i < threads; ++i) {
        try {
            m_workers.emplace_back(&WorkerGroup::Work, this, i);
        } catch (...) {
            break;  // fewer threads, same result
        }
    }
}

WorkerGroup::~WorkerGroup() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_start.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

unsigned WorkerGroup::ThreadsFor(size_t parts) {
    unsigned cores = std::thread::hardware_concurrency();
    if (cores == 0) cores = 1;
    return static_cast<unsigned>(std::min<size_t>({parts, cores, kMaxThreads}));
}

void WorkerGroup::Run(const std::function<void(unsigned)>& task) noexcept {
    bool handedOut = false;
    if (!m_workers.empty()) {
        try {
            std::lock_guard<std::mutex> guard(m_lock);
            m_task = &task;
            m_pending = static_cast<unsigned>(m_workers.size());
            ++m_generation;
            handedOut = true;
        } catch (...) {
            handedOut = false;  // no worker has seen this task
        }
    }
    if (!handedOut) {
        for (unsigned i = 0; i < Size(); ++i) task(i);
        return;
    }
    m_start.notify_all();
    task(0);
    std::unique_lock<std::mutex> guard(m_lock);
    m_finished.wait(guard, [this] { return m_pending == 0; });
    m_task = nullptr;
}

void WorkerGroup::Work(unsigned index) {
    unsigned long seen = 0;
    for (;;) {
        const std::function<void(unsigned)>* task;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            m_start.wait(guard, [&] { return m_stop || m_generation != seen; });
            if (m_stop) return;
            seen = m_generation;
            task = m_task;
        }
        (*task)(index);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            --m_pending;
        }
        m_finished.notify_one();
    }
}

}  // namespace Vastrel2
