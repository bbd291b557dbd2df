#include "cli/Json.h"

QByteArray jsonString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += "\\u00" + QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0');
            else
                out += c;
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
