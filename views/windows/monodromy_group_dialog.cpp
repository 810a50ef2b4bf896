#include "views/windows/monodromy_group_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QApplication>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "engine/points.h"
#include "engine/projection.h"
#include "pipeline/fundamental_group.h"
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

namespace {

QString escaped(const std::string &text) { return QString::fromStdString(text).toHtmlEscaped(); }

}  // namespace

QString fundamentalGroupHtml(const ExactPolynomial &curve, const std::vector<std::string> &pointNames,
                             const std::vector<LoopOutcome> &outcomes, bool verified) {
    QString html;
    if (!isProperProjection(curve)) {
        QString changed;
        try {
            const ProperPosition p = properPosition(curve);
            changed = QStringLiteral("<p>After %1 it is:</p><p><tt>%2</tt></p>")
                          .arg(escaped(p.change), escaped(exactText(p.curve)));
        } catch (...) {
        }
        return QStringLiteral("<p>The projection to the parameter is not proper on this curve: the coefficient of "
                              "the highest power of the fiber variable is not a constant, so fiber points run off "
                              "to infinity (or a vertical line is a component).</p>") +
               changed +
               QStringLiteral("<p>Type that curve and trace all loops again, or run <tt>quorvel-cli "
                              "fundamental-group</tt>, which makes the change itself.</p>");
    }
    if (!verified)
        return QStringLiteral("<p>The group is not shown: not every loop ended and passed its checks, or the loops "
                              "do not compose.</p>");
    const int n = static_cast<int>(pointNames.size());
    std::vector<std::vector<int>> braids;
    int enclosing = -1;
    for (const LoopOutcome &o : outcomes) {
        if (o.target.kind == "enclosing") enclosing = static_cast<int>(braids.size());
        braids.push_back(o.braid);
    }
    const FundamentalGroupResult g = fundamentalGroup(curve, n, braids, enclosing);
    const std::vector<std::string> raw = rawGeneratorNames(n);
    html += QStringLiteral("<p><b>Fundamental group of C² minus the curve</b> (Zariski–van Kampen)</p>");
    QStringList gens;
    for (int k = 0; k < n; ++k)
        gens << QStringLiteral("g%1 round point %2").arg(k + 1).arg(escaped(pointNames[static_cast<size_t>(k)]));
    html += QStringLiteral("<p>Generators: small counter-clockwise loops round the fiber points over the base "
                           "point, from far above the fiber: %1.</p>")
                .arg(gens.join(QStringLiteral(", ")));
    if (g.gap.simplified)
        html += QStringLiteral("<p>Simplified (GAP): <b>%1</b></p>")
                    .arg(escaped(presentationText(g.gap.generators, g.gap.relators, true)));
    if (g.gap.haveInvariants)
        html += QStringLiteral("<p>Abelianization: %1 — the curve has %2 irreducible component%3: %4</p>")
                    .arg(escaped(abelianText(g.gap.abelianInvariants, true)))
                    .arg(g.components)
                    .arg(g.components == 1 ? QString() : QStringLiteral("s"))
                    .arg(g.abelianizationChecked ? QStringLiteral("checked")
                                                 : QStringLiteral("<b>CHECK FAILED</b>"));
    const QString abelian =
        g.gap.abelian == "yes"  ? QStringLiteral("abelian (%1)").arg(escaped(g.gap.abelianWitness))
        : g.gap.abelian == "no" ? QStringLiteral("not abelian (%1)").arg(escaped(g.gap.abelianWitness))
                                : QStringLiteral("abelian or not: not decided");
    html += QStringLiteral("<p>The group is %1; its order is %2.</p>").arg(abelian, escaped(g.gap.order));
    if (g.braidProduct == 1)
        html += QStringLiteral("<p>Braid product check: the local loops' braids compose to the inverse of the braid "
                               "round all loci.</p>");
    if (!g.ok()) html += QStringLiteral("<p><b>Not complete:</b> %1</p>").arg(escaped(g.problem));
    html += QStringLiteral("<p>Raw presentation: %1 generators, %2 relations g<sub>j</sub> = g<sub>j</sub> · "
                           "braid of each loop:</p><ul>")
                .arg(n)
                .arg(g.relators.size());
    for (const LoopOutcome &o : outcomes) {
        QStringList relations;
        for (int j = 1; j <= n; ++j) {
            const FreeWord image = actRight({j}, o.braid, n);
            if (image != FreeWord{j})
                relations << QStringLiteral("g%1 = %2").arg(j).arg(escaped(wordText(image, raw, true)));
        }
        html += QStringLiteral("<li>loop %1: %2</li>")
                    .arg(escaped(loopLabel(o.target)),
                         relations.isEmpty() ? QStringLiteral("no relation") : relations.join(QStringLiteral("; ")));
    }
    html += QStringLiteral("</ul><p>GAP took %1 s.</p>").arg(g.gap.seconds, 0, 'f', 2);
    return html;
}

MonodromyGroupDialog::MonodromyGroupDialog(const Session &session, const AllLoopsRun &run, QWidget *parent)
    : QDialog(parent),
      curve_(session.state.exact()),
      outcomes_(run.outcomes()),
      verified_(run.allVerified() && run.summary().productCheck) {
    pointNames_ = strandOrderNames(session.state.fiber.get());
    setWindowTitle(QString::fromLatin1(monodromyGroupTitle));
    auto *outer = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("groupTabs"));
    outer->addWidget(tabs_);
    auto *loopsPage = new QWidget(tabs_);
    auto *layout = new QVBoxLayout(loopsPage);
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
                                 o.ended() ? QString::fromStdString(o.permutationText) : QStringLiteral("(stopped)"),
                                 QString::fromStdString(o.braidText), verdictText(o.ended(), o.verdict)};
        for (int c = 0; c < 5; ++c) table_->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_);
    tabs_->addTab(loopsPage, QStringLiteral("Loops"));

    groupText_ = new QTextBrowser(tabs_);
    groupText_->setObjectName(QStringLiteral("fundamentalGroup"));
    tabs_->addTab(groupText_, QStringLiteral("Fundamental group"));
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (tabs_->widget(index) == groupText_) showFundamentalGroup();
    });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    outer->addWidget(buttons);
    resize(760, 360);
}

QString MonodromyGroupDialog::summaryText() const { return summary_->text(); }

void MonodromyGroupDialog::showFundamentalGroup() {
    if (groupShown_) return;
    groupShown_ = true;
    groupText_->setHtml(QStringLiteral("<p>GAP is at work…</p>"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    groupText_->setHtml(fundamentalGroupHtml(curve_, pointNames_, outcomes_, verified_));
    QApplication::restoreOverrideCursor();
}

QString MonodromyGroupDialog::fundamentalGroupText() const { return groupText_->toPlainText(); }

}  // namespace quorvel
