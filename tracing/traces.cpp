#include "tracing/traces.h"

#include <functional>

namespace quorvel {

TracePool::TracePool() { grow(); }

void TracePool::grow() {
    auto block = std::make_unique<TraceRecord[]>(blockSize);
    for (int i = 0; i + 1 < blockSize; ++i) block[i].poolNext = &block[i + 1];
    if (!blocks_.empty()) blocks_.back()[blockSize - 1].poolNext = &block[0];
    blocks_.push_back(std::move(block));
    total_ += blockSize;
}

TraceRecord *TracePool::recordAt(long index) const {
    return &blocks_[static_cast<size_t>(index / blockSize)][index % blockSize];
}

long TracePool::indexOf(const TraceRecord *record) const {
    if (record == nullptr) return -1;
    const std::less<const TraceRecord *> before;
    const long blocks = static_cast<long>(blocks_.size());
    // The records of one trace usually sit in one block: try the last hit first.
    for (long k = 0; k < blocks; ++k) {
        const long b = (lastBlock_ + k) % blocks;
        const TraceRecord *first = blocks_[static_cast<size_t>(b)].get();
        if (!before(record, first) && before(record, first + blockSize)) {
            lastBlock_ = b;
            return b * blockSize + (record - first);
        }
    }
    return -1;
}

TraceRecord *TracePool::allocTraceRecord(Complex value) {
    long index = firstMaybeFree_;
    while (index < total_ && recordAt(index)->inUse != 0) ++index;
    if (index >= total_) {
        index = total_;
        grow();
    }
    TraceRecord *r = recordAt(index);
    r->value = value;
    r->inUse = 1;
    r->next = nullptr;
    r->number = 0;
    ++inUse_;
    firstMaybeFree_ = index + 1;
    return r;
}

void TracePool::freeTrace(TraceRecord *trace) {
    // Clearing the marks front to back frees the same records as clearing
    // them from the last to the first, and a chain that loops back on itself
    // ends at its first record, which is free by then.
    for (TraceRecord *r = trace; r != nullptr; r = r->next) {
        const long index = indexOf(r);
        if (index < 0 || r->inUse == 0) break;
        r->inUse = 0;
        --inUse_;
        if (index < firstMaybeFree_) firstMaybeFree_ = index;
    }
}

TraceRecord **traceEndSlot(TraceRecord *&trace) {
    TraceRecord *last = lastTraceRecord(trace);
    return last ? &last->next : &trace;
}

TraceRecord **appendStep(TracePool &pool, TraceRecord **slot, PointList points) {
    std::vector<Term *> byPosition;
    recordsByPosition(points, byPosition);
    // Position 0 is the last record in chain order.
    for (auto it = byPosition.rbegin(); it != byPosition.rend(); ++it) {
        TraceRecord *r = pool.allocTraceRecord(pointValue(*it));
        r->number = static_cast<int16_t>(pointNumber(*it));
        *slot = r;
        slot = &r->next;
    }
    return slot;
}

const TraceRecord *lastTraceRecord(const TraceRecord *trace) {
    if (trace == nullptr) return nullptr;
    while (trace->next != nullptr) trace = trace->next;
    return trace;
}

TraceRecord *lastTraceRecord(TraceRecord *trace) {
    return const_cast<TraceRecord *>(lastTraceRecord(static_cast<const TraceRecord *>(trace)));
}

int countSteps(const TraceRecord *trace) {
    int steps = 0;
    for (; trace != nullptr; trace = trace->next)
        if (trace->number == 0) ++steps;
    return steps;
}

int countRecords(const TraceRecord *trace) {
    int records = 0;
    for (; trace != nullptr; trace = trace->next) ++records;
    return records;
}

const TraceRecord *stepAt(const TraceRecord *trace, int k) {
    if (k < 0) return trace;
    int step = 0;
    for (const TraceRecord *r = trace; r != nullptr; r = r->next) {
        if (r->number != 0) continue;
        if (step == k) return r;
        ++step;
    }
    return trace;
}

TraceRecord *stepAt(TraceRecord *trace, int k) {
    return const_cast<TraceRecord *>(stepAt(static_cast<const TraceRecord *>(trace), k));
}

void Traces::resetSolutionTrace(TracePool &pool, PointList points) {
    pool.freeTrace(solutionTrace);
    solutionTrace = nullptr;
    appendStep(pool, &solutionTrace, points);
}

void Traces::resetParameterTrace(TracePool &pool, Complex point) {
    pool.freeTrace(parameterTrace);
    parameterTrace = pool.allocTraceRecord(point);
}

void Traces::appendParameter(TracePool &pool, Complex point) {
    *traceEndSlot(parameterTrace) = pool.allocTraceRecord(point);
}

void Traces::appendSolutionStep(TracePool &pool, PointList points) {
    appendStep(pool, traceEndSlot(solutionTrace), points);
}

TraceRecord *Traces::appendParameterAfter(TracePool &pool, TraceRecord *last, Complex point) {
    TraceRecord *r = pool.allocTraceRecord(point);
    (last ? last->next : parameterTrace) = r;
    return r;
}

TraceRecord *Traces::appendSolutionStepAfter(TracePool &pool, TraceRecord *last, PointList points) {
    TraceRecord **slot = last ? &last->next : &solutionTrace;
    appendStep(pool, slot, points);
    // Walks the new step only, never the trace before it.
    TraceRecord *r = *slot;
    if (!r) return last;
    while (r->next) r = r->next;
    return r;
}

void Traces::clear(TracePool &pool) {
    pool.freeTrace(solutionTrace);
    pool.freeTrace(parameterTrace);
    solutionTrace = nullptr;
    parameterTrace = nullptr;
}

}  // namespace quorvel
