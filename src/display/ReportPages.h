#pragma once

// The session report's pages drawn on any Surface: page 1 with the session's header, spectra
// and tables, then one page per recording, each with the footer. The PDF writer and the
// geometry tests call the same code.

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

// Page 1 and one page per recording.
int ReportPageCount(const SessionReport& report);

// "Pelmor 1.1": the program and its version, as the footer names them.
std::string ReportProgramName();

// Draws page index (0-based) of the report on a white sheet.
void DrawReportPage(Surface& surface, const SessionReport& report, int index,
                    const ReportSheet& sheet);

}  // namespace pelmor
