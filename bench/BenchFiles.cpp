#include "BenchFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <unistd.h>

#include <QFile>

#include "BenchSupport.h"

namespace {

constexpr int kId3v1Size = 128;
constexpr int kFrameLength = 418;
const char kFrameHeader[] = {'\xFF', '\xFB', '\x90', '\x64'};

const char* const kArtists[] = {"Northern Lights", "The Quiet Hours", "Marisol Vega", "Brass & Copper", "Lowland Choir",
    "K. Adeyemi", "Paper Boats", "Saltwater Radio"};
const char* const kAlbums[] = {"Night Drive", "Field Recordings", "Harbour", "Second Light", "Common Ground"};

// Audio-looking bytes: frame headers every kFrameLength bytes with noise between them.
void appendAudio(QByteArray& bytes, qsizetype count, std::mt19937& random)
{
    const qsizetype start = bytes.size();
    bytes.resize(start + count);
    char* out = bytes.data() + start;
    quint32 noise = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype inFrame = i % kFrameLength;
        if (i % 4 == 0)
            noise = quint32(random());
        out[i] = inFrame < qsizetype(sizeof kFrameHeader) ? kFrameHeader[inFrame] : char(noise >> (8 * (i % 4)));
    }
}

// An ID3v2 tag: the 10-byte header (version 3.0, no flags, syncsafe size) and size bytes of a
// title frame followed by NUL padding.
void appendId3v2(QByteArray& bytes, int number, std::mt19937& random)
{
    const quint32 size = 256 + random() % 1793;
    bytes += "ID3";
    bytes += char(3);
    bytes += char(0);
    bytes += char(0);
    bytes += char((size >> 21) & 0x7F);
    bytes += char((size >> 14) & 0x7F);
    bytes += char((size >> 7) & 0x7F);
    bytes += char(size & 0x7F);
    QByteArray body = "TIT2" + QByteArray(4, '\0') + QByteArray(2, '\0') + '\0' + "Song " + QByteArray::number(number);
    body[7] = char(body.size() - 10);
    body.resize(size, '\0');
    bytes += body;
}

void appendField(QByteArray& bytes, const QByteArray& text, qsizetype width)
{
    QByteArray field = text.left(width);
    field.resize(width, '\0');
    bytes += field;
}

void appendId3v1(QByteArray& bytes, int number)
{
    const qsizetype start = bytes.size();
    bytes += "TAG";
    appendField(bytes, "Song " + QByteArray::number(number), 30);
    appendField(bytes, kArtists[number % std::size(kArtists)], 30);
    appendField(bytes, kAlbums[number % std::size(kAlbums)], 30);
    appendField(bytes, QByteArray::number(1960 + number % 60), 4);
    appendField(bytes, "made for the benchmark", 29);
    bytes += char(1 + number % 20);
    bytes += char(number % 126);
    Q_ASSERT(bytes.size() - start == kId3v1Size);
}

} // namespace

const BenchFiles& BenchFiles::instance()
{
    static const BenchFiles files;
    return files;
}

BenchFiles::BenchFiles()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("cannot make a temporary folder: ") + m_dir.errorString();
        return;
    }
    std::mt19937 random(20240611);
    QByteArray list;
    QByteArray taggedList;
    QByteArray bytes;
    m_paths.reserve(Count);
    m_nativePaths.reserve(Count);
    for (int i = 0; i < Count; ++i) {
        // Exactly 90 % with an ID3v1 tag and 20 % with an ID3v2 tag, spread over the folder.
        const bool hasId1 = i % 10 != 3;
        const bool hasId2 = i % 5 == 1;
        bytes.clear();
        if (hasId2)
            appendId3v2(bytes, i, random);
        appendAudio(bytes, 2048 + qsizetype(random() % 6145), random);
        if (hasId1)
            appendId3v1(bytes, i);
        else if (bytes.size() >= kId3v1Size && bytes.at(bytes.size() - kId3v1Size) == 'T')
            bytes[bytes.size() - kId3v1Size] = 'U'; // noise that happens to read "TAG" is not a tag

        const QString path = m_dir.filePath(QStringLiteral("track-%1.mp3").arg(i, 5, 10, QLatin1Char('0')));
        const QByteArray native = QFile::encodeName(path);
        if (!writeNewFile(native, bytes)) {
            m_error = QStringLiteral("cannot write ") + path;
            return;
        }
        m_paths.append(path);
        m_nativePaths.push_back(native);
        if (hasId1) {
            m_taggedPaths.append(path);
            m_taggedNativePaths.push_back(native);
            taggedList += native + '\n';
        }
        if (hasId2)
            ++m_id2Count;
        list += native + '\n';
    }
    m_listPath = m_dir.filePath(QStringLiteral("files.lst"));
    m_taggedListPath = m_dir.filePath(QStringLiteral("tagged.lst"));
    if (!writeNewFile(QFile::encodeName(m_listPath), list))
        m_error = QStringLiteral("cannot write ") + m_listPath;
    else if (!writeNewFile(QFile::encodeName(m_taggedListPath), taggedList))
        m_error = QStringLiteral("cannot write ") + m_taggedListPath;
}
