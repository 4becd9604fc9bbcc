// The grade palette as a browser shows it, seen by readers with each kind of colour
// blindness: a page of one swatch per grade is screenshotted in headless Chromium, the
// colours read back are passed through the simulations of protanopia, deuteranopia and
// tritanopia (full severity), and every two grades must stay apart by a colour
// difference a reader sees at a glance.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/support/browser_shot.h"
#include "views/html_page.h"

namespace sawline::test {
namespace {

using tools::html::Colour;
using Matrix = std::array<std::array<double, 3>, 3>;

// Least CIE 1976 colour difference between two grades, for every reader.
constexpr double kLeastDifference = 10.0;
constexpr int kSwatch = 40;  // CSS pixels per side

double Linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

struct Lab {
  double l, a, b;
};

// The colour a reader whose cones follow `cones` sees, in CIE L*a*b* (D65).
Lab Seen(Colour colour, const Matrix& cones) {
  const double rgb[3] = {Linear(colour.r), Linear(colour.g), Linear(colour.b)};
  double seen[3];
  for (int i = 0; i < 3; ++i) {
    const double v = cones[i][0] * rgb[0] + cones[i][1] * rgb[1] + cones[i][2] * rgb[2];
    seen[i] = std::fmin(std::fmax(v, 0.0), 1.0);
  }
  const double x = (0.4124 * seen[0] + 0.3576 * seen[1] + 0.1805 * seen[2]) / 0.95047;
  const double y = 0.2126 * seen[0] + 0.7152 * seen[1] + 0.0722 * seen[2];
  const double z = (0.0193 * seen[0] + 0.1192 * seen[1] + 0.9505 * seen[2]) / 1.08883;
  auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
  return {116.0 * f(y) - 16.0, 500.0 * (f(x) - f(y)), 200.0 * (f(y) - f(z))};
}

double Difference(const Lab& p, const Lab& q) {
  return std::sqrt((p.l - q.l) * (p.l - q.l) + (p.a - q.a) * (p.a - q.a) +
                   (p.b - q.b) * (p.b - q.b));
}

struct Reader {
  const char* name;
  Matrix cones;  // linear-RGB simulation of the reader's sight
};

// Full-severity simulations in linear RGB (Machado, Oliveira and Fernandes, 2009).
const Reader kReaders[] = {
    {"normal sight", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}},
    {"protanopia",
     {{{0.152286, 1.052583, -0.204868},
       {0.114503, 0.786281, 0.099216},
       {-0.003882, -0.048116, 1.051998}}}},
    {"deuteranopia",
     {{{0.367322, 0.860646, -0.227968},
       {0.280085, 0.672501, 0.047413},
       {-0.011820, 0.042940, 0.968881}}}},
    {"tritanopia",
     {{{1.255528, -0.076749, -0.178779},
       {-0.078411, 0.930809, 0.147602},
       {0.004733, 0.691367, 0.303900}}}},
};

#if !defined(_WIN32)

// The swatches in one row, grade 1 to 9, on the tool's own page frame.
std::string SwatchPage() {
  std::string page =
      "<!DOCTYPE html><html><head><style>body{margin:0;background:#fff}"
      "div{display:inline-block;width:40px;height:40px;margin:0}</style></head>"
      "<body style=\"font-size:0\">";
  for (int grade = 1; grade <= 9; ++grade)
    page += "<div style=\"background:" + tools::html::GradeColour(grade).Hex() + "\"></div>";
  return page + "</body></html>\n";
}

TEST(GradePalette, EveryReaderTellsEveryTwoGradesApartInTheBrowser) {
  std::string why;
  if (!browser::Available(&why)) GTEST_SKIP() << why << ": the browser checks need it";
  std::string pattern =
      (std::filesystem::temp_directory_path() / "sawline-palette-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::filesystem::path directory = pattern;
  {
    std::ofstream out(directory / "palette.html", std::ios::binary);
    out << SwatchPage();
  }
  browser::Shot shot;
  std::string error;
  const bool taken =
      browser::TakeShot((directory / "palette.html").string(), (directory / "palette.png").string(),
                        9 * kSwatch, kSwatch, &shot, &error);
  std::filesystem::remove_all(directory);
  ASSERT_TRUE(taken) << error;

  std::vector<Colour> shown;
  for (int grade = 1; grade <= 9; ++grade) {
    const Colour pixel = shot.At((grade - 1) * kSwatch + kSwatch / 2, kSwatch / 2);
    const Colour drawn = tools::html::GradeColour(grade);
    EXPECT_LE(
        std::abs(pixel.r - drawn.r) + std::abs(pixel.g - drawn.g) + std::abs(pixel.b - drawn.b), 6)
        << "grade " << grade << " shows " << pixel.Hex() << " for " << drawn.Hex();
    shown.push_back(pixel);
  }
  for (const Reader& reader : kReaders) {
    for (size_t i = 0; i < shown.size(); ++i) {
      for (size_t j = i + 1; j < shown.size(); ++j) {
        const double difference =
            Difference(Seen(shown[i], reader.cones), Seen(shown[j], reader.cones));
        EXPECT_GE(difference, kLeastDifference)
            << reader.name << ": grades " << i + 1 << " and " << j + 1 << " (" << shown[i].Hex()
            << ", " << shown[j].Hex() << ") differ by only " << difference;
      }
    }
  }
}

#endif

// The palette itself, without a browser: the same rule on the colours the pages write,
// so that a Windows build, which takes no screenshots, still holds it.
TEST(GradePalette, EveryReaderTellsEveryTwoGradesApart) {
  for (const Reader& reader : kReaders) {
    for (int g = 1; g <= 9; ++g) {
      for (int h = g + 1; h <= 9; ++h) {
        EXPECT_GE(Difference(Seen(tools::html::GradeColour(g), reader.cones),
                             Seen(tools::html::GradeColour(h), reader.cones)),
                  kLeastDifference)
            << reader.name << ": grades " << g << " and " << h;
      }
    }
  }
}

}  // namespace
}  // namespace sawline::test
