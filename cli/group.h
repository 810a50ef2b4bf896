// The monodromy group of a run over every loop of the auto-mode chain:
// order, transitivity, orbits (the components of the curve, with their
// degrees in the fiber variable), genus, and the product check.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/monodromy.h"
#include "tracing/monodromy_group.h"

namespace quorvel::cli {

nlohmann::json groupJson(const MonodromySummary &group);
// Orbits are written with the fiber points' names.
std::string groupText(const MonodromySummary &group, const Term *fiber);

}  // namespace quorvel::cli
