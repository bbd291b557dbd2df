#pragma once

#include <string>

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
    JsonLine& add(const char* name, qint64 value);
    JsonLine& addNull(const char* name);
    // Another object as the value.
    JsonLine& add(const char* name, const JsonLine& object);
    // The object and a line feed.
    QByteArray line() const { return QByteArray(m_body.data(), qsizetype(m_body.size())) + "}\n"; }

private:
    void key(const char* name);
    // A std::string: its small appends are inline, and a line takes some thirty of them.
    std::string m_body = "{";
};

// The text as a JSON string literal, quotes included. Control characters, NUL and lone surrogates
// (bytes of a file name that is not UTF-8) are written as \u escapes.
QByteArray jsonString(const QString& text);
