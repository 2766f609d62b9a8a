#include "sessions/StoreDump.h"

#include <bit>
#include <cinttypes>
#include <cstdio>
#include <sstream>

#include "sessions/Sha256.h"

namespace pelmor {

namespace {

std::string Bits(double v) {
    char text[24];
    std::snprintf(text, sizeof text, "%016" PRIx64, std::bit_cast<uint64_t>(v));
    return text;
}

std::string Bits(const std::optional<double>& v) { return v ? Bits(*v) : "none"; }

std::string Bits(const std::vector<double>& values) {
    std::string text = std::to_string(values.size()) + ":";
    for (double v : values) text += " " + Bits(v);
    return text;
}

std::string Bytes(const std::vector<uint8_t>& bytes) {
    return std::to_string(bytes.size()) + " bytes " + Sha256Hex(bytes);
}

}  // namespace

std::string DumpSession(const Session& s) {
    std::ostringstream out;
    const Subject& u = s.subject;
    out << "session " << s.number << "|" << s.subjectId << "|" << s.started << "|" << s.operatorName
        << "|" << s.note << "|" << s.training << "|" << s.impedanceUnit << "|" << s.referenceSet
        << "|" << s.setupFileName << "|" << Bytes(s.setupBytes) << "\n";
    out << "subject " << u.id << "|" << u.family << "|" << u.given << "|" << u.birth << "|" << u.sex
        << "|" << Bits(u.heightCm) << "|" << Bits(u.weightKg) << "|" << u.note << "|" << u.created
        << "|" << u.changed << "\n";
    for (const Phase& p : s.phases) {
        out << "phase " << p.position << "|" << p.name << "|" << p.note << "|" << p.started << "\n";
        for (const Trial& t : p.trials) {
            out << "trial " << t.number << "|" << t.fileName << "|" << Bytes(t.bytes) << "|"
                << t.sha256 << "|" << t.recorded << "|" << Bits(t.durationSeconds) << "|"
                << Bits(t.sampleRateHz) << "|" << t.channels << "|" << OriginName(t.origin) << "|"
                << t.included << "|" << t.reason << "|" << t.decidedBy << "|" << t.added << "\n";
            out << "  f " << Bits(t.spectrum.frequencies) << "\n  R " << Bits(t.spectrum.R)
                << "\n  X " << Bits(t.spectrum.X) << "\n  C " << Bits(t.spectrum.coherence) << "\n";
            for (const OutcomeValue& o : t.outcomes)
                out << "  " << o.key << " = " << Bits(o.value) << "\n";
        }
    }
    return out.str();
}

}  // namespace pelmor
