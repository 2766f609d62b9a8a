// pelmor-cli subject, session and db: the subjects, test sessions and trials of the database
// (--database, PELMOR_DATABASE, the settings or the default file), and the trial a recording
// becomes with record --session.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/CliApp.h"
#include "cli/CliCommands.h"
#include "cli/CliReport.h"
#include "clinical/ReferenceValues.h"
#include "clinical/Units.h"
#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "device/DeviceEmulator.h"
#include "document/CPelmorDoc.h"
#include "export/OutcomeTables.h"
#include "platform/Profile.h"
#include "sessions/Location.h"
#include "sessions/SessionResults.h"
#include "sessions/SessionStore.h"
#include "sessions/TrialAnalysis.h"

namespace pelmor::cli {

namespace {

std::unique_ptr<SessionStore> OpenStore(CommandContext& ctx) {
    const std::string settings =
        ctx.doc.Services().profile.GetString(kDatabaseSection, kDatabaseLocationKey, "");
    const DatabaseLocation location = ResolveDatabaseLocation(ctx.global.database, settings);
    return SessionStore::Open(location.value, location.postgres);
}

// Runs a command on the store; a refusal of the store or the database is its message, exit 1.
int WithStore(CommandContext& ctx, const std::function<int(SessionStore&)>& run) {
    try {
        const std::unique_ptr<SessionStore> store = OpenStore(ctx);
        return run(*store);
    } catch (const StoreError& e) {
        ctx.err << e.what() << "\n";
    } catch (const DatabaseError& e) {
        ctx.err << e.what() << "\n";
    }
    return kExitFailed;
}

ordered_json TextOrNull(const std::string& text) {
    return text.empty() ? ordered_json() : ordered_json(text);
}

std::string Number(const std::optional<double>& v) { return v ? Format("%.10lg", *v) : ""; }

// ---------------------------------------------------------------- subjects

struct SubjectOptions {
    std::string id;
    std::optional<std::string> family, given, birth, sex, note;
    std::optional<double> height, weight;
    std::string search;
    std::string format = "text";
};

void Apply(const SubjectOptions& o, Subject& s) {
    if (o.family) s.family = *o.family;
    if (o.given) s.given = *o.given;
    if (o.birth) s.birth = *o.birth;
    if (o.sex) s.sex = *o.sex;
    if (o.note) s.note = *o.note;
    if (o.height) s.heightCm = *o.height;
    if (o.weight) s.weightKg = *o.weight;
}

ordered_json SubjectJson(const Subject& s, bool full) {
    ordered_json j;
    j["id"] = s.id;
    j["family"] = s.family;
    j["given"] = s.given;
    j["birth"] = TextOrNull(s.birth);
    j["sex"] = TextOrNull(s.sex);
    j["height"] = Value(s.heightCm);
    j["weight"] = Value(s.weightKg);
    if (full) {
        j["note"] = s.note;
        j["created"] = s.created;
        j["changed"] = s.changed;
    }
    return j;
}

// "M-17: Müller, Anna, born 1970-01-02, female, 170 cm, 70 kg".
std::string SubjectLine(const Subject& s) {
    std::string line = s.id + ":";
    std::string name = s.family;
    if (!s.given.empty()) name += (name.empty() ? "" : ", ") + s.given;
    std::vector<std::string> parts;
    if (!name.empty()) parts.push_back(name);
    if (!s.birth.empty()) parts.push_back("born " + s.birth);
    if (!s.sex.empty()) parts.push_back(s.sex);
    if (s.heightCm) parts.push_back(Format("%lg cm", *s.heightCm));
    if (s.weightKg) parts.push_back(Format("%lg kg", *s.weightKg));
    return parts.empty() ? s.id : line + " " + Join(parts, ", ");
}

int RunSubjectAdd(CommandContext& ctx, const SubjectOptions& o) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
        Subject s;
        s.id = o.id;
        Apply(o, s);
        store.AddSubject(s);
        return kExitDone;
    });
}

int RunSubjectEdit(CommandContext& ctx, const SubjectOptions& o) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
        std::optional<Subject> s = store.FindSubject(o.id);
        if (!s) {
            ctx.err << Format("No subject has the ID \"%s\".", o.id.c_str()) << "\n";
            return kExitFailed;
        }
        Apply(o, *s);
        store.EditSubject(*s);
        return kExitDone;
    });
}

int RunSubjectList(CommandContext& ctx, const SubjectOptions& o) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
        const std::vector<Subject> subjects = store.ListSubjects(o.search);
        if (o.format == "json") {
            ordered_json j = ordered_json::array();
            for (const Subject& s : subjects) j.push_back(SubjectJson(s, true));
            ctx.out << JsonText(j) << "\n";
        } else if (o.format == "csv") {
            ctx.out << "id,family,given,birth,sex,height,weight,note,created,changed\r\n";
            for (const Subject& s : subjects)
                ctx.out << CsvQuoted(s.id) << ',' << CsvQuoted(s.family) << ','
                        << CsvQuoted(s.given) << ',' << s.birth << ',' << s.sex << ','
                        << Number(s.heightCm) << ',' << Number(s.weightKg) << ','
                        << CsvQuoted(s.note) << ',' << s.created << ',' << s.changed << "\r\n";
        } else {
            for (const Subject& s : subjects) ctx.out << SubjectLine(s) << "\n";
        }
        return kExitDone;
    });
}

int RunSubjectShow(CommandContext& ctx, const SubjectOptions& o) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
        const std::optional<Subject> s = store.FindSubject(o.id);
        if (!s) {
            ctx.err << Format("No subject has the ID \"%s\".", o.id.c_str()) << "\n";
            return kExitFailed;
        }
        Report r(o.format == "json");
        const ordered_json fields = SubjectJson(*s, true);
        for (const auto& [key, value] : fields.items())
            r.Add(key, value,
                  value.is_string() ? value.get<std::string>()
                  : value.is_null() ? std::string()
                                    : Number(value.get<double>()));
        r.Print(ctx.out);
        return kExitDone;
    });
}

// Birth dates are given as YYYY-MM-DD (whether the day exists is the store's check).
const CLI::Validator kDateText(
    [](const std::string& text) -> std::string {
        const bool shape = text.size() == 10 && text[4] == '-' && text[7] == '-';
        for (std::size_t i = 0; shape && i < text.size(); ++i)
            if (i != 4 && i != 7 && (text[i] < '0' || text[i] > '9')) return "give YYYY-MM-DD";
        return shape ? std::string() : "give YYYY-MM-DD";
    },
    "YYYY-MM-DD");

void AddSubjectFields(CLI::App* c, SubjectOptions& o) {
    c->add_option("--family", o.family, "Family name");
    c->add_option("--given", o.given, "Given name");
    c->add_option("--birth", o.birth, "Birth date")->check(kDateText);
    c->add_option("--sex", o.sex, "Sex for reference values")
        ->check(CLI::IsMember({"female", "male"}));
    c->add_option("--height", o.height, "Height, cm")->check(CLI::PositiveNumber);
    c->add_option("--weight", o.weight, "Weight, kg")->check(CLI::PositiveNumber);
    c->add_option("--note", o.note, "Note");
}

void RegisterSubjectCommands(CLI::App& app, CommandSet& commands) {
    CLI::App* subject = app.add_subcommand("subject", "Subjects of the database");
    subject->require_subcommand(1);
    using Runner = int (*)(CommandContext&, const SubjectOptions&);
    auto add = [&](const char* name, const char* help, Runner run) {
        auto o = std::make_shared<SubjectOptions>();
        CLI::App* c = subject->add_subcommand(name, help);
        c->callback([=, &commands] {
            commands.selected = [=](CommandContext& ctx) { return run(ctx, *o); };
        });
        return std::make_pair(c, o);
    };
    {
        auto [c, o] = add("add", "Add a subject", RunSubjectAdd);
        c->add_option("ID", o->id, "The lab's subject ID (unique, up to 64 characters)")
            ->required();
        AddSubjectFields(c, *o);
    }
    {
        auto [c, o] = add("edit", "Change the given fields of a subject", RunSubjectEdit);
        c->add_option("ID", o->id, "Subject ID")->required();
        AddSubjectFields(c, *o);
    }
    {
        auto [c, o] = add("list", "List the subjects (by ID)", RunSubjectList);
        c->add_option("--search", o->search,
                      "Only subjects whose ID, family or given name holds every word");
        c->add_option("--format", o->format, "Output format")
            ->check(CLI::IsMember({"text", "json", "csv"}))
            ->default_val("text");
    }
    {
        auto [c, o] = add("show", "Show a subject", RunSubjectShow);
        c->add_option("ID", o->id, "Subject ID")->required();
        AddFormatOption(c, o->format);
    }
}

// ---------------------------------------------------------------- sessions

struct SessionOptions {
    std::string subject;
    int64_t session = 0;
    std::string name, note, operatorName, phase, reason, folder;
    std::vector<std::string> files;
    int trial = 0;
    bool training = false;
    std::string format = "text";
    std::string reference;  // the reference set of a new session
};

ordered_json SessionJson(const Session& session) {
    const SessionOutcomes outcomes = AnalyseSession(session);
    // The reference sets are read only when the session has chosen one.
    const ReferenceCatalogue catalogue =
        session.referenceSet.empty() ? ReferenceCatalogue{} : LoadReferenceSets(ReferenceFolders());
    ordered_json j;
    j["session"] = session.number;
    j["subject"] = SubjectJson(session.subject, false);
    j["started"] = session.started;
    j["operator"] = session.operatorName;
    j["note"] = session.note;
    j["training"] = session.training;
    j["unit"] = session.impedanceUnit;
    j["reference_set"] = TextOrNull(session.referenceSet);
    ordered_json phases = ordered_json::array();
    for (std::size_t p = 0; p < session.phases.size(); ++p) {
        const Phase& phase = session.phases[p];
        ordered_json jp;
        jp["name"] = phase.name;
        jp["note"] = phase.note;
        ordered_json trials = ordered_json::array();
        for (const Trial& t : phase.trials) {
            ordered_json jt;
            jt["trial"] = t.number;
            jt["file"] = t.fileName;
            jt["sha256"] = t.sha256;
            jt["recorded"] = t.recorded;
            jt["duration"] = t.durationSeconds;
            jt["origin"] = OriginName(t.origin);
            jt["included"] = t.included;
            jt["reason"] = TextOrNull(t.reason);
            ordered_json values = ordered_json::object();
            for (const OutcomeValue& v : t.outcomes) values[v.key] = Value(v.value);
            jt["outcomes"] = values;
            trials.push_back(jt);
        }
        jp["trials"] = trials;
        const OutcomeStatistics& st = outcomes.phases[p].statistics;
        jp["mean"] = OutcomeObject(st.mean);
        jp["sd"] = OutcomeObject(st.sd);
        jp["cov"] = OutcomeObject(st.cov);
        if (const auto reference = SessionReference(session, st, catalogue, OutcomeSettings()))
            jp["reference"] = ReferenceJson(*reference, OutcomeKeys());
        phases.push_back(jp);
    }
    j["phases"] = phases;
    if (outcomes.change) {
        j["change_percent"] = ChangeJson(*outcomes.change);
        j["response"] =
            outcomes.change->response ? ordered_json(*outcomes.change->response) : ordered_json();
    } else {
        j["change_percent"] = nullptr;
        j["response"] = nullptr;
    }
    return j;
}

std::string Optional(const std::optional<double>& v, const char* format) {
    return v ? Format(format, *v) : std::string("none");
}

std::string SessionText(const Session& session) {
    const SessionOutcomes outcomes = AnalyseSession(session);
    std::string text = Format("session %lld: subject %s", static_cast<long long>(session.number),
                              SubjectLine(session.subject).c_str());
    text += "\nstarted " + session.started;
    if (!session.operatorName.empty()) text += " by " + session.operatorName;
    if (session.training) text += " (training)";
    text += "\n";
    if (!session.note.empty()) text += "note: " + session.note + "\n";
    for (std::size_t p = 0; p < session.phases.size(); ++p) {
        const Phase& phase = session.phases[p];
        text += Format("phase %d: %s", phase.position, phase.name.c_str());
        if (!phase.note.empty()) text += " (" + phase.note + ")";
        text += "\n";
        for (const Trial& t : phase.trials) {
            text += Format("  trial %d: %s, %s, %.3lg s, R at f_L %s", t.number, t.fileName.c_str(),
                           OriginName(t.origin), t.durationSeconds,
                           Optional(StoredOutcomes(t).rLow, "%.4lg").c_str());
            if (!t.included) text += ", excluded by " + t.decidedBy + ": " + t.reason;
            text += "\n";
        }
        const OutcomeStatistics& st = outcomes.phases[p].statistics;
        std::vector<std::string> means;
        for (int i = 0; i < kOutcomeCount; ++i)
            means.push_back(std::string(OutcomeKeys()[i]) + " " + Optional(st.mean[i], "%.4lg"));
        text += "  mean of the included trials: " + Join(means, ", ") + "\n";
        text += "  CoV of R at f_L: " + Optional(st.Cov(Outcome::RLow), "%.3lg %%") + "\n";
    }
    if (outcomes.change) {
        const BaselineChange& c = *outcomes.change;
        text += "change against " + session.phases.front().name + ": R at f_L " +
                Optional(c.rLow, "%+.3lg %%") + ", X at f_L " + Optional(c.xLow, "%+.3lg %%") +
                ", AX " + Optional(c.ax, "%+.3lg %%") +
                "; response: " + (c.response ? (*c.response ? "yes" : "no") : "none") + "\n";
    }
    return text;
}

int RunSessionNew(CommandContext& ctx, const SessionOptions& o) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
        NewSession s;
        s.subjectId = o.subject;
        s.operatorName = o.operatorName;
        s.note = o.note;
        s.training = o.training;
        // The calibrations this program loads give impedance in kPa·s/L.
        s.impedanceUnit = ctx.doc.Calculator().loadedCalibration.count > 0
                              ? UnitName(ImpedanceUnit::KPaSecondPerLitre)
                              : kUncalibratedUnit;
        if (!o.reference.empty()) {
            const ReferenceCatalogue catalogue = LoadReferenceSets(ReferenceFolders());
            if (!catalogue.Find(o.reference)) {
                for (const std::string& refused : catalogue.refusals) ctx.err << refused << "\n";
                ctx.err << "There is no reference set \"" << o.reference << "\".\n";
                return kExitFailed;
            }
            s.referenceSet = o.reference;
        }
        s.setupFileName = FileNameOf(ctx.doc.SetupPath());
        if (!ctx.doc.SetupPath().empty()) {
            std::string reason;
            if (!ReadFileBytes(ctx.doc.SetupPath(), s.setupBytes, reason)) {
                ctx.err << ctx.doc.SetupPath() << " could not be read: " << reason << "\n";
                return kExitFailed;
            }
        }
        ctx.out << store.StartSession(s) << "\n";
        return kExitDone;
    });
}

int RunSessionPhase(CommandContext& ctx, const SessionOptions& o) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
        ctx.out << store.AddPhase(o.session, o.name, o.note) << "\n";
        return kExitDone;
    });
}

RecordAnalysisSetup AnalysisSetup(CommandContext& ctx) {
    RecordAnalysisSetup setup = RecordAnalysisSetupOf(ctx.doc);
    setup.generateThirdChannel = ctx.global.answers.thirdChannel;
    setup.useLoadedCalibration = ctx.global.answers.useLoadedCalibration;
    return setup;
}

// Adds the trials in one transaction, each printed as "trial N: FILE" once all are stored; a
// refusal adds none.
int AddTrials(CommandContext& ctx, SessionStore& store, int64_t session, const std::string& phase,
              const std::vector<FileTrial>& trials) {
    std::vector<const NewTrial*> added;
    for (const FileTrial& t : trials) added.push_back(&*t.trial);
    const std::vector<int> numbers = store.AddTrials(session, phase, added);
    for (std::size_t k = 0; k < numbers.size(); ++k)
        ctx.out << Format("trial %d: %s", numbers[k], added[k]->fileName.c_str()) << "\n";
    return kExitDone;
}

int RunSessionAdd(CommandContext& ctx, const SessionOptions& o) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
        const std::vector<FileTrial> trials = TrialsFromFiles(o.files, AnalysisSetup(ctx));
        bool refused = false;
        for (std::size_t k = 0; k < trials.size(); ++k) {
            for (const std::string& m : trials[k].messages)
                ctx.err << o.files[k] << ": " << m << "\n";
            if (!trials[k].trial) {
                ctx.err << trials[k].error << "\n";
                refused = true;
            }
        }
        if (refused) {
            ctx.err << Format("No trial was added to session %lld.",
                              static_cast<long long>(o.session))
                    << "\n";
            return kExitFailed;
        }
        return AddTrials(ctx, store, o.session, o.phase, trials);
    });
}

int RunSessionInclude(CommandContext& ctx, const SessionOptions& o, bool included) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
        store.SetTrialIncluded(o.session, o.trial, included, o.reason);
        return kExitDone;
    });
}

int RunSessionShow(CommandContext& ctx, const SessionOptions& o) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
        const Session session = store.LoadSession(o.session);
        if (o.format == "json")
            ctx.out << JsonText(SessionJson(session)) << "\n";
        else
            ctx.out << SessionText(session);
        return kExitDone;
    });
}

int RunSessionList(CommandContext& ctx, const SessionOptions& o) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
        const std::vector<SessionSummary> sessions = store.ListSessions(o.subject);
        if (o.format == "json") {
            ordered_json j = ordered_json::array();
            for (const SessionSummary& s : sessions)
                j.push_back({{"session", s.number},
                             {"subject", s.subjectId},
                             {"family", s.family},
                             {"given", s.given},
                             {"started", s.started},
                             {"operator", s.operatorName},
                             {"training", s.training},
                             {"phases", s.phases},
                             {"trials", s.trials}});
            ctx.out << JsonText(j) << "\n";
        } else if (o.format == "csv") {
            ctx.out << "session,subject,family,given,started,operator,training,phases,trials\r\n";
            for (const SessionSummary& s : sessions)
                ctx.out << s.number << ',' << CsvQuoted(s.subjectId) << ',' << CsvQuoted(s.family)
                        << ',' << CsvQuoted(s.given) << ',' << s.started << ','
                        << CsvQuoted(s.operatorName) << ',' << (s.training ? "true" : "false")
                        << ',' << s.phases << ',' << s.trials << "\r\n";
        } else {
            for (const SessionSummary& s : sessions) {
                std::string name = s.family;
                if (!s.given.empty()) name += (name.empty() ? "" : ", ") + s.given;
                ctx.out << Format("session %lld: %s%s, %s, %d phase%s, %d trial%s%s",
                                  static_cast<long long>(s.number), s.subjectId.c_str(),
                                  name.empty() ? "" : (" (" + name + ")").c_str(),
                                  s.started.c_str(), s.phases, s.phases == 1 ? "" : "s", s.trials,
                                  s.trials == 1 ? "" : "s", s.training ? ", training" : "")
                        << "\n";
            }
        }
        return kExitDone;
    });
}

// Writes bytes as a new file of folder named name, or "stem (2).ext", "stem (3).ext", ... when
// that name is taken: written beside under a temporary name and linked into place, so that no
// existing file is replaced and no partial file is ever seen under the name. Returns the path;
// "" with reason set on failure.
std::string WriteNewFile(const std::string& folder, const std::string& name,
                         const std::vector<uint8_t>& bytes, std::string& reason) {
    std::string temporary = folder + "/.pelmor-export-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        reason = folder + ": " + std::strerror(errno);
        return "";
    }
    close(fd);
    if (!WriteFileBytes(temporary, bytes, reason)) {
        unlink(temporary.c_str());
        reason = temporary + ": " + reason;
        return "";
    }
    chmod(
        temporary.c_str(), 0644 & ~[] {
            const mode_t mask = umask(0);
            umask(mask);
            return mask;
        }());
    const std::size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string extension = stem.size() == name.size() ? "" : name.substr(stem.size());
    for (int n = 1; n < 10000; ++n) {
        const std::string path =
            folder + "/" +
            (n == 1 ? name : Format("%s (%d)%s", stem.c_str(), n, extension.c_str()));
        if (link(temporary.c_str(), path.c_str()) == 0) {
            unlink(temporary.c_str());
            return path;
        }
        if (errno != EEXIST) {
            reason = path + ": " + std::strerror(errno);
            break;
        }
    }
    if (reason.empty()) reason = folder + "/" + name + ": every numbered name is taken";
    unlink(temporary.c_str());
    return "";
}

int RunSessionExport(CommandContext& ctx, const SessionOptions& o) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
        const Session session = store.LoadSession(o.session);
        std::error_code ec;
        std::filesystem::create_directories(o.folder, ec);
        if (ec || !std::filesystem::is_directory(o.folder)) {
            ctx.err << o.folder << " is not a folder that can be written"
                    << (ec ? ": " + ec.message() : std::string()) << "\n";
            return kExitFailed;
        }
        std::string reason;
        for (const Phase& phase : session.phases)
            for (const Trial& t : phase.trials) {
                const std::string path =
                    WriteNewFile(o.folder, FileNameOf(t.fileName), t.bytes, reason);
                if (path.empty()) {
                    ctx.err << Format("Trial %d was not exported: ", t.number) << reason << "\n";
                    return kExitFailed;
                }
                ctx.out << path << "\n";
            }
        const std::string json = JsonText(SessionJson(session)) + "\n";
        const std::string path = WriteNewFile(
            o.folder, "session.json", std::vector<uint8_t>(json.begin(), json.end()), reason);
        if (path.empty()) {
            ctx.err << "The session's description was not exported: " << reason << "\n";
            return kExitFailed;
        }
        ctx.out << path << "\n";
        return kExitDone;
    });
}

void RegisterSessionSubcommands(CLI::App& app, CommandSet& commands) {
    CLI::App* session = app.add_subcommand("session", "Test sessions, their phases and trials");
    session->require_subcommand(1);
    using Runner = std::function<int(CommandContext&, const SessionOptions&)>;
    auto add = [&](const char* name, const char* help, Runner run) {
        auto o = std::make_shared<SessionOptions>();
        CLI::App* c = session->add_subcommand(name, help);
        c->callback([=, &commands] {
            commands.selected = [=](CommandContext& ctx) { return run(ctx, *o); };
        });
        return std::make_pair(c, o);
    };
    auto number = [](CLI::App* c, SessionOptions& o) {
        c->add_option("SESSION", o.session, "Session number")->required();
    };
    {
        auto [c, o] = add("new",
                          "Start a session of a subject with its Baseline phase and "
                          "print its number",
                          RunSessionNew);
        c->add_option("ID", o->subject, "Subject ID")->required();
        c->add_option("--operator", o->operatorName, "Operator");
        c->add_option("--note", o->note, "Note");
        c->add_flag("--training", o->training,
                    "A training session: recordings made in simulation are taken");
        c->add_option("--reference", o->reference,
                      "The reference set the session's values are judged by");
    }
    {
        auto [c, o] =
            add("phase", "Add a phase to a session (after a bronchodilator, ...)", RunSessionPhase);
        number(c, *o);
        c->add_option("NAME", o->name, "Phase name")->required();
        c->add_option("--note", o->note, "Note (drug, dose, minutes after)");
    }
    {
        auto [c, o] = add("add", "Add data files as trials of a phase (analysed as outcomes does)",
                          RunSessionAdd);
        number(c, *o);
        c->add_option("FILE", o->files, "Data files")->required();
        c->add_option("--phase", o->phase, "Phase (default: the last)");
    }
    {
        auto [c, o] = add("exclude", "Exclude a trial from its phase's outcomes",
                          [](CommandContext& ctx, const SessionOptions& o) {
                              return RunSessionInclude(ctx, o, false);
                          });
        number(c, *o);
        c->add_option("TRIAL", o->trial, "Trial number")->required();
        c->add_option("--reason", o->reason, "Why")->required();
    }
    {
        auto [c, o] = add("include", "Include a trial again",
                          [](CommandContext& ctx, const SessionOptions& o) {
                              return RunSessionInclude(ctx, o, true);
                          });
        number(c, *o);
        c->add_option("TRIAL", o->trial, "Trial number")->required();
    }
    {
        auto [c, o] =
            add("show", "Show a session: phases, trials, outcomes and the change", RunSessionShow);
        number(c, *o);
        AddFormatOption(c, o->format);
    }
    {
        auto [c, o] = add("list", "List the sessions, newest first", RunSessionList);
        c->add_option("--subject", o->subject, "Only the sessions of this subject");
        c->add_option("--format", o->format, "Output format")
            ->check(CLI::IsMember({"text", "json", "csv"}))
            ->default_val("text");
    }
    {
        auto [c, o] = add("export",
                          "Write every trial's file and session.json (as show writes it) into "
                          "a folder",
                          RunSessionExport);
        number(c, *o);
        c->add_option("FOLDER", o->folder, "Folder")->required();
    }
}

// ---------------------------------------------------------------- db

void RegisterDatabaseCommands(CLI::App& app, CommandSet& commands) {
    CLI::App* db = app.add_subcommand("db", "The database itself");
    db->require_subcommand(1);
    CLI::App* info = db->add_subcommand("info", "Where the database is, its version and counts");
    info->callback([&commands] {
        commands.selected = [](CommandContext& ctx) {
            return WithStore(ctx, [&](SessionStore& store) -> int {
                const StoreInfo i = store.Info();
                Report r(false);
                r.Add("backend", i.backend);
                r.Add("location", i.location);
                r.Add("schema_version", i.schemaVersion);
                r.Add("subjects", ordered_json(i.subjects), std::to_string(i.subjects));
                r.Add("sessions", ordered_json(i.sessions), std::to_string(i.sessions));
                r.Add("trials", ordered_json(i.trials), std::to_string(i.trials));
                r.Add("events", ordered_json(i.events), std::to_string(i.events));
                r.Print(ctx.out);
                return kExitDone;
            });
        };
    });
    auto path = std::make_shared<std::string>();
    CLI::App* backup = db->add_subcommand(
        "backup", "Copy an SQLite database consistently while others use it (PostgreSQL: pg_dump)");
    backup->add_option("FILE", *path, "The new copy")->required();
    backup->callback([=, &commands] {
        commands.selected = [=](CommandContext& ctx) {
            return WithStore(ctx, [&](SessionStore& store) -> int {
                store.Backup(*path);
                return kExitDone;
            });
        };
    });
}

}  // namespace

void RegisterSessionCommands(CLI::App& app, CommandSet& commands) {
    RegisterSubjectCommands(app, commands);
    RegisterSessionSubcommands(app, commands);
    RegisterDatabaseCommands(app, commands);
}

int AddRecordingToSession(CommandContext& ctx, int64_t session, const std::string& written) {
    TrialOrigin origin = TrialOrigin::Device;
    if (ctx.doc.ShowsSimulatedData())
        origin = TrialOrigin::Simulated;
    else if (dynamic_cast<DeviceEmulator*>(&ctx.doc.Services().driver))
        origin = TrialOrigin::Emulator;
    const int code = WithStore(ctx, [&](SessionStore& store) -> int {
        const FileTrial t = TrialFromFile(written, AnalysisSetup(ctx), origin);
        for (const std::string& m : t.messages) ctx.err << written << ": " << m << "\n";
        if (!t.trial) {
            ctx.err << t.error << "\n";
            return kExitFailed;
        }
        return AddTrials(ctx, store, session, "", std::vector<FileTrial>{t});
    });
    if (code != kExitDone) ctx.err << "The recording is kept in " << written << ".\n";
    return code;
}

bool SessionExists(CommandContext& ctx, int64_t session) {
    return WithStore(ctx, [&](SessionStore& store) -> int {
               if (!store.FindSession(session))
                   throw StoreError(
                       Format("There is no session %lld.", static_cast<long long>(session)));
               return kExitDone;
           }) == kExitDone;
}

}  // namespace pelmor::cli
