// Screenshots of the desk tool's pages in headless Chromium, read back as pixels, for
// the checks that a page shows its figures where their layout put them.
//
// SAWLINE_CHROMIUM names another browser binary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "views/html_page.h"

namespace sawline::test::browser {

struct Shot {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;

  tools::html::Colour At(int x, int y) const;
};

// False when this build or machine cannot take screenshots; `why` says what is missing.
bool Available(std::string* why);

// Opens `page` (an HTML file) in a window of width x height CSS pixels and reads the
// screenshot, written to `png`. False with Chromium's output in `error` when it fails.
bool TakeShot(const std::string& page, const std::string& png, int width, int height, Shot* shot,
              std::string* error);

// Pixels of the rectangle [x0, x1) x [y0, y1) within `tolerance` of `colour` per channel,
// and how many pixels the rectangle holds.
int CountNear(const Shot& shot, int x0, int y0, int x1, int y1, tools::html::Colour colour,
              int tolerance, int* total);

}  // namespace sawline::test::browser
