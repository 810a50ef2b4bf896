// The fixed pool of 2048 term records shared by every polynomial and point
// list of the program. Allocation takes the free record with the lowest
// index; nothing is ever taken from the system allocator.
#pragma once

#include <array>
#include <cstdint>

#include "engine/complex.h"

namespace quorvel {

inline constexpr int termPoolSize = 2048;

// One record. Polynomials read it as a term (coefficient, exponents of the
// three variable slots, the slots' letters); point lists read the same
// fields as value, number, multiplicity and name (see points.h).
struct Term {
    Complex coef;
    int32_t exp[3] = {0, 0, 0};
    char var[4] = {'?', '?', '?', '\0'};
    int32_t kind = 1;
    int32_t slot = -1;  // -1 while free, else the record's own pool index
    Term *left = nullptr;
    Term *next = nullptr;
    // Cached subtree height, kept up to date by every operation that changes
    // the shape of a polynomial tree, so rebalancing does not walk subtrees.
    int32_t cachedHeight = 1;
};

class TermPool {
public:
    TermPool();
    // Takes the lowest-index free record and marks it with its index; the
    // other fields are left for the caller to fill. On exhaustion the error
    // channel is told and the computation is abandoned.
    Term *take();
    // Marks one record free (links and values are left as they are).
    void release(Term *t);
    bool owns(const Term *t) const;
    int usedCount() const { return used_; }
    int limit() const { return limit_; }
    int freeCount() const { return termPoolSize - used_; }
    // Marks every record free: a fresh pool, for tests and start-up.
    void reset();
    // Lets tests make the pool run out early: records beyond the limit count
    // as taken. A limit of termPoolSize restores the real pool.
    void setLimit(int limit);

private:
    std::array<Term, termPoolSize> records_;
    std::array<uint64_t, termPoolSize / 64> freeBits_{};
    int used_ = 0;
    int limit_ = termPoolSize;
};

// The program's term pool.
TermPool &termPool();

}  // namespace quorvel
