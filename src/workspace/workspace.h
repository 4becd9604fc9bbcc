// The process-wide workspace: every setting, table and record of one optimization
// run, in one struct with one instance, grouped by the stage that writes them.
//
// Memory contract: the workspace is a single static object that lives for the whole
// process. Nothing in the optimizer allocates; every table has the fixed capacity of
// capacities.h. Each call of OptimizationCompute rewrites or clears every table it
// reads before reading it, so nothing of a call is meant to survive into the next.
// Entries beyond a table's current count keep stale values and are never read.
// The library serves one call at a time (the host must not call it concurrently).
#pragma once

#include <cstdint>

#include "workspace/capacities.h"
#include "workspace/codes.h"

namespace sawline {

// One graded stretch of the board: grade 1..8, 9 waste (held as a float and
// compared truncated), and its length in the host's length unit.
struct Segment {
  float grade;
  float length;
};

// One entry of a segment's plan: `count` identical pieces.
// gradeCode: 1..8 fixed-length piece of that grade, g*10+1 uncut, g*10+2 variable, 9 waste.
struct PlanEntry {
  float count;
  float gradeCode;
  float length;  // one piece, kerf not included
  float tag;     // packed controller code of the order served; 0 for waste
};

// One physical piece of the cut list, in board order.
struct PieceRow {
  float gradeCode;
  float length;
  float tag;
};

// One row of a variable-length fill: `count` pieces of `length`, each carrying `tag`.
struct FillRow {
  float count;
  float length;
  float tag;
};

// What every remembered fill depends on: the searched grade, its variable-length list and
// the kerf. Entries the memo holds for one key stay valid for every search of that key.
struct FillMemoInputs {
  int32_t grade;
  float kerf;
  int32_t count;  // valid entries of the lists below; the rest stay 0
  int32_t minLength[kMaxVariableOrders];
  int32_t maxLength[kMaxVariableOrders];
  float weight[kMaxVariableOrders];
  int32_t code[kMaxVariableOrders];
};

// One remembered fill of a search: what FillSegment left for one length. Each entry
// fills one cache line, so that a look-up touches one line.
struct alignas(64) FillMemoEntry {
  uint64_t tag;                 // memo epoch << 32 | bits of the length; other epochs: empty
  float score;                  // what FillSegment returned
  int32_t rowCount;             // the FillRowCount it left
  FillRow rows[kFillMemoRows];  // the FillRows it left
};

// A mutation's draws as the search's own loop reads them: the first attempt whose row and
// gene draws are both in range, with its count draw already scaled to the gene's limit.
// Row -1: no attempt is, and the generation's mutations end there.
struct MutationDraw {
  int32_t count;
  int16_t row;
  int16_t gene;
  int32_t at;  // the gene's place in rows of MutationStride genes: row * stride + gene
};

// The parents of one crossover pair; a = -1: no attempt drew two different rows.
struct ParentPair {
  int16_t a;
  int16_t b;
};

// One remembered single-order tiling of a search: what FillRemainder left for a length.
struct alignas(32) RemainderMemoEntry {
  uint64_t tag;   // memo epoch << 32 | bits of the length; other epochs: empty
  float fill[4];  // RemainderFill
  int32_t order;  // order of the chosen tiling; -1 for none
};

// One candidate fill of the segment filler.
struct FillCandidate {
  int32_t rowCount;  // 0: the candidate does not exist
  float score;
  FillRow rows[kMaxFillRows];
  int32_t rowOrder[kMaxFillRows];  // order each row's pieces belong to
};

// One record for the line's motion controller.
struct TransferRecord {
  float feedLength;  // piece length plus one kerf; the last piece of the board alone
  float field[4];    // the four decimal fields of the piece's tag (AABBCCDD)
};

// The scalar and per-grade settings of the parameter block (rewritten by every call).
struct Settings {
  int32_t WasteGateSelect;             // 1: waste gate selected, middle waste is not halved
  int32_t WasteKickerCode;             // packed code given to long waste
  int32_t CT[kGrades];                 // head cut per grade 1..8; entry 0 stays 0
  int32_t CB[kGrades];                 // tail cut per grade 1..8; entry 0 stays 0
  int32_t WasteMaxLength;              // longest waste piece before splitting
  int32_t RemnantCentering;            // 1: centre remnants between unordered zones
  float OptimizeTimeLimit;             // seconds per search: 0.35 divided by the segment count
  int32_t WasteMarkCount;              // grade at which grade-mark counting stops
  int32_t TailUnmarkedLength;          // logged only
  int32_t GradeMarkLength;             // longest interval that counts as a grade mark
  int32_t GradeAMinLength;             // shortest interval that is not waste
  int32_t UnmarkedGrade;               // grade of an unmarked part of the board
  sawline::OptimizeMode OptimizeMode;  // 0 length, 1 value, 2 quantity, 3 long stock, 4 defects
  int32_t PriorityDowngrade;           // 1 selects the priority-downgrade driver
  float KerfWidth;                     // saw kerf width
  int32_t FluorescentLineWidth;        // width of a marking line
  int32_t FrontMarkingMode;            // 1: intervals read from the board's end
  int32_t TopWasteSideGradeLines;      // non-zero: two-face marking
  int32_t SeparateAdjacentSameGrade;   // 1: adjacent segments of one grade stay apart
};

// The host's three order tables as it sent them, one column per table, by host row.
struct OrderRows {
  int32_t FixedOrderEnabled[kFixedOrderRows];        // row used only when exactly 1
  int32_t FixedOrderGrade[kFixedOrderRows];          // grade 1..8 of the row
  int32_t FixedOrderLength[kFixedOrderRows];         // piece length of the row
  float FixedOrderWeight[kFixedOrderRows];           // weight per length unit
  float FixedOrderStartWeight[kFixedOrderRows];      // weight while nothing is done (quantity mode)
  float FixedOrderValue[kFixedOrderRows];            // value of one piece
  int32_t FixedOrderQuantity[kFixedOrderRows];       // ordered pieces; 0 = no limit
  int32_t FixedOrderDone[kFixedOrderRows];           // pieces already produced
  int32_t FixedOrderCode[kFixedOrderRows];           // packed controller code
  int32_t VariableOrderCode[kVariableOrderRows];     // packed code of variable-length row
  int32_t UncutOrderCode[kUncutOrderRows];           // packed code of uncut row
  int32_t VariableOrderEnabled[kVariableOrderRows];  // row used only when exactly 1
  int32_t VariableOrderGrade[kVariableOrderRows];    // grade 1..8 of the row
  int32_t VariableOrderMinLength[kVariableOrderRows];  // shortest acceptable piece
  int32_t VariableOrderMaxLength[kVariableOrderRows];  // longest acceptable piece
  float VariableOrderWeight[kVariableOrderRows];       // weight per length unit
  float VariableOrderValue[kVariableOrderRows];        // value per 1000 length units
  int32_t UncutOrderEnabled[kUncutOrderRows];    // row used only when exactly 1; grade row/3+1
  int32_t UncutOrderMinLength[kUncutOrderRows];  // shortest segment taken whole
  int32_t UncutOrderMaxLength[kUncutOrderRows];  // longest segment taken whole
};

// The board marks of this board.
struct Marks {
  float BoardMarks[kBoardMarkBlockFloats];  // copy of the mark block
  int32_t FirstHalfCount;                   // entries before the first 0 in 0..99
  int32_t SecondHalfCount;                  // entries before the first 0 in 100..199
};

// The order lists, per grade 1..8 (entry 0 unused; valid below the counts).
struct OrderLists {
  int32_t FixedCount[kGrades];                             // fixed-length entries per grade
  int32_t FixedLength[kGrades][kMaxFixedOrders];           // piece length, longest first
  float FixedWeight[kGrades][kMaxFixedOrders];             // weight per length unit, by mode
  float FixedStartWeight[kGrades][kMaxFixedOrders];        // quantity mode: weight at nothing done
  int32_t FixedQuantity[kGrades][kMaxFixedOrders];         // ordered pieces; 0 = no limit
  int32_t FixedDone[kGrades][kMaxFixedOrders];             // done; the search advances it
  int32_t FixedCode[kGrades][kMaxFixedOrders];             // packed code (the piece's tag)
  int32_t VariableCount[kGrades];                          // variable-length entries per grade
  int32_t VariableMinLength[kGrades][kMaxVariableOrders];  // shortest acceptable piece
  int32_t VariableMaxLength[kGrades][kMaxVariableOrders];  // longest acceptable piece
  float VariableWeight[kGrades][kMaxVariableOrders];       // weight per length unit, by mode
  int32_t VariableCode[kGrades][kMaxVariableOrders];       // packed code
  int32_t UncutCount[kGrades];                             // uncut entries per grade
  int32_t UncutMinLength[kGrades][kMaxUncutOrders];        // shortest segment taken whole
  int32_t UncutMaxLength[kGrades][kMaxUncutOrders];        // longest segment taken whole
  int32_t UncutCode[kGrades][kMaxUncutOrders];             // packed code
  int32_t OrderedGradeLimit;  // one more than the worst grade with fixed or variable orders
};

// The board's graded segments.
struct Board {
  Segment Segments[kMaxSegments];  // the board from its start; valid below SegmentCount
  int32_t SegmentCount;
  float BoardLength;                        // sum of segment lengths before merging/trimming
  Segment ConvertedSegments[kMaxSegments];  // snapshot after merging, before trimming
  int32_t ConvertedCount;
  int32_t TrimRecord[4];  // head trimmed (1/0), head cut, tail trimmed (1/0), tail cut
};

// The plan of the board: the pieces of each segment row.
struct Plan {
  PlanEntry SegmentPlan[kMaxPlanRows][kMaxPlanEntries];  // entries of each segment row
  int32_t SegmentPieceCount[kMaxPlanRows];               // valid entries per plan row
};

// The cut list and the controller's records of its pieces.
struct CutList {
  PieceRow PieceList[kMaxPieces];  // the cut list in board order, head first
  int32_t PieceCount;
  TransferRecord TransferList[kMaxTransferRecords];  // one record per cut-list row
};

// The segment filler's results and the tables it answers from during a search.
struct Filler {
  float RemainderFill[4];          // count, length, tag, score of the best single-order tiling
  FillRow FillRows[kMaxFillRows];  // the chosen variable-length fill
  int32_t FillRowCount;
  RemainderMemoEntry RemainderMemo[kFillMemoSlots];  // FillRemainder's tilings, by FillMemoEpoch
  int32_t CoverTableState;   // 0 not in use, 1 to be built on first use, 2 ready (one search)
  int32_t CoverTableLength;  // every whole length from this on (less 1) is above every range
  uint32_t CoverTable[kCoverTableLength];     // bit j: order j (searched grade) covers the length
  FillCandidate Candidates[kFillCandidates];  // FillSegment's candidates (scratch of one fill)
};

// The combination search.
struct Search {
  float FixedSearchWeight[kGrades][kMaxFixedOrders];  // fitness weight per entry, by mode
  float SearchWeight[kMaxFixedOrders];             // the searched grade's row of FixedSearchWeight
  int32_t SearchOpenCount[kMaxFixedOrders];        // pieces still open per entry; 1000 = unlimited
  int32_t SearchGrade;                             // grade being searched
  float SearchLength;                              // length to fill, kerfs included
  int32_t SearchFirstEntry;                        // first entry that fits; gene 0 stands for it
  int32_t GeneCount;                               // genes per individual
  int32_t GeneLimit[kMaxGenes];                    // most pieces each gene may hold
  int32_t RandomTable[kRandomTableSize];           // draws 0..32767 of this search
  int32_t Population[kPopulationSize][kMaxGenes];  // current generation
  int32_t NextPopulation[kPopulationSize][kMaxGenes];  // generation under construction
  int32_t BestGenes[kMaxGenes];                        // genes of the best individual so far
  double Fitness[kPopulationSize];                     // fitness of each individual of Population
  double BestFitness;                                  // fitness of BestGenes
  int32_t IndividualFillCount[kPopulationSize];        // rest rows per individual
  FillRow IndividualFillRows[kPopulationSize][kMaxFillRows];  // rest rows per individual
  int32_t BestFillCount;                                      // rest rows of BestGenes
  FillRow BestFillRows[kMaxFillRows];
  int32_t Generation;                         // generation counter 0..499
  int32_t SearchPieceCount[kMaxFixedOrders];  // result: pieces per entry of the grade
  float RemainderLength;                      // result: what the segment has left after its pieces
  alignas(64) int16_t
      CompactPopulation[2][kPopulationSize * kMaxGenes];  // the generations' rows, packed
  // The same in bytes, when no limit exceeds 127; rows padded to whole vectors of 16.
  alignas(64) int8_t BytePopulation[2][kPopulationSize * ((kMaxGenes + 15) & ~15)];
  double IndividualLength[kPopulationSize];  // pieces and kerfs per individual; -1 off limits
  // Fitness of each individual's fixed-length pieces in whole units of the search (see
  // GeneTable::wholeFitness in the search); INT64_MIN when not known.
  int64_t FixedFitnessUnits[kPopulationSize];
  // While generations run, the results of the generation under construction: they
  // alternate with Fitness, IndividualLength and the rest rows as the rows alternate.
  double NextFitness[kPopulationSize];
  double NextIndividualLength[kPopulationSize];
  int64_t NextFixedFitnessUnits[kPopulationSize];
  int32_t NextFillCount[kPopulationSize];
  FillRow NextFillRows[kPopulationSize][kMaxFillRows];
  // The operators' draws that depend on the generation alone, worked out from RandomTable
  // by the search's own loop: by the first index each mutation or pair draws from, and
  // the crossover's swap draws as bits (bit i: draw i rounds to 1).
  MutationDraw MutationDraws[kMaxGenerations + 3 * kMaxGenerationMutations];
  int32_t MutationDrawsReady;  // entries worked out so far in this search
  int32_t MutationStride;      // genes from one row to the next in the search's loop
  ParentPair ParentPairs[kMaxGenerations + 2 * kGenerationPairs];
  int32_t ParentPairsReady;  // ParentPairs worked out so far in this search
  int32_t SwapDrawsReady;    // swap draws (SwapBits, SwapBytes) worked out so far
  uint64_t SwapBits[kRandomTableSize / 64 + 2];
  uint8_t SwapBytes[kRandomTableSize + 16];  // the same as bytes: 0xFF where the bit is set
  // What the rest after the pieces of each whole length adds to a fitness, remembered for
  // searches of one length under one fill memo epoch; kRestValueUnknown bits: not yet
  // worked out.
  double RestValues[kRestValueEntries];
  int32_t RestValuesEnd;          // lengths 0 .. RestValuesEnd - 1 are remembered
  uint32_t RestValuesEpoch;       // FillMemoEpoch the values belong to; 0: none
  uint32_t RestValuesLengthBits;  // and the bits of the SearchLength they belong to
  int32_t FillMemoOff;            // 1: searches evaluate without the fill memos (benchmarks, tests)
  int32_t FillMemoActive;         // 1 while a search may answer fills from the memos
  uint32_t FillMemoEpoch;      // memo entries of other epochs are empty; a new key takes a new one
  FillMemoInputs FillMemoKey;  // what the entries of FillMemoEpoch were computed for
  FillMemoEntry FillMemo[kFillMemoSlots];  // FillSegment's fills, by FillMemoEpoch
};

// The board's statistics for the host.
struct Statistics {
  int32_t FixedOrderPieces[kFixedOrderRows];  // pieces of this board per host fixed row
  float GradeSpecLength[kGrades];             // fixed-length piece length per grade
  float GradeVarLength[kGrades];              // variable-length piece length per grade
  float GradeUncutLength[kGrades];            // uncut piece length per grade
  float GradeTotalLength[kGrades];            // sum of the three above
  float GradeUsefulLength[kGrades];           // converted segment length per grade
  float TotalUsefulLength;
  float GradeFixedValue[kGrades + 1];  // value of fixed-length pieces; entry 9 the total
  float GradeVarValue[kGrades + 1];    // value of variable-length pieces; entry 9 the total
  float GradeValue[kGrades];           // fixed + variable value per grade
  float TotalValue;
};

// The stages of a call, each with the part it writes; later stages read earlier parts.
struct Workspace {
  Settings settings;    // UnpackParameterBlock
  OrderRows orderRows;  // UnpackParameterBlock
  Marks marks;          // CopyBoardMarks (two-face marking raises FirstHalfCount)
  OrderLists orders;    // BuildOrderLists; the search advances FixedDone
  Board board;          // ConvertBoardMarks, TrimHeadAndTail; the plan drivers reshape it
  Plan plan;            // the plan drivers
  Filler filler;        // FillSegment and FillRemainder
  Search search;        // SearchCombination
  CutList cut;          // the plan drivers, FinishPieceList, BuildTransferList
  Statistics stats;     // ComputeStatistics
};

// Why a board was refused before planning (see ScreenInputs).
enum RefusalReason : int32_t {
  kAccepted = 0,
  kRefusedNonFinite = 1,     // a value the run uses is NaN or infinite
  kRefusedNegativeKerf = 2,  // KerfWidth below 0
  kRefusedNegativeMark = 3,  // a mark length below 0
  kRefusedKerfTooWide = 4,   // KerfWidth as long as the whole board or longer
  kRefusedSetting = 5,       // a setting outside its range, where that would spoil the plan
  kRefusedMarkGrade = 6,     // a grade/length mark of a grade outside 1..9
};

// The screening's answer, for the run log's refusal line.
struct Refusal {
  RefusalReason reason;
  const char* setting;  // kRefusedSetting: the setting's name
  int32_t mark;         // kRefusedMarkGrade: the mark's position
  double value;         // the setting's value or the mark's grade, as read
  double min;           // the documented range
  double max;
};

// The board's rows as the priority-downgrade pass left them, with their neighbour
// flags, for the run log.
struct DowngradePass {
  int32_t rowCount;
  Segment rows[kMaxSegments];
  int32_t flag[kMaxSegments];
};

// The one instance.
extern Workspace ws;

// Clears the whole workspace to zeros (tests use it; a call never needs it).
void ResetWorkspace();

}  // namespace sawline
