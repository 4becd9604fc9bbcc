// What a call of OptimizationCompute answered, decoded from the blocks exactly as a
// host holds them: the converted zones, the cut list with feed lengths and code fields,
// the pieces per fixed-length order row, and the yield and value figures per grade.
// Every view of the desk tool (the cut table, the JSON output, the board report) reads
// this one decoding.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sawline::tools {

enum class PieceKind {
  kFixed,     // a fixed-length order piece (gradeCode 1 to 8)
  kUncut,     // a segment taken whole by an uncut order (grade * 10 + 1)
  kVariable,  // a variable-length order piece (grade * 10 + 2)
  kWaste,     // gradeCode 9
  kClear,     // defect sawing: a sound piece cut out between defects (gradeCode 1)
  kUnknown,   // any other code
};

// Lower-case name of a kind: "fixed", "uncut", "variable", "waste", "clear", "?".
const char* PieceKindName(PieceKind kind);

struct ZoneView {
  float grade;  // as the block holds it (a whole number; 9 waste)
  float length;
  double start;  // distance from the board's start
};

struct PieceView {
  PieceKind kind;
  int grade;        // 1 to 8 for order pieces and clear pieces, 0 for waste and unknown
  float gradeCode;  // as the block holds it
  float length;     // the piece, without kerf
  float feedLength;
  std::array<int, 4> codeFields;  // the controller's four fields
  int64_t code;                   // the fields packed again as AABBCCDD (0 when all are 0)
  bool kicked;                    // waste that carries a code: sent to the waste kicker
  double start;                   // distance of the piece from the board's start
};

struct OrderCountView {
  int row;       // host row of the fixed-length order table
  int grade;     // FixedOrderGrade of the row
  int length;    // FixedOrderLength of the row
  int64_t code;  // FixedOrderCode of the row
  int quantity;  // FixedOrderQuantity of the row (0: no limit)
  int done;      // FixedOrderDone of the row before this board
  int pieces;    // pieces of this board counted for the row
};

// A variable-length row of the order book and this board's pieces for it. A piece
// belongs to the first row of its grade whose length range holds it (within the
// library's 0.1 tolerance), as the library values it.
struct VariableCountView {
  int row;       // host row of the variable-length order table
  int grade;     // VariableOrderGrade of the row
  int64_t code;  // VariableOrderCode of the row
  int pieces;
  double length;  // the pieces' lengths added up
};

// The yield of a grade: what the pieces of grade g take of the useful length of grade g.
// A board may cut a piece of grade g from a better zone (a lower grade number) when
// that pays more, so the pieces of grade g are split by the zones they lie in:
// `ownZones` is the length lying in zones of grade g, `betterZones` the length lying in
// zones of grades 1 to g - 1. The yield is ownZones ÷ useful, which never exceeds 100 %
// because pieces do not overlap; the pieces from better zones are shown beside it,
// never added to it.
struct GradeYieldView {
  int grade;
  float total;  // fixed + variable + uncut piece length
  float fixed;  // fixed-length piece length
  float variable;
  float uncut;
  float useful;  // length of the converted zones of this grade
  float value;   // value optimization only, else 0
  float fixedValue;
  float variableValue;
  double ownZones;       // of the pieces of this grade: length in zones of this grade
  double betterZones;    // length in zones of a better grade
  double Yield() const;  // ownZones ÷ useful, 0 without useful length
};

struct ResultView {
  int32_t returned = 0;  // the entry's return value
  int delivered = 0;     // pieces in the block: the return value, at most 100
  int mode = 0;          // OptimizeMode of the parameter block
  float kerf = 0.0f;
  float boardLength = 0.0f;
  std::vector<ZoneView> zones;                    // converted zones, head first
  std::vector<PieceView> pieces;                  // the cut list, head first
  std::vector<OrderCountView> orderCounts;        // rows with at least one piece
  std::vector<VariableCountView> variableCounts;  // variable rows with at least one piece
  std::vector<GradeYieldView> grades;             // grades 1 to 8
  float usefulLength = 0.0f;
  double usedLength = 0.0;  // fixed + variable + uncut over all grades
  double wasteLength = 0.0;
  double feedSum = 0.0;  // the feed lengths added up (the board length when all is well)
  float totalValue = 0.0f;
  float fixedValue = 0.0f;
  float variableValue = 0.0f;
  // The pieces valued by the order book's values, in every mode (the library values
  // them in value optimization only): a fixed-length piece is worth its row's
  // FixedOrderValue, a variable-length piece its length times the row's
  // VariableOrderValue per 1000 length units.
  double bookValue = 0.0;
  bool bookHasValues = false;  // some row of the book has a value other than 0
};

// Decodes a result block. `parameters` (2102 floats) gives the mode, the kerf and the
// order rows the counts refer to; `result` (1169 floats) is read only when
// `returned` > 0 (a block of a call that returned 0 holds whatever the caller put there).
ResultView DecodeResult(const float* parameters, const float* result, int32_t returned);

}  // namespace sawline::tools
