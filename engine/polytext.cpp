#include "engine/polytext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>

#include "engine/error.h"
#include "engine/exact_mpoly.h"

namespace quorvel {

namespace {

double largestModulus(const Term *t) {
    if (!t) return 0.0;
    return std::max({modulus(t->coef), largestModulus(t->next), largestModulus(t->left)});
}

// Powers up to this exponent are formed by repeated multiplication; larger
// ones by repeated squaring, which gives the same polynomial in a number of
// products logarithmic in the exponent.
constexpr long long plainPowerLimit = 64;

// Brackets nest at most this deep; deeper text is refused rather than read
// with an unbounded recursion.
constexpr int bracketDepthLimit = 200;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isLetter(char c) { return c >= 'a' && c <= 'z'; }
bool opensBracket(char c) { return c == '(' || c == '{'; }
bool closesBracket(char c) { return c == ')' || c == '}'; }
// A character that begins a factor: what may follow another factor directly
// (2x, x y, (x+1)(x-1), 2i) and stand for a product.
bool beginsFactor(char c) { return isDigit(c) || c == '.' || isLetter(c) || opensBracket(c); }

// Something in the text that written mathematics does not read, with the
// position (from 0) where it stands.
struct TextProblem {
    size_t position;
    std::string what;
};

std::string describeCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 33 && byte < 127) return std::string("\"") + c + "\"";
    char buf[32];
    std::snprintf(buf, sizeof buf, "the byte 0x%02X", byte);
    return buf;
}

bool allFinite(const Term *t) {
    if (!t) return true;
    return std::isfinite(t->coef.re) && std::isfinite(t->coef.im) && allFinite(t->left) &&
           allFinite(t->next);
}

// The arithmetic the reader evaluates with. DoubleArithmetic is the one the
// language's refusals were always decided in: term-pool polynomials with
// double coefficients (the pool running out, a coefficient overflowing, a
// division whose remainder is beyond rounding). ExactArithmetic evaluates
// the same text over Q(i) without rounding.
class DoubleArithmetic {
public:
    using Value = OwnedPolynomial;
    explicit DoubleArithmetic(Letters &letters) : letters_(letters) {}

    Value zero() const { return Value(newZero(letters_)); }
    Value number(std::string_view, double value) const { return Value(newTerm(value, 0.0, 0, 0, 0, letters_)); }
    Value imaginaryUnit() const { return Value(newTerm(0.0, 1.0, 0, 0, 0, letters_)); }
    Value variable(int slot) const {
        int e[3] = {0, 0, 0};
        e[slot] = 1;
        return Value(newTerm(1, 0, e[0], e[1], e[2], letters_));
    }
    void add(Value &s, const Value &t) const { addPolynomial(s.ref(), t.get()); }
    void negate(Value &f) const { f.reset(negatedCopy(f.get())); }
    Value multiply(const Value &f, const Value &g) const { return Value(multiplyPolynomials(f.get(), g.get())); }

    // f / g when g divides f up to rounding (relative to f's largest
    // coefficient); false when a remainder is left.
    bool divide(Value &f, const Value &g) const {
        OwnedPolynomial q(quotient(f.get(), g.get()));
        OwnedPolynomial back(multiplyPolynomials(q.get(), g.get()));
        OwnedPolynomial remainder(negatedCopy(back.get()));
        addPolynomial(remainder.ref(), f.get());
        if (largestModulus(remainder.get()) > 1e-9 * largestModulus(f.get())) return false;
        f = std::move(q);
        return true;
    }

    bool isConstant(const Value &f) const {
        const Term *c = f.get();
        return isLeaf(c) && c->exp[0] == 0 && c->exp[1] == 0 && c->exp[2] == 0;
    }
    bool isZeroConstant(const Value &f) const { return quorvel::isZero(f.get()->coef); }
    void invert(Value &f) const { f.reset(newTerm(Complex(1.0, 0.0) / f.get()->coef, 0, 0, 0, letters_)); }

    long long largestExponent(const Value &f) const {
        long long m = 0;
        largestExponent(f.get(), m);
        return m;
    }

    void raise(Value &f, long long n) const {
        OwnedPolynomial p(copyPolynomial(f.get()));
        f.reset(newTerm(1, 0, 0, 0, 0, letters_));
        if (n <= plainPowerLimit) {
            for (long long k = 0; k < n; ++k) f.reset(multiplyPolynomials(f.get(), p.get()));
            return;
        }
        // Square and multiply, most significant bit first.
        int top = 62;
        while (top > 0 && !((n >> top) & 1)) --top;
        for (int bit = top; bit >= 0; --bit) {
            f.reset(multiplyPolynomials(f.get(), f.get()));
            if ((n >> bit) & 1) f.reset(multiplyPolynomials(f.get(), p.get()));
        }
    }

private:
    static void largestExponent(const Term *t, long long &m) {
        if (!t) return;
        for (int s = 0; s < 3; ++s)
            if (t->exp[s] > m) m = t->exp[s];
        largestExponent(t->left, m);
        largestExponent(t->next, m);
    }

    Letters &letters_;
};

class ExactArithmetic {
public:
    using Value = exact::GaussMpoly;
    explicit ExactArithmetic(Letters &) {}

    Value zero() const { return Value(); }
    Value number(std::string_view written, double) const { return exact::decimal(written); }
    Value imaginaryUnit() const { return exact::imaginaryUnit(); }
    Value variable(int slot) const { return exact::variable(slot); }
    void add(Value &s, const Value &t) const { exact::add(s, t); }
    void negate(Value &f) const { exact::negate(f); }
    Value multiply(const Value &f, const Value &g) const { return exact::product(f, g); }
    bool divide(Value &f, const Value &g) const { return exact::divideExactly(f, g); }
    bool isConstant(const Value &f) const { return f.isConstant(); }
    bool isZeroConstant(const Value &f) const { return f.isZero(); }
    void invert(Value &f) const { exact::invertConstant(f); }
    long long largestExponent(const Value &f) const { return exact::largestExponent(f); }
    void raise(Value &f, long long n) const { f = exact::power(f, static_cast<ulong>(n)); }
};

// A recursive-descent reader of written mathematics:
//   sum     = product { ("+" | "-") product }
//   product = signed { ("*" | "/") signed | power }   (a factor right after
//             another one multiplies it: 2x, x y, (x+1)(x-1), 2i)
//   signed  = { "+" | "-" } power
//   power   = factor [ "^" exponent ]                 exponent: an integer,
//             optionally signed and in brackets; a negative one only on a
//             constant
//   factor  = number | "i" | letter | "(" sum ")" | "{" sum "}"
// Spaces, tabs and line ends separate tokens and mean nothing else. The
// text ends at its end or at a NUL byte; a bracket still open there is
// closed by the end. Anything else is a TextProblem.
template <class Arithmetic>
class Parser {
public:
    using Value = typename Arithmetic::Value;

    Parser(std::string_view text, Letters &letters) : text_(text), letters_(letters), arithmetic_(letters) {}

    Value text() {
        skipSpaces();
        if (at(pos_) == '\0') return arithmetic_.zero();
        Value s = sum(0);
        expectEnd();
        return s;
    }

private:
    char at(size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

    [[noreturn]] void problem(size_t position, std::string what) const {
        throw TextProblem{position, std::move(what)};
    }

    void skipSpaces() {
        while (isSpace(at(pos_))) ++pos_;
    }

    // After a sum: the end of the text, or (inside brackets) a closing one.
    void expectEnd() {
        const char c = at(pos_);
        if (c == '\0') return;
        if (closesBracket(c)) problem(pos_, "this closing bracket has no opening bracket");
        unexpected();
    }

    [[noreturn]] void unexpected() {
        const char c = at(pos_);
        if (c == '^') problem(pos_, "a power of a power needs brackets, as (x^2)^3");
        problem(pos_, describeCharacter(c) + " cannot be read here");
    }

    Value sum(int depth) {
        Value s = product(depth);
        for (;;) {
            skipSpaces();
            const char c = at(pos_);
            if (c != '+' && c != '-') return s;
            ++pos_;
            Value t = product(depth);
            if (c == '-') arithmetic_.negate(t);
            arithmetic_.add(s, t);
        }
    }

    Value product(int depth) {
        Value f = signedPower(depth);
        for (;;) {
            skipSpaces();
            const char c = at(pos_);
            if (c == '*' || c == '/') {
                const size_t operatorAt = pos_;
                ++pos_;
                skipSpaces();
                if (at(pos_) == '*')
                    problem(operatorAt, "\"**\" is no operator here; write a power with ^, as x^2");
                Value g = signedPower(depth);
                if (c == '*') {
                    f = arithmetic_.multiply(f, g);
                } else if (!arithmetic_.divide(f, g)) {
                    // x/(x+1) is no polynomial: the quotient alone is not read.
                    problem(operatorAt, "the division leaves a remainder; only a divisor of the polynomial "
                                        "before / can follow it");
                }
            } else if (beginsFactor(c)) {
                Value g = power(depth);
                f = arithmetic_.multiply(f, g);
            } else {
                return f;
            }
        }
    }

    Value signedPower(int depth) {
        bool negative = false;
        for (;;) {
            skipSpaces();
            const char c = at(pos_);
            if (c == '+') {
                ++pos_;
            } else if (c == '-') {
                negative = !negative;
                ++pos_;
            } else {
                break;
            }
        }
        Value f = power(depth);
        if (negative) arithmetic_.negate(f);
        return f;
    }

    Value power(int depth) {
        Value f = factor(depth);
        skipSpaces();
        if (at(pos_) != '^') return f;
        const size_t caret = pos_;
        ++pos_;
        const long long n = exponent();
        raise(f, n, caret);
        skipSpaces();
        if (at(pos_) == '^') unexpected();
        return f;
    }

    Value factor(int depth) {
        skipSpaces();
        const char c = at(pos_);
        if (opensBracket(c)) {
            if (depth >= bracketDepthLimit) problem(pos_, "the brackets nest too deeply");
            const size_t open = pos_;
            ++pos_;
            skipSpaces();
            if (closesBracket(at(pos_))) problem(open, "the brackets hold nothing");
            Value s = sum(depth + 1);
            skipSpaces();
            if (closesBracket(at(pos_)))
                ++pos_;
            else if (at(pos_) != '\0')
                unexpected();
            return s;
        }
        if (c == 'i') {
            ++pos_;
            return arithmetic_.imaginaryUnit();
        }
        if (isLetter(c)) return variable(c);
        if (isDigit(c) || c == '.') return number();
        if (c == '\0') problem(pos_, "the text ends where a term is expected");
        if (closesBracket(c)) problem(pos_, "a term is missing before this closing bracket");
        if (c == '*' || c == '/' || c == '^')
            problem(pos_, describeCharacter(c) + " follows no term");
        problem(pos_, describeCharacter(c) + " cannot be read here");
    }

    Value variable(char c) {
        int slot = -1;
        for (int s = 0; s < 3 && slot < 0; ++s)
            if (letters_[static_cast<size_t>(s)] == c || letters_[static_cast<size_t>(s)] == '?')
                slot = s;
        if (slot < 0) {
            showError("A polynomial may have at most three variables.",
                      "Re-input the polynomial with fewer letters");
            throw ComputationAbandoned("fourth variable");
        }
        letters_[static_cast<size_t>(slot)] = c;
        ++pos_;
        return arithmetic_.variable(slot);
    }

    // Fixed-point digits with at most one decimal point (a leading point
    // reads as 0.), then an optional exponent: 1e-3 is 0.001. An "e" not
    // followed by digits is the letter e (2e is 2·e).
    Value number() {
        const size_t start = pos_;
        bool digits = false;
        while (isDigit(at(pos_))) {
            ++pos_;
            digits = true;
        }
        if (at(pos_) == '.') {
            ++pos_;
            while (isDigit(at(pos_))) {
                ++pos_;
                digits = true;
            }
        }
        if (!digits) problem(start, "a decimal point stands without digits");
        if (at(pos_) == 'e' || at(pos_) == 'E') {
            size_t k = pos_ + 1;
            if (at(k) == '+' || at(k) == '-') ++k;
            if (isDigit(at(k))) {
                pos_ = k;
                while (isDigit(at(pos_))) ++pos_;
            }
        }
        if (at(pos_) == '.') problem(pos_, "a number has a second decimal point");
        const std::string written(text_.substr(start, pos_ - start));
        const double v = std::strtod(written.c_str(), nullptr);
        if (!std::isfinite(v)) problem(start, "the number is too large");
        return arithmetic_.number(written, v);
    }

    // An integer: digits, optionally signed, optionally in brackets, as
    // x^2, 10^-3, 10^(-3), x^(2). A value beyond the 32-bit range is
    // reported instead of wrapping round.
    long long exponent() {
        skipSpaces();
        const bool bracketed = opensBracket(at(pos_));
        if (bracketed) {
            ++pos_;
            skipSpaces();
        }
        bool negative = false;
        if (at(pos_) == '+' || at(pos_) == '-') {
            negative = at(pos_) == '-';
            ++pos_;
            skipSpaces();
        }
        if (!isDigit(at(pos_))) {
            if (at(pos_) == '\0') problem(pos_, "the exponent is missing");
            problem(pos_, "an exponent is a whole number, as x^2 or 10^(-3)");
        }
        long long n = 0;
        bool tooLarge = false;
        while (isDigit(at(pos_))) {
            if (!tooLarge) {
                n = n * 10 + (at(pos_) - '0');
                if (n > std::numeric_limits<int32_t>::max()) tooLarge = true;
            }
            ++pos_;
        }
        if (at(pos_) == '.') problem(pos_, "an exponent is a whole number, as x^2 or 10^(-3)");
        if (tooLarge) abandonForExponent();
        if (bracketed) {
            skipSpaces();
            if (closesBracket(at(pos_)))
                ++pos_;
            else
                problem(pos_, "the bracket of the exponent is not closed");
        }
        return negative ? -n : n;
    }

    // f^n; a negative n only on a constant other than 0.
    void raise(Value &f, long long n, size_t caret) {
        if (n < 0) {
            if (!arithmetic_.isConstant(f)) problem(caret, "a negative power of a variable is not a polynomial");
            if (arithmetic_.isZeroConstant(f)) problem(caret, "a negative power of 0 is not a number");
            arithmetic_.invert(f);
            n = -n;
        }
        if (n > 1) {
            const long long maxExp = arithmetic_.largestExponent(f);
            if (maxExp > 0 && maxExp > std::numeric_limits<int32_t>::max() / n) abandonForExponent();
        }
        arithmetic_.raise(f, n);
    }

    std::string_view text_;
    Letters &letters_;
    Arithmetic arithmetic_;
    size_t pos_ = 0;
};

template <class Arithmetic>
typename Arithmetic::Value evaluate(std::string_view text, Letters &letters) {
    try {
        return Parser<Arithmetic>(text, letters).text();
    } catch (const TextProblem &problem) {
        const std::string message = "The polynomial cannot be read at character " +
                                    std::to_string(problem.position + 1) + ": " + problem.what + ".";
        showError(message, "Re-input the polynomial");
        throw ComputationAbandoned("unreadable polynomial text");
    }
}

void printTerm(const Term *t, std::string &out, int decimals) {
    if (isZero(t->coef)) return;
    std::string scratch;
    formatCoefficient(scratch, t->coef, decimals);
    const bool hasExponent = t->exp[0] != 0 || t->exp[1] != 0 || t->exp[2] != 0;
    bool bare = false;
    if (scratch.empty()) {
        // A coefficient too small to show: keep the term visible with the
        // plain number format, which reads back as 0.
        char fmt[16];
        std::snprintf(fmt, sizeof fmt, "%%+.%df", decimals);
        char buf[64];
        std::snprintf(buf, sizeof buf, fmt, t->coef.re);
        scratch = buf;
        if (scratch.find_first_of("123456789") == std::string::npos) scratch[0] = '+';
    } else if (hasExponent && (isOne(t->coef) || isMinusOne(t->coef))) {
        scratch.pop_back();
        bare = true;
    }
    for (int s = 0; s < 3; ++s) {
        const int e = t->exp[s];
        if (e == 0) continue;
        if (!bare) scratch += '*';
        scratch += t->var[s];
        if (e != 1) {
            scratch += '^';
            scratch += std::to_string(e);
        }
        bare = false;
    }
    for (char ch : scratch) {
        if (out.size() >= printLimit) break;
        out += ch;
    }
}

void printTree(const Term *t, std::string &out, int decimals) {
    if (!t || out.size() >= printLimit) return;
    printTree(t->next, out, decimals);
    if (out.size() >= printLimit) return;
    printTerm(t, out, decimals);
    printTree(t->left, out, decimals);
}

}  // namespace

ExactPolynomial parseExactPolynomial(std::string_view text, Letters &letters) {
    const Letters given = letters;
    {
        // The text is read in doubles first, so every refusal (its message,
        // its position, which of two problems comes first) is what the
        // language has always said.
        OwnedPolynomial checked = evaluate<DoubleArithmetic>(text, letters);
        // An overflowed power or product (10^400, 1e300*1e300) has no place
        // in any computation that follows.
        if (!allFinite(checked.get())) {
            showError("A coefficient is too large.", "Re-input the polynomial");
            throw ComputationAbandoned("non-finite coefficient");
        }
    }
    auto data = std::make_shared<ExactPolynomial::Data>();
    data->letters = given;
    data->value = evaluate<ExactArithmetic>(text, data->letters);
    return ExactPolynomial(std::move(data));
}

Polynomial parsePolynomial(std::string_view text, Letters &letters) {
    return roundedPolynomial(parseExactPolynomial(text, letters));
}

bool readConstant(std::string_view text, Complex &value, std::string &problem) {
    std::string shown;
    const ErrorHandler previous = setErrorHandler(
        [&shown](const std::string &message, const std::string &) {
            if (shown.empty()) shown = message;
        });
    bool ok = false;
    try {
        Letters letters = unsetLetters;
        const ExactPolynomial p = parseExactPolynomial(text, letters);
        if (letters[0] != '?') {
            shown = std::string("The letter ") + letters[0] + " has no value here.";
        } else if (std::string_view(text).find_first_not_of(" \t\r\n") == std::string_view::npos) {
            shown = "The text is empty.";
        } else {
            value = exact::constantValue(p.data().value);
            ok = true;
        }
    } catch (const ComputationAbandoned &) {
    }
    setErrorHandler(previous);
    if (!ok) problem = shown.empty() ? "The text is not a number." : shown;
    return ok;
}

std::string printPolynomial(const Term *p, int decimals) {
    std::string out;
    if (!p) return out;
    if (isLeaf(p) && isZero(p->coef)) return "0";
    printTree(p, out, decimals);
    return out;
}

}  // namespace quorvel
