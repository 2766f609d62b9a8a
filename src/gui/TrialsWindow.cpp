#include "gui/TrialsWindow.h"

#include <QFont>
#include <QHeaderView>
#include <QTreeWidget>

#include "clinical/ReferenceValues.h"
#include "core/NumberFormat.h"
#include "sessions/SessionResults.h"
#include "sessions/TrialAnalysis.h"

namespace pelmor {

namespace {

constexpr int kTrialRole = Qt::UserRole;
const QColor kFlagText(176, 0, 0);

ShownQuantity QuantityOf(std::optional<Outcome> outcome) {
    if (outcome == Outcome::Ax) return ShownQuantity::Area;
    if (outcome == Outcome::Fres) return ShownQuantity::Frequency;
    return ShownQuantity::Impedance;
}

// A line spanning the window under a phase.
QTreeWidgetItem* AddLine(QTreeWidgetItem* phase, const std::string& text, bool flagged = false) {
    auto* item = new QTreeWidgetItem(phase, {QString::fromStdString(text)});
    item->setFirstColumnSpanned(true);
    if (flagged) {
        item->setForeground(0, kFlagText);
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
    }
    return item;
}

}  // namespace

TrialsWindow::TrialsWindow(QWidget* parent) : QDockWidget(tr("Trials"), parent) {
    setObjectName(QStringLiteral("Trials"));
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("trials"));
    tree_->setHeaderLabels({tr("Trial"), tr("Origin"), tr("Duration (s)"), tr("R at f_L"),
                            tr("Included"), tr("Reason")});
    setWidget(tree_);
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (filling_ || column != Included || !item->data(0, kTrialRole).isValid()) return;
        const bool on = item->checkState(Included) == Qt::Checked;
        if (includeChanged && includeChanged(item->data(0, kTrialRole).toInt(), on)) return;
        filling_ = true;
        item->setCheckState(Included, on ? Qt::Unchecked : Qt::Checked);
        filling_ = false;
    });
}

void TrialsWindow::Clear() {
    filling_ = true;
    tree_->clear();
    filling_ = false;
}

void TrialsWindow::Show(const Session& session, ImpedanceUnit display) {
    filling_ = true;
    tree_->clear();
    // Values in the display unit; an uncalibrated session's stay the ratio of volts it holds.
    const std::optional<ImpedanceUnit> measured = ParseUnit(session.impedanceUnit);
    const std::optional<ImpedanceUnit> shown =
        measured ? std::optional<ImpedanceUnit>(display) : std::nullopt;
    auto convert = [&](double v) { return measured ? ConvertImpedance(v, *measured, display) : v; };
    auto text = [&](std::optional<double> v, ShownQuantity quantity) {
        if (!v) return std::string("\u2013");
        return FormatShown(quantity == ShownQuantity::Frequency ? *v : convert(*v), quantity,
                           shown);
    };
    const OutcomeSettings settings;  // the frequencies the trials' outcomes are stored at
    tree_->headerItem()->setText(
        RLow, QString::fromStdString(Format("R%lg [", settings.lowHz) +
                                     ShownUnit(ShownQuantity::Impedance, shown) + "]"));
    const SessionOutcomes outcomes = AnalyseSession(session, settings);
    const ReferenceCatalogue catalogue =
        session.referenceSet.empty() ? ReferenceCatalogue{} : LoadReferenceSets(ReferenceFolders());
    for (std::size_t p = 0; p < session.phases.size(); ++p) {
        const Phase& phase = session.phases[p];
        QString name = QString::fromStdString(phase.name);
        if (!phase.note.empty())
            name += QStringLiteral(" (%1)").arg(QString::fromStdString(phase.note));
        auto* top = new QTreeWidgetItem(tree_, {name});
        QFont bold = top->font(0);
        bold.setBold(true);
        top->setFont(0, bold);
        top->setFirstColumnSpanned(true);
        for (const Trial& t : phase.trials) {
            const std::optional<double> r = StoredOutcomes(t).rLow;
            auto* item = new QTreeWidgetItem(
                top,
                {QStringLiteral("%1: %2").arg(t.number).arg(QString::fromStdString(t.fileName)),
                 QString::fromLatin1(OriginName(t.origin)),
                 QString::fromStdString(Format("%.3lg", t.durationSeconds)),
                 r ? QString::fromStdString(text(r, ShownQuantity::Impedance)) : tr("none"),
                 QString(),
                 t.included ? QString()
                            : QString::fromStdString(t.reason + " (" + t.decidedBy + ")")});
            item->setData(0, kTrialRole, t.number);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Included, t.included ? Qt::Checked : Qt::Unchecked);
        }
        const OutcomeStatistics& st = outcomes.phases[p].statistics;
        if (!st.Mean(Outcome::RLow)) continue;
        auto* mean = new QTreeWidgetItem(top, {tr("Mean")});
        mean->setText(
            RLow, QString::fromStdString(text(st.Mean(Outcome::RLow), ShownQuantity::Impedance)));
        const std::optional<ReferenceReport> report =
            SessionReference(session, st, catalogue, settings);
        if (!report) continue;
        if (!report->message.empty()) {
            AddLine(top, report->set + ": " + report->message);
            continue;
        }
        if (report->outsideRange) AddLine(top, report->set + ": outside the reference range");
        for (const ReferenceResult& r : report->outcomes) {
            if (!r.message.empty() || !r.outcome) {
                AddLine(top, r.name + ": " + r.message);
                continue;
            }
            const ShownQuantity q = QuantityOf(r.outcome);
            const ReferenceValue& v = r.value;
            const std::string mark = v.beyond ? "!" : "";
            std::string unit = ShownUnit(q, shown);
            AddLine(top,
                    r.name + " " + text(st.Mean(*r.outcome), q) + mark + " " + unit + "    Pred " +
                        text(v.predicted, q) + "    LLN " + text(v.lln, q) + "    ULN " +
                        text(v.uln, q) + "    z " +
                        (v.z ? FormatShown(*v.z, ShownQuantity::ZScore) : "\u2013") + mark +
                        "    %Pred " +
                        (v.percentPredicted
                             ? FormatShown(*v.percentPredicted, ShownQuantity::PercentPredicted)
                             : "\u2013"),
                    v.beyond.has_value());
        }
    }
    tree_->expandAll();
    for (int c = 0; c < tree_->columnCount(); ++c) tree_->resizeColumnToContents(c);
    filling_ = false;
}

QTreeWidgetItem* TrialsWindow::TrialItem(int trial) const {
    for (int p = 0; p < tree_->topLevelItemCount(); ++p) {
        QTreeWidgetItem* top = tree_->topLevelItem(p);
        for (int i = 0; i < top->childCount(); ++i)
            if (top->child(i)->data(0, kTrialRole).toInt() == trial) return top->child(i);
    }
    return nullptr;
}

}  // namespace pelmor
