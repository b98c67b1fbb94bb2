// The action journal: a line per action, readable after a kill tore the last line, bounded in
// size without losing the newest actions.
#include <gtest/gtest.h>

#include <filesystem>

#include "routing/journal.h"
#include "support/tempdir.h"

namespace vantel {
namespace {

JournalEntry Entry(const std::string& name, int outputs = 1) {
    JournalEntry entry;
    entry.time = "2026-01-02T03:04:05.006Z";
    entry.action = "salvo";
    entry.name = name;
    for (int o = 1; o <= outputs; ++o) {
        entry.outputs.push_back({o, o % 5, (o + 1) % 5});
    }
    return entry;
}

class Journal : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string file = CJournal::FileBeside(dir.Path() / "setup.ini").string();
};

TEST_F(Journal, TornLastLineIsSkippedAndTheNextEntryStandsAlone) {
    CJournal journal(file);
    ASSERT_TRUE(journal.Append(Entry("one")));
    ASSERT_TRUE(journal.Append(Entry("two")));
    std::string text = test::ReadFile(file);
    test::WriteFile(file, text + text.substr(0, text.size() / 3));  // killed mid-write
    std::size_t skipped = 0;
    EXPECT_EQ(journal.Read(&skipped).size(), 2u);
    EXPECT_EQ(skipped, 1u);

    ASSERT_TRUE(journal.Append(Entry("three")));
    const auto entries = journal.Read(&skipped);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries.back(), Entry("three"));
    EXPECT_EQ(skipped, 1u);
}

TEST_F(Journal, LinesThatAreNoEntryAreSkipped) {
    const std::vector<std::string> lines = {
        "not json",
        "[]",
        R"({"time": "t", "action": "salvo", "name": "n"})",
        R"({"time": "t", "action": "salvo", "name": "n", "outputs": [{"output": 73, "before": 1, "after": 2}]})",
        R"({"time": "t", "action": "salvo", "name": "n", "outputs": [{"output": 1, "before": -1, "after": 2}]})",
        R"({"time": "t", "action": "salvo", "name": 5, "outputs": []})",
        R"({"time": ")" + std::string(100000, 'x') +
            R"(", "action": "a", "name": "n", "outputs": []})",
    };
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    test::WriteFile(file, text);
    CJournal journal(file);
    ASSERT_TRUE(journal.Append(Entry("good")));
    std::size_t skipped = 0;
    const auto entries = journal.Read(&skipped);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], Entry("good"));
    EXPECT_EQ(skipped, lines.size());
}

TEST_F(Journal, StaysWithinItsCapKeepingTheNewestEntries) {
    CJournal journal(file, 0);  // the smallest cap it takes
    int appended = 0;
    // About three caps' worth of lines.
    for (int more = 0; more < 150; ++more) {
        ASSERT_TRUE(journal.Append(Entry("n" + std::to_string(appended++), 72)));
        EXPECT_LE(std::filesystem::file_size(file), 2 * CJournal::kMaxLineBytes);
    }
    const auto entries = journal.Read();
    ASSERT_FALSE(entries.empty());
    EXPECT_LT(entries.size(), static_cast<std::size_t>(appended));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, "n" + std::to_string(appended - entries.size() + i));
    }
}

TEST_F(Journal, NameBytesThatAreNoTextStillGiveAReadableLine) {
    CJournal journal(file);
    ASSERT_TRUE(journal.Append(Entry("bad \xFF\xFE name")));
    ASSERT_EQ(journal.Read().size(), 1u);
}

// The hub records locks and changes the device did not take in the same journal; the action
// that undo takes back is still the newest one that changed the routing.
TEST_F(Journal, RecordsOfTheHubAreNoActionToUndo) {
    CJournal journal(file);
    ASSERT_TRUE(journal.Append(Entry("taken")));
    for (const char* record : {"lock", "unlock", "force unlock", "not taken"}) {
        ASSERT_TRUE(journal.Append(JournalEntry{"", record, "out 3 by 127.0.0.1", {}}));
    }
    EXPECT_EQ(journal.Read().size(), 5u);
    ASSERT_TRUE(journal.Last().has_value());
    EXPECT_EQ(journal.Last()->name, "taken");
    // A salvo that happens to change nothing is an action still.
    ASSERT_TRUE(journal.Append(Entry("empty", 0)));
    EXPECT_EQ(journal.Last()->name, "empty");
}

TEST_F(Journal, UnwritablePlaceFailsWithAReason) {
    std::filesystem::create_directories(file);  // a folder where the file should be
    CJournal journal(file);
    std::string error;
    EXPECT_FALSE(journal.Append(Entry("x"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(journal.Last().has_value());
}

}  // namespace
}  // namespace vantel
