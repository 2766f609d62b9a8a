// plot: the whole view after an import, drawn as the screen shows it, into a PNG file.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/CliApp.h"
#include "cli/CliCommands.h"
#include "display/ViewState.h"
#include "document/CPelmorDoc.h"
#include "report/RenderView.h"

namespace pelmor::cli {

namespace {

struct PlotOptions {
    std::string path;
    std::string out;
    int width = 1600;
    int height = 1000;
    std::optional<double> from;
    std::optional<double> to;
    bool trend = false;
};

int RunPlot(CommandContext& ctx, const PlotOptions& o) {
    CPelmorDoc& doc = ctx.doc;
    auto view = std::make_unique<ViewState>();
    doc.SetView(view.get());  // the import sets the view up as it does on screen
    const int imported = ImportForCommand(ctx, o.path);
    doc.SetView(nullptr);
    if (imported != kExitDone) return imported;
    // A chosen range is shown by every loaded signal window, as after a zoom.
    const int n = std::clamp(doc.Setup().channelCount, 0, kMaxChannels);
    for (int c = 0; c < n; ++c) {
        PlotWindow w = doc.Plots().windows[kSignalWindow0 + c];
        if (o.from) w.xmin = *o.from;
        if (o.to) w.xmax = *o.to;
        doc.SetPlotWindow(kSignalWindow0 + c, w);
    }
    if (o.trend) doc.SetTrendDisplay(true);
    std::string error;
    if (!RenderViewToPng(doc, *view, o.width, o.height, o.out, error)) {
        ctx.err << error << "\n";
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace

void RegisterPlotCommand(CLI::App& app, CommandSet& commands) {
    auto o = std::make_shared<PlotOptions>();
    CLI::App* c = app.add_subcommand("plot", "Import a data file and draw the whole view as a PNG");
    c->add_option("FILE", o->path, "Data file")->required();
    c->add_option("OUT", o->out, "PNG file to write")->required();
    c->add_option("--width", o->width, "Width in pixels")->check(CLI::Range(1, 16384));
    c->add_option("--height", o->height, "Height in pixels")->check(CLI::Range(1, 16384));
    c->add_option("--from", o->from, "Start of the shown time range, s");
    c->add_option("--to", o->to, "End of the shown time range, s");
    c->add_flag("--trend", o->trend, "Show the impedance trend instead of the spectrum");
    c->callback([=, &commands] {
        commands.selected = [=](CommandContext& ctx) { return RunPlot(ctx, *o); };
    });
}

}  // namespace pelmor::cli
