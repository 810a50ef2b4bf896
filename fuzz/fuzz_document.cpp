// Reads arbitrary bytes as a document (sections, then traces) into a fresh
// Session, writes what was loaded and reads that back into another one.
// Nothing may crash, hang or leak: the pools must hold exactly what the
// Session owns, the traces must be whole steps counted by traceStepCount,
// and every record must be back in its pool once the Session is gone.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/error.h"
#include "engine/termpool.h"
#include "pipeline/document.h"
#include "pipeline/session.h"

using namespace quorvel;

namespace {

// A smaller term pool keeps the root searches of huge degrees short and
// reaches the paths where a load runs out of records.
constexpr int fuzzTermLimit = 400;

void check(bool ok) {
    if (!ok) std::abort();
}

void checkSession(Session &s) {
    const CurveState &c = s.state;
    if (c.stage >= stageCurve) check(c.fiberVariable() != '?' && c.parameter() != '?');
    if (c.stage >= stageBranchPolynomial) check(degree(c.branchPolynomial.get()) > 0);
    const Traces &t = s.traces;
    check(t.traceStepCount == countSteps(t.solutionTrace));
    // Whole steps numbered 0 .. size - 1.
    int stepSize = 0;
    int k = 0;
    for (const TraceRecord *r = t.solutionTrace; r; r = r->next, ++k) {
        if (r->number == 0 && k > 0 && stepSize == 0) stepSize = k;
        check(r->number == (stepSize > 0 ? k % stepSize : k));
    }
    check(stepSize == 0 || k % stepSize == 0);
    check(s.tracePool.recordsInUse() == countRecords(t.solutionTrace) + countRecords(t.parameterTrace));
    int segments = 0;
    for (const PathSegment *p = s.parameterSpace.autoPaths; p; p = p->next) ++segments;
    check(s.segmentPool.usedCount() == segments);
}

// Loads the bytes into a fresh Session and answers what it writes back.
std::string load(const std::string &bytes) {
    std::string written;
    {
        Session session;
        termPool().setLimit(fuzzTermLimit);
        DocumentReader reader(bytes);
        readSections(session, reader, false);
        readTraceSections(session, reader);
        checkSession(session);
        written = writeSections(session) + writeTraces(session);
        session.traces.clear(session.tracePool);
        check(session.tracePool.recordsInUse() == 0);
        session.parameterSpace.releaseAll(session.segmentPool);
        check(session.segmentPool.usedCount() == 0);
    }
    termPool().setLimit(termPoolSize);
    check(termPool().usedCount() == 0);
    return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool once = [] {
        setErrorHandler([](const std::string &, const std::string &) {});
        return true;
    }();
    (void)once;
    const std::string written = load(std::string(reinterpret_cast<const char *>(data), size));
    load(written);
    return 0;
}
