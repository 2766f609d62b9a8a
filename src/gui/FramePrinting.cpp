// The main frame's printing: the page of the view on a printer, in the preview or in a PDF file.
#include <QAction>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "display/DrawAll.h"
#include "display/ViewInteraction.h"
#include "gui/CMainFrame.h"
#include "gui/CPelmorView.h"
#include "gui/CommandIds.h"
#include "platform/UserInterface.h"
#include "report/QtSurface.h"

namespace pelmor {

QPrinter& CMainFrame::Printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setPageOrientation(QPageLayout::Landscape);
        printer_->setDocName(QStringLiteral("Pelmor"));
    }
    return *printer_;
}

void CMainFrame::PrintTo(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        doc_.Services().ui.ShowMessage("The printer could not be started.");
        return;
    }
    // The printable area in device units, the origin at its top-left corner.
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const SurfaceRect printable{0, 0, page.width(), page.height()};
    {
        QtSurface surface(painter, true);
        const StoredResultsView stored = MakeStoredResultsView(doc_.Stored());
        // The page is drawn as the view is; where its windows went is kept as a repaint's is.
        auto drawn = std::make_unique<DrawnView>();
        PrintPage(surface, doc_, view_->State(), stored, printable, *drawn);
        KeepDrawnView(doc_, view_->State(), *drawn);
    }
    painter.end();
}

void CMainFrame::DefinePrintCommands() {
    Define({cmd::Print,
            tr("&Print...\tCtrl+P"),
            {QKeySequence(Qt::CTRL | Qt::Key_P)},
            "document-print",
            [this] {
                QPrinter& printer = Printer();
                QPrintDialog dialog(&printer, this);
                if (dialog.exec() == QDialog::Accepted) PrintTo(printer);
            },
            {}});
    Define({cmd::PrintPreview,
            tr("Print Pre&view"),
            {},
            "document-print-preview",
            [this] {
                QPrintPreviewDialog preview(&Printer(), this);
                preview.setWindowTitle(tr("Print Preview"));
                connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                        [this](QPrinter* printer) { PrintTo(*printer); });
                preview.resize(1000, 750);
                preview.exec();
            },
            {}});
    Define({cmd::PrintSetup,
            tr("P&rint Setup..."),
            {},
            "document-properties",
            [this] {
                QPageSetupDialog dialog(&Printer(), this);
                dialog.exec();
            },
            {}});
}

}  // namespace pelmor
