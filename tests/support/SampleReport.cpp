#include "support/SampleReport.h"

#include <cmath>
#include <numbers>
#include <string>

#include "core/NumberFormat.h"

namespace pelmor::test {

namespace {

// An R-L-C object's spectrum (L 0.01, C 0.5) at the given frequencies.
ImpedanceSpectrum RlcSpectrum(const std::string& label, const std::vector<double>& frequencies,
                              double r) {
    ImpedanceSpectrum s;
    s.label = label;
    for (double f : frequencies) {
        const double w = 2 * std::numbers::pi * f;
        s.frequencies.push_back(f);
        s.R.push_back(r);
        s.X.push_back(w * 0.01 - 1 / (w * 0.5));
        s.coherence.push_back(0.99);
    }
    return s;
}

ReportRecording Recording(const std::string& name, int points) {
    ReportRecording rec;
    rec.fileName = name;
    rec.timeStamp = "2026/12/10 04:00:00";
    rec.duration = 16;
    rec.sampleRate = 256;
    rec.trendFrequency = 4;
    for (int i = 0; i < points; ++i) {
        rec.time.push_back(i * 0.1);
        rec.re.push_back(0.25 + 0.01 * std::sin(i * 0.2));
        rec.im.push_back(-0.1 + 0.02 * std::sin(i * 0.2));
        rec.flow.push_back(std::sin(i * 0.2));
    }
    return rec;
}

}  // namespace

SessionReport TwoResultsTwoRecordings() {
    SessionReport r;
    r.written = "2026/12/10 05:00:00";
    r.excitationFrequencies = {2, 4, 6, 8};
    for (int k = 0; k < 2; ++k)
        r.results.push_back(RlcSpectrum("visit 00" + std::to_string(k + 1) + ".inpx",
                                        r.excitationFrequencies, 0.25 + 0.01 * k));
    r.model = ReportModel{0.255, 0.01, 0.5, 2.25, 2};
    for (const char* name : {"visit 001.inpx", "visit 002.inpx"})
        r.recordings.push_back(Recording(name, 160));
    return r;
}

SessionReport SubjectSession(int count, int baselineCount) {
    SessionReport r;
    r.written = "2026/12/10 05:00:00";
    for (int f = 2; f <= 24; f += 2) r.excitationFrequencies.push_back(f);
    for (int k = 1; k <= count; ++k) {
        const std::string name = Format("Subject0001_visit2_pre %03d.inpx", k);
        r.results.push_back(RlcSpectrum(name, r.excitationFrequencies, 0.25 + 0.0012345 * k));
        r.recordings.push_back(Recording(name, 40));
    }
    for (int k = 1; k <= baselineCount; ++k)
        r.baseline.push_back(RlcSpectrum(Format("Subject0001_visit1_pre %03d.inpx", k),
                                         r.excitationFrequencies, 0.5 + 0.0012345 * k));
    r.tables = OutcomeReportTables(r, OutcomeSettings{});
    return r;
}

}  // namespace pelmor::test
