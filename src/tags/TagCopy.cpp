#include "tags/TagCopy.h"

#include <algorithm>

#include "base/CodePage.h"
#include "tags/MP3Tag.h"

namespace {

constexpr int kNoGenre = 255;

// The text as a field of width characters holds it: each character windows-1252 cannot hold as
// "?", then cut.
QString narrowed(const QString& text, qsizetype width)
{
    return CodePage::toUnicode(CodePage::fromUnicode(text)).left(width);
}

// The track number of "n" or "n/total"; nothing when that is not a number from 0 to 255.
std::optional<int> trackNumber(const QString& text)
{
    const QStringView number = QStringView(text).left(text.indexOf(u'/')).trimmed();
    if (number.isEmpty() || number.size() > 3
        || !std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    const int value = number.toInt();
    return value <= 255 ? std::optional(value) : std::nullopt;
}

} // namespace

namespace TagCopy {

std::optional<Id3v1Copy> toId3v1(const Id3v2Fields& fields,
    const std::function<std::optional<int>(const QString&)>& genreNumber, const std::function<QString(int)>& genreName)
{
    Id3v1Copy copy;
    MP3TagInfo& record = copy.record;
    record.setTag(QStringLiteral("TAG"));
    struct Text {
        const char* name;
        const QString& text;
        qsizetype width;
        void (MP3TagInfo::*set)(const QString&);
    };
    const Text texts[] = {{"Title", fields.title, MP3TagInfo::SongNameWidth, &MP3TagInfo::setSongName},
        {"Artist", fields.artist, MP3TagInfo::ArtistWidth, &MP3TagInfo::setArtist},
        {"Album", fields.album, MP3TagInfo::AlbumWidth, &MP3TagInfo::setAlbum},
        {"Year", fields.year, MP3TagInfo::YearWidth, &MP3TagInfo::setYear},
        {"Comment", fields.comment, MP3TagInfo::CommentWidth, &MP3TagInfo::setComment}};
    for (const Text& text : texts) {
        const QString kept = narrowed(text.text, text.width);
        (record.*text.set)(kept);
        if (kept != text.text)
            copy.losses.push_back({QString::fromLatin1(text.name), text.text, kept});
    }

    const std::optional<int> track = fields.track.isEmpty() ? std::optional(0) : trackNumber(fields.track);
    record.setTrack(QString(QChar(track.value_or(0))));
    const QString trackText = track && *track > 0 ? QString::number(*track) : QString();
    if (trackText != fields.track)
        copy.losses.push_back({QStringLiteral("Track"), fields.track, trackText});

    // No genre is 255, which names none, rather than 0, which names one.
    record.setGenre(QString(QChar(kNoGenre)));
    if (!fields.genre.isEmpty()) {
        const std::optional<int> genre = genreNumber(fields.genre);
        if (!genre)
            return std::nullopt;
        record.setGenre(QString(QChar(*genre)));
        const QString name = genreName(*genre);
        if (name.compare(fields.genre, Qt::CaseInsensitive) != 0)
            copy.losses.push_back({QStringLiteral("Genre"), fields.genre, name});
    }
    return copy;
}

Id3v2Fields toId3v2(const MP3Tag& tag, const std::function<QString(int)>& genreName)
{
    Id3v2Fields fields;
    fields.title = tag.SongName();
    fields.artist = tag.Artist();
    fields.album = tag.Album();
    fields.year = tag.Year();
    fields.comment = tag.Comment();
    const int track = tag.Track().isEmpty() ? 0 : tag.Track().at(0).unicode();
    fields.track = track > 0 ? QString::number(track) : QString();
    const int genre = tag.Genre().isEmpty() ? 0 : tag.Genre().at(0).unicode();
    // A number without a name (the list lacks it, or cannot be loaded) is kept as the number.
    const QString name = genreName(genre);
    fields.genre = !name.isEmpty() || genre == kNoGenre ? name : QString::number(genre);
    return fields;
}

} // namespace TagCopy
