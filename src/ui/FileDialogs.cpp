#include "ui/FileDialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>

#include "ui/ChooseFolder.h"
#include "ui/ImportFiles.h"
#include "ui/WindowGuards.h"
#include "ui/WindowSettings.h"

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
    // The program's own dialog, so that the choice of paths sits under the file name.
    QFileDialog dialog(&m_window, title, start, playlistFilters());
    dialog.setObjectName(QStringLiteral("dlgSavePlaylist"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* paths = new QComboBox(&dialog);
    paths->setObjectName(QStringLiteral("cboPlaylistPaths"));
    const std::pair<const char*, PathForm> forms[] = {{"As they are", PathForm::AsTheyAre},
        {"Relative to the playlist", PathForm::Relative}, {"Absolute", PathForm::Absolute}};
    for (const auto& [caption, form] : forms) {
        paths->addItem(QString::fromLatin1(caption), int(form));
        if (form == WindowSettings::playlistPaths())
            paths->setCurrentIndex(paths->count() - 1);
    }
    auto* label = new QLabel(QStringLiteral("&Paths:"), &dialog);
    label->setBuddy(paths);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(paths, row, 1);
    }
    if (!waitForDialog(m_window, dialog) || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    WindowSettings::setPlaylistPaths(PathForm(paths->currentData().toInt()));
    return unlessEmpty(dialog.selectedFiles().constFirst());
}

QStringList WindowFileDialogs::filesToImport()
{
    ImportFiles dialog(&m_window);
    waitForDialog(m_window, dialog);
    return dialog.ChosenFiles();
}

std::optional<QString> WindowFileDialogs::folderToImport()
{
    return unlessEmpty(
        QFileDialog::getExistingDirectory(&m_window, QStringLiteral("Import a Folder"), QDir::currentPath()));
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
