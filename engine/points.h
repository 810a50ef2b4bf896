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
// The least distance from c to a point; infinity for an empty list.
double minDistance(const Term *list, Complex c);
double minDistanceAbove(const Term *list, double threshold, Complex c);
int nearestPoint(Term *list, Complex c);
PointList sortLexicographic(const Term *list);
// The points in increasing direction round the centre, farther first on one
// ray, numbered in that order (comparePolar). A point counts as on the
// centre, and two distances as equal, within onLocusFraction of the least
// distance between two of the points.
PointList sortAround(const Term *list, Complex centre);

// The values of both lists, each distinct value once, in chain order.
std::vector<Complex> distinctValues(const Term *list, const Term *more = nullptr);
// The distance from each point to its nearest other point. A lone point has
// no neighbour: it gets its distance from the origin, or 1 at the origin.
std::vector<double> nearestOtherDistances(const std::vector<Complex> &points);
// A point closer to a locus than this fraction of the locus's distance to
// its nearest other locus lies on it.
inline constexpr double onLocusFraction = 1e-6;
// The index of the point that b lies on (onLocusFraction), or -1.
int pointUnder(const std::vector<Complex> &points, Complex b);
// The default base point for these loci (branch and degenerate): the
// coordinate-wise median of the loci, moved off them when it is closer to
// a locus than 0.4 of that locus's distance to its nearest neighbour. It
// moves with the loci when they are scaled or shifted.
Complex chooseBasePoint(const Term *loci, const Term *degenerate = nullptr);

}  // namespace quorvel
