#pragma once

#include <functional>
#include <optional>

#include <QMainWindow>

#include "format/RetagCommands.h"
#include "format/RetagPlan.h"
#include "playlist/EntryList.h"
#include "playlist/PlaylistDocument.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/TagRemoval.h"
#include "ui/RowIcons.h"

class HelpWindow;
class QAction;
class QDialog;
class QLabel;
class QMenu;
class QTimer;
class QTreeView;
class UpDownControl;

// The main window: the playlist in a list view with the up/down control beside it, the menus, and
// background tag reading. It holds only wiring: every command runs the playlist and format code
// below it, and every message goes through Messages (whatever object the program installed).
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

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

protected:
    // Closing the window asks about unsaved changes first; Cancel keeps it open.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QAction* addCommand(QMenu* menu, const char* name, const QString& caption, void (Form1::*handler)(),
        const QKeySequence& shortcut = {});
    void addSeparator(QMenu* menu);

    void newPlaylistChosen();
    // An empty list with no file to save to, unmodified.
    void newPlaylist();
    // Empties the list and its reading; the playlist's file and modified mark are left as they are.
    void emptyList();
    void exitProgram();
    void openPlaylistChosen();
    void importPlaylist();
    void saveChosen();
    void saveAsChosen();
    // Both return whether the playlist was saved; Save without a file asks for one as Save As does.
    bool savePlaylist();
    bool savePlaylistAs();
    // Asks "Save changes to NAME?" when the playlist is modified; false when the user cancelled, or
    // chose Save and the save did not happen. True when the changes may go.
    bool settleUnsavedChanges();
    void updateTitle();
    void importFiles();
    void importMissingFiles();
    void showContents();
    void showAbout();
    void selectAll();
    void selectInverse();
    void selectNone();
    void deleteSelected();
    void keepMissingFilesSelected();
    void keepDuplicatesByFileName();
    void keepDuplicatesByTitle();
    void keepDuplicatesByQuickTag();
    void readTagsNow();
    void stopReadingTags();
    void sortByColumn(int column);
    void moveRows(bool up);
    void openTagEditor();

    void removeId3v1Tags();
    void removeId3v2Tags();
    void removeTagsOfSelection(TagKind kind, const QString& name);
    // Copy Files: the destination dialog, then the pass with its progress dialog.
    void copyFiles();
    // Turns off the commands that add or remove rows and the Actions; returns those it turned off.
    std::vector<QAction*> pauseRowCommands();
    void tagEqualsFileName();
    void fileNameEqualsTag();
    void tagEqualsTitle();
    void titleEqualsTag();
    void fileNameEqualsTitle();
    void titleEqualsFileName();

    // Shows the dialog modeless, an instruction message over it when given, and waits for it with
    // the window's commands off; true when it was accepted.
    bool waitFor(QDialog& dialog, const QString& instruction = {}, const QString& instructionTitle = {});
    struct ChosenFormatAnswer {
        QString format;
        bool useFullPath;
    };
    // The format-string dialog; empty when it was cancelled.
    std::optional<ChosenFormatAnswer> chooseFormat(
        bool fullPathDisabled, const QString& instruction = {}, const QString& instructionTitle = {});
    bool confirmRename();
    bool previewRenames(const std::vector<RetagCommands::PlannedRename>& plans);
    // A Tag command once its format is chosen: plans the tags, shows them, writes them on Write.
    void retagRows(const std::function<std::vector<RetagCommands::PlannedRetag>()>& plan);
    RetagCommands::Rows selectedPositions() const;
    // Runs work that changes many rows with the busy pointer and the list's painting suspended.
    void changeRows(const std::function<void()>& work);

    Result<void> loadPlaylist(const QString& path);
    void chooseFilesAndImport(bool missingOnly);
    std::optional<QString> choosePlaylist(const QString& title, bool forSaving);
    void startReadingIfAutomatic();
    void readTick();
    void resetReadingCount();
    void turnSortingOff();
    void setCommandsEnabled(bool enabled);
    // After a dialog: the window active again and the keyboard in the list.
    void returnToList();
    void updateStatus();

    PlaylistModel m_model;
    std::optional<Iterator> m_readIterator;
    int m_sortState = 0;
    PlaylistDocument m_document;
    QString m_dialogFileName; // the name the file dialogs last showed, where they open next
    RowIcons m_icons;

    QTreeView* m_playlist;
    UpDownControl* m_upDown;
    QTimer* m_timer;
    QLabel* m_status;
    QAction* m_autoReadTags = nullptr;
    HelpWindow* m_help = nullptr; // made at the first request for help
    bool m_inTick = false;
    int m_separators = 0; // the menus' separators are named mnuSep1 to mnuSep10 in menu order
    qsizetype m_readCount = 0;
};
