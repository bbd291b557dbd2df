// M3U and PLS reading: the input is a playlist file's bytes, decoded as the program decodes them
// (UTF-16 after its byte-order mark, UTF-8 when valid, windows-1252 otherwise) and read once
// beside a folder and once with none. Every row read holds no line break and a non-empty length
// (for M3U one without ","), and the rows written in the same format, saved as UTF-8 and read
// again are the same rows, in order, read to the end.

#include "FuzzSupport.h"
#include "base/TextLines.h"
#include "playlist/PlaylistFormat.h"

namespace {

bool holdsLineBreak(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

void checkRoundTrip(const QString& text, const QString& playlistPath)
{
    const ParsedPlaylist read = parsePlaylist(text, playlistPath);
    if (read.outcome == ParsedPlaylist::Outcome::InvalidFormat) {
        FUZZ_CHECK(read.entries.empty());
        return;
    }
    const QString header = TextLines::split(text, 1).value(0).toLower();
    FUZZ_CHECK(header == u"#extm3u" || header == u"[playlist]");
    const PlaylistKind kind = header == u"#extm3u" ? PlaylistKind::M3U : PlaylistKind::PLS;
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
    FUZZ_CHECK(reread.entries == read.entries);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::messages().reset();
    const QString text = TextLines::decode(Fuzz::bytesOf(data, size));
    checkRoundTrip(text, QStringLiteral("/music/list.m3u"));
    checkRoundTrip(text, QStringLiteral("list.pls"));
    FUZZ_CHECK(Fuzz::messages().shown() == 0);
    return 0;
}
