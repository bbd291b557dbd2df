#include "cli/Json.h"

QByteArray jsonString(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() + 2);
    out += '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'"': out += "\\\""; break;
        case u'\\': out += "\\\\"; break;
        case u'\n': out += "\\n"; break;
        case u'\r': out += "\\r"; break;
        case u'\t': out += "\\t"; break;
        default:
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                out += QStringView(text).sliced(i, 2).toUtf8();
                ++i;
            } else if (c < 0x20 || QChar::isSurrogate(c)) {
                // Control characters, and the lone surrogates that stand for bytes of a file name
                // that is not UTF-8, as escapes.
                out += "\\u" + QByteArray::number(c, 16).rightJustified(4, '0');
            } else if (c < 0x80) {
                out += char(c);
            } else {
                out += QStringView(text).sliced(i, 1).toUtf8();
            }
        }
    }
    out += '"';
    return out;
}

void JsonLine::key(const char* name)
{
    if (m_body.size() > 1)
        m_body += ',';
    m_body += '"';
    m_body += name;
    m_body += "\":";
}

JsonLine& JsonLine::add(const char* name, const QString& text)
{
    key(name);
    m_body += jsonString(text);
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
    key(name);
    m_body += QByteArray::number(value);
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
    m_body += object.m_body + '}';
    return *this;
}
