// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/capture/live_allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::int64_t> live{0};
}

std::int64_t LiveAllocations() { return live.load(); }

// The array, sized and nothrow forms reach these through their default definitions.
void* operator new(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  ++live;
  return block;
}

void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  --live;
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
