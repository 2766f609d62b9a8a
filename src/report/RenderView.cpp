#include "report/RenderView.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "core/FileBytes.h"
#include "display/DrawAll.h"
#include "report/QtSurface.h"
#include "report/QtText.h"

namespace pelmor {

void EnsureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "pelmor";
    static char* argv[] = {name, nullptr};
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's globals may be gone when static objects are torn down.
    new QGuiApplication(argc, argv);
}

QImage RenderViewToImage(CPelmorDoc& doc, ViewState& view, int width, int height,
                         const StoredResultsView* stored) {
    EnsureGuiApplication();
    const StoredResultsView none;
    UpdateView(doc, view, stored != nullptr ? *stored : none);
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    RenderViewInto(image, doc, view, stored);
    return image;
}

void RenderViewInto(QImage& image, CPelmorDoc& doc, ViewState& view,
                    const StoredResultsView* stored, DrawnView* drawn) {
    image.fill(Qt::white);
    QPainter painter(&image);
    QtSurface surface(painter);
    const SurfaceRect area{0, 0, image.width(), image.height()};
    if (BlackBackground(view)) surface.FillSolid(area, 0x000000);
    const StoredResultsView none;
    std::unique_ptr<DrawnView> own;
    if (drawn == nullptr) {
        own = std::make_unique<DrawnView>();
        drawn = own.get();
    }
    DrawAll(surface, doc, view, stored != nullptr ? *stored : none, area, false, *drawn);
    KeepDrawnView(doc, view, *drawn);
}

bool RenderViewToPng(CPelmorDoc& doc, ViewState& view, int width, int height,
                     const std::string& path, std::string& error, const StoredResultsView* stored) {
    if (IsSpecialFile(path)) {
        error = NotRegularFileMessage(path);
        return false;
    }
    const QImage image = RenderViewToImage(doc, view, width, height, stored);
    QFile file(FromLocalPath(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = "Can't write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    if (!image.save(&file, "PNG")) {
        error = "Can't write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace pelmor
