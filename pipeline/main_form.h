// The main window's fields as plain values. The window mirrors them; tests
// and the command-line front end read and write them directly.
#pragma once

#include <string>
#include <vector>

namespace quorvel {

// A list box that keeps its lines sorted as text (ascending byte order).
class SortedList {
public:
    void add(const std::string &line);
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
    SortedList branchLoci;         // "List of branch loci"
    std::string basePoint;         // "Base point of parameter"
    bool fixBasePoint = true;      // "Fix base point"
    SortedList fiber;              // "Fiber over the base point"
    bool dontCheck = true;         // "Don't check whether a branch point"
};

}  // namespace quorvel
