// Building a chain of segments inside the tracing library: the segments
// taken so far go back to the pool if the work is abandoned half-way.
#pragma once

#include <cmath>
#include <utility>

#include "tracing/paths.h"

namespace quorvel {

inline Complex pointOnCircle(Complex centre, double radius, double angle) {
    return Complex(centre.re + radius * std::cos(angle), centre.im + radius * std::sin(angle));
}

class ChainUnderConstruction {
public:
    explicit ChainUnderConstruction(SegmentPool &pool) : pool_(pool) {}
    ~ChainUnderConstruction() { freeAutoPaths(pool_, head_); }
    ChainUnderConstruction(const ChainUnderConstruction &) = delete;
    ChainUnderConstruction &operator=(const ChainUnderConstruction &) = delete;

    // Takes a record and links it at the end before anything else can fail.
    PathSegment *take() {
        PathSegment *s = pool_.allocSegment();
        s->next = nullptr;
        if (tail_)
            tail_->next = s;
        else
            head_ = s;
        tail_ = s;
        return s;
    }
    void line(int owner, int role, Complex start, Complex end) {
        initLineSegment(take(), owner, role, start, end);
    }
    void arc(int owner, int role, Complex centre, double radius, double from, double to) {
        initArcSegment(take(), owner, role, centre, radius, from, to);
    }
    // Closes the loop emitted last.
    void endLoop() {
        if (tail_) {
            tail_->role = roleLast;
            tail_->next = nullptr;
        }
    }
    PathSegment *&head() { return head_; }
    PathSegment *release() {
        tail_ = nullptr;
        return std::exchange(head_, nullptr);
    }
    // Returns every segment to the pool and starts again.
    void clear() {
        freeAutoPaths(pool_, head_);
        head_ = tail_ = nullptr;
    }

private:
    SegmentPool &pool_;
    PathSegment *head_ = nullptr;
    PathSegment *tail_ = nullptr;
};

}  // namespace quorvel
