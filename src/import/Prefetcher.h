#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace orvida::import {

// Runs a producer on a thread of its own, a few batches ahead of the one who takes them (reading a
// sheet beside storing its rows). At most `depth` batches wait to be taken, so memory stays bounded
// whatever the length of the input.
//
// `produce` fills one batch and returns false after the last one (at the end of the input, or at a
// failure it records in the batch); between steps it looks at `stopping()` and returns soon once it
// is set. An exception it throws is thrown again by `take`, after the batches before it. Destroying
// the prefetcher (or `stop`) stops the producer and waits for its thread, whatever was not taken.
template<class Batch> class Prefetcher
{
public:
    explicit Prefetcher(int depth)
        : m_depth(size_t(std::max(depth, 1)))
    { }
    ~Prefetcher() { stop(); }
    Prefetcher(const Prefetcher&) = delete;
    Prefetcher& operator=(const Prefetcher&) = delete;

    // Starts the thread; call once, when everything `produce` uses is in place.
    void start(std::function<bool(Batch&)> produce)
    {
        m_produce = std::move(produce);
        m_thread = std::thread([this] { run(); });
    }

    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_taken.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    bool stopping() const { return m_stop.load(std::memory_order_relaxed); }

    // The next batch, waiting for it; nothing once the producer has given its last one, or once
    // `givingUp` (asked every few tens of milliseconds while waiting) says so: a producer stuck in a
    // read never holds up a stop asked for meanwhile.
    std::optional<Batch> take(const std::function<bool()>& givingUp = {})
    {
        std::unique_lock lock(m_mutex);
        const auto ready = [this] {
            return !m_queue.empty() || m_finished;
        };
        if (!givingUp)
            m_ready.wait(lock, ready);
        else
            while (!m_ready.wait_for(lock, std::chrono::milliseconds(50), ready))
                if (givingUp())
                    return std::nullopt;
        if (m_queue.empty())
            return std::nullopt;
        Item item = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        m_taken.notify_one();
        if (item.error)
            std::rethrow_exception(item.error);
        return std::move(item.batch);
    }

private:
    struct Item
    {
        Batch batch;
        std::exception_ptr error;
    };

    void run()
    {
        for (bool more = true; more;) {
            Item item;
            try {
                more = m_produce(item.batch);
            } catch (...) {
                item.error = std::current_exception();
                more = false;
            }
            std::unique_lock lock(m_mutex);
            m_taken.wait(lock, [this] { return m_stop || m_queue.size() < m_depth; });
            if (m_stop)
                break;
            m_queue.push_back(std::move(item));
            m_finished = !more;
            lock.unlock();
            m_ready.notify_one();
        }
        std::lock_guard lock(m_mutex);
        m_finished = true;
        m_ready.notify_one();
    }

    const size_t m_depth;
    std::function<bool(Batch&)> m_produce;
    std::mutex m_mutex;
    std::condition_variable m_ready; // a batch was queued, or the producer finished
    std::condition_variable m_taken; // a batch was taken, or the producer is to stop
    std::deque<Item> m_queue;
    bool m_finished = false;
    std::atomic<bool> m_stop { false }; // set under the mutex; read without it between steps
    std::thread m_thread;
};

} // namespace orvida::import
