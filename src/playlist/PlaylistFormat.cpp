#include "playlist/PlaylistFormat.h"

#include <algorithm>
#include <initializer_list>

#include "base/CodePage.h"
#include "base/NativePath.h"
#include "base/PathTools.h"

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kM3uHeader = u"#extm3u";
constexpr QStringView kPlsHeader = u"[playlist]";
constexpr QStringView kExtInf = u"#EXTINF:";
constexpr QStringView kLineEnd = u"\r\n";

// Walks the lines of a text without copying it. A line ends at CR LF, at CR alone or at LF alone;
// the last line needs no ending, so "a\r\n" is one line and "" is none.
class LineReader {
public:
    explicit LineReader(QStringView text) : m_text(text) { }

    bool next(QStringView* line)
    {
        const qsizetype size = m_text.size();
        if (m_at >= size)
            return false;
        qsizetype end = m_at;
        while (end < size && m_text[end] != u'\r' && m_text[end] != u'\n')
            ++end;
        *line = m_text.sliced(m_at, end - m_at);
        if (end + 1 < size && m_text[end] == u'\r' && m_text[end + 1] == u'\n')
            ++end;
        m_at = end + 1;
        return true;
    }

private:
    QStringView m_text;
    qsizetype m_at = 0;
};

// The first line, lower-cased, must be the header exactly. Lower-casing never shortens a text
// much, so a long line is refused without copying it.
bool isHeader(QStringView line, QStringView header)
{
    return line.size() <= 4 * header.size() && line.toString().toLower() == header;
}

// The value of a "Key<n>=value" line: the text after its first "=", the whole line without one.
QStringView plsValue(QStringView line)
{
    return line.sliced(line.indexOf(u'=') + 1);
}

// Text, not binary bytes: no control character but tab, LF, CR and form feed, no U+FFFD (what
// did not decode: a broken UTF-16 file) and no noncharacter (U+FFFE, U+FFFF, U+FDD0 to U+FDEF).
bool looksLikeText(QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool control = u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f';
        if (control || c == QChar::ReplacementCharacter || c.isNonCharacter())
            return false;
    }
    return true;
}

qsizetype decimalDigits(qsizetype n)
{
    qsizetype digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

} // namespace

QString titleOfFile(const QString& path)
{
    return PathTools::stripExtension(PathTools::fileNameOf(path));
}

std::optional<PlaylistKind> recognizePlaylist(QStringView text, const QString& playlistPath)
{
    LineReader lines(text);
    QStringView first;
    if (!lines.next(&first))
        return PlaylistKind::M3U; // an empty text is an empty playlist
    if (isHeader(first, kM3uHeader))
        return PlaylistKind::M3U;
    if (isHeader(first, kPlsHeader))
        return PlaylistKind::PLS;
    if (kindForSaving(playlistPath) == PlaylistKind::PLS)
        return std::nullopt; // a PLS file without its header
    if (first.size() >= kRecognitionLength || !looksLikeText(text.first(std::min(text.size(), kTextProbeLength))))
        return std::nullopt;
    return PlaylistKind::M3U;
}

ParsedPlaylist parsePlaylist(QStringView text, const QString& playlistPath, const PlaylistLookups& lookups)
{
    const std::optional<PlaylistKind> kind = recognizePlaylist(text, playlistPath);
    ParsedPlaylist parsed;
    if (!kind) {
        parsed.outcome = ParsedPlaylist::Outcome::InvalidFormat;
        return parsed;
    }
    PlaylistReader reader(*kind, playlistPath, lookups);
    reader.addText(text);
    reader.finish();
    parsed.outcome = reader.outcome();
    parsed.entries = reader.takeEntries();
    return parsed;
}

PlaylistReader::PlaylistReader(PlaylistKind kind, const QString& playlistPath, PlaylistLookups lookups)
    : m_kind(kind), m_folder(PathTools::folderOf(playlistPath)), m_lookups(std::move(lookups))
{ }

bool PlaylistReader::addText(QStringView text)
{
    LineReader lines(text);
    QStringView line;
    while (!m_ended && lines.next(&line)) {
        if (!(m_kind == PlaylistKind::M3U ? addM3uLine(line) : addPlsLine(line)))
            m_ended = true;
    }
    return !m_ended;
}

void PlaylistReader::finish()
{
    // The text may end right after a "File" or "Title" line; the entry is kept.
    if (m_kind == PlaylistKind::PLS && !m_ended
        && (m_plsState == PlsState::AfterFile || m_plsState == PlsState::AfterTitle))
        endPlsEntry({});
    m_ended = true;
}

QString PlaylistReader::sharedLength(QStringView length)
{
    if (length.isEmpty())
        return unknownLength();
    // Up to three characters and their count make the key of a shared text; a longer one is kept
    // as it is.
    if (length.size() > 3)
        return length.toString();
    quint64 key = quint64(length.size()) << 48;
    for (qsizetype i = 0; i < length.size(); ++i)
        key |= quint64(length[i].unicode()) << (16 * i);
    auto found = m_lengths.find(key);
    if (found == m_lengths.end())
        found = m_lengths.emplace(key, length.toString()).first;
    return found->second;
}

QString PlaylistReader::textOf(QStringView line) const
{
    if (!NativePath::holdsUndecodedBytes(line))
        return line.toString();
    const QByteArray bytes = NativePath::encode(line);
    return m_lookups.utf8Only ? QString::fromUtf8(bytes) : CodePage::toUnicode(bytes);
}

PlaylistEntry PlaylistReader::entryFor(QStringView line)
{
    QString written = line.toString();
    QString path = PathTools::combinePath(m_folder, written);
    if (NativePath::holdsUndecodedBytes(line) && !exists(path)) {
        written = textOf(line);
        path = PathTools::combinePath(m_folder, written);
    }
    const bool drivePath = PathTools::isAbsolute(written, PathStyle::Windows);
    if (written.contains(u'\\') && !drivePath && m_lookups.exists && !exists(path)) {
        // Made on Windows: "\" separates, and a leading one starts from the playlist's folder.
        QString slashed = written.startsWith(u'\\') ? written.sliced(1) : written;
        slashed.replace(u'\\', u'/');
        const QString found = PathTools::combinePath(m_folder, slashed);
        if (exists(found)) {
            written = slashed;
            path = found;
        }
    }
    PlaylistEntry entry;
    entry.path = std::move(path);
    entry.relative = !drivePath && !PathTools::isAbsolute(written);
    return entry;
}

// M3U: "#EXTINF:<length>,<title>" lines describe the next path line; other "#" lines (the header
// among them) and empty lines are skipped. A path without an "#EXTINF:" line of its own gets its
// file name as title and an unknown length.
bool PlaylistReader::addM3uLine(QStringView line)
{
    if (line.startsWith(kExtInf)) {
        const QStringView rest = line.sliced(kExtInf.size());
        const qsizetype comma = rest.indexOf(u',');
        if (comma < 0) {
            m_outcome = ParsedPlaylist::Outcome::EndedEarly;
            return false;
        }
        m_length = NativePath::holdsUndecodedBytes(rest.first(comma)) ? textOf(rest.first(comma))
                                                                      : sharedLength(rest.first(comma));
        m_title = textOf(rest.sliced(comma + 1));
        m_described = true;
        return true;
    }
    if (line.isEmpty() || line.startsWith(u'#'))
        return true;
    PlaylistEntry entry = entryFor(line);
    entry.title = m_described ? std::exchange(m_title, {}) : textOf(titleOfFile(entry.path));
    entry.length = m_described ? std::exchange(m_length, {}) : unknownLength();
    m_entries.push_back(std::move(entry));
    m_described = false;
    return true;
}

// PLS: after the header, an entry is a "File" line, optionally followed by a "Title" line and
// then a "Length" line. A line that follows an entry's lines without being one of them starts the
// next pass; a "NumberOfEntries" line ends the list; every other line is skipped. Keys are
// compared with case.
bool PlaylistReader::addPlsLine(QStringView line)
{
    switch (m_plsState) {
    case PlsState::Header: m_plsState = PlsState::Idle; return true;
    case PlsState::AfterFile:
        if (line.startsWith(u"Title")) {
            m_pending.title = textOf(plsValue(line));
            m_plsState = PlsState::AfterTitle;
            return true;
        }
        [[fallthrough]];
    case PlsState::AfterTitle:
        if (line.startsWith(u"Length")) {
            endPlsEntry(plsValue(line));
            return true;
        }
        endPlsEntry({});
        break; // the line starts the next pass
    case PlsState::Idle: break;
    }
    if (line.startsWith(u"NumberOfEntries"))
        return false;
    if (line.startsWith(u"File")) {
        m_pending = entryFor(plsValue(line));
        m_plsState = PlsState::AfterFile;
    }
    return true;
}

void PlaylistReader::endPlsEntry(QStringView length)
{
    if (m_plsState == PlsState::AfterFile)
        m_pending.title = textOf(titleOfFile(m_pending.path));
    m_pending.length = NativePath::holdsUndecodedBytes(length) ? textOf(length) : sharedLength(length);
    m_entries.push_back(std::exchange(m_pending, {}));
    m_plsState = PlsState::Idle;
}

bool isUtf8Only(const QString& path)
{
    return QStringView(path).right(5).compare(u".m3u8", Qt::CaseInsensitive) == 0;
}

std::optional<PlaylistKind> kindForSaving(const QString& path)
{
    if (isUtf8Only(path))
        return PlaylistKind::M3U;
    const QString ending = QStringView(path).right(4).toString().toLower();
    if (ending == u".m3u")
        return PlaylistKind::M3U;
    if (ending == u".pls")
        return PlaylistKind::PLS;
    return std::nullopt;
}

QString renderPlaylist(PlaylistKind kind, const std::vector<PlaylistEntry>& entries)
{
    // The texts plus, per entry, the keys, the widest number and the line ends.
    const qsizetype digits = decimalDigits(qsizetype(entries.size()));
    qsizetype size = 64;
    for (const PlaylistEntry& entry : entries)
        size += entry.path.size() + entry.title.size() + entry.length.size() + 32 + 3 * digits;
    QString text;
    text.reserve(size);
    const auto line = [&text](std::initializer_list<QStringView> parts) {
        for (QStringView part : parts)
            text += part;
        text += kLineEnd;
    };

    if (kind == PlaylistKind::M3U) {
        line({u"#EXTM3U"});
        for (const PlaylistEntry& entry : entries) {
            const QStringView length = entry.length == unknownLength() ? QStringView() : QStringView(entry.length);
            line({kExtInf, length, u",", entry.title});
            line({entry.path});
        }
        return text;
    }

    line({u"[playlist]"});
    qsizetype n = 0;
    for (const PlaylistEntry& entry : entries) {
        const QString number = QString::number(++n);
        line({u"File", number, u"=", entry.path});
        line({u"Title", number, u"=", entry.title});
        if (entry.length != unknownLength())
            line({u"Length", number, u"=", entry.length});
    }
    line({u"NumberOfEntries=", QString::number(n)});
    line({u"Version=2"});
    return text;
}
