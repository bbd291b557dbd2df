#include "cli/TagFieldOptions.h"

#include <QRegularExpression>

#include "cli/CommandLine.h"
#include "tags/GenreTable.h"
#include "tags/Id3v2Fields.h"
#include "tags/MP3TagInfo.h"

namespace {

// A track or genre number from 0 to 255 given as digits; empty for anything else.
std::optional<int> byteNumber(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,3}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const int number = text.toInt();
    return number <= 255 ? std::optional<int>(number) : std::nullopt;
}

bool looksNumeric(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?\\d+$"));
    return number.match(text).hasMatch();
}

std::optional<QString> textOption(const CommandLine& line, const char* name)
{
    const QString option = QString::fromLatin1(name);
    return line.isSet(option) ? std::optional<QString>(line.value(option)) : std::nullopt;
}

} // namespace

void TagFieldOptions::addTo(CommandLine& line)
{
    line.addValue(QStringLiteral("title"), QStringLiteral("T"), QStringLiteral("The song title."));
    line.addValue(QStringLiteral("artist"), QStringLiteral("A"), QStringLiteral("The artist."));
    line.addValue(QStringLiteral("album"), QStringLiteral("U"), QStringLiteral("The album."));
    line.addValue(QStringLiteral("year"), QStringLiteral("Y"), QStringLiteral("The year."));
    line.addValue(QStringLiteral("comment"), QStringLiteral("C"), QStringLiteral("The comment."));
    line.addValue(QStringLiteral("track"), QStringLiteral("N"), QStringLiteral("The track number, 0 to 255."));
    line.addValue(QStringLiteral("genre"), QStringLiteral("N|NAME"),
        QStringLiteral("The genre number, 0 to 255, or a name from the genre list (a name not in "
                       "the list gives 12; a name when the list cannot be loaded writes nothing)."));
}

std::optional<TagFieldOptions> TagFieldOptions::read(const CommandLine& line, int* exitCode, bool forId3v1)
{
    TagFieldOptions options;
    options.m_title = textOption(line, "title");
    options.m_artist = textOption(line, "artist");
    options.m_album = textOption(line, "album");
    options.m_year = textOption(line, "year");
    options.m_comment = textOption(line, "comment");
    options.m_trackText = textOption(line, "track");
    options.m_genreText = textOption(line, "genre");
    if (!forId3v1)
        return options;
    if (line.isSet(QStringLiteral("track"))) {
        options.m_track = byteNumber(line.value(QStringLiteral("track")));
        if (!options.m_track) {
            *exitCode = line.usageError(QStringLiteral("--track takes a number from 0 to 255"));
            return std::nullopt;
        }
    }
    if (line.isSet(QStringLiteral("genre"))) {
        const QString given = line.value(QStringLiteral("genre"));
        if (!looksNumeric(given)) {
            // A name needs the genre list: without it any number would be a guess, so nothing is
            // written (the list's message said why).
            options.m_genre = BatchGenres().numberOf(given);
            if (!options.m_genre) {
                *exitCode = ExitErrorShown;
                return std::nullopt;
            }
        } else if (!(options.m_genre = byteNumber(given))) {
            *exitCode = line.usageError(QStringLiteral("--genre takes a number from 0 to 255 or a genre name"));
            return std::nullopt;
        }
    }
    return options;
}

void TagFieldOptions::applyTo(MP3TagInfo& record) const
{
    if (m_title)
        record.setSongName(*m_title);
    if (m_artist)
        record.setArtist(*m_artist);
    if (m_album)
        record.setAlbum(*m_album);
    if (m_year)
        record.setYear(*m_year);
    if (m_comment)
        record.setComment(*m_comment);
    if (m_track)
        record.setTrack(QString(QChar(*m_track)));
    if (m_genre)
        record.setGenre(QString(QChar(*m_genre)));
}

void TagFieldOptions::applyTo(Id3v2Fields& fields) const
{
    for (const auto& [given, field] :
        {std::pair{&m_title, &fields.title}, {&m_artist, &fields.artist}, {&m_album, &fields.album},
            {&m_year, &fields.year}, {&m_comment, &fields.comment}, {&m_trackText, &fields.track}}) {
        if (*given)
            *field = **given;
    }
    if (m_genreText) {
        const std::optional<int> number = byteNumber(*m_genreText);
        const QString name = number ? GenreName(*number) : QString();
        fields.genre = name.isEmpty() ? *m_genreText : name;
    }
}

namespace TagChoiceOptions {

void addTag(CommandLine& line, const QString& description)
{
    line.addValue(QStringLiteral("tag"), QStringLiteral("TAG"), description);
}

std::optional<TagChoice> tagOf(const CommandLine& line, int* exitCode)
{
    const QString tag = line.isSet(QStringLiteral("tag")) ? line.value(QStringLiteral("tag")) : QStringLiteral("id3v1");
    if (tag == u"id3v1")
        return TagChoice::Id3v1;
    if (tag == u"id3v2")
        return TagChoice::Id3v2;
    *exitCode = line.usageError(QStringLiteral("--tag takes id3v1 or id3v2"));
    return std::nullopt;
}

void addNewTagVersion(CommandLine& line)
{
    line.addFlag(QStringLiteral("v23"), QStringLiteral("Give a file without an ID3v2 tag a version 2.3 one."));
    line.addFlag(
        QStringLiteral("v24"), QStringLiteral("Give a file without an ID3v2 tag a version 2.4 one (the default)."));
}

std::optional<int> newTagVersionOf(const CommandLine& line, int* exitCode)
{
    if (line.isSet(QStringLiteral("v23")) && line.isSet(QStringLiteral("v24"))) {
        *exitCode = line.usageError(QStringLiteral("give --v23 or --v24, not both"));
        return std::nullopt;
    }
    return line.isSet(QStringLiteral("v23")) ? 3 : 4;
}

} // namespace TagChoiceOptions
