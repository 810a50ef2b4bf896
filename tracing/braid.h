// The braid word built while the fiber points are traced, and the
// permutation of the fiber points read off a finished solution trace.
//
// A generator +k (1 <= k <= n - 1) is the crossing of the strands at
// positions k - 1 and k along the real axis (position 0 leftmost), the one
// coming from the left passing below; -k is its inverse.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/points.h"
#include "tracing/traces.h"

namespace quorvel {

// ---- crossing matrix ---------------------------------------------------------

// An integer matrix, row-major: entry [r][c] is entries[r * cols + c].
// For one tracing step, entry [a][b] is 0 when the strands a and b (indices
// in the order of their start points along the real axis) did not cross,
// otherwise +-rank of the crossing in time, with [b][a] = -[a][b].
struct CrossingMatrix {
    std::vector<int32_t> entries;
    int32_t rows = 0;
    int32_t cols = 0;

    int32_t &at(int r, int c) { return entries[static_cast<size_t>(r) * cols + c]; }
    int32_t at(int r, int c) const { return entries[static_cast<size_t>(r) * cols + c]; }
};

// Matrices with more entries than this are refused as a lack of memory.
inline constexpr long long defaultMatrixEntryLimit = 1LL << 24;

// A rows x cols matrix with every entry 0. When it cannot be allocated (or
// has a negative or absurd size) the error channel is told "malloc failed at
// NewMatrix." / "Lack of memory" and the result is empty.
std::unique_ptr<CrossingMatrix> newMatrix(int rows, int cols);
// Sets the largest number of entries newMatrix accepts and returns the old
// limit (tests use it to make allocation fail).
long long setMatrixEntryLimit(long long entries);

// Exchange two rows or two columns; nothing happens when an index is
// negative, out of range, or both are equal.
void swapRows(CrossingMatrix &m, int a, int b);
void swapColumns(CrossingMatrix &m, int a, int b);

// Fills m (resized to n x n) with the crossings of one step in which every
// point moved linearly from its position in `previous` to the same position
// in `current`. Does nothing unless both lists have the same length n >= 1.
void crossingMatrix(PointList previous, PointList current, CrossingMatrix &m);

// Takes the earliest crossing of two strands adjacent in the current order,
// removes it from the matrix and exchanges the two strands; answers the
// signed generator, or 0 when no adjacent crossing remains.
int nextGenerator(CrossingMatrix &m);

// ---- reading a move ----------------------------------------------------------

// The tracer reads the braid along the real axis turned clockwise by a
// fixed tiny angle (2^-30 rad): points with equal real parts, as a
// conjugate pair over a real base point has, are ordered by their
// imaginary parts, the larger first, and rounding noise in the real parts
// never reorders them.
double alongAxis(Complex z);
double acrossAxis(Complex z);

// The generators of one move in which every strand goes straight from
// from[i] to to[i] (one index, one strand), in time order, appended to
// `generators`. False, with nothing appended, when the move cannot be read
// with confidence: two strands that cross are not clearly apart where they
// cross (closer than a tenth of their distance at either end), or the
// crossings cannot be taken one by one as exchanges of neighbours. A
// tracer that meets such a move takes a shorter step.
bool readMove(const std::vector<Complex> &from, const std::vector<Complex> &to,
              std::vector<int> &generators);

// ---- braid word ------------------------------------------------------------

class BraidWord {
public:
    static constexpr int32_t capacityStep = 256;

    BraidWord() : items_(capacityStep, 0) {}

    int32_t count() const { return count_; }
    int32_t capacity() const { return static_cast<int32_t>(items_.size()); }
    // Entry i; 0 when i < 0 or i >= capacity (slots past count hold 0).
    int32_t operator[](int i) const {
        return i < 0 || i >= capacity() ? 0 : items_[static_cast<size_t>(i)];
    }
    // The generators in order.
    std::vector<int32_t> generators() const {
        return std::vector<int32_t>(items_.begin(), items_.begin() + count_);
    }
    // Empties the word; the capacity is kept.
    void clear();

private:
    friend int appendGenerator(BraidWord &word, int generator);
    friend void reduceBraidWord(BraidWord &word);
    // Deletes entries j < k and closes the gaps.
    void erasePair(int32_t j, int32_t k);

    std::vector<int32_t> items_;  // size is the capacity
    int32_t count_ = 0;
};

// Appends one generator (growing the word by 256 slots once count reaches
// capacity - 1); answers the new count.
int appendGenerator(BraidWord &word, int generator);

// Free cancellation (across commuting letters) and rewriting by the braid
// relations that move the larger index outwards, until nothing changes.
void reduceBraidWord(BraidWord &word);

// The two words are one word up to exchanges of neighbouring letters whose
// indices differ by two or more (crossings of disjoint pairs of strands,
// which commute): then they are the same braid.
bool sameUpToFarCommutation(const std::vector<int32_t> &a, const std::vector<int32_t> &b);

// The two words are the same braid: a b^-1 acts trivially on the free
// group (Artin's faithful action), each image reduced as it is built. An
// image that grows beyond `limit` letters leaves the question open: false.
bool sameBraid(const std::vector<int32_t> &a, const std::vector<int32_t> &b, size_t limit = 1 << 16);

// "NULL" for an empty word, else "%+d," for every nonzero entry.
std::string formatBraidWord(const BraidWord &word);

// One accepted tracing step: the crossings between previous and current,
// appended to the word generator by generator with a reduction after each.
// When the matrix cannot be allocated the step adds nothing. Answers the
// number of generators taken from the step.
int tracerBraidStep(PointList previous, PointList current, BraidWord &word);

// ---- permutation -----------------------------------------------------------

// Marks a permutation entry whose end point matched no start point.
inline constexpr int unmatchedEntry = -2;

// Entry j is the index (in step 0) of the start point that the j-th point of
// the last step matches (both parts within 0.0001); unmatched entries hold
// unmatchedEntry. Size n + 1, the last entry -1.
std::vector<int> computePermutation(const TraceRecord *solutionTrace, int steps, int n);

// The cycles of the permutation as names of the fiber points numbered by the
// entries: "A->B->A,C->C,". An entry that is not an index of the permutation
// (unmatched) ends its cycle with "->?"; a number no fiber point carries is
// written as the number.
std::string formatPermutation(const std::vector<int> &permutation, PointList fiber);

}  // namespace quorvel
