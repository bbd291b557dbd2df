// M3U and PLS reading: the input is a playlist file's bytes, decoded as the program decodes them
// (UTF-16 after its byte-order mark, UTF-8 when valid, windows-1252 otherwise) and read once
// beside a folder and once as a ".pls" file with none. A text is refused exactly when the rule
// says so (restated here: a first line that is no header in a ".pls" file, or in text that is not
// text at its start, or longer than any path); every row read holds no line break and a non-empty
// length (for M3U one without ","), and the rows written in the same format, saved as UTF-8 and
// read again are the same rows, in order, read to the end.
//
// The bytes are also read as a file that is not all UTF-8 is: each stray byte a character of its
// own, with a made-up file system that holds exactly the paths of even length. A path keeps stray
// bytes only when its file exists, no title or length keeps any, and the rows written as bytes and
// read again name the same files.

#include <algorithm>

#include "FuzzSupport.h"
#include "base/NativePath.h"
#include "base/TextLines.h"
#include "playlist/PlaylistFormat.h"

namespace {

bool holdsLineBreak(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

bool isTextCharacter(QChar c)
{
    if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f')
        return true;
    return c.unicode() >= 0x20 && c != QChar::ReplacementCharacter && !c.isNonCharacter();
}

// The refusal rule, stated on its own.
bool refused(const QString& text, const QString& playlistPath)
{
    const QStringList first = TextLines::split(text, 1);
    if (first.isEmpty())
        return false;
    const QString header = first[0].toLower();
    if (header == u"#extm3u" || header == u"[playlist]")
        return false;
    if (playlistPath.toLower().endsWith(u".pls") || first[0].size() >= kRecognitionLength)
        return true;
    const QStringView start = QStringView(text).first(std::min(text.size(), kTextProbeLength));
    return !std::all_of(start.begin(), start.end(), isTextCharacter);
}

// The three texts of each entry: whether a path was written relative is not written itself.
bool sameTexts(const std::vector<PlaylistEntry>& a, const std::vector<PlaylistEntry>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const PlaylistEntry& x, const PlaylistEntry& y) {
        return x.path == y.path && x.title == y.title && x.length == y.length;
    });
}

void checkBytesRoundTrip(const QByteArray& bytes, const QString& playlistPath, bool utf8Only)
{
    PlaylistLookups lookups;
    lookups.exists = [](const QString& path) { return path.size() % 2 == 0; };
    lookups.utf8Only = utf8Only;
    const ParsedPlaylist read = parsePlaylist(NativePath::decode(bytes), playlistPath, lookups);
    if (read.outcome == ParsedPlaylist::Outcome::InvalidFormat)
        return;
    for (const PlaylistEntry& entry : read.entries) {
        FUZZ_CHECK(!NativePath::holdsUndecodedBytes(entry.title) && !NativePath::holdsUndecodedBytes(entry.length));
        FUZZ_CHECK(!NativePath::holdsUndecodedBytes(entry.path) || lookups.exists(entry.path));
    }
    const PlaylistKind kind = recognizePlaylist(NativePath::decode(bytes), playlistPath).value_or(PlaylistKind::M3U);
    const QByteArray saved = NativePath::encode(renderPlaylist(kind, read.entries));
    const ParsedPlaylist reread = parsePlaylist(NativePath::decode(saved), playlistPath, lookups);
    FUZZ_CHECK(reread.outcome == ParsedPlaylist::Outcome::Complete);
    FUZZ_CHECK(sameTexts(reread.entries, read.entries));
}

void checkRoundTrip(const QString& text, const QString& playlistPath)
{
    const ParsedPlaylist read = parsePlaylist(text, playlistPath);
    FUZZ_CHECK((read.outcome == ParsedPlaylist::Outcome::InvalidFormat) == refused(text, playlistPath));
    if (read.outcome == ParsedPlaylist::Outcome::InvalidFormat) {
        FUZZ_CHECK(read.entries.empty());
        return;
    }
    const QString header = TextLines::split(text, 1).value(0).toLower();
    const PlaylistKind kind = header == u"[playlist]" ? PlaylistKind::PLS : PlaylistKind::M3U;
    FUZZ_CHECK(recognizePlaylist(text, playlistPath) == kind);
    FUZZ_CHECK(kind == PlaylistKind::M3U || read.outcome == ParsedPlaylist::Outcome::Complete);
    for (const PlaylistEntry& entry : read.entries) {
        FUZZ_CHECK(!holdsLineBreak(entry.path) && !holdsLineBreak(entry.title) && !holdsLineBreak(entry.length));
        FUZZ_CHECK(!entry.length.isEmpty());
        FUZZ_CHECK(kind == PlaylistKind::PLS || !entry.length.contains(u','));
        FUZZ_CHECK(kind == PlaylistKind::PLS || !entry.path.isEmpty());
    }
    const QByteArray saved = renderPlaylist(kind, read.entries).toUtf8();
    const ParsedPlaylist reread = parsePlaylist(TextLines::decode(saved), playlistPath);
    FUZZ_CHECK(reread.outcome == ParsedPlaylist::Outcome::Complete);
    FUZZ_CHECK(sameTexts(reread.entries, read.entries));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::messages().reset();
    const QString text = TextLines::decode(Fuzz::bytesOf(data, size));
    checkRoundTrip(text, QStringLiteral("/music/list.m3u"));
    checkRoundTrip(text, QStringLiteral("list.pls"));
    const QByteArray bytes = Fuzz::bytesOf(data, size).toByteArray();
    checkBytesRoundTrip(bytes, QStringLiteral("/music/list.m3u"), false);
    checkBytesRoundTrip(bytes, QStringLiteral("/music/list.m3u8"), true);
    FUZZ_CHECK(Fuzz::messages().shown() == 0);
    return 0;
}
