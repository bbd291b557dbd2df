#pragma once

#include <optional>

#include <QString>
#include <QStringList>

#include "playlist/CopyPlaylist.h"

class QMainWindow;

// The window's questions about files and folders: which playlist to open or save under, which files
// to import, where Copy Files puts the files. The window asks through the object it was given: its
// own dialogs, or a script in tests.
class FileDialogs {
public:
    struct CopyDestination {
        QString folder;
        bool deleteOriginals = false;
        // The playlist to write beside the copies; nothing when none was asked for.
        std::optional<CopyPlaylist> playlist;
    };

    virtual ~FileDialogs() = default;

    // A playlist file, the dialog opening on start; nothing when it was cancelled.
    virtual std::optional<QString> playlistToOpen(const QString& title, const QString& start) = 0;
    virtual std::optional<QString> playlistToSave(const QString& title, const QString& start) = 0;
    // The files picked for importing, in list order; none when it was cancelled.
    virtual QStringList filesToImport() = 0;
    // The folder Import Folder takes the MP3 files under; nothing when it was cancelled (and for
    // an object that has no such dialog).
    virtual std::optional<QString> folderToImport() { return std::nullopt; }
    // The folder Copy Files copies (or moves) to; nothing when it was cancelled. playlistPath is
    // the open playlist's file (empty for one never saved): a playlist written beside the copies is
    // named after it, and in its format unless another was chosen before.
    virtual std::optional<CopyDestination> copyDestination(const QString& playlistPath) = 0;
};

// The window's own dialogs, over the window and with its commands off while they wait.
class WindowFileDialogs : public FileDialogs {
public:
    explicit WindowFileDialogs(QMainWindow& window) : m_window(window) { }

    std::optional<QString> playlistToOpen(const QString& title, const QString& start) override;
    std::optional<QString> playlistToSave(const QString& title, const QString& start) override;
    QStringList filesToImport() override;
    std::optional<QString> folderToImport() override;
    std::optional<CopyDestination> copyDestination(const QString& playlistPath) override;

private:
    QMainWindow& m_window;
};
