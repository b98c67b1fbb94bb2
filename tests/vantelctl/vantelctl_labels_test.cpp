// vantelctl labels export and labels import against settings files of the test's own: the
// round trip through a spreadsheet's CSV, and that an import writes all of its rows in the
// file's own encoding or nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "ctlrun.h"
#include "settings/buttonlabel.h"
#include "settings/inifile.h"
#include "settings/textcodec.h"
#include "support/tempdir.h"

namespace {

using vantel::ButtonKind;
using vantel::ButtonLabelKey;
using vantel::CtlResult;
using vantel::ParseObject;
using vantel::RunCtl;
using vantel::test::ReadFile;
using vantel::test::TempDir;
using vantel::test::WriteFile;

class LabelsTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return (m_dir.Path() / name).string(); }

    CtlResult Ctl(const std::string& config, std::vector<std::string> args) const {
        args.insert(args.begin(), {"--config", config});
        return RunCtl(args, {"XDG_CONFIG_HOME=" + Path("home")});
    }

    static std::string Label(const std::string& config, ButtonKind kind, int number) {
        CIniFile ini(config);
        return ini.GetString(ButtonLabelKey(kind, number - 1), "BUTTON", "");
    }

    TempDir m_dir;
};

TEST_F(LabelsTest, ExportThenImportCarriesEveryLabel) {
    std::string longest = "\xC3\xA9";  // 254 bytes: the longest label that reads back
    for (int i = 0; i < 63; ++i) {
        longest += "\xF0\x9F\x8E\xA5";
    }
    const std::vector<std::pair<std::string, std::string>> labels{
        {ButtonLabelKey(ButtonKind::kInput, 0), "Cam, left"},
        {ButtonLabelKey(ButtonKind::kInput, 71), "say \"hi\", twice"},
        {ButtonLabelKey(ButtonKind::kOutput, 0), "\xF0\x9F\x8E\xA5 stage"},
        {ButtonLabelKey(ButtonKind::kOutput, 71), longest},
    };
    const std::string source = Path("source.ini");
    ASSERT_NE(CIniFile(source).SetStrings(labels, "BUTTON"), 0);
    const std::string csv = Path("labels.csv");
    ASSERT_EQ(Ctl(source, {"labels", "export", csv}).code, 0);

    const std::string target = Path("target.ini");
    WriteFile(target, "[BUTTON]\r\n3000=old\r\n2501=other\r\n");
    const CtlResult result = Ctl(target, {"--json", "labels", "import", csv});
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(ParseObject(result.out)["changes"].size(), 5u) << result.out;
    for (const ButtonKind kind : {ButtonKind::kInput, ButtonKind::kOutput}) {
        for (int number = 1; number <= vantel::kMaxLabelButtons; ++number) {
            EXPECT_EQ(Label(target, kind, number), Label(source, kind, number)) << number;
        }
    }
    const CtlResult again = Ctl(target, {"labels", "import", csv});
    EXPECT_EQ(again.out, "no label changes\n");
}

TEST_F(LabelsTest, WritesNothingForABadRowOrADryRun) {
    const std::string config = Path("setup.ini");
    const std::string before = "; ours\n[BUTTON]\n3000=Cam 1\n";
    WriteFile(config, before);
    const std::string bad = Path("bad.csv");
    WriteFile(bad, "kind,number,label\ninput,1,New\r\n\"output\",2,\"two\nlines\"\noutput,80,x\n");
    const std::string good = Path("good.csv");
    WriteFile(good, "input,1,New\noutput,2,\"two\nlines\"\n");

    const CtlResult refused = Ctl(config, {"labels", "import", bad});
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("bad.csv line 5: number must be 1 to 72"), std::string::npos)
        << refused.err;
    EXPECT_EQ(ReadFile(config), before);

    const CtlResult dry = Ctl(config, {"labels", "import", good, "--dry-run"});
    EXPECT_EQ(dry.code, 0) << dry.err;
    EXPECT_EQ(dry.out,
              "input 1: \"Cam 1\" -> \"New\"\noutput 2: \"\" -> \"two lines\"\n"
              "2 labels would change; dry run, nothing written\n");
    EXPECT_EQ(ReadFile(config), before);

    EXPECT_EQ(Ctl(config, {"labels", "import", good}).code, 0);
    EXPECT_EQ(Label(config, ButtonKind::kOutput, 2), "two lines");
}

TEST_F(LabelsTest, ImportKeepsALegacyFileInItsEncoding) {
    const std::string config = Path("setup.ini");
    WriteFile(config, "[BUTTON]\r\n3000=\xD6\xD0\r\n");  // "中" in GB18030: not UTF-8
    const std::string csv = Path("labels.csv");
    const std::string wanted = "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x8E\xA5";  // "中文 🎥"
    WriteFile(csv, "\xEF\xBB\xBFkind,number,label\r\noutput,1," + wanted + "\r\n");

    const CtlResult result = Ctl(config, {"labels", "import", csv});
    ASSERT_EQ(result.code, 0) << result.err;
    const std::string bytes = ReadFile(config);
    EXPECT_NE(bytes.find("2500=\xD6\xD0\xCE\xC4 \x94\x39\xC0\x33\r\n"), std::string::npos);
    EXPECT_FALSE(vantel::IsValidUtf8(bytes));
    EXPECT_EQ(Label(config, ButtonKind::kOutput, 1), wanted);
    EXPECT_EQ(Label(config, ButtonKind::kInput, 1), "\xE4\xB8\xAD");
}

// A legacy file whose only bytes that are not UTF-8 an import would replace: the rest would
// then read as UTF-8 and mean something else, so nothing is written and the reason is given.
TEST_F(LabelsTest, RefusesAWriteThatWouldLeaveALegacyFileReadingAsUtf8) {
    const std::string config = Path("setup.ini");
    // "前" (C7 B0, which happens to be well-formed UTF-8) and "摄像" (not UTF-8).
    const std::string before = "[BUTTON]\r\n3000=\xC7\xB0\r\n3001=\xC9\xE3\xCF\xF1\r\n";
    WriteFile(config, before);
    const std::string csv = Path("labels.csv");
    WriteFile(csv, "input,2,Cam\r\n");

    const CtlResult result = Ctl(config, {"labels", "import", csv});
    EXPECT_EQ(result.code, 3);
    EXPECT_TRUE(vantel::IsOneErrorLine(result.err)) << result.err;
    EXPECT_NE(result.err.find("GB18030"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("nothing written"), std::string::npos) << result.err;
    EXPECT_EQ(ReadFile(config), before);
}

// "Unicode Text" and semicolon CSV import exactly; a file in a code page is one line saying so.
TEST_F(LabelsTest, ImportsWhatSpreadsheetsSaveAndNamesWhatItCannotRead) {
    const std::string rows =
        "kind#number#label\r\ninput#1#Cam, left\r\n"
        "output#2#\"Say \"\"hi\"\"\"\r\n";
    const auto separated = [&rows](char separator) {
        std::string text = rows;
        std::replace(text.begin(), text.end(), '#', separator);
        return text;
    };
    const std::vector<std::pair<const char*, std::string>> files = {
        {"unicode.txt", "\xFF\xFE" + vantel::Utf8ToUtf16(separated('\t'), false)},
        {"semicolons.csv", separated(';')},
    };
    const std::string config = Path("setup.ini");
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        WriteFile(config, "[BUTTON]\n");
        WriteFile(Path(name), bytes);
        const CtlResult result = Ctl(config, {"labels", "import", Path(name)});
        EXPECT_EQ(result.code, 0) << result.err;
        EXPECT_EQ(Label(config, ButtonKind::kInput, 1), "Cam, left");
        EXPECT_EQ(Label(config, ButtonKind::kOutput, 2), "Say \"hi\"");
    }

    const std::string before = "[BUTTON]\n3000=Cam 1\n";
    WriteFile(config, before);
    WriteFile(Path("ansi.csv"), "kind,number,label\r\ninput,1,Caf\xE9\r\n");
    const CtlResult refused = Ctl(config, {"labels", "import", Path("ansi.csv")});
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(vantel::IsOneErrorLine(refused.err)) << refused.err;
    EXPECT_NE(refused.err.find("ansi.csv: the file is not UTF-8 but in an 8-bit code page (line 2"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(ReadFile(config), before);
}

}  // namespace
