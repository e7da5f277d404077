#pragma once

// Counts the heap bytes that the code between Start and Stop asks for. The benchmark
// binary replaces the global operator new, so every allocation passes through here;
// only those made on the counting thread while counting is on are added up.

#include <cstddef>

namespace zandrel::bench {

struct AllocTotals {
    std::size_t bytes = 0;  // sum of the sizes asked for
    std::size_t count = 0;  // number of allocations
    // The most bytes held at once by blocks taken while counting, as the allocator
    // sizes them (never less than asked).
    std::size_t peak = 0;
};

class AllocCounter {
public:
    AllocCounter();   // starts counting on this thread
    ~AllocCounter();  // stops, if Stop was not called
    AllocTotals Stop();

private:
    bool m_bCounting = true;
};

}  // namespace zandrel::bench
