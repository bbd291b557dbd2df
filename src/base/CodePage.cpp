#include "base/CodePage.h"

#include <array>

namespace CodePage {

namespace {

// Characters of bytes 0x80 to 0x9F; the other bytes are their own code.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

// The character of every byte.
constexpr std::array<char16_t, 256> kCharacters = [] {
    std::array<char16_t, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte)
        table[byte] = byte - 0x80 < kHighControls.size() ? kHighControls[byte - 0x80] : char16_t(byte);
    return table;
}();

} // namespace

QString toUnicode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes) {
        *out++ = QChar(kCharacters[static_cast<unsigned char>(b)]);
    }
    return text;
}

char toByte(QChar c)
{
    const char16_t code = c.unicode();
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(code);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == code)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

qsizetype fromUnicode(QStringView text, char* out, qsizetype capacity)
{
    qsizetype written = 0;
    for (qsizetype i = 0; i < text.size() && written < capacity; ++i) {
        // A character outside the 16-bit range is two code units and one "?".
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        out[written++] = toByte(text[i]);
    }
    return written;
}

QByteArray fromUnicode(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    bytes.truncate(fromUnicode(text, bytes.data(), bytes.size()));
    return bytes;
}

} // namespace CodePage
