#pragma once

// The session report's pages drawn on any Surface: page 1 with the session's header, spectra
// and tables, the pages its tables continue on, then one page per recording, each with the
// footer. The PDF writer and the geometry tests call the same code.

#include <cstddef>
#include <string>
#include <vector>

#include "display/SessionReport.h"
#include "platform/Surface.h"

namespace pelmor {

// One sheet: its whole rectangle in device units and the device units per millimetre.
struct ReportSheet {
    SurfaceRect page{};
    double mm = 1;
};

// How one table is set: its row height (the type is 0.9 of it), the widths of its columns in
// device units and, per row, the lines of its first cell (a long label takes two lines, and is
// cut in the middle only when even two lines do not hold it).
struct ReportTableLayout {
    double rowMm = 0;
    std::vector<int32_t> widths;
    std::vector<std::vector<std::string>> labels;
};

// Rows [first, end) of one table on one page. A part that does not begin its table repeats
// the table's title (with " (continued)") and its header row.
struct ReportTablePart {
    std::size_t table = 0;
    std::size_t first = 0;
    std::size_t end = 0;
};

struct ReportPageLayout {
    int recording = -1;                  // the recording shown, -1 on the session's pages
    std::vector<ReportTablePart> parts;  // the session's tables on this page
};

// Where everything of a report falls, settled with the surface's text measures before any
// page is drawn, so that every footer can give the page count.
struct ReportLayout {
    ReportSheet sheet;
    double plotMm = 0;                      // the height of page 1's spectra chart
    std::vector<ReportTableLayout> tables;  // one per table of the report
    std::vector<ReportPageLayout> pages;
};

// Lays the report out on sheets of the given size, measuring text on surface (nothing is
// drawn). The tables run on over as many pages as they need after page 1; a table's
// statistics and the change with its verdict are never split across pages.
ReportLayout LayOutReport(Surface& surface, const SessionReport& report, const ReportSheet& sheet);

int ReportPageCount(const ReportLayout& layout);

// "Pelmor 1.1": the program and its version, as the footer names them.
std::string ReportProgramName();

// Draws page index (0-based) of the report, laid out on the same kind of surface, on a white
// sheet.
void DrawReportPage(Surface& surface, const SessionReport& report, const ReportLayout& layout,
                    int index);

}  // namespace pelmor
