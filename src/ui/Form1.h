#pragma once

#include <functional>
#include <optional>

#include <QMainWindow>

#include "format/RetagCommands.h"
#include "format/RetagPlan.h"
#include "playlist/EntryList.h"
#include "playlist/PlaylistModel.h"
#include "playlist/TagRemoval.h"
#include "ui/RowIcons.h"

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
    // Loads a playlist as Open Playlist does, without the file dialog.
    void openPlaylist(const QString& path);
    // Adds files as Import Files (or Import Missing Files) does once the dialog has chosen them.
    void importChosenFiles(const QStringList& files, bool missingOnly);

private:
    void buildMenus();
    QAction* addCommand(QMenu* menu, const char* name, const QString& caption, void (Form1::*handler)(),
        const QKeySequence& shortcut = {});
    void addSeparator(QMenu* menu);

    void newPlaylist();
    void exitProgram();
    void openPlaylistChosen();
    void importPlaylist();
    void savePlaylist();
    void savePlaylistAs();
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

    void loadPlaylist(const QString& path);
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
    QString m_playlistFileName;
    RowIcons m_icons;

    QTreeView* m_playlist;
    UpDownControl* m_upDown;
    QTimer* m_timer;
    QLabel* m_status;
    QAction* m_autoReadTags = nullptr;
    bool m_inTick = false;
    int m_separators = 0; // the menus' separators are named mnuSep1 to mnuSep10 in menu order
    qsizetype m_readCount = 0;
};
