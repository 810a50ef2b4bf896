#include "pipeline/fundamental_group.h"

#include <algorithm>
#include <map>

#include "engine/points.h"
#include "engine/projection.h"
#include "tracing/braid.h"

namespace quorvel {

FundamentalGroupResult fundamentalGroup(const ExactPolynomial &curve, int n,
                                        const std::vector<std::vector<int>> &braids, int enclosing,
                                        double budgetSeconds) {
    FundamentalGroupResult r;
    r.points = n;
    r.braids = braids;
    r.relators = vanKampenRelators(n, braids);
    if (enclosing >= 0 && enclosing < static_cast<int>(braids.size())) {
        std::vector<std::vector<int>> product;
        for (size_t k = 0; k < braids.size(); ++k)
            if (static_cast<int>(k) != enclosing) product.push_back(braids[k]);
        product.push_back(braids[static_cast<size_t>(enclosing)]);
        r.braidProduct = composesToIdentity(product, n, braidCheckLetterLimit);
        if (r.braidProduct == 0) {
            r.problem = "the braids of the local loops, in chain order, do not compose to the inverse of the "
                        "braid of the loop around all loci: the braids of the loops are wrong";
            return r;
        }
    }
    r.components = absoluteComponentCount(curve);
    if (r.components < 0) {
        r.problem = "the projection is not proper on the curve";
        return r;
    }
    r.gap = studyFpGroup(n, r.relators, budgetSeconds);
    if (r.gap.haveInvariants) {
        bool allFree = static_cast<int>(r.gap.abelianInvariants.size()) == r.components;
        for (const std::string &v : r.gap.abelianInvariants) allFree = allFree && v == "0";
        r.abelianizationChecked = allFree;
        if (!allFree)
            r.problem = "the abelianization is " + abelianText(r.gap.abelianInvariants, false) +
                        ", but the curve has " + std::to_string(r.components) +
                        " irreducible components, so it must be " +
                        abelianText(std::vector<std::string>(static_cast<size_t>(r.components), "0"), false) +
                        ": the braids of the loops are wrong";
    }
    if (r.problem.empty() && !r.gap.complete)
        r.problem = r.gap.problem.empty() ? "GAP did not answer" : r.gap.problem;
    return r;
}

std::vector<std::string> strandOrderNames(const Term *fiber) {
    struct Point {
        double along;
        int number;
        std::string name;
    };
    std::vector<Point> points;
    const int n = countPoints(fiber);
    for (int k = 0; k < n; ++k) {
        const Term *p = findByNumber(const_cast<Term *>(fiber), k);
        if (p) points.push_back({alongAxis(p->coef), k, pointName(p)});
    }
    std::sort(points.begin(), points.end(), [](const Point &a, const Point &b) {
        return a.along < b.along || (a.along == b.along && a.number < b.number);
    });
    std::vector<std::string> names;
    for (const Point &p : points) names.push_back(p.name);
    return names;
}

std::string abelianText(const std::vector<std::string> &invariants, bool unicode) {
    std::map<std::string, int> count;
    std::vector<std::string> order;
    for (const std::string &v : invariants) {
        if (!count[v]++) order.push_back(v);
    }
    std::string out;
    const std::string times = unicode ? " \u00d7 " : " x ";
    for (const std::string &v : order) {
        std::string factor = v == "0" ? "Z" : "Z/" + v;
        if (count[v] > 1) factor += "^" + std::to_string(count[v]);
        out += (out.empty() ? "" : times) + factor;
    }
    return out.empty() ? "1" : out;
}

std::vector<std::string> rawGeneratorNames(int n) {
    std::vector<std::string> names;
    for (int k = 1; k <= n; ++k) names.push_back("g" + std::to_string(k));
    return names;
}

std::string presentationText(const std::vector<std::string> &generators, const std::vector<FreeWord> &relators,
                             bool unicode) {
    std::string out = unicode ? "\u27e8 " : "< ";
    for (size_t k = 0; k < generators.size(); ++k) out += (k ? ", " : "") + generators[k];
    if (!relators.empty()) out += " |";
    for (size_t k = 0; k < relators.size(); ++k) out += (k ? ", " : " ") + relationText(relators[k], generators, unicode);
    return out + (unicode ? " \u27e9" : " >");
}

}  // namespace quorvel
