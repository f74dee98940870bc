// Work spread over worker threads with its results taken in order on the calling thread.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <sched.h>
#include <thread>
#include <vector>

namespace kravin::model {

// Worker threads for work of `items` pieces: one per core this process may run on, at
// least one, at most items.
inline unsigned WorkerCount(std::size_t items)
{
    cpu_set_t set;
    const unsigned cores = ::sched_getaffinity(0, sizeof set, &set) == 0
                               ? static_cast<unsigned>(CPU_COUNT(&set))
                               : std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::clamp<std::size_t>(items, 1, cores));
}

// Runs produce(i) for every i in [0, count) on `workers` threads and hands each result to
// consume(i, result) on the calling thread, in index order. At most `window` results are
// produced ahead of the one consume waits for, which bounds the memory held. When consume
// returns false nothing more is consumed and no new piece is started; the call returns
// once the workers have ended, true when every result was consumed.
template <class T, class Produce, class Consume>
bool OrderedParallel(std::size_t count, unsigned workers, std::size_t window, Produce produce, Consume consume)
{
    std::vector<std::optional<T>> results(count);
    std::mutex mutex;
    std::condition_variable ready, room;
    std::size_t next = 0, consumed = 0;
    bool stop = false;
    auto work = [&] {
        for (;;) {
            std::size_t i;
            {
                std::unique_lock lock(mutex);
                room.wait(lock, [&] { return stop || next >= count || next < consumed + window; });
                if (stop || next >= count) return;
                i = next++;
            }
            T result = produce(i);
            std::lock_guard lock(mutex);
            results[i].emplace(std::move(result));
            ready.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (unsigned w = 0; w < std::max(1u, workers); ++w) threads.emplace_back(work);
    bool all = true;
    for (std::size_t i = 0; i < count && all; ++i) {
        T result;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return results[i].has_value(); });
            result = std::move(*results[i]);
            results[i].reset();
        }
        all = consume(i, std::move(result));
        std::lock_guard lock(mutex);
        consumed = i + 1;
        stop = !all;
        room.notify_all();
    }
    for (std::thread& t : threads) t.join();
    return all;
}

}  // namespace kravin::model
