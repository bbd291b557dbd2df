#pragma once

#include <QDialog>
#include <QStringList>

class FolderPicker;
class QLineEdit;
class QListWidget;

// The dialog in which files are picked for importing: a list of mounted volumes (Drive1), the
// folders of the chosen volume (Dir1), a file-name pattern (Label1, Text1) that filters the file
// list at every keystroke, and the list of the folder's ordinary files matching it (File1, several
// can be selected). Import (Command1, the default button) hands back the selected files; Cancel
// (Command2, Escape) or closing the window hands back nothing. Enter on a folder highlighted in
// Dir1 opens it; Enter anywhere else is Import. Opening a folder makes it the process's current
// folder, so the next dialog opens there.
class ImportFiles : public QDialog {
    Q_OBJECT

public:
    explicit ImportFiles(QWidget* parent = nullptr);

    // The files chosen with Import, whole paths in the order of the file list; empty after Cancel.
    QStringList ChosenFiles() const { return m_chosenFiles; }

    // The folder whose files are listed.
    QString folder() const;
    // Shows the folder's files (and makes it the current folder); for the folder list and tests.
    // A folder that does not exist or cannot be read is ignored: the folder open stays open.
    void openFolder(const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillFileList();
    void importChosen();

    FolderPicker* m_picker;
    QLineEdit* m_pattern;
    QListWidget* m_files;
    QStringList m_chosenFiles;
};
