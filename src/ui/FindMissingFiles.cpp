#include "ui/FindMissingFiles.h"

#include <QMainWindow>

#include "base/Messages.h"
#include "playlist/FileIndex.h"
#include "playlist/PlaylistModel.h"
#include "playlist/Relinking.h"
#include "ui/RelinkPreview.h"
#include "ui/SearchFolders.h"
#include "ui/WalkProgress.h"
#include "ui/WindowGuards.h"

namespace {

// Walks the folders with a progress dialog; false when the user cancelled.
bool indexFolders(QMainWindow& window, const QStringList& folders, FileIndex& index)
{
    WalkProgress progress(window, QStringLiteral("Find Missing Files"), QStringLiteral("relinkProgress"));
    const auto keepGoing = [&](qsizetype found) { return progress.keepGoing(found); };
    for (const QString& folder : folders) {
        if (!index.addTree(folder, keepGoing))
            return false;
    }
    return true;
}

} // namespace

void findMissingFiles(QMainWindow& window, PlaylistModel& model, const QString& playlistPath)
{
    std::vector<Relinking::MissingRow> missing;
    {
        const BusyPointer busy;
        missing = Relinking::missingRows(model);
    }
    if (missing.empty()) {
        Messages::inform(QStringLiteral("No row of the playlist names a file that is missing."));
        return;
    }
    SearchFolders where(Relinking::defaultSearchFolders(playlistPath), qsizetype(missing.size()), &window);
    if (!waitForDialog(window, where))
        return;
    FileIndex index;
    const WindowCommandsOff off(window);
    if (!indexFolders(window, where.folders(), index))
        return;
    std::vector<Relinking::Finding> findings;
    {
        const BusyPointer busy;
        findings = Relinking::findFiles(missing, index);
    }
    const QString skipped = index.unreadableFolders().isEmpty()
        ? QString()
        : QStringLiteral("\r\n\r\nThese folders could not be read and were skipped:\r\n")
            + index.unreadableFolders().join(QStringLiteral("\r\n"));
    if (std::none_of(findings.begin(), findings.end(), [](const auto& f) { return !f.candidates.empty(); })) {
        Messages::inform(
            QStringLiteral("None of the %1 missing files was found in the folders searched.").arg(missing.size())
            + skipped);
        return;
    }
    if (!skipped.isEmpty())
        Messages::inform(skipped.mid(4));
    RelinkPreview preview(findings, &window);
    if (!waitForDialog(window, preview))
        return;
    const BusyPointer busy;
    Relinking::relink(model, preview.chosenPaths(), true);
}
