// The program-wide record of one computation, from the typed polynomial to
// the named fiber over the base point.
#pragma once

#include <cstdint>
#include <string>

#include "engine/complex.h"
#include "engine/exact_curve.h"
#include "engine/polynomial.h"

namespace quorvel {

inline constexpr size_t polynomialTextLimit = 1023;
inline constexpr size_t documentNameLimit = 127;
inline constexpr size_t basePointTextLimit = 255;
inline constexpr const char *polynomialTooLongMessage = "The polynomial text is longer than 1023 characters.";
inline constexpr const char *polynomialTooLongRemedy =
    "Shorten the polynomial; the polynomial field holds at most 1023 characters";

// How far the pipeline has got; each stage adds to what the previous made valid.
inline constexpr int16_t stageNothing = 0;   // nothing beyond the inputs
inline constexpr int16_t stageCurve = 1;     // curve, letters, leading coefficient, degenerate loci
inline constexpr int16_t stageBranchPolynomial = 2;
inline constexpr int16_t stageBranchLoci = 3;
inline constexpr int16_t stageFiber = 4;     // base point, fiber, traces reset, auto-mode loops

struct CurveState {
    int16_t stage = stageNothing;
    std::string documentName = "untitled";
    std::string polynomialText;
    // The curve as typed, exactly; everything exact or certified (the
    // degenerate loci, the branch polynomial and loci, the fiber, charts)
    // is computed from it. `curve` is its rounding to doubles, the one the
    // tracer evaluates. Every place that sets one sets the other.
    ExactPolynomial exactCurve;
    OwnedPolynomial curve;
    OwnedPolynomial leadingCoefficient;
    OwnedPolynomial degenerateLoci;
    OwnedPolynomial branchPolynomial;
    std::string branchPolynomialText;
    OwnedPolynomial branchLoci;
    Complex basePoint{0.0, 0.0};
    // False until a base point is chosen, typed or loaded; 0 is a base
    // point like any other.
    bool hasBasePoint = false;
    OwnedPolynomial fiber;
    // Wider than the flags: a long run records more than 32767 steps.
    int32_t replayIndex = 0;
    int16_t replayAtEnd = 0;
    int16_t replayPaused = 0;
    int16_t replayPlaying = 0;
    int16_t replayAtStart = 0;
    int16_t dontCheckBranchPoint = 1;
    int16_t parameterViewOpen = 0;
    int16_t solutionViewOpen = 0;

    // The exact curve; for a curve that was set only as doubles (built term
    // by term), each double read as the decimal of its shortest text.
    ExactPolynomial exact() const;
    char fiberVariable() const { return curve ? curve.get()->var[0] : '?'; }
    char parameter() const { return curve ? curve.get()->var[1] : '?'; }
    // Exactly one replay flag set (or none).
    void setReplay(int16_t atStart, int16_t playing, int16_t paused, int16_t atEnd);
};

// Cuts a text to at most `limit` bytes.
std::string cutText(std::string text, size_t limit);

}  // namespace quorvel
