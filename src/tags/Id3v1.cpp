#include "tags/Id3v1.h"

#include "base/CodePage.h"
#include "tags/MP3TagInfo.h"

namespace Id3v1 {

namespace {

QString textAt(QByteArrayView tag, qsizetype offset, qsizetype width)
{
    return CodePage::toUnicode(tag.sliced(offset, width));
}

// Track and genre are numbers, not code-page characters: byte 128 is the number 128.
QString numberAt(QByteArrayView tag, qsizetype offset)
{
    return QString(QChar(char16_t(static_cast<unsigned char>(tag.at(offset)))));
}

void putText(QByteArray& body, qsizetype offset, const QString& value, qsizetype width)
{
    CodePage::fromUnicode(QStringView(value).left(width), body.data() + offset - MarkerWidth, width);
}

void putNumber(QByteArray& body, qsizetype offset, const QString& value)
{
    const char16_t code = value.isEmpty() ? 0 : value.at(0).unicode();
    body[offset - MarkerWidth] = code > 255 ? '\0' : static_cast<char>(code);
}

} // namespace

QString markerText()
{
    return QStringLiteral("TAG");
}

bool isMarker(QByteArrayView bytes)
{
    return bytes == marker();
}

void decode(QByteArrayView tag, MP3TagInfo& record)
{
    Q_ASSERT(tag.size() == Size);
    const QByteArrayView marker = tag.sliced(MarkerOffset, MarkerWidth);
    record.setTag(isMarker(marker) ? markerText() : CodePage::toUnicode(marker));
    record.setSongName(textAt(tag, SongNameOffset, MP3TagInfo::SongNameWidth));
    record.setArtist(textAt(tag, ArtistOffset, MP3TagInfo::ArtistWidth));
    record.setAlbum(textAt(tag, AlbumOffset, MP3TagInfo::AlbumWidth));
    record.setYear(textAt(tag, YearOffset, MP3TagInfo::YearWidth));
    record.setComment(textAt(tag, CommentOffset, MP3TagInfo::CommentWidth));
    record.setTrack(numberAt(tag, TrackOffset));
    record.setGenre(numberAt(tag, GenreOffset));
}

QByteArray encodeBody(const MP3TagInfo& record)
{
    QByteArray body(BodySize, '\0');
    putText(body, SongNameOffset, record.SongName(), MP3TagInfo::SongNameWidth);
    putText(body, ArtistOffset, record.Artist(), MP3TagInfo::ArtistWidth);
    putText(body, AlbumOffset, record.Album(), MP3TagInfo::AlbumWidth);
    putText(body, YearOffset, record.Year(), MP3TagInfo::YearWidth);
    putText(body, CommentOffset, record.Comment(), MP3TagInfo::CommentWidth);
    putNumber(body, TrackOffset, record.Track());
    putNumber(body, GenreOffset, record.Genre());
    return body;
}

} // namespace Id3v1
