// Cutting optimization: the plan drivers and the searches that decide what one
// graded segment yields.
#pragma once

#include <cstdint>

namespace sawline {

// ---- Plan drivers (one runs per call) ----
void PlanBoard();               // modes 0..3, priority downgrade off
void PlanBoardWithDowngrade();  // modes 0..3, priority downgrade on
void PlanDefectSawing();        // mode 4

// ---- Piece classifier ----
// What a segment of `grade` and `length` can become: kind = c % 10 (1 uncut,
// 2 variable, 3 fixed, 4 nothing), x = c / 10 the order row plus one for kinds 1, 2.
int32_t ClassifyPiece(int32_t grade, float length);

// ---- Segment filler ----
// Fills `length` with variable-length pieces of `grade`; the plan goes to FillRows /
// FillRowCount (the caller has set FillRowCount to 0); returns its score.
float FillSegment(int32_t grade, float length);
// Best tiling of `length` with equal pieces of one order, into RemainderFill.
void FillRemainder(int32_t grade, float length);

// ---- Combination search ----
// Chooses fixed-length piece counts for a segment (SearchPieceCount), fills the rest
// (FillRows unless fixedOnly is 1), sets RemainderLength and advances FixedDone.
void SearchCombination(int32_t grade, float length, int32_t fixedOnly);
void PrepareSearchWeights();
void RunGeneticSearch(int32_t grade, float length, int32_t fixedOnly);
void FillRandomTable();
void EvaluatePopulation(int32_t fixedOnly, int32_t n);

// ---- Genetic operators (one generation: select, cross, mutate) ----
void SelectByRoulette();
void CrossOverPairs();
void MutatePopulation();

}  // namespace sawline
