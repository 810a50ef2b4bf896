#include "cli/group.h"

#include "engine/points.h"

namespace quorvel::cli {

nlohmann::json groupJson(const MonodromySummary &group) {
    nlohmann::json orbits = nlohmann::json::array();
    for (const std::vector<int> &o : group.orbits)
        orbits.push_back({{"points", o}, {"degree", o.size()}});
    return {{"order", group.order},
            {"transitive", group.transitive},
            {"orbits", orbits},
            {"genus", group.genus < 0 ? nlohmann::json(nullptr) : nlohmann::json(group.genus)},
            {"productCheck", group.productCheck}};
}

std::string groupText(const MonodromySummary &group, const Term *fiber) {
    std::string out = "monodromy group: order " + group.order + ", " +
                      (group.transitive ? "transitive" : "not transitive") + "\n";
    out += "  orbits (components of the curve): " + std::to_string(group.orbits.size()) + "\n";
    for (const std::vector<int> &o : group.orbits) {
        out += "    {";
        for (size_t k = 0; k < o.size(); ++k) {
            const Term *p = findByNumber(const_cast<Term *>(fiber), o[k]);
            out += (k ? "," : "") + std::string(p ? pointName(p) : "?");
        }
        out += "} degree " + std::to_string(o.size()) + "\n";
    }
    out += "  genus (Riemann-Hurwitz): " +
           (group.genus < 0 ? std::string(group.transitive ? "unknown" : "not one component")
                            : std::to_string(group.genus)) +
           "\n";
    out += std::string("  product check: ") +
           (group.productCheck ? "the local loops compose to the inverse of the loop around all loci"
                               : "FAILED: the local loops do not compose to the inverse of the loop around all loci") +
           "\n";
    return out;
}

}  // namespace quorvel::cli
