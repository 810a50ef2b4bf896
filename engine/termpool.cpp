#include "engine/termpool.h"

#include "engine/error.h"

namespace quorvel {

TermPool::TermPool() { reset(); }

void TermPool::reset() {
    for (auto &r : records_) {
        r = Term{};
        r.slot = -1;
    }
    freeBits_.fill(~uint64_t{0});
    used_ = 0;
}

void TermPool::setLimit(int limit) {
    if (limit < 0) limit = 0;
    if (limit > termPoolSize) limit = termPoolSize;
    limit_ = limit;
}

Term *TermPool::take() {
    for (size_t w = 0; w < freeBits_.size(); ++w) {
        const uint64_t bits = freeBits_[w];
        if (bits == 0) continue;
        const int index = static_cast<int>(w * 64 + static_cast<size_t>(__builtin_ctzll(bits)));
        if (index >= limit_) break;
        freeBits_[w] &= ~(uint64_t{1} << (index % 64));
        ++used_;
        Term *t = &records_[static_cast<size_t>(index)];
        t->slot = index;
        return t;
    }
    abandonForMemory(termPoolRemedy);
}

void TermPool::release(Term *t) {
    if (!owns(t) || t->slot < 0) return;
    const int index = static_cast<int>(t - records_.data());
    t->slot = -1;
    freeBits_[static_cast<size_t>(index / 64)] |= uint64_t{1} << (index % 64);
    --used_;
}

bool TermPool::owns(const Term *t) const {
    return t != nullptr && t >= records_.data() && t < records_.data() + records_.size();
}

TermPool &termPool() {
    static TermPool pool;
    return pool;
}

}  // namespace quorvel
