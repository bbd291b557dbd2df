#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QListWidget;
class QModelIndex;
class QTreeView;
class QFileSystemModel;

// The dialog in which files are picked for importing: a list of mounted volumes (Drive1), the
// folders of the chosen volume (Dir1), a file-name pattern (Label1, Text1) that filters the file
// list at every keystroke, and the list of the folder's ordinary files matching it (File1, several
// can be selected). Import (Command1, the default button) hands back the selected files; Cancel
// (Command2, Escape) or closing the window hands back nothing. Opening a folder makes it the
// process's current folder, so the next dialog opens there.
class ImportFiles : public QDialog {
    Q_OBJECT

public:
    explicit ImportFiles(QWidget* parent = nullptr);

    // The files chosen with Import, whole paths in the order of the file list; empty after Cancel.
    QStringList ChosenFiles() const { return m_chosenFiles; }

    // The folder whose files are listed.
    QString folder() const { return m_folder; }
    // Shows the folder's files (and makes it the current folder); for the folder list and tests.
    // A folder that does not exist or cannot be read is ignored: the folder open stays open.
    void openFolder(const QString& folder);

private:
    void openFolderAt(const QModelIndex& index);
    // Opens the root of a volume chosen in Drive1; a volume that cannot be read is ignored.
    void openVolume(const QString& root);
    // Selects the folder's volume in Drive1 and roots Dir1 at it.
    void showVolumeOf(const QString& folder);
    // Scrolls Dir1 to the open folder unless the user has moved about in it since it was opened.
    void showOpenFolder();
    void fillFileList();
    void importChosen();

    QComboBox* m_drives;
    QTreeView* m_folders;
    QFileSystemModel* m_folderModel;
    QLineEdit* m_pattern;
    QListWidget* m_files;
    QString m_folder;
    QStringList m_chosenFiles;
    bool m_followOpenFolder = false;
};
