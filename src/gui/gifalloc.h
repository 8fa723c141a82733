// gifalloc: toolkit objects come from the tracked allocator.
//
// Screens, frames, widgets and managers are made with plain `new` and
// `delete`; deriving from CgifTracked routes both through the tracked
// allocator, so one left behind shows in the live-block count as any record
// does, and a failed allocation gives null (no exception) to test for.
#pragma once

#include <cstddef>
#include <new>

#include "foundation/mem.h"

struct CgifTracked {
    static void *operator new(std::size_t size) noexcept { return memCalloc(size, "gifObj"); }
    static void *operator new(std::size_t, void *place) noexcept { return place; }
    static void operator delete(void *p) noexcept {
        if (p) memFree(p);
    }
};
