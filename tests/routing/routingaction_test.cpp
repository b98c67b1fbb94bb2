// Journaled actions and undo against the device model: undo restores what the last action
// changed, leaves an output another client changed since and reports it, and a second undo
// takes the first one back.
#include <gtest/gtest.h>

#include <filesystem>

#include "faultydevice.h"
#include "routing/routingaction.h"
#include "support/tempdir.h"

namespace vantel {
namespace {

using test::Fault;
using test::FaultyDevice;

class Undo : public ::testing::Test {
protected:
    Undo() { d.Route(before); }

    test::TempDir dir;
    CJournal journal{CJournal::FileBeside(dir.Path() / "setup.ini")};
    FaultyDevice d;
    const std::vector<int> before = {1, 2, 3, 4, 5, 6, 7, 8};
    // Changes outputs 1, 2 and 6; output 3 already shows input 3.
    const Salvo salvo{"night", {{1, 4}, {2, 0}, {3, 3}, {6, 4}}};
    const std::vector<int> taken = {4, 0, 3, 4, 5, 4, 7, 8};
};

TEST_F(Undo, TakeJournalsTheChangedOutputsBeforeApplying) {
    const ActionResult result = TakeSalvo(d.link, journal, salvo, "salvo");
    ASSERT_TRUE(result.apply.ok);
    EXPECT_TRUE(result.journaled);
    EXPECT_EQ(d.Live(), taken);
    const auto last = journal.Last();
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->action, "salvo");
    EXPECT_EQ(last->name, "night");
    EXPECT_FALSE(last->time.empty());
    const std::vector<OutputChange> changed = {{1, 1, 4}, {2, 2, 0}, {6, 6, 4}};
    EXPECT_EQ(last->outputs, changed);
}

TEST_F(Undo, SecondUndoRedoes) {
    ASSERT_TRUE(TakeSalvo(d.link, journal, salvo, "salvo").apply.ok);
    const UndoResult first = UndoLast(d.link, journal);
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(d.Live(), before);
    EXPECT_EQ(first.undone.name, "night");
    EXPECT_EQ(first.restored.size(), 3u);
    EXPECT_TRUE(first.conflicts.empty());

    const UndoResult second = UndoLast(d.link, journal);
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.undone.action, kUndoAction);
    EXPECT_EQ(d.Live(), taken);
    EXPECT_EQ(journal.Actions().size(), 3u);
}

TEST_F(Undo, OutputChangedByAnotherClientIsLeftAndReported) {
    ASSERT_TRUE(TakeSalvo(d.link, journal, salvo, "salvo").apply.ok);
    // Another client routes input 7 to output 6 (and keeps output 7).
    ASSERT_EQ(d.device.Handle(12, std::vector<std::uint8_t>{6, 8 + 5, 8 + 6}).status, 0);
    const UndoResult undo = UndoLast(d.link, journal);
    EXPECT_TRUE(undo.ok);
    EXPECT_EQ(undo.conflicts, (std::vector<OutputMismatch>{{6, 4, 7}}));
    EXPECT_EQ(d.Live(), (std::vector<int>{1, 2, 3, 4, 5, 7, 7, 8}));
    EXPECT_EQ(journal.Last()->outputs, (std::vector<OutputChange>{{1, 4, 1}, {2, 0, 2}}));
}

TEST_F(Undo, OutputsGoneWithAResizeAreConflicts) {
    ASSERT_TRUE(TakeSalvo(d.link, journal, salvo, "salvo").apply.ok);
    auto setup = d.device.Setup();
    setup[CSwitcher::kOutputCountOffset] = 4;  // output 6 goes
    setup[CSwitcher::kInputCountOffset] = 3;   // and so does input 4, unrouting output 1
    ASSERT_EQ(d.device.Handle(6, setup).status, 0);
    const UndoResult undo = UndoLast(d.link, journal);
    EXPECT_TRUE(undo.ok);
    EXPECT_EQ(undo.conflicts, (std::vector<OutputMismatch>{{1, 4, 0}, {6, 4, 0}}));
    EXPECT_EQ(d.Live(), (std::vector<int>{0, 2, 3, 0}));
}

TEST_F(Undo, NothingToUndoChangesNothing) {
    const UndoResult undo = UndoLast(d.link, journal);
    EXPECT_FALSE(undo.ok);
    EXPECT_TRUE(undo.nothingToUndo);
    EXPECT_EQ(d.switches, 0);
}

TEST_F(Undo, NoActionWithoutItsJournalLine) {
    std::filesystem::create_directories(journal.File());  // the journal cannot be written
    const ActionResult result = TakeSalvo(d.link, journal, salvo, "salvo");
    EXPECT_FALSE(result.apply.ok);
    EXPECT_FALSE(result.journaled);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(d.switches, 0);
    EXPECT_EQ(d.Live(), before);
}

TEST_F(Undo, TakeCutShortIsTakenBackWhole) {
    // The device ignores input 4's frame: outputs 1 and 6 lose their inputs but never take 4;
    // output 2 is as the take left it.
    d.script = [](const Frame& r) {
        return r.cmd == 12 && r.payload[0] == 3 ? test::Fault::kIgnore : test::Fault::kNone;
    };
    const ActionResult take = TakeSalvo(d.link, journal, salvo, "salvo");
    EXPECT_FALSE(take.apply.ok);
    d.script = nullptr;
    const UndoResult undo = UndoLast(d.link, journal);
    EXPECT_TRUE(undo.ok);
    EXPECT_TRUE(undo.conflicts.empty());
    EXPECT_EQ(undo.restored, (std::vector<OutputChange>{{1, 0, 1}, {2, 0, 2}, {6, 0, 6}}));
    EXPECT_EQ(d.Live(), before);
}

TEST_F(Undo, ActionsThatChangedNothingArePassedOver) {
    ASSERT_TRUE(TakeSalvo(d.link, journal, salvo, "salvo").apply.ok);
    d.script = [](const Frame& r) { return r.cmd == 12 ? Fault::kRefuse : Fault::kNone; };
    EXPECT_FALSE(TakeSalvo(d.link, journal, Salvo{"route 8", {{8, 1}}}, "route").apply.ok);
    const UndoResult refused = UndoLast(d.link, journal);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.undone.name, "night");
    EXPECT_TRUE(refused.restored.empty());
    EXPECT_EQ(d.Live(), taken);

    d.script = nullptr;
    const UndoResult undo = UndoLast(d.link, journal);
    EXPECT_TRUE(undo.ok);
    EXPECT_EQ(undo.undone.name, "night");
    EXPECT_EQ(d.Live(), before);
}

TEST_F(Undo, OutputAnotherClientUnroutedAfterTheActionIsAConflict) {
    ASSERT_TRUE(TakeSalvo(d.link, journal, salvo, "salvo").apply.ok);
    // Another client leaves input 4 on outputs 1 and 4: output 6 (given input 4) loses it.
    ASSERT_EQ(d.device.Handle(12, std::vector<std::uint8_t>{3, 8 + 0, 8 + 3}).status, 0);
    const UndoResult undo = UndoLast(d.link, journal);
    EXPECT_EQ(undo.conflicts, (std::vector<OutputMismatch>{{6, 4, 0}}));
    EXPECT_EQ(undo.restored, (std::vector<OutputChange>{{1, 4, 1}, {2, 0, 2}}));
    EXPECT_EQ(d.Held(6), 0);
}

TEST_F(Undo, DamagedLastLineIsNamedAndNothingIsUndone) {
    ASSERT_TRUE(TakeSalvo(d.link, journal, salvo, "salvo").apply.ok);
    ASSERT_TRUE(TakeSalvo(d.link, journal, Salvo{"B", {{8, 1}}}, "salvo").apply.ok);
    const std::string text = test::ReadFile(journal.File().string());
    const std::size_t lastLine = text.rfind('\n', text.size() - 2) + 1;
    test::WriteFile(journal.File().string(),
                    text.substr(0, lastLine) + "{\"time\": 12, \"name\": \"B\"}\n");
    const int switches = d.switches;
    const UndoResult undo = UndoLast(d.link, journal);
    EXPECT_FALSE(undo.ok);
    EXPECT_EQ(undo.damagedLine, std::optional<std::size_t>(4));
    EXPECT_NE(undo.action.error.find("line 4 of"), std::string::npos) << undo.action.error;
    EXPECT_EQ(d.switches, switches);
}

// An undo killed after its first frame (the progress callback throws, as a kill would stop it
// there) is finished by the next undo from its journal record; the undo after that redoes the
// whole action, and so on, never flipping between partial states.
TEST_F(Undo, UndoCutShortIsFinishedByTheNextOne) {
    struct Killed {};
    ASSERT_TRUE(TakeSalvo(d.link, journal, salvo, "salvo").apply.ok);
    EXPECT_THROW(UndoLast(d.link, journal,
                          [](int sent, int) {
                              if (sent == 1) {
                                  throw Killed{};
                              }
                          }),
                 Killed);
    ASSERT_NE(d.Live(), before);
    ASSERT_NE(d.Live(), taken);

    const UndoResult finish = UndoLast(d.link, journal);
    EXPECT_TRUE(finish.ok);
    EXPECT_TRUE(finish.resumed);
    EXPECT_EQ(finish.restored.size(), 3u);
    EXPECT_EQ(d.Live(), before);
    for (const auto& expected : {taken, before, taken}) {
        const UndoResult next = UndoLast(d.link, journal);
        EXPECT_TRUE(next.ok);
        EXPECT_FALSE(next.resumed);
        EXPECT_EQ(d.Live(), expected);
    }
}

}  // namespace
}  // namespace vantel
