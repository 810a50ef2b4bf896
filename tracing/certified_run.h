// Certified monodromy of a traced loop: the permutation and the braid word
// proven with ball arithmetic (engine/ball_fiber.h), the floating trace
// serving only as prediction.
//
// What is proven. The path is the polygon through the recorded parameter
// values p_0, ..., p_M (closed back to p_0). Each chord is cut into pieces;
// on the disc over a piece every fiber point lies in a box proven to hold
// exactly one root for every t of the disc, the boxes pairwise disjoint.
// The disc has the chord piece as a diameter, so it also holds an arc of at
// most a half turn between the same ends; and for every chord the disc on
// it is checked free of the (certified) loci, so an arc of the given path
// and its chord go round the same loci. The boxes of a piece hold the
// representative points at both its ends: the recorded points at recorded
// parameters, predictions in between. Their product is a convex set of
// configurations of distinct points, so within it the true motion of the
// fiber and the straight moves between representatives are homotopic: the
// braid is the one read, exactly, from those straight moves
// (readMoveExactly), and the tracks join without a gap. At p_0 the fiber is
// enclosed in tight boxes whose positions along the real axis do not
// overlap; the end of the loop is matched to the start through them, which
// gives the permutation. The curve as typed is exact; the loci are the
// certified ones; nothing else is assumed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/complex.h"
#include "engine/ball_fiber.h"
#include "engine/exact_curve.h"

namespace quorvel {

struct CertifiedRun {
    bool finished = false;   // the job has ended, with a proof or without
    bool certified = false;
    std::string reason;      // why it is not certified
    // Entry j: the start point that track j ends on.
    std::vector<int> permutation;
    // The generators read, in order, and the word reduced as the tracer
    // reduces its own.
    std::vector<int> generators;
    std::vector<int> braid;
    int pieces = 0;          // pieces proven
    int highestPrecision = 0;  // bits
};

// A piece that fails this many times in a row (each failure shortens it to
// at most 0.7 of its length, so to below 2^-30 of it in the end) ends the
// job uncertified.
inline constexpr int certifyHalvingBudget = 60;
// A piece shorter than this share of its recorded step ends the job
// uncertified.
inline constexpr double certifyShortestPiece = 0x1p-40;
// A recorded step whose pieces fail this many times in all ends the job
// uncertified (pieces that keep closing in on a recorded point they cannot
// reach fail there again and again).
inline constexpr int certifyChordFailureBudget = 200;
// A loop that needs more pieces than this ends uncertified.
inline constexpr int certifyPieceBudget = 400000;

// The certification of one traced loop, done a slice at a time so that a
// window can show progress and cancel between slices.
class CertifyJob {
public:
    // The curve, the recorded parameters and the recorded fiber at each
    // (one vector of n points per parameter, track by track), and the loci
    // (branch and degenerate) the path must keep clear of. `polygon`: the
    // path is the polygon through the parameters itself (a free-hand path,
    // a polyline), so no arc need be told from its chord.
    CertifyJob(const ExactPolynomial &curve, std::vector<Complex> parameters,
               std::vector<std::vector<Complex>> points, std::vector<Complex> loci, bool polygon = false);
    ~CertifyJob();
    CertifyJob(const CertifyJob &) = delete;
    CertifyJob &operator=(const CertifyJob &) = delete;

    // Proves at most `pieces` more pieces; true once the job has ended.
    bool advance(int pieces);
    // Share of the path done, 0 to 1.
    double progress() const;
    const CertifiedRun &result() const { return result_; }

private:
    void fail(const std::string &reason);
    bool begin();
    bool pieceStep();
    void close();
    bool chordClearOfLoci(Complex a, Complex b) const;
    std::vector<Complex> full(const std::vector<Complex> &moving) const;

    std::unique_ptr<BallCurve> ball_;
    std::vector<Complex> params_;
    std::vector<std::vector<Complex>> points_;  // moving points only; empty: none recorded
    std::vector<Complex> loci_;
    bool polygon_ = false;
    size_t n_ = 0;
    int fixed_ = -1;  // the track held at 0, if any
    std::vector<int> moving_;
    // Where the walk is.
    bool started_ = false;
    size_t step_ = 0;
    double done_ = 0.0;   // fraction of the current chord done
    double allowance_ = 0.0;  // the length in the plane the next piece may take
    int halvings_ = 0;
    int failures_ = 0;
    size_t level_ = 0;
    int easy_ = 0;
    Complex t_;
    std::vector<Complex> rep_;
    std::vector<FiberBox> base_, last_;
    CertifiedRun result_;
};

// The proof of the last run that ended, as the windows follow it
// (Mode > Certify): under way a slice at a time, then proven or refused.
struct CertificationState {
    enum Status { none, running, proven, refused, cancelled };
    int status = none;
    std::string reason;  // refused: why
    int pieces = 0;
    int precision = 0;
    // proven: the floating run had read the same permutation and braid (its
    // word then stands); otherwise the proof's replaced them.
    bool agrees = false;
    std::shared_ptr<CertifyJob> job;
};

// Runs the job to its end.
CertifiedRun certifyRun(const ExactPolynomial &curve, std::vector<Complex> parameters,
                        std::vector<std::vector<Complex>> points, std::vector<Complex> loci,
                        bool polygon = false);

}  // namespace quorvel
