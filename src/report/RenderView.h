#pragma once

// The whole view rendered into an image, as the screen shows it: for the command line's plot
// command and for pictures in tests and benchmarks.

#include <QImage>
#include <string>

#include "display/ViewState.h"
#include "document/CPelmorDoc.h"

namespace pelmor {

// Makes a headless application object (offscreen unless QT_QPA_PLATFORM says otherwise) when
// the process has none; it is never destroyed.
void EnsureGuiApplication();

// Brings the view up to date with the document (UpdateView), then draws it into a width × height
// image (at least 1 × 1) with the screen colours. Makes a headless application object first when
// the process has none.
QImage RenderViewToImage(CPelmorDoc& doc, ViewState& view, int width, int height,
                         const StoredResultsView* stored = nullptr);

// The view as it is drawn over the whole of an existing image (a back buffer kept between
// repaints, so that no picture-sized block is allocated and freed ten times a second), and what
// the drawing settled handed back (KeepDrawnView). drawn, when given, is the repaint's record
// kept between repaints; otherwise one is made for this picture.
void RenderViewInto(QImage& image, CPelmorDoc& doc, ViewState& view,
                    const StoredResultsView* stored = nullptr, DrawnView* drawn = nullptr);

// The same picture written as a PNG file. False with the reason in error when the file cannot
// be written.
bool RenderViewToPng(CPelmorDoc& doc, ViewState& view, int width, int height,
                     const std::string& path, std::string& error,
                     const StoredResultsView* stored = nullptr);

}  // namespace pelmor
