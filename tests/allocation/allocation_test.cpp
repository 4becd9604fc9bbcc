// No heap allocation inside a call: this program replaces the global operator new and
// delete with counting ones and runs boards of every kind through the exported entry,
// counting only while a call runs. The very first call is counted too, so that nothing
// (a lazily built table, a first-use buffer) allocates on the way in.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "interface/sawline.h"
#include "platform/platform.h"
#include "support/random_boards.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<int64_t> allocations{0};

void* Allocate(std::size_t size) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
  const auto align = static_cast<std::size_t>(alignment);
  const std::size_t rounded = (size + align - 1) / align * align;
  if (void* block = std::aligned_alloc(align, rounded == 0 ? align : rounded)) return block;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateAligned(size, alignment);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
  std::free(block);
}

namespace {

// Allocations made inside one call of the entry.
int64_t CountedCall(const sawline::tools::JobBlocks& job) {
  std::array<float, SAWLINE_RESULT_BLOCK_FLOATS> result{};
  allocations = 0;
  counting = true;
  OptimizationCompute(job.parameters.data(), job.marks.data(), result.data());
  counting = false;
  return allocations.load();
}

TEST(Allocation, NoCallAllocatesFromTheFirstOn) {
  const std::string log = "BackupData.Allocation.txt";
  struct Case {
    uint32_t firstBoard;
    uint32_t boards;
    bool liveClock;  // the budget stops the searches, as on the line
  };
  const Case cases[] = {{0, 60, false}, {500, 20, true}};
  int32_t calls = 0;
  for (const Case& c : cases) {
    for (uint32_t seed = c.firstBoard; seed < c.firstBoard + c.boards; ++seed) {
      sawline::platform::ReleaseFixes();
      sawline::platform::SetLogPath(log.c_str());
      sawline::platform::FixSeed(seed);
      if (!c.liveClock) sawline::platform::FixClock(0);
      const sawline::tools::JobBlocks job = sawline::test::RandomBoard(seed);
      EXPECT_EQ(CountedCall(job), 0) << "board " << seed;
      ++calls;
    }
  }
  sawline::platform::ReleaseFixes();
  std::remove(log.c_str());
  EXPECT_EQ(calls, 80);
}

// The counting allocator is in force: an allocation while counting is seen.
std::string* volatile escaped = nullptr;

TEST(Allocation, CountingAllocatorSeesAnAllocation) {
  allocations = 0;
  counting = true;
  escaped = new std::string(100, 'x');
  counting = false;
  EXPECT_GE(allocations.load(), 1);  // the string and its characters
  delete escaped;
}

// A refused call (a block missing) allocates nothing either.
TEST(Allocation, RefusedCallsAllocateNothing) {
  std::array<float, SAWLINE_RESULT_BLOCK_FLOATS> result{};
  allocations = 0;
  counting = true;
  EXPECT_EQ(OptimizationCompute(nullptr, nullptr, result.data()), 0);
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
