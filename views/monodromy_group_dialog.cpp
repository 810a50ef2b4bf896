#include "views/monodromy_group_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "engine/points.h"
#include "pipeline/session.h"

namespace quorvel {

QString monodromySummaryText(const MonodromySummary &group, const Term *fiber) {
    QStringList lines;
    lines << QStringLiteral("Order %1, %2")
                 .arg(QString::fromStdString(group.order),
                      group.transitive ? QStringLiteral("transitive") : QStringLiteral("not transitive"));
    QStringList orbits;
    for (const std::vector<int> &o : group.orbits) {
        QStringList names;
        for (int k : o) {
            const Term *p = findByNumber(const_cast<Term *>(fiber), k);
            names << QString::fromLatin1(p ? pointName(p) : "?");
        }
        orbits << QStringLiteral("{%1} degree %2").arg(names.join(QLatin1Char(',')), QString::number(o.size()));
    }
    lines << QStringLiteral("Components of the curve: %1").arg(orbits.join(QStringLiteral(", ")));
    lines << QStringLiteral("Genus (Riemann-Hurwitz): %1")
                 .arg(group.genus >= 0 ? QString::number(group.genus)
                                       : (group.transitive ? QStringLiteral("unknown")
                                                           : QStringLiteral("not one component")));
    lines << (group.productCheck
                  ? QStringLiteral("Product check: the local loops compose to the inverse of the loop around all loci")
                  : QStringLiteral("Warning: the local loops do not compose to the inverse of the loop around all "
                                   "loci"));
    return lines.join(QLatin1Char('\n'));
}

MonodromyGroupDialog::MonodromyGroupDialog(const Session &session, const AllLoopsRun &run, QWidget *parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(monodromyGroupTitle));
    auto *layout = new QVBoxLayout(this);
    summary_ = new QLabel(monodromySummaryText(run.summary(), session.state.fiber.get()), this);
    summary_->setObjectName(QStringLiteral("groupSummary"));
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summary_);

    const std::vector<LoopOutcome> &outcomes = run.outcomes();
    table_ = new QTableWidget(static_cast<int>(outcomes.size()), 4, this);
    table_->setObjectName(QStringLiteral("loopTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Loop"), QStringLiteral("Circles"),
                                       QStringLiteral("Permutation"), QStringLiteral("Braid")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < static_cast<int>(outcomes.size()); ++row) {
        const LoopOutcome &o = outcomes[static_cast<size_t>(row)];
        QString circles;
        if (o.target.kind == "enclosing")
            circles = QStringLiteral("all loci");
        else
            circles = QStringLiteral("%1 locus %2")
                          .arg(o.target.kind == "degenerate" ? QStringLiteral("degenerate") : QStringLiteral("branch"),
                               QString::fromStdString(formatValue(o.target.value)));
        const QString cells[] = {QString::fromStdString(loopLabel(o.target)), circles,
                                 o.finished ? QString::fromStdString(o.permutationText) : QStringLiteral("(stopped)"),
                                 QString::fromStdString(o.braidText)};
        for (int c = 0; c < 4; ++c) table_->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(640, 360);
}

QString MonodromyGroupDialog::summaryText() const { return summary_->text(); }

}  // namespace quorvel
