// The combination search step by step: the steps RunGeneticSearch runs in order, and the
// genetic operators on Population. Tests and the benchmark drive a search through them
// generation by generation; the plan drivers only call SearchCombination. The observation
// of a search and ObserveSearches come from search_probe.h.
#pragma once

#include <cstdint>

#include "optimize/search_probe.h"
#include "workspace/codes.h"
#include "workspace/workspace.h"

namespace sawline {

// Modes 0 and 1 search with the orders' own weights; the quantity mode blends from the
// start weight (nothing done) to the weight (order complete) by the share done.
void PrepareSearchWeights();
// Sets SearchGrade and SearchLength, finds SearchFirstEntry and GeneCount, and sets
// the gene limits.
void BeginSearch(int32_t grade, float length);
// Seeds the generator and draws RandomTable.
void FillRandomTable();
// Clears the genes of all individuals and of BestGenes.
void ClearPopulation();
// While a search runs its fills are remembered (see the fill memos in search_steps.h):
// BeginFillMemo starts a new epoch (unless FillMemoOff is 1), EndFillMemo ends the use.
void BeginFillMemo();
void EndFillMemo();
// Draws the initial population from RandomTable by the three schemes.
void BuildInitialPopulation();
// Fitness (and, unless fixedOnly is 1, the rest rows) of individuals 0..n-1.
void EvaluatePopulation(int32_t fixedOnly, int32_t n);
// Takes the first best of the initial population.
void KeepFirstBest(int32_t fixedOnly);
// Takes a better (or equal but lexicographically greater) individual among 0..n-1.
void KeepBest(int32_t fixedOnly, int32_t n);
// One generation: clear NextPopulation, select, cross, mutate, copy back, evaluate,
// keep the best. Expects Population, Fitness, the rest rows and IndividualLength as the
// last EvaluatePopulation left them.
void RunGeneration(int32_t fixedOnly);
// Individuals 0..count-1 become the greedy combinations starting at their own gene.
void BuildGreedyCandidates(int32_t count);
// Leaves the result for the driver: SearchPieceCount, FillRows, RemainderLength.
void WriteBack(int32_t fixedOnly, const int32_t* genes, int32_t fillCount, const FillRow* fills);

// The genetic operators of one generation, from Population into NextPopulation.
void SelectByRoulette();
void CrossOverPairs();
void MutatePopulation();

}  // namespace sawline
