#include "cli/CopyCommand.h"

#include <optional>
#include <sys/stat.h>

#include <QDir>

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/NativePath.h"
#include "base/PathTools.h"
#include "cli/CommandJournal.h"
#include "cli/CommandLine.h"
#include "cli/ProgressLine.h"
#include "playlist/CopyPlaylist.h"
#include "playlist/Importing.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"Copy"_s;

// What --on-collision chose; Unset copies none of the colliding files and says so as an error.
enum class OnCollision { Unset, Skip, KeepBoth, Replace };

std::optional<OnCollision> onCollisionOf(const CommandLine& line)
{
    if (!line.isSet(u"on-collision"_s))
        return OnCollision::Unset;
    const QString value = line.value(u"on-collision"_s);
    if (value == u"skip")
        return OnCollision::Skip;
    if (value == u"keep-both")
        return OnCollision::KeepBoth;
    if (value == u"replace")
        return OnCollision::Replace;
    return std::nullopt;
}

// Lists every colliding file on stderr, with what becomes of it, and gives the core its answer.
CollisionAnswer answerCollisions(const CollisionQuestion& question, OnCollision choice)
{
    const auto count = qsizetype(question.collisions.size());
    QString text = u"%L1 of the %L2 files to %3 to %4 %5 a name that is taken:"_s.arg(count)
                       .arg(question.fileCount)
                       .arg(question.move ? u"move"_s : u"copy"_s, question.folder, count == 1 ? u"has"_s : u"have"_s);
    for (const Collision& collision : question.collisions)
        text += u"\n    "_s + collision.source + u"  ("_s + collisionReason(collision) + u")"_s;
    text += u"\n"_s;
    switch (choice) {
    case OnCollision::Unset:
        Messages::current().show(
            text + u"None of them is copied; --on-collision skip, keep-both or replace says what to do with them."_s,
            kTitle, Messages::Icon::Exclamation, Messages::Buttons::Ok);
        return CollisionAnswer::Skip;
    case OnCollision::Skip: Messages::inform(text + u"They are skipped."_s); return CollisionAnswer::Skip;
    case OnCollision::KeepBoth:
        Messages::inform(text
            + u"Each is kept under a new name with a number, such as \"%1\"."_s.arg(
                numberedName(PathTools::fileNameOf(question.collisions.front().target), 2)));
        return CollisionAnswer::KeepBoth;
    case OnCollision::Replace:
        Messages::inform(
            text + u"The files already there are replaced; a name repeated within the run is kept under a new name."_s);
        return CollisionAnswer::Replace;
    }
    return CollisionAnswer::Skip;
}

// The rows to copy: the playlist's when the one argument names one (by its ".m3u" or ".pls"
// name), otherwise the files. False when the playlist did not load whole.
bool loadRows(PlaylistModel& model, const QStringList& files, bool fromList)
{
    std::optional<Iterator> reader;
    if (files.size() == 1 && !fromList && kindForSaving(files.first())) {
        const Result<void> loaded = PlaylistFiles::loadPlaylist(model, files.first(), reader);
        // "Invalid format." was shown for a file that is not a playlist.
        if (!loaded && loaded.failure().kind != Failure::Kind::Unrecognized)
            Messages::error(loaded.failure());
        return bool(loaded);
    }
    importFiles(model, files, false, reader);
    return true;
}

// The destination as an absolute path, or nothing after a message when it is not a folder.
std::optional<QString> destinationOf(const QString& typed)
{
    const QString folder = PathTools::resolveDots(
        PathTools::isAbsolute(typed) ? typed : PathTools::addBackslash(QDir::currentPath()) + typed);
    struct stat info { };
    if (::stat(NativePath::encode(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        Messages::error(typed + u" is not an existing folder, so nothing was copied."_s);
        return std::nullopt;
    }
    return folder;
}

} // namespace

int runCopy(const QStringList& arguments)
{
    CommandLine line(u"copy --to DIR [--move] [--on-collision skip|keep-both|replace] [--keep-going] "
                     u"[--playlist NAME.m3u|NAME.pls [--replace-playlist]] [--files-from LIST] (PLAYLIST | FILE...)"_s,
        u"Copies files into the folder DIR under their own names: the files of PLAYLIST (one argument whose "
        u"name ends in .m3u or .pls) in its order, or each FILE. Names already taken in DIR, and names that "
        u"two files of the run share, are all listed on stderr before anything is copied; without "
        u"--on-collision none of those files is copied, which counts as an error. Each file copied is "
        u"printed as SOURCE<TAB>TARGET. With --playlist, a playlist of the files copied, in their order "
        u"and under their names in DIR, is written into DIR with paths relative to it, so that the "
        u"folder works on a player as it is. A playlist given as PLAYLIST is not changed. While stderr is "
        u"a terminal it shows the progress."_s);
    line.addValue(u"to"_s, u"DIR"_s, u"The folder to copy into; it must exist."_s);
    line.addFlag(u"move"_s, u"Move the files instead of copying them. A move never replaces a file."_s);
    line.addValue(u"on-collision"_s, u"WHAT"_s,
        u"What to do with a file whose name is taken: skip it, keep-both (it gets a new name such as "
        u"\"x (2).mp3\"), or replace the file already in DIR (not with --move; a name repeated within "
        u"the run is kept under a new name)."_s);
    line.addFlag(u"keep-going"_s,
        u"Report a file that cannot be copied and go on with the rest; without it the run stops there."_s);
    line.addValue(u"playlist"_s, u"NAME"_s,
        u"Also write a playlist named NAME (a file name ending in .m3u or .pls, which sets its format) into "
        u"DIR. An existing file of that name is not replaced: the run copies nothing."_s);
    line.addFlag(u"replace-playlist"_s, u"Replace a file that already has the --playlist name."_s);
    CommandJournal::addOptions(line);
    line.takesFiles();
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    if (!line.isSet(u"to"_s) || line.value(u"to"_s).isEmpty())
        return line.usageError(u"say where to copy to with --to DIR"_s);
    const bool move = line.isSet(u"move"_s);
    const std::optional<OnCollision> onCollision = onCollisionOf(line);
    if (!onCollision)
        return line.usageError(u"--on-collision takes skip, keep-both or replace"_s);
    if (move && *onCollision == OnCollision::Replace)
        return line.usageError(u"--on-collision replace cannot be used with --move: a move never replaces a file"_s);
    std::optional<CopyPlaylist> playlist;
    if (line.isSet(u"playlist"_s)) {
        const QString name = line.value(u"playlist"_s);
        const std::optional<PlaylistKind> kind = kindForSaving(name);
        if (!kind || name.contains(PathTools::separator()) || name.size() <= 4)
            return line.usageError(u"--playlist takes a file name ending in .m3u or .pls, without a folder"_s);
        playlist = CopyPlaylist{name, *kind, line.isSet(u"replace-playlist"_s)};
    } else if (line.isSet(u"replace-playlist"_s)) {
        return line.usageError(u"--replace-playlist goes with --playlist NAME"_s);
    }
    int exitCode = ExitOk;
    if (!CommandJournal::start(line, &exitCode))
        return exitCode;

    const Result<QStringList> files = line.files();
    if (!files)
        return ExitOk;
    const std::optional<QString> folder = destinationOf(line.value(u"to"_s));
    if (!folder)
        return ExitOk;
    if (playlist && !playlist->replace
        && FileOps::isNameTaken(QString(), PathTools::addBackslash(*folder) + playlist->name)) {
        Messages::error(u"\""_s + playlist->name + u"\" is already in "_s + *folder
            + u", so nothing was copied. --replace-playlist replaces it."_s);
        return ExitOk;
    }
    PlaylistModel model;
    if (!loadRows(model, *files, line.isSet(u"files-from"_s)))
        return ExitOk;
    QStringList sources;
    sources.reserve(model.size());
    for (qsizetype row = 0; row < model.size(); ++row)
        sources.append(model.text(row, FileNameColumn));
    RowCommands::selectAll(model);

    const std::unique_ptr<Journal::Batch> batch = CommandJournal::openBatch(line, arguments, model.size());
    if (!batch)
        return ExitErrorShown;
    if (line.isSet(u"keep-going"_s))
        commandMessages().setQuestionAnswer(Messages::Answer::Yes);
    CopyOutcome outcome;
    {
        ProgressLine progress(commandMessages(), move ? u"Moving"_s : u"Copying"_s, model.size());
        const MessagesScope scope(progress);
        CopyHooks hooks;
        hooks.askAll = [&](const CollisionQuestion& question) { return answerCollisions(question, *onCollision); };
        hooks.beforeRow = [&](qsizetype done) {
            progress.step(done);
            return true;
        };
        outcome = copyWithPlaylist(model, *folder, move, hooks, playlist);
    }
    for (const CopiedFile& file : outcome.copied)
        writeOut(NativePath::encode(QString(sources.at(file.position) + u'\t' + file.target + u'\n')));
    return ExitOk;
}
