#pragma once

#include <ostream>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Real files for tests, in a temporary folder that goes with the object.
class TestFiles {
public:
    TestFiles();

    // The folder, without a trailing separator.
    QString folder() const { return m_dir.path(); }
    QString path(const QString& name) const;
    // Writes the bytes to name (replacing it) and returns the path.
    QString write(const QString& name, const QByteArray& bytes) const;
    static QByteArray read(const QString& path);
    // Everything in the folder by name, hidden files included: what an operation left behind.
    QStringList entries() const;
    // A file's permission bits.
    static unsigned modeOf(const QString& path);

private:
    QTemporaryDir m_dir;
};

namespace TestBytes {

// Audio-looking bytes: a frame start (255) followed by count - 1 bytes of a repeating pattern.
QByteArray audio(qsizetype count);

struct Id3v1Fields {
    QByteArray title, artist, album, year, comment;
    unsigned char track = 0;
    unsigned char genre = 0;
};
// A 128-byte ID3v1 tag, each field NUL-padded to its width.
QByteArray id3v1(const Id3v1Fields& fields);

// A 10-byte ID3v2 header with the given version, flags and four raw size bytes.
QByteArray id3v2Header(unsigned char version, unsigned char flags, const QByteArray& sizeBytes);

// An ID3v2 tag of the version (2, 3 or 4) holding text frames, each given by its identifier of that
// version ("TIT2", or "TT2" in 2.2) and its text, UTF-16 with a byte order mark; a comment frame
// ("COMM", "COM") gets language "eng" and an empty description.
struct Id3v2Text {
    QByteArray id;
    QString text;
};
QByteArray id3v2Tag(int version, const std::vector<Id3v2Text>& frames);

} // namespace TestBytes

// Readable failures: gtest prints texts and bytes through these.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out)
{
    *out << '"' << bytes.toPercentEncoding(" ,.-_/()[]:;=?!\'#&+*<>").toStdString() << '"';
}
