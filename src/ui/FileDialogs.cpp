#include "ui/FileDialogs.h"

#include <QFileDialog>
#include <QMainWindow>

#include "ui/ChooseFolder.h"
#include "ui/ImportFiles.h"
#include "ui/WindowGuards.h"

namespace {

const QString& playlistFilters()
{
    static const QString filters = QStringLiteral("M3U Playlists (*.m3u);;PLS Playlists (*.pls);;All Files (*)");
    return filters;
}

std::optional<QString> unlessEmpty(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace

std::optional<QString> WindowFileDialogs::playlistToOpen(const QString& title, const QString& start)
{
    return unlessEmpty(QFileDialog::getOpenFileName(&m_window, title, start, playlistFilters()));
}

std::optional<QString> WindowFileDialogs::playlistToSave(const QString& title, const QString& start)
{
    return unlessEmpty(QFileDialog::getSaveFileName(&m_window, title, start, playlistFilters()));
}

QStringList WindowFileDialogs::filesToImport()
{
    ImportFiles dialog(&m_window);
    waitForDialog(m_window, dialog);
    return dialog.ChosenFiles();
}

std::optional<FileDialogs::CopyDestination> WindowFileDialogs::copyDestination(const QString& playlistPath)
{
    ChooseFolder chooser(&m_window, kindForSaving(playlistPath).value_or(PlaylistKind::M3U));
    if (!waitForDialog(m_window, chooser) || chooser.DestinationFolder().isEmpty())
        return std::nullopt;
    CopyDestination destination{chooser.DestinationFolder(), chooser.DeleteOriginalsChosen(), {}};
    if (chooser.WritePlaylistChosen()) {
        const PlaylistKind kind = chooser.PlaylistKindChosen();
        destination.playlist = CopyPlaylist{copyPlaylistName(playlistPath, kind), kind};
    }
    return destination;
}
