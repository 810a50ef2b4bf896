// Trace records and the two traces of a tracing run.
//
// The solution trace holds, for every recorded step, the n fiber points of
// that step in the chain order of the point list they were taken from; a step
// starts at a record whose number is 0. The parameter trace holds one record
// per step (every record has number 0, so every record is a step of its own).
// All records come from one TracePool that only grows.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/complex.h"
#include "engine/points.h"

namespace quorvel {

struct TraceRecord {
    Complex value;
    TraceRecord *next = nullptr;
    int16_t inUse = 0;    // 1 while the record belongs to a trace
    int16_t number = 0;   // number of the fiber point; 0 for parameter records
    TraceRecord *poolNext = nullptr;
};

// A pool of trace records linked by poolNext. It starts with one block of
// free records and grows by a block whenever every record is in use; blocks
// are never released before the pool itself is destroyed.
class TracePool {
public:
    static constexpr int blockSize = 5000;

    TracePool();
    TracePool(const TracePool &) = delete;
    TracePool &operator=(const TracePool &) = delete;

    // Takes the first free record in pool order (growing the pool when there
    // is none) and fills it: the value, inUse 1, next empty, number 0.
    TraceRecord *allocTraceRecord(Complex value);

    // Returns the records of a chain to the pool. The walk stops at the first
    // record that is already free (or not from this pool); the records before
    // it are freed. Links are left as they are.
    void freeTrace(TraceRecord *trace);

    bool owns(const TraceRecord *record) const { return indexOf(record) >= 0; }
    int totalRecords() const { return total_; }
    int recordsInUse() const { return inUse_; }
    // First record of the pool chain (for walking poolNext).
    TraceRecord *head() const { return blocks_.front().get(); }

private:
    void grow();
    // Index of the record in pool order, -1 when it is not a record of the pool.
    long indexOf(const TraceRecord *record) const;
    TraceRecord *recordAt(long index) const;

    std::vector<std::unique_ptr<TraceRecord[]>> blocks_;
    int total_ = 0;
    int inUse_ = 0;
    // Every record before this index is in use, so a scan for a free record
    // may start here and still find the first free one in pool order.
    long firstMaybeFree_ = 0;
    mutable long lastBlock_ = 0;  // block of the last indexOf hit
};

// The link slot after the last record of a trace: the head link itself when
// the trace is empty.
TraceRecord **traceEndSlot(TraceRecord *&trace);

// Appends one record per point of the list, in chain order (left subtree,
// the record, its next chain), with the point's value and number; the first
// new record goes into *slot. Returns the slot after the last new record
// (the given slot for an empty list). The slot is expected to be empty:
// whatever it held is replaced.
TraceRecord **appendStep(TracePool &pool, TraceRecord **slot, PointList points);

// The last record; nullptr for an empty trace.
TraceRecord *lastTraceRecord(TraceRecord *trace);
const TraceRecord *lastTraceRecord(const TraceRecord *trace);
// Number of records whose number is 0.
int countSteps(const TraceRecord *trace);
// Number of records in the chain.
int countRecords(const TraceRecord *trace);
// The first record of step k (the k-th record, from 0, whose number is 0);
// the head of the trace when k < 0 or there is no such step.
TraceRecord *stepAt(TraceRecord *trace, int k);
const TraceRecord *stepAt(const TraceRecord *trace, int k);

inline constexpr int16_t tracingNothing = 0;
inline constexpr int16_t tracingRunning = 1;
inline constexpr int16_t tracingFinished = 2;

// The two traces with the step count and the tracing state that go with
// them. The records belong to the pool passed to each operation; the same
// pool must be used for the whole life of a Traces value.
struct Traces {
    TraceRecord *solutionTrace = nullptr;
    TraceRecord *parameterTrace = nullptr;
    int32_t traceStepCount = 0;
    int16_t tracingState = tracingNothing;

    // Frees the solution trace and makes it one step holding the points.
    // traceStepCount is left to the caller.
    void resetSolutionTrace(TracePool &pool, PointList points);
    // Frees the parameter trace and makes it one record holding the point.
    void resetParameterTrace(TracePool &pool, Complex point);
    // Appends one record holding the point at the end of the parameter trace.
    void appendParameter(TracePool &pool, Complex point);
    // Appends the points as a new step at the end of the solution trace.
    // traceStepCount is left to the caller.
    void appendSolutionStep(TracePool &pool, PointList points);
    // The same in constant time, given the last record of the trace (none
    // for an empty trace); both answer the new last record.
    TraceRecord *appendParameterAfter(TracePool &pool, TraceRecord *last, Complex point);
    TraceRecord *appendSolutionStepAfter(TracePool &pool, TraceRecord *last, PointList points);
    // Frees both traces and empties them; count and state are left alone.
    void clear(TracePool &pool);
};

}  // namespace quorvel
