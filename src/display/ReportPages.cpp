#include "display/ReportPages.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <string_view>
#include <utility>

#include "core/NumberFormat.h"
#include "core/Version.h"
#include "display/BreathBands.h"
#include "display/CPlotGraph.h"
#include "display/Palette.h"
#include "export/StoredImpedance.h"

namespace pelmor {

namespace {

// Sizes on paper, in millimetres.
constexpr double kMargin = 15;
constexpr double kTitleHeight = 8;
constexpr double kSubtitleHeight = 6;
constexpr double kBodyHeight = 4.4;
constexpr double kSmallHeight = 3.6;
constexpr double kAxisLabelHeight = 3.4;

constexpr char kEllipsis[] = "\xE2\x80\xA6";  // "…"

int32_t Units(const ReportSheet& sheet, double mm) {
    return static_cast<int32_t>(std::lround(mm * sheet.mm));
}

SurfaceFont TextFont(const ReportSheet& sheet, double heightMm, bool bold) {
    return {std::max<int32_t>(1, Units(sheet, heightMm)), bold ? 700 : 400, false, false};
}

// The byte offsets where the code points of UTF-8 text begin, then its size.
std::vector<std::size_t> CodePointStarts(std::string_view text) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 1; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
    if (!text.empty()) starts.push_back(text.size());
    return starts;
}

// The longest start of text (at least one code point) no wider than width in the current font.
std::size_t FittingBytes(Surface& s, std::string_view text, int32_t width) {
    const std::vector<std::size_t> at = CodePointStarts(text);
    std::size_t lo = 1, hi = at.size() - 1;
    if (hi == 0) return 0;
    while (lo < hi) {
        const std::size_t mid = (lo + hi + 1) / 2;
        if (s.TextExtent(text.substr(0, at[mid])).cx <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return at[lo];
}

bool BreaksAfter(char c) { return c == ' ' || c == '_' || c == '-'; }

// text in lines no wider than width in the current font, each as long as it can be; atBreaks:
// a line that does not end the text ends after its last space, '_' or '-' where it has one.
std::vector<std::string> WrapText(Surface& s, const std::string& text, int32_t width,
                                  bool atBreaks) {
    std::vector<std::string> lines;
    std::string_view rest(text);
    while (!rest.empty()) {
        std::size_t end = FittingBytes(s, rest, width);
        if (atBreaks && end < rest.size()) {
            std::size_t k = end;
            while (k > 1 && !BreaksAfter(rest[k - 1])) --k;
            if (k > 1) end = k;
        }
        lines.emplace_back(rest.substr(0, end));
        rest.remove_prefix(end);
    }
    if (lines.empty()) lines.emplace_back();
    return lines;
}

// text on at most maxLines lines of width, broken at its breaks where that is enough; empty when
// it takes more.
std::vector<std::string> InLines(Surface& s, const std::string& text, int32_t width,
                                 std::size_t maxLines) {
    for (bool atBreaks : {true, false}) {
        std::vector<std::string> lines = WrapText(s, text, width, atBreaks);
        if (lines.size() <= maxLines) return lines;
    }
    return {};
}

// text with its middle replaced by "…": keep code points kept, the beginning's share of them
// moved to the end by shift.
std::string CutInMiddle(const std::string& text, const std::vector<std::size_t>& at,
                        std::size_t keep, int shift) {
    const std::size_t count = at.size() - 1;
    const auto head = static_cast<std::size_t>(
        std::clamp<long>(static_cast<long>(keep / 2) - shift, 0, static_cast<long>(keep)));
    return text.substr(0, at[head]) + kEllipsis + text.substr(at[count - (keep - head)]);
}

// text cut in the middle to the most of it that maxLines lines of width hold.
std::vector<std::string> CutToLines(Surface& s, const std::string& text, int32_t width,
                                    std::size_t maxLines, int shift) {
    const std::vector<std::size_t> at = CodePointStarts(text);
    std::size_t lo = 0, hi = at.size() > 1 ? at.size() - 2 : 0;
    while (lo < hi) {
        const std::size_t mid = (lo + hi + 1) / 2;
        if (!InLines(s, CutInMiddle(text, at, mid, shift), width, maxLines).empty())
            lo = mid;
        else
            hi = mid - 1;
    }
    std::vector<std::string> lines = InLines(s, CutInMiddle(text, at, lo, shift), width, maxLines);
    if (lines.empty()) lines.emplace_back(kEllipsis);
    return lines;
}

// Writes a page from the top down: lines of text, charts and tables below each other. A writer
// that does not draw only moves down as one that draws would, for the layout.
class PageWriter {
  public:
    PageWriter(Surface& surface, const ReportSheet& sheet, bool drawing = true)
        : s_(surface), sheet_(sheet), drawing_(drawing) {
        const int32_t m = Units(sheet, kMargin);
        area_ = {sheet.page.left + m, sheet.page.top + m, sheet.page.right - m,
                 sheet.page.bottom - m - Units(sheet, kSmallHeight + 3)};
        y_ = area_.top;
        if (drawing_) s_.SetTextColor(kBlack);
    }

    Surface& surface() { return s_; }
    const ReportSheet& sheet() const { return sheet_; }
    int32_t Y() const { return y_; }
    void Skip(double mm) { y_ += Units(sheet_, mm); }
    const SurfaceRect& Area() const { return area_; }
    int32_t Remaining() const { return area_.bottom - y_; }

    SurfaceFont Font(double heightMm, bool bold = false) const {
        return TextFont(sheet_, heightMm, bold);
    }

    // One line of text; a line wider than the page is cut with "...".
    void Line(const std::string& text, double heightMm, bool bold = false, Color color = kBlack) {
        const SurfaceFont old = s_.SelectFont(Font(heightMm, bold));
        const int32_t h = s_.TextExtent("Ay").cy;
        if (drawing_) {
            const Color oldColor = s_.SetTextColor(color);
            s_.DrawTextInBox({area_.left, y_, area_.right, y_ + h}, Fit(text, area_.Width()),
                             TextAlign::Left, false);
            s_.SetTextColor(oldColor);
        }
        s_.SelectFont(old);
        y_ += h;
    }

    // "Name: value" with the value wrapped at commas onto as many lines as it needs.
    void Field(const std::string& name, const std::string& value) {
        const SurfaceFont old = s_.SelectFont(Font(kBodyHeight));
        const int32_t h = s_.TextExtent("Ay").cy;
        const std::string lead = name + ": ";
        const int32_t indent = s_.TextExtent(lead).cx;
        if (drawing_)
            s_.DrawTextInBox({area_.left, y_, area_.left + indent + 1, y_ + h}, lead,
                             TextAlign::Left, false);
        const int32_t width = area_.Width() - indent;
        std::string line;
        std::size_t start = 0;
        auto flush = [&] {
            if (drawing_)
                s_.DrawTextInBox({area_.left + indent, y_, area_.right, y_ + h}, Fit(line, width),
                                 TextAlign::Left, false);
            y_ += h;
            line.clear();
        };
        while (start <= value.size()) {
            std::size_t end = value.find(", ", start);
            const std::string piece =
                value.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
            if (!line.empty() && s_.TextExtent(line + piece).cx > width) {
                while (!line.empty() && line.back() == ' ') line.pop_back();
                flush();
            }
            line += piece;
            if (end == std::string::npos) break;
            line += ' ';
            start = end + 2;
        }
        flush();
        s_.SelectFont(old);
    }

    // A thin rule across the page.
    void Rule() {
        if (!drawing_) return;
        const SurfacePen old = s_.SelectPen({PenSolid, 1, kRuleGrey});
        s_.MoveTo(area_.left, y_);
        s_.LineTo(area_.right, y_);
        s_.SelectPen(old);
    }

    // The rectangle of the next height units across the page, and moves below it.
    SurfaceRect Take(int32_t height) {
        const SurfaceRect r{area_.left, y_, area_.right, y_ + height};
        y_ += height;
        return r;
    }

    // text, cut with "..." to fit width in the current font.
    std::string Fit(const std::string& text, int32_t width) {
        if (s_.TextExtent(text).cx <= width) return text;
        std::string cut = text;
        while (!cut.empty() && s_.TextExtent(cut + "...").cx > width) cut.pop_back();
        return cut + "...";
    }

  private:
    Surface& s_;
    ReportSheet sheet_;
    bool drawing_;
    SurfaceRect area_{};
    int32_t y_ = 0;
};

constexpr double kTableRowHeight = 3.8;
constexpr double kMinTableRowHeight = 2.2;
// The smallest rows a long label shrinks its table to before it takes a second line.
constexpr double kMinLabelRowHeight = 3.0;
constexpr std::size_t kLabelLines = 2;

// The height a table takes with rows of rowMm millimetres.
double TableHeightMm(const ReportTable& t, double rowMm) {
    return (t.title.empty() ? 0 : kBodyHeight + 0.5) + t.rows.size() * rowMm + 2;
}

std::string CellText(const TableCell& c) { return c.flagged ? c.text + " !" : c.text; }

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l;
    return text;
}

// The rows whose first cell is printed as that of a row with another label is.
std::vector<bool> PrintedAlike(const ReportTable& t, const ReportTableLayout& l) {
    std::map<std::string, std::set<std::string>> labelsOf;
    for (std::size_t r = 0; r < t.rows.size(); ++r)
        if (!t.rows[r].empty()) labelsOf[Joined(l.labels[r])].insert(t.rows[r][0].text);
    std::vector<bool> alike(t.rows.size(), false);
    for (std::size_t r = 0; r < t.rows.size(); ++r)
        alike[r] = !t.rows[r].empty() && labelsOf[Joined(l.labels[r])].size() > 1;
    return alike;
}

// A table across the page: the first column left-aligned, the others right-aligned and as wide
// as their widest cell; the first column as wide as its longest label where the page allows. A
// table wider than the page takes smaller type; labels that still do not fit take smaller type
// again (down to kMinLabelRowHeight), then a second line, and are cut in the middle (keeping
// their ends, so that labels that differ stay different) only when even that is not enough.
ReportTableLayout LayOutTable(Surface& s, const ReportSheet& sheet, const ReportTable& t,
                              double rowMm, int32_t areaWidth) {
    ReportTableLayout l;
    l.rowMm = rowMm;
    std::size_t columns = 0;
    for (const TableRow& r : t.rows) columns = std::max(columns, r.size());
    if (columns == 0) return l;
    const int32_t pad = Units(sheet, 2);
    int32_t others = 0;
    // The widths at rows of height (measured in its bold type), the first column no wider than
    // the others leave.
    auto measure = [&](double height) {
        l.rowMm = height;
        l.widths.assign(columns, 0);
        const SurfaceFont old = s.SelectFont(TextFont(sheet, height, true));
        for (const TableRow& r : t.rows)
            for (std::size_t c = 0; c < r.size(); ++c)
                l.widths[c] = std::max(l.widths[c], s.TextExtent(CellText(r[c])).cx + pad);
        s.SelectFont(old);
        others = 0;
        for (std::size_t c = 1; c < columns; ++c) others += l.widths[c];
        l.widths[0] = std::min(l.widths[0], std::max(areaWidth - others, 1));
    };
    // The widest first cell in the type the rows are drawn in.
    auto widestLabel = [&] {
        int32_t widest = 0;
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            if (t.rows[r].empty()) continue;
            const SurfaceFont old =
                s.SelectFont(TextFont(sheet, l.rowMm * 0.9, t.header && r == 0));
            widest = std::max(widest, s.TextExtent(CellText(t.rows[r][0])).cx);
            s.SelectFont(old);
        }
        return widest;
    };
    measure(rowMm);
    const int32_t minFirst = Units(sheet, 25);
    if (others + minFirst > areaWidth)
        measure(rowMm * static_cast<double>(areaWidth - minFirst) / others);

    int32_t widest = widestLabel();
    const double smallest = std::min(l.rowMm, kMinLabelRowHeight);
    for (int attempt = 0; attempt < 8 && widest > l.widths[0] - pad && l.rowMm > smallest;
         ++attempt) {
        // The text grows with the type, the pads do not: the rows at which the widest label
        // and the other columns share the width.
        const double fixed = static_cast<double>(columns) * pad;
        const double text = widest + others - static_cast<double>(columns - 1) * pad;
        const double fitting = text > 0 ? l.rowMm * (areaWidth - fixed) / text : smallest;
        measure(std::max(smallest, std::min(fitting, l.rowMm * 0.98)));
        widest = widestLabel();
    }

    l.labels.assign(t.rows.size(), {});
    const int32_t width = std::max(l.widths[0] - pad, 1);
    std::vector<std::size_t> cut;
    for (std::size_t r = 0; r < t.rows.size(); ++r) {
        if (t.rows[r].empty()) continue;
        const SurfaceFont old = s.SelectFont(TextFont(sheet, l.rowMm * 0.9, t.header && r == 0));
        const std::string text = CellText(t.rows[r][0]);
        if (s.TextExtent(text).cx <= width)
            l.labels[r] = {text};
        else if (std::vector<std::string> lines = InLines(s, text, width, kLabelLines);
                 !lines.empty())
            l.labels[r] = std::move(lines);
        else
            cut.push_back(r);
        s.SelectFont(old);
    }
    if (cut.empty()) return l;
    // Cut in the middle. Labels that differ but would print alike keep more of their beginning
    // or of their end instead, and those no cut tells apart take every line they need.
    constexpr int kWholeShift = 1 << 20;
    std::vector<int> shifts{0};
    for (int d = 1; d <= 8; ++d) shifts.insert(shifts.end(), {d, -d});
    shifts.insert(shifts.end(), {kWholeShift, -kWholeShift});
    std::vector<std::size_t> tried(t.rows.size(), 0);
    auto cutRow = [&](std::size_t r) {
        const SurfaceFont old = s.SelectFont(TextFont(sheet, l.rowMm * 0.9, t.header && r == 0));
        const std::string text = CellText(t.rows[r][0]);
        l.labels[r] = tried[r] < shifts.size()
                          ? CutToLines(s, text, width, kLabelLines, shifts[tried[r]])
                          : WrapText(s, text, width, true);
        s.SelectFont(old);
    };
    for (std::size_t r : cut) cutRow(r);
    for (bool changed = true; changed;) {
        changed = false;
        const std::vector<bool> alike = PrintedAlike(t, l);
        for (std::size_t r : cut) {
            if (!alike[r] || tried[r] >= shifts.size()) continue;
            ++tried[r];
            cutRow(r);
            changed = true;
        }
    }
    return l;
}

std::size_t LabelLines(const ReportTableLayout& l, std::size_t row) {
    return std::max<std::size_t>(1, row < l.labels.size() ? l.labels[row].size() : 1);
}

void DrawTableRow(PageWriter& w, const ReportTable& t, const ReportTableLayout& l,
                  std::size_t row) {
    Surface& s = w.surface();
    const bool header = t.header && row == 0;
    const SurfaceFont old = s.SelectFont(w.Font(l.rowMm * 0.9, header));
    const int32_t pad = Units(w.sheet(), 2);
    const int32_t rowHeight = Units(w.sheet(), l.rowMm);
    int32_t x = w.Area().left;
    const int32_t y = w.Y();
    for (std::size_t c = 0; c < t.rows[row].size(); ++c) {
        const TableCell& cell = t.rows[row][c];
        const Color oldColor = s.SetTextColor(cell.flagged ? kFlagged : kBlack);
        const SurfaceRect box{x, y, x + l.widths[c] - (c == 0 ? pad : 0), y + rowHeight};
        if (c == 0) {
            int32_t top = y;
            for (const std::string& line : l.labels[row]) {
                s.DrawTextInBox({box.left, top, box.right, top + rowHeight}, line, TextAlign::Left,
                                false);
                top += rowHeight;
            }
        } else {
            s.DrawTextInBox(box, w.Fit(CellText(cell), box.Width()), TextAlign::Right, false);
        }
        s.SetTextColor(oldColor);
        x += l.widths[c];
    }
    s.SelectFont(old);
    for (std::size_t k = 0; k < LabelLines(l, row); ++k) w.Skip(l.rowMm);
    if (header) w.Rule();
}

// Rows [first, end) of a table; a part after the first repeats the title and the header row.
// A flagged cell is drawn in colour with a "!".
void DrawTablePart(PageWriter& w, const ReportTable& t, const ReportTableLayout& l,
                   std::size_t first, std::size_t end) {
    if (!t.title.empty()) {
        w.Line(first > 0 ? t.title + " (continued)" : t.title, kBodyHeight, true);
        w.Skip(0.5);
    }
    if (l.widths.empty()) return;
    if (first > 0 && t.header) DrawTableRow(w, t, l, 0);
    for (std::size_t r = first; r < end; ++r) DrawTableRow(w, t, l, r);
    if (end == t.rows.size()) w.Skip(2);
}

// A chart of the report: the axis labels about kAxisLabelHeight mm high whatever its width.
// A framed box with a note where a chart has nothing to draw.
void DrawEmptyChart(Surface& s, const SurfaceRect& rect, const char* note) {
    const SurfacePen old = s.SelectPen({PenSolid, 1, kBlack});
    const SurfaceBrush oldBrush = s.SelectBrush({0xFFFFFF, true});
    s.Rectangle(rect);
    s.SelectBrush(oldBrush);
    s.SelectPen(old);
    s.DrawTextInBox(rect, note, TextAlign::Center, false);
}

void PrepareGraph(CPlotGraph& graph, const SurfaceRect& rect, const ReportSheet& sheet) {
    const double wanted = kAxisLabelHeight * sheet.mm / 12.0;  // the labels are 12 × scale
    graph.SetScale(wanted / (rect.Width() * 0.2 / 1000 + 1));
    graph.gridOn = 1;
    graph.gridStyle = PenDot;
    graph.gridColor = 0xC0C0C0;
    graph.extendToTicks = 0;
    graph.SetColors(kBlack, 0xFFFFFF);
}

void DrawFooter(Surface& s, const ReportSheet& sheet, int index, int count) {
    const int32_t m = Units(sheet, kMargin);
    const SurfaceFont old =
        s.SelectFont({std::max<int32_t>(1, Units(sheet, kSmallHeight)), 400, false, false});
    const int32_t h = s.TextExtent("Ay").cy;
    const SurfaceRect line{sheet.page.left + m, sheet.page.bottom - m - h, sheet.page.right - m,
                           sheet.page.bottom - m};
    const SurfacePen oldPen = s.SelectPen({PenSolid, 1, kRuleGrey});
    s.MoveTo(line.left, line.top - Units(sheet, 1));
    s.LineTo(line.right, line.top - Units(sheet, 1));
    s.SelectPen(oldPen);
    const Color oldColor = s.SetTextColor(kBlack);
    s.DrawTextInBox(line, ReportProgramName(), TextAlign::Left, false);
    s.DrawTextInBox(line, Format("page %d of %d", index + 1, count), TextAlign::Right, false);
    s.SetTextColor(oldColor);
    s.SelectFont(old);
}

// The R-L-C model's R and X over the frequency range of the set.
struct ModelCurve {
    std::vector<double> f, re, im;
};

ModelCurve MakeModelCurve(const ReportModel& m, double fmin, double fmax) {
    ModelCurve c;
    constexpr int kPoints = 200;
    for (int i = 0; i < kPoints; ++i) {
        const double f = fmin + (fmax - fmin) * i / (kPoints - 1);
        const double w = 2 * std::numbers::pi * f;
        if (!(w > 0)) continue;
        c.f.push_back(f);
        c.re.push_back(m.R);
        c.im.push_back(w * m.L - 1 / (w * m.C));
    }
    return c;
}

void DrawSpectra(PageWriter& w, const SessionReport& report, int32_t height) {
    const SurfaceRect rect = w.Take(height);
    CPlotGraph graph(w.surface(), rect);
    PrepareGraph(graph, rect, w.sheet());
    graph.SetTitles("Frequency [Hz]", "R (red), X (blue)");
    double fmin = 0, fmax = 0;
    bool any = false;
    for (const ImpedanceSpectrum& s : report.results) {
        const auto n = static_cast<int32_t>(s.Points());
        if (n < 1) continue;
        graph.AddCurve(n, s.frequencies.data(), s.R.data(), PlotConnect, kLightRed);
        graph.AddCurve(n, s.frequencies.data(), s.X.data(), PlotConnect, kLightBlue);
        for (int32_t i = 0; i < n; ++i) {
            const double f = s.frequencies[i];
            if (!std::isfinite(f)) continue;
            fmin = any ? std::min(fmin, f) : f;
            fmax = any ? std::max(fmax, f) : f;
            any = true;
        }
    }
    const ImpedanceSpectrum mean = MeanSpectrum(report.results);
    const auto meanCount = static_cast<int32_t>(mean.frequencies.size());
    if (meanCount > 0) {
        graph.AddCurve(meanCount, mean.frequencies.data(), mean.R.data(),
                       PlotConnect | PlotThick | PlotCircle, kRed);
        graph.AddCurve(meanCount, mean.frequencies.data(), mean.X.data(),
                       PlotConnect | PlotThick | PlotCircle, kBlue);
    }
    ModelCurve model;
    if (report.model && any && fmax > fmin) {
        model = MakeModelCurve(*report.model, fmin, fmax);
        const auto n = static_cast<int32_t>(model.f.size());
        graph.AddCurve(n, model.f.data(), model.re.data(), PlotConnect | PlotDashed, kModelRed);
        graph.AddCurve(n, model.f.data(), model.im.data(), PlotConnect | PlotDashed, kModelBlue);
    }
    if (!graph.Draw()) {
        DrawEmptyChart(w.surface(), rect, "No impedance results");
    }
}

// Page 1 down to its spectra chart.
void WriteSessionHeader(PageWriter& w, const SessionReport& report) {
    w.Line("Impedance report", kTitleHeight, true);
    w.Skip(2);
    w.Field("Written", report.written);
    w.Field("Setup", report.setupName);
    w.Field("Calibration", CalibrationText(report.calibrationPoints));
    w.Field("Excitation frequencies", ExcitationText(report.excitationFrequencies));
    w.Field("Results",
            Format("%d", static_cast<int>(report.results.size())) +
                (report.baseline.empty()
                     ? std::string()
                     : Format(", baseline: %d", static_cast<int>(report.baseline.size()))));
    w.Skip(3);
    w.Line("Impedance spectra", kSubtitleHeight, true);
    w.Skip(1);
}

// What the chart's curves are, below it.
void WriteLegend(PageWriter& w, const SessionReport& report) {
    w.Skip(1);
    std::string legend = "thin: each result; bold: the mean";
    if (report.model)
        legend += Format("; dashed: R-L-C model, mean of %d fits: R=%lg, L=%lg, C=%lg, fRes=%lg Hz",
                         report.model->fits, report.model->R, report.model->L, report.model->C,
                         report.model->fRes);
    w.Field("Curves", legend);
    w.Skip(2);
}

void DrawSessionTables(PageWriter& w, const SessionReport& report, const ReportLayout& layout,
                       const ReportPageLayout& page) {
    for (const ReportTablePart& p : page.parts)
        DrawTablePart(w, report.tables[p.table], layout.tables[p.table], p.first, p.end);
}

void DrawTrend(PageWriter& w, const ReportRecording& r, int32_t height) {
    const SurfaceRect rect = w.Take(height);
    CPlotGraph graph(w.surface(), rect);
    PrepareGraph(graph, rect, w.sheet());
    // A flat trend lies on its range's edge; the axes run on to their next ticks to show it.
    graph.extendToTicks = 1;
    graph.SetTitles("Time [s]", Format("R (red), X (blue) at %lg Hz", r.trendFrequency));
    const auto n = static_cast<int32_t>(std::min({r.time.size(), r.re.size(), r.im.size()}));
    AddBreathBands(graph, r.bands);
    if (n > 0) {
        graph.AddCurve(n, r.time.data(), r.re.data(), PlotConnect, kRed);
        graph.AddCurve(n, r.time.data(), r.im.data(), PlotConnect, kBlue);
    }
    if (!graph.Draw()) {
        DrawEmptyChart(w.surface(), rect, "No impedance trend");
        return;
    }
    if (!r.trendNote.empty()) {
        Surface& s = w.surface();
        const SurfaceFont old = s.SelectFont(w.Font(kBodyHeight));
        const SurfaceRect data = graph.DataRect();
        const int32_t h = s.TextExtent("Ay").cy;
        const int32_t inset = Units(w.sheet(), 1.5);
        s.DrawTextInBox(
            {data.left + inset, data.top + inset, data.right - inset, data.top + inset + h},
            r.trendNote, TextAlign::Right, false);
        s.SelectFont(old);
    }
}

// The recording's title: the file name, marked when the file was recorded in simulation; a
// name too long for the line goes on over more lines, so that every page tells its file.
void RecordingTitle(PageWriter& w, const ReportRecording& r) {
    const std::string title = r.simulated ? r.fileName + kSimulatedLabelMark : r.fileName;
    Surface& s = w.surface();
    const SurfaceFont old = s.SelectFont(w.Font(kSubtitleHeight + 1, true));
    const std::vector<std::string> lines = WrapText(s, title, w.Area().Width(), true);
    s.SelectFont(old);
    for (const std::string& line : lines) w.Line(line, kSubtitleHeight + 1, true);
}

void DrawRecordingPage(PageWriter& w, const ReportRecording& r) {
    RecordingTitle(w, r);
    w.Skip(2);
    w.Field("Date", r.timeStamp.empty() ? std::string("not recorded in the file") : r.timeStamp);
    w.Field("Duration", Format("%lg s", r.duration));
    w.Field("Sample rate", Format("%lg Hz", r.sampleRate));
    w.Skip(3);
    w.Line(Format("Impedance trend at %lg Hz", r.trendFrequency), kSubtitleHeight, true);
    w.Skip(1);
    DrawTrend(w, r, Units(w.sheet(), 100));
    w.Skip(1);
    if (!r.bands.empty())
        w.Field("Bands", "green: the inspiration of an accepted breath; grey: a refused breath");
    w.Skip(3);
    for (const ReportTable& t : r.breathTables)
        DrawTablePart(w, t,
                      LayOutTable(w.surface(), w.sheet(), t, kTableRowHeight, w.Area().Width()), 0,
                      t.rows.size());
    for (const std::string& line : r.breathLines) w.Line(line, kBodyHeight);
}

}  // namespace

ReportLayout LayOutReport(Surface& surface, const SessionReport& report, const ReportSheet& sheet) {
    ReportLayout layout;
    layout.sheet = sheet;
    PageWriter w(surface, sheet, false);
    WriteSessionHeader(w, report);
    // The chart takes what the tables leave (70 to 110 mm); the tables' rows shrink when even
    // the smallest chart leaves them too little, down to kMinTableRowHeight. Tables that would
    // need smaller rows keep their rows and run on over further pages.
    const double legendMm = 3 * kBodyHeight + 2;
    double tablesMm = 0;
    std::size_t rows = 0;
    for (const ReportTable& t : report.tables) {
        tablesMm += TableHeightMm(t, kTableRowHeight);
        rows += t.rows.size();
    }
    const double remainingMm = w.Remaining() / sheet.mm;
    layout.plotMm = std::clamp(remainingMm - legendMm - tablesMm, 70.0, 110.0);
    double rowMm = kTableRowHeight;
    if (rows > 0 && remainingMm - legendMm - layout.plotMm < tablesMm) {
        const double shrunk =
            kTableRowHeight - (tablesMm - (remainingMm - legendMm - layout.plotMm)) / rows;
        if (shrunk >= kMinTableRowHeight) rowMm = shrunk;
    }
    w.Take(Units(sheet, layout.plotMm));
    WriteLegend(w, report);

    const SurfaceRect area = w.Area();
    int32_t titleHeight = 0;
    {
        const SurfaceFont old = surface.SelectFont(TextFont(sheet, kBodyHeight, true));
        titleHeight = surface.TextExtent("Ay").cy + Units(sheet, 0.5);
        surface.SelectFont(old);
    }
    for (const ReportTable& t : report.tables)
        layout.tables.push_back(LayOutTable(surface, sheet, t, rowMm, area.Width()));

    // The tables from below the chart down, row by row, onto as many pages as they need.
    ReportPageLayout page;
    int32_t y = w.Y();
    auto nextPage = [&] {
        layout.pages.push_back(std::move(page));
        page = {};
        y = area.top;
    };
    for (std::size_t k = 0; k < report.tables.size(); ++k) {
        const ReportTable& t = report.tables[k];
        const ReportTableLayout& l = layout.tables[k];
        const std::size_t n = t.rows.size();
        const int32_t title = t.title.empty() ? 0 : titleHeight;
        if (l.widths.empty()) {
            if (y + title > area.bottom && y > area.top) nextPage();
            page.parts.push_back({k, 0, 0});
            y += title;
            continue;
        }
        const int32_t rowHeight = Units(sheet, l.rowMm);
        auto heightOf = [&](std::size_t from, std::size_t to) {
            int32_t h = 0;
            for (std::size_t r = from; r < to; ++r)
                h += rowHeight * static_cast<int32_t>(LabelLines(l, r));
            return h;
        };
        const std::size_t head = t.header ? 1 : 0;
        // Each part begins with the title and the header row.
        const int32_t lead = title + heightOf(0, head);
        // What goes onto a page whole: each row, and the last rows kept together (unless even
        // a page of their own could not hold them).
        std::vector<std::pair<std::size_t, std::size_t>> blocks;
        const std::size_t keepFrom = n - std::min(t.keepTogether, n - head);
        const bool keep = keepFrom < n && lead + heightOf(keepFrom, n) <= area.bottom - area.top;
        for (std::size_t r = head; r < (keep ? keepFrom : n); ++r) blocks.push_back({r, r + 1});
        if (keep) blocks.push_back({keepFrom, n});
        if (blocks.empty()) blocks.push_back({head, n});  // the header row alone
        std::size_t first = 0;
        bool started = false;  // rows of this table are on the current page
        for (const auto& [from, to] : blocks) {
            const int32_t needed = (started ? 0 : lead) + heightOf(from, to);
            if (y + needed > area.bottom && (started || y > area.top)) {
                if (started) {
                    page.parts.push_back({k, first, from});
                    first = from;
                }
                nextPage();
                started = false;
            }
            if (!started) y += lead;
            y += heightOf(from, to);
            started = true;
        }
        page.parts.push_back({k, first, n});
        y += Units(sheet, 2);
    }
    layout.pages.push_back(std::move(page));
    for (std::size_t i = 0; i < report.recordings.size(); ++i)
        layout.pages.push_back({static_cast<int>(i), {}});
    return layout;
}

int ReportPageCount(const ReportLayout& layout) { return static_cast<int>(layout.pages.size()); }

std::string ReportProgramName() { return std::string("Pelmor ") + ProgramVersion(); }

void DrawReportPage(Surface& surface, const SessionReport& report, const ReportLayout& layout,
                    int index) {
    const int count = ReportPageCount(layout);
    if (index < 0 || index >= count) return;
    const ReportSheet& sheet = layout.sheet;
    const ReportPageLayout& page = layout.pages[static_cast<std::size_t>(index)];
    surface.FillSolid(sheet.page, 0xFFFFFF);
    PageWriter w(surface, sheet);
    if (page.recording >= 0) {
        const auto r = static_cast<std::size_t>(page.recording);
        if (r < report.recordings.size()) DrawRecordingPage(w, report.recordings[r]);
    } else {
        if (index == 0) {
            WriteSessionHeader(w, report);
            DrawSpectra(w, report, Units(sheet, layout.plotMm));
            WriteLegend(w, report);
        }
        DrawSessionTables(w, report, layout, page);
    }
    DrawFooter(surface, sheet, index, count);
}

}  // namespace pelmor
