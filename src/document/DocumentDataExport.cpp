// "Export data": the samples of the displayed time range of every slot, read back from the trace
// buffers, written to a new data file. The document itself does not change.
#include <algorithm>
#include <cctype>
#include <vector>

#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "document/CPelmorDoc.h"
#include "files/DataFile.h"
#include "platform/Clock.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

// ".inp" in any case chooses the 12-bit format; every other extension full precision.
DataFormat ExportFormatOf(const std::string& path) {
    const std::string name = FileNameOf(path);
    const std::size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == "INP" ? DataFormat::TwelveBit : DataFormat::FullPrecision;
}

// frames samples of every slot from t0, frame by frame. A sample the buffer cannot deliver
// keeps the previous frame's value (0 in the first frame).
std::vector<double> ReadFrames(const MeasurementState& state, int channels, double t0, int frames) {
    std::vector<double> samples(static_cast<std::size_t>(frames) * channels, 0.0);
    std::vector<double> column(static_cast<std::size_t>(frames));
    for (int c = 0; c < channels; ++c) {
        const TraceBuffer& b = state.buffers[c];
        const bool whole = b.Window(t0, frames, 0, column.data()) >= 0;
        double value = 0.0;
        for (int k = 0; k < frames; ++k) {
            if (whole || b.Window(t0, 1, k, &column[k]) >= 0) value = column[k];
            samples[static_cast<std::size_t>(k) * channels + c] = value;
        }
    }
    return samples;
}

}  // namespace

// The buffered part t0…t1 of a requested range; false unless it holds a whole period.
bool CPelmorDoc::ExportSpan(double fromSeconds, double toSeconds, double& t0, double& t1) {
    const TraceBuffer& first = state.buffers[0];
    const double oldest = first.EndTime() - first.Count() * first.SampleInterval();
    t0 = std::max({fromSeconds, 0.0, oldest});
    t1 = std::min(toSeconds, first.EndTime());
    if (setup.signalPeriod > 0 && (t1 - t0) / setup.signalPeriod >= 1.0) return true;
    services.ui.ShowMessage("At least one period must be selected.");
    return false;
}

bool CPelmorDoc::CheckExportRange() {
    if (!CanExportData()) return false;
    const PlotWindow& shown = plotSetup.windows[kSignalWindow0];
    double t0 = 0, t1 = 0;
    return ExportSpan(shown.xmin, shown.xmax, t0, t1);
}

bool CPelmorDoc::ExportData(const std::string& path, double fromSeconds, double toSeconds) {
    if (!CanExportData()) return false;
    double t0 = 0, t1 = 0;
    if (!ExportSpan(fromSeconds, toSeconds, t0, t1)) return false;
    const double d = t1 - t0;
    const int frames = static_cast<int>(std::min(d * setup.sampleRate, 65536.0));
    const DataFormat format = ExportFormatOf(path);
    if (format == DataFormat::TwelveBit && frames > kMaxTwelveBitFrames) {
        services.ui.ShowMessage(Format(
            "The selected range holds %d frames; the 12-bit format can hold at most %d. Export "
            "it as a full-precision data file (.inpx) instead.",
            frames, kMaxTwelveBitFrames));
        return false;
    }
    DataFileInput in;
    in.sampleRate = setup.sampleRate;
    in.signalPeriod = setup.signalPeriod;
    in.samplesPerPeriod = setup.samplesPerPeriod;
    in.channelCount = std::clamp(setup.channelCount, 1, kMaxChannels);
    in.frameCount = frames;
    in.recordingTime = d;
    in.timeStamp = DataFileTimeStamp(services.clock, services.clock.CalendarSeconds());
    in.excitation = &activeExcitation;
    in.calibration = &calculator.workingCalibration;
    in.channelNames = setup.signalNames;
    const std::vector<double> samples = ReadFrames(state, in.channelCount, t0, frames);
    in.voltSamples = samples;
    std::string message;
    if (!WriteDataFile(path, format, in, message)) {
        services.ui.ShowMessage(message);
        return false;
    }
    return true;
}

bool CPelmorDoc::ExportData(const std::string& path) {
    const PlotWindow& shown = plotSetup.windows[kSignalWindow0];
    return ExportData(path, shown.xmin, shown.xmax);
}

}  // namespace pelmor
