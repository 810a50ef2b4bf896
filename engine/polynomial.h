// Sparse polynomials in up to three letter-named variables, held as search
// trees of term records ordered by the exponent triple (slot 0 first).
//
// A Polynomial is a link to the root record and is never empty: the zero
// polynomial is one record with coefficient 0, exponents 0 and letters "???".
// Every operation that returns a Polynomial returns a new tree the caller
// owns (release it with freePolynomial or hold it in an OwnedPolynomial).
// All terms of one tree carry the same three letters.
#pragma once

#include <array>
#include <utility>

#include "engine/complex.h"
#include "engine/termpool.h"

namespace quorvel {

using Polynomial = Term *;
using Letters = std::array<char, 3>;

inline constexpr Letters unsetLetters = {'?', '?', '?'};

// ---- creation and release ------------------------------------------------
Polynomial newTerm(Complex coef, int e0, int e1, int e2, const Letters &letters);
Polynomial newTerm(double re, double im, int e0, int e1, int e2, const Letters &letters);
Polynomial newTerm(int re, int im, int e0, int e1, int e2, const Letters &letters);
Polynomial newZero(const Letters &letters = unsetLetters);
void freePolynomial(Polynomial p);
Polynomial copyPolynomial(const Term *p);
Polynomial negatedCopy(const Term *p);

// Releases its polynomial when it goes out of scope, so an abandoned
// computation leaves no record behind.
class OwnedPolynomial {
public:
    OwnedPolynomial() = default;
    explicit OwnedPolynomial(Polynomial p) : p_(p) {}
    OwnedPolynomial(const OwnedPolynomial &) = delete;
    OwnedPolynomial &operator=(const OwnedPolynomial &) = delete;
    OwnedPolynomial(OwnedPolynomial &&o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    OwnedPolynomial &operator=(OwnedPolynomial &&o) noexcept {
        if (this != &o) {
            reset(std::exchange(o.p_, nullptr));
        }
        return *this;
    }
    ~OwnedPolynomial() { freePolynomial(p_); }
    Polynomial get() const { return p_; }
    Polynomial &ref() { return p_; }
    Polynomial release() { return std::exchange(p_, nullptr); }
    void reset(Polynomial p = nullptr) {
        freePolynomial(p_);
        p_ = p;
    }
    explicit operator bool() const { return p_ != nullptr; }

private:
    Polynomial p_ = nullptr;
};

// ---- queries ---------------------------------------------------------------
// +1 when a orders below b, -1 when above, 0 for the same monomial.
int compareTerms(const Term *a, const Term *b);
Term *highestTerm(Polynomial p);
Term *lowestTerm(Polynomial p);
int degree(const Term *p);
int lowestDegree(const Term *p);
bool isLeaf(const Term *t);
bool isZeroPolynomial(const Term *p);
int height(const Term *t);
// Appends the distinct letters a-z of the tree to buf (at most three),
// visiting the root, then `next`, then `left`; returns the new count.
int collectLetters(const Term *root, Letters &buf, int count);
void relabel(Polynomial root, const Letters &letters);
Term *findDivisible(Polynomial root, const Term *d);
Letters lettersOf(const Term *t);
int countTerms(const Term *p);

// ---- changing in place -----------------------------------------------------
// Adds t's monomial and coefficient to the tree (t may be relabelled).
void insertTerm(Polynomial root, Term *t);
void removeTerm(Polynomial &root, const Term *t);
void rebalancePath(Polynomial &root, const Term *t);
void dropZeroTerms(Polynomial &root);
// a becomes a + b; b is kept (its letters may be brought to a's).
void addPolynomial(Polynomial &a, Polynomial b);
// Adds one term (insert, rebalance, drop it again if it cancelled to 0).
void addTerm(Polynomial &root, Term *t);
void shiftExponents(Polynomial root, int d0, int d1, int d2);
void scaleAndShift(Polynomial root, Complex s, int d0, int d1, int d2);

// ---- new results -----------------------------------------------------------
Polynomial multiplyPolynomials(Polynomial a, Polynomial b);
Polynomial divideTerm(const Term *t, const Term *d);
// The quotient of a by b with the remainder dropped.
Polynomial quotient(Polynomial a, Polynomial b);

// For tests: true when every cached subtree height matches a fresh count.
bool heightsConsistent(const Term *t);

// Reports an exponent outside the 32-bit range and abandons the computation.
[[noreturn]] void abandonForExponent();
// Checked narrowing of an exponent sum.
int checkedExponent(long long e);

}  // namespace quorvel
