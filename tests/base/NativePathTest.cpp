#include "base/NativePath.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(NativePath, EveryNameComesBackAsItsOwnBytes)
{
    const QByteArray names[] = {
        "/music/a.mp3",
        "/music/Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80.mp3", // valid UTF-8 of 2, 3 and 4 bytes
        "caf\xE9.mp3", // windows-1252 bytes
        "\xC3", // a sequence cut short
        "\xC0\xAF", // an overlong "/"
        "\xED\xA0\x80", // an encoded surrogate
        "\xF4\x90\x80\x80", // past the last code point
        "\x80\xBF\xFE\xFF",
        "\xED\xB2\x80", // the UTF-8 of U+DC80, the escape of byte 0x80
        "",
    };
    for (const QByteArray& name : names) {
        SCOPED_TRACE(name.toHex().toStdString());
        EXPECT_EQ(NativePath::encode(NativePath::decode(name)), name);
        // Stray bytes are told apart from text, characters past U+FFFF included.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(name);
        EXPECT_EQ(NativePath::holdsUndecodedBytes(NativePath::decode(name)), utf8.hasError()) << text.size();
    }
    EXPECT_FALSE(NativePath::holdsUndecodedBytes(NativePath::decode("\xF2\x8B\xA3\x9E"))); // a low half in DC80..DCFF
}

TEST(NativePath, DecodesValidUtf8AsText)
{
    EXPECT_EQ(NativePath::decode("Caf\xC3\xA9"), u"Caf\u00E9"_s);
    EXPECT_EQ(NativePath::decode("caf\xE9"), u"caf"_s + QChar(0xDCE9));
    EXPECT_EQ(NativePath::encode(u"Caf\u00E9 \U0001F600"_s), QByteArray("Caf\xC3\xA9 \xF0\x9F\x98\x80"));
}
