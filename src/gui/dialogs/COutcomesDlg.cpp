#include "gui/dialogs/COutcomesDlg.h"

#include <QBrush>
#include <QDialogButtonBox>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/dialogs/DialogSupport.h"

namespace pelmor {

namespace {

const QColor kFlagText(176, 0, 0);
const QColor kFlagBackground(255, 224, 224);

// The first row becomes the column titles, the others the table's rows; the first column of
// each row is its title.
void FillTable(QTableWidget* table, const std::vector<TableRow>& rows) {
    table->clear();
    if (rows.empty()) {
        table->setRowCount(0);
        table->setColumnCount(0);
        return;
    }
    int columns = 0;
    for (const TableRow& r : rows) columns = std::max(columns, static_cast<int>(r.size()));
    table->setColumnCount(columns);
    table->setRowCount(static_cast<int>(rows.size()) - 1);
    QStringList titles;
    for (int c = 0; c < columns; ++c)
        titles << (c < static_cast<int>(rows[0].size()) ? Utf8(rows[0][c].text) : QString());
    table->setHorizontalHeaderLabels(titles);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(Utf8(rows[r][c].text));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (rows[r][c].flagged) {
                item->setForeground(QBrush(kFlagText));
                item->setBackground(QBrush(kFlagBackground));
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            table->setItem(static_cast<int>(r) - 1, static_cast<int>(c), item);
        }
    }
    table->resizeColumnsToContents();
    // Tall enough for every row without a scroll bar when there are few.
    int height = table->horizontalHeader()->height() + 2 * table->frameWidth();
    for (int r = 0; r < table->rowCount(); ++r) height += table->rowHeight(r);
    table->setMinimumHeight(std::min(height, 420));
}

// The quality lines, the cells of each separated by blanks, flagged cells in colour.
QString QualityText(const std::vector<TableRow>& rows) {
    QStringList lines;
    for (const TableRow& row : rows) {
        QStringList cells;
        for (const TableCell& cell : row) {
            QString text = Utf8(cell.text).toHtmlEscaped();
            if (cell.flagged)
                text = QStringLiteral("<b style=\"color:%1\">%2</b>").arg(kFlagText.name(), text);
            cells << text;
        }
        lines << cells.join(QStringLiteral("&nbsp;&nbsp;"));
    }
    return lines.join(QStringLiteral("<br>"));
}

QTableWidget* MakeTable(QWidget* parent, const char* name) {
    auto* table = new QTableWidget(parent);
    table->setObjectName(QString::fromLatin1(name));
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    return table;
}

}  // namespace

COutcomesDlg::COutcomesDlg(QWidget* parent, OutcomesDlgActions actions)
    : QDialog(parent), actions_(std::move(actions)) {
    setWindowTitle(QStringLiteral("Outcomes"));
    auto* top = new QVBoxLayout(this);
    grid_ = MakeTable(this, "outcomes");
    top->addWidget(grid_, 1);
    quality_ = new QLabel(this);
    quality_->setObjectName(QStringLiteral("quality"));
    quality_->setTextFormat(Qt::RichText);
    top->addWidget(quality_);
    baseline_ = MakeTable(this, "baseline");
    top->addWidget(baseline_, 1);

    auto* buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("buttons"));
    auto add = [&](const char* text, const char* name, QDialogButtonBox::ButtonRole role) {
        QPushButton* b = buttons->addButton(QString::fromLatin1(text), role);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* copy = add("Copy", "copy", QDialogButtonBox::ActionRole);
    QPushButton* open = add("Open in Spreadsheet", "open", QDialogButtonBox::ActionRole);
    useBaseline_ = add("Use as baseline", "useBaseline", QDialogButtonBox::ActionRole);
    clearBaseline_ = add("Clear baseline", "clearBaseline", QDialogButtonBox::ActionRole);
    QPushButton* close = add("Close", "close", QDialogButtonBox::RejectRole);
    close->setDefault(true);
    top->addWidget(buttons);
    connect(copy, &QPushButton::clicked, this, [this] {
        if (actions_.copy) actions_.copy();
    });
    connect(open, &QPushButton::clicked, this, [this] {
        if (actions_.openInSpreadsheet) actions_.openInSpreadsheet();
    });
    connect(useBaseline_, &QPushButton::clicked, this, [this] {
        if (actions_.useAsBaseline) actions_.useAsBaseline();
        Refresh();
    });
    connect(clearBaseline_, &QPushButton::clicked, this, [this] {
        if (actions_.clearBaseline) actions_.clearBaseline();
        Refresh();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Refresh();
    resize(std::max(sizeHint().width(), 760), sizeHint().height());
}

void COutcomesDlg::Refresh() {
    const OutcomeTable table = actions_.table ? actions_.table() : OutcomeTable{};
    FillTable(grid_, table.grid);
    quality_->setText(QualityText(table.quality));
    FillTable(baseline_, table.baseline);
    baseline_->setVisible(!table.baseline.empty());
    useBaseline_->setEnabled(!actions_.canUseAsBaseline || actions_.canUseAsBaseline());
    clearBaseline_->setEnabled(actions_.hasBaseline && actions_.hasBaseline());
}

}  // namespace pelmor
