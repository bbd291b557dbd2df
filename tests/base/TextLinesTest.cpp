#include "base/TextLines.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(TextLines, DecodesUtf16Utf8OrFallsBackToWindows1252)
{
    struct Case {
        QByteArray bytes;
        QString expected;
    } const cases[] = {
        {"Caf\xC3\xA9", u"Caf\u00E9"_s},
        {"\xEF\xBB\xBFRock", u"Rock"_s}, // byte-order mark dropped
        {"Caf\xE9", u"Caf\u00E9"_s}, // not UTF-8: one character a byte
        {"\x80 and \xC3", u"\u20AC and \u00C3"_s},
        {"\xC3", u"\u00C3"_s}, // a UTF-8 sequence cut short is not UTF-8
        {QByteArray("a\0b", 3), u"a"_s + QChar(0) + u"b"_s},
        {QByteArray::fromHex("fffe4300e9000d000a00"), u"C\u00E9\r\n"_s}, // UTF-16 little endian
        {QByteArray::fromHex("feff004300e9d83cdfb5"), u"C\u00E9\U0001F3B5"_s}, // big endian
        {QByteArray::fromHex("fffefffe6100"), u"\uFEFFa"_s}, // only the first mark is dropped
        {QByteArray::fromHex("fffe"), QString()},
        {QByteArray::fromHex("feff006100"), u"a\uFFFD"_s}, // an odd last byte
        {QByteArray::fromHex("fffe3cd8610080dc"), u"\uFFFDa\uFFFD"_s}, // surrogates without partners
        {QByteArray::fromHex("fe"), u"\u00FE"_s}, // no mark
        {QByteArray::fromHex("ffff0061"), u"\u00FF\u00FF"_s + QChar(0) + u"a"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        EXPECT_EQ(TextLines::decode(c.bytes), c.expected);
    }
}

TEST(TextLines, SplitsAtEveryKindOfLineEnd)
{
    struct Case {
        QString text;
        QStringList lines;
    } const cases[] = {
        {QString(), {}}, {u"a"_s, {u"a"_s}}, {u"a\r\n"_s, {u"a"_s}}, {u"a\r\nb"_s, {u"a"_s, u"b"_s}},
        {u"a\nb\rc\r\nd"_s, {u"a"_s, u"b"_s, u"c"_s, u"d"_s}}, {u"\r\n\r\n"_s, {QString(), QString()}},
        {u"a\n\rb"_s, {u"a"_s, QString(), u"b"_s}}, // LF then CR is two endings
        {u" a \r\n"_s, {u" a "_s}}, // no trimming
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(TextLines::split(c.text), c.lines);
    }
}

TEST(TextLines, StopsAtTheLineLimitAndSaysSo)
{
    bool more = true;
    EXPECT_EQ(TextLines::split(u"a\nb"_s, 2, &more), QStringList({u"a"_s, u"b"_s}));
    EXPECT_FALSE(more);
    EXPECT_EQ(TextLines::split(u"a\nb\n"_s, 2, &more), QStringList({u"a"_s, u"b"_s}));
    EXPECT_FALSE(more);
    EXPECT_EQ(TextLines::split(u"a\nb\n\n"_s, 2, &more), QStringList({u"a"_s, u"b"_s}));
    EXPECT_TRUE(more);
}
