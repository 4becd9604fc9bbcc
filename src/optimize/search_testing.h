// The combination search step by step: the steps RunGeneticSearch runs in order, and the
// genetic operators on Population. Tests and the benchmark drive a search through them
// generation by generation; the plan drivers only call SearchCombination.
#pragma once

#include <cstdint>

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

// What one combination search was given and what it chose: everything that defines the
// fitness it maximizes (apart from the grade's variable-length list, which a call never
// changes), for the desk tool's simulation, which computes the exact optimum beside it.
struct SearchObservation {
  int32_t grade;
  float length;  // SearchLength
  int32_t fixedOnly;
  OptimizeMode mode;
  float kerf;
  int32_t firstEntry;        // SearchFirstEntry: gene j stands for entry firstEntry + j
  int32_t geneCount;         // genes the search used
  int32_t generations;       // generations run; 0 for the long-stock combination
  bool cutShort;             // the clock ended the generations before the last one
  double bestFitness;        // fitness of the chosen genes
  int32_t genes[kMaxGenes];  // the chosen piece counts
  int32_t geneLimit[kMaxGenes];
  int32_t pieceLength[kMaxGenes];  // FixedLength of the gene's entry
  float weight[kMaxGenes];         // SearchWeight of the gene's entry
};
using SearchObserver = void (*)(const SearchObservation& observation, void* context);
// Registers the observer that every search calls once it has chosen, before it writes its
// result back; nullptr removes it. The observer must not change the workspace.
void ObserveSearches(SearchObserver observer, void* context);

// The genetic operators of one generation, from Population into NextPopulation.
void SelectByRoulette();
void CrossOverPairs();
void MutatePopulation();

}  // namespace sawline
