#include "tags/TagColumns.h"

#include <QStringBuilder>

#include "base/PathTools.h"
#include "tags/GenreTable.h"
#include "tags/MP3Tag.h"

namespace TagColumns {

namespace {

const QString kError = QStringLiteral("(error)");

const QString kNone = QStringLiteral("(none)");

QString artistAndTitle(QStringView artist, QStringView title)
{
    return artist % QStringLiteral(" - ") % title;
}

// The ID3v1 Track and Genre fields: one character whose code is the number.
int numberOf(const QString& field)
{
    return field.isEmpty() ? 0 : field.at(0).unicode();
}

QString id3v1Field(const MP3Tag& tag, TagField field)
{
    if (!tag.HasID1Tag())
        return {};
    switch (field) {
    case TagField::Album: return tag.Album();
    case TagField::Track: {
        const int track = numberOf(tag.Track());
        return track > 0 ? QString::number(track) : QString();
    }
    case TagField::Year: return tag.Year();
    case TagField::Genre: {
        const int genre = numberOf(tag.Genre());
        return programGenres().isLoaded() ? GenreName(genre) : QString::number(genre);
    }
    case TagField::Comment: return tag.Comment();
    }
    return {};
}

QString id3v2Field(const MP3Tag& tag, TagField field)
{
    const Id3v2Reading& reading = tag.Id3v2Tag();
    if (reading.state != Id3v2Reading::State::Read)
        return {};
    const Id3v2Fields& fields = reading.fields;
    switch (field) {
    case TagField::Album: return fields.album;
    case TagField::Track: return fields.track;
    case TagField::Year: return fields.year;
    case TagField::Genre: return fields.genre;
    case TagField::Comment: return fields.comment;
    }
    return {};
}

} // namespace

QString quickTag(const MP3Tag& tag)
{
    if (tag.FileError())
        return kError;
    if (!tag.HasID1Tag())
        return kNone;
    // The record's fields are full width, so reading them copies nothing; only the result is built.
    const QString artist = tag.RawInfo().Artist();
    const QString title = tag.RawInfo().SongName();
    return artistAndTitle(PathTools::trimmedOfBlanks(artist), PathTools::trimmedOfBlanks(title));
}

QString id3v2QuickTag(const MP3Tag& tag)
{
    if (tag.FileError())
        return kError;
    const Id3v2Reading& reading = tag.Id3v2Tag();
    switch (reading.state) {
    case Id3v2Reading::State::Read: return artistAndTitle(reading.fields.artist, reading.fields.title);
    case Id3v2Reading::State::Unreadable: return kError;
    case Id3v2Reading::State::None: break;
    }
    // A tag whose marker was read without its fields (a read of the ID3v1 tag alone) is not known yet.
    return tag.HasID2Tag() ? unreadTagText() : kNone;
}

QString fieldText(const MP3Tag& tag, TagField field, TagChoice from)
{
    if (tag.FileError())
        return {};
    return from == TagChoice::Id3v1 ? id3v1Field(tag, field) : id3v2Field(tag, field);
}

QString hasId2(const MP3Tag& tag)
{
    if (tag.FileError())
        return kError;
    return tag.HasID2Tag() ? QStringLiteral("Yes") : QStringLiteral("No");
}

} // namespace TagColumns
