#include "cli/Json.h"

#include <charconv>
#include <cstring>
#include <iterator>

namespace {

// The text as a JSON string literal, appended to out.
template <class Bytes> void appendJsonString(Bytes& out, QStringView text)
{
    // Written straight into out, sized for the longest form (a \u escape, 6 bytes a character)
    // and cut back after: this runs for every field of every file.
    const std::size_t start = out.size();
    out.resize(start + 2 + 6 * std::size_t(text.size()));
    char* const begin = out.data() + start;
    char* at = begin;
    const auto escape = [&at](char16_t c) {
        static constexpr char kHex[] = "0123456789abcdef";
        *at++ = '\\';
        *at++ = 'u';
        for (int shift = 12; shift >= 0; shift -= 4)
            *at++ = kHex[(c >> shift) & 0xF];
    };
    *at++ = '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\') {
            *at++ = char(c);
            continue;
        }
        switch (c) {
        case u'"': *at++ = '\\', *at++ = '"'; continue;
        case u'\\': *at++ = '\\', *at++ = '\\'; continue;
        case u'\n': *at++ = '\\', *at++ = 'n'; continue;
        case u'\r': *at++ = '\\', *at++ = 'r'; continue;
        case u'\t': *at++ = '\\', *at++ = 't'; continue;
        default: break;
        }
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (c < 0x20 || (QChar::isSurrogate(c) && !pair)) {
            // Control characters, and the lone surrogates that stand for bytes of a file name that
            // is not UTF-8.
            escape(c);
        } else if (c < 0x800) {
            *at++ = char(0xC0 | (c >> 6));
            *at++ = char(0x80 | (c & 0x3F));
        } else if (pair) {
            const char32_t code = QChar::surrogateToUcs4(c, text[++i].unicode());
            *at++ = char(0xF0 | (code >> 18));
            *at++ = char(0x80 | ((code >> 12) & 0x3F));
            *at++ = char(0x80 | ((code >> 6) & 0x3F));
            *at++ = char(0x80 | (code & 0x3F));
        } else {
            *at++ = char(0xE0 | (c >> 12));
            *at++ = char(0x80 | ((c >> 6) & 0x3F));
            *at++ = char(0x80 | (c & 0x3F));
        }
    }
    *at++ = '"';
    out.resize(start + std::size_t(at - begin));
}

} // namespace

QByteArray jsonString(const QString& text)
{
    QByteArray out;
    appendJsonString(out, text);
    return out;
}

void JsonLine::key(const char* name)
{
    m_body += m_body.size() > 1 ? ",\"" : "\"";
    m_body += name;
    m_body += "\":";
}

JsonLine& JsonLine::add(const char* name, const QString& text)
{
    key(name);
    appendJsonString(m_body, text);
    return *this;
}

JsonLine& JsonLine::add(const char* name, bool value)
{
    key(name);
    m_body += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::add(const char* name, int value)
{
    return add(name, qint64(value));
}

JsonLine& JsonLine::add(const char* name, qint64 value)
{
    key(name);
    char digits[24];
    const std::to_chars_result written = std::to_chars(std::begin(digits), std::end(digits), value);
    m_body.append(digits, std::size_t(written.ptr - digits));
    return *this;
}

JsonLine& JsonLine::addNull(const char* name)
{
    key(name);
    m_body += "null";
    return *this;
}

JsonLine& JsonLine::add(const char* name, const JsonLine& object)
{
    key(name);
    m_body += object.m_body;
    m_body += '}';
    return *this;
}
