#include "engine/polytext.h"

#include <cstdlib>
#include <limits>

#include "engine/error.h"

namespace quorvel {

namespace {

// Powers up to this exponent are formed by repeated multiplication; larger
// ones by repeated squaring, which gives the same polynomial in a number of
// products logarithmic in the exponent.
constexpr long long plainPowerLimit = 64;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

class Parser {
public:
    Parser(std::string_view text, Letters &letters) : text_(text), letters_(letters) {}

    OwnedPolynomial level() {
        OwnedPolynomial s(zero());
        OwnedPolynomial t(zero());
        OwnedPolynomial f(zero());
        char addOp = '+';
        char mulOp = '+';
        for (;;) {
            const char c = at(pos_);
            switch (c) {
            case '(':
            case '{':
                ++pos_;
                f = level();
                break;
            case '+':
            case '-':
                apply(t, mulOp, f);
                apply(s, addOp, t);
                addOp = c;
                mulOp = '+';
                ++pos_;
                break;
            case '*':
            case '/':
                startProduct(t, mulOp, f);
                mulOp = c;
                ++pos_;
                break;
            case ' ':
                space(t, mulOp, f);
                break;
            case '^':
                power(f);
                break;
            case ')':
            case '}':
            case '\0':
                apply(t, mulOp, f);
                apply(s, addOp, t);
                if (c != '\0') ++pos_;
                return s;
            case 'i':
                if (pos_ > 0 && isDigit(at(pos_ - 1))) {
                    startProduct(t, mulOp, f);
                    mulOp = '*';
                }
                f.reset(newTerm(0.0, 1.0, 0, 0, 0, letters_));
                ++pos_;
                break;
            default:
                if (c >= 'a' && c <= 'z') {
                    variable(c, f);
                } else if (isDigit(c)) {
                    number(f);
                } else {
                    ++pos_;
                }
            }
        }
    }

private:
    char at(size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

    Polynomial zero() const { return newZero(letters_); }

    void apply(OwnedPolynomial &a, char op, OwnedPolynomial &b) {
        switch (op) {
        case '*':
            a.reset(multiplyPolynomials(a.get(), b.get()));
            break;
        case '+':
            addPolynomial(a.ref(), b.get());
            break;
        case '-': {
            OwnedPolynomial negated(negatedCopy(b.get()));
            addPolynomial(a.ref(), negated.get());
            break;
        }
        case '/':
            a.reset(quotient(a.get(), b.get()));
            break;
        default:
            break;
        }
        b.reset(zero());
    }

    void startProduct(OwnedPolynomial &t, char mulOp, OwnedPolynomial &f) {
        if (mulOp == '*' || mulOp == '/') {
            apply(t, mulOp, f);
        } else {
            t.reset(copyPolynomial(f.get()));
            f.reset(zero());
        }
    }

    void space(OwnedPolynomial &t, char &mulOp, OwnedPolynomial &f) {
        const char after = at(pos_ + 1);
        const char before = pos_ > 0 ? at(pos_ - 1) : '\0';
        const bool quietAfter = after == '\0' || after == '\n' || after == '\r' || after == ' ' ||
                                after == ')' || after == '*' || after == '+' || after == '-' ||
                                after == '/' || after == '^';
        const bool quietBefore = pos_ == 0 || before == '\0' || before == '\n' || before == '\r' ||
                                 before == ' ' || before == '(' || before == '*' ||
                                 before == '+' || before == '-' || before == '/' || before == '^';
        if (!quietAfter && !quietBefore) {
            startProduct(t, mulOp, f);
            mulOp = '*';
        }
        ++pos_;
    }

    void skipSpaces() {
        while (at(pos_) == ' ') ++pos_;
    }

    // A run of decimal digits (0 when there is none). A value beyond the
    // 32-bit range is reported instead of wrapping round.
    int exponentDigits() {
        long long n = 0;
        bool tooLarge = false;
        while (isDigit(at(pos_))) {
            if (!tooLarge) {
                n = n * 10 + (at(pos_) - '0');
                if (n > std::numeric_limits<int32_t>::max()) tooLarge = true;
            }
            ++pos_;
        }
        if (tooLarge) abandonForExponent();
        return static_cast<int>(n);
    }

    void power(OwnedPolynomial &f) {
        ++pos_;
        skipSpaces();
        const int n = exponentDigits();
        raise(f, n);
    }

    void raise(OwnedPolynomial &f, long long n) {
        checkPowerFits(f.get(), n);
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

    static void checkPowerFits(const Term *p, long long n) {
        if (n <= 1 || !p) return;
        long long maxExp = 0;
        checkMax(p, maxExp);
        if (maxExp > 0 && maxExp > std::numeric_limits<int32_t>::max() / n) abandonForExponent();
    }

    static void checkMax(const Term *t, long long &m) {
        if (!t) return;
        for (int s = 0; s < 3; ++s)
            if (t->exp[s] > m) m = t->exp[s];
        checkMax(t->left, m);
        checkMax(t->next, m);
    }

    void variable(char c, OwnedPolynomial &f) {
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
        skipSpaces();
        int n = 1;
        if (at(pos_) == '^') {
            ++pos_;
            skipSpaces();
            n = exponentDigits();
        }
        int e[3] = {0, 0, 0};
        e[slot] = n;
        f.reset(newTerm(1, 0, e[0], e[1], e[2], letters_));
    }

    void number(OwnedPolynomial &f) {
        const size_t start = pos_;
        bool point = false;
        while (isDigit(at(pos_)) || (at(pos_) == '.' && !point)) {
            if (at(pos_) == '.') point = true;
            ++pos_;
        }
        const std::string digits(text_.substr(start, pos_ - start));
        const double v = std::strtod(digits.c_str(), nullptr);
        f.reset(newTerm(v, 0.0, 0, 0, 0, letters_));
    }

    std::string_view text_;
    Letters &letters_;
    size_t pos_ = 0;
};

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

Polynomial parsePolynomial(std::string_view text, Letters &letters) {
    Parser parser(text, letters);
    return parser.level().release();
}

std::string printPolynomial(const Term *p, int decimals) {
    std::string out;
    if (!p) return out;
    if (isLeaf(p) && isZero(p->coef)) return "0";
    printTree(p, out, decimals);
    return out;
}

}  // namespace quorvel
