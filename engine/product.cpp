#include "engine/product.h"

#include <algorithm>
#include <cmath>

#include "engine/error.h"
#include "engine/polynomial.h"

namespace quorvel {

namespace {

// -1 when a orders below b, +1 above, 0 for the same monomial (the order
// of compareTerms, for terms of one letter set).
int compareExponents(const int *a, const int *b) {
    for (int s = 0; s < 3; ++s)
        if (a[s] != b[s]) return a[s] < b[s] ? -1 : 1;
    return 0;
}

ProductTerm productOf(const Term *x, const Term *y) {
    ProductTerm p;
    for (int s = 0; s < 3; ++s) p.exp[s] = checkedExponent(static_cast<long long>(x->exp[s]) + y->exp[s]);
    p.coef = x->coef * y->coef;
    return p;
}

void keep(std::vector<ProductTerm> &out, const ProductTerm &t, size_t room) {
    if (isZero(t.coef)) return;
    out.push_back(t);
    if (out.size() > room) abandonForMemory(termPoolRemedy);
}

// Row by row: the row of one term of `a` times all of `b` is in monomial
// order and holds each monomial once, so it merges into the sorted sum.
// Costs |a| times the size of the sum: the way for factors of like size.
std::vector<ProductTerm> byMerging(const std::vector<const Term *> &a, const std::vector<const Term *> &b,
                                   size_t room) {
    std::vector<ProductTerm> sum;
    std::vector<ProductTerm> merged;
    std::vector<ProductTerm> row;
    for (const Term *ta : a) {
        row.clear();
        for (auto tb = b.rbegin(); tb != b.rend(); ++tb) row.push_back(productOf(ta, *tb));
        merged.clear();
        size_t i = 0;
        size_t j = 0;
        while (i < sum.size() || j < row.size()) {
            const int c = i == sum.size() ? 1 : j == row.size() ? -1 : compareExponents(sum[i].exp, row[j].exp);
            if (c < 0) {
                merged.push_back(sum[i++]);
            } else if (c > 0) {
                keep(merged, row[j++], room);
            } else {
                ProductTerm t = sum[i++];
                t.coef += row[j++].coef;
                keep(merged, t, room);
            }
        }
        sum.swap(merged);
    }
    return sum;
}

// All rows at once through a heap ordered by monomial, then by row: costs
// |a|·|b|·log|a|, the way when one factor is much longer than the other.
std::vector<ProductTerm> byHeap(const std::vector<const Term *> &a, const std::vector<const Term *> &b,
                                size_t room) {
    struct Cursor {
        ProductTerm term;
        size_t row;
        size_t col;  // counts down through b, lowest term first
    };
    auto later = [](const Cursor &x, const Cursor &y) {
        const int c = compareExponents(x.term.exp, y.term.exp);
        return c != 0 ? c > 0 : x.row > y.row;
    };
    std::vector<Cursor> heap;
    heap.reserve(a.size());
    for (size_t row = 0; row < a.size(); ++row) heap.push_back({productOf(a[row], b.back()), row, b.size() - 1});
    std::make_heap(heap.begin(), heap.end(), later);
    std::vector<ProductTerm> sum;
    bool open = false;
    ProductTerm current{};
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        const Cursor c = heap.back();
        heap.pop_back();
        if (open && compareExponents(current.exp, c.term.exp) == 0) {
            current.coef += c.term.coef;
        } else {
            if (open) keep(sum, current, room);
            open = true;
            current = c.term;
        }
        if (c.col > 0) {
            heap.push_back({productOf(a[c.row], b[c.col - 1]), c.row, c.col - 1});
            std::push_heap(heap.begin(), heap.end(), later);
        }
    }
    if (open) keep(sum, current, room);
    return sum;
}

}  // namespace

std::vector<ProductTerm> accumulateProducts(const std::vector<const Term *> &a,
                                            const std::vector<const Term *> &b, size_t room) {
    if (a.empty() || b.empty()) return {};
    // Merging costs about |a|·(|a| + |b|) steps, the heap |a|·|b|·log|a|.
    const double rows = static_cast<double>(a.size());
    const double cols = static_cast<double>(b.size());
    if (rows + cols < cols * std::max(1.0, std::log2(rows))) return byMerging(a, b, room);
    return byHeap(a, b, room);
}

}  // namespace quorvel
