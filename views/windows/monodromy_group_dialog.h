// After "Trace all loops": what the loops generate (order, transitivity,
// the components of the curve with their degrees, genus, product check)
// and a table of the loops: what each circles, its permutation, its braid.
#pragma once

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

#include "engine/exact_curve.h"
#include "pipeline/all_loops.h"

class QLabel;
class QTableWidget;
class QTabWidget;
class QTextBrowser;

namespace quorvel {

inline constexpr const char *monodromyGroupTitle = "Monodromy group";

class MonodromyGroupDialog : public QDialog {
    Q_OBJECT

public:
    MonodromyGroupDialog(const Session &session, const AllLoopsRun &run, QWidget *parent = nullptr);

    QString summaryText() const;
    const QTableWidget *table() const { return table_; }
    // The "Fundamental group" tab, computed (GAP runs) the first time it
    // is shown.
    QTabWidget *tabs() const { return tabs_; }
    QString fundamentalGroupText() const;

private:
    void showFundamentalGroup();

    // What the tab needs, copied: the run may go on or be given up while
    // the dialog is open.
    ExactPolynomial curve_;
    std::vector<std::string> pointNames_;
    std::vector<LoopOutcome> outcomes_;
    bool verified_ = false;
    QLabel *summary_ = nullptr;
    QTableWidget *table_ = nullptr;
    QTabWidget *tabs_ = nullptr;
    QTextBrowser *groupText_ = nullptr;
    bool groupShown_ = false;
};

// The fundamental group of the complement from the loops of the run, as
// HTML: the projection, the generators named after the fiber points, the
// raw relations of each loop, GAP's simplified presentation, the
// abelianization with its check, abelian or not, the order.
// `pointNames` are the fiber's names in strand order (strandOrderNames); `verified` that every loop
// finished, passed its checks and the loops compose.
QString fundamentalGroupHtml(const ExactPolynomial &curve, const std::vector<std::string> &pointNames,
                             const std::vector<LoopOutcome> &outcomes, bool verified);

// The summary as lines of text, the orbits written with the fiber's names.
QString monodromySummaryText(const MonodromySummary &group, const Term *fiber);
// What the checks of a run found, in one line ("verified: …", "FAILED: …",
// "stopped", "open path: nothing to check").
QString verdictText(bool ended, const RunVerdict &verdict);

}  // namespace quorvel
