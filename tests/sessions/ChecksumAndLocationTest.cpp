#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sessions/Location.h"
#include "sessions/Sha256.h"
#include "sessions/TextFold.h"

namespace pelmor {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(Sha256, MatchesTheStandardsExamples) {
    const struct {
        std::string message, digest;
    } cases[] = {
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sha256Hex(Bytes(c.message)), c.digest) << c.message.size();

    // Fed in pieces of every length across the block boundaries, the digest is the same.
    const std::vector<uint8_t> million = Bytes(std::string(1000000, 'a'));
    Sha256 sha;
    std::size_t at = 0;
    for (std::size_t piece = 1; at < million.size(); piece = piece % 130 + 1) {
        const std::size_t n = std::min(piece, million.size() - at);
        sha.Update(std::span(million).subspan(at, n));
        at += n;
    }
    EXPECT_EQ(HexDigest(sha.Finish()), cases[3].digest);
}

TEST(DatabaseLocation, PostgresOnlyForAUriOrALibpqKeyword) {
    const std::map<std::string, bool> cases = {
        {"postgresql://lab-server/pelmor", true},
        {"postgres://user@db.lab:5433/pelmor?sslmode=require", true},
        {"host=db.lab dbname=pelmor", true},
        {"  dbname = pelmor", true},
        {"service=lab", true},
        {"host=/var/run/postgresql user=x", true},
        {"/home/lab/pelmor.sqlite", false},
        {"./a=b.sqlite", false},
        {"/data/x=1/pelmor.sqlite", false},
        {"a=b.sqlite", false},  // "a" is no connection keyword
        {"pelmor.sqlite", false},
        {"=pelmor", false},
        {"postgresql:/not-a-uri", false},
    };
    for (const auto& [location, postgres] : cases)
        EXPECT_EQ(IsPostgresLocation(location), postgres) << location;
}

TEST(DatabaseLocation, FirstOfCommandLineEnvironmentSettingsDefault) {
    std::map<std::string, std::string> env = {{"HOME", "/home/ana"}};
    const EnvironmentLookup lookup = [&](const std::string& name) -> std::optional<std::string> {
        const auto it = env.find(name);
        if (it == env.end()) return std::nullopt;
        return it->second;
    };
    using Source = DatabaseLocation::Source;

    DatabaseLocation l = ResolveDatabaseLocation("", "", lookup);
    EXPECT_EQ(l.value, "/home/ana/.local/share/Pelmor/pelmor.sqlite");
    EXPECT_EQ(l.source, Source::Default);
    EXPECT_FALSE(l.postgres);
    env["XDG_DATA_HOME"] = "relative/data";  // not absolute: ignored
    EXPECT_EQ(ResolveDatabaseLocation("", "", lookup).value,
              "/home/ana/.local/share/Pelmor/pelmor.sqlite");
    env["XDG_DATA_HOME"] = "/srv/data";
    EXPECT_EQ(ResolveDatabaseLocation("", "", lookup).value, "/srv/data/Pelmor/pelmor.sqlite");

    l = ResolveDatabaseLocation("", "host=lab dbname=pelmor", lookup);
    EXPECT_EQ(l.source, Source::Settings);
    EXPECT_TRUE(l.postgres);
    env["PELMOR_DATABASE"] = "~/lab.sqlite";
    l = ResolveDatabaseLocation("", "host=lab dbname=pelmor", lookup);
    EXPECT_EQ(l.source, Source::Environment);
    EXPECT_EQ(l.value, "/home/ana/lab.sqlite");
    EXPECT_FALSE(l.postgres);
    l = ResolveDatabaseLocation("postgresql://lab/pelmor", "x.sqlite", lookup);
    EXPECT_EQ(l.source, Source::CommandLine);
    EXPECT_EQ(l.value, "postgresql://lab/pelmor");
    EXPECT_TRUE(l.postgres);
    env["PELMOR_DATABASE"] = "";  // set but empty: not given
    EXPECT_EQ(ResolveDatabaseLocation("", "x.sqlite", lookup).source, Source::Settings);
}

TEST(TextFold, LowersLatinGreekCyrillicAndCountsCharacters) {
    EXPECT_EQ(FoldCase("MÜLLER/ΔΈΛΤΑ Łódź ЖУК Ÿ"), "müller/δέλτα łódź жук ÿ");
    EXPECT_EQ(FoldCase("ß 1×2 日本"), "ß 1×2 日本");
    EXPECT_EQ(FoldCase("\xff"
                       "A"),
              "\xff"
              "a");  // not UTF-8: kept
    EXPECT_EQ(ValidUtf8Length("Müller/Δ"), 8u);
    EXPECT_EQ(ValidUtf8Length("\xc3"), std::nullopt);
    EXPECT_EQ(ValidUtf8Length("\xc0\xaf"), std::nullopt);      // overlong
    EXPECT_EQ(ValidUtf8Length("\xed\xa0\x80"), std::nullopt);  // surrogate
}

}  // namespace
}  // namespace pelmor
