// Button labels as CSV: what a spreadsheet gets and what comes back from it, the label rule
// applied on the way in, and the rows that are refused with their line numbers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/buttonlabel.h"
#include "settings/labelcsv.h"
#include "settings/textcodec.h"

namespace {

using vantel::ButtonKind;
using vantel::FormatLabelCsv;
using vantel::LabelCsv;
using vantel::ParseLabelCsv;
using vantel::StorableLabel;

// What a spreadsheet's "Unicode Text" holds for text: UTF-16 little endian after its mark.
std::string Utf16Le(std::string_view utf8) {
    return "\xFF\xFE" + vantel::Utf8ToUtf16(utf8, false);
}

// 63 four-byte characters and a two-byte one: 254 bytes, the longest label that reads back.
std::string LongestLabel() {
    std::string label = "\xC3\xA9";
    for (int i = 0; i < 63; ++i) {
        label += "\xF0\x9F\x8E\xA5";
    }
    return label;
}

TEST(StorableLabelTest, MakesOneLineThatReadsBackWhole) {
    const std::string longest = LongestLabel();
    const struct {
        const char* name;
        std::string in;
        std::string out;
    } cases[] = {
        {"plain", "Camera 1", "Camera 1"},
        {"CR LF, LF, tab and DEL become spaces", "a\r\nb\nc\td\x7F", "a  b c d "},
        {"NEL, LINE and PARAGRAPH SEPARATOR become spaces",
         "a\xC2\x85"
         "b\xE2\x80\xA8"
         "c\xE2\x80\xA9"
         "d",
         "a b c d"},
        {"other characters that share their lead bytes stay", "\xC2\xA9 \xE2\x80\x94",
         "\xC2\xA9 \xE2\x80\x94"},
        {"bytes that are not UTF-8", "x\xFFy", "x\xEF\xBF\xBDy"},
        {"254 bytes stay whole", longest, longest},
        {"a four-byte character over 254 bytes is left out", "a" + longest.substr(2) + "bc",
         "a" + longest.substr(2) + "b"},
        {"a cut never splits a character", longest + "\xF0\x9F\x8E\xA5", longest},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StorableLabel(c.in), c.out) << c.name;
    }
}

TEST(LabelCsvTest, RoundTripKeepsEveryLabelAndPutsLineBreaksOnOneLine) {
    const std::vector<std::string> inputs{
        "Cam, left", "say \"hi\"", "two\r\nlines", "", "\xF0\x9F\x8E\xA5 4-byte", LongestLabel()};
    const std::vector<std::string> outputs{"a\nb", "\"quoted\"", "  blanks  "};
    const std::string csv = FormatLabelCsv(inputs, outputs);
    ASSERT_EQ(csv.substr(0, 22), "\xEF\xBB\xBFkind,number,label\r\n");

    const LabelCsv parsed = ParseLabelCsv(csv);
    ASSERT_TRUE(parsed.errors.empty()) << parsed.errors[0].line << ": " << parsed.errors[0].message;
    ASSERT_EQ(parsed.rows.size(), inputs.size() + outputs.size());
    for (std::size_t i = 0; i < parsed.rows.size(); ++i) {
        const bool input = i < inputs.size();
        const auto& row = parsed.rows[i];
        EXPECT_EQ(row.kind, input ? ButtonKind::kInput : ButtonKind::kOutput) << i;
        EXPECT_EQ(row.number, static_cast<int>(input ? i : i - inputs.size()) + 1) << i;
        EXPECT_EQ(row.label, StorableLabel(input ? inputs[i] : outputs[i - inputs.size()])) << i;
    }
    EXPECT_EQ(parsed.rows[2].label, "two  lines");
    // Rows after a cell with a line break start one file line further down.
    EXPECT_EQ(parsed.rows[3].line, 6);
    EXPECT_EQ(parsed.rows[6].line, 9);
    EXPECT_EQ(parsed.rows[7].line, 11);
}

TEST(LabelCsvTest, ReadsWhatSpreadsheetsAndEditorsSave) {
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"mark, CR LF", "\xEF\xBB\xBFkind,number,label\r\ninput,2,A\r\noutput,1,\"B,C\"\r\n"},
        {"no mark, LF, no last line end", "kind,number,label\ninput,2,A\noutput,1,\"B,C\""},
        {"CR line ends", "kind,number,label\rinput,2,A\routput,1,\"B,C\"\r"},
        {"no header, blank lines", "\ninput,2,A\n\n\noutput,1,\"B,C\"\n\n"},
        {"letter case and blanks", "Kind, Number ,LABEL\nINPUT, 2 ,A\n Output,01,\"B,C\"\n"},
        {"lines of blanks and empty cells", "  \ninput,2,A\n\t \n,,\n , ,\noutput,1,\"B,C\"\n"},
        {"Unicode Text: UTF-16 LE, tabs",
         Utf16Le("kind\tnumber\tlabel\r\ninput\t2\tA\r\noutput\t1\tB,C\r\n")},
        {"UTF-16 BE, tabs, quoted",
         "\xFE\xFF" + vantel::Utf8ToUtf16("input\t2\t\"A\"\r\noutput\t1\t\"B,C\"", true)},
        {"semicolons", "\xEF\xBB\xBFkind;number;label\r\ninput;2;A\r\noutput;1;B,C\r\n"},
        {"semicolons, no header, quoted", "\r\n\"input\";2;A\r\n;;\r\noutput;1;\"B,C\"\r\n"},
        {"tabs in UTF-8", "input\t2\tA\noutput\t1\tB,C\n"},
    };
    for (const auto& c : cases) {
        const LabelCsv parsed = ParseLabelCsv(c.text);
        EXPECT_TRUE(parsed.errors.empty()) << c.name << ": " << parsed.errors[0].message;
        ASSERT_EQ(parsed.rows.size(), 2u) << c.name;
        EXPECT_EQ(parsed.rows[0].kind, ButtonKind::kInput) << c.name;
        EXPECT_EQ(parsed.rows[0].number, 2) << c.name;
        EXPECT_EQ(parsed.rows[0].label, "A") << c.name;
        EXPECT_EQ(parsed.rows[1].kind, ButtonKind::kOutput) << c.name;
        EXPECT_EQ(parsed.rows[1].number, 1) << c.name;
        EXPECT_EQ(parsed.rows[1].label, "B,C") << c.name;
    }
}

TEST(LabelCsvTest, ReportsBadRowsByTheirFileLine) {
    const std::string cell(vantel::kMaxLabelCellBytes + 1, 'x');
    const struct {
        const char* name;
        std::string text;
        int line;
        const char* says;
    } cases[] = {
        {"unknown kind", "kind,number,label\ninput,1,a\nmonitor,2,b\n", 3, "kind must be"},
        {"number 0", "input,0,a\n", 1, "number must be 1 to 72"},
        {"number 73", "input,1,a\noutput,73,a\n", 2, "number must be 1 to 72"},
        {"number with text", "input,1x,a\n", 1, "number must be"},
        {"two cells", "input,1\n", 1, "found 2"},
        {"four cells", "input,1,a,b\n", 1, "found 4"},
        {"button given twice", "input,4,a\n\ninput,4,b\n", 3, "first on line 1"},
        {"cell over the cap", "input,1," + cell + "\n", 1, "longer than"},
        {"quote not closed", "input,1,a\ninput,2,\"b\nc\n", 2, "not closed"},
        {"text after a quote", "input,1,\"a\"b\n", 1, "closing quote"},
        {"bad header", "kind,label,number\ninput,1,a\n", 1, "header row"},
        {"after a multi-line cell", "input,1,\"a\r\nb\r\nc\"\r\nout,2,x\r\n", 4, "kind"},
        {"UTF-16 counts its own lines",
         Utf16Le("kind\tnumber\tlabel\r\ninput\t1\ta\r\nmonitor\t2\tb\r\n"), 3, "kind must be"},
        {"a blank line between", "input,1,a\n   \ninput,2,b,c\n", 3, "found 4"},
    };
    for (const auto& c : cases) {
        const LabelCsv parsed = ParseLabelCsv(c.text);
        ASSERT_EQ(parsed.errors.size(), 1u) << c.name;
        EXPECT_EQ(parsed.errors[0].line, c.line) << c.name;
        EXPECT_NE(parsed.errors[0].message.find(c.says), std::string::npos)
            << c.name << ": " << parsed.errors[0].message;
    }
}

// A file that cannot be read as labels at all says why in one line, naming what it found.
TEST(LabelCsvTest, AnUnreadableFileIsOneReasonNamingItsEncodingOrSeparator) {
    const struct {
        const char* name;
        std::string text;
        const char* says;
    } cases[] = {
        {"Windows-1252", "input,1,Caf\xE9\r\ninput,2,x\r\n",
         "not UTF-8 but in an 8-bit code page (line 1 holds the byte 0xE9)"},
        {"GBK on line 3", "kind,number,label\r\ninput,1,a\r\ninput,2,\xC7\xB0\xFF\r\n",
         "8-bit code page (line 3 holds the byte 0xFF)"},
        {"marked UTF-8 that is not", "\xEF\xBB\xBFinput,1,a\ninput,2,\xFF\n",
         "marked as UTF-8, but line 2 holds the byte 0xFF"},
        {"UTF-16 without its mark", vantel::Utf8ToUtf16("input,1,a\r\n", false), "NUL bytes"},
        {"UTF-16 cut short", Utf16Le("input\t1\ta").substr(0, 11),
         "UTF-16 little endian text cut inside a character"},
        {"UTF-16 with half a pair", Utf16Le("input\t1\ta\r\ninput\t2\t") + "\x3D\xD8",
         "line 2 holds half of a character"},
        {"pipes", "kind|number|label\ninput|1|a\n", "separates its cells by '|'"},
        {"spaces", "input 1 Camera\n", "no comma, semicolon or tab after its first word"},
        {"no separator at all", "Camera\n", "holds no comma, semicolon or tab"},
        {"beyond the cap", "input,1," + std::string(vantel::kMaxLabelCsvBytes, 'x'), "larger than"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LabelCsv parsed = ParseLabelCsv(c.text);
        EXPECT_TRUE(parsed.rows.empty());
        EXPECT_TRUE(parsed.errors.empty());
        EXPECT_NE(parsed.unreadable.find(c.says), std::string::npos) << parsed.unreadable;
        EXPECT_EQ(parsed.unreadable.find('\n'), std::string::npos);
    }
}

}  // namespace
