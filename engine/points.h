// Point lists: chains of term records read as points.
//
// A record's fields read as: coef = value, exp[0] = number,
// exp[1] = multiplicity, var = two-character name plus NUL, kind = 1 for an
// ordinary point or branch locus and 2 for a degenerate locus. A list is
// its first record (nullptr when empty); lists in use are flat `next`
// chains, `left` appears only inside the search trees of the two sorts.
//
// Positions count from the end of the chain: the last record in chain order
// is position 0, the first is position n - 1.
#pragma once

#include <vector>

#include "engine/complex.h"
#include "engine/polynomial.h"

namespace quorvel {

using PointList = Term *;

inline Complex &pointValue(Term *p) { return p->coef; }
inline int pointNumber(const Term *p) { return p->exp[0]; }
inline int pointMultiplicity(const Term *p) { return p->exp[1]; }
inline const char *pointName(const Term *p) { return p->var; }
// Copies at most two characters of the name and terminates it.
void setPointName(Term *p, const char *name);

inline constexpr int kindOrdinary = 1;
inline constexpr int kindDegenerate = 2;

// A fresh point record: the value, number 0, multiplicity 1, name "???".
Term *newPoint(Complex value);
// Appends a fresh point behind the last record of the `next` chain.
void appendPoint(PointList &list, Complex value);

int countPoints(const Term *list);
Complex pointAt(Term *list, int position);
Complex &pointRefAt(Term *list, int position);
// The records of the list by position: result[i] is the record at position i.
void recordsByPosition(Term *list, std::vector<Term *> &out);
Term *findByNumber(Term *list, int number);
int numberPoints(Term *list, int first);
void copyPointValues(Term *destination, const Term *source);
Complex sumPoints(const Term *list);
// The mean of the values; 0 for an empty list.
Complex centroid(const Term *list);
double maxDistance(const Term *list, Complex c);
double minDistance(const Term *list, Complex c);
double minDistanceAbove(const Term *list, double threshold, Complex c);
int nearestPoint(Term *list, Complex c);
double nearestNeighbourDistance(Term *list, int position);
PointList sortLexicographic(const Term *list);
PointList sortAround(const Term *list, Complex centre);
Complex chooseBasePoint(const Term *loci);

}  // namespace quorvel
