#include "ui/Form1.h"

#include <chrono>

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/PathTools.h"
#include "base/ProgramFolder.h"
#include "journal/Journal.h"
#include "journal/JournalHistory.h"
#include "playlist/Importing.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/RowCommands.h"
#include "playlist/TagCopying.h"
#include "playlist/TagReading.h"
#include "playlist/TagRemoval.h"
#include "tags/GenreTable.h"
#include "ui/CopyProgress.h"
#include "ui/FindMissingFiles.h"
#include "ui/HelpWindow.h"
#include "ui/HistoryDialog.h"
#include "ui/ImportProgress.h"
#include "ui/LossDialog.h"
#include "ui/MultiTagEditor.h"
#include "ui/PlaylistView.h"
#include "ui/ProblemsPanel.h"
#include "ui/RowFilterField.h"
#include "ui/RowMenu.h"
#include "ui/SelectMismatched.h"
#include "ui/TagEditor.h"
#include "ui/UpDownControl.h"
#include "ui/WindowGuards.h"
#include "ui/WindowSettings.h"

using namespace std::chrono_literals;

namespace {

constexpr int kMarginTwips = 120;
// A tick reads for about this long, so the window answers between ticks: with the repaint that
// follows a tick it stays under 20 ms even in a large window.
constexpr auto kTickBudget = 8ms;

// The help page, found where the genre list is: beside the program or in its installed data folder.
QString helpPage()
{
    const QString name = QStringLiteral("sondrel-help.html");
    return dataFolderOf(name) + u'/' + name;
}

} // namespace

Form1::Form1(QWidget* parent)
    : QMainWindow(parent),
      m_document(m_model),
      m_ownFileDialogs(*this),
      m_fileDialogs(&m_ownFileDialogs),
      m_playlist(new PlaylistView(m_model, m_icons, this)),
      m_upDown(new UpDownControl(this)),
      m_timer(new QTimer(this)),
      m_status(new QLabel(this)),
      m_problems(new ProblemsPanel(this)),
      m_filterField(new RowFilterField(m_model, *m_playlist, this)),
      m_retagDialogs(*this, *m_playlist),
      m_retag(m_model, m_retagDialogs)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Sondrel"));

    connect(m_playlist->header(), &QHeaderView::sectionClicked, this, &Form1::sortByColumn);
    connect(m_playlist, &PlaylistView::keepDuplicatesAsked, this,
        [this](int column) { RowCommands::keepDuplicatesSelected(m_model, column); });
    m_fitColumnsOnShow = !m_playlist->restoreColumns(WindowSettings::playlistColumns());
    m_model.setFormatStringsUse(WindowSettings::formatStringsUse());
    m_model.setNewTagVersion(WindowSettings::newTagVersion());
    connect(m_playlist, &QTreeView::doubleClicked, this, &Form1::openTagEditor);
    connect(m_playlist, &PlaylistView::editAsked, this, &Form1::openTagEditor);
    connect(m_playlist, &PlaylistView::rowsDropped, this, [this](qsizetype position) {
        RowCommands::moveSelectedRowsTo(m_model, position);
        turnSortingOff();
    });
    connect(m_playlist, &PlaylistView::pathsDropped, this, &Form1::importPaths);
    m_playlist->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_playlist, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = rowMenuAt(m_playlist->viewport()->mapFrom(m_playlist, at));
        menu->exec(m_playlist->mapToGlobal(at));
        menu->deleteLater();
    });
    // Ctrl+Up and Ctrl+Down on the list move the selected rows, as the up and down control does.
    for (const bool up : {true, false}) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | (up ? Qt::Key_Up : Qt::Key_Down)), m_playlist, nullptr,
            nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, up] { moveRows(up); });
    }

    m_upDown->setObjectName(QStringLiteral("UpDown1"));
    connect(m_upDown, &UpDownControl::upPressed, this, [this] { moveRows(true); });
    connect(m_upDown, &UpDownControl::downPressed, this, [this] { moveRows(false); });

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout;
    const int margin = pixelsOfTwips(kMarginTwips, this);
    layout->addWidget(m_playlist, 1);
    layout->addWidget(m_upDown);
    // The filter field above the list; Ctrl+F anywhere in the window puts the keyboard there.
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(margin, margin, margin, margin);
    column->addWidget(m_filterField);
    column->addLayout(layout, 1);
    setCentralWidget(central);
    m_problems->hide();
    addDockWidget(Qt::BottomDockWidgetArea, m_problems);
    resizeDocks({m_problems}, {pixelsOfTwips(2000, this)}, Qt::Vertical);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this), &QShortcut::activated, m_filterField,
        &RowFilterField::focusForTyping);
    connect(m_filterField, &RowFilterField::shownChanged, this, &Form1::updateStatus);

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1);
    connect(m_timer, &QTimer::timeout, this, &Form1::readTick);

    m_status->setObjectName(QStringLiteral("statusText"));
    statusBar()->addWidget(m_status, 1);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &Form1::updateStatus);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &Form1::updateStatus);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &Form1::updateStatus);
    connect(m_model.selectionModel(), &QItemSelectionModel::selectionChanged, this, &Form1::updateStatus);
    // Added rows are in no sorted order: the header's sort mark goes.
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &Form1::turnSortingOff);
    connect(&m_document, &PlaylistDocument::changed, this, &Form1::updateTitle);

    Journal::configure(WindowSettings::undoHistory());
    buildMenus();
    if (!restoreGeometry(WindowSettings::windowGeometry()))
        resizeToFitScreen();
    updateStatus();
    updateTitle();
    if (Journal::settings().enabled)
        recoverUndoHistory();
    refreshUndo();
}

Form1::~Form1()
{
    WindowSettings::setPlaylistColumns(m_playlist->columnState());
    WindowSettings::setWindowGeometry(saveGeometry());
}

QMenu* Form1::rowMenuAt(const QPoint& at)
{
    // A click on a row that is not selected selects it alone, as file managers do.
    const QModelIndex row = m_playlist->indexAt(at);
    if (row.isValid() && !m_model.selectionModel()->isRowSelected(row.row())) {
        m_model.selectionModel()->select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_playlist->setCurrentIndex(row);
    }
    RowMenuCommands commands;
    commands.editTag = m_editTag;
    commands.actions = findChild<QMenu*>(QStringLiteral("mnuActions"));
    commands.deleteSelected = findChild<QAction*>(QStringLiteral("mnuDeleteSelected"));
    commands.findMissingFiles = findChild<QAction*>(QStringLiteral("mnuFindMissingFiles"));
    return rowMenu(this, commands, row.isValid() ? m_model.rowAt(row.row())->file() : QString());
}

void Form1::resizeToFitScreen()
{
    // The designed size, but never more than the screen's free area leaves room for, at any scale.
    QSize size(1100, 650);
    if (const QScreen* on = screen())
        size = size.boundedTo(on->availableGeometry().size() * 9 / 10);
    resize(size);
}

void Form1::resetLayout()
{
    m_playlist->resetColumns();
    turnSortingOff();
    showNormal();
    resizeToFitScreen();
    // The new size is laid out before the columns share it.
    centralWidget()->layout()->activate();
    m_playlist->fitColumns();
}

void Form1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (std::exchange(m_fitColumnsOnShow, false))
        m_playlist->fitColumns();
}

QAction* Form1::addCommand(QMenu* menu, const char* name, const char* caption, const QKeySequence& shortcut,
    const std::function<void()>& handler)
{
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    return action;
}

void Form1::addSeparator(QMenu* menu)
{
    menu->addSeparator()->setObjectName(QStringLiteral("mnuSep%1").arg(++m_separators));
}

void Form1::buildMenus()
{
    const auto addMenu = [this](const char* name, const char* caption) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(caption));
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    QMenu* file = addMenu("mnuFile", "&File");
    addCommand(file, "mnuNewPlaylist", "&New Playlist", Qt::CTRL | Qt::Key_N, [this] {
        if (settleUnsavedChanges())
            newPlaylist();
    });
    addSeparator(file);
    addCommand(file, "mnuOpenPlaylist", "&Open Playlist...", Qt::CTRL | Qt::Key_O, [this] { openPlaylistChosen(); });
    QMenu* recent = file->addMenu(QStringLiteral("&Recent Playlists"));
    recent->setObjectName(QStringLiteral("mnuRecentPlaylists"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentPlaylists(*recent); });
    addCommand(file, "mnuSavePlaylist", "&Save Playlist", Qt::CTRL | Qt::Key_S, [this] { savePlaylist(); });
    addCommand(file, "mnuSavePlaylistAs", "Save Playlist &As...", {}, [this] { savePlaylistAs(); });
    addSeparator(file);
    addCommand(file, "mnuImportFiles", "Import &Files...", {}, [this] { chooseFilesAndImport(false); });
    addCommand(file, "mnuImportFolder", "Import Fol&der...", {}, [this] {
        const std::optional<QString> folder = m_fileDialogs->folderToImport();
        returnToList();
        if (folder)
            importPaths({*folder});
    });
    addCommand(file, "mnuImportMissingFiles", "Import &Missing Files...", {}, [this] { chooseFilesAndImport(true); });
    addCommand(file, "mnuImportPlaylist", "Import &Playlist...", {}, [this] { importPlaylist(); });
    addSeparator(file);
    addCommand(file, "mnuExit", "E&xit", {}, [this] { close(); });

    QMenu* edit = addMenu("mnuEdit", "&Edit");
    addCommand(edit, "mnuSelectAll", "Select &All", Qt::CTRL | Qt::Key_A, [this] { RowCommands::selectAll(m_model); });
    addCommand(edit, "mnuSelectInverse", "Select &Inverse", Qt::CTRL | Qt::Key_I,
        [this] { RowCommands::selectInverse(m_model); });
    addCommand(
        edit, "mnuSelectNone", "Select &None", Qt::CTRL | Qt::Key_D, [this] { RowCommands::selectNone(m_model); });
    addCommand(edit, "mnuSelectMismatched", "Select &Mismatched Rows", {},
        [this] { selectMismatchedRows(m_model, *m_playlist); });
    addCommand(edit, "mnuDeleteSelected", "&Delete Selected", Qt::Key_Delete, [this] { deleteSelected(); });
    addCommand(edit, "mnuFindMissingFiles", "Find Mi&ssing Files...", {}, [this] {
        findMissingFiles(*this, m_model, m_document.fileName());
        updateStatus();
        returnToList();
    });
    // Named apart from mnuSep1 to mnuSep10, whose numbers stay those of the first menus.
    edit->addSeparator()->setObjectName(QStringLiteral("mnuSepUndo"));
    m_undo = addCommand(edit, "mnuUndo", "&Undo", QKeySequence::Undo, [this] {
        if (const auto batch = Journal::newestUndoable())
            revert(batch->id, false);
    });
    m_redo = addCommand(edit, "mnuRedo", "&Redo", Qt::CTRL | Qt::SHIFT | Qt::Key_Z, [this] {
        if (const auto batch = Journal::newestRedoable())
            revert(batch->id, true);
    });
    addCommand(edit, "mnuHistory", "&History...", {}, [this] { showHistory(); });
    connect(edit, &QMenu::aboutToShow, this, &Form1::refreshUndo);

    QMenu* options = addMenu("mnuOptions", "&Options");
    m_autoReadTags = addCommand(options, "mnuAutoReadTags", "&Auto-Read Tags", {}, {});
    m_autoReadTags->setCheckable(true);
    m_autoReadTags->setChecked(true);
    addCommand(options, "mnuReadTagsNow", "&Read Tags Now", {}, [this] { m_timer->start(); });
    addCommand(options, "mnuStopReadingTags", "&Stop Reading Tags", {}, [this] { stopReadingTags(); });
    m_collectReadErrors = addCommand(options, "mnuCollectReadErrors", "Collect Read &Errors", {},
        [this] { WindowSettings::setCollectReadErrors(m_collectReadErrors->isChecked()); });
    m_collectReadErrors->setCheckable(true);
    m_collectReadErrors->setChecked(WindowSettings::collectReadErrors());
    // Shows or hides the Problems panel, which otherwise opens only with a new problem.
    QAction* showProblems = m_problems->toggleViewAction();
    showProblems->setText(QStringLiteral("Show &Problems"));
    showProblems->setObjectName(QStringLiteral("mnuShowProblems"));
    options->addAction(showProblems);
    // Named apart from mnuSep1 to mnuSep10, whose numbers stay those of the first menus.
    options->addSeparator()->setObjectName(QStringLiteral("mnuSepTagOptions"));
    const auto addChoices = [&](const char* name, const char* caption, const auto& choices, auto chosen, auto choose) {
        QMenu* menu = options->addMenu(QString::fromLatin1(caption));
        menu->setObjectName(QString::fromLatin1(name));
        auto* group = new QActionGroup(menu);
        for (const auto& choice : choices) {
            const auto value = choice.value;
            QAction* action = addCommand(menu, choice.name, choice.caption, {}, [choose, value] { choose(value); });
            action->setCheckable(true);
            action->setChecked(value == chosen);
            group->addAction(action);
        }
    };
    const struct {
        const char* name;
        const char* caption;
        int value;
    } versions[] = {{"mnuNewTagVersion23", "2.3", 3}, {"mnuNewTagVersion24", "2.4", 4}};
    addChoices("mnuNewTagVersion", "ID3v2 Version for New Tags", versions, WindowSettings::newTagVersion(),
        [this](int version) {
            WindowSettings::setNewTagVersion(version);
            m_model.setNewTagVersion(version);
        });
    const struct {
        const char* name;
        const char* caption;
        TagChoice value;
    } tags[] = {{"mnuFormatStringsUseID3v1", "ID3v1 Tag", TagChoice::Id3v1},
        {"mnuFormatStringsUseID3v2", "ID3v2 Tag", TagChoice::Id3v2}};
    addChoices("mnuFormatStringsUse", "Format Strings Use", tags, m_model.formatStringsUse(), [this](TagChoice tag) {
        WindowSettings::setFormatStringsUse(tag);
        m_model.setFormatStringsUse(tag);
    });

    options->addSeparator()->setObjectName(QStringLiteral("mnuSepUndoHistory"));
    m_keepUndoHistory = addCommand(options, "mnuKeepUndoHistory", "Keep &Undo History", {}, [this] {
        Journal::Settings journal = WindowSettings::undoHistory();
        journal.enabled = m_keepUndoHistory->isChecked();
        WindowSettings::setUndoHistory(journal);
        Journal::configure(journal);
        refreshUndo();
    });
    m_keepUndoHistory->setCheckable(true);
    m_keepUndoHistory->setChecked(Journal::settings().enabled);
    addCommand(options, "mnuUndoHistoryLimit", "Undo History &Limit...", {}, [this] { chooseUndoHistoryLimit(); });
    options->addSeparator()->setObjectName(QStringLiteral("mnuSepLayout"));
    addCommand(options, "mnuResetLayout", "Reset La&yout", {}, [this] { resetLayout(); });

    // On the rows' context menu only; the menu bar has the double-click, Return and F2 for it.
    m_editTag = new QAction(QStringLiteral("&Edit Tag..."), this);
    m_editTag->setObjectName(QStringLiteral("mnuEditTag"));
    connect(m_editTag, &QAction::triggered, this, &Form1::openTagEditor);

    QMenu* actions = addMenu("mnuActions", "&Actions");
    // Each of the six commands is one batch of the undo history, labelled as its menu item.
    const auto retag = [this](const char* label, void (RetagFlow::*command)()) {
        return [this, label, command] {
            inBatch(QString::fromLatin1(label), [&] { (m_retag.*command)(); });
            returnToList();
        };
    };
    addCommand(actions, "mnuTagEqualsFileName", "&Tag = File Name...", {},
        retag("Tag = File Name", &RetagFlow::tagEqualsFileName));
    addCommand(actions, "mnuFileNameEqualsTag", "&File Name = Tag...", {},
        retag("File Name = Tag", &RetagFlow::fileNameEqualsTag));
    addSeparator(actions);
    addCommand(actions, "mnuTagEqualsTitle", "Ta&g = Title...", {}, retag("Tag = Title", &RetagFlow::tagEqualsTitle));
    addCommand(actions, "mnuTitleEqualsTag", "T&itle = Tag...", {}, retag("Title = Tag", &RetagFlow::titleEqualsTag));
    addSeparator(actions);
    addCommand(actions, "mnuFileNameEqualsTitle", "File &Name = Title...", {},
        retag("File Name = Title", &RetagFlow::fileNameEqualsTitle));
    addCommand(actions, "mnuTitleEqualsFileName", "Tit&le = File Name...", {},
        retag("Title = File Name", &RetagFlow::titleEqualsFileName));
    addSeparator(actions);
    addCommand(actions, "mnuRemoveID3v1Tags", "&Remove ID3v1 Tags...", {},
        [this] { removeTagsOfSelection(TagKind::Id3v1, QStringLiteral("ID3v1")); });
    addCommand(actions, "mnuRemoveID3v2Tags", "Remove ID3v&2 Tags...", {},
        [this] { removeTagsOfSelection(TagKind::Id3v2, QStringLiteral("ID3v2")); });
    addCommand(actions, "mnuCopyID3v2TagsToID3v1", "&Copy ID3v2 Tags to ID3v1", {},
        [this] { copyTagsOfSelection(TagCopying::Direction::ToId3v1); });
    addCommand(actions, "mnuCopyID3v1TagsToID3v2", "Copy ID3v&1 Tags to ID3v2", {},
        [this] { copyTagsOfSelection(TagCopying::Direction::ToId3v2); });
    addSeparator(actions);
    addCommand(actions, "mnuKeepMissingFilesSelected", "Keep &Missing Files Selected", {},
        [this] { RowCommands::keepMissingFilesSelected(m_model); });
    addSeparator(actions);
    addCommand(actions, "mnuCopyFiles", "Co&py Files...", {}, [this] { copyFiles(); });
    addSeparator(actions);
    const auto keepDuplicates
        = [this](int column) { return [this, column] { RowCommands::keepDuplicatesSelected(m_model, column); }; };
    addCommand(actions, "mnuKeepDuplicatesSelectedByFileName", "Keep Duplicates Selected (by File N&ame)", {},
        keepDuplicates(FileNameColumn));
    addCommand(actions, "mnuKeepDuplicatesSelectedByTitle", "Keep Duplicates Selected (&by Title)", {},
        keepDuplicates(TitleColumn));
    addCommand(actions, "mnuKeepDuplicatesSelectedByQuickTag", "Keep Duplicates Selected (by &QuickTag)", {},
        keepDuplicates(QuickTagColumn));

    QMenu* help = addMenu("mnuHelp", "&Help");
    addCommand(help, "mnuContents", "&Contents...", Qt::Key_F1, [this] { showContents(); });
    addSeparator(help);
    addCommand(help, "mnuAboutTagEditor", "&About Sondrel...", {}, [this] { showAbout(); });
}

void Form1::newPlaylist()
{
    emptyList();
    m_document.setSaved({});
}

void Form1::emptyList()
{
    m_model.clear();
    m_readIterator.reset();
    m_readCount = 0;
    turnSortingOff();
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (settleUnsavedChanges())
        event->accept();
    else
        event->ignore();
}

void Form1::openPlaylist(const QString& path)
{
    newPlaylist();
    if (loadPlaylist(path)) {
        m_document.setSaved(path);
        rememberPlaylist(path);
    } else // rows of a file that broke off are saved nowhere yet: the window keeps them, marked modified
        m_document.setModified(m_model.size() > 0);
}

void Form1::openPlaylistChosen()
{
    if (!settleUnsavedChanges())
        return;
    if (const auto path = choosePlaylist(QStringLiteral("Open a Playlist"), false))
        openPlaylist(*path);
}

void Form1::rememberPlaylist(const QString& path)
{
    const QString absolute = PathTools::combinePath(QDir::currentPath(), path);
    QStringList recent = WindowSettings::recentPlaylists();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    WindowSettings::setRecentPlaylists(recent);
}

void Form1::fillRecentPlaylists(QMenu& menu)
{
    menu.clear();
    const QStringList recent = WindowSettings::recentPlaylists();
    for (const QString& path : recent) {
        QAction* item = menu.addAction(QString(path).replace(u'&', QStringLiteral("&&")));
        // A playlist that is no longer there is shown greyed, until Remove Missing Playlists.
        item->setEnabled(FileOps::isOrdinaryFile(path));
        connect(item, &QAction::triggered, this, [this, path] {
            if (settleUnsavedChanges())
                openPlaylist(path);
        });
    }
    if (recent.isEmpty())
        menu.addAction(QStringLiteral("(none)"))->setEnabled(false);
    menu.addSeparator();
    QAction* prune = menu.addAction(QStringLiteral("Remove &Missing Playlists"), this, [] {
        QStringList kept = WindowSettings::recentPlaylists();
        kept.removeIf([](const QString& path) { return !FileOps::isOrdinaryFile(path); });
        WindowSettings::setRecentPlaylists(kept);
    });
    prune->setObjectName(QStringLiteral("mnuRemoveMissingPlaylists"));
    QAction* clear
        = menu.addAction(QStringLiteral("&Clear List"), this, [] { WindowSettings::setRecentPlaylists({}); });
    clear->setObjectName(QStringLiteral("mnuClearRecentPlaylists"));
}

void Form1::importPlaylist()
{
    // The rows join the open playlist; the file Save writes to stays the playlist's own.
    if (const auto path = choosePlaylist(QStringLiteral("Import a Playlist"), false))
        loadPlaylist(*path);
}

bool Form1::savePlaylist()
{
    if (m_document.fileName().isEmpty())
        return savePlaylistAs();
    bool saved = false;
    inBatch(QStringLiteral("Save Playlist, ") + QFileInfo(m_document.fileName()).fileName(), [&] {
        saved = bool(PlaylistFiles::savePlaylist(m_model, m_document.fileName(), WindowSettings::playlistPaths()));
    });
    if (!saved)
        return false;
    m_document.setSaved(m_document.fileName());
    return true;
}

bool Form1::savePlaylistAs()
{
    const auto path = choosePlaylist(QStringLiteral("Save Playlist As"), true);
    if (!path)
        return false;
    bool saved = false;
    inBatch(QStringLiteral("Save Playlist, ") + QFileInfo(*path).fileName(),
        [&] { saved = bool(PlaylistFiles::savePlaylist(m_model, *path, WindowSettings::playlistPaths())); });
    if (!saved)
        return false;
    m_document.setSaved(*path);
    rememberPlaylist(*path);
    return true;
}

bool Form1::settleUnsavedChanges()
{
    if (!m_document.isModified())
        return true;
    switch (Messages::current().show(QStringLiteral("Save changes to ") + m_document.name() + u'?',
        QStringLiteral("Sondrel"), Messages::Icon::Question, Messages::Buttons::SaveDiscardCancel)) {
    case Messages::Answer::Save: return savePlaylist();
    case Messages::Answer::Discard: return true;
    default: return false;
    }
}

void Form1::updateTitle()
{
    setWindowTitle(m_document.caption());
}

std::optional<QString> Form1::choosePlaylist(const QString& title, bool forSaving)
{
    const QString& fileName = m_document.fileName();
    const QString start = forSaving && !fileName.isEmpty() ? fileName : m_dialogFileName;
    auto path = forSaving ? m_fileDialogs->playlistToSave(title, start) : m_fileDialogs->playlistToOpen(title, start);
    returnToList();
    if (path)
        m_dialogFileName = *path;
    return path;
}

Result<void> Form1::loadPlaylist(const QString& path, qsizetype position)
{
    Result<void> result;
    {
        const BusyPointer busy;
        const FrozenPainting frozen(m_playlist);
        result = PlaylistFiles::loadPlaylist(m_model, path, m_readIterator, position);
    }
    // A playlist that broke off ends the command there; an invalid one still starts reading.
    if (result || result.failure().kind == Failure::Kind::Unrecognized)
        startReadingIfAutomatic();
    return result;
}

void Form1::chooseFilesAndImport(bool missingOnly)
{
    importChosenFiles(m_fileDialogs->filesToImport(), missingOnly);
    returnToList();
}

void Form1::importChosenFiles(const QStringList& files, bool missingOnly)
{
    if (files.isEmpty())
        return;
    {
        const BusyPointer busy;
        ::importFiles(m_model, files, missingOnly, m_readIterator);
    }
    startReadingIfAutomatic();
}

void Form1::importPaths(const QStringList& paths, qsizetype position)
{
    const std::optional<ImportParts> found = collectWithProgress(*this, paths);
    if (!found)
        return;
    qsizetype at = position < 0 || position > m_model.size() ? m_model.size() : position;
    for (const ImportParts::Part& part : found->parts) {
        const qsizetype before = m_model.size();
        if (part.playlist.isEmpty()) {
            const BusyPointer busy;
            ::importFiles(m_model, part.files, false, m_readIterator, at);
        } else {
            loadPlaylist(part.playlist, at);
        }
        at += m_model.size() - before;
    }
    if (!found->unreadableFolders.isEmpty())
        Messages::inform(QStringLiteral("These folders could not be read and were skipped:\r\n")
            + found->unreadableFolders.join(QStringLiteral("\r\n")));
    startReadingIfAutomatic();
}

void Form1::showContents()
{
    // One help window for the run, shown again (and the page read again) at each request.
    if (!m_help)
        m_help = new HelpWindow(this);
    m_help->showPage(helpPage());
}

void Form1::showAbout()
{
    Messages::current().show(QStringLiteral("Sondrel %1\r\nA playlist editor and MP3 tagger.\r\nHelp: %2\r\n\r\n"
                                            "Sondrel is free software, licensed under the GNU General Public "
                                            "License, version 3 or (at your option) any later version. It comes "
                                            "with no warranty.")
                                 .arg(QCoreApplication::applicationVersion(), helpPage()),
        QStringLiteral("About: Sondrel"), Messages::Icon::Information, Messages::Buttons::Ok);
}

void Form1::deleteSelected()
{
    switch (RowCommands::deleteSelected(m_model, m_readIterator)) {
    case RowCommands::AfterDelete::PlaylistReset:
        // The playlist keeps its file: saving it now writes an empty playlist there.
        emptyList();
        m_document.setModified(true);
        break;
    case RowCommands::AfterDelete::ReaderRestarted:
        m_readCount = 0;
        startReadingIfAutomatic();
        break;
    case RowCommands::AfterDelete::ReaderKept: break;
    }
    updateStatus();
}

void Form1::stopReadingTags()
{
    m_timer->stop();
    updateStatus();
}

void Form1::startReadingIfAutomatic()
{
    if (m_autoReadTags->isChecked())
        m_timer->start();
    updateStatus();
}

void Form1::readTick()
{
    // A failed file's message box runs its own event loop, in which the timer goes on ticking: no
    // tick starts while an earlier one waits for its message to be closed.
    if (m_inTick)
        return;
    m_inTick = true;
    const qsizetype readBefore = m_readCount;
    const auto collect = [this](const QString& path, const QString& text) { m_problems->add(path, text); };
    const TickResult tick = readTagsTick(
        m_model, m_readIterator, kTickBudget,
        [&](qsizetype readSoFar) {
            m_readCount = readBefore + readSoFar; // the status keeps up with the rows while a message waits
            updateStatus();
        },
        m_collectReadErrors->isChecked() ? ReadProblem(collect) : ReadProblem());
    m_inTick = false;
    m_readCount = readBefore + tick.read;
    if (!tick.keepGoing)
        m_timer->stop();
    updateStatus();
}

void Form1::sortByColumn(int column)
{
    RowCommands::sortByColumn(m_model, m_sortState, column);
    m_playlist->header()->setSortIndicatorShown(true);
    m_playlist->header()->setSortIndicator(column, m_sortState < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void Form1::turnSortingOff()
{
    m_playlist->header()->setSortIndicatorShown(false);
}

void Form1::moveRows(bool up)
{
    // Moving among rows partly hidden has no clear meaning: rows move only when all are shown.
    if (m_filterField->filter().isActive()) {
        Messages::current().beep();
        m_status->setText(QStringLiteral("Rows cannot be moved while the list is filtered; clear the filter first."));
        return;
    }
    turnSortingOff();
    RowCommands::moveSelectedRows(m_model, up ? RowCommands::Direction::Up : RowCommands::Direction::Down);
    if (const QModelIndex current = m_playlist->currentIndex(); current.isValid())
        m_playlist->scrollTo(current);
}

void Form1::openTagEditor()
{
    const QItemSelectionModel& selection = *m_model.selectionModel();
    if (!selection.hasSelection()) {
        Messages::current().beep();
        return;
    }
    if (selectedCount() > 1) {
        editSelectedTags();
        return;
    }
    // The selected item: the current row when it is selected, otherwise the first selected row.
    int row = m_playlist->currentIndex().row();
    if (row < 0 || !selection.isRowSelected(row)) {
        row = int(m_model.size());
        for (const QItemSelectionRange& range : selection.selection())
            row = std::min(row, range.top());
    }
    const std::shared_ptr<MP3Node> entry = m_model.findItem(row);
    inBatch(QStringLiteral("Edit Tag, ") + QFileInfo(entry->file()).fileName(), [&] {
        TagEditor dialog(entry, m_model, this, WindowSettings::newTagVersion());
        waitForDialog(*this, dialog);
    });
    returnToList();
}

void Form1::editSelectedTags()
{
    const std::vector<std::shared_ptr<MP3Node>> entries = selectedEntries();
    inBatch(QStringLiteral("Edit Tags"), [&] {
        // The pass lets events run between files; commands that add or remove rows wait.
        const PausedCommands paused(rowCommands());
        MultiTagEditor::editSelection(m_model, entries, this, WindowSettings::newTagVersion(),
            [this](QDialog& dialog) { return waitForDialog(*this, dialog); });
    });
    updateStatus();
    returnToList();
}

void Form1::removeTagsOfSelection(TagKind kind, const QString& name)
{
    const QString question = QStringLiteral("This will permanently remove the ") + name
        + QStringLiteral(" tags from all selected files.  Are you sure you want to do this?");
    if (Messages::current().show(
            question, QStringLiteral("Remove Tags?"), Messages::Icon::Exclamation, Messages::Buttons::YesNo)
        != Messages::Answer::Yes)
        return;
    const std::vector<std::shared_ptr<MP3Node>> entries = selectedEntries();
    inBatch(QStringLiteral("Remove ") + name + QStringLiteral(" Tags"), [&] {
        // The pass lets events run between files; commands that add or remove rows wait until it
        // ends, so the rows it was given stay the rows it works on.
        const PausedCommands paused(rowCommands());
        const BusyPointer busy;
        const FrozenPainting frozen(m_playlist);
        removeTags(m_model, entries, kind, [&](qsizetype done, const MP3Node& entry) {
            setWindowTitle(QStringLiteral("Sondrel - Removing Tag From \"") + entry.file() + u'"');
            m_status->setText(QStringLiteral("Removing tags: %1 of %2").arg(done + 1).arg(entries.size()));
            QCoreApplication::processEvents();
        });
        updateTitle();
    });
    updateStatus();
    Messages::current().beep();
}

std::vector<std::shared_ptr<MP3Node>> Form1::selectedEntries() const
{
    std::vector<std::shared_ptr<MP3Node>> entries;
    const std::vector<bool> selected = RowCommands::selectedRows(m_model);
    for (std::size_t row = 0; row < selected.size(); ++row) {
        if (selected[row])
            entries.push_back(m_model.findItem(qsizetype(row)));
    }
    return entries;
}

void Form1::copyTagsOfSelection(TagCopying::Direction direction)
{
    const std::vector<std::shared_ptr<MP3Node>> entries = selectedEntries();
    if (entries.empty()) {
        Messages::current().beep();
        return;
    }
    BatchGenres genres;
    bool cancelled = false;
    inBatch(direction == TagCopying::Direction::ToId3v1 ? QStringLiteral("Copy ID3v2 Tags to ID3v1")
                                                        : QStringLiteral("Copy ID3v1 Tags to ID3v2"),
        [&] {
            // The passes let events run between files; commands that add or remove rows wait.
            const PausedCommands paused(rowCommands());
            if (direction == TagCopying::Direction::ToId3v1) {
                std::vector<TagCopying::FileLosses> losses;
                {
                    const BusyPointer busy;
                    losses = TagCopying::id3v1Losses(m_model, entries, genres);
                }
                if (!losses.empty()) {
                    LossDialog dialog(losses, this);
                    if (!waitForDialog(*this, dialog)) {
                        cancelled = true;
                        return;
                    }
                }
            }
            const BusyPointer busy;
            TagCopying::copyTags(m_model, entries, direction, WindowSettings::newTagVersion(), genres,
                [&](qsizetype done, const MP3Node& entry) {
                    setWindowTitle(QStringLiteral("Sondrel - Copying Tag of \"") + entry.file() + u'"');
                    m_status->setText(QStringLiteral("Copying tags: %1 of %2").arg(done + 1).arg(entries.size()));
                    QCoreApplication::processEvents();
                });
            updateTitle();
        });
    if (cancelled) {
        returnToList();
        return;
    }
    updateStatus();
    returnToList();
    Messages::current().beep();
}

void Form1::copyFiles()
{
    if (const auto destination = m_fileDialogs->copyDestination(m_document.fileName())) {
        inBatch(destination->deleteOriginals ? QStringLiteral("Move Files") : QStringLiteral("Copy Files"), [&] {
            // The pass lets events run between files; the window takes no commands until it ends.
            const PausedCommands paused(rowCommands());
            const WindowCommandsOff off(*this);
            CopyProgress progress(this);
            progress.CopyFiles(m_model, true, destination->folder, destination->deleteOriginals, destination->playlist);
        });
    }
    updateStatus();
    returnToList();
}

std::vector<QAction*> Form1::rowCommands()
{
    std::vector<QAction*> commands;
    for (const char* name : {"mnuNewPlaylist", "mnuOpenPlaylist", "mnuImportFiles", "mnuImportMissingFiles",
             "mnuImportPlaylist", "mnuDeleteSelected", "mnuFindMissingFiles", "mnuUndo", "mnuRedo", "mnuHistory"})
        commands.push_back(findChild<QAction*>(QString::fromLatin1(name)));
    const QList<QAction*> actions = findChild<QMenu*>(QStringLiteral("mnuActions"))->actions();
    commands.insert(commands.end(), actions.begin(), actions.end());
    return commands;
}

void Form1::returnToList()
{
    activateWindow();
    m_playlist->setFocus();
}

void Form1::updateStatus()
{
    const qsizetype rows = m_model.size();
    qsizetype selected = 0;
    for (const QItemSelectionRange& range : m_model.selectionModel()->selection())
        selected += range.height();
    QString text = m_filterField->filter().isActive()
        ? QStringLiteral("%1 of %2 rows shown").arg(m_filterField->filter().shownCount()).arg(rows)
        : tr("%n rows", nullptr, int(rows));
    text += QStringLiteral(", ") + tr("%n selected", nullptr, int(selected));
    if (m_timer->isActive())
        text += QStringLiteral("    Reading tags: %1 of %2")
                    .arg(std::min(m_readCount, m_model.nodeList().size()))
                    .arg(m_model.nodeList().size());
    m_status->setText(text);
}

qsizetype Form1::selectedCount() const
{
    qsizetype selected = 0;
    for (const QItemSelectionRange& range : m_model.selectionModel()->selection())
        selected += range.height();
    return selected;
}

bool Form1::inBatch(const QString& label, const std::function<void()>& command)
{
    const qsizetype files = selectedCount();
    const QString full = label.contains(u',')
        ? label
        : label + (files == 1 ? QStringLiteral(", 1 file") : QStringLiteral(", %L1 files").arg(files));
    {
        const Journal::Batch batch(full);
        if (const Result<void> ready = batch.ready(); !ready) {
            Messages::error(QStringLiteral("The undo history could not be written to ") + ready.failure().path
                + QStringLiteral(" (") + ready.failure().reason
                + QStringLiteral("), so no file was changed. Turn off Options > Keep Undo History to change files "
                                 "without it."));
            return false;
        }
        command();
    }
    refreshUndo();
    return true;
}

void Form1::refreshUndo()
{
    const bool keeping = Journal::settings().enabled;
    const std::optional<Journal::BatchSummary> undoable = keeping ? Journal::newestUndoable() : std::nullopt;
    const std::optional<Journal::BatchSummary> redoable = keeping ? Journal::newestRedoable() : std::nullopt;
    // The label is the user's own words (a file name): an ampersand in it is shown, not an access key.
    const auto caption = [](const QString& verb, const std::optional<Journal::BatchSummary>& batch) {
        return batch ? verb + u' ' + QString(batch->label).replace(u'&', QStringLiteral("&&")) : verb;
    };
    m_undo->setText(caption(QStringLiteral("&Undo"), undoable));
    m_undo->setEnabled(undoable.has_value());
    m_redo->setText(caption(QStringLiteral("&Redo"), redoable));
    m_redo->setEnabled(redoable.has_value());
}

void Form1::revert(quint64 id, bool redo)
{
    Result<Journal::Outcome> outcome = Journal::Outcome();
    {
        const BusyPointer busy;
        const FrozenPainting frozen(m_playlist);
        outcome = redo ? Journal::redo(id) : Journal::undo(id);
        if (outcome)
            RowCommands::followFiles(m_model, outcome->renamed, outcome->changed);
    }
    refreshUndo();
    updateStatus();
    if (!outcome) {
        Messages::error(outcome.failure().reason + u'.');
        return;
    }
    m_status->setText(QStringLiteral("%1: %2 files put back")
                          .arg(redo ? QStringLiteral("Redone") : QStringLiteral("Undone"))
                          .arg(outcome->restored));
    if (!outcome->refused.isEmpty())
        Messages::error(
            QStringLiteral("These files were left as they are:\r\n") + outcome->refused.join(QStringLiteral("\r\n")));
}

void Form1::showHistory()
{
    HistoryDialog dialog(
        [this](quint64 id, bool redo) {
            if (redo) {
                revert(id, true);
                return;
            }
            for (const quint64 batch : Journal::undoneBackTo(id))
                revert(batch, false);
        },
        this);
    dialog.exec();
    returnToList();
}

void Form1::chooseUndoHistoryLimit()
{
    Journal::Settings journal = WindowSettings::undoHistory();
    bool ok = false;
    const int batches = QInputDialog::getInt(this, QStringLiteral("Undo History Limit"),
        QStringLiteral("Keep the newest batches of changes:"), journal.maxBatches, 1, 100000, 1, &ok);
    if (!ok)
        return;
    const int mebibytes = QInputDialog::getInt(this, QStringLiteral("Undo History Limit"),
        QStringLiteral("Keep no more than this many MiB:"), int(std::min<qint64>(journal.maxBytes >> 20, 1 << 20)), 1,
        1 << 20, 64, &ok);
    if (!ok)
        return;
    journal.maxBatches = batches;
    journal.maxBytes = qint64(mebibytes) << 20;
    WindowSettings::setUndoHistory(journal);
    Journal::configure(journal);
}

void Form1::recoverUndoHistory()
{
    const Journal::Recovery recovery = Journal::recover();
    if (recovery.batches == 0)
        return;
    QString text = recovery.batches == 1
        ? QStringLiteral(
            "A batch of changes was cut short when Sondrel last ended; Edit > History... shows it as interrupted.")
        : QStringLiteral("%1 batches of changes were cut short when Sondrel last ended; Edit > History... shows them "
                         "as interrupted.")
              .arg(recovery.batches);
    if (!recovery.repaired.isEmpty())
        text += QStringLiteral("\r\n%1 files whose change was cut short were put back as they were, %2 the first.")
                    .arg(recovery.repaired.size())
                    .arg(recovery.repaired.first());
    for (const QString& problem : recovery.problems)
        text += QStringLiteral("\r\n") + problem;
    Messages::inform(text);
}
