#include "tracing/presentation.h"

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
    const size_t half = (relator.size() + 1) / 2;
    const FreeWord left(relator.begin(), relator.begin() + static_cast<long>(half));
    const FreeWord right = inverseWord(FreeWord(relator.begin() + static_cast<long>(half), relator.end()));
    return wordText(left, names, unicode) + " = " + wordText(right, names, unicode);
}

}  // namespace quorvel
