#include "tracing/certified_run.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "tracing/braid.h"

namespace quorvel {

namespace {

Complex half(Complex z) { return Complex(0.5 * z.re, 0.5 * z.im); }

constexpr size_t levels = std::size(BallCurve::precisions);
// Successes at a raised precision before the next piece tries a lower one.
constexpr int easyBeforeLowering = 8;

std::string pointText(Complex z) {
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%.17g%+.17gi", z.re, z.im);
    return buffer;
}

// The interval of positions along the tilted real axis (tracing/braid.h)
// that a box covers, widened by rounding.
void alongRange(const FiberBox &b, double &lo, double &hi) {
    const double c = alongAxis(b.centre);
    const double r = b.radius * (1.0 + 0x1p-30) * (1.0 + 0x1p-50) +
                     0x1p-51 * (std::fabs(b.centre.re) + std::fabs(b.centre.im));
    lo = c - r;
    hi = c + r;
}

}  // namespace

CertifyJob::CertifyJob(const ExactPolynomial &curve, std::vector<Complex> parameters,
                       std::vector<std::vector<Complex>> points, std::vector<Complex> loci, bool polygon)
    : ball_(std::make_unique<BallCurve>(curve)),
      params_(std::move(parameters)),
      loci_(std::move(loci)),
      polygon_(polygon) {
    n_ = points.empty() ? 0 : points.front().size();
    const int zeros = ball_->commonZeros();
    if (zeros == 1 && n_ > 0)
        for (size_t i = 0; i < n_ && fixed_ < 0; ++i)
            if (isZero(points.front()[i])) fixed_ = static_cast<int>(i);
    for (size_t i = 0; i < n_; ++i)
        if (static_cast<int>(i) != fixed_) moving_.push_back(static_cast<int>(i));
    for (const auto &step : points) {
        std::vector<Complex> m;
        if (step.size() == n_)
            for (int i : moving_) m.push_back(step[static_cast<size_t>(i)]);
        points_.push_back(std::move(m));
    }
    if (params_.size() != points_.size()) {
        fail("the traces do not hold one fiber per parameter");
        return;
    }
    if (params_.empty()) {
        fail("there is no finished closed loop to certify");
        return;
    }
    if (params_.size() < 2) {
        fail("the trace holds no step");
        return;
    }
    if (zeros > 1 || (zeros == 1 && fixed_ < 0) ||
        static_cast<int>(moving_.size()) != ball_->movingDegree()) {
        fail("the traced fiber does not match the curve's degree");
        return;
    }
    for (const auto &p : points_)
        if (p.size() != moving_.size()) {
            fail("a recorded step lacks fiber points");
            return;
        }
    // A loop that did not end exactly where it began is closed by a last
    // chord, its end predicted.
    if (!(params_.back().re == params_.front().re && params_.back().im == params_.front().im)) {
        params_.push_back(params_.front());
        points_.emplace_back();
    }
}

CertifyJob::~CertifyJob() = default;

void CertifyJob::fail(const std::string &reason) {
    result_.finished = true;
    result_.certified = false;
    result_.reason = reason;
}

std::vector<Complex> CertifyJob::full(const std::vector<Complex> &moving) const {
    std::vector<Complex> out(n_, Complex(0.0, 0.0));
    for (size_t k = 0; k < moving_.size() && k < moving.size(); ++k) out[static_cast<size_t>(moving_[k])] = moving[k];
    return out;
}

double CertifyJob::progress() const {
    if (result_.finished) return 1.0;
    const double chords = static_cast<double>(params_.size() - 1);
    return chords > 0 ? std::clamp((static_cast<double>(step_) + done_) / chords, 0.0, 1.0) : 1.0;
}

// The disc with the chord as a diameter holds no locus: an arc of at most a
// half turn between a and b lies in it, so the arc and the chord are
// homotopic in the plane less the loci.
bool CertifyJob::chordClearOfLoci(Complex a, Complex b) const {
    const Complex c = half(a + b);
    const double reach = 0.5 * modulus(b - a) * (1.0 + 0x1p-48) + 0x1p-50 * (std::fabs(c.re) + std::fabs(c.im));
    for (Complex l : loci_) {
        const double margin = 0x1p-50 * (std::fabs(l.re) + std::fabs(l.im));
        if (!(modulus(l - c) * (1.0 - 0x1p-48) > reach + margin)) return false;
    }
    return true;
}

// The fiber over p_0 in tight boxes whose positions along the axis do not
// overlap, so the true roots and the recorded points there stand in the
// same order.
bool CertifyJob::begin() {
    started_ = true;
    t_ = params_.front();
    rep_ = points_.front();
    for (size_t level = 0; level < levels; ++level) {
        const auto out = ball_->isolate(t_, t_, rep_, nullptr, nullptr, BallCurve::precisions[level], base_);
        if (out.proven) break;
        if (level + 1 == levels || !out.roundingLimited) {
            fail("the fiber over the start " + pointText(t_) + " could not be enclosed: " + out.problem);
            return false;
        }
    }
    std::vector<FiberBox> all = base_;
    if (fixed_ >= 0) all.push_back({Complex(0.0, 0.0), 0.0});
    std::vector<std::pair<double, double>> ranges;
    for (const FiberBox &b : all) {
        double lo = 0, hi = 0;
        alongRange(b, lo, hi);
        ranges.push_back({lo, hi});
    }
    std::sort(ranges.begin(), ranges.end());
    for (size_t k = 0; k + 1 < ranges.size(); ++k)
        if (!(ranges[k].second < ranges[k + 1].first)) {
            fail("two fiber points over the start are level along the real axis");
            return false;
        }
    allowance_ = std::numeric_limits<double>::infinity();
    return true;
}

// One attempt at the next piece of the current chord.
bool CertifyJob::pieceStep() {
    const Complex a = params_[step_], b = params_[step_ + 1];
    if (!polygon_ && done_ == 0.0 && halvings_ == 0 && !chordClearOfLoci(a, b)) {
        fail("the path near " + pointText(a) + " comes too near a locus to tell its arc from its chord");
        return false;
    }
    const double chord = modulus(b - a);
    const double length = chord > 0.0 ? std::min(1.0 - done_, allowance_ / chord) : 1.0 - done_;
    const bool last = !(done_ + length < 1.0);
    const double reach = last ? 1.0 : done_ + length;
    const double pieceLength = chord * (reach - done_);
    if (!last && !(reach - done_ > certifyShortestPiece)) {
        fail("no proof for a piece of the path at " + pointText(t_) + ": the pieces shrank below " +
             "2^-40 of their recorded step");
        return false;
    }
    const Complex tb = last ? b : a + (b - a) * Complex(reach, 0.0);
    const std::vector<Complex> &recorded = points_[step_ + 1];
    std::vector<Complex> end;
    if (last && !recorded.empty()) {
        end = recorded;
    } else {
        // Predicted: the straight way to the next recorded fiber (or the
        // current one), refined.
        const std::vector<Complex> &target = recorded.empty() ? rep_ : recorded;
        const double w = (reach - done_) / (1.0 - done_);
        end.resize(rep_.size());
        for (size_t k = 0; k < rep_.size(); ++k) end[k] = rep_[k] + (target[k] - rep_[k]) * Complex(w, 0.0);
        ball_->refine(tb, end, BallCurve::precisions[level_]);
    }
    std::vector<Complex> centres(rep_.size());
    for (size_t k = 0; k < rep_.size(); ++k) centres[k] = half(rep_[k] + end[k]);
    ball_->refine(half(t_ + tb), centres, BallCurve::precisions[level_]);

    std::vector<FiberBox> boxes;
    const auto out = ball_->isolate(t_, tb, centres, &rep_, &end, BallCurve::precisions[level_], boxes);
    std::vector<int> generators;
    // The contraction bound grows about with the square of the length: aim
    // at less than a third of what the proof allows (1/2).
    const double aim = 0.15;
    const double grow = out.contraction > 0.0 ? std::clamp(std::sqrt(aim / out.contraction), 0.5, 4.0) : 4.0;
    bool read = out.proven && readMoveExactly(full(rep_), full(end), generators);
    if (out.proven && !read) {
        // Points level along the axis at once (a symmetric fiber keeps
        // three of them in line): any point of a tube's end box is as good
        // an end, so the ends move apart by a tiny, different amount each.
        const double share = 0x1p-9 / static_cast<double>(end.size() + 1);
        for (size_t k = 0; k < end.size(); ++k) {
            const double w = boxes[k].radius * share;
            end[k] = end[k] + Complex(w * static_cast<double>(k + 1), w * static_cast<double>(2 * k + 1));
        }
        read = readMoveExactly(full(rep_), full(end), generators);
    }
    if (read) {
        result_.highestPrecision = std::max(result_.highestPrecision, BallCurve::precisions[level_]);
        ++result_.pieces;
        result_.generators.insert(result_.generators.end(), generators.begin(), generators.end());
        rep_ = end;
        t_ = tb;
        last_ = boxes;
        halvings_ = 0;
        if (level_ > 0 && ++easy_ >= easyBeforeLowering) {
            --level_;
            easy_ = 0;
        }
        // The next piece may be as long as this one grown; a piece cut
        // short by the end of its chord lowers the allowance only when it
        // found it too long.
        const bool cut = chord > 0.0 && pieceLength < allowance_ * (1.0 - 0x1p-20);
        if (pieceLength > 0.0)
            allowance_ = cut && grow >= 1.0 ? std::max(allowance_, pieceLength * grow) : pieceLength * grow;
        if (last) {
            ++step_;
            done_ = 0.0;
            failures_ = 0;
        } else {
            done_ = reach;
        }
        return true;
    }
    if (out.roundingLimited && level_ + 1 < levels) {
        ++level_;
        easy_ = 0;
        return true;
    }
    allowance_ = pieceLength * (out.contraction > 0.0 && !out.proven
                                    ? std::clamp(std::sqrt(aim / out.contraction), 0.2, 0.7)
                                    : 0.5);
    if (++halvings_ > certifyHalvingBudget || ++failures_ > certifyChordFailureBudget ||
        result_.pieces >= certifyPieceBudget) {
        fail("no proof for a piece of the path at " + pointText(t_) + " (" +
             (out.proven ? "its braid does not read without doubt" : out.problem) + ") after " +
             std::to_string(failures_) + " failed tries on its recorded step, at " +
             std::to_string(BallCurve::precisions[level_]) + " bits");
        return false;
    }
    return true;
}

// The end of the loop matched with its start through the tight boxes over
// p_0, and the last straight move to the matched start points.
void CertifyJob::close() {
    const size_t m = moving_.size();
    std::vector<int> sigma(m, -1);
    std::vector<Complex> closing(m);
    for (size_t i = 0; i < m; ++i) {
        int found = -1;
        for (size_t j = 0; j < m; ++j) {
            if (boxesDisjoint(last_[i], base_[j])) continue;
            if (found >= 0) {
                fail("the end of track " + std::to_string(moving_[i]) + " meets two start points");
                return;
            }
            found = static_cast<int>(j);
        }
        if (found < 0) {
            fail("the end of track " + std::to_string(moving_[i]) + " meets no start point");
            return;
        }
        sigma[i] = found;
        closing[i] = points_.front()[static_cast<size_t>(found)];
        if (!boxHolds(last_[i], closing[i])) {
            fail("the end of track " + std::to_string(moving_[i]) + " holds its start point only in part");
            return;
        }
    }
    std::vector<int> seen(m, 0);
    for (int s : sigma)
        if (seen[static_cast<size_t>(s)]++) {
            fail("two tracks end on one start point");
            return;
        }
    if (!readMoveExactly(full(rep_), full(closing), result_.generators)) {
        fail("the last move back to the start does not read without doubt");
        return;
    }
    result_.permutation.assign(n_, 0);
    if (fixed_ >= 0) result_.permutation[static_cast<size_t>(fixed_)] = fixed_;
    for (size_t i = 0; i < m; ++i)
        result_.permutation[static_cast<size_t>(moving_[i])] = moving_[static_cast<size_t>(sigma[i])];
    BraidWord word;
    for (int g : result_.generators) {
        appendGenerator(word, g);
        reduceBraidWord(word);
    }
    result_.braid = word.generators();
    result_.finished = true;
    result_.certified = true;
}

bool CertifyJob::advance(int pieces) {
    if (result_.finished) return true;
    if (!started_ && !begin()) return true;
    for (int k = 0; k < pieces && !result_.finished; ++k) {
        if (step_ + 1 >= params_.size()) {
            close();
            break;
        }
        if (!pieceStep()) break;
    }
    if (!result_.finished && step_ + 1 >= params_.size()) close();
    return result_.finished;
}

CertifiedRun certifyRun(const ExactPolynomial &curve, std::vector<Complex> parameters,
                        std::vector<std::vector<Complex>> points, std::vector<Complex> loci, bool polygon) {
    CertifyJob job(curve, std::move(parameters), std::move(points), std::move(loci), polygon);
    while (!job.advance(1 << 12)) {
    }
    return job.result();
}

}  // namespace quorvel
