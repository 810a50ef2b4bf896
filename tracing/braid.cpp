#include "tracing/braid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "engine/error.h"

namespace quorvel {

namespace {

long long matrixEntryLimit = defaultMatrixEntryLimit;

// Crossings at or before this time count as happening at the start.
constexpr double earliestCrossing = 0.001;
// Crossing times this close share a rank.
constexpr double sameTime = 0.0001;
// Start and end points this close (in both parts) are the same point.
constexpr double matchTolerance = 0.0001;

bool comesBefore(Complex p, Complex q) { return compareLexicographic(p, q) == firstFirst; }

// Letters whose indices are equal or adjacent do not commute.
bool adjacentLetters(int a, int b) {
    return b == a || b == a + 1 || b == a - 1 || a + b == 1 || a + b == -1;
}

}  // namespace

// ---- crossing matrix ---------------------------------------------------------

long long setMatrixEntryLimit(long long entries) {
    const long long old = matrixEntryLimit;
    matrixEntryLimit = entries;
    return old;
}

std::unique_ptr<CrossingMatrix> newMatrix(int rows, int cols) {
    const long long entries = static_cast<long long>(rows) * cols;
    if (rows >= 0 && cols >= 0 && entries <= matrixEntryLimit) {
        try {
            auto m = std::make_unique<CrossingMatrix>();
            m->entries.assign(static_cast<size_t>(entries), 0);
            m->rows = rows;
            m->cols = cols;
            return m;
        } catch (const std::bad_alloc &) {
        }
    }
    showError("malloc failed at NewMatrix.", "Lack of memory");
    return nullptr;
}

void swapRows(CrossingMatrix &m, int a, int b) {
    if (a < 0 || b < 0 || a >= m.rows || b >= m.rows || a == b) return;
    for (int c = 0; c < m.cols; ++c) std::swap(m.at(a, c), m.at(b, c));
}

void swapColumns(CrossingMatrix &m, int a, int b) {
    if (a < 0 || b < 0 || a >= m.cols || b >= m.cols || a == b) return;
    for (int r = 0; r < m.rows; ++r) std::swap(m.at(r, a), m.at(r, b));
}

void crossingMatrix(PointList previous, PointList current, CrossingMatrix &m) {
    std::vector<Term *> from;
    std::vector<Term *> to;
    recordsByPosition(previous, from);
    recordsByPosition(current, to);
    const int n = static_cast<int>(from.size());
    if (n == 0 || to.size() != from.size()) return;

    struct Strand {
        Complex start;
        Complex end;
        Complex move;
    };
    std::vector<Strand> strands;
    strands.reserve(static_cast<size_t>(n));
    for (int j = 0; j < n; ++j) {
        const Complex a = pointValue(from[static_cast<size_t>(j)]);
        const Complex b = pointValue(to[static_cast<size_t>(j)]);
        strands.push_back({a, b, b - a});
    }
    // Order by start point along the real axis; equal start points keep
    // their order.
    for (int i = 0; i + 1 < n; ++i)
        for (int k = i + 1; k > 0 && comesBefore(strands[k].start, strands[k - 1].start); --k)
            std::swap(strands[k], strands[k - 1]);

    // Signed crossing times: time[i][j] > 0 when the left strand i passed
    // below the strand j.
    std::vector<double> time(static_cast<size_t>(n) * n, 0.0);
    auto t = [&](int r, int c) -> double & { return time[static_cast<size_t>(r) * n + c]; };
    for (int i = 0; i < n; ++i) {
        const Strand &si = strands[static_cast<size_t>(i)];
        for (int j = i + 1; j < n; ++j) {
            const Strand &sj = strands[static_cast<size_t>(j)];
            if (!comesBefore(sj.end, si.end)) continue;
            const double u = si.move.re != sj.move.re
                                 ? (sj.start.re - si.start.re) / (si.move.re - sj.move.re)
                                 : -1.0;
            double signedTime = 0.0;
            if (u > earliestCrossing) {
                const double yi = si.start.im + u * si.move.im;
                const double yj = sj.start.im + u * sj.move.im;
                signedTime = yj >= yi ? u : -u;
            } else if (si.start.im < sj.start.im) {
                signedTime = earliestCrossing;
            } else if (si.start.im > sj.start.im) {
                signedTime = -earliestCrossing;
            }
            t(i, j) = signedTime;
            t(j, i) = -signedTime;
        }
    }

    // Rank of a crossing: 1 + the number of crossings more than sameTime
    // earlier.
    std::vector<double> positive;
    for (double v : time)
        if (v > 0) positive.push_back(v);
    std::sort(positive.begin(), positive.end());

    m.rows = n;
    m.cols = n;
    m.entries.assign(static_cast<size_t>(n) * n, 0);
    for (int a = 0; a < n; ++a) {
        for (int b = 0; b < n; ++b) {
            const double v = t(a, b);
            if (!(v > 0)) continue;
            const auto earlier = std::lower_bound(positive.begin(), positive.end(), v - sameTime);
            const int rank = 1 + static_cast<int>(earlier - positive.begin());
            m.at(a, b) = rank;
            m.at(b, a) = -rank;
        }
    }
}

int nextGenerator(CrossingMatrix &m) {
    const int n = m.rows;
    if (n < 2 || m.cols != n || m.entries.size() < static_cast<size_t>(n) * n) return 0;
    int best = -1;
    for (int b = 0; b + 1 < n; ++b) {
        const int32_t v = m.at(b + 1, b);
        if (v != 0 && (best < 0 || std::abs(v) < std::abs(m.at(best + 1, best)))) best = b;
    }
    if (best < 0) return 0;
    const bool positive = m.at(best, best + 1) > 0;
    m.at(best, best + 1) = 0;
    m.at(best + 1, best) = 0;
    swapRows(m, best + 1, best);
    swapColumns(m, best + 1, best);
    return positive ? best + 1 : -(best + 1);
}

// ---- reading a move ----------------------------------------------------------

namespace {

constexpr double axisTilt = 0x1p-30;
// Two crossing strands must be at least this fraction of their distance at
// the ends of the move apart where they cross.
constexpr double clearCrossing = 0.1;

}  // namespace

double alongAxis(Complex z) { return z.re - axisTilt * z.im; }
double acrossAxis(Complex z) { return z.im + axisTilt * z.re; }

bool readMove(const std::vector<Complex> &from, const std::vector<Complex> &to,
              std::vector<int> &generators) {
    const size_t n = from.size();
    if (to.size() != n) return false;
    // Strand a lies left of strand b: farther back along the axis, or level
    // with it and of lower index (the same rule at both ends of every move,
    // so the order a move ends with is the order the next one starts with).
    auto leftOf = [](Complex a, size_t ia, Complex b, size_t ib) {
        const double pa = alongAxis(a), pb = alongAxis(b);
        return pa < pb || (pa == pb && ia < ib);
    };
    std::vector<size_t> order(n);
    for (size_t k = 0; k < n; ++k) order[k] = k;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return leftOf(from[a], a, from[b], b); });

    struct Crossing {
        double time;
        size_t left;   // the strand on the left before the crossing
        size_t right;
        bool positive;  // the left strand passes below
    };
    std::vector<Crossing> crossings;
    for (size_t x = 0; x < n; ++x) {
        for (size_t y = x + 1; y < n; ++y) {
            const size_t i = order[x], j = order[y];
            if (!leftOf(to[j], j, to[i], i)) continue;
            const double s0 = alongAxis(from[j]) - alongAxis(from[i]);
            const double s1 = alongAxis(to[j]) - alongAxis(to[i]);
            const double u = s0 - s1 > 0.0 ? std::clamp(s0 / (s0 - s1), 0.0, 1.0) : 0.0;
            const double ci = acrossAxis(from[i]) + u * (acrossAxis(to[i]) - acrossAxis(from[i]));
            const double cj = acrossAxis(from[j]) + u * (acrossAxis(to[j]) - acrossAxis(from[j]));
            const double apart = std::min(modulus(from[i] - from[j]), modulus(to[i] - to[j]));
            if (!(std::fabs(ci - cj) >= clearCrossing * apart) || !(apart > 0.0)) return false;
            crossings.push_back({u, i, j, ci < cj});
        }
    }
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing &a, const Crossing &b) { return a.time < b.time; });
    // Take the earliest crossing of two neighbours, again and again.
    std::vector<size_t> position(n);
    for (size_t k = 0; k < n; ++k) position[order[k]] = k;
    std::vector<bool> done(crossings.size(), false);
    std::vector<int> found;
    for (size_t taken = 0; taken < crossings.size(); ++taken) {
        size_t pick = crossings.size();
        for (size_t c = 0; c < crossings.size() && pick == crossings.size(); ++c)
            if (!done[c] && position[crossings[c].right] == position[crossings[c].left] + 1) pick = c;
        if (pick == crossings.size()) return false;
        const Crossing &c = crossings[pick];
        done[pick] = true;
        const int k = static_cast<int>(position[c.left]) + 1;
        found.push_back(c.positive ? k : -k);
        std::swap(position[c.left], position[c.right]);
    }
    generators.insert(generators.end(), found.begin(), found.end());
    return true;
}

// ---- braid word ------------------------------------------------------------

namespace {

// The least form of the word's class: again and again, of the letters that
// commute with every letter before them, the smallest is taken first.
std::vector<int32_t> leastForm(std::vector<int32_t> w) {
    std::vector<int32_t> out;
    out.reserve(w.size());
    while (!w.empty()) {
        size_t best = 0;
        for (size_t k = 1; k < w.size(); ++k) {
            bool free = true;
            for (size_t j = 0; j < k && free; ++j) free = !adjacentLetters(w[j], w[k]);
            if (free && w[k] < w[best]) best = k;
        }
        out.push_back(w[best]);
        w.erase(w.begin() + static_cast<std::ptrdiff_t>(best));
    }
    return out;
}

}  // namespace

bool sameBraid(const std::vector<int32_t> &a, const std::vector<int32_t> &b, size_t limit) {
    std::vector<int32_t> word = a;
    for (auto it = b.rbegin(); it != b.rend(); ++it) word.push_back(-*it);
    int n = 1;
    for (int32_t g : word) n = std::max(n, std::abs(g) + 1);
    // image[x - 1]: the word the generator x of the free group is sent to.
    std::vector<std::vector<int32_t>> image(static_cast<size_t>(n));
    for (int x = 1; x <= n; ++x) image[static_cast<size_t>(x - 1)] = {x};
    // sigma_i: x_i -> x_i x_{i+1} x_i^-1, x_{i+1} -> x_i; its inverse:
    // x_i -> x_{i+1}, x_{i+1} -> x_{i+1}^-1 x_i x_{i+1}. The images are
    // substituted into, so the letters act from the right.
    for (int32_t g : word) {
        const int i = std::abs(g);
        std::vector<int32_t> ri, rj;
        if (g > 0) {
            ri = {i, i + 1, -i};
            rj = {i};
        } else {
            ri = {i + 1};
            rj = {-(i + 1), i, i + 1};
        }
        for (auto &w : image) {
            std::vector<int32_t> out;
            auto put = [&](int32_t letter) {
                if (!out.empty() && out.back() == -letter)
                    out.pop_back();
                else
                    out.push_back(letter);
            };
            for (int32_t letter : w) {
                const int x = std::abs(letter);
                const std::vector<int32_t> *r = x == i ? &ri : (x == i + 1 ? &rj : nullptr);
                if (!r) {
                    put(letter);
                } else if (letter > 0) {
                    for (int32_t y : *r) put(y);
                } else {
                    for (auto it = r->rbegin(); it != r->rend(); ++it) put(-*it);
                }
            }
            if (out.size() > limit) return false;
            w.swap(out);
        }
    }
    for (int x = 1; x <= n; ++x)
        if (image[static_cast<size_t>(x - 1)] != std::vector<int32_t>{x}) return false;
    return true;
}

bool sameUpToFarCommutation(const std::vector<int32_t> &a, const std::vector<int32_t> &b) {
    return a.size() == b.size() && leastForm(a) == leastForm(b);
}

void BraidWord::clear() {
    std::fill(items_.begin(), items_.end(), 0);
    count_ = 0;
}

void BraidWord::erasePair(int32_t j, int32_t k) {
    auto begin = items_.begin();
    std::copy(begin + k + 1, begin + count_, begin + k);
    std::copy(begin + j + 1, begin + count_, begin + j);
    count_ -= 2;
    items_[static_cast<size_t>(count_)] = 0;
    items_[static_cast<size_t>(count_) + 1] = 0;
}

int appendGenerator(BraidWord &word, int generator) {
    if (word.count_ >= word.capacity() - 1)
        word.items_.resize(word.items_.size() + BraidWord::capacityStep, 0);
    word.items_[static_cast<size_t>(word.count_)] = generator;
    return ++word.count_;
}

void reduceBraidWord(BraidWord &word) {
    std::vector<int32_t> &w = word.items_;
    bool changed = true;
    while (changed) {
        changed = false;
        // Cancel a letter against its inverse, looking past letters that
        // commute with it.
        if (word.count_ >= 2) {
            for (int32_t j = 0; j < word.count_ - 1 && !changed; ++j) {
                for (int32_t k = j + 1; k < word.count_; ++k) {
                    if (w[k] == -w[j]) {
                        word.erasePair(j, k);
                        changed = true;
                        break;
                    }
                    if (adjacentLetters(w[j], w[k])) break;
                }
            }
        }
        if (changed || word.count_ < 3) continue;
        // Braid relations moving the larger index to the outside; one
        // rewrite per pass.
        for (int32_t j = 0; j + 2 < word.count_ && !changed; ++j) {
            const int32_t a = std::abs(w[j]);
            const int32_t b = a + 1;
            const int32_t x = w[j], y = w[j + 1], z = w[j + 2];
            int32_t r0 = 0, r1 = 0, r2 = 0;
            if (x == a && y == b && z == a) {
                r0 = b, r1 = a, r2 = b;
            } else if (x == a && y == b && z == -a) {
                r0 = -b, r1 = a, r2 = b;
            } else if (x == -a && y == b && z == a) {
                r0 = b, r1 = a, r2 = -b;
            } else if (x == -a && y == -b && z == a) {
                r0 = b, r1 = -a, r2 = -b;
            } else if (x == a && y == -b && z == -a) {
                r0 = -b, r1 = -a, r2 = b;
            } else if (x == -a && y == -b && z == -a) {
                r0 = -b, r1 = -a, r2 = -b;
            } else {
                continue;
            }
            w[j] = r0;
            w[j + 1] = r1;
            w[j + 2] = r2;
            changed = true;
        }
    }
}

std::string formatBraidWord(const BraidWord &word) {
    if (word.count() == 0) return "NULL";
    std::string text;
    char buffer[16];
    for (int i = 0; i < word.count(); ++i) {
        if (word[i] == 0) continue;
        std::snprintf(buffer, sizeof buffer, "%+d,", word[i]);
        text += buffer;
    }
    return text;
}

int tracerBraidStep(PointList previous, PointList current, BraidWord &word) {
    const int n = countPoints(current);
    if (n == 0) return 0;
    std::unique_ptr<CrossingMatrix> m = newMatrix(n, n);
    if (!m) return 0;
    crossingMatrix(previous, current, *m);
    int taken = 0;
    for (int g = nextGenerator(*m); g != 0; g = nextGenerator(*m)) {
        appendGenerator(word, g);
        reduceBraidWord(word);
        ++taken;
    }
    return taken;
}

// ---- permutation -----------------------------------------------------------

std::vector<int> computePermutation(const TraceRecord *solutionTrace, int steps, int n) {
    if (n < 0) n = 0;
    std::vector<int> permutation(static_cast<size_t>(n) + 1, unmatchedEntry);
    permutation[static_cast<size_t>(n)] = -1;
    const TraceRecord *start = stepAt(solutionTrace, 0);
    const TraceRecord *end = stepAt(solutionTrace, steps - 1);
    const TraceRecord *s = start;
    for (int i = 0; i < n && s != nullptr; ++i, s = s->next) {
        const TraceRecord *e = end;
        for (int j = 0; j < n && e != nullptr; ++j, e = e->next) {
            const Complex d = e->value - s->value;
            if (-matchTolerance < d.re && d.re < matchTolerance && -matchTolerance < d.im &&
                d.im < matchTolerance) {
                permutation[static_cast<size_t>(j)] = i;
                break;
            }
        }
    }
    return permutation;
}

std::string formatPermutation(const std::vector<int> &permutation, PointList fiber) {
    const auto terminator = std::find(permutation.begin(), permutation.end(), -1);
    int m = terminator != permutation.end() ? static_cast<int>(terminator - permutation.begin()) : 1;
    m = std::min(m, static_cast<int>(permutation.size()));

    auto name = [fiber](int number) -> std::string {
        const Term *p = findByNumber(fiber, number);
        return p ? std::string(pointName(p)) : std::to_string(number);
    };
    std::string text;
    std::vector<bool> visited(static_cast<size_t>(m), false);
    for (int a = 0; a < m; ++a) {
        if (visited[static_cast<size_t>(a)]) continue;
        text += name(a);
        int x = a;
        for (;;) {
            visited[static_cast<size_t>(x)] = true;
            x = permutation[static_cast<size_t>(x)];
            if (x < 0 || x >= m) {
                text += "->?";
                break;
            }
            text += "->" + name(x);
            if (visited[static_cast<size_t>(x)]) break;
        }
        text += ",";
    }
    return text;
}

}  // namespace quorvel
