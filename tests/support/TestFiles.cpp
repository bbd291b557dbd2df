#include "support/TestFiles.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// The undo history of every program a test runs, and of the test itself, goes to a folder of the
// test process's own: a test never writes into the user's home.
struct PrivateStateHome {
    PrivateStateHome() { qputenv("XDG_STATE_HOME", QFile::encodeName(folder.path())); }
    QTemporaryDir folder;
};
const PrivateStateHome g_stateHome;

} // namespace

TestFiles::TestFiles()
{
    EXPECT_TRUE(m_dir.isValid());
}

QString TestFiles::path(const QString& name) const
{
    return m_dir.filePath(name);
}

QString TestFiles::write(const QString& name, const QByteArray& bytes) const
{
    QString file = path(name);
    QFile out(file);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate)) << file.toStdString();
    EXPECT_EQ(out.write(bytes), bytes.size());
    return file;
}

QByteArray TestFiles::read(const QString& path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return in.readAll();
}

QStringList TestFiles::entries() const
{
    return QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

unsigned TestFiles::modeOf(const QString& path)
{
    struct stat info { };
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

namespace TestBytes {

QByteArray audio(qsizetype count)
{
    QByteArray bytes(count, '\0');
    for (qsizetype i = 0; i < count; ++i)
        bytes[i] = char(i % 251);
    if (count > 0)
        bytes[0] = char(255);
    return bytes;
}

namespace {

QByteArray padded(const QByteArray& text, qsizetype width)
{
    return text.left(width) + QByteArray(std::max<qsizetype>(0, width - text.size()), '\0');
}

} // namespace

QByteArray id3v1(const Id3v1Fields& fields)
{
    QByteArray tag = "TAG";
    tag += padded(fields.title, 30);
    tag += padded(fields.artist, 30);
    tag += padded(fields.album, 30);
    tag += padded(fields.year, 4);
    tag += padded(fields.comment, 29);
    tag += char(fields.track);
    tag += char(fields.genre);
    return tag;
}

QByteArray id3v2Header(unsigned char version, unsigned char flags, const QByteArray& sizeBytes)
{
    QByteArray header = "ID3";
    header += char(version);
    header += '\0';
    header += char(flags);
    header += sizeBytes;
    return header;
}

QByteArray id3v2Tag(int version, const std::vector<Id3v2Text>& frames)
{
    const auto utf16 = [](const QString& text) {
        QByteArray bytes("\xFF\xFE", 2);
        for (const QChar c : text)
            bytes += char(c.unicode() & 0xFF) + QByteArray(1, char(c.unicode() >> 8));
        return bytes + QByteArray(2, '\0');
    };
    const auto bigEndian = [](qsizetype value, int width, int bits) {
        QByteArray bytes;
        for (int i = width - 1; i >= 0; --i)
            bytes += char((value >> (bits * i)) & ((1 << bits) - 1));
        return bytes;
    };
    QByteArray body;
    for (const Id3v2Text& frame : frames) {
        QByteArray payload(1, '\1');
        if (frame.id.startsWith("COM"))
            payload += "eng" + utf16({});
        payload += utf16(frame.text);
        body += frame.id
            + (version == 2        ? bigEndian(payload.size(), 3, 8)
                    : version == 3 ? bigEndian(payload.size(), 4, 8) + QByteArray(2, '\0')
                                   : bigEndian(payload.size(), 4, 7) + QByteArray(2, '\0'))
            + payload;
    }
    return id3v2Header(static_cast<unsigned char>(version), 0, bigEndian(body.size(), 4, 7)) + body;
}

} // namespace TestBytes
