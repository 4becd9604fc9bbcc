// The stack a whole call takes along its deepest chain. The host calls from a thread
// whose stack it chooses, so a call must stay well within 64 KB. Each call here runs on
// a thread whose stack is a buffer painted with a pattern; the part of the buffer the
// thread overwrote is its peak. Sanitizers and unoptimized builds have frames of their
// own sizes, so only the optimized builds hold the figure; the Windows builds, whose
// threads cannot be given a stack of the caller's own, skip it.
#if !defined(_WIN32)
#include <pthread.h>
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "support/random_boards.h"
#include "support/test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define SAWLINE_STACK_CHECKED 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SAWLINE_STACK_CHECKED 0
#endif
#endif
#if !defined(SAWLINE_STACK_CHECKED)
#if defined(__OPTIMIZE__)
#define SAWLINE_STACK_CHECKED 1
#else
#define SAWLINE_STACK_CHECKED 0
#endif
#endif

namespace sawline::test {
namespace {

#if !defined(_WIN32)

constexpr size_t kThreadStack = 512 * 1024;  // room to measure a call past the budget too
constexpr size_t kHostStack = 64 * 1024;     // the smallest stack a host is told it may give
constexpr size_t kMargin = 16 * 1024;        // what the call leaves of it at least
constexpr unsigned char kPaint = 0xA5;

struct Call {
  const tools::JobBlocks* job = nullptr;
  std::array<float, kResultBlockFloats> result{};
  int returned = -1;
};

void* RunCall(void* argument) {
  auto* call = static_cast<Call*>(argument);
  if (call->job != nullptr) call->returned = RunJob(*call->job, call->result);
  return nullptr;
}

// Bytes of a painted stack that a thread running `call` overwrote (the stack grows down
// from the top of the buffer; the thread's own start-up data is included).
size_t ThreadPeak(Call& call) {
  void* stack = std::aligned_alloc(4096, kThreadStack);
  if (stack == nullptr) return SIZE_MAX;
  std::memset(stack, kPaint, kThreadStack);
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstack(&attributes, stack, kThreadStack);
  pthread_t thread;
  size_t peak = SIZE_MAX;
  if (pthread_create(&thread, &attributes, RunCall, &call) == 0) {
    pthread_join(thread, nullptr);
    const auto* bytes = static_cast<const unsigned char*>(stack);
    size_t untouched = 0;
    while (untouched < kThreadStack && bytes[untouched] == kPaint)
      ++untouched;
    peak = kThreadStack - untouched;
  }
  pthread_attr_destroy(&attributes);
  std::free(stack);
  return peak;
}

#endif

class CallStack : public WorkspaceTest {};

// Boards of every kind (searches with fills, downgrades, marking lines); each clock read
// moves on by a second, so every search runs one generation: the chain is the same.
TEST_F(CallStack, EveryCallStaysWellWithinTheHostsStack) {
#if defined(_WIN32)
  GTEST_SKIP() << "threads with a stack of the caller's own are a POSIX facility";
#else
  platform::FixClock(0, 1000);
  Call idle;
  const size_t start = ThreadPeak(idle);
  size_t deepest = 0;
  int planned = 0;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const tools::JobBlocks job = RandomBoard(seed);
    Call call;
    call.job = &job;
    const size_t peak = ThreadPeak(call);
    ASSERT_NE(peak, SIZE_MAX) << "seed " << seed;
    if (call.returned > 0) ++planned;
    deepest = std::max(deepest, peak - std::min(peak, start));
  }
  EXPECT_GT(planned, 20);
  std::printf("peak stack of a call: %zu bytes (thread start-up %zu more)\n", deepest, start);
  if (SAWLINE_STACK_CHECKED) {
    EXPECT_LE(deepest + start, kHostStack - kMargin);
  }
#endif
}

}  // namespace
}  // namespace sawline::test
