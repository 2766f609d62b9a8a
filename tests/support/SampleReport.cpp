#include "support/SampleReport.h"

#include <cmath>
#include <numbers>
#include <string>

namespace pelmor::test {

SessionReport TwoResultsTwoRecordings() {
    SessionReport r;
    r.written = "2026/12/10 05:00:00";
    r.excitationFrequencies = {2, 4, 6, 8};
    for (int k = 0; k < 2; ++k) {
        ImpedanceSpectrum s;
        s.label = "visit 00" + std::to_string(k + 1) + ".inpx";
        for (double f : r.excitationFrequencies) {
            const double w = 2 * std::numbers::pi * f;
            s.frequencies.push_back(f);
            s.R.push_back(0.25 + 0.01 * k);
            s.X.push_back(w * 0.01 - 1 / (w * 0.5));
            s.coherence.push_back(0.99);
        }
        r.results.push_back(s);
    }
    r.model = ReportModel{0.255, 0.01, 0.5, 2.25, 2};
    for (const char* name : {"visit 001.inpx", "visit 002.inpx"}) {
        ReportRecording rec;
        rec.fileName = name;
        rec.timeStamp = "2026/12/10 04:00:00";
        rec.duration = 16;
        rec.sampleRate = 256;
        rec.trendFrequency = 4;
        for (int i = 0; i < 160; ++i) {
            rec.time.push_back(i * 0.1);
            rec.re.push_back(0.25 + 0.01 * std::sin(i * 0.2));
            rec.im.push_back(-0.1 + 0.02 * std::sin(i * 0.2));
            rec.flow.push_back(std::sin(i * 0.2));
        }
        r.recordings.push_back(rec);
    }
    return r;
}

}  // namespace pelmor::test
