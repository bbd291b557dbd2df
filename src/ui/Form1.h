#pragma once

#include <functional>
#include <optional>

#include <QMainWindow>

#include "format/RetagFlow.h"
#include "playlist/EntryList.h"
#include "playlist/PlaylistDocument.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/TagCopying.h"
#include "playlist/TagRemoval.h"
#include "ui/FileDialogs.h"
#include "ui/RetagDialogs.h"
#include "ui/RowIcons.h"

class HelpWindow;
class QAction;
class QLabel;
class QMenu;
class QTimer;
class QTreeView;
class ProblemsPanel;
class PlaylistView;
class RowFilterField;
class UpDownControl;

// The main window: the playlist in a list view with the up/down control beside it, the menus, and
// background tag reading. It holds only wiring: every command runs the playlist and format code
// below it, and every message goes through Messages (whatever object the program installed).
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The rows' context menu for a point of the list's viewport, selecting the row there when it is
    // not selected (the caller shows and deletes the menu).
    QMenu* rowMenuAt(const QPoint& at);

    PlaylistModel& model() { return m_model; }
    const std::optional<Iterator>& readIterator() const { return m_readIterator; }
    // Opens a playlist as Open Playlist does once any unsaved changes are dealt with, without the
    // file dialog: the list is replaced by the file's entries, and the file becomes the one Save
    // writes to only when it was read whole. A file that fails to load is never saved over.
    void openPlaylist(const QString& path);
    // The file Save writes to; empty until a playlist was opened or saved under a name.
    const QString& playlistFileName() const { return m_document.fileName(); }
    // Whether the rows differ from what was last opened or saved; the title bar marks it.
    bool isModified() const { return m_document.isModified(); }
    // Adds files as Import Files (or Import Missing Files) does once the dialog has chosen them.
    void importChosenFiles(const QStringList& files, bool missingOnly);
    // Adds what the paths name, in their order, before the row at position (at the end for -1):
    // MP3 files, the MP3 files under folders (walked with a progress dialog whose Cancel adds
    // nothing) and the entries of playlist files, as Import Playlist adds them. Folders that could
    // not be read are listed in one message at the end. What File > Import Folder and a drop on
    // the list do.
    void importPaths(const QStringList& paths, qsizetype position = -1);
    // The object the file commands ask which files and folders to use; nullptr: the window's own dialogs.
    void setFileDialogs(FileDialogs* dialogs) { m_fileDialogs = dialogs ? dialogs : &m_ownFileDialogs; }

protected:
    // Closing the window asks about unsaved changes first; Cancel keeps it open.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    // A menu command; without a handler it only carries its state (a check mark).
    QAction* addCommand(QMenu* menu, const char* name, const char* caption, const QKeySequence& shortcut,
        const std::function<void()>& handler);
    void addSeparator(QMenu* menu);

    // An empty list with no file to save to, unmodified.
    void newPlaylist();
    // Empties the list and its reading; the playlist's file and modified mark are left as they are.
    void emptyList();
    void openPlaylistChosen();
    void importPlaylist();
    // File > Recent Playlists: the path goes first in the list kept (WindowSettings), and the
    // menu is made from that list each time it opens.
    void rememberPlaylist(const QString& path);
    void fillRecentPlaylists(QMenu& menu);
    // Both return whether the playlist was saved; Save without a file asks for one as Save As does.
    bool savePlaylist();
    bool savePlaylistAs();
    // Asks "Save changes to NAME?" when the playlist is modified; false when the user cancelled, or
    // chose Save and the save did not happen. True when the changes may go.
    bool settleUnsavedChanges();
    void updateTitle();
    void showContents();
    void showAbout();
    void deleteSelected();
    void stopReadingTags();
    void sortByColumn(int column);
    void moveRows(bool up);
    // The designed size, within the screen's free area.
    void resizeToFitScreen();
    // Options > Reset Layout: the columns and the size as they first were.
    void resetLayout();
    void openTagEditor();
    // The tag editor over the selected rows together, when more than one is selected.
    void editSelectedTags();
    void removeTagsOfSelection(TagKind kind, const QString& name);
    // Copy ID3v2 Tags to ID3v1 / Copy ID3v1 Tags to ID3v2 over the selected rows; into ID3v1, the
    // losses are listed first and written only when the user says Copy.
    void copyTagsOfSelection(TagCopying::Direction direction);
    std::vector<std::shared_ptr<MP3Node>> selectedEntries() const;
    // Copy Files: the destination dialog, then the pass with its progress dialog.
    void copyFiles();
    // The commands that add or remove rows, the Actions and the undo commands: paused while a pass
    // lets events run.
    std::vector<QAction*> rowCommands();

    // Runs command as one batch of the undo history, labelled "LABEL, N files" with the selected
    // rows' count, or "LABEL, NAME" for one file; when the history cannot be written, says so and
    // runs nothing. Returns whether it ran.
    bool inBatch(const QString& label, const std::function<void()>& command);
    qsizetype selectedCount() const;
    // Edit > Undo and Redo: their captions name what they would undo or redo; disabled when
    // there is nothing.
    void refreshUndo();
    // Undoes (or redoes) batch id and makes the rows follow; refused files are listed in one message.
    void revert(quint64 id, bool redo);
    void showHistory();
    void chooseUndoHistoryLimit();
    // Finishes the batches a crash cut short, and says so once.
    void recoverUndoHistory();

    Result<void> loadPlaylist(const QString& path, qsizetype position = -1);
    void chooseFilesAndImport(bool missingOnly);
    std::optional<QString> choosePlaylist(const QString& title, bool forSaving);
    void startReadingIfAutomatic();
    void readTick();
    void turnSortingOff();
    // After a dialog: the window active again and the keyboard in the list.
    void returnToList();
    void updateStatus();

    PlaylistModel m_model;
    std::optional<Iterator> m_readIterator;
    int m_sortState = 0;
    PlaylistDocument m_document;
    WindowFileDialogs m_ownFileDialogs;
    FileDialogs* m_fileDialogs;
    QString m_dialogFileName; // the name the file dialogs last showed, where they open next
    RowIcons m_icons;

    PlaylistView* m_playlist;
    UpDownControl* m_upDown;
    QTimer* m_timer;
    QLabel* m_status;
    ProblemsPanel* m_problems;
    RowFilterField* m_filterField;
    RetagDialogs m_retagDialogs;
    RetagFlow m_retag;
    QAction* m_autoReadTags = nullptr;
    QAction* m_collectReadErrors = nullptr;
    QAction* m_editTag = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_keepUndoHistory = nullptr;
    HelpWindow* m_help = nullptr; // made at the first request for help
    bool m_inTick = false;
    // The columns are at their defaults (none were remembered) and are fitted when first shown.
    bool m_fitColumnsOnShow = false;
    int m_separators = 0; // the menus' separators are named mnuSep1 to mnuSep10 in menu order
    qsizetype m_readCount = 0;
};
