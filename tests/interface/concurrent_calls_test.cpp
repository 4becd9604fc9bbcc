// A host that calls the entry from several threads at once must get, for every call,
// exactly the answer that call gives alone.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "support/random_boards.h"
#include "support/test_support.h"

namespace sawline {
namespace {

using Block = std::array<float, kResultBlockFloats>;

constexpr float kSentinel = -3.5f;
constexpr int kBoards = 12;
constexpr int kThreads = 4;
constexpr int kCallsPerThread = 10;

struct Answer {
  int32_t pieces = 0;
  Block block{};
};

Answer Call(const tools::JobBlocks& board) {
  Answer answer;
  answer.block.fill(kSentinel);
  answer.pieces = test::RunJob(board, answer.block);
  return answer;
}

bool Same(const Answer& a, const Answer& b) {
  return a.pieces == b.pieces && std::memcmp(a.block.data(), b.block.data(), sizeof a.block) == 0;
}

class ConcurrentCalls : public test::WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    // Every read of the clock moves it 10 ms on, so each search runs a few generations
    // whose count depends only on its own call; the seed and the calendar are fixed.
    platform::FixClock(0, 10);
    platform::FixCalendar(1718000000, 8 * 3600);
    // Random boards with pieces, and one without orders or marks, so that both ways
    // out of a call meet.
    for (uint32_t seed = 1; boards_.size() < kBoards; ++seed) {
      const tools::JobBlocks board =
          boards_.size() + 1 < kBoards ? test::RandomBoard(seed) : tools::JobBlocks{};
      const Answer answer = Call(board);
      if (answer.pieces == 0 && boards_.size() + 1 < kBoards) continue;
      boards_.push_back(board);
      alone_.push_back(answer);
      aloneLogs_.push_back(LogBytes());
    }
    ASSERT_EQ(alone_.back().pieces, 0);
  }

  std::vector<tools::JobBlocks> boards_;
  std::vector<Answer> alone_;
  std::vector<std::string> aloneLogs_;
};

// Each thread walks the boards from its own starting point, so different boards are
// in flight at once: searching boards, boards of other modes and a board without
// pieces. Without serialization most of these answers come back wrong.
TEST_F(ConcurrentCalls, EveryCallAnswersAsItWouldAlone) {
  std::vector<std::vector<Answer>> answers(kThreads, std::vector<Answer>(kCallsPerThread));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int c = 0; c < kCallsPerThread; ++c)
        answers[t][c] = Call(boards_[(t * 3 + c) % kBoards]);
    });
  }
  for (std::thread& thread : threads)
    thread.join();

  int differing = 0;
  for (int t = 0; t < kThreads; ++t) {
    for (int c = 0; c < kCallsPerThread; ++c) {
      const int board = (t * 3 + c) % kBoards;
      if (!Same(answers[t][c], alone_[board])) {
        ++differing;
        ADD_FAILURE() << "thread " << t << " call " << c << " (board " << board
                      << ") answered differently from the same board alone";
      }
    }
  }
  EXPECT_EQ(differing, 0);

  // The log is the whole record of one call, the last to finish, not a mixture.
  const std::string log = LogBytes();
  bool whole = false;
  for (const std::string& alone : aloneLogs_)
    whole = whole || log == alone;
  EXPECT_TRUE(whole) << "the run log after the threads is no single call's record";
}

}  // namespace
}  // namespace sawline
