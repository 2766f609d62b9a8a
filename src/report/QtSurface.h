#pragma once

// The drawing surface on a QPainter: a QImage, a widget's back buffer or a printer page.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <memory>
#include <vector>

#include "platform/Surface.h"

namespace pelmor {

inline QColor ToQColor(Color c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
inline Color FromQColor(const QColor& c) {
    return MakeColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                     static_cast<uint8_t>(c.blue()));
}

class QtSurface : public Surface {
  public:
    // Draws with an active painter; the painter's clip (if any) is the initial clip box.
    explicit QtSurface(QPainter& painter, bool printing = false);
    ~QtSurface() override;
    QtSurface(const QtSurface&) = delete;
    QtSurface& operator=(const QtSurface&) = delete;

    SurfacePen SelectPen(const SurfacePen& pen) override;
    SurfaceBrush SelectBrush(const SurfaceBrush& brush) override;
    SurfaceFont SelectFont(const SurfaceFont& font) override;
    Color SetTextColor(Color color) override;
    Color SetBackgroundColor(Color color) override;
    Color BackgroundColor() const override { return background_; }
    bool IsPrinting() const override { return printing_; }
    void MoveTo(int32_t x, int32_t y) override;
    void LineTo(int32_t x, int32_t y) override;
    void Polyline(const SurfacePoint* points, std::size_t count) override;
    void Rectangle(const SurfaceRect& rect) override;
    void Ellipse(const SurfaceRect& rect) override;
    void Polygon(const SurfacePoint* points, std::size_t count) override;
    void FillSolid(const SurfaceRect& rect, Color color) override;
    void InvertRect(const SurfaceRect& rect) override;
    bool CanInvert() const override;
    void TextOut(int32_t x, int32_t y, std::string_view text) override;
    void DrawTextInBox(const SurfaceRect& box, std::string_view text, TextAlign align,
                       bool multiLine) override;
    SurfaceSize TextExtent(std::string_view text) override;
    SurfaceRect ClipBox() const override { return clip_; }
    void SetClipRect(const SurfaceRect& rect) override;

  private:
    void ApplyPen();
    void ApplyBrush();
    const QFont& CurrentQFont();
    const QPoint* ToQPoints(const SurfacePoint* points, std::size_t count);

    QPainter& painter_;
    bool printing_;
    int penScale_ = 1;  // device dots per unit of pen width
    SurfacePen pen_;
    SurfaceBrush brush_;
    SurfaceFont font_;
    Color textColor_ = 0x000000;
    Color background_ = 0xFFFFFF;
    QPoint position_;
    SurfaceRect clip_{};
    QFont qfont_;
    bool qfontValid_ = false;
    std::vector<QPoint> buffer_;
    std::vector<QLine> lines_;
};

}  // namespace pelmor
