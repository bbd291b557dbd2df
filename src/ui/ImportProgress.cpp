#include "ui/ImportProgress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QProgressDialog>

#include "ui/WindowGuards.h"

std::optional<ImportParts> collectWithProgress(QMainWindow& window, const QStringList& paths)
{
    const WindowCommandsOff off(window);
    QProgressDialog progress(QStringLiteral("Looking through the folders..."), QStringLiteral("Cancel"), 0, 0, &window);
    progress.setObjectName(QStringLiteral("importProgress"));
    progress.setWindowTitle(QStringLiteral("Import Folder"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    ImportParts parts = collectImports(paths, [&](qsizetype found) {
        // Events run a few times a second: often enough for Cancel, rarely enough to cost nothing.
        if (sinceEvents.elapsed() >= 50) {
            progress.setLabelText(QStringLiteral("Looking through the folders: %1 files found").arg(found));
            QCoreApplication::processEvents();
            sinceEvents.restart();
        }
        return !progress.wasCanceled();
    });
    if (!parts.complete || progress.wasCanceled())
        return std::nullopt;
    return parts;
}
