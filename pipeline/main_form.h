// The main window's fields as plain values. The window mirrors them; tests
// and the command-line front end read and write them directly.
#pragma once

#include <string>
#include <vector>

namespace quorvel {

// A list box: lines kept sorted as text (ascending byte order) by add, or
// in the order given by append.
class SortedList {
public:
    void add(const std::string &line);
    void append(const std::string &line) { lines_.push_back(line); }
    void clear() { lines_.clear(); }
    const std::vector<std::string> &lines() const { return lines_; }
    size_t size() const { return lines_.size(); }

private:
    std::vector<std::string> lines_;
};

struct MainForm {
    std::string polynomial;        // "Polynomial of curve"
    std::string name = "untitled"; // "Name"
    std::string fiberLetter = "?"; // first letter after "Valuables" (read-only)
    std::string parameterLetter = "?";
    std::string branchPolynomial;  // "Polynomial of Branch loci.."
    SortedList branchLoci;         // "List of branch loci", in the order of their loops
    std::string basePoint;         // "Base point of parameter"
    bool fixBasePoint = true;      // "Fix base point"
    SortedList fiber;              // "Fiber over the base point", in the order of the names
    bool dontCheck = true;         // "Don't check whether a branch point"
};

struct Term;

// The lines of "List of branch loci": each locus in list order (the order
// of its loop), with its multiplicity in the branch polynomial when above
// 1 and "degenerate" when the leading coefficient vanishes there.
void showLociLines(SortedList &list, const Term *loci, const Term *degenerate);
// The lines of "Fiber over the base point": "name: value" in the order of
// the points' numbers, the order of their names.
void showFiberLines(SortedList &list, const Term *fiber);

}  // namespace quorvel
