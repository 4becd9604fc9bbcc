// Fixed capacities of every process-wide table. Every table in the workspace is
// sized from these constants; nothing in the optimizer allocates.
#pragma once

namespace sawline {

inline constexpr int kGrades = 9;              // per-grade tables: index 1..8, entry 0 unused
inline constexpr int kWasteGrade = 9;          // grade value of waste
inline constexpr int kMaxOrderGrade = 8;       // highest grade that can have orders
inline constexpr int kFixedOrderRows = 200;    // fixed-length rows of the host's order table
inline constexpr int kVariableOrderRows = 24;  // variable-length rows of the host's table
inline constexpr int kUncutOrderRows = 24;     // uncut rows of the host's table
inline constexpr int kMaxFixedOrders = 200;    // fixed-length list entries of one grade
inline constexpr int kMaxVariableOrders = 24;  // variable-length list entries of one grade
inline constexpr int kMaxUncutOrders = 3;      // uncut list entries of one grade

inline constexpr int kParameterBlockFloats = 2102;  // parameter block from the host
inline constexpr int kBoardMarkBlockFloats = 201;   // board-mark block from the host
inline constexpr int kResultBlockFloats = 1169;     // result block to the host
inline constexpr int kMarkHalf = 100;               // entries in each half of the mark block
inline constexpr int kMarkKindIndex = 200;          // mark-kind entry of the mark block

inline constexpr int kMaxSegments = 100;     // segment records of one board
inline constexpr int kMaxPlanRows = 200;     // rows of the segment plan
inline constexpr int kMaxPlanEntries = 100;  // entries in one plan row
inline constexpr int kMaxPieces = 200;       // rows of the piece list
inline constexpr int kMaxTransferRecords =
    100;                                       // controller records (and result-block piece slots)
inline constexpr int kMaxFillRows = 10;        // rows of one variable-length fill
inline constexpr int kPopulationSize = 200;    // individuals of the genetic search
inline constexpr int kMaxGenes = 200;          // genes of one individual
inline constexpr int kRandomTableSize = 5000;  // pre-drawn random numbers per search
inline constexpr int kMaxGenerations = 500;    // generations of one search at most
inline constexpr int kMaxGenerationMutations = 1000;  // mutations of one generation at most
inline constexpr int kGenerationPairs = 50;           // crossover pairs of one generation
inline constexpr int kValueTotalEntry = 9;            // total entry of the per-kind value tables
inline constexpr int kFillCandidates = 72;       // candidates of the segment filler (3 per order)
inline constexpr int kFillMemoSlots = 16384;     // remembered fills of one search (a power of 2)
inline constexpr int kFillMemoRows = 3;          // rows a remembered fill keeps (fills have <= 3)
inline constexpr int kCoverTableLength = 16384;  // whole lengths the cover table answers
inline constexpr int kRestValueEntries = 16384;  // whole lengths a search remembers rests for

}  // namespace sawline
