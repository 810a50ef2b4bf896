// The one door to GAP. A finitely presented group goes in as plain words
// (vectors of signed generator numbers: +j is generator j, -j its
// inverse, counting from 1); what GAP finds comes out as plain values.
//
// GAP runs in a process of its own, quorvel-gap, found beside the running
// program: its global state, its collector and its signal handlers never
// meet the program's, and a time budget is a hard limit (the process is
// killed when it runs over). No other file includes a GAP header.
#pragma once

#include <string>
#include <vector>

namespace quorvel {

struct FpGroupFacts {
    // What was found before the budget ran out or GAP failed; `complete`
    // when every question below was answered.
    bool complete = false;
    bool started = false;  // the GAP process ran and answered at all
    std::string problem;   // why not complete: the budget, a failure of GAP

    // The presentation GAP's SimplifiedFpGroup gives (Tietze
    // transformations): its generators' names and its relators as words in
    // them. Empty generators with `simplified` false: not reached.
    bool simplified = false;
    std::vector<std::string> generators;
    std::vector<std::vector<int>> relators;

    // AbelianInvariants: 0 for each factor Z, m for each Z/m.
    bool haveInvariants = false;
    std::vector<std::string> abelianInvariants;

    // "yes" (one generator, or every pair of generators commutes by a
    // relator), "no" (a non-abelian finite quotient was found), or
    // "unknown"; `abelianWitness` says which.
    std::string abelian = "unknown";
    std::string abelianWitness;

    // "infinite" (the abelianization has a factor Z), the order as a
    // decimal when GAP proves the group finite, or "unknown".
    std::string order = "unknown";

    double seconds = 0;  // wall time of the GAP process
};

// The group <g_1 ... g_n | relators> studied by GAP within `budgetSeconds`
// of wall time (start-up included).
FpGroupFacts studyFpGroup(int generators, const std::vector<std::vector<int>> &relators, double budgetSeconds);

}  // namespace quorvel
