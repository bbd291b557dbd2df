#pragma once

#include <QDialog>
#include <QString>

#include "playlist/PlaylistFormat.h"

class FolderPicker;
class QCheckBox;
class QComboBox;
class QLineEdit;

// The dialog in which Copy Files asks for the destination: the mounted volumes (Drive1) and their
// folders (Dir1), the destination's path (txtDestination), OK (OKButton, the default button),
// Cancel (CancelButton, Escape), "New Folder..." (cmdNewFolder) and "Delete Originals" (Check1) to
// move the files instead of copying them, "Also write a playlist there" (chkWritePlaylist) with the
// playlist's format (cboPlaylistFormat: M3U or PLS, on only while the box is ticked). Both are
// remembered from the last OK; the format starts on usualKind until one was chosen. It opens on
// the current folder. The path follows the
// folder highlighted in Dir1, by a click or the keyboard, and may be typed; OK (or Enter in the
// path) takes exactly the path shown, which must be an existing folder: otherwise a message says
// so and the dialog stays. The folder chosen becomes the current folder.
class ChooseFolder : public QDialog {
    Q_OBJECT

public:
    explicit ChooseFolder(QWidget* parent = nullptr, PlaylistKind usualKind = PlaylistKind::M3U);

    // The folder chosen with OK; empty after Cancel or the close box.
    QString DestinationFolder() const { return m_destination; }
    // Whether "Delete Originals" was ticked when OK was pressed; false after Cancel.
    bool DeleteOriginalsChosen() const { return m_deleteOriginals; }
    // Whether a playlist is to be written beside the copies, and in which format; false after Cancel.
    bool WritePlaylistChosen() const { return m_writePlaylist; }
    PlaylistKind PlaylistKindChosen() const { return m_playlistKind; }

    // Opens and highlights the folder in Dir1, as a click on it does; for tests.
    void openFolder(const QString& folder);

private:
    void choose();
    // Asks a name and makes a folder of that name inside the highlighted one, then highlights it.
    void newFolder();

    FolderPicker* m_picker;
    QLineEdit* m_path;
    QCheckBox* m_deleteOriginalsBox;
    QCheckBox* m_writePlaylistBox;
    QComboBox* m_playlistFormat;
    QString m_destination;
    bool m_deleteOriginals = false;
    bool m_writePlaylist = false;
    PlaylistKind m_playlistKind = PlaylistKind::M3U;
};
