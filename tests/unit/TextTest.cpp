#include "text/Codec.h"
#include "text/FileName.h"
#include "text/LineIndex.h"
#include "text/StringList.h"

#include <gtest/gtest.h>

using namespace tg;

TEST(Codec, ConvertsJapaneseBothWaysByteForByte) {
    // 表 and ソ end in 0x5C; half-width kana are single bytes; ～ － ＼ are the code page's own.
    const std::string utf8 = "表ソ能ｱｲｳ～－＼ネットワーク情報 ABC\\~";
    const Text cp932 = "\x95\x5C\x83\x5C\x94\x5C\xB1\xB2\xB3\x81\x60\x81\x7C\x81\x5F"
                       "\x83\x6C\x83\x62\x83\x67\x83\x8F\x81\x5B\x83\x4E\x8F\xEE\x95\xF1 ABC\\~";
    EXPECT_EQ(utf8ToCp932(utf8), cp932);
    EXPECT_EQ(cp932ToUtf8(cp932), utf8);
    EXPECT_EQ(utf16ToCp932(cp932ToUtf16(cp932)), cp932);
}

TEST(Codec, DuplicateCodesEncodeAsWindowsDoes) {
    // ≒ stands in two rows; the JIS row wins. A kanji of the IBM rows wins over its NEC copy.
    EXPECT_EQ(utf8ToCp932("≒"), "\x81\xE0");
    EXPECT_EQ(utf8ToCp932("ⅰ"), "\xFA\x40");
    EXPECT_EQ(utf8ToCp932("纊"), "\xFA\x5C");
}

TEST(Codec, UnmappableAndInvalidInputBecomesQuestionMarks) {
    EXPECT_EQ(utf8ToCp932("a\xF0\x9F\x98\x80z"), "a?z"); // emoji: beyond the code page
    EXPECT_EQ(utf8ToCp932("한"), "?");                   // Hangul: not in cp932
    EXPECT_EQ(utf8ToCp932("\xC3\x28x"), "?(x");          // broken sequence
    EXPECT_EQ(utf8ToCp932("\xE3\x81"), "??");            // cut short at the end
    EXPECT_EQ(cp932ToUtf8("\x81"), "?");                 // lone lead byte at the end
    EXPECT_EQ(cp932ToUtf8(std::string("\x00\x01", 2)), std::string("\x00\x01", 2));
}

TEST(Codec, DecodeUtf8TellsCompleteInvalidAndIncomplete) {
    char32_t cp = 0;
    EXPECT_EQ(decodeUtf8("\xE8\xA1\xA8", cp), 3);
    EXPECT_EQ(cp, U'表');
    EXPECT_EQ(decodeUtf8("\xE8\xA1", cp), -1);
    EXPECT_EQ(decodeUtf8("\xC0\x80", cp), 0);     // overlong
    EXPECT_EQ(decodeUtf8("\xED\xA0\x80", cp), 0); // surrogate
    EXPECT_EQ(decodeUtf8("\x80", cp), 0);
}

TEST(LineIndex, EndsLinesAsThePaneShowsThemAndGrowsInPlace) {
    const Text text = "a\r\nb\rc\r\r\nd\ne\t\x82\xA0"
                      "f";
    LineIndex index;
    index.reset(text);
    StringList lines;
    for (size_t i = 0; i < index.lineCount(); ++i)
        lines.emplace_back(index.lineBytes(text, i));
    EXPECT_EQ(lines, (StringList{"a", "b", "c", "d",
                                 "e\t\x82\xA0"
                                 "f"}));
    EXPECT_EQ(index.widestColumns(), 8u + 3u); // e, a tab to column 8, あ, f

    // A CR at the end is half of the CR LF that the next bytes complete.
    Text grown = "x\r";
    index.reset(grown);
    EXPECT_EQ(index.lineCount(), 1u);
    grown += "\r\ny\r\n";
    index.extend(grown);
    EXPECT_EQ(index.lineCount(), 2u);
    EXPECT_EQ(index.lineBytes(grown, 0), "x");
    EXPECT_EQ(index.lineBytes(grown, 1), "y");
    index.reset("");
    EXPECT_EQ(index.lineCount(), 1u);

    // Lines added one by one or as a batch's index index as the whole text does afresh, after
    // any text: a lone CR the batch's CR LF may complete, a line without its end, nothing.
    const LineBatch batch{
        "plain line of 16",          "tab\there and\tmore than eight", "a\rb", "x\r", "\r", "",
        "nul\0\x0b\x0c\x82\xA0 wide"};
    for (const Text before : {"", "x\r", "half", "a\r\nb\r\n", "\t"}) {
        Text text = before;
        LineIndex byBatch;
        byBatch.reset(text);
        text += batch.bytes();
        byBatch.extendBy(text, batch.index());
        LineIndex byLine;
        Text lineByLine = before;
        byLine.reset(lineByLine);
        for (const Text& line : batch.lines()) {
            lineByLine += line + "\r\n";
            byLine.extendByLine(lineByLine);
        }
        LineIndex fresh;
        fresh.reset(text);
        ASSERT_EQ(lineByLine, text);
        for (const LineIndex* made : {&byBatch, &byLine}) {
            ASSERT_EQ(made->lineCount(), fresh.lineCount()) << before;
            EXPECT_EQ(made->widestColumns(), fresh.widestColumns()) << before;
            for (size_t i = 0; i < fresh.lineCount(); ++i)
                EXPECT_EQ(made->lineBytes(text, i), fresh.lineBytes(text, i)) << before << i;
        }
    }
    EXPECT_EQ(batch.lineCount(), 7u);
    EXPECT_EQ(batch.lines()[3], "x\r");

    EXPECT_EQ(cp932CharLength("\x82\xA0", 0), 2u);
    EXPECT_EQ(cp932CharLength("\x85\x40", 0), 1u); // a row the code page leaves empty
    EXPECT_EQ(cp932CharLength("a\x82", 1), 1u);
}

// A batch gives back the lines added to it, whether its index can tell them (no CR of their own)
// or not.
TEST(LineIndex, BatchesGiveBackTheirLines) {
    const std::vector<std::vector<Text>> cases = {
        {"plain", "", "tab\tline", "\x82\xA0 wide"},
        {"x\r", "", "y"},
        {"a\rb", "\r", "c"},
        {"last"},
    };
    for (const auto& lines : cases) {
        LineBatch whole;
        for (const Text& line : lines)
            whole.add(line);
        EXPECT_EQ(whole.lines(), lines) << lines[0];
    }
}

TEST(StringList, SplitsAtEveryKindOfLineEnd) {
    EXPECT_EQ(splitLines("a\r\nb\rc\nd"), (StringList{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\r\n"), (StringList{"a"}));
    EXPECT_EQ(splitLines("a\r\n\r\n"), (StringList{"a", ""}));
    EXPECT_EQ(splitLines("\n\n"), (StringList{"", ""}));
    EXPECT_EQ(splitLines("a\r\r\nb"), (StringList{"a", "", "b"}));
    EXPECT_TRUE(splitLines("").empty());
    EXPECT_EQ(splitLines(std::string("x\0y\n", 4)), (StringList{std::string("x\0y", 3)}));
}

TEST(StringList, FindsIgnoringAsciiCaseOnly) {
    StringList lines{"title", "IPCONFIG", "ipconfig", "\x82\x60"};
    EXPECT_EQ(indexOfIgnoreCase(lines, "ipconfig"), 1u);
    EXPECT_EQ(indexOfIgnoreCase(lines, "\x82\x60"), 3u);
    EXPECT_EQ(indexOfIgnoreCase(lines, "\x82\x81"), std::nullopt); // full-width letters differ
    EXPECT_EQ(indexOfIgnoreCase(lines, "arp"), std::nullopt);
}

TEST(StringList, SplitsDelimitedText) {
    EXPECT_EQ(splitDelimited("a,b,,c", ','), (StringList{"a", "b", "", "c"}));
    EXPECT_TRUE(splitDelimited("", ',').empty());
}

TEST(FileName, TrailByte5CIsNeverASeparator) {
    // "C:\表\ソ.txt": both kanji end in 0x5C.
    const Text path = "C:\\\x95\x5C\\\x83\x5C.txt";
    EXPECT_EQ(extractFilePath(path), "C:\\\x95\x5C\\");
    EXPECT_EQ(extractFileName(path), "\x83\x5C.txt");
    EXPECT_EQ(extractFileName("C:\\dir\\\x95\x5C"), "\x95\x5C");
    EXPECT_EQ(extractFilePath("untitled.txt"), "");
    EXPECT_EQ(extractFileName("D:name.txt"), "name.txt");
}

TEST(FileName, ChangesOnlyTheFileNamesExtension) {
    EXPECT_EQ(changeFileExt("C:\\apps\\tginfo.exe", ".INI"), "C:\\apps\\tginfo.INI");
    EXPECT_EQ(changeFileExt("/opt/v1.2/tginfo", ".INI"), "/opt/v1.2/tginfo.INI");
    EXPECT_EQ(changeFileExt("C:\\a.b\\\x83\x5C", ".chm"), "C:\\a.b\\\x83\x5C.chm");
}

TEST(FileName, NativePathsRoundTrip) {
    const Text path = "/tmp/\x95\x5C.txt";
    EXPECT_EQ(toNativePath(path).string(), "/tmp/表.txt");
    EXPECT_EQ(fromNativePath(toNativePath(path)), path);
}
