// The combination search seen from outside a call: what one search was given and what it
// chose, and the search's own evaluation of any other combination of its genes. The desk
// tool's simulation computes the exact optimum of every search from this alone; nothing
// here exposes the workspace, and an observation stays valid after any number of later
// calls. Not part of the library's interface.
#pragma once

#include <cstdint>

#include "workspace/capacities.h"
#include "workspace/codes.h"

namespace sawline {

// Largest whole number below which every integer is exact in single precision.
inline constexpr int64_t kExactFloatIntegers = int64_t{1} << 24;

// One variable-length order of the searched grade, as the call's order lists held it.
struct ObservedVariableOrder {
  int32_t minLength;  // VariableMinLength
  int32_t maxLength;  // VariableMaxLength
  float weight;       // VariableWeight
  int32_t code;       // VariableCode
};

// What one combination search was given and what it chose: everything that defines the
// fitness it maximizes, the grade's variable-length list included.
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
  // The searched grade's variable-length list: what the rests are valued by.
  int32_t variableCount;  // valid entries of `variable`, 0 to kMaxVariableOrders
  ObservedVariableOrder variable[kMaxVariableOrders];
};

using SearchObserver = void (*)(const SearchObservation& observation, void* context);

// Registers the observer that every search calls once it has chosen, before it writes its
// result back; nullptr removes it. The observer runs inside the call: it may copy the
// observation but must not call into the library. Registering waits for a running call
// to end.
void ObserveSearches(SearchObserver observer, void* context);

// The fitness the search gives `genes` (search.geneCount piece counts) by its own
// evaluation, the rest valued by the observed variable-length list unless the search was
// fixed-only. Waits for a running call to end and must not be called from an observer.
// It uses the search's working tables, which every call rewrites before it reads them.
double EvaluateObservedGenes(const SearchObservation& search, const int32_t* genes);

// What the rest `rest` of the search's zone earns by the search's rule: one piece of the
// first variable-length order whose range with the kerf covers it exactly (when it is at
// least the shortest useful rest), else the segment filler's best fill when some order's
// longest piece with its kerf fits into it, else 0; always 0 for a fixed-only search.
// The same conditions as EvaluateObservedGenes.
double ValueObservedRest(const SearchObservation& search, double rest);

}  // namespace sawline
