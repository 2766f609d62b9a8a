#include "report/PdfReport.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "core/FileBytes.h"
#include "display/ReportPages.h"
#include "report/QtSurface.h"
#include "report/QtText.h"
#include "report/RenderView.h"

namespace pelmor {

namespace {

constexpr int kDotsPerInch = 300;

}  // namespace

bool WriteReportPdf(const SessionReport& report, const std::string& path, std::string& error,
                    const ReportProgress& progress) {
    EnsureGuiApplication();
    const QString name = FromLocalPath(path);
    auto fail = [&](const QString& why) {
        error = "Can't write " + path + ": " + why.toStdString();
        return false;
    };
    if (QFileInfo(name).isDir()) return fail(QStringLiteral("it is a folder"));
    // Renamed over, a FIFO or a device node would be replaced by the PDF.
    if (IsSpecialFile(path)) {
        error = NotRegularFileMessage(path);
        return false;
    }
    // Written beside the destination and renamed over it when complete.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    bool stopped = false;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        writer.setResolution(kDotsPerInch);
        writer.setTitle(QStringLiteral("Impedance report"));
        writer.setCreator(QString::fromStdString(ReportProgramName()));
        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            return fail(QStringLiteral("the PDF could not be started"));
        }
        ReportSheet sheet;
        sheet.page = {0, 0, writer.width(), writer.height()};
        sheet.mm = writer.width() / 210.0;
        // Laid out with the PDF's own text measures first, so that every footer has the count.
        ReportLayout layout;
        {
            QtSurface surface(painter, true);
            layout = LayOutReport(surface, report, sheet);
        }
        const int count = ReportPageCount(layout);
        for (int i = 0; i < count && !stopped; ++i) {
            if (i > 0) writer.newPage();
            {
                QtSurface surface(painter, true);
                DrawReportPage(surface, report, layout, i);
            }
            if (progress && !progress(i + 1, count)) stopped = true;
        }
        painter.end();
    }
    if (stopped) {
        file.cancelWriting();
        return fail(QStringLiteral("stopped before it was complete"));
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

}  // namespace pelmor
