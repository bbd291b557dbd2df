#include "ui/ImportProgress.h"

#include <QMainWindow>

#include "ui/WalkProgress.h"
#include "ui/WindowGuards.h"

std::optional<ImportParts> collectWithProgress(QMainWindow& window, const QStringList& paths)
{
    const WindowCommandsOff off(window);
    WalkProgress progress(window, QStringLiteral("Import Folder"), QStringLiteral("importProgress"));
    ImportParts parts = collectImports(paths, [&](qsizetype found) { return progress.keepGoing(found); });
    if (!parts.complete || progress.cancelled())
        return std::nullopt;
    return parts;
}
