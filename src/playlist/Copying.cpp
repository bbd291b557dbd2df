#include "playlist/Copying.h"

#include <algorithm>
#include <vector>

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/PathTools.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"

namespace {

// Asks whether to skip a file that could not be copied or moved; true to go on.
bool skipAndContinue(bool move, const QString& source, const QString& target, const QString& reason)
{
    const QString text = (move ? QStringLiteral("Could not move ") : QStringLiteral("Could not copy ")) + source
        + QStringLiteral(" to ") + target + QStringLiteral(": ") + reason + QStringLiteral(".  Skip and continue?");
    return Messages::current().show(
               text, QStringLiteral("Error:"), Messages::Icon::Exclamation, Messages::Buttons::YesNo)
        == Messages::Answer::Yes;
}

} // namespace

qsizetype copySelectedFiles(PlaylistModel& model, const QString& folder, bool deleteOriginals, const CopyHooks& hooks)
{
    std::vector<qsizetype> rows;
    const std::vector<bool> selected = RowCommands::selectedRows(model);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        if (selected[i])
            rows.push_back(qsizetype(i));
    }
    const QString prefix = PathTools::addBackslash(folder);
    // A cancel through keepGoing stops the file in hand; it is not a failure to report.
    bool cancelled = false;
    const auto keepGoing = [&] {
        if (!hooks.keepGoing || hooks.keepGoing())
            return true;
        cancelled = true;
        return false;
    };
    qsizetype done = 0;
    qsizetype first = model.size();
    qsizetype last = -1;
    for (const qsizetype position : rows) {
        if (hooks.beforeRow && !hooks.beforeRow(done))
            break;
        PlaylistRow* row = model.rowAt(position);
        const QString source = row->text(FileNameColumn);
        const QString target = prefix + PathTools::fileNameOf(source);
        QString reason;
        const bool ok = deleteOriginals ? FileOps::moveFile(source, target, &reason, keepGoing)
                                        : FileOps::copyFile(source, target, &reason, keepGoing);
        if (cancelled)
            break;
        if (!ok && !skipAndContinue(deleteOriginals, source, target, reason)) {
            ++done;
            break;
        }
        if (ok && deleteOriginals) {
            row->texts[FileNameColumn] = target;
            if (const std::shared_ptr<MP3Node> entry = model.findItem(position))
                entry->reInit(target, row);
            first = std::min(first, position);
            last = std::max(last, position);
        }
        ++done;
    }
    model.rowsChanged(first, last);
    return done;
}
