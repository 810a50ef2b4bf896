#include "pipeline/certify.h"

#include "engine/points.h"
#include "pipeline/tracer.h"
#include "tracing/braid.h"

namespace quorvel {

std::unique_ptr<CertifyJob> certifyTracesJob(const Session &session) {
    std::vector<Complex> parameters;
    std::vector<std::vector<Complex>> points;
    const bool finished = session.traces.tracingState == tracingFinished && session.solutionSpace.traceFinished;
    if (finished) {
        for (const TraceRecord *r = session.traces.parameterTrace; r; r = r->next) parameters.push_back(r->value);
        for (const TraceRecord *r = session.traces.solutionTrace; r; r = r->next) {
            if (r->number == 0 || points.empty()) points.emplace_back();
            points.back().push_back(r->value);
        }
    }
    std::vector<Complex> loci;
    for (const LocusWeight &l : runLoci(session.state)) loci.push_back(l.value);
    auto job = std::make_unique<CertifyJob>(session.state.exact(), std::move(parameters), std::move(points),
                                            std::move(loci));
    return job;
}

CertifiedRun certifyTraces(const Session &session) {
    auto job = certifyTracesJob(session);
    while (!job->advance(1 << 12)) {
    }
    return job->result();
}

bool provesFloatingRun(const CertifiedRun &run, const std::vector<int> &permutation,
                       const std::vector<int> &braid) {
    return run.certified && run.permutation == permutation && sameUpToFarCommutation(run.braid, braid);
}

}  // namespace quorvel
