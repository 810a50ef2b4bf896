// After "Trace all loops": what the loops generate (order, transitivity,
// the components of the curve with their degrees, genus, product check)
// and a table of the loops: what each circles, its permutation, its braid.
#pragma once

#include <QDialog>
#include <QString>

#include "pipeline/all_loops.h"

class QLabel;
class QTableWidget;

namespace quorvel {

inline constexpr const char *monodromyGroupTitle = "Monodromy group";

class MonodromyGroupDialog : public QDialog {
    Q_OBJECT

public:
    MonodromyGroupDialog(const Session &session, const AllLoopsRun &run, QWidget *parent = nullptr);

    QString summaryText() const;
    const QTableWidget *table() const { return table_; }

private:
    QLabel *summary_ = nullptr;
    QTableWidget *table_ = nullptr;
};

// The summary as lines of text, the orbits written with the fiber's names.
QString monodromySummaryText(const MonodromySummary &group, const Term *fiber);
// What the checks of a run found, in one line ("verified: …", "FAILED: …",
// "stopped", "open path: nothing to check").
QString verdictText(bool ended, const RunVerdict &verdict);

}  // namespace quorvel
