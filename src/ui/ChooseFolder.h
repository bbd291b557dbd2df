#pragma once

#include <QDialog>
#include <QString>

class FolderPicker;
class QCheckBox;

// The dialog in which Copy Files asks for the destination: the mounted volumes (Drive1) and their
// folders (Dir1), OK (OKButton, the default button), Cancel (CancelButton, Escape) and "Delete
// Originals" (Check1) to move the files instead of copying them. It opens on the current folder;
// opening a folder makes it the current folder.
class ChooseFolder : public QDialog {
    Q_OBJECT

public:
    explicit ChooseFolder(QWidget* parent = nullptr);

    // The folder Dir1 had open when OK was pressed; empty after Cancel or the close box.
    QString DestinationFolder() const { return m_destination; }
    // Whether "Delete Originals" was ticked when OK was pressed; false after Cancel.
    bool DeleteOriginalsChosen() const { return m_deleteOriginals; }

    // Opens the folder in Dir1, as a click on it does; for tests.
    void openFolder(const QString& folder);

private:
    void choose();

    FolderPicker* m_picker;
    QCheckBox* m_deleteOriginalsBox;
    QString m_destination;
    bool m_deleteOriginals = false;
};
