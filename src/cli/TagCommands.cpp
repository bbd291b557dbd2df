#include "cli/TagCommands.h"

#include <optional>

#include <QRegularExpression>
#include <QStringBuilder>

#include "base/NativePath.h"
#include "cli/CommandLine.h"
#include "cli/Json.h"
#include "tags/GenreTable.h"
#include "tags/MP3Tag.h"
#include "tags/TagColumns.h"

namespace {

// The byte value of a track or genre character.
int numberOf(const QString& field)
{
    return field.isEmpty() ? 0 : field.at(0).unicode();
}

QString errorText(MP3Tag::Failure failure)
{
    return failure == MP3Tag::Failure::NotFound ? QStringLiteral("not found") : QStringLiteral("read error");
}

QByteArray infoJson(const QString& path, const MP3Tag& tag)
{
    JsonLine json;
    json.add("path", path)
        .add("id3v1", tag.HasID1Tag())
        .add("id3v2", tag.HasID2Tag())
        .add("title", tag.SongName())
        .add("artist", tag.Artist())
        .add("album", tag.Album())
        .add("year", tag.Year())
        .add("comment", tag.Comment())
        .add("track", numberOf(tag.Track()))
        .add("genre", numberOf(tag.Genre()));
    if (tag.FileError())
        json.add("error", errorText(tag.failure()));
    else
        json.addNull("error");
    return json.line();
}

void printInfoText(const QString& path, const MP3Tag& tag)
{
    // The path as the system's bytes, so that a name that is not UTF-8 prints as it is.
    writeOut(NativePath::encode(path));
    writeOut(QString(u'\t' % TagColumns::quickTag(tag) % u'\t' % TagColumns::hasId2(tag) % u'\n').toUtf8());
}

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

} // namespace

int runInfo(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("info [--json] [--files-from LIST] FILE..."),
        QStringLiteral("Reads each file's tags and prints, a line a file, its path, its ID3v1 "
                       "summary (artist - title, \"(none)\" or \"(error)\") and whether it starts "
                       "with an ID3v2 tag, separated by tabs."));
    line.addFlag(QStringLiteral("json"),
        QStringLiteral("Print one JSON object a line: path, id3v1, id3v2, title, artist, album, year, "
                       "comment, track, genre, error."));
    line.takesFiles();
    int exitCode = ExitOk;
    if (line.parse(arguments, &exitCode) == CommandLine::Outcome::Done)
        return exitCode;
    const std::optional<QStringList> files = line.files();
    if (!files)
        return ExitOk;
    const bool json = line.isSet(QStringLiteral("json"));
    for (const QString& path : *files) {
        MP3Tag tag;
        tag.init(path);
        tag.ReadTag();
        if (json)
            writeOut(infoJson(path, tag));
        else
            printInfoText(path, tag);
    }
    return ExitOk;
}

int runWrite(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("write [--title T] [--artist A] [--album U] [--year Y] [--comment C] "
                                    "[--track N] [--genre N|NAME] [--files-from LIST] FILE..."),
        QStringLiteral("Reads each file's ID3v1 tag, sets the given fields and writes the tag back "
                       "(appending one to a file that has none). Fields not given keep their "
                       "values. Texts longer than their field are cut: title, artist and album "
                       "30 characters, year 4, comment 29."));
    line.addValue(QStringLiteral("title"), QStringLiteral("T"), QStringLiteral("The song title."));
    line.addValue(QStringLiteral("artist"), QStringLiteral("A"), QStringLiteral("The artist."));
    line.addValue(QStringLiteral("album"), QStringLiteral("U"), QStringLiteral("The album."));
    line.addValue(QStringLiteral("year"), QStringLiteral("Y"), QStringLiteral("The year."));
    line.addValue(QStringLiteral("comment"), QStringLiteral("C"), QStringLiteral("The comment."));
    line.addValue(QStringLiteral("track"), QStringLiteral("N"), QStringLiteral("The track number, 0 to 255."));
    line.addValue(QStringLiteral("genre"), QStringLiteral("N|NAME"),
        QStringLiteral("The genre number, 0 to 255, or a name from the genre list (a name not in "
                       "the list gives 12)."));
    line.takesFiles();
    int exitCode = ExitOk;
    if (line.parse(arguments, &exitCode) == CommandLine::Outcome::Done)
        return exitCode;

    std::optional<int> track;
    if (line.isSet(QStringLiteral("track"))) {
        track = byteNumber(line.value(QStringLiteral("track")));
        if (!track)
            return line.usageError(QStringLiteral("--track takes a number from 0 to 255"));
    }
    std::optional<int> genre;
    if (line.isSet(QStringLiteral("genre"))) {
        const QString given = line.value(QStringLiteral("genre"));
        genre = looksNumeric(given) ? byteNumber(given) : std::optional<int>(GenreNumber(given));
        if (!genre)
            return line.usageError(QStringLiteral("--genre takes a number from 0 to 255 or a genre name"));
    }
    const std::optional<QStringList> files = line.files();
    if (!files)
        return ExitOk;

    const auto text = [&](const char* name) -> std::optional<QString> {
        const QString option = QString::fromLatin1(name);
        return line.isSet(option) ? std::optional<QString>(line.value(option)) : std::nullopt;
    };
    const std::optional<QString> title = text("title"), artist = text("artist"), album = text("album"),
                                 year = text("year"), comment = text("comment");
    for (const QString& path : *files) {
        MP3Tag tag;
        tag.init(path);
        tag.ReadTag();
        if (title)
            tag.setSongName(*title);
        if (artist)
            tag.setArtist(*artist);
        if (album)
            tag.setAlbum(*album);
        if (year)
            tag.setYear(*year);
        if (comment)
            tag.setComment(*comment);
        if (track)
            tag.setTrack(QString(QChar(*track)));
        if (genre)
            tag.setGenre(QString(QChar(*genre)));
        tag.writeTag();
    }
    return ExitOk;
}

int runRemove(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("remove --id3v1|--id3v2 [--files-from LIST] FILE..."),
        QStringLiteral("Removes the ID3v1 tag (the last 128 bytes) or the ID3v2 tag (at the front) "
                       "of each file. With both flags the ID3v2 tag goes first. An ID3v2 tag that is "
                       "not followed by audio data is left alone with a message."));
    line.addFlag(QStringLiteral("id3v1"), QStringLiteral("Remove the ID3v1 tag."));
    line.addFlag(QStringLiteral("id3v2"), QStringLiteral("Remove the ID3v2 tag."));
    line.takesFiles();
    int exitCode = ExitOk;
    if (line.parse(arguments, &exitCode) == CommandLine::Outcome::Done)
        return exitCode;
    const bool id3v1 = line.isSet(QStringLiteral("id3v1"));
    const bool id3v2 = line.isSet(QStringLiteral("id3v2"));
    if (!id3v1 && !id3v2)
        return line.usageError(QStringLiteral("say which tag to remove: --id3v1, --id3v2 or both"));
    const std::optional<QStringList> files = line.files();
    if (!files)
        return ExitOk;
    for (const QString& path : *files) {
        MP3Tag tag;
        tag.init(path);
        tag.ReadTag();
        if (id3v2)
            tag.setHasID2Tag(false);
        if (id3v1)
            tag.setHasID1Tag(false);
    }
    return ExitOk;
}

int runGenres(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("genres"),
        QStringLiteral("Prints the genre list that sondrel-cli reads from Genres.lst beside it, "
                       "\"number<TAB>name\" a line."));
    int exitCode = ExitOk;
    if (line.parse(arguments, &exitCode) == CommandLine::Outcome::Done)
        return exitCode;
    QStringList names;
    FillGenreList(names);
    QString out;
    for (qsizetype i = 0; i < names.size(); ++i)
        out += QString::number(i) + u'\t' + names.at(i) + u'\n';
    writeOut(out.toUtf8());
    return ExitOk;
}
