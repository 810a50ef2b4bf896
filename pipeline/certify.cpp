#include "pipeline/certify.h"

#include "engine/points.h"
#include "pipeline/tracer.h"
#include "tracing/braid.h"

namespace quorvel {

std::unique_ptr<CertifyJob> certifyTracesJob(const Session &session) {
    std::vector<Complex> parameters;
    std::vector<std::vector<Complex>> points;
    // Only a closed path has a monodromy: an open free-hand path is not
    // closed by a chord of the job's own.
    const bool finished = session.traces.tracingState == tracingFinished && session.run.traceFinished &&
                          traceEndsWhereItBegan(session.traces);
    if (finished) {
        for (const TraceRecord *r = session.traces.parameterTrace; r; r = r->next) parameters.push_back(r->value);
        for (const TraceRecord *r = session.traces.solutionTrace; r; r = r->next) {
            if (r->number == 0 || points.empty()) points.emplace_back();
            points.back().push_back(r->value);
        }
    }
    std::vector<Complex> loci;
    for (const LocusWeight &l : runLoci(session.state)) loci.push_back(l.value);
    // A free-hand path is the polyline of its accepted points.
    const bool polygon = session.parameterSpace.viewMode == modeArt;
    auto job = std::make_unique<CertifyJob>(session.state.exact(), std::move(parameters), std::move(points),
                                            std::move(loci), polygon);
    return job;
}

CertifiedRun certifyTraces(const Session &session) {
    auto job = certifyTracesJob(session);
    while (!job->advance(1 << 12)) {
    }
    return job->result();
}

void startCertification(Session &session) {
    CertificationState &c = session.run.certification;
    c = CertificationState();
    c.job = certifyTracesJob(session);
    c.status = CertificationState::running;
}

bool certificationTick(Session &session, int pieces) {
    CertificationState &c = session.run.certification;
    if (c.status != CertificationState::running || !c.job) return false;
    if (!c.job->advance(pieces)) return true;
    const CertifiedRun &run = c.job->result();
    c.pieces = run.pieces;
    c.precision = run.highestPrecision;
    if (!run.certified) {
        c.status = CertificationState::refused;
        c.reason = run.reason;
    } else {
        c.status = CertificationState::proven;
        BraidWord &word = session.run.braidWord;
        RunVerdict &verdict = session.run.verdict;
        c.agrees = provesFloatingRun(run, verdict.permutation, word.generators());
        if (!c.agrees) {
            verdict.permutation = run.permutation;
            word.clear();
            for (int g : run.braid) appendGenerator(word, g);
        }
    }
    c.job.reset();
    return false;
}

void cancelCertification(Session &session) {
    CertificationState &c = session.run.certification;
    if (c.status != CertificationState::running) return;
    c.job.reset();
    c.status = CertificationState::cancelled;
}

double certificationProgress(const Session &session) {
    const CertificationState &c = session.run.certification;
    if (c.status == CertificationState::running && c.job) return c.job->progress();
    return c.status == CertificationState::none ? 0.0 : 1.0;
}

std::string certificationText(const CertificationState &c) {
    switch (c.status) {
    case CertificationState::running:
        return "certification under way";
    case CertificationState::proven:
        return "CERTIFIED: permutation and braid proven (" + std::to_string(c.pieces) + " pieces, " +
               std::to_string(c.precision) + " bits)";
    case CertificationState::refused:
        return "NOT certified: " + c.reason;
    case CertificationState::cancelled:
        return "not certified: the certification was cancelled";
    default:
        return "not certified (Mode > Certify is off)";
    }
}

bool provesFloatingRun(const CertifiedRun &run, const std::vector<int> &permutation,
                       const std::vector<int> &braid) {
    return run.certified && run.permutation == permutation &&
           (sameUpToFarCommutation(run.braid, braid) || sameBraid(run.braid, braid));
}

}  // namespace quorvel
