#include "excitation/ExcitationFile.h"

#include <cmath>
#include <memory>
#include <vector>

#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "excitation/Multisine.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Up to `max` blank-separated tokens of a line.
int Tokens(std::string_view line, std::string_view* out, int max) {
    int n = 0;
    std::size_t i = 0;
    while (n < max) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size()) break;
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        out[n++] = line.substr(start, i - start);
    }
    return n;
}

// A whole token as an integer: optional sign, then digits only. Magnitudes beyond 10^12 are
// held there, which keeps the sign and every comparison the reader makes.
bool IntegerToken(std::string_view token, long long& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
    if (i == token.size()) return false;
    long long v = 0;
    for (; i < token.size(); ++i) {
        if (token[i] < '0' || token[i] > '9') return false;
        if (v < 1000000000000LL) v = v * 10 + (token[i] - '0');
    }
    value = negative ? -v : v;
    return true;
}

// A whole token as a finite number.
bool NumberToken(std::string_view token, double& value) {
    double v = 0;
    if (!ParseDouble(token, v) || !std::isfinite(v)) return false;
    value = v;
    return true;
}

// Splits text into lines at '\n'; a line's '\r' is read as a blank.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        ++number_;
        return true;
    }
    int Number() const { return number_; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
};

// The highest index a component line may give: the crest-factor search samples a period at 512
// points, which resolve indexes up to 256. (Lists need more than the hundred the twelve
// components never passed: a 2 s period up to 64 Hz, or 256 components.)
constexpr long long kMaxFileFrequencyIndex = 256;

const char* PeriodError(double period) {
    if (period > 2.00001) return "Period too long.";
    if (period < 0.05) return "Period too short.";
    const double n = 2.0 / period;
    if (std::fabs(n - std::floor(n + 0.5)) > 0.0001)
        return "The signal period must be 1/n seconds, where n is an integer.";
    return nullptr;
}

}  // namespace

ExcitationTextResult ParseExcitationText(std::string_view text, ExcitationBank& bank) {
    using Status = ExcitationTextResult::Status;
    LineReader lines(text);
    std::string_view line;
    if (!lines.Next(line) || line.empty() || line[0] != '#')
        return {Status::NoMarker, "Can't load data from this file."};

    const ExcitationTextResult noHeader{Status::NoHeader,
                                        "Can't find number of points and/or period."};
    if (!lines.Next(line)) return noHeader;
    std::string header(line);
    for (char& c : header) {
        if (c == '\t') c = ' ';
        if (c == ',') c = '.';
    }
    std::string_view tokens[3];
    const int headerTokens = Tokens(header, tokens, 2);
    long long points = 0;
    if (headerTokens < 1 || !IntegerToken(tokens[0], points) || points < INT32_MIN ||
        points > INT32_MAX)
        return noHeader;
    bank.definitionPoints = static_cast<int32_t>(points);
    double period = 0;
    if (headerTokens < 2 || !NumberToken(tokens[1], period)) return noHeader;
    bank.period = period;
    if (const char* error = PeriodError(period)) return {Status::PeriodRefused, error};

    bank.signalCount = 0;
    int i = 0;
    while (lines.Next(line)) {
        const int n = Tokens(line, tokens, 3);
        if (n == 0) continue;
        long long index = 0;
        const bool hasIndex = IntegerToken(tokens[0], index);
        if (hasIndex && index < 0) {
            bank.componentCount[bank.signalCount] = i;
            bank.signalCount += 1;
            i = 0;
            if (bank.signalCount >= kMaxSignals)
                return {Status::ComponentRefused, "Too many signals.\n"};
            if (index == -1) break;
            continue;
        }
        double amplitude = 0, phase = 0;
        if (!hasIndex || n < 3 || !NumberToken(tokens[1], amplitude) ||
            !NumberToken(tokens[2], phase))
            return {Status::ComponentRefused,
                    Format("Invalid component line %d.\n", lines.Number())};
        if (index < 1 || index > kMaxFileFrequencyIndex)
            return {Status::ComponentRefused, "Frequency out of range.\n"};
        if (i >= kMaxComponents) return {Status::ComponentRefused, "Too many frequencies.\n"};
        const int s = bank.signalCount;
        bank.frequencyIndex[s][i] = static_cast<int32_t>(index);
        bank.amplitude[s][i] = amplitude;
        bank.phase[s][i] = phase;
        i += 1;
        bank.componentCount[s] = i;
    }
    return {};
}

bool ImportExcitation(ExcitationContext& ctx, const std::string& path) {
    using Status = ExcitationTextResult::Status;
    std::string text, reason;
    if (!ReadFileText(path, text, reason)) {
        ctx.ui.ShowMessage(Format("Can't open file %s.", path.c_str()) + "\n" + reason);
        return false;
    }
    if (ctx.bankChanging) ctx.bankChanging();
    // The bank as it was, for a refused text. The stored profile value is not used for this:
    // it can be older than the bank in use (generated, optimised or loaded from a setup file
    // since), and bringing it back would silently drop that bank.
    const auto previous = std::make_unique<ExcitationBank>(ctx.bank);
    const ExcitationTextResult result = ParseExcitationText(text, ctx.bank);
    switch (result.status) {
        case Status::NoMarker:
        case Status::NoHeader:
            ctx.ui.ShowMessage(result.error);
            return false;
        case Status::PeriodRefused:
        case Status::ComponentRefused:
            ctx.bank = *previous;
            ctx.ui.ShowMessage(result.error);
            return false;
        case Status::Ok:
            break;
    }
    ctx.selectedSignal = 0;
    StoreExcitationBank(ctx.profile, ctx.bank);
    const int signals = SignalCountOf(ctx.bank);
    for (int k = 0; k < signals; ++k) {
        std::string question = Format("Signal %d of %d \nFrequencies :", k + 1, signals);
        const int n = ComponentCountOf(ctx.bank, k);
        for (int i = 0; i < n; ++i) {
            question += Format("%lg", ctx.bank.frequencyIndex[k][i] / ctx.bank.period);
            question += i + 1 < n ? "," : "\n";
        }
        question += "\nWould you like to optimize crest factor?";
        if (ctx.ui.AskYesNo(Question::OptimiseCrestFactor, question))
            OptimiseCrestFactor(ctx.bank, k, ctx.clock, ctx.ui);
    }
    return true;
}

std::string ExcitationText(const ExcitationBank& bank) {
    std::string text = "# 1\r\n";
    // "%lg" keeps six digits; a period it would not give back exactly (one the reader accepted
    // near the edge of its tolerance) is written in full so that the copy reads back.
    std::string period = Format("%lg", bank.period);
    double readBack = 0;
    if (!ParseDouble(period, readBack) || readBack != bank.period)
        period = Format("%.17lg", bank.period);
    text += Format("%d\t%s\r\n", bank.definitionPoints, period.c_str());
    const int signals = SignalCountOf(bank);
    for (int s = 0; s < signals; ++s) {
        const int n = ComponentCountOf(bank, s);
        for (int i = 0; i < n; ++i)
            text += Format("%d\t%lg\t%lg\r\n", bank.frequencyIndex[s][i], bank.amplitude[s][i],
                           bank.phase[s][i]);
        text += s + 1 < signals ? "-2\r\n" : "-1\r\n";
    }
    return text;
}

}  // namespace pelmor
