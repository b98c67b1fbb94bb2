// The salvo folder: safe file names whatever the name holds, whole round trips, and a folder
// with broken, foreign and stray files that still lists every good salvo.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "routing/salvofile.h"
#include "routing/salvostore.h"
#include "support/tempdir.h"

namespace vantel {
namespace {

namespace fs = std::filesystem;

std::set<std::string> FilesIn(const fs::path& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        files.insert(fs::relative(entry.path(), folder).string());
    }
    return files;
}

class SalvoStore : public ::testing::Test {
protected:
    test::TempDir dir;
    CSalvoStore store{CSalvoStore::FolderBeside(dir.Path() / "setup.ini")};
};

TEST_F(SalvoStore, FileNamesAreSafeAndDistinctWhateverTheName) {
    const std::vector<std::string> names = {
        "Evening news",
        "../../etc/passwd",
        "a/b/c",
        "..",
        ".hidden",
        "tab\there\nline\x1b[31m",
        "\xF0\x9F\x8E\xAC Studio \xF0\x9F\x8E\xA4",  // 4-byte characters
        "\xE6\x97\xA9\xE5\xAE\x89",                  // no ASCII letter at all
        std::string(1000, 'x'),
        std::string(1000, 'x') + "y",  // slugs alike: both cut to the same 40 letters
        "Evening-News",                // slugs alike with "Evening news"
        "evening news",
    };
    const std::regex safe("[a-z0-9-]{1,40}-[0-9a-f]{8}(-[0-9]+)?\\.json");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(store.Save(Salvo{name, {{1, 2}}}).ok);
    }
    const std::set<std::string> files = FilesIn(store.Folder());
    EXPECT_EQ(files.size(), names.size()) << "one plain file per salvo, nothing outside";
    for (const std::string& file : files) {
        EXPECT_TRUE(std::regex_match(file, safe)) << file;
    }
    for (const std::string& name : names) {
        Salvo loaded;
        ASSERT_TRUE(store.Load(name, loaded).ok) << name;
        EXPECT_EQ(loaded, (Salvo{name, {{1, 2}}}));
    }
    EXPECT_FALSE(fs::exists(dir.Path() / "etc"));
}

TEST_F(SalvoStore, RefusesNamesThatAreNoText) {
    const std::vector<std::pair<const char*, std::string>> names = {
        {"empty", ""},
        {"NUL inside", std::string("ab\0cd", 5)},
        {"cut UTF-8", "ab\xE6\x97"},
        {"overlong form of '/'", "\xC0\xAF"},
        {"surrogate", "\xED\xA0\x80"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80"},
        {"over 1024 bytes", std::string(1025, 'n')},
    };
    for (const auto& [what, name] : names) {
        SCOPED_TRACE(what);
        const StoreResult result = store.Save(Salvo{name, {{1, 1}}});
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.empty());
    }
    EXPECT_FALSE(fs::exists(store.Folder()));
}

TEST_F(SalvoStore, RefusesRoutesOutsideTheDeviceLimits) {
    for (const auto& routes :
         std::vector<std::map<int, int>>{{{0, 1}}, {{73, 1}}, {{1, 73}}, {{1, -1}}}) {
        EXPECT_FALSE(store.Save(Salvo{"s", routes}).ok);
    }
}

TEST_F(SalvoStore, ListsGoodFilesAndReportsBadOnesByName) {
    ASSERT_TRUE(store.Save(Salvo{"good", {{1, 3}, {2, 0}}}).ok);
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"broken.json", "{\"format\": \"vantel-salvo\", \"version\": 1, \"name\": \"br"},
        {"foreign.json", "{\"presets\": [1, 2, 3]}"},
        {"array.json", "[1, 2]"},
        {"newer.json",
         "{\"format\": \"vantel-salvo\", \"version\": 2, \"name\": \"n\", \"routes\": []}"},
        {"no-version.json", "{\"format\": \"vantel-salvo\", \"name\": \"n\", \"routes\": []}"},
        {"output-73.json",
         "{\"format\": \"vantel-salvo\", \"version\": 1, \"name\": \"o\", "
         "\"routes\": [{\"output\": 73, \"input\": 1}]}"},
        {"huge-number.json",
         "{\"format\": \"vantel-salvo\", \"version\": 1, \"name\": \"h\", "
         "\"routes\": [{\"output\": 4294967297, \"input\": 1}]}"},
        {"twice.json",
         "{\"format\": \"vantel-salvo\", \"version\": 1, \"name\": \"t\", "
         "\"routes\": [{\"output\": 1, \"input\": 1}, {\"output\": 1, \"input\": 2}]}"},
        {"duplicate-name.json",
         "{\"format\": \"vantel-salvo\", \"version\": 1, \"name\": \"good\", "
         "\"routes\": []}"},
        {"too-large.json", std::string(kMaxSalvoFileBytes + 10, ' ') + "{}"},
    };
    for (const auto& [file, text] : bad) {
        dir.Write("salvos/" + file, text);
    }
    // Written by hand, laid out differently: still a salvo.
    dir.Write("salvos/by-hand.json",
              "{\n  \"name\": \"hand\",\n  \"routes\": [ {\"input\": 2, \"output\": 4} ],\n"
              "  \"version\": 1, \"format\": \"vantel-salvo\"\n}\n");
    // Not looked at: a temporary file of an interrupted write, a note, a folder.
    dir.Write("salvos/.good.json.tmp-123456", "{");
    dir.Write("salvos/notes.txt", "hello");
    dir.Write("salvos/sub/inner.json", "{");

    const SalvoListing listing = store.List();
    ASSERT_EQ(listing.salvos.size(), 2u);
    EXPECT_EQ(listing.salvos[0].name, "good");
    EXPECT_EQ(listing.salvos[1].name, "hand");
    std::set<std::string> reported;
    for (const SalvoFileProblem& p : listing.problems) {
        EXPECT_FALSE(p.problem.empty()) << p.file;
        reported.insert(p.file);
    }
    std::set<std::string> expected;
    for (const auto& entry : bad) {
        expected.insert(entry.first);
    }
    EXPECT_EQ(reported, expected);
    Salvo hand;
    ASSERT_TRUE(store.Load("hand", hand).ok);
    EXPECT_EQ(hand.routes, (std::map<int, int>{{4, 2}}));
}

TEST_F(SalvoStore, SaveReplacesRenameAndDeleteKeepTheRest) {
    ASSERT_TRUE(store.Save(Salvo{"a", {{1, 1}}}).ok);
    ASSERT_TRUE(store.Save(Salvo{"b", {{2, 2}}}).ok);
    ASSERT_TRUE(store.Save(Salvo{"a", {{1, 5}}}).ok);
    EXPECT_EQ(FilesIn(store.Folder()).size(), 2u) << "the same name is one file";

    EXPECT_FALSE(store.Rename("a", "b").ok) << "b exists";
    EXPECT_FALSE(store.Rename("missing", "c").ok);
    ASSERT_TRUE(store.Rename("a", "c").ok);
    Salvo loaded;
    EXPECT_FALSE(store.Load("a", loaded).ok);
    ASSERT_TRUE(store.Load("c", loaded).ok);
    EXPECT_EQ(loaded, (Salvo{"c", {{1, 5}}}));
    ASSERT_TRUE(store.Load("b", loaded).ok);

    EXPECT_FALSE(store.Delete("a").ok);
    ASSERT_TRUE(store.Delete("b").ok);
    const SalvoListing listing = store.List();
    ASSERT_EQ(listing.salvos.size(), 1u);
    EXPECT_EQ(listing.salvos[0].name, "c");
}

TEST_F(SalvoStore, MissingFolderListsNothingUnreadableFolderIsReported) {
    SalvoListing listing = store.List();
    EXPECT_TRUE(listing.salvos.empty());
    EXPECT_TRUE(listing.problems.empty());

    dir.Write("salvos", "a file where the folder should be");
    listing = store.List();
    EXPECT_TRUE(listing.salvos.empty());
    ASSERT_EQ(listing.problems.size(), 1u);
    EXPECT_EQ(listing.problems[0].file, store.Folder().string());
    EXPECT_FALSE(store.Save(Salvo{"s", {{1, 1}}}).ok);
}

// Files edited by hand: each number shown as written however large, no key silently
// dropped by a later one, "input": null read as none, a syntax error placed.
TEST(SalvoFile, HandEditedTextIsReadStrictly) {
    const auto file = [](const std::string& routes, const std::string& head = "") {
        return R"({"format": "vantel-salvo", "version": 1, )" + head +
               R"("name": "n", "routes": [)" + routes + "]}";
    };
    const struct {
        const char* what;
        std::string text;
        std::string problem;  // empty: read, with routes
        std::map<int, int> routes;
    } cases[] = {
        {"largest unsigned",
         file(R"({"output": 18446744073709551615, "input": 1})"),
         "route 18446744073709551615 -> 1 is out of range",
         {}},
        {"beyond 64 bits",
         file(R"({"output": 1, "input": 99999999999999999999999})"),
         "route 1 -> 99999999999999999999999 is out of range",
         {}},
        {"below 64 bits",
         file(R"({"output": -99999999999999999999, "input": 1})"),
         "route -99999999999999999999 -> 1 is out of range",
         {}},
        {"2^32 + 1",
         file(R"({"output": 4294967297, "input": 1})"),
         "route 4294967297 -> 1 is out of range",
         {}},
        {"fraction",
         file(R"({"output": 2.5, "input": 1})"),
         "route 2.5 -> 1 is not of whole numbers",
         {}},
        {"exponent",
         file(R"({"output": 1e2, "input": 1})"),
         "route 1e2 -> 1 is not of whole numbers",
         {}},
        {"key twice in a route",
         file(R"({"output": 1, "input": 3, "input": 4})"),
         "\"input\" is given twice in one object",
         {}},
        {"key twice at the top",
         file("", R"("name": "m", )"),
         "\"name\" is given twice in one object",
         {}},
        {"null input is none",
         file(R"({"output": 2, "input": null}, {"output": 3, "input": 1})"),
         "",
         {{2, 0}, {3, 1}}},
        {"null output", file(R"({"output": null, "input": 1})"), "a route is not", {}},
        {"string input", file(R"({"output": 1, "input": "1"})"), "a route is not", {}},
        {"missing comma",
         file(R"({"output": 1 "input": 2})"),
         "not valid JSON: parse error at line 1, column",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Salvo read;
        const std::string problem = ParseSalvoFile(c.text, read);
        if (c.problem.empty()) {
            EXPECT_EQ(problem, "");
            EXPECT_EQ(read.routes, c.routes);
        } else {
            EXPECT_EQ(problem.substr(0, c.problem.size()), c.problem) << problem;
        }
    }
}

TEST_F(SalvoStore, TheFileOfASalvoThatCannotBeReadIsNamedWithWhy) {
    ASSERT_TRUE(store.Save(Salvo{"News", {{1, 3}}}).ok);
    const std::string newsFile = FilesIn(store.Folder()).begin()->c_str();
    dir.Write("salvos/" + newsFile, "{\"format\": \"vantel-salvo\", \"vers");  // torn
    dir.Write("salvos/evening.json",
              R"({"format": "vantel-salvo", "version": 1, "name": "Evening",)"
              R"( "routes": [{"output": 1, "input": 2, "input": 3}]})");
    dir.Write("salvos/notes.json", "not json at all");

    const struct {
        const char* name;
        StoreFault fault;
        std::vector<std::string> says;
    } cases[] = {
        // The file Save writes for the name, however broken.
        {"News", StoreFault::kUnreadable, {newsFile, "not valid JSON"}},
        // A file that gives the name but is no salvo.
        {"Evening", StoreFault::kUnreadable, {"evening.json", "given twice"}},
        // Any of the unreadable files may be the one meant.
        {"Morning",
         StoreFault::kMissing,
         {"no salvo named \"Morning\"", "notes.json: not valid JSON"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Salvo salvo;
        for (const StoreResult& result :
             {store.Load(c.name, salvo), store.Delete(c.name), store.Rename(c.name, "Other")}) {
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.fault, c.fault);
            for (const std::string& part : c.says) {
                EXPECT_NE(result.error.find(part), std::string::npos) << result.error;
            }
        }
    }
    EXPECT_EQ(FilesIn(store.Folder()).size(), 3u) << "nothing removed or added";
}

TEST(SalvoFile, RoundTripsEveryRouteAndEscapedName) {
    Salvo salvo{"quote \" backslash \\ \xC3\xA9", {}};
    for (int output = 1; output <= Salvo::kMaxOutputs; ++output) {
        salvo.routes[output] = (output * 7) % (Salvo::kMaxInputs + 1);
    }
    Salvo read;
    ASSERT_EQ(ParseSalvoFile(FormatSalvoFile(salvo), read), "");
    EXPECT_EQ(read, salvo);
}

}  // namespace
}  // namespace vantel
