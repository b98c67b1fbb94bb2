// vantelctl labels export and labels import against settings files of the test's own: the
// round trip through a spreadsheet's CSV, and that an import writes all of its rows in the
// file's own encoding or nothing.
#include <gtest/gtest.h>

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

}  // namespace
