#include "cli/FormatCommands.h"

#include <numeric>

#include <QStringBuilder>

#include "base/NativePath.h"
#include "cli/CommandJournal.h"
#include "cli/CommandLine.h"
#include "cli/Json.h"
#include "cli/TagFieldOptions.h"
#include "format/Composition.h"
#include "format/FieldStore.h"
#include "format/RetagCommands.h"
#include "format/RetagPlan.h"
#include "playlist/PlaylistModel.h"

namespace {

const QString kFormatHelp
    = QStringLiteral("Tokens: <a> artist, <t> title, <u> album, <y> year, <c> comment, <k> track number, "
                     "<kk> track number with at least two digits (03), <g> genre name.");

// A playlist of the files, one row each, every row taken by the command.
RetagCommands::Rows rowsOfFiles(PlaylistModel& model, const QStringList& files)
{
    std::vector<PlaylistEntry> entries;
    entries.reserve(std::size_t(files.size()));
    for (const QString& file : files)
        entries.push_back({file, titleOfFile(file), unknownLength()});
    model.appendEntries(entries);
    RetagCommands::Rows rows(std::size_t(model.size()));
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

void printRename(const RetagCommands::PlannedRename& plan)
{
    const QString problem = RetagCommands::problemText(plan);
    writeOut(NativePath::encode(
        QString(plan.from % u'\t' % plan.to % (problem.isEmpty() ? QString() : u'\t' + problem) % u'\n')));
}

// A line of a retag plan: the file, the field, the old and the new value, separated by tabs.
void printChanges(const RetagCommands::PlannedRetag& plan)
{
    for (const RetagCommands::FieldChange& change : plan.changes)
        writeOut(NativePath::encode(
            QString(plan.file % u'\t' % change.field % u'\t' % change.before % u'\t' % change.after % u'\n')));
}

// Parses a retag command's arguments, which need --format and may choose the tag, sets the model
// to that tag, sets the journal up and makes a row of every file. Empty, with the exit status in
// *exitCode, when the command is done (help, a usage error, no list).
std::optional<RetagCommands::Rows> parseFilesAsRows(
    CommandLine& line, const QStringList& arguments, PlaylistModel& model, int* exitCode)
{
    if (const std::optional<int> done = line.parse(arguments)) {
        *exitCode = *done;
        return std::nullopt;
    }
    if (!line.isSet(QStringLiteral("format"))) {
        *exitCode = line.usageError(QStringLiteral("--format is needed"));
        return std::nullopt;
    }
    const std::optional<TagChoice> tag = TagChoiceOptions::tagOf(line, exitCode);
    if (!tag || !CommandJournal::start(line, exitCode))
        return std::nullopt;
    model.setFormatStringsUse(*tag);
    const Result<QStringList> files = line.files();
    if (!files)
        return std::nullopt;
    return rowsOfFiles(model, *files);
}

} // namespace

int runCompose(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("compose FORMAT [--sample] [--artist A] [--title T] [--album U] [--year Y] "
                                    "[--comment C] [--track N] [--genre N|NAME]"),
        QStringLiteral("Prints the text that FORMAT gives for a tag holding the given fields (cut to their width "
                       "in a tag), or the sample tag with --sample (fields given replace the sample's). ")
            + kFormatHelp);
    line.addFlag(QStringLiteral("sample"),
        QStringLiteral("Start from the sample tag: Beatles, The / Hey Jude / White Album, The / 1968 / "
                       "Not a bad song / track 23 / Rock & Roll."));
    TagFieldOptions::addTo(line);
    line.takesArguments(1);
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    int exitCode = ExitOk;
    const std::optional<TagFieldOptions> fields = TagFieldOptions::read(line, &exitCode);
    if (!fields)
        return exitCode;
    MP3TagInfo record = line.isSet(QStringLiteral("sample")) ? sampleRecord() : MP3TagInfo();
    fields->applyTo(record);
    writeOut(NativePath::encode(QString(ApplyFormat(line.arguments().first(), record) + u'\n')));
    return ExitOk;
}

int runParse(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("parse FORMAT TEXT"),
        QStringLiteral("Reads TEXT backwards through FORMAT and prints the value of every token as one JSON "
                       "object: artist, title, album, year, comment, track, genre, as found in the text. ")
            + kFormatHelp);
    line.takesArguments(2);
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    const ParsedFields fields = parseFields(line.arguments().at(1), line.arguments().at(0));
    writeOut(JsonLine()
                 .add("artist", fields.artist)
                 .add("title", fields.title)
                 .add("album", fields.album)
                 .add("year", fields.year)
                 .add("comment", fields.comment)
                 .add("track", fields.track)
                 .add("genre", fields.genre)
                 .line());
    return ExitOk;
}

int runTagFromName(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("tag-from-name --format F [--tag id3v1|id3v2] [--v23|--v24] [--full-path] "
                                    "[--dry-run] [--files-from LIST] FILE..."),
        QStringLiteral(
            "Fills each file's ID3v1 tag from its name (without folder and extension, or the whole "
            "path with --full-path) read through the format, and writes it. Only the fields whose "
            "token the format holds change; the others keep their values. A file without an ID3v1 tag "
            "gets a new one, in which the fields the format lacks are empty, the track 0 and the genre "
            "12. A file whose tag would not change is not written, nor one whose genre needs the genre list when "
            "the list cannot be loaded. With --tag id3v2 the ID3v2 tag is filled instead: the values are "
            "kept whole, the track and the genre as the texts found (3/12, a name or a number), and its "
            "other frames stay; a file without one gets one holding the named fields, and a file whose "
            "ID3v2 tag cannot be read is left alone. ")
            + kFormatHelp);
    line.addValue(QStringLiteral("format"), QStringLiteral("F"), QStringLiteral("The format string."));
    TagChoiceOptions::addTag(line, QStringLiteral("The tag filled: id3v1 (the default) or id3v2."));
    TagChoiceOptions::addNewTagVersion(line);
    line.addFlag(QStringLiteral("full-path"), QStringLiteral("Read the whole path, not only the name."));
    line.addFlag(QStringLiteral("dry-run"),
        QStringLiteral("Write nothing; print every field that would change, a line each: file, field (Title, "
                       "Artist, Album, Year, Comment, Track or Genre), old value and new value, separated by tabs "
                       "(a file without a tag shows empty old values)."));
    CommandJournal::addOptions(line);
    line.takesFiles();
    int exitCode = ExitOk;
    PlaylistModel model;
    const std::optional<RetagCommands::Rows> rows = parseFilesAsRows(line, arguments, model, &exitCode);
    if (!rows)
        return exitCode;
    const std::optional<int> newTagVersion = TagChoiceOptions::newTagVersionOf(line, &exitCode);
    if (!newTagVersion)
        return exitCode;
    const bool versionGiven = line.isSet(QStringLiteral("v23")) || line.isSet(QStringLiteral("v24"));
    if (versionGiven && model.formatStringsUse() != TagChoice::Id3v2)
        return line.usageError(QStringLiteral("--v23 and --v24 go with --tag id3v2"));
    model.setNewTagVersion(*newTagVersion);
    const std::vector<RetagCommands::PlannedRetag> plans = RetagCommands::planTagFromFileName(
        model, *rows, line.value(QStringLiteral("format")), line.isSet(QStringLiteral("full-path")));
    if (line.isSet(QStringLiteral("dry-run"))) {
        for (const RetagCommands::PlannedRetag& plan : plans)
            printChanges(plan);
        return ExitOk;
    }
    const std::unique_ptr<Journal::Batch> batch = CommandJournal::openBatch(line, arguments, qsizetype(rows->size()));
    if (!batch)
        return ExitErrorShown;
    RetagCommands::retagAsPlanned(model, plans, RetagCommands::AfterWriting::KeepAsWritten);
    return ExitOk;
}

int runNameFromTag(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("name-from-tag --format F [--tag id3v1|id3v2] [--full-path] [--keep-going] "
                                    "[--dry-run] [--files-from LIST] FILE..."),
        QStringLiteral("Renames each file to the text the format gives for its ID3v1 tag (its ID3v2 tag with "
                       "--tag id3v2, every value whole but the track, whose total is left out), keeping its folder and "
                       "extension (with --full-path the format gives the whole new path). Prints \"old<TAB>new\" "
                       "for every rename done. A file is never replaced: a rename that would replace one fails, "
                       "and the first failure stops the command unless --keep-going. A file without the tag, "
                       "one whose tag cannot be read and anything that is not a regular file after following "
                       "links (a dangling or looping symbolic link) is not renamed: each is reported on stderr "
                       "and the command goes on (the exit status is then 1). ")
            + kFormatHelp);
    line.addValue(QStringLiteral("format"), QStringLiteral("F"), QStringLiteral("The format string."));
    TagChoiceOptions::addTag(line, QStringLiteral("The tag named from: id3v1 (the default) or id3v2."));
    line.addFlag(QStringLiteral("full-path"), QStringLiteral("The format gives the whole new path."));
    line.addFlag(QStringLiteral("keep-going"), QStringLiteral("Skip a file that cannot be renamed and go on."));
    line.addFlag(QStringLiteral("dry-run"),
        QStringLiteral("Rename nothing; print every planned rename, marking the ones that would fail or be "
                       "skipped and why."));
    CommandJournal::addOptions(line);
    line.takesFiles();
    int exitCode = ExitOk;
    PlaylistModel model;
    const std::optional<RetagCommands::Rows> rows = parseFilesAsRows(line, arguments, model, &exitCode);
    if (!rows)
        return exitCode;
    const bool dryRun = line.isSet(QStringLiteral("dry-run"));
    const std::vector<RetagCommands::PlannedRename> plans = RetagCommands::planFileNameFromTag(model, *rows,
        line.value(QStringLiteral("format")), line.isSet(QStringLiteral("full-path")),
        dryRun ? RetagCommands::Lookups::MarkFailures : RetagCommands::Lookups::LeaveToRenames);
    if (dryRun) {
        for (const RetagCommands::PlannedRename& plan : plans)
            printRename(plan);
        return ExitOk;
    }
    const std::unique_ptr<Journal::Batch> batch = CommandJournal::openBatch(line, arguments, qsizetype(rows->size()));
    if (!batch)
        return ExitErrorShown;
    // A tag that could not be read has been reported by the read; the other skipped files are
    // reported here, each once.
    for (const RetagCommands::PlannedRename& plan : plans) {
        if (RetagCommands::isSkipped(plan) && plan.problem != RetagCommands::PlannedRename::Problem::TagUnreadable)
            Messages::error(plan.from + QStringLiteral(" was not renamed: ") + RetagCommands::problemText(plan) + u'.');
    }
    if (line.isSet(QStringLiteral("keep-going")))
        commandMessages().setQuestionAnswer(Messages::Answer::Yes);
    for (const RetagCommands::PlannedRename& plan : RetagCommands::renameAsPlanned(model, plans).renamed)
        printRename(plan);
    return ExitOk;
}
