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
// when it found the same permutation and a word of the same braid (the
// readings may differ in the order of crossings, and the reductions as
// the words grew); those words then stand, so that certified results read
// as the uncertified ones do.
// Mode > Certify, after a loop has ended: the proof of the traces held
// now, started here and carried on a slice at a time by certificationTick,
// which answers true while it goes on. At its end the state says proven or
// refused; a proof of another word than the run's (beyond the order of
// commuting crossings) replaces the run's word, which it corrects.
void startCertification(Session &session);
bool certificationTick(Session &session, int pieces);
void cancelCertification(Session &session);
double certificationProgress(const Session &session);
// One line for the dialogs: what the proof says of what they show.
std::string certificationText(const CertificationState &c);

bool provesFloatingRun(const CertifiedRun &run, const std::vector<int> &permutation,
                       const std::vector<int> &braid);

}  // namespace quorvel
