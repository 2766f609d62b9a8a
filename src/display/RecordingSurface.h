#pragma once

// A surface that draws nothing and records every call with the drawing state it used, for
// checking geometry. Text is measured with a fixed-width metric: each character is
// CharWidth(height) wide and the font's height high.

#include <string>
#include <vector>

#include "platform/Surface.h"

namespace pelmor {

enum class SurfaceOp {
    Line,  // LineTo: points hold the start and the end
    Polyline,
    Rectangle,
    Ellipse,
    Polygon,
    FillSolid,
    InvertRect,
    TextOut,    // points hold the anchor
    TextInBox,  // rect holds the box
    SetClip,
    SunkenEdge,
    Icon,  // points hold the top-left corner
};

struct SurfaceCall {
    SurfaceOp op = SurfaceOp::Line;
    std::vector<SurfacePoint> points;
    SurfaceRect rect{};
    std::string text;
    SurfacePen pen;
    SurfaceBrush brush;
    SurfaceFont font;
    Color color = 0;  // text colour for text, fill colour for FillSolid, the icon's colour
    TextAlign align = TextAlign::Left;
    bool multiLine = false;
    SurfaceIcon icon = SurfaceIcon::Scale;
};

class RecordingSurface : public Surface {
  public:
    explicit RecordingSurface(SurfaceRect bounds = {0, 0, 4096, 4096}, bool printing = false);

    static int32_t CharWidth(int32_t fontHeight) {
        return fontHeight < 2 ? 1 : (fontHeight + 1) / 2;
    }

    SurfacePen SelectPen(const SurfacePen& pen) override;
    SurfaceBrush SelectBrush(const SurfaceBrush& brush) override;
    SurfaceFont SelectFont(const SurfaceFont& font) override;
    Color SetTextColor(Color color) override;
    Color SetBackgroundColor(Color color) override;
    Color BackgroundColor() const override { return background_; }
    bool IsPrinting() const override { return printing_; }
    bool CanInvert() const override { return canInvert; }
    void MoveTo(int32_t x, int32_t y) override;
    void LineTo(int32_t x, int32_t y) override;
    void Polyline(const SurfacePoint* points, std::size_t count) override;
    void Rectangle(const SurfaceRect& rect) override;
    void Ellipse(const SurfaceRect& rect) override;
    void Polygon(const SurfacePoint* points, std::size_t count) override;
    void FillSolid(const SurfaceRect& rect, Color color) override;
    void InvertRect(const SurfaceRect& rect) override;
    void TextOut(int32_t x, int32_t y, std::string_view text) override;
    void DrawTextInBox(const SurfaceRect& box, std::string_view text, TextAlign align,
                       bool multiLine) override;
    SurfaceSize TextExtent(std::string_view text) override;
    SurfaceRect ClipBox() const override { return clip_; }
    void SetClipRect(const SurfaceRect& rect) override;
    void SunkenEdge(const SurfaceRect& rect) override;
    void DrawIcon(SurfaceIcon icon, int32_t x, int32_t y, Color color) override;

    // The calls of one kind, in order.
    std::vector<SurfaceCall> Calls(SurfaceOp op) const;
    // The texts drawn with TextOut, in order.
    std::vector<std::string> Texts() const;
    void Clear() { calls.clear(); }

    std::vector<SurfaceCall> calls;
    SurfacePoint position{};
    SurfacePen pen;
    SurfaceBrush brush;
    SurfaceFont font;
    Color textColor = 0x000000;
    bool canInvert = true;

  private:
    SurfaceCall Make(SurfaceOp op) const;

    SurfaceRect bounds_;
    SurfaceRect clip_;
    bool printing_;
    Color background_ = 0xFFFFFF;
};

}  // namespace pelmor
