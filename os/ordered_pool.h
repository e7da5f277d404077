#pragma once

// Items made on a few threads and taken in order by one. A thread takes up a run of
// items at a time, so that the threads and the taker meet once a run rather than once
// an item; the threads run at most a window of runs ahead of the one taken last, which
// bounds the memory (and, for files, the open handles). Each slot's items are kept from
// one run to the next, so that their buffers are made once. What a thread's make throws
// is thrown again to the taker, from the item that threw.

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zandrel {

template <class Item, class Buffers>
class OrderedPool {
public:
    // Makes item `index` into `item` with the thread's own buffers; false when the
    // items after it in its run are not wanted (the taker stops at it), as after a throw.
    using Make = std::function<bool(std::size_t index, Buffers& buffers, Item& item)>;

    // Items [begin, end) on `threads` threads.
    OrderedPool(unsigned threads, std::size_t begin, std::size_t end, const Make& make)
        : m_nBegin(begin), m_nEnd(end), m_make(make), m_slots(std::size_t{threads} * kWindowPerThread) {
        for (Slot& slot : m_slots) slot.items.resize(kRunItems);
        m_threads.reserve(threads);
        for (unsigned t = 0; t < threads; ++t) m_threads.emplace_back([this] { Work(); });
    }
    OrderedPool(const OrderedPool&) = delete;
    OrderedPool& operator=(const OrderedPool&) = delete;
    ~OrderedPool() {
        {
            const std::lock_guard lock(m_mutex);
            m_bStop = true;
        }
        m_room.notify_all();
        for (std::thread& thread : m_threads) thread.join();
    }

    // Item `index` handed to `use`, whose result is returned; or what making it threw.
    // Items are taken in order, each once; the item is the taker's only while `use` runs.
    template <class Use>
    decltype(auto) Take(std::size_t index, Use&& use) {
        const std::size_t run = (index - m_nBegin) / kRunItems;
        const std::size_t within = (index - m_nBegin) % kRunItems;
        Slot& slot = m_slots[run % m_slots.size()];
        if (within == 0) {
            std::unique_lock lock(m_mutex);
            if (!slot.ready) {
                m_bTakerWaits = true;
                m_ready.wait(lock, [&] { return slot.ready; });
                m_bTakerWaits = false;
            }
        }
        // The run is the taker's until it hands the slot back: no thread touches it.
        const HandBack handBack(*this, slot, run, within == kRunItems - 1 || index + 1 == m_nEnd);
        if (slot.error && slot.nErrorAt == within) std::rethrow_exception(slot.error);
        return use(slot.items[within]);
    }

private:
    static constexpr std::size_t kRunItems = 8;
    static constexpr std::size_t kWindowPerThread = 2;  // runs

    struct Slot {
        bool ready = false;
        std::vector<Item> items;
        std::exception_ptr error;  // what making item nErrorAt threw; the rest were not made
        std::size_t nErrorAt = 0;  // within the run
    };

    // At the end of a run, once its last item is used, the slot goes back to the threads.
    class HandBack {
    public:
        HandBack(OrderedPool& pool, Slot& slot, std::size_t run, bool last)
            : m_pool(pool), m_slot(slot), m_nRun(run), m_bLast(last) {}
        HandBack(const HandBack&) = delete;
        HandBack& operator=(const HandBack&) = delete;
        ~HandBack() {
            if (!m_bLast) return;
            std::unique_lock lock(m_pool.m_mutex);
            m_slot.ready = false;
            m_pool.m_nTakenRuns = m_nRun + 1;
            const bool wake = m_pool.m_nWorkersWaiting != 0;
            lock.unlock();
            if (wake) m_pool.m_room.notify_one();
        }

    private:
        OrderedPool& m_pool;
        Slot& m_slot;
        std::size_t m_nRun;
        bool m_bLast;
    };

    void Work() {
        Buffers buffers;
        const std::size_t runs = (m_nEnd - m_nBegin + kRunItems - 1) / kRunItems;
        std::unique_lock lock(m_mutex);
        for (;;) {
            // Woken only when there is someone to wake: a wait costs the system a call.
            const auto canGo = [&] {
                return m_bStop || m_nNextRun >= runs || m_nNextRun < m_nTakenRuns + m_slots.size();
            };
            if (!canGo()) {
                ++m_nWorkersWaiting;
                m_room.wait(lock, canGo);
                --m_nWorkersWaiting;
            }
            if (m_bStop || m_nNextRun >= runs) return;
            const std::size_t run = m_nNextRun++;
            // Handed back by the taker and not yet given again: this thread's alone.
            Slot& slot = m_slots[run % m_slots.size()];
            lock.unlock();
            const std::size_t first = m_nBegin + run * kRunItems;
            slot.error = nullptr;
            for (std::size_t i = first; i < std::min(m_nEnd, first + kRunItems); ++i) {
                try {
                    if (!m_make(i, buffers, slot.items[i - first])) break;
                } catch (...) {
                    slot.error = std::current_exception();
                    slot.nErrorAt = i - first;
                    break;
                }
            }
            lock.lock();
            slot.ready = true;
            if (m_bTakerWaits) m_ready.notify_one();
        }
    }

    const std::size_t m_nBegin;
    const std::size_t m_nEnd;
    const Make& m_make;
    std::mutex m_mutex;
    std::condition_variable m_ready;  // a run is made, for the taker
    std::condition_variable m_room;   // a run was taken, for the threads
    std::vector<Slot> m_slots;
    std::size_t m_nNextRun = 0;    // the next run for a thread to take up
    std::size_t m_nTakenRuns = 0;  // the runs handed back so far
    std::size_t m_nWorkersWaiting = 0;
    bool m_bTakerWaits = false;
    bool m_bStop = false;
    std::vector<std::thread> m_threads;
};

}  // namespace zandrel
