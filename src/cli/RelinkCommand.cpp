#include "cli/RelinkCommand.h"

#include "base/Messages.h"
#include "base/NativePath.h"
#include "cli/CommandJournal.h"
#include "cli/CommandLine.h"
#include "cli/PlaylistCommands.h"
#include "cli/ProgressLine.h"
#include "playlist/FileIndex.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/Relinking.h"

namespace {

QByteArray line(const QStringList& fields)
{
    QStringList escaped;
    for (const QString& field : fields)
        escaped.append(tabField(field));
    return NativePath::encode(escaped.join(u'\t') + u'\n');
}

} // namespace

int runRelink(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("relink [--search DIR]... [--pick first] [--dry-run] [--output OUT] PLAYLIST"),
        QStringLiteral("Looks for the files of the playlist's missing rows in the folders given (by default the "
                       "playlist's folder and the music folder), and everything below them: by file name, then "
                       "by name without case, then by ID3v1 tag. Prints a line a missing row: \"relinked\", "
                       "the old path, the new one and how it matched; \"several\", the old path and the "
                       "candidates, best first; or \"not found\" and the old path. Rows with one candidate are "
                       "relinked, and the playlist is saved over itself or to OUT."));
    line.addValue(QStringLiteral("search"), QStringLiteral("DIR"),
        QStringLiteral("A folder to search, with the folders below it; may be given more than once."));
    line.addValue(QStringLiteral("pick"), QStringLiteral("first"),
        QStringLiteral("Relink rows with several candidates to the best one as well."));
    line.addFlag(QStringLiteral("dry-run"), QStringLiteral("Print what would be relinked; save nothing."));
    addSavingOptions(line);
    line.takesArguments(1);
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    const bool pickFirst = line.isSet(QStringLiteral("pick"));
    if (pickFirst && line.value(QStringLiteral("pick")) != u"first")
        return line.usageError(QStringLiteral("--pick takes first"));
    int exitCode = ExitOk;
    const std::optional<PathForm> form = pathFormOf(line, &exitCode);
    if (!form || !CommandJournal::start(line, &exitCode))
        return exitCode;

    const QString playlist = line.arguments().first();
    PlaylistModel model;
    std::optional<Iterator> reader;
    if (!loadForCommand(model, playlist, reader))
        return ExitOk;
    const std::vector<Relinking::MissingRow> missing = Relinking::missingRows(model);
    FileIndex index;
    if (!missing.empty()) {
        QStringList folders
            = line.isSet(QStringLiteral("search")) ? QStringList() : Relinking::defaultSearchFolders(playlist);
        for (const QString& folder : line.values(QStringLiteral("search")))
            folders.append(folder);
        // Progress while the folders are walked, when a person watches stderr.
        ProgressLine progress(commandMessages(), {}, 0);
        const MessagesScope scope(progress);
        for (const QString& folder : folders) {
            index.addTree(folder, [&progress](qsizetype found) {
                progress.showText(QStringLiteral("Looking through the folders: %L1 files").arg(found));
                return true;
            });
        }
        if (!index.unreadableFolders().isEmpty())
            Messages::inform(QStringLiteral("These folders could not be read and were skipped:\r\n")
                + index.unreadableFolders().join(QStringLiteral("\r\n")));
    }

    std::vector<std::pair<qsizetype, QString>> chosen;
    qsizetype several = 0;
    qsizetype notFound = 0;
    for (const Relinking::Finding& finding : Relinking::findFiles(missing, index)) {
        const QString& old = finding.row.path;
        if (finding.candidates.empty()) {
            writeOut(::line({QStringLiteral("not found"), old}));
            ++notFound;
        } else if (finding.candidates.size() == 1 || pickFirst) {
            const Relinking::Candidate& best = finding.candidates.front();
            writeOut(::line({QStringLiteral("relinked"), old, best.path, Relinking::describe(best.how)}));
            chosen.emplace_back(finding.row.position, best.path);
        } else {
            QStringList fields{QStringLiteral("several"), old};
            for (const Relinking::Candidate& candidate : finding.candidates)
                fields.append(candidate.path);
            writeOut(::line(fields));
            ++several;
        }
    }
    writeOut(QStringLiteral("Relinked %1 of %2 missing rows; %3 with several candidates, %4 not found.\n")
                 .arg(chosen.size())
                 .arg(missing.size())
                 .arg(several)
                 .arg(notFound)
                 .toUtf8());
    if (line.isSet(QStringLiteral("dry-run")) || chosen.empty())
        return ExitOk;
    Relinking::relink(model, chosen, false);
    saveForCommand(line, arguments, model, playlist, *form);
    return ExitOk;
}
