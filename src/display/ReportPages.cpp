#include "display/ReportPages.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/NumberFormat.h"
#include "core/Version.h"
#include "display/BreathBands.h"
#include "display/CPlotGraph.h"
#include "display/Palette.h"

namespace pelmor {

namespace {

// Sizes on paper, in millimetres.
constexpr double kMargin = 15;
constexpr double kTitleHeight = 8;
constexpr double kSubtitleHeight = 6;
constexpr double kBodyHeight = 4.4;
constexpr double kSmallHeight = 3.6;
constexpr double kAxisLabelHeight = 3.4;

int32_t Units(const ReportSheet& sheet, double mm) {
    return static_cast<int32_t>(std::lround(mm * sheet.mm));
}

// Writes a page from the top down: lines of text, charts and tables below each other.
class PageWriter {
  public:
    PageWriter(Surface& surface, const ReportSheet& sheet) : s_(surface), sheet_(sheet) {
        const int32_t m = Units(sheet, kMargin);
        area_ = {sheet.page.left + m, sheet.page.top + m, sheet.page.right - m,
                 sheet.page.bottom - m - Units(sheet, kSmallHeight + 3)};
        y_ = area_.top;
        s_.SetTextColor(kBlack);
    }

    Surface& surface() { return s_; }
    const ReportSheet& sheet() const { return sheet_; }
    int32_t Y() const { return y_; }
    void Skip(double mm) { y_ += Units(sheet_, mm); }
    const SurfaceRect& Area() const { return area_; }
    int32_t Remaining() const { return area_.bottom - y_; }

    SurfaceFont Font(double heightMm, bool bold = false) const {
        return {std::max<int32_t>(1, Units(sheet_, heightMm)), bold ? 700 : 400, false, false};
    }

    // One line of text; a line wider than the page is cut with "...".
    void Line(const std::string& text, double heightMm, bool bold = false, Color color = kBlack) {
        const SurfaceFont old = s_.SelectFont(Font(heightMm, bold));
        const Color oldColor = s_.SetTextColor(color);
        const int32_t h = s_.TextExtent("Ay").cy;
        s_.DrawTextInBox({area_.left, y_, area_.right, y_ + h}, Fit(text, area_.Width()),
                         TextAlign::Left, false);
        s_.SetTextColor(oldColor);
        s_.SelectFont(old);
        y_ += h;
    }

    // "Name: value" with the value wrapped at commas onto as many lines as it needs.
    void Field(const std::string& name, const std::string& value) {
        const SurfaceFont old = s_.SelectFont(Font(kBodyHeight));
        const int32_t h = s_.TextExtent("Ay").cy;
        const std::string lead = name + ": ";
        const int32_t indent = s_.TextExtent(lead).cx;
        s_.DrawTextInBox({area_.left, y_, area_.left + indent + 1, y_ + h}, lead, TextAlign::Left,
                         false);
        const int32_t width = area_.Width() - indent;
        std::string line;
        std::size_t start = 0;
        auto flush = [&] {
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
    SurfaceRect area_{};
    int32_t y_ = 0;
};

constexpr double kTableRowHeight = 3.8;
constexpr double kMinTableRowHeight = 2.2;

// The height a table takes with rows of rowMm millimetres.
double TableHeightMm(const ReportTable& t, double rowMm) {
    return (t.title.empty() ? 0 : kBodyHeight + 0.5) + t.rows.size() * rowMm + 2;
}

std::string CellText(const TableCell& c) { return c.flagged ? c.text + " !" : c.text; }

// A table across the page: the first column left-aligned, the others right-aligned and as wide
// as their widest cell; the first column takes what is left (long labels are cut). A flagged
// cell is drawn in colour with a "!".
void DrawTable(PageWriter& w, const ReportTable& t, double rowMm) {
    Surface& s = w.surface();
    if (!t.title.empty()) {
        w.Line(t.title, kBodyHeight, true);
        w.Skip(0.5);
    }
    std::size_t columns = 0;
    for (const TableRow& r : t.rows) columns = std::max(columns, r.size());
    if (columns == 0) return;
    const SurfaceRect area = w.Area();
    const int32_t pad = Units(w.sheet(), 2);
    double height = rowMm;
    std::vector<int32_t> widths(columns, 0);
    // The widths at this font; a table wider than the page takes a smaller font.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const SurfaceFont old = s.SelectFont(w.Font(height, true));
        std::fill(widths.begin(), widths.end(), 0);
        for (const TableRow& r : t.rows)
            for (std::size_t c = 0; c < r.size(); ++c)
                widths[c] = std::max(widths[c], s.TextExtent(CellText(r[c])).cx + pad);
        s.SelectFont(old);
        int32_t others = 0;
        for (std::size_t c = 1; c < columns; ++c) others += widths[c];
        const int32_t minFirst = Units(w.sheet(), 25);
        if (others + minFirst <= area.Width() || attempt == 1) {
            widths[0] = std::clamp(widths[0], std::min(minFirst, widths[0]),
                                   std::max(area.Width() - others, 1));
            break;
        }
        height *= static_cast<double>(area.Width() - minFirst) / others;
    }
    const int32_t rowHeight = Units(w.sheet(), height);
    for (std::size_t r = 0; r < t.rows.size(); ++r) {
        const bool header = t.header && r == 0;
        const SurfaceFont old = s.SelectFont(w.Font(height * 0.9, header));
        int32_t x = area.left;
        const int32_t y = w.Y();
        for (std::size_t c = 0; c < t.rows[r].size(); ++c) {
            const TableCell& cell = t.rows[r][c];
            const Color oldColor = s.SetTextColor(cell.flagged ? kFlagged : kBlack);
            const SurfaceRect box{x, y, x + widths[c] - (c == 0 ? pad : 0), y + rowHeight};
            s.DrawTextInBox(box, w.Fit(CellText(cell), box.Width()),
                            c == 0 ? TextAlign::Left : TextAlign::Right, false);
            s.SetTextColor(oldColor);
            x += widths[c];
        }
        s.SelectFont(old);
        w.Skip(height);
        if (header) w.Rule();
    }
    w.Skip(2);
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

void DrawSessionPage(PageWriter& w, const SessionReport& report) {
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
    // The chart takes what the tables leave (70 to 110 mm); the tables' rows shrink when even
    // the smallest chart leaves them too little.
    const double legendMm = 3 * kBodyHeight + 2;
    double tablesMm = 0;
    std::size_t rows = 0;
    for (const ReportTable& t : report.tables) {
        tablesMm += TableHeightMm(t, kTableRowHeight);
        rows += t.rows.size();
    }
    const double remainingMm = w.Remaining() / w.sheet().mm;
    const double plotMm = std::clamp(remainingMm - legendMm - tablesMm, 70.0, 110.0);
    double rowMm = kTableRowHeight;
    if (rows > 0 && remainingMm - legendMm - plotMm < tablesMm)
        rowMm = std::max(kMinTableRowHeight,
                         kTableRowHeight - (tablesMm - (remainingMm - legendMm - plotMm)) / rows);
    DrawSpectra(w, report, Units(w.sheet(), plotMm));
    w.Skip(1);
    std::string legend = "thin: each result; bold: the mean";
    if (report.model)
        legend += Format("; dashed: R-L-C model, mean of %d fits: R=%lg, L=%lg, C=%lg, fRes=%lg Hz",
                         report.model->fits, report.model->R, report.model->L, report.model->C,
                         report.model->fRes);
    w.Field("Curves", legend);
    w.Skip(2);
    for (const ReportTable& t : report.tables) DrawTable(w, t, rowMm);
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

void DrawRecordingPage(PageWriter& w, const ReportRecording& r) {
    w.Line(r.fileName, kSubtitleHeight + 1, true);
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
    for (const ReportTable& t : r.breathTables) DrawTable(w, t, kTableRowHeight);
    for (const std::string& line : r.breathLines) w.Line(line, kBodyHeight);
}

}  // namespace

int ReportPageCount(const SessionReport& report) {
    return 1 + static_cast<int>(report.recordings.size());
}

std::string ReportProgramName() { return std::string("Pelmor ") + ProgramVersion(); }

void DrawReportPage(Surface& surface, const SessionReport& report, int index,
                    const ReportSheet& sheet) {
    const int count = ReportPageCount(report);
    if (index < 0 || index >= count) return;
    surface.FillSolid(sheet.page, 0xFFFFFF);
    PageWriter w(surface, sheet);
    if (index == 0) {
        DrawSessionPage(w, report);
    } else {
        DrawRecordingPage(w, report.recordings[static_cast<std::size_t>(index - 1)]);
    }
    DrawFooter(surface, sheet, index, count);
}

}  // namespace pelmor
