#include "sessions/Location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "sessions/Database.h"

namespace pelmor {

namespace {

std::string HomeFolder(const EnvironmentLookup& environment) {
    if (auto home = environment("HOME"); home && !home->empty()) return *home;
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

bool StartsWith(const std::string& text, const char* prefix) { return text.starts_with(prefix); }

}  // namespace

std::optional<std::string> ProcessEnvironment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

bool IsPostgresLocation(const std::string& location) {
    if (StartsWith(location, "postgresql://") || StartsWith(location, "postgres://")) return true;
    const std::size_t equals = location.find('=');
    if (equals == std::string::npos) return false;
    const std::size_t first = location.find_first_not_of(" \t");
    std::size_t last = location.find_last_not_of(" \t", equals - 1);
    if (first >= equals || last == std::string::npos || last < first) return false;
    const std::string key = location.substr(first, last - first + 1);
    return IsPostgresKeyword(key);
}

std::string DefaultDatabasePath(const EnvironmentLookup& environment) {
    std::string data;
    if (auto xdg = environment("XDG_DATA_HOME"); xdg && StartsWith(*xdg, "/")) {
        data = *xdg;
    } else {
        data = HomeFolder(environment);
        if (!data.ends_with('/')) data += '/';
        data += ".local/share";
    }
    if (!data.ends_with('/')) data += '/';
    return data + "Pelmor/pelmor.sqlite";
}

DatabaseLocation ResolveDatabaseLocation(const std::string& commandLine,
                                         const std::string& settingsValue,
                                         const EnvironmentLookup& environment) {
    DatabaseLocation location;
    const std::optional<std::string> variable = environment(kDatabaseVariable);
    if (!commandLine.empty()) {
        location.value = commandLine;
        location.source = DatabaseLocation::Source::CommandLine;
    } else if (variable && !variable->empty()) {
        location.value = *variable;
        location.source = DatabaseLocation::Source::Environment;
    } else if (!settingsValue.empty()) {
        location.value = settingsValue;
        location.source = DatabaseLocation::Source::Settings;
    } else {
        location.value = DefaultDatabasePath(environment);
        location.source = DatabaseLocation::Source::Default;
        return location;
    }
    location.postgres = IsPostgresLocation(location.value);
    if (!location.postgres && StartsWith(location.value, "~/")) {
        std::string home = HomeFolder(environment);
        if (home.ends_with('/')) home.pop_back();
        location.value = home + location.value.substr(1);
    }
    return location;
}

}  // namespace pelmor
