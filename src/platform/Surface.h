#pragma once

// The drawing surface every chart and window of the view is drawn on: the screen's back buffer,
// an image, or a printer page. Coordinates are 32-bit device units, x to the right, y downward.
// Rectangles hold (left, top, right, bottom) with the right and bottom edges excluded, as a
// filled rectangle from (0, 0) to (10, 10) covers 10 × 10 units. Text is UTF-8.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pelmor {

// A colour laid out 0x00BBGGRR: red in the low byte (0x0000FF red, 0xFF0000 blue).
using Color = uint32_t;

constexpr uint8_t RedOf(Color c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t GreenOf(Color c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(Color c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }
constexpr Color MakeColor(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<Color>(red) | (static_cast<Color>(green) << 8) |
           (static_cast<Color>(blue) << 16);
}

struct SurfacePoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const SurfacePoint&, const SurfacePoint&) = default;
};

struct SurfaceSize {
    int32_t cx = 0;
    int32_t cy = 0;
    friend bool operator==(const SurfaceSize&, const SurfaceSize&) = default;
};

struct SurfaceRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int32_t x, int32_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    friend bool operator==(const SurfaceRect&, const SurfaceRect&) = default;
};

// The part two rectangles have in common (empty when they do not meet).
SurfaceRect IntersectRects(const SurfaceRect& a, const SurfaceRect& b);

// Pen styles by their stored codes (a graph's `gridStyle` holds one of them).
enum PenStyle : int32_t { PenSolid = 0, PenDash = 1, PenDot = 2 };

struct SurfacePen {
    int32_t style = PenSolid;
    int32_t width = 1;
    Color color = 0x000000;
    friend bool operator==(const SurfacePen&, const SurfacePen&) = default;
};

struct SurfaceBrush {
    Color color = 0xFFFFFF;
    bool hollow = false;  // outline only, no fill
    friend bool operator==(const SurfaceBrush&, const SurfaceBrush&) = default;
};

// A sans-serif font. rotated: text reads upward (turned 90° counter-clockwise about the point
// it is drawn at, so it extends up from that point and to the right of it).
struct SurfaceFont {
    int32_t height = 12;
    int32_t weight = 400;  // 400 normal, 700 bold
    bool italic = false;
    bool rotated = false;
    friend bool operator==(const SurfaceFont&, const SurfaceFont&) = default;
};

enum class TextAlign : int32_t { Left, Right, Center };

// The small glyphs the windows draw.
enum class SurfaceIcon : int32_t {
    Scale,  // 21 × 21: a square outline with four arrows from the centre to its sides
};
constexpr int32_t kIconSize = 21;

class Surface {
  public:
    virtual ~Surface() = default;

    // Drawing state. Each Select returns what was selected before, so a caller can put it back.
    virtual SurfacePen SelectPen(const SurfacePen& pen) = 0;
    virtual SurfaceBrush SelectBrush(const SurfaceBrush& brush) = 0;
    virtual SurfaceFont SelectFont(const SurfaceFont& font) = 0;
    // Text is always drawn on a transparent background.
    virtual Color SetTextColor(Color color) = 0;
    virtual Color SetBackgroundColor(Color color) = 0;
    virtual Color BackgroundColor() const = 0;
    // True for a printer page: nothing is drawn off-screen first, and screen-only glyphs are left
    // out by the callers.
    virtual bool IsPrinting() const = 0;

    // Lines with the current pen. LineTo leaves its end point undrawn and makes it the current
    // position. Polyline draws every one of its points, the last included; it neither uses nor
    // moves the current position.
    virtual void MoveTo(int32_t x, int32_t y) = 0;
    virtual void LineTo(int32_t x, int32_t y) = 0;
    virtual void Polyline(const SurfacePoint* points, std::size_t count) = 0;

    // Shapes outlined with the current pen and filled with the current brush.
    virtual void Rectangle(const SurfaceRect& rect) = 0;
    virtual void Ellipse(const SurfaceRect& rect) = 0;
    virtual void Polygon(const SurfacePoint* points, std::size_t count) = 0;

    virtual void FillSolid(const SurfaceRect& rect, Color color) = 0;
    // Replaces every colour in the rectangle by its complement; doing it twice restores it.
    virtual void InvertRect(const SurfaceRect& rect) = 0;
    // Whether InvertRect works here (a printer or PDF page may not honour it); where it does
    // not, callers draw the inverted look with swapped colours instead.
    virtual bool CanInvert() const { return true; }

    // Text in the current font and text colour with its top-left corner at (x, y).
    virtual void TextOut(int32_t x, int32_t y, std::string_view text) = 0;
    // Text in a box: one line centred vertically, or (multiLine) its lines from the top down.
    virtual void DrawTextInBox(const SurfaceRect& box, std::string_view text, TextAlign align,
                               bool multiLine) = 0;
    // Width and height of one line of text in the current font, unrotated.
    virtual SurfaceSize TextExtent(std::string_view text) = 0;

    // The rectangle drawing is limited to (the whole surface when nothing limits it).
    virtual SurfaceRect ClipBox() const = 0;
    virtual void SetClipRect(const SurfaceRect& rect) = 0;

    // The sunken two-tone edge, two units wide, just inside the rectangle.
    virtual void SunkenEdge(const SurfaceRect& rect);
    // A glyph with its top-left corner at (x, y), drawn in the given colour.
    virtual void DrawIcon(SurfaceIcon icon, int32_t x, int32_t y, Color color);
};

}  // namespace pelmor
