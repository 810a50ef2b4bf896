#include "pipeline/loop_targets.h"

#include <vector>

#include "engine/points.h"
#include "tracing/paths.h"

namespace quorvel {

namespace {

// The number of the point of the list that holds exactly this value.
int numberOf(const Term *list, Complex value) {
    for (const Term *p = list; p; p = p->next)
        if (p->coef.re == value.re && p->coef.im == value.im) return pointNumber(p);
    return -1;
}

}  // namespace

std::string loopLabel(const LoopTarget &target) {
    if (target.kind == "enclosing") return "inf";
    if (target.kind == "degenerate") return "deg:" + std::to_string(target.number);
    return std::to_string(target.number);
}

LoopTarget loopTarget(Session &session, int owner) {
    const CurveState &s = session.state;
    OwnedPolynomial sorted(sortedAutoPathTargets(s.branchLoci.get(), s.degenerateLoci.get(), s.basePoint));
    std::vector<Term *> byPosition;
    recordsByPosition(sorted.get(), byPosition);
    LoopTarget t;
    if (owner < 0 || owner >= static_cast<int>(byPosition.size())) {
        t.kind = "enclosing";
        t.value = s.basePoint;
        return t;
    }
    const Term *p = byPosition[static_cast<size_t>(owner)];
    t.value = p->coef;
    if (p->kind == kindDegenerate) {
        t.kind = "degenerate";
        t.number = numberOf(s.degenerateLoci.get(), p->coef);
    } else {
        t.kind = "branch";
        t.number = numberOf(s.branchLoci.get(), p->coef);
    }
    return t;
}

}  // namespace quorvel
