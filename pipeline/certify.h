// Certified monodromy of the loop the traces hold (tracing/certified_run.h):
// the job reads the recorded parameters and fiber, the exact curve and the
// loci of the Session.
#pragma once

#include <memory>

#include "pipeline/session.h"
#include "tracing/certified_run.h"

namespace quorvel {

// A job over the traces held now; a job that ends at once, uncertified,
// when there is no finished loop to certify.
std::unique_ptr<CertifyJob> certifyTracesJob(const Session &session);
// The same, run to its end.
CertifiedRun certifyTraces(const Session &session);
// A certified run proves the floating run's own permutation and braid word
// when it found the same permutation and a word that differs at most in
// the order of crossings of disjoint pairs of strands; those words then
// stand, so that certified results read as the uncertified ones do.
bool provesFloatingRun(const CertifiedRun &run, const std::vector<int> &permutation,
                       const std::vector<int> &braid);

}  // namespace quorvel
