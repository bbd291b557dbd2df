#include "PlaylistSample.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QStringEncoder>

#include "BenchSupport.h"

namespace {

const char16_t* const kWords[] = {u"Night", u"Drive", u"Harbour", u"Light", u"Common", u"Ground", u"Paper", u"Boats",
    u"Salt", u"Water", u"Radio", u"Quiet", u"Hours", u"Field", u"Café", u"Über", u"Blue", u"Song", u"Señal", u"Glass"};

QString word(std::mt19937& random)
{
    return QString::fromUtf16(kWords[random() % std::size(kWords)]);
}

// Genre names, so that reading them needs no genre list beside the benchmark.
const char16_t* const kGenres[] = {u"Rock", u"Jazz", u"Folk", u"Ambient", u"Soundtrack"};

// Every eighth artist has a name that is not ASCII.
QString artistName(int artist)
{
    return (artist % 8 == 5 ? QStringLiteral("artistë ") : QStringLiteral("artist ")) + QString::number(artist);
}

bool writeNewFile(const QString& path, const QByteArray& bytes)
{
    return writeNewFile(QFile::encodeName(path), bytes);
}

// The music files: 300 bytes of audio, the last 128 an ID3v1 tag or audio-looking noise, after an
// ID3v2 tag of kId3v2Size bytes on the files that have one.
constexpr qsizetype kMusicFileSize = 300;
constexpr qsizetype kId3v2Size = 1024;
constexpr qsizetype kId3v1Size = 128;
const char kFrameHeader[] = {'\xFF', '\xFB', '\x90', '\x64'};

// Text of the sample (Latin-1 throughout, as the tag's code page holds it), NUL-padded to the width.
void appendField(QByteArray& bytes, const QString& text, qsizetype width)
{
    QByteArray field = text.toLatin1().left(width);
    field.resize(width, '\0');
    bytes += field;
}

// A version 2.3 text frame: Latin-1 encoding byte, then the text (a comment frame: language and an
// empty description first).
void appendTextFrame(QByteArray& bytes, const char* id, const QString& text)
{
    QByteArray body(1, '\0');
    if (std::strcmp(id, "COMM") == 0)
        body += QByteArray("eng\0", 4);
    body += text.toLatin1();
    bytes += id;
    for (const int shift : {24, 16, 8, 0})
        bytes += char((body.size() >> shift) & 0xFF);
    bytes += QByteArray(2, '\0');
    bytes += body;
}

// A kId3v2Size-byte ID3v2.3 tag holding the seven fields the program shows, then NUL padding.
void appendId3v2(QByteArray& bytes, const QString& title, const QString& artist, int number)
{
    const qsizetype start = bytes.size();
    const qsizetype bodySize = kId3v2Size - 10;
    bytes += "ID3";
    bytes += QByteArray("\x03\x00\x00", 3);
    for (const int shift : {21, 14, 7, 0})
        bytes += char((bodySize >> shift) & 0x7F);
    appendTextFrame(bytes, "TIT2", title);
    appendTextFrame(bytes, "TPE1", artist);
    appendTextFrame(bytes, "TALB", QStringLiteral("album ") + QString::number(number / 10 % 10));
    appendTextFrame(bytes, "TYER", QString::number(1960 + number % 60));
    appendTextFrame(bytes, "TRCK", QString::number(1 + number % 10) + QStringLiteral("/10"));
    appendTextFrame(bytes, "TCON", QString::fromUtf16(kGenres[number % std::size(kGenres)]));
    appendTextFrame(bytes, "COMM", QStringLiteral("made for the benchmark, with room to spare"));
    bytes.resize(start + kId3v2Size, '\0');
}

void appendNoise(QByteArray& bytes, qsizetype count, std::mt19937& random)
{
    for (qsizetype i = 0; i < count; ++i)
        bytes += char(random() & 0xFF);
}

QByteArray musicFileBytes(
    const QString& title, const QString& artist, int number, bool id1, bool id2, std::mt19937& random)
{
    QByteArray bytes;
    bytes.reserve(kId3v2Size + kMusicFileSize);
    if (id2)
        appendId3v2(bytes, title, artist, number);
    const qsizetype audioStart = bytes.size();
    bytes += QByteArray(kFrameHeader, sizeof kFrameHeader);
    appendNoise(bytes, audioStart + kMusicFileSize - kId3v1Size - bytes.size(), random);
    if (id1) {
        bytes += "TAG";
        appendField(bytes, title, 30);
        appendField(bytes, artist, 30);
        appendField(bytes, QStringLiteral("album ") + QString::number(number / 10 % 10), 30);
        appendField(bytes, QString::number(1960 + number % 60), 4);
        appendField(bytes, QStringLiteral("made for the benchmark"), 29);
        bytes += char(1 + number % 10);
        bytes += char(number % 126);
    } else {
        const qsizetype tail = bytes.size();
        appendNoise(bytes, kId3v1Size, random);
        if (bytes.at(tail) == 'T')
            bytes[tail] = 'U'; // noise that happens to read "TAG" is not a tag
    }
    Q_ASSERT(bytes.size() == audioStart + kMusicFileSize);
    return bytes;
}

// Makes the folder, taking one that exists already.
bool makeFolder(const QByteArray& nativePath)
{
    return ::mkdir(nativePath.constData(), 0755) == 0 || errno == EEXIST;
}

} // namespace

QByteArray playlistLines(PlaylistKind kind, const std::vector<PlaylistEntry>& entries)
{
    // At most three bytes a UTF-16 unit, plus the keys, numbers and line ends of an entry.
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    qsizetype units = 64;
    for (const PlaylistEntry& entry : entries)
        units += entry.path.size() + entry.title.size() + entry.length.size() + 64;
    QByteArray bytes(utf8.requiredSpace(units), Qt::Uninitialized);
    char* out = bytes.data();
    const auto put = [&out](QByteArrayView ascii) {
        std::memcpy(out, ascii.data(), size_t(ascii.size()));
        out += ascii.size();
    };
    const auto text = [&out, &utf8](const QString& part) { out = utf8.appendToBuffer(out, part); };

    if (kind == PlaylistKind::M3U) {
        put("#EXTM3U\r\n");
        for (const PlaylistEntry& entry : entries) {
            put("#EXTINF:");
            text(entry.length);
            put(",");
            text(entry.title);
            put("\r\n");
            text(entry.path);
            put("\r\n");
        }
    } else {
        put("[playlist]\r\n");
        char number[16];
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const int digits = std::snprintf(number, sizeof number, "%zu=", i + 1);
            const QByteArrayView key(number, digits);
            put("File");
            put(key);
            text(entries[i].path);
            put("\r\nTitle");
            put(key);
            text(entries[i].title);
            put("\r\nLength");
            put(key);
            text(entries[i].length);
            put("\r\n");
        }
        put("NumberOfEntries=");
        put(QByteArray::number(qsizetype(entries.size())));
        put("\r\nVersion=2\r\n");
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
}

const PlaylistSample& PlaylistSample::withRows(int rows)
{
    static std::map<int, std::unique_ptr<PlaylistSample>> samples;
    std::unique_ptr<PlaylistSample>& sample = samples[rows];
    if (!sample)
        sample.reset(new PlaylistSample(rows, false));
    return *sample;
}

const PlaylistSample& PlaylistSample::withFiles(int rows)
{
    static std::map<int, std::unique_ptr<PlaylistSample>> samples;
    std::unique_ptr<PlaylistSample>& sample = samples[rows];
    if (!sample)
        sample.reset(new PlaylistSample(rows, true));
    return *sample;
}

PlaylistSample::PlaylistSample(int rows, bool withFiles) : m_dir(std::make_unique<QTemporaryDir>())
{
    if (!m_dir->isValid()) {
        m_error = QStringLiteral("cannot make a temporary folder: ") + m_dir->errorString();
        return;
    }
    std::mt19937 random(20240611u + unsigned(rows));
    const QString music = m_dir->filePath(QStringLiteral("music"));
    m_entries.reserve(std::size_t(rows));
    m_quickTags.reserve(std::size_t(rows));
    for (int i = 0; i < rows; ++i) {
        // 100 tracks an artist, in 10 albums of 10.
        const QString artist = artistName(i / 100);
        PlaylistEntry entry;
        if (i % 50 == 23) {
            entry = m_entries.back();
        } else {
            entry.path = music + u'/' + artist + QStringLiteral("/album ") + QString::number(i / 10 % 10)
                + QStringLiteral("/track ") + QString::number(i % 10 + 1) + QStringLiteral(".mp3");
            if (i % 5 == 4) {
                const QString& earlier = m_entries[std::size_t(i - 2)].title;
                entry.title = i % 10 == 9 ? earlier.toUpper() : earlier;
            } else {
                entry.title = word(random) + u' ' + word(random) + u' ' + QString::number(i);
            }
            entry.length = QString::number(60 + random() % 540);
        }
        m_quickTags.push_back(artist + QStringLiteral(" - ") + entry.title);
        m_nativePaths.push_back(QFile::encodeName(entry.path));
        m_entries.push_back(std::move(entry));
    }

    m_m3uPath = m_dir->filePath(QStringLiteral("sample.m3u"));
    m_plsPath = m_dir->filePath(QStringLiteral("sample.pls"));
    m_m3uBytes = playlistLines(PlaylistKind::M3U, m_entries);
    m_plsBytes = playlistLines(PlaylistKind::PLS, m_entries);
    if (!writeNewFile(m_m3uPath, m_m3uBytes))
        m_error = QStringLiteral("cannot write ") + m_m3uPath;
    else if (!writeNewFile(m_plsPath, m_plsBytes))
        m_error = QStringLiteral("cannot write ") + m_plsPath;
    if (withFiles && m_error.isEmpty())
        makeFiles();
}

void PlaylistSample::makeFiles()
{
    std::mt19937 random(20240612u);
    const std::size_t count = m_entries.size();
    m_id1Tagged.reserve(count);
    m_id2Tagged.reserve(count);
    QByteArray folder;
    for (std::size_t i = 0; i < count; ++i) {
        const QByteArray& path = m_nativePaths[i];
        if (i > 0 && path == m_nativePaths[i - 1]) {
            // An entry listing the file before it again.
            m_id1Tagged.push_back(m_id1Tagged.back());
            m_id2Tagged.push_back(m_id2Tagged.back());
            continue;
        }
        const bool id1 = i % 10 != 3;
        const bool id2 = i % 5 == 1;
        m_id1Tagged.push_back(id1);
        m_id2Tagged.push_back(id2);
        // Folders come in runs: the album, and the artist above it, are made when the folder changes.
        const QByteArray fileFolder = path.left(path.lastIndexOf('/'));
        if (fileFolder != folder) {
            const QByteArray artistFolder = fileFolder.left(fileFolder.lastIndexOf('/'));
            const QByteArray musicFolder = artistFolder.left(artistFolder.lastIndexOf('/'));
            if (!makeFolder(musicFolder) || !makeFolder(artistFolder) || !makeFolder(fileFolder)) {
                m_error = QStringLiteral("cannot make the folder ") + QFile::decodeName(fileFolder);
                return;
            }
            folder = fileFolder;
        }
        const QString artist = artistName(int(i) / 100);
        if (!writeNewFile(path, musicFileBytes(m_entries[i].title, artist, int(i), id1, id2, random))) {
            m_error = QStringLiteral("cannot write ") + m_entries[i].path;
            return;
        }
    }
}
