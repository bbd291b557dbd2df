#include "cli/PlaylistCommands.h"

#include <optional>

#include <QStringBuilder>

#include "base/Messages.h"
#include "base/NativePath.h"
#include "cli/CommandJournal.h"
#include "cli/CommandLine.h"
#include "cli/Json.h"
#include "cli/TagFieldOptions.h"
#include "playlist/Mismatch.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"

bool loadForCommand(PlaylistModel& model, const QString& path, std::optional<Iterator>& reader)
{
    const Result<void> loaded = PlaylistFiles::loadPlaylist(model, path, reader);
    // "Invalid format." was shown for a file that is not a playlist.
    if (!loaded && loaded.failure().kind != Failure::Kind::Unrecognized)
        Messages::error(loaded.failure());
    return bool(loaded);
}

namespace {

// Reads every entry's tags in entry order, as background reading does, and tells the model once.
void readAllTags(PlaylistModel& model)
{
    Iterator reader = model.nodeList().getIterator();
    while (reader.MoveNext())
        reader.current()->ReadTag();
    model.tagColumnsChanged(0, model.size() - 1);
}

// The column printed as the QuickTag: the one of the tag the command was given.
int quickTagColumn(const PlaylistModel& model)
{
    return model.formatStringsUse() == TagChoice::Id3v2 ? Id3v2QuickTagColumn : QuickTagColumn;
}

QByteArray rowText(const PlaylistModel& model, qsizetype row)
{
    QString line;
    // The playlist's five columns, as the command has always printed them.
    for (int column = 0; column <= LengthColumn; ++column) {
        line += (column ? QStringLiteral("\t") : QString())
            % model.text(row, column == QuickTagColumn ? quickTagColumn(model) : column);
    }
    return NativePath::encode(line + u'\n');
}

QByteArray rowJson(const PlaylistModel& model, qsizetype row)
{
    return JsonLine()
        .add("file", model.text(row, FileNameColumn))
        .add("title", model.text(row, TitleColumn))
        .add("quicktag", model.text(row, quickTagColumn(model)))
        .add("id3v2", model.text(row, HasId2Column))
        .add("length", model.text(row, LengthColumn))
        .line();
}

// Deletes the selected rows, printing the file name of each first; how many went.
qsizetype deletePrinting(PlaylistModel& model, std::optional<Iterator>& reader)
{
    const std::vector<bool> selected = RowCommands::selectedRows(model);
    qsizetype removed = 0;
    for (std::size_t i = 0; i < selected.size(); ++i) {
        if (selected[i]) {
            writeOut(NativePath::encode(QString(model.text(qsizetype(i), FileNameColumn) % u'\n')));
            ++removed;
        }
    }
    RowCommands::deleteSelected(model, reader);
    return removed;
}

} // namespace

void addSavingOptions(CommandLine& line)
{
    line.addValue(QStringLiteral("output"), QStringLiteral("OUT"), QStringLiteral("Save to OUT instead."));
    addPathsOption(line);
    CommandJournal::addOptions(line);
}

void saveForCommand(const CommandLine& line, const QStringList& arguments, const PlaylistModel& model,
    const QString& playlist, PathForm form)
{
    // The output playlist is the one file the command changes.
    if (const std::unique_ptr<Journal::Batch> batch = CommandJournal::openBatch(line, arguments, 1))
        PlaylistFiles::savePlaylist(
            model, line.isSet(QStringLiteral("output")) ? line.value(QStringLiteral("output")) : playlist, form);
}

void addPathsOption(CommandLine& line)
{
    line.addValue(QStringLiteral("paths"), QStringLiteral("FORM"),
        QStringLiteral("How the saved playlist writes paths: keep (the default: each as the playlist wrote "
                       "it, relative ones now relative to where it is saved), relative (to the playlist's "
                       "folder; a file on another volume stays absolute) or absolute."));
}

// The form --paths names; nothing, after the usage message, for another word.
std::optional<PathForm> pathFormOf(const CommandLine& line, int* exitCode)
{
    const QString form = line.value(QStringLiteral("paths"));
    if (form.isEmpty() || form == u"keep")
        return PathForm::AsTheyAre;
    if (form == u"relative")
        return PathForm::Relative;
    if (form == u"absolute")
        return PathForm::Absolute;
    *exitCode = line.usageError(QStringLiteral("--paths takes keep, relative or absolute"));
    return std::nullopt;
}

int runPlaylist(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("playlist [--json] [--no-tags] [--tag id3v1|id3v2] [--mismatched] PLAYLIST"),
        QStringLiteral("Loads an M3U or PLS playlist, reads every listed file's tags in the order the "
                       "entries were added, and prints each row's five columns (File Name, Title, ID3v1 "
                       "QuickTag, Has ID3v2?, Length (s)) separated by tabs. With --tag id3v2 the QuickTag "
                       "column is the ID3v2 tag's: artist - title, (none) without one, (error) for one that "
                       "cannot be read."));
    line.addFlag(
        QStringLiteral("json"), QStringLiteral("Print one JSON object a row: file, title, quicktag, id3v2, length."));
    line.addFlag(QStringLiteral("no-tags"), QStringLiteral("Do not read the tags: the tag columns show \"...\"."));
    TagChoiceOptions::addTag(
        line, QStringLiteral("The tag of the QuickTag column and of --mismatched: id3v1 (the default) or id3v2."));
    line.addFlag(QStringLiteral("mismatched"),
        QStringLiteral("Print only the rows whose file name (without folder and extension), title and tag "
                       "(artist - title) do not all say the same thing, ignoring case, runs of spaces and the "
                       "separators \" - \", \"_\" and \"-\". A tag without artist and title, or none, is "
                       "left out of the comparison, and so are the tags with --no-tags."));
    line.takesArguments(1);
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    int exitCode = ExitOk;
    const std::optional<TagChoice> tag = TagChoiceOptions::tagOf(line, &exitCode);
    if (!tag)
        return exitCode;
    PlaylistModel model;
    model.setFormatStringsUse(*tag);
    std::optional<Iterator> reader;
    loadForCommand(model, line.arguments().first(), reader);
    if (!line.isSet(QStringLiteral("no-tags")))
        readAllTags(model);
    const bool json = line.isSet(QStringLiteral("json"));
    const auto print = [&](qsizetype row) { writeOut(json ? rowJson(model, row) : rowText(model, row)); };
    if (line.isSet(QStringLiteral("mismatched"))) {
        // The tags were read above, or are left unread on purpose.
        for (const qsizetype row : Mismatch::mismatchedRows(model, Mismatch::UnreadTags::Leave))
            print(row);
        return ExitOk;
    }
    for (qsizetype row = 0; row < model.size(); ++row)
        print(row);
    return ExitOk;
}

int runConvert(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("convert [--paths keep|relative|absolute] IN OUT"),
        QStringLiteral("Loads the playlist IN and saves its rows to OUT, as M3U or PLS by OUT's extension "
                       "(.m3u, .m3u8 or .pls). OUT is replaced in one step; a failed save leaves it as it was."));
    addPathsOption(line);
    CommandJournal::addOptions(line);
    line.takesArguments(2);
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    int exitCode = ExitOk;
    const std::optional<PathForm> form = pathFormOf(line, &exitCode);
    if (!form || !CommandJournal::start(line, &exitCode))
        return exitCode;
    PlaylistModel model;
    std::optional<Iterator> reader;
    if (!loadForCommand(model, line.arguments().at(0), reader))
        return ExitOk;
    const std::unique_ptr<Journal::Batch> batch = CommandJournal::openBatch(line, arguments, 1);
    if (batch)
        PlaylistFiles::savePlaylist(model, line.arguments().at(1), *form);
    return ExitOk;
}

int runPrune(const QStringList& arguments)
{
    CommandLine line(
        QStringLiteral("prune [--missing] [--duplicates file|title|quicktag] [--dry-run] [--output OUT] [--paths "
                       "keep|relative|absolute] PLAYLIST"),
        QStringLiteral("Removes from a playlist the rows whose files are missing (--missing) and the rows that "
                       "repeat another row's file name, title or ID3v1 QuickTag, keeping the last of each "
                       "group (--duplicates). Prints each removed row's file name, then how many rows went and "
                       "how many remain, and saves the playlist over itself or to OUT."));
    line.addFlag(QStringLiteral("missing"),
        QStringLiteral("Remove the rows whose file does not exist (or is not an ordinary file); a file that "
                       "cannot be checked keeps its row and is reported."));
    line.addValue(QStringLiteral("duplicates"), QStringLiteral("COLUMN"),
        QStringLiteral("Remove repeated rows by file, title or quicktag (reads the tags first)."));
    line.addFlag(QStringLiteral("dry-run"), QStringLiteral("Print what would go; save nothing."));
    addSavingOptions(line);
    line.takesArguments(1);
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    int exitCode = ExitOk;
    const std::optional<PathForm> form = pathFormOf(line, &exitCode);
    if (!form)
        return exitCode;
    const bool missing = line.isSet(QStringLiteral("missing"));
    std::optional<int> column;
    if (line.isSet(QStringLiteral("duplicates"))) {
        const QStringList columns = {QStringLiteral("file"), QStringLiteral("title"), QStringLiteral("quicktag")};
        const qsizetype index = columns.indexOf(line.value(QStringLiteral("duplicates")));
        if (index < 0)
            return line.usageError(QStringLiteral("--duplicates takes file, title or quicktag"));
        column = int(index);
    }
    if (!missing && !column)
        return line.usageError(QStringLiteral("say what to remove: --missing, --duplicates or both"));
    if (!CommandJournal::start(line, &exitCode))
        return exitCode;

    const QString playlist = line.arguments().first();
    PlaylistModel model;
    std::optional<Iterator> reader;
    // A playlist that did not load whole is never saved: that would drop the rest of it.
    if (!loadForCommand(model, playlist, reader))
        return ExitOk;
    const qsizetype before = model.size();
    if (missing) {
        RowCommands::selectAll(model);
        RowCommands::keepMissingFilesSelected(model);
        deletePrinting(model, reader);
    }
    if (column) {
        if (*column == QuickTagColumn)
            readAllTags(model);
        RowCommands::selectAll(model);
        RowCommands::keepDuplicatesSelected(model, *column);
        deletePrinting(model, reader);
    }
    writeOut(QStringLiteral("Removed %1 rows, %2 remain.\n").arg(before - model.size()).arg(model.size()).toUtf8());
    if (line.isSet(QStringLiteral("dry-run")))
        return ExitOk;
    saveForCommand(line, arguments, model, playlist, *form);
    return ExitOk;
}
