#include "base/CodePage.h"

#include <gtest/gtest.h>

TEST(CodePage, EveryByteIsOneCharacterAndBack)
{
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString text = CodePage::toUnicode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(CodePage::fromUnicode(text), all);
}

// With every byte coming back as itself, each character here also goes back to its byte.
TEST(CodePage, MapsTheHighControlsOfWindows1252)
{
    struct Case {
        unsigned char byte;
        char16_t character;
    } const cases[] = {
        {0x41, u'A'},
        {0x80, u'\u20AC'},
        {0x81, u'\u0081'},
        {0x8D, u'\u008D'},
        {0x8F, u'\u008F'},
        {0x90, u'\u0090'},
        {0x9D, u'\u009D'},
        {0x92, u'\u2019'},
        {0x9F, u'\u0178'},
        {0xE9, u'\u00E9'},
        {0x00, u'\0'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.byte));
        EXPECT_EQ(CodePage::toUnicode(QByteArray(1, char(c.byte))), QString(QChar(c.character)));
    }
}

TEST(CodePage, WritesUnmappableCharactersAsQuestionMarks)
{
    EXPECT_EQ(CodePage::fromUnicode(u"a\u4E2D\u0100b"), QByteArray("a??b"));
    EXPECT_EQ(CodePage::fromUnicode(u"a\U0001F600b"), QByteArray("a?b"));
    EXPECT_EQ(CodePage::fromUnicode(u"a\xD800"), QByteArray("a?")); // a lone half of a pair
    // U+0080 is not a windows-1252 character: byte 0x80 is the euro sign.
    EXPECT_EQ(CodePage::fromUnicode(u"\u0080"), QByteArray("?"));
}
