#include "benchmarks/alloc_counter.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace zandrel::bench {
namespace {

thread_local bool t_counting = false;
thread_local AllocTotals t_totals;
// Bytes of the blocks taken while counting that are still held; a block taken before
// counting began and given back during it can take this below 0.
thread_local long long t_held = 0;

void Held(void* p, long long sign) {
    if (!t_counting || p == nullptr) return;
    t_held += sign * static_cast<long long>(malloc_usable_size(p));
    if (t_held > 0 && static_cast<std::size_t>(t_held) > t_totals.peak) {
        t_totals.peak = static_cast<std::size_t>(t_held);
    }
}

void Free(void* p) noexcept {
    Held(p, -1);
    std::free(p);
}

void* Allocate(std::size_t size, std::size_t alignment) {
    if (t_counting) {
        t_totals.bytes += size;
        ++t_totals.count;
    }
    if (size == 0) size = 1;
    void* p = alignment <= alignof(std::max_align_t)
                  ? std::malloc(size)
                  : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
    if (p == nullptr) throw std::bad_alloc();
    Held(p, +1);
    return p;
}

}  // namespace

AllocCounter::AllocCounter() {
    t_totals = {};
    t_held = 0;
    t_counting = true;
}

AllocCounter::~AllocCounter() {
    if (m_bCounting) Stop();
}

AllocTotals AllocCounter::Stop() {
    t_counting = false;
    m_bCounting = false;
    return t_totals;
}

}  // namespace zandrel::bench

using zandrel::bench::Allocate;
using zandrel::bench::Free;

void* operator new(std::size_t size) { return Allocate(size, 0); }
void* operator new[](std::size_t size) { return Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size, 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }

void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, std::align_val_t) noexcept { Free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }
