#include "tracing/presentation.h"

#include <algorithm>
#include <cstdlib>

namespace quorvel {

FreeWord freelyReduced(FreeWord w) {
    FreeWord out;
    out.reserve(w.size());
    for (int x : w) {
        if (!out.empty() && out.back() == -x)
            out.pop_back();
        else
            out.push_back(x);
    }
    return out;
}

FreeWord cyclicallyReduced(FreeWord w) {
    w = freelyReduced(std::move(w));
    size_t a = 0, b = w.size();
    while (b - a >= 2 && w[a] == -w[b - 1]) {
        ++a;
        --b;
    }
    return FreeWord(w.begin() + static_cast<long>(a), w.begin() + static_cast<long>(b));
}

FreeWord inverseWord(const FreeWord &w) {
    FreeWord out(w.rbegin(), w.rend());
    for (int &x : out) x = -x;
    return out;
}

namespace {

// The image of the letter x under one braid letter s, appended to `out`.
void appendImage(int x, int s, FreeWord &out) {
    const int k = std::abs(s);
    const int g = std::abs(x);
    FreeWord image;
    if (g == k)
        image = s > 0 ? FreeWord{k, k + 1, -k} : FreeWord{k + 1};
    else if (g == k + 1)
        image = s > 0 ? FreeWord{k} : FreeWord{-(k + 1), k, k + 1};
    else
        image = {g};
    if (x < 0) image = inverseWord(image);
    for (int y : image) {
        if (!out.empty() && out.back() == -y)
            out.pop_back();
        else
            out.push_back(y);
    }
}

}  // namespace

FreeWord actRight(const FreeWord &w, const std::vector<int> &braid, int n) {
    FreeWord current = freelyReduced(w);
    for (int s : braid) {
        if (s == 0 || std::abs(s) >= n) continue;
        FreeWord next;
        next.reserve(current.size() + 2);
        for (int x : current) appendImage(x, s, next);
        current = std::move(next);
    }
    return current;
}

int composesToIdentity(const std::vector<std::vector<int>> &braids, int n, size_t letterLimit) {
    for (int j = 1; j <= n; ++j) {
        FreeWord w{j};
        for (const std::vector<int> &braid : braids)
            for (int s : braid) {
                w = actRight(w, {s}, n);
                if (w.size() > letterLimit) return -1;
            }
        if (w != FreeWord{j}) return 0;
    }
    return 1;
}

std::vector<FreeWord> vanKampenRelators(int n, const std::vector<std::vector<int>> &braids) {
    std::vector<FreeWord> out;
    for (const std::vector<int> &braid : braids) {
        for (int j = 1; j <= n; ++j) {
            FreeWord r{-j};
            for (int x : actRight({j}, braid, n)) r.push_back(x);
            r = cyclicallyReduced(std::move(r));
            if (!r.empty()) out.push_back(std::move(r));
        }
    }
    return out;
}

std::string wordText(const FreeWord &w, const std::vector<std::string> &names, bool unicode) {
    if (w.empty()) return "1";
    std::string out;
    for (size_t k = 0; k < w.size(); ++k) {
        const size_t g = static_cast<size_t>(std::abs(w[k]));
        if (k) out += ' ';
        out += g >= 1 && g <= names.size() ? names[g - 1] : "?";
        if (w[k] < 0) out += unicode ? "\u207b\u00b9" : "^-1";
    }
    return out;
}

std::string relationText(const FreeWord &relator, const std::vector<std::string> &names, bool unicode) {
    // A relator, its cyclic conjugates and its inverse say the same: the
    // one whose halves need the fewest inverses is written (the first on
    // ties), so that a b a b^-1 a^-1 b^-1 reads a b a = b a b.
    FreeWord bestLeft, bestRight;
    int best = -1;
    for (const FreeWord &word : {relator, inverseWord(relator)}) {
        for (size_t shift = 0; shift < std::max<size_t>(word.size(), 1); ++shift) {
            FreeWord w(word.begin() + static_cast<long>(shift), word.end());
            w.insert(w.end(), word.begin(), word.begin() + static_cast<long>(shift));
            const size_t half = (w.size() + 1) / 2;
            FreeWord left(w.begin(), w.begin() + static_cast<long>(half));
            FreeWord right = inverseWord(FreeWord(w.begin() + static_cast<long>(half), w.end()));
            int inverses = 0;
            for (int x : left) inverses += x < 0;
            for (int x : right) inverses += x < 0;
            if (best < 0 || inverses < best) {
                best = inverses;
                bestLeft = std::move(left);
                bestRight = std::move(right);
            }
        }
    }
    return wordText(bestLeft, names, unicode) + " = " + wordText(bestRight, names, unicode);
}

}  // namespace quorvel
