#pragma once

// The session report written as a PDF file of A4 pages, drawn with the program's own charts on
// a PDF surface; the text stays text, so it can be searched and copied.

#include <functional>
#include <string>

#include "display/SessionReport.h"

namespace pelmor {

// Called after each page with the pages done and the page count; false stops the writing.
using ReportProgress = std::function<bool(int done, int total)>;

// Writes the report to path. The file appears only when it is complete: when it cannot be
// written (or progress stops it) nothing is left behind and a file already there stays as it
// was. False with the reason in error ("Can't write PATH: why"). Makes a headless application
// object first when the process has none.
bool WriteReportPdf(const SessionReport& report, const std::string& path, std::string& error,
                    const ReportProgress& progress = {});

}  // namespace pelmor
