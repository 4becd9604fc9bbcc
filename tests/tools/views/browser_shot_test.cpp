// Taking a screenshot survives a browser that stalls: a stand-in for Chromium (a shell
// script named by SAWLINE_CHROMIUM) plays a scripted run after run, and TakeShot must
// retry a run that drew nothing, accept a complete PNG whatever the exit status, and
// give up after three runs with every run's failure in its message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/support/browser_shot.h"

#if defined(SAWLINE_HAVE_PNG) && !defined(_WIN32)
#include <png.h>
#include <stdlib.h>

namespace sawline::test {
namespace {

namespace fs = std::filesystem;

// Each run reads its step from SAWLINE_FAKE_PLAN (comma-separated, one per run) and
// counts itself in the file "runs" beside the script.
constexpr const char* kFakeBrowser = R"(#!/bin/sh
dir=$(dirname "$0")
n=$(cat "$dir/runs" 2>/dev/null || echo 0); n=$((n + 1)); echo $n > "$dir/runs"
step=$(echo "$SAWLINE_FAKE_PLAN" | cut -d, -f$n)
for a; do case $a in --screenshot=*) png=${a#--screenshot=};; esac; done
case $step in
  draw) cp "$dir/good.png" "$png"; exit 0;;
  draw-then-hang) cp "$dir/good.png" "$png"; exit 124;;
  truncated) head -c 60 "$dir/good.png" > "$png"; exit 0;;
  *) echo "stalled"; exit 124;;
esac
)";

class FakeBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "sawline-shot-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    const fs::path script = dir_ / "chromium";
    std::ofstream(script) << kFakeBrowser;
    fs::permissions(script, fs::perms::owner_all);
    // A 4 x 3 picture in one colour.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 4;
    image.height = 3;
    image.format = PNG_FORMAT_RGB;
    const std::vector<uint8_t> pixels(4 * 3 * 3, 0x5a);
    ASSERT_TRUE(
        png_image_write_to_file(&image, (dir_ / "good.png").c_str(), 0, pixels.data(), 0, nullptr));
    setenv("SAWLINE_CHROMIUM", script.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("SAWLINE_CHROMIUM");
    unsetenv("SAWLINE_FAKE_PLAN");
    fs::remove_all(dir_);
  }
  int Runs() const {
    int runs = 0;
    std::ifstream(dir_ / "runs") >> runs;
    return runs;
  }

  fs::path dir_;
};

TEST_F(FakeBrowser, RetriesAStalledRunAndAcceptsAnyCompleteScreenshot) {
  struct Case {
    const char* plan;
    bool taken;
    int runs;
  };
  const Case cases[] = {
      {"draw", true, 1},
      {"draw-then-hang", true, 1},  // killed by the time limit after writing
      {"stall,draw", true, 2},
      {"stall,truncated,draw-then-hang", true, 3},
      {"stall,stall,stall", false, 3},
      {"truncated,truncated,truncated", false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plan);
    fs::remove(dir_ / "runs");
    setenv("SAWLINE_FAKE_PLAN", c.plan, 1);
    browser::Shot shot;
    std::string error;
    const fs::path png = dir_ / "shot.png";
    EXPECT_EQ(browser::TakeShot((dir_ / "page.html").string(), png.string(), 4, 3, &shot, &error),
              c.taken)
        << error;
    EXPECT_EQ(Runs(), c.runs);
    if (c.taken) {
      ASSERT_EQ(shot.width, 4);
      ASSERT_EQ(shot.height, 3);
      EXPECT_EQ(shot.At(3, 2).g, 0x5a);
    } else {
      EXPECT_NE(error.find("attempt 3:"), std::string::npos) << error;
    }
  }
}

}  // namespace
}  // namespace sawline::test

#endif
