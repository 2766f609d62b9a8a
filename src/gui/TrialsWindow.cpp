#include "gui/TrialsWindow.h"

#include <QFont>
#include <QHeaderView>
#include <QTreeWidget>

#include "core/NumberFormat.h"
#include "sessions/TrialAnalysis.h"

namespace pelmor {

namespace {
constexpr int kTrialRole = Qt::UserRole;
}

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

void TrialsWindow::Show(const Session& session) {
    filling_ = true;
    tree_->clear();
    for (const Phase& phase : session.phases) {
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
                 r ? QString::fromStdString(Format("%.4lg", *r)) : tr("none"), QString(),
                 t.included ? QString()
                            : QString::fromStdString(t.reason + " (" + t.decidedBy + ")")});
            item->setData(0, kTrialRole, t.number);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Included, t.included ? Qt::Checked : Qt::Unchecked);
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
