#include "cli/TagCommands.h"

#include <optional>

#include <QStringBuilder>

#include "base/NativePath.h"
#include "cli/CommandJournal.h"
#include "cli/CommandLine.h"
#include "cli/Json.h"
#include "cli/TagFieldOptions.h"
#include "tags/GenreTable.h"
#include "tags/Id3v2Fields.h"
#include "tags/MP3Tag.h"
#include "tags/TagColumns.h"

namespace {

// The byte value of a track or genre character.
int numberOf(const QString& field)
{
    return field.isEmpty() ? 0 : field.at(0).unicode();
}

QString errorText(Failure::Kind failure)
{
    return failure == Failure::Kind::Missing ? QStringLiteral("not found") : QStringLiteral("read error");
}

// The fields of the file's ID3v2 tag as a JSON value: null without a tag, an object with "error"
// for a tag that cannot be read.
void addId3v2Tag(JsonLine& json, const MP3Tag& tag)
{
    const Id3v2Reading& reading = tag.Id3v2Tag();
    if (reading.state == Id3v2Reading::State::None) {
        json.addNull("id3v2tag");
        return;
    }
    JsonLine fields;
    if (reading.state == Id3v2Reading::State::Unreadable) {
        fields.add("error", reading.problem);
    } else {
        const Id3v2Fields& f = reading.fields;
        fields.add("version", QStringLiteral("2.%1").arg(f.version))
            .add("size", int(f.size))
            .add("title", f.title)
            .add("artist", f.artist)
            .add("album", f.album)
            .add("year", f.year)
            .add("track", f.track)
            .add("genre", f.genre)
            .add("comment", f.comment);
    }
    json.add("id3v2tag", fields);
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
        json.add("error", errorText(*tag.failure()));
    else
        json.addNull("error");
    addId3v2Tag(json, tag);
    return json.line();
}

void printInfoText(const QString& path, const MP3Tag& tag)
{
    // The path as the system's bytes, so that a name that is not UTF-8 prints as it is.
    writeOut(NativePath::encode(path));
    writeOut(QString(u'\t' % TagColumns::quickTag(tag) % u'\t' % TagColumns::hasId2(tag) % u'\n').toUtf8());
}

MP3Tag readTagOf(const QString& path, MP3Tag::Reading reading)
{
    MP3Tag tag;
    tag.init(path);
    tag.ReadTag(reading);
    return tag;
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
                       "comment, track, genre, error, and id3v2tag: the ID3v2 tag's version, size, "
                       "title, artist, album, year, track, genre and comment (null without a tag; "
                       "an error for a tag that cannot be read)."));
    line.takesFiles();
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    const Result<QStringList> files = line.files();
    if (!files)
        return ExitOk;
    const bool json = line.isSet(QStringLiteral("json"));
    for (const QString& path : *files) {
        MP3Tag tag = readTagOf(path, json ? MP3Tag::Reading::AllTags : MP3Tag::Reading::BothTags);
        if (json)
            writeOut(infoJson(path, tag));
        else
            printInfoText(path, tag);
    }
    return ExitOk;
}

int runWrite(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("write [--id3v1] [--id3v2] [--v23|--v24] [--title T] [--artist A] [--album U] "
                                    "[--year Y] [--comment C] [--track N] [--genre N|NAME] [--files-from LIST] "
                                    "FILE..."),
        QStringLiteral("Reads each file's ID3v1 tag, sets the given fields and writes the tag back "
                       "(appending one to a file that has none). Fields not given keep their "
                       "values. Texts longer than their field are cut: title, artist and album "
                       "30 characters, year 4, comment 29. With --id3v2 the ID3v2 tag is written "
                       "instead (both with both flags): its fields have no width, the track is a text "
                       "such as 3/12, and its other frames are kept."));
    line.addFlag(QStringLiteral("id3v1"), QStringLiteral("Write the ID3v1 tag (the default)."));
    line.addFlag(QStringLiteral("id3v2"), QStringLiteral("Write the ID3v2 tag."));
    TagChoiceOptions::addNewTagVersion(line);
    TagFieldOptions::addTo(line);
    CommandJournal::addOptions(line);
    line.takesFiles();
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    const bool id3v2 = line.isSet(QStringLiteral("id3v2"));
    const bool id3v1 = line.isSet(QStringLiteral("id3v1")) || !id3v2;
    int exitCode = ExitOk;
    if (!CommandJournal::start(line, &exitCode))
        return exitCode;
    const std::optional<int> newTagVersion = TagChoiceOptions::newTagVersionOf(line, &exitCode);
    if (!newTagVersion)
        return exitCode;

    const std::optional<TagFieldOptions> fields = TagFieldOptions::read(line, &exitCode, id3v1);
    if (!fields)
        return exitCode;
    const Result<QStringList> files = line.files();
    if (!files)
        return ExitOk;
    const std::unique_ptr<Journal::Batch> batch = CommandJournal::openBatch(line, arguments, files->size());
    if (!batch)
        return ExitErrorShown;
    // Only ID3v1 tags: every file's last bytes change, and are recorded in groups ahead.
    if (!id3v2)
        batch->expectTailChanges(*files);
    for (const QString& path : *files) {
        MP3Tag tag;
        tag.init(path);
        tag.changeTag(
            [&] {
                // The ID3v1 tag first: it is written in place, and the ID3v2 write then copies it.
                if (id3v1) {
                    fields->applyTo(tag.RawInfo());
                    tag.writeTag();
                }
                if (id3v2)
                    tag.changeId3v2([&](Id3v2Fields& wanted) { fields->applyTo(wanted); }, *newTagVersion);
            },
            id3v2 ? MP3Tag::Reading::BothTags : MP3Tag::Reading::Id3v1Only);
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
    CommandJournal::addOptions(line);
    line.takesFiles();
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    const bool id3v1 = line.isSet(QStringLiteral("id3v1"));
    const bool id3v2 = line.isSet(QStringLiteral("id3v2"));
    if (!id3v1 && !id3v2)
        return line.usageError(QStringLiteral("say which tag to remove: --id3v1, --id3v2 or both"));
    int exitCode = ExitOk;
    if (!CommandJournal::start(line, &exitCode))
        return exitCode;
    const Result<QStringList> files = line.files();
    if (!files)
        return ExitOk;
    const std::unique_ptr<Journal::Batch> batch = CommandJournal::openBatch(line, arguments, files->size());
    if (!batch)
        return ExitErrorShown;
    if (!id3v2)
        batch->expectTailChanges(*files);
    for (const QString& path : *files) {
        MP3Tag tag;
        tag.init(path);
        tag.changeTag(
            [&] {
                if (id3v2)
                    tag.setHasID2Tag(false);
                if (id3v1)
                    tag.setHasID1Tag(false);
            },
            id3v2 ? MP3Tag::Reading::BothTags : MP3Tag::Reading::Id3v1Only);
    }
    return ExitOk;
}

int runGenres(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("genres"),
        QStringLiteral("Prints the genre list that sondrel-cli reads from Genres.lst beside it or, "
                       "when there is none, from its installed data folder (../share/sondrel), "
                       "\"number<TAB>name\" a line."));
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    QStringList names;
    FillGenreList(names);
    QString out;
    for (qsizetype i = 0; i < names.size(); ++i)
        out += QString::number(i) + u'\t' + names.at(i) + u'\n';
    writeOut(out.toUtf8());
    return ExitOk;
}
