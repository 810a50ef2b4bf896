#include "views/monodromy_group_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "engine/points.h"
#include "pipeline/certify.h"
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

QString verdictText(bool ended, const RunVerdict &verdict) {
    if (!ended) return QStringLiteral("stopped");
    if (!verdict.judged) return QStringLiteral("not checked");
    if (!verdict.closed) return QStringLiteral("open path: nothing to check");
    const QString attempts =
        verdict.attempts > 1 ? QStringLiteral(" (attempt %1)").arg(verdict.attempts) : QString();
    if (verdict.passed())
        return QStringLiteral("verified (exponent sum %1)%2").arg(verdict.foundExponent).arg(attempts);
    return QStringLiteral("FAILED: %1%2").arg(QString::fromStdString(verdict.problem), attempts);
}

MonodromyGroupDialog::MonodromyGroupDialog(const Session &session, const AllLoopsRun &run, QWidget *parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(monodromyGroupTitle));
    auto *layout = new QVBoxLayout(this);
    // The group is the curve's only when every loop ended and passed its
    // checks; otherwise the dialog says so and shows the loops alone.
    QString summary =
        run.allVerified()
            ? monodromySummaryText(run.summary(), session.state.fiber.get())
            : QStringLiteral("The group is not shown: not every loop ended and passed its checks (see the table).");
    // With Mode > Certify: whether every loop's permutation and braid are
    // proven, so that the group is a theorem.
    if (run.certifying()) {
        QString refused;
        for (const LoopOutcome &o : run.outcomes())
            if (o.certification.status != CertificationState::proven && refused.isEmpty())
                refused = QString::fromStdString(loopLabel(o.target) + ": " + certificationText(o.certification));
        summary += QLatin1Char('\n') +
                   (run.allCertified() ? QStringLiteral("CERTIFIED: every loop's permutation and braid are proven.")
                                       : QStringLiteral("NOT certified (loop %1).").arg(refused));
    }
    summary_ = new QLabel(summary, this);
    summary_->setObjectName(QStringLiteral("groupSummary"));
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summary_);

    const std::vector<LoopOutcome> &outcomes = run.outcomes();
    table_ = new QTableWidget(static_cast<int>(outcomes.size()), 5, this);
    table_->setObjectName(QStringLiteral("loopTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Loop"), QStringLiteral("Circles"),
                                       QStringLiteral("Permutation"), QStringLiteral("Braid"),
                                       QStringLiteral("Checks")});
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
                                 QString::fromStdString(o.braidText), verdictText(o.finished, o.verdict)};
        for (int c = 0; c < 5; ++c) table_->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(760, 360);
}

QString MonodromyGroupDialog::summaryText() const { return summary_->text(); }

}  // namespace quorvel
