#pragma once

#include <utility>

#include <QByteArray>
#include <QString>

// Pieces of the one-object-a-line JSON that sondrel-cli prints. Keys keep the order in which they
// are added, which QJsonObject would not.
class JsonLine {
public:
    JsonLine() { m_body.reserve(512); }

    JsonLine& add(const char* name, const QString& text);
    JsonLine& add(const char* name, bool value);
    JsonLine& add(const char* name, int value);
    JsonLine& addNull(const char* name);
    // Another object as the value.
    JsonLine& add(const char* name, const JsonLine& object);
    // The object and a line feed.
    QByteArray line() const& { return m_body + "}\n"; }
    QByteArray line() && { return std::move(m_body.append("}\n", 2)); }

private:
    void key(const char* name);
    QByteArray m_body = "{";
};

// The text as a JSON string literal, quotes included. Control characters, NUL and lone surrogates
// (bytes of a file name that is not UTF-8) are written as \u escapes.
QByteArray jsonString(const QString& text);
// The same, appended to out.
void appendJsonString(QByteArray& out, QStringView text);
