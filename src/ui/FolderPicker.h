#pragma once

#include <QObject>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QModelIndex;
class QTreeView;
class QWidget;

// The volume-and-folder part of the program's folder dialogs: a list of mounted volumes (Drive1,
// "/" first) and the folders of the chosen volume (Dir1). The dialog places the two widgets in its
// own layout. Opening a folder (a click, Enter, or a volume chosen in Drive1) makes it the
// process's current folder, so the next dialog opens there; Enter in Dir1 opens the highlighted
// folder and goes no further (it does not press the dialog's default button). A click or Enter
// unfolds the folder in place: the list does not move under the pointer. Nothing is open until
// openFolder.
class FolderPicker : public QObject {
    Q_OBJECT

public:
    // Creates the two widgets as children of parent.
    explicit FolderPicker(QWidget* parent);

    QComboBox* drives() const { return m_drives; }
    QTreeView* folders() const { return m_folders; }

    // The folder open in Dir1 (not one that is only highlighted).
    QString folder() const { return m_folder; }
    // The folder highlighted in Dir1 (by a click or the keyboard); the open folder when none is.
    QString highlightedFolder() const;
    // Highlights a folder of the volume shown and brings it into sight; the open folder stays.
    void highlightFolder(const QString& folder);
    // Opens the folder and makes it the current folder. A folder that does not exist or cannot be
    // read is ignored: the folder open stays open.
    void openFolder(const QString& folder);

Q_SIGNALS:
    void folderOpened(const QString& folder);
    void folderHighlighted(const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openFolderAt(const QModelIndex& index);
    // Opens the root of a volume chosen in Drive1; a volume that cannot be read is ignored.
    void openVolume(const QString& root);
    // Selects the folder's volume in Drive1 and roots Dir1 at it.
    void showVolumeOf(const QString& folder);
    // Scrolls Dir1 to the highlighted folder unless the user has moved about in it since it was
    // opened or highlighted by the program.
    void showOpenFolder();

    QComboBox* m_drives;
    QTreeView* m_folders;
    QFileSystemModel* m_folderModel;
    QString m_folder;
    bool m_followOpenFolder = false;
};
