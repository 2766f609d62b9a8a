#pragma once

// Where the database is: the first of the command line's value, PELMOR_DATABASE, the settings'
// section "Database" key "Location", and the default file in the user's data folder. A value
// starting "postgresql://" or "postgres://", or a libpq key=value string, names a PostgreSQL
// server; anything else is the path of an SQLite file.

#include <functional>
#include <optional>
#include <string>

namespace pelmor {

inline constexpr char kDatabaseSection[] = "Database";
inline constexpr char kDatabaseLocationKey[] = "Location";
inline constexpr char kDatabaseVariable[] = "PELMOR_DATABASE";

// An environment variable's value, none when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;
// The process's own environment.
std::optional<std::string> ProcessEnvironment(const std::string& name);

struct DatabaseLocation {
    enum class Source { CommandLine, Environment, Settings, Default };
    bool postgres = false;
    std::string value;  // the SQLite path (a leading "~/" made the home folder) or the libpq string
    Source source = Source::Default;
};

// Whether a location names a PostgreSQL server: a postgresql:// or postgres:// URI, or a
// key=value string, that is one whose text before the first '=' (spaces trimmed) is a libpq
// connection keyword ("host=db dbname=pelmor"); "./a=b.sqlite" and "a=b" are file paths.
bool IsPostgresLocation(const std::string& location);

// $XDG_DATA_HOME/Pelmor/pelmor.sqlite, or ~/.local/share/Pelmor/pelmor.sqlite when that is not
// set or not an absolute path.
std::string DefaultDatabasePath(const EnvironmentLookup& environment = ProcessEnvironment);

// Empty values count as not given.
DatabaseLocation ResolveDatabaseLocation(const std::string& commandLine,
                                         const std::string& settingsValue,
                                         const EnvironmentLookup& environment = ProcessEnvironment);

}  // namespace pelmor
