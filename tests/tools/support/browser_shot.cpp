#include "tools/support/browser_shot.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#if defined(SAWLINE_HAVE_PNG) && !defined(_WIN32)
#include <png.h>
#include <unistd.h>
#define SAWLINE_BROWSER_SHOTS 1
#endif

namespace sawline::test::browser {
tools::html::Colour Shot::At(int x, int y) const {
  const size_t at =
      (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

int CountNear(const Shot& shot, int x0, int y0, int x1, int y1, tools::html::Colour colour,
              int tolerance, int* total) {
  int matches = 0;
  *total = 0;
  for (int y = std::max(y0, 0); y < std::min(y1, shot.height); ++y) {
    for (int x = std::max(x0, 0); x < std::min(x1, shot.width); ++x) {
      ++*total;
      const tools::html::Colour pixel = shot.At(x, y);
      if (std::abs(pixel.r - colour.r) <= tolerance && std::abs(pixel.g - colour.g) <= tolerance &&
          std::abs(pixel.b - colour.b) <= tolerance) {
        ++matches;
      }
    }
  }
  return matches;
}

#if defined(SAWLINE_BROWSER_SHOTS)

namespace {

std::string Browser() {
  const char* chosen = std::getenv("SAWLINE_CHROMIUM");
  return chosen != nullptr && *chosen != '\0' ? chosen : "/usr/bin/chromium";
}

// One Chromium run; true when it left a PNG that reads in full. A browser that hangs
// after writing its screenshot (seen now and then when the machine is busy) still counts:
// the PNG is what matters, and a truncated one fails to read.
bool TryShot(const std::string& command, const std::string& profile, const std::string& png,
             const std::string& log, Shot* shot, std::string* error) {
  std::filesystem::remove(png);
  std::filesystem::remove_all(profile);
  const int status = std::system(command.c_str());
  std::filesystem::remove_all(profile);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, png.c_str())) {
    std::ifstream in(log, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    *error = "Chromium gave no screenshot (status " + std::to_string(status) +
             "): " + text.str().substr(0, 4000);
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  shot->width = static_cast<int>(image.width);
  shot->height = static_cast<int>(image.height);
  shot->rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, shot->rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    *error = "the screenshot cannot be read (status " + std::to_string(status) + ")";
    return false;
  }
  return true;
}

}  // namespace

bool Available(std::string* why) {
  if (access(Browser().c_str(), X_OK) == 0) return true;
  *why = "no Chromium at " + Browser();
  return false;
}

bool TakeShot(const std::string& page, const std::string& png, int width, int height, Shot* shot,
              std::string* error) {
  const std::string profile = png + ".profile";
  const std::string log = png + ".chromium.log";
  std::ostringstream command;
  command << "timeout -k 5 45 '" << Browser()
          << "' --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
             " --disable-background-networking --disable-component-update --disable-sync"
             " --disable-dev-shm-usage"
             " --hide-scrollbars --force-device-scale-factor=1"
             " --run-all-compositor-stages-before-draw --virtual-time-budget=5000"
             " --user-data-dir='"
          << profile << "' --window-size=" << width << ',' << height << " --screenshot='" << png
          << "' 'file://" << page << "' >'" << log << "' 2>&1";
  // Headless Chromium occasionally stalls before it draws; a fresh start draws the same
  // page, so a stall costs a retry rather than a failed check.
  constexpr int kAttempts = 3;
  std::string failures;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    std::string why;
    if (TryShot(command.str(), profile, png, log, shot, &why)) {
      std::filesystem::remove(log);
      return true;
    }
    failures += "attempt " + std::to_string(attempt) + ": " + why + "\n";
  }
  *error = failures;
  return false;
}

#else

bool Available(std::string* why) {
  *why = "this build reads no PNG screenshots (libpng was not found)";
  return false;
}

bool TakeShot(const std::string&, const std::string&, int, int, Shot*, std::string* error) {
  *error = "no screenshots in this build";
  return false;
}

#endif

}  // namespace sawline::test::browser
