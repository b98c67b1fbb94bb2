// The text face's pure parts: cutting the stream into bounded blocks, reading a request from
// a block, the blocks that tell a client what changed, the lock table and the route plan.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "hub/lockfile.h"
#include "hub/locktable.h"
#include "hub/routebatch.h"
#include "hub/routeplan.h"
#include "hub/textblockreader.h"
#include "hub/textformat.h"
#include "hub/textrequest.h"
#include "support/tempdir.h"

namespace vantel {
namespace {

using Kind = TextRequestKind;

std::vector<TextBlock> Blocks(const std::string& bytes) {
    CTextBlockReader reader;
    std::vector<TextBlock> blocks;
    reader.Feed(bytes, blocks);
    return blocks;
}

TextRequest Request(const std::string& text) {
    const auto blocks = Blocks(text);
    EXPECT_EQ(blocks.size(), 1u) << text;
    return blocks.empty() ? TextRequest{} : ParseTextRequest(blocks[0], 4, 6);
}

TEST(TextBlockReader, CutsBlocksAtBlankLinesWhateverTheChunks) {
    const std::string stream = "\n\nPING:\n\nVIDEO OUTPUT ROUTING:\r\n1 2\r\n3 0\r\n\r\nINPUT";
    // Fed whole and byte by byte: the same blocks, the unfinished one held back.
    for (const bool bytewise : {false, true}) {
        CTextBlockReader reader;
        std::vector<TextBlock> blocks;
        if (bytewise) {
            for (const char c : stream) {
                reader.Feed(std::string(1, c), blocks);
            }
        } else {
            reader.Feed(stream, blocks);
        }
        ASSERT_EQ(blocks.size(), 2u);
        EXPECT_EQ(blocks[0].header, "PING:");
        EXPECT_EQ(blocks[1].header, "VIDEO OUTPUT ROUTING:");
        EXPECT_EQ(blocks[1].lines, (std::vector<std::string>{"1 2", "3 0"}));
        // The unfinished block comes once its end does.
        reader.Feed(" LABELS:\n2 x\n", blocks);
        EXPECT_TRUE(reader.InBlock());
        reader.Feed("\n", blocks);
        ASSERT_EQ(blocks.size(), 3u);
        EXPECT_EQ(blocks[2].header, "INPUT LABELS:");
    }
}

TEST(TextBlockReader, OverlongLinesAndBlocksAreBadButTheNextBlockIsRead) {
    const std::string megabyte(1 << 20, 'x');
    std::string manyLines = "OUTPUT LABELS:\n";
    for (std::size_t i = 0; i <= CTextBlockReader::kMaxBlockLines; ++i) {
        manyLines += "0 a\n";
    }
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"long header", megabyte + "\n\n"},
        {"long line", "VIDEO OUTPUT ROUTING:\n0 " + megabyte + "\n1 1\n\n"},
        {"too many lines", manyLines + "\n"},
    };
    for (const auto& c : cases) {
        const auto blocks = Blocks(c.bytes + "PING:\n\n");
        ASSERT_EQ(blocks.size(), 2u) << c.name;
        EXPECT_TRUE(blocks[0].oversized) << c.name;
        EXPECT_LE(blocks[0].lines.size(), CTextBlockReader::kMaxBlockLines) << c.name;
        EXPECT_EQ(ParseTextRequest(blocks[0], 4, 6).kind, Kind::kBad) << c.name;
        EXPECT_EQ(blocks[1].header, "PING:") << c.name;
    }
}

TEST(TextRequest, KindsAndBadBlocks) {
    const struct {
        const char* text;
        Kind kind;
    } cases[] = {
        {"PING:\n\n", Kind::kPing},
        {"PROTOCOL PREAMBLE:\n\n", Kind::kDumpPreamble},
        {"VIDEOHUB DEVICE:\n\n", Kind::kDumpDevice},
        {"INPUT LABELS:\n\n", Kind::kDumpInputLabels},
        {"OUTPUT LABELS:\n\n", Kind::kDumpOutputLabels},
        {"VIDEO OUTPUT ROUTING:\n\n", Kind::kDumpRouting},
        {"VIDEO OUTPUT LOCKS:\n\n", Kind::kDumpLocks},
        {"VIDEO OUTPUT ROUTING:\n5 3\n\n", Kind::kRoute},
        {"VIDEO OUTPUT ROUTING:\n0 0\n\n", Kind::kRoute},
        {"INPUT LABELS:\n3 Cam 4\n\n", Kind::kSetInputLabels},
        {"OUTPUT LABELS:\n5 \n\n", Kind::kSetOutputLabels},
        {"VIDEO OUTPUT LOCKS:\n0 O\n1 U\n2 F\n\n", Kind::kLock},
        {"CONFIGURATION:\n\n", Kind::kDumpConfiguration},
        // Blanks around headers and port numbers, and a blank line of spaces and tabs.
        {"PING: \t\n\n", Kind::kPing},
        {" VIDEO OUTPUT ROUTING:\n 5 3\t\n0 1 \n\n", Kind::kRoute},
        {"VIDEO OUTPUT LOCKS:\n0 O \n\n", Kind::kLock},
        {"INPUT LABELS:\n\t3 Cam 4\n \t\n", Kind::kSetInputLabels},
        // Status blocks a router takes and ignores; the device block's friendly name is set.
        {"VIDEOHUB DEVICE:\nDevice present: true\n\n", Kind::kIgnored},
        {"VIDEOHUB DEVICE:\nFriendly name: Studio A\n\n", Kind::kSetFriendlyName},
        {"PROTOCOL PREAMBLE:\nVersion: 2.7\n\n", Kind::kIgnored},
        {"END PRELUDE:\n\n", Kind::kIgnored},
        {"VIDEO OUTPUT STATUS:\n0 BNC\n\n", Kind::kIgnored},
        {"CONFIGURATION:\nTake Mode: false\n\n", Kind::kIgnored},
        {"CONFIGURATION:\nTake Mode: true\n\n", Kind::kBad},  // the hub has no take mode
        // Not understood: the whole block, whatever else it holds.
        {"FOO:\n\n", Kind::kBad},
        {"ping:\n\n", Kind::kBad},
        {"PING\n\n", Kind::kBad},
        {"PING:\n0 1\n\n", Kind::kBad},
        {"MONITORING OUTPUT ROUTING:\n0 1\n\n", Kind::kBad},
        {"VIDEO OUTPUT ROUTING:\n6 0\n\n", Kind::kBad},  // no output 6
        {"VIDEO OUTPUT ROUTING:\n0 4\n\n", Kind::kBad},  // no input 4
        {"VIDEO OUTPUT ROUTING:\n0 1\n-1 0\n\n", Kind::kBad},
        {"VIDEO OUTPUT ROUTING:\n0 +1\n\n", Kind::kBad},
        {"VIDEO OUTPUT ROUTING:\n0 1 2\n\n", Kind::kBad},
        {"VIDEO OUTPUT ROUTING:\n0  1\n\n", Kind::kBad},
        {"VIDEO OUTPUT ROUTING:\n01x 1\n\n", Kind::kBad},
        // Plain decimals only: a leading zero is not how the protocol writes a number.
        {"VIDEO OUTPUT ROUTING:\n05 1\n\n", Kind::kBad},
        {"VIDEO OUTPUT ROUTING:\n0 01\n\n", Kind::kBad},
        {"VIDEO OUTPUT LOCKS:\n00 O\n\n", Kind::kBad},
        {"INPUT LABELS:\n03 Cam\n\n", Kind::kBad},
        {"VIDEO OUTPUT ROUTING:\n99999999999 1\n\n", Kind::kBad},
        {"INPUT LABELS:\n4 Cam\n\n", Kind::kBad},  // no input 4
        {"INPUT LABELS:\n1\n\n", Kind::kBad},
        {"VIDEO OUTPUT LOCKS:\n0 L\n\n", Kind::kBad},
        {"VIDEO OUTPUT LOCKS:\n0 OU\n\n", Kind::kBad},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Request(c.text).kind, c.kind) << c.text;
    }
}

TEST(TextRequest, ValuesOfChanges) {
    EXPECT_EQ(Request("VIDEO OUTPUT ROUTING:\n5 3\n0 0\n\n").routes,
              (std::vector<std::pair<int, int>>{{5, 3}, {0, 0}}));
    // A label keeps everything after the first space, spaces included.
    EXPECT_EQ(Request("INPUT LABELS:\n2  Two  words \n\n").labels,
              (std::vector<std::pair<int, std::string>>{{2, " Two  words "}}));
    EXPECT_EQ(Request("VIDEO OUTPUT LOCKS:\n4 O\n\n").locks,
              (std::vector<std::pair<int, char>>{{4, 'O'}}));
    EXPECT_EQ(Request("VIDEOHUB DEVICE:\nModel name: x\nFriendly name:  Studio A \t\n\n").name,
              "Studio A");
    // Without a device nothing names a port.
    const auto blocks = Blocks("VIDEO OUTPUT ROUTING:\n0 0\n\n");
    EXPECT_EQ(ParseTextRequest(blocks[0], 0, 0).kind, Kind::kBad);
}

HubSnapshot State(std::vector<int> sources) {
    HubSnapshot state;
    state.present = true;
    state.image = CStateImage::FromRoutes(3, sources);
    state.inputLabels = {"A", "B", "C"};
    state.outputLabels.assign(sources.size(), "out");
    state.lockOwners.assign(sources.size(), LockOwner());
    return state;
}

// The dump on connect, block by block and field by field, as the public description of the
// protocol has a router send it.
TEST(TextFormat, DumpHoldsTheDescribedBlocksInOrder) {
    HubSnapshot state = State({0, 1, -1});
    state.friendlyName = "Studio A";
    state.uniqueId = "0A1B2C3D4E5F";
    state.lockOwners[1] = LockOwner::Address("127.0.0.1");
    const auto blocks =
        Blocks(PreambleBlock() + StateBlocks(state, LockOwner::Address("127.0.0.2")));
    const struct {
        const char* header;
        std::vector<std::string> lines;
    } expected[] = {
        {"PROTOCOL PREAMBLE:", {"Version: 2.7"}},
        {"VIDEOHUB DEVICE:",
         {"Device present: true", "Model name: Vantel Matrix Switcher", "Friendly name: Studio A",
          "Unique ID: 0A1B2C3D4E5F", "Video inputs: 3", "Video processing units: 0",
          "Video outputs: 3", "Video monitoring outputs: 0", "Serial ports: 0"}},
        {"INPUT LABELS:", {"0 A", "1 B", "2 C"}},
        {"OUTPUT LABELS:", {"0 out", "1 out", "2 out"}},
        {"VIDEO OUTPUT LOCKS:", {"0 U", "1 L", "2 U"}},
        {"VIDEO OUTPUT ROUTING:", {"0 0", "1 1"}},
        {"CONFIGURATION:", {"Take Mode: false"}},
    };
    ASSERT_EQ(blocks.size(), std::size(expected));
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].header, expected[i].header);
        EXPECT_EQ(blocks[i].lines, expected[i].lines) << expected[i].header;
    }
    // Without a friendly name the model's name stands in; an absent device is that alone.
    state.friendlyName.clear();
    EXPECT_NE(DeviceBlock(state).find("Friendly name: Vantel Matrix Switcher\n"),
              std::string::npos);
    state.present = false;
    EXPECT_EQ(StateBlocks(state, {}), "VIDEOHUB DEVICE:\nDevice present: false\n\n");
}

TEST(TextFormat, ChangeBlocksNameOnlyWhatChangedAsEachClientSeesIt) {
    const LockOwner me = LockOwner::Address("127.0.0.1");
    const LockOwner other = LockOwner::Address("127.0.0.2");
    const HubSnapshot before = State({0, 1, -1});
    HubSnapshot after = before;
    EXPECT_EQ(ChangeBlocks(before, after, me), "");

    after.image = CStateImage::FromRoutes(3, std::vector<int>{0, 2, 1});
    after.inputLabels[1] = "Bee";
    after.lockOwners[2] = me;
    EXPECT_EQ(ChangeBlocks(before, after, me),
              "INPUT LABELS:\n1 Bee\n\nVIDEO OUTPUT ROUTING:\n1 2\n2 1\n\n"
              "VIDEO OUTPUT LOCKS:\n2 O\n\n");
    EXPECT_EQ(ChangeBlocks(before, after, other),
              "INPUT LABELS:\n1 Bee\n\nVIDEO OUTPUT ROUTING:\n1 2\n2 1\n\n"
              "VIDEO OUTPUT LOCKS:\n2 L\n\n");

    // A new friendly name: the device block.
    HubSnapshot renamed = after;
    renamed.friendlyName = "Studio B";
    EXPECT_EQ(ChangeBlocks(after, renamed, me).rfind("VIDEOHUB DEVICE:\n", 0), 0u);
    EXPECT_NE(ChangeBlocks(after, renamed, me).find("Friendly name: Studio B\n"),
              std::string::npos);

    // The device gone and back: the device block alone, then everything.
    HubSnapshot gone = after;
    gone.present = false;
    EXPECT_EQ(ChangeBlocks(after, gone, me), "VIDEOHUB DEVICE:\nDevice present: false\n\n");
    const std::string back = ChangeBlocks(gone, after, me);
    EXPECT_EQ(back.rfind("VIDEOHUB DEVICE:\nDevice present: true\n", 0), 0u) << back;
    EXPECT_NE(back.find("Video inputs: 3\n"), std::string::npos);
    EXPECT_NE(back.find("OUTPUT LABELS:\n0 out\n1 out\n2 out\n\n"), std::string::npos);
    EXPECT_NE(back.find("VIDEO OUTPUT ROUTING:\n0 0\n1 2\n2 1\n\n"), std::string::npos);
    EXPECT_NE(back.find("VIDEO OUTPUT LOCKS:\n0 U\n1 U\n2 O\n\n"), std::string::npos);
}

TEST(LockOwner, OneOwnerPerAddressOrUser) {
    const struct {
        LockOwner owner;
        const char* key;
        const char* described;
    } cases[] = {
        {LockOwner::Address("127.0.0.1"), "address 127.0.0.1", "127.0.0.1"},
        // An IPv4 client seen through an IPv6 socket is the same client.
        {LockOwner::Address("::ffff:127.0.0.1"), "address 127.0.0.1", "127.0.0.1"},
        {LockOwner::Address("::1"), "address ::1", "::1"},
        {LockOwner::User("alice"), "user alice", "user alice"},
        // A line end in a name would break the lock file.
        {LockOwner::User("a\nb"), "user a?b", "user a?b"},
        {LockOwner::Address(""), "", "nobody"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.owner.Key(), c.key) << c.key;
        EXPECT_EQ(c.owner.Describe(), c.described) << c.key;
        if (!c.owner.IsNobody()) {
            EXPECT_EQ(LockOwner::FromKey(c.owner.Key()), c.owner) << c.key;
        }
    }
    EXPECT_NE(LockOwner::User("127.0.0.1"), LockOwner::Address("127.0.0.1"));
    for (const char* bad : {"", "address", "address ", "group x", "user a\tb"}) {
        EXPECT_FALSE(LockOwner::FromKey(bad)) << bad;
    }
}

TEST(LockTable, OwnersAndRefusals) {
    const LockOwner a = LockOwner::Address("127.0.0.1");
    const LockOwner b = LockOwner::Address("127.0.0.2");
    CLockTable locks;
    locks.Resize(4);
    std::vector<LockEvent> events;
    EXPECT_TRUE(locks.Apply(a, {{0, 'O'}, {1, 'O'}}, false, &events));
    EXPECT_EQ(events.size(), 2u);
    // All or nothing: one refused change keeps the others from being made.
    EXPECT_FALSE(locks.Apply(b, {{2, 'O'}, {1, 'O'}}, false));
    EXPECT_FALSE(locks.Apply(b, {{0, 'U'}}, false));
    EXPECT_FALSE(locks.Apply(b, {{0, 'F'}}, false));
    EXPECT_FALSE(locks.Apply(b, {{9, 'O'}}, false));
    EXPECT_FALSE(locks.Apply(LockOwner(), {{3, 'O'}}, true));
    EXPECT_EQ(locks.Owners(), (std::vector<LockOwner>{a, a, {}, {}}));
    EXPECT_TRUE(locks.HeldByOther(0, b));
    EXPECT_FALSE(locks.HeldByOther(0, a));

    // Locking again or unlocking what is open changes nothing and records nothing.
    events.clear();
    EXPECT_TRUE(locks.Apply(a, {{0, 'O'}, {3, 'U'}}, false, &events));
    EXPECT_TRUE(events.empty());
    // A force names whom it took the lock from.
    EXPECT_TRUE(locks.Apply(b, {{0, 'F'}, {2, 'O'}}, true, &events));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].change, 'F');
    EXPECT_EQ(events[0].previous, a);
    EXPECT_EQ(locks.Owners(), (std::vector<LockOwner>{{}, a, b, {}}));
    locks.Resize(2);  // fewer outputs: the lock of a gone output goes with it
    EXPECT_EQ(locks.Owners(), (std::vector<LockOwner>{{}, a}));
}

TEST(LockFile, KeepsLocksAndSkipsWhatIsNotOne) {
    test::TempDir dir;
    const std::string path = LockFileBeside((dir.Path() / "setup.ini").string());
    EXPECT_EQ(path, (dir.Path() / kLockFileName).string());
    EXPECT_TRUE(ReadLockFile(path).empty());  // no file yet

    const std::vector<LockOwner> owners{
        {}, LockOwner::Address("127.0.0.1"), {}, LockOwner::User("alice")};
    ASSERT_TRUE(WriteLockFile(path, owners));
    EXPECT_EQ(ReadLockFile(path), owners);

    // Lines that are no lock of ours (edited, torn, out of range) are skipped, the rest kept.
    std::ofstream(path) << "2 address 127.0.0.3\r\n-1 address 127.0.0.4\n"
                           "99999 address 127.0.0.5\n256 user x\n3 nobody here\n"
                           "x user y\n\n1 user " +
                               std::string(LockOwner::kMaxNameBytes + 1, 'n') + "\n0 user bob";
    EXPECT_EQ(
        ReadLockFile(path),
        (std::vector<LockOwner>{LockOwner::User("bob"), {}, LockOwner::Address("127.0.0.3")}));
    EXPECT_TRUE(LockFileBeside("").empty());
}

TEST(RoutePlan, SwitchCommandsLeaveOtherOutputsAlone) {
    // Outputs 0..4 fed by inputs 0, 0, 1, none, 2.
    const CStateImage live = CStateImage::FromRoutes(3, std::vector<int>{0, 0, 1, -1, 2});
    // Output 1 to input 1 and output 2 to input 0 in one request: each input's command lists
    // every output that is to end up on it, and nothing that is to stay elsewhere.
    const auto plan = PlanRoutes(live, {{1, 1}, {2, 0}, {3, 2}, {3, 1}});
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].input, 0);
    EXPECT_EQ(plan[0].outputs, (std::vector<int>{0, 2}));
    EXPECT_EQ(plan[1].input, 1);
    EXPECT_EQ(plan[1].outputs, (std::vector<int>{1, 3}));
    EXPECT_EQ(SwitchPayload(live, plan[1]), (std::vector<std::uint8_t>{1, 4, 6}));

    // A switch changes the outputs it adds and those of its input it leaves out.
    const std::vector<std::uint8_t> payload{0, 3 + 1, 3 + 3, 3 + 3, 99};
    EXPECT_EQ(OutputsChangedBySwitch(live, payload), (std::vector<int>{0, 3}));
    EXPECT_EQ(OutputsThatDiffer(live, CStateImage::FromRoutes(3, std::vector<int>{0, 1, 1, -1, 2})),
              (std::vector<int>{1}));

    // The image a switch answered done leaves: listed outputs on the input, the ones it fed
    // and are not listed on nothing, the rest as they were; no such input, no change.
    const struct {
        std::vector<std::uint8_t> payload;
        std::vector<int> sources;
    } switches[] = {
        {{0, 3 + 3, 3 + 4}, {-1, -1, 1, 0, 0}},
        {{1, 3 + 2}, {0, 0, 1, -1, 2}},
        {{2}, {0, 0, 1, -1, -1}},
        {{7, 3 + 0}, {0, 0, 1, -1, 2}},
    };
    for (const auto& s : switches) {
        EXPECT_EQ(AfterSwitch(live, s.payload), CStateImage::FromRoutes(3, s.sources))
            << int(s.payload[0]);
    }
}

TEST(RouteBatch, AcceptedBatchesMergeInOrderAndLockedOnesAreLeftOutWhole) {
    const LockOwner a = LockOwner::Address("127.0.0.1");
    const LockOwner b = LockOwner::Address("127.0.0.2");
    HubSnapshot state = State({0, 1, 2});
    CLockTable locks;
    locks.Resize(3);
    ASSERT_TRUE(locks.Apply(a, {{2, 'O'}}, false));
    state.lockOwners = locks.Owners();

    // b may route output 2 to the input it already has, not elsewhere; a may.
    EXPECT_TRUE(RoutesAllowed(state, state.lockOwners, b, {{2, 2}, {0, 1}}));
    EXPECT_FALSE(RoutesAllowed(state, state.lockOwners, b, {{0, 1}, {2, 0}}));
    EXPECT_TRUE(RoutesAllowed(state, state.lockOwners, a, {{2, 0}}));

    std::vector<RouteBatch> refused;
    const Routes merged = MergeBatches(
        {{b, {{0, 1}}}, {b, {{1, 0}, {2, 0}}}, {a, {{2, 1}, {0, 2}}}}, state, locks, refused);
    EXPECT_EQ(merged, (Routes{{0, 1}, {2, 1}, {0, 2}}));
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].routes, (Routes{{1, 0}, {2, 0}}));

    // What the device did not take: the last route for an output counts.
    EXPECT_EQ(RoutesNotHeld(state, {{0, 1}, {0, 0}, {1, 1}}), Routes{});
    EXPECT_EQ(RoutesNotHeld(state, {{0, 0}, {0, 1}, {2, 0}}), (Routes{{0, 1}, {2, 0}}));

    // Named with ports from 1 and cut to its bound after a whole item.
    EXPECT_EQ(NotTakenText(b, "locked", {{2, 0}}, state),
              "by 127.0.0.2 (locked): out 3 to in 1 (holds in 3)");
    const std::string cut = NotTakenText(b, "x", Routes(72, {0, 1}), state, 100);
    EXPECT_LE(cut.size(), 100u);
    EXPECT_EQ(cut.substr(cut.size() - 5), ", ...");
}

}  // namespace
}  // namespace vantel
