#include "base/NativePath.h"

#include <algorithm>

namespace NativePath {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at bytes[at] and its code point, or 0 when it is not one.
int validSequence(QByteArrayView bytes, qsizetype at, char32_t* codePoint)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = byte(0);
    int length;
    char32_t value;
    char32_t minimum;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - at < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(byte(i)))
            return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and values past the last code point are not valid UTF-8.
    if (value < minimum || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        return 0;
    *codePoint = value;
    return length;
}

void appendUtf8(QByteArray& bytes, char32_t codePoint)
{
    if (codePoint < 0x80) {
        bytes += char(codePoint);
    } else if (codePoint < 0x800) {
        bytes += char(0xC0 | (codePoint >> 6));
        bytes += char(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        bytes += char(0xE0 | (codePoint >> 12));
        bytes += char(0x80 | ((codePoint >> 6) & 0x3F));
        bytes += char(0x80 | (codePoint & 0x3F));
    } else {
        bytes += char(0xF0 | (codePoint >> 18));
        bytes += char(0x80 | ((codePoint >> 12) & 0x3F));
        bytes += char(0x80 | ((codePoint >> 6) & 0x3F));
        bytes += char(0x80 | (codePoint & 0x3F));
    }
}

bool isEscape(QChar c)
{
    return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char b) { return static_cast<unsigned char>(b) < 0x80; }))
        return QString::fromLatin1(bytes);
    QString path;
    path.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t codePoint;
        const int length = validSequence(bytes, at, &codePoint);
        if (length == 0) {
            path += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        if (QChar::requiresSurrogates(codePoint)) {
            path += QChar(QChar::highSurrogate(codePoint));
            path += QChar(QChar::lowSurrogate(codePoint));
        } else {
            path += QChar(char16_t(codePoint));
        }
        at += length;
    }
    return path;
}

bool holdsUndecodedBytes(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i; // a character past U+FFFF, whose second half may look like a stray byte
        else if (isEscape(text[i]))
            return true;
    }
    return false;
}

QByteArray encode(QStringView path)
{
    const auto escaped = isEscape;
    if (std::none_of(path.begin(), path.end(), escaped))
        return path.toUtf8();
    QByteArray bytes;
    bytes.reserve(path.size() * 3);
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (escaped(path[i])) {
            bytes += char(path[i].unicode() - kEscapeBase);
            continue;
        }
        char32_t codePoint = path[i].unicode();
        if (path[i].isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate())
            codePoint = QChar::surrogateToUcs4(path[i], path[i + 1]), ++i;
        else if (path[i].isSurrogate())
            codePoint = QChar::ReplacementCharacter;
        appendUtf8(bytes, codePoint);
    }
    return bytes;
}

} // namespace NativePath
