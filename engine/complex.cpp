#include "engine/complex.h"

#include <algorithm>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace quorvel {

Complex divideInt(int n, Complex b) {
    const double d = b.re * b.re + b.im * b.im;
    return Complex(n * b.re / d, -(n * b.im / d));
}

Complex divideByInt(Complex a, int n) { return Complex(a.re / n, a.im / n); }

double norm1(Complex z) { return std::fabs(z.re) + std::fabs(z.im); }
double normSquared(Complex z) { return z.re * z.re + z.im * z.im; }
double modulus(Complex z) { return std::sqrt(normSquared(z)); }

double argument(Complex z) {
    if (isZero(z)) return 0.0;
    // A direction within argumentSnap radians of the real axis is read as
    // on it; the test compares the parts, so it reads the same at every scale.
    double y = z.im;
    if (std::fabs(y) < argumentSnap * std::fabs(z.re)) y = 0.0;
    return std::atan2(y, z.re);
}

bool approxEqual(Complex p, Complex q) {
    if (isZero(p)) return isZero(q);
    if (isZero(q)) return false;
    const double e = norm1(p - q);
    return relativeTolerance * norm1(p) > e || relativeTolerance * norm1(q) > e;
}

bool isOne(Complex z) { return approxEqual(z, Complex(1.0, 0.0)); }
bool isMinusOne(Complex z) { return approxEqual(z, Complex(-1.0, 0.0)); }

bool sameDirection(double d) {
    return (-angleTolerance < d && d < angleTolerance) ||
           (-angleTolerance < d - twoPi && d - twoPi < angleTolerance) ||
           (-angleTolerance < d + twoPi && d + twoPi < angleTolerance);
}

bool sameRay(double angleDifference, double modulus1, double modulus2) {
    if (!sameDirection(angleDifference)) return false;
    return std::fabs(modulus1 - modulus2) > 2.0 * std::max(modulus1, modulus2) * std::fabs(std::sin(angleDifference));
}

int compareLexicographic(Complex p, Complex q) {
    const double t = lexTolerance;
    if (q.re - t < p.re && p.re < q.re + t) {
        if (q.im - t < p.im && p.im < q.im + t) return samePoint;
        if (p.im >= q.im + t) return firstFirst;
        if (q.im >= p.im + t) return secondFirst;
        return samePoint;  // only reachable with NaN parts
    }
    if (p.re < q.re - t) return firstFirst;
    if (q.re < p.re - t) return secondFirst;
    return samePoint;
}

int comparePolar(Complex p, Complex q, double near) {
    const double t = near;
    double ap = argument(p);
    double aq = argument(q);
    if (ap < polarWrapThreshold) ap = polarWrapValue;
    if (aq < polarWrapThreshold) aq = polarWrapValue;
    const double mp = modulus(p);
    const double mq = modulus(q);
    if (mp < t && mq < t) return samePoint;
    const double d = ap - aq;
    const bool same = sameRay(d, mp, mq);
    if (same && mq - t < mp && mp < mq + t) return samePoint;
    if (mp < t) return firstFirst;
    if (mq < t) return secondFirst;
    if (same && mp >= mq + t) return firstFirst;
    if (same && mq >= mp + t) return secondFirst;
    if (ap < aq - polarTolerance) return firstFirst;
    if (ap > aq + polarTolerance) return secondFirst;
    return samePoint;
}

namespace {

struct SnappedPart {
    double value;
    bool hasInt;
    long long intForm;
};

// Snaps v to a fraction with a denominator below 30 when it lies within
// about 1e-8 of one; values very close to 0 become exactly 0.
SnappedPart snapPart(double v) {
    SnappedPart s{v, false, 0};
    for (int k = 1; k <= 29; ++k) {
        const double w = (v + 1e-8) * k;
        const double fl = std::floor(w);
        if (w - fl < 2.0 * k * 1e-8) {
            s.value = fl / k;
            if (k == 1 && s.value >= std::numeric_limits<int32_t>::min() &&
                s.value <= std::numeric_limits<int32_t>::max()) {
                s.hasInt = true;
                s.intForm = static_cast<long long>(s.value);
            }
            break;
        }
    }
    return s;
}

// A value that rounds to zero at the printed precision is written with a
// plus sign: -0.000000 would read back as the same number, yet make two
// writings of one document differ.
void dropNegativeZero(std::string &text, size_t from) {
    if (from >= text.size() || text[from] != '-') return;
    for (size_t i = from + 1; i < text.size(); ++i)
        if (text[i] >= '1' && text[i] <= '9') return;
    text[from] = '+';
}

void appendFormatted(std::string &out, const char *fmt, double v) {
    const size_t from = out.size();
    char buf[400];
    const int n = std::snprintf(buf, sizeof buf, fmt, v);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof buf) {
        out.append(buf, static_cast<size_t>(n));
    } else {
        std::string big(static_cast<size_t>(n) + 1, '\0');
        std::snprintf(big.data(), big.size(), fmt, v);
        big.resize(static_cast<size_t>(n));
        out += big;
    }
    dropNegativeZero(out, from);
}

void appendPart(std::string &out, const SnappedPart &s, const char *numberFormat) {
    if (s.hasInt && s.intForm != 0) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%+lld", s.intForm);
        out += buf;
    } else {
        appendFormatted(out, numberFormat, s.value);
    }
}

}  // namespace

void formatCoefficient(std::string &out, Complex c, int decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > 30) decimals = 30;
    char numberFormat[16];
    std::snprintf(numberFormat, sizeof numberFormat, "%%+.%df", decimals);
    const SnappedPart re = snapPart(c.re);
    const SnappedPart im = snapPart(c.im);
    const bool reNonZero = re.value != 0.0;
    const bool imNonZero = im.value != 0.0;
    if (reNonZero) {
        if (imNonZero) out += "+(";
        appendPart(out, re, numberFormat);
    }
    if (imNonZero) {
        appendPart(out, im, numberFormat);
        if (im.hasInt && (im.intForm == 1 || im.intForm == -1)) out.pop_back();
        out += 'i';
    }
    if (reNonZero && imNonZero) out += ')';
}

namespace {

bool isNumberStart(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }

size_t findNumberStart(std::string_view text, size_t from) {
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\0') return std::string_view::npos;
        if (isNumberStart(text[i])) return i;
    }
    return std::string_view::npos;
}

// Reads one number at `start`; returns its value and moves `end` to the
// first character that is not part of the number (sign, one point, digits).
double readNumber(std::string_view text, size_t start, size_t &end) {
    const std::string rest(text.substr(start));
    const double value = std::strtod(rest.c_str(), nullptr);
    size_t i = start;
    bool seenAny = false;
    bool seenPoint = false;
    while (i < text.size()) {
        const char c = text[i];
        if ((c == '+' || c == '-') && !seenAny) {
            seenAny = true;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
            seenAny = true;
        } else if (c >= '0' && c <= '9') {
            seenAny = true;
        } else {
            break;
        }
        ++i;
    }
    end = i;
    // A number beyond the double range reads as 0, like text without one.
    return std::isfinite(value) ? value : 0.0;
}

}  // namespace

Complex parseComplex(std::string_view text) {
    Complex z(0.0, 0.0);
    size_t pos = 0;
    for (int count = 0; count < 2; ++count) {
        const size_t start = findNumberStart(text, pos);
        if (start == std::string_view::npos) break;
        size_t end = start;
        const double v = readNumber(text, start, end);
        if (end < text.size() && text[end] == 'i')
            z.im += v;
        else
            z.re += v;
        pos = end;
    }
    return z;
}

std::string formatReal(double v) {
    std::string s;
    appendFormatted(s, "%+f", v);
    return s;
}

std::string formatValue(Complex z) {
    std::string s;
    appendFormatted(s, "%+f", z.re);
    appendFormatted(s, "%+f", z.im);
    s += 'i';
    return s;
}

}  // namespace quorvel
