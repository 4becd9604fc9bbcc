// Books side by side: the same boards through several order books, their figures in
// columns and their orders matched by grade, length and code.
#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <tuple>

#include "desk/text.h"
#include "simulate/simulate_summary.h"

namespace sawline::tools {
namespace {

using Json = nlohmann::ordered_json;

double Percent(double part, double whole) {
  return whole > 0.0 ? 100.0 * part / whole : 0.0;
}

// The books' letters in the columns: A, B, C, ...
std::string Letter(size_t book) {
  return book < 26 ? std::string(1, static_cast<char>('A' + book)) : std::to_string(book + 1);
}

std::string Mark(bool differs) {
  return differs ? "  *" : "";
}

void PrintRow(std::ostream& out, const std::string& name, const std::vector<std::string>& cells,
              bool differs) {
  out << Format("  %-28s", name.c_str());
  for (const std::string& cell : cells)
    out << Format(" %14s", cell.c_str());
  out << Mark(differs) << '\n';
}

bool AllSame(const std::vector<std::string>& cells) {
  return std::all_of(cells.begin(), cells.end(),
                     [&](const std::string& cell) { return cell == cells.front(); });
}

template <typename Figure>
void PrintFigure(std::ostream& out, const std::string& name, const std::vector<BookShift>& books,
                 Figure figure) {
  std::vector<std::string> cells;
  for (const BookShift& book : books)
    cells.push_back(figure(book.summary));
  PrintRow(out, name, cells, !AllSame(cells));
}

std::string CompletedText(int64_t board) {
  return board >= 0 ? "board " + std::to_string(board) : "-";
}

void PrintBookFigures(std::ostream& out, const std::vector<BookShift>& books) {
  PrintFigure(out, "yield of the useful length", books, [](const SimulationSummary& s) {
    return Format("%.1f %%", Percent(s.used, s.useful));
  });
  PrintFigure(out, "yield of the board length", books, [](const SimulationSummary& s) {
    return Format("%.1f %%", Percent(s.used, s.boardLength));
  });
  PrintFigure(out, "used length", books,
              [](const SimulationSummary& s) { return Format("%.1f", s.used); });
  PrintFigure(out, "waste length", books,
              [](const SimulationSummary& s) { return Format("%.1f", s.waste); });
  PrintFigure(out, "value (library)", books,
              [](const SimulationSummary& s) { return Format("%.2f", s.value); });
  PrintFigure(out, "value from the book's values", books, [](const SimulationSummary& s) {
    return s.bookHasValues ? Format("%.2f", s.bookValue) : std::string("-");
  });
  PrintFigure(out, "every limited row complete", books,
              [](const SimulationSummary& s) { return CompletedText(s.bookCompleteAt); });
}

}  // namespace

std::vector<ComparedOrder> CompareOrders(const std::vector<BookShift>& books) {
  std::map<std::tuple<bool, int, int, int64_t>, ComparedOrder> orders;
  auto entry = [&](bool variable, int grade, int length, int64_t code) -> ComparedOrder& {
    ComparedOrder& order = orders[{variable, grade, length, code}];
    if (order.pieces.empty()) {
      order = {grade,
               length,
               code,
               variable,
               std::vector<int64_t>(books.size(), -1),
               std::vector<int64_t>(books.size(), -1),
               false};
    }
    return order;
  };
  for (size_t b = 0; b < books.size(); ++b) {
    const SimulationSummary& summary = books[b].summary;
    for (const FixedOrderReport& row : summary.fixedOrders) {
      ComparedOrder& order = entry(false, row.grade, row.length, row.code);
      order.pieces[b] = std::max<int64_t>(order.pieces[b], 0) + row.pieces;
      order.completedAt[b] = row.completedAt;
    }
    for (const VariableOrderReport& row : summary.variableOrders) {
      ComparedOrder& order = entry(true, row.grade, -1, row.code);
      order.pieces[b] = std::max<int64_t>(order.pieces[b], 0) + row.pieces;
    }
  }
  std::vector<ComparedOrder> list;
  for (auto& item : orders) {
    ComparedOrder& order = item.second;
    order.differs = !std::all_of(order.pieces.begin(), order.pieces.end(),
                                 [&](int64_t p) { return p == order.pieces.front(); }) ||
                    !std::all_of(order.completedAt.begin(), order.completedAt.end(),
                                 [&](int64_t c) { return c == order.completedAt.front(); });
    list.push_back(order);
  }
  return list;
}

void PrintComparison(std::ostream& out, const std::vector<BookShift>& books) {
  out << "\nbooks side by side (* where they differ; " << kLengthUnitNote << ")\n";
  for (size_t b = 0; b < books.size(); ++b)
    out << "  " << Letter(b) << ": " << books[b].header.book << '\n';
  std::vector<std::string> letters;
  for (size_t b = 0; b < books.size(); ++b)
    letters.push_back(Letter(b));
  PrintRow(out, "", letters, false);
  PrintBookFigures(out, books);
  out << "\n  pieces per order (grade, length, code; complete at board)\n";
  for (const ComparedOrder& order : CompareOrders(books)) {
    const std::string name = order.variable ? Format("grade %d variable %lld", order.grade,
                                                     static_cast<long long>(order.code))
                                            : Format("grade %d %5d %lld", order.grade, order.length,
                                                     static_cast<long long>(order.code));
    std::vector<std::string> cells;
    for (size_t b = 0; b < books.size(); ++b) {
      if (order.pieces[b] < 0) {
        cells.push_back("not in book");
        continue;
      }
      std::string cell = std::to_string(order.pieces[b]);
      if (order.completedAt[b] >= 0) cell += " @" + std::to_string(order.completedAt[b]);
      cells.push_back(cell);
    }
    PrintRow(out, name, cells, order.differs);
  }
}

std::string ComparisonJson(const std::vector<BookShift>& books) {
  Json document = Json::object();
  document["carried"] = !books.empty() && books.front().header.carried;
  Json list = Json::array();
  for (const BookShift& book : books)
    list.push_back(SimulationObject(book.header, book.summary, book.runs));
  document["books"] = std::move(list);
  return document.dump(1) + "\n";
}

std::string ComparisonCsv(const std::vector<BookShift>& books) {
  std::vector<std::string> headers;
  std::vector<std::string> bodies;
  for (const BookShift& book : books) {
    const std::string csv = SimulationCsv(book.header, book.runs, book.summary);
    const size_t end = csv.find('\n') + 1;
    headers.push_back(csv.substr(0, end));
    bodies.push_back(csv.substr(end));
  }
  // One header line when the books have the same rows, else each book's before its rows.
  const bool one = AllSame(headers);
  std::string text;
  for (size_t b = 0; b < books.size(); ++b) {
    if (b == 0 || !one) text += "book," + headers[b];
    for (size_t at = 0; at < bodies[b].size();) {
      const size_t end = bodies[b].find('\n', at);
      text += Letter(b) + "," + bodies[b].substr(at, end - at) + "\n";
      at = end + 1;
    }
  }
  return text;
}

}  // namespace sawline::tools
