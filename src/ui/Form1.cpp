#include "ui/Form1.h"

#include <chrono>

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include "base/Messages.h"
#include "base/PathTools.h"
#include "base/ProgramFolder.h"
#include "playlist/Importing.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/RowCommands.h"
#include "playlist/TagReading.h"
#include "playlist/TagRemoval.h"
#include "ui/ChooseFolder.h"
#include "ui/CopyProgress.h"
#include "ui/FormatString.h"
#include "ui/HelpWindow.h"
#include "ui/ImportFiles.h"
#include "ui/RenamePreview.h"
#include "ui/RetagPreview.h"
#include "ui/TagEditor.h"
#include "ui/UpDownControl.h"

using namespace std::chrono_literals;

namespace {

// The columns' widths in twips, as the list was designed; 15 twips are a pixel at 96 dpi.
constexpr int kColumnTwips[PlaylistColumnCount] = {3969, 3969, 3969, 3175, 1587};
constexpr int kMarginTwips = 120;
// A tick reads for about this long, so the window answers between ticks: with the repaint that
// follows a tick it stays under 20 ms even in a large window.
constexpr auto kTickBudget = 8ms;

int pixelsOf(int twips, const QWidget* widget)
{
    return twips * widget->logicalDpiX() / (15 * 96);
}

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
      m_playlist(new QTreeView(this)),
      m_upDown(new UpDownControl(this)),
      m_timer(new QTimer(this)),
      m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Sondrel"));

    m_playlist->setObjectName(QStringLiteral("Playlist"));
    m_playlist->setModel(&m_model);
    m_playlist->setSelectionModel(m_model.selectionModel());
    m_playlist->setRootIsDecorated(false);
    m_playlist->setUniformRowHeights(true);
    m_playlist->setItemsExpandable(false);
    m_playlist->setAllColumnsShowFocus(true);
    m_playlist->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_playlist->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_playlist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_playlist->setTextElideMode(Qt::ElideMiddle); // a long path keeps its file name in view
    m_playlist->setItemDelegate(new RowIconDelegate(m_icons, m_playlist));
    m_playlist->header()->setSectionsClickable(true);
    m_playlist->header()->setSortIndicatorShown(false);
    for (int column = 0; column < PlaylistColumnCount; ++column)
        m_playlist->setColumnWidth(column, pixelsOf(kColumnTwips[column], this));
    connect(m_playlist->header(), &QHeaderView::sectionClicked, this, &Form1::sortByColumn);
    connect(m_playlist, &QTreeView::doubleClicked, this, &Form1::openTagEditor);

    m_upDown->setObjectName(QStringLiteral("UpDown1"));
    connect(m_upDown, &UpDownControl::upPressed, this, [this] { moveRows(true); });
    connect(m_upDown, &UpDownControl::downPressed, this, [this] { moveRows(false); });

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    const int margin = pixelsOf(kMarginTwips, this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->addWidget(m_playlist, 1);
    layout->addWidget(m_upDown);
    setCentralWidget(central);

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

    buildMenus();
    resize(1100, 650);
    updateStatus();
    updateTitle();
}

Form1::~Form1() = default;

QAction* Form1::addCommand(
    QMenu* menu, const char* name, const QString& caption, void (Form1::*handler)(), const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    else
        action->setEnabled(false); // a command the window does not offer yet
    return action;
}

void Form1::addSeparator(QMenu* menu)
{
    menu->addSeparator()->setObjectName(QStringLiteral("mnuSep%1").arg(++m_separators));
}

void Form1::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    addCommand(
        file, "mnuNewPlaylist", QStringLiteral("&New Playlist"), &Form1::newPlaylistChosen, Qt::CTRL | Qt::Key_N);
    addSeparator(file);
    addCommand(
        file, "mnuOpenPlaylist", QStringLiteral("&Open Playlist..."), &Form1::openPlaylistChosen, Qt::CTRL | Qt::Key_O);
    addCommand(file, "mnuSavePlaylist", QStringLiteral("&Save Playlist"), &Form1::saveChosen, Qt::CTRL | Qt::Key_S);
    addCommand(file, "mnuSavePlaylistAs", QStringLiteral("Save Playlist &As..."), &Form1::saveAsChosen);
    addSeparator(file);
    addCommand(file, "mnuImportFiles", QStringLiteral("Import &Files..."), &Form1::importFiles);
    addCommand(file, "mnuImportMissingFiles", QStringLiteral("Import &Missing Files..."), &Form1::importMissingFiles);
    addCommand(file, "mnuImportPlaylist", QStringLiteral("Import &Playlist..."), &Form1::importPlaylist);
    addSeparator(file);
    addCommand(file, "mnuExit", QStringLiteral("E&xit"), &Form1::exitProgram);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    addCommand(edit, "mnuSelectAll", QStringLiteral("Select &All"), &Form1::selectAll, Qt::CTRL | Qt::Key_A);
    addCommand(
        edit, "mnuSelectInverse", QStringLiteral("Select &Inverse"), &Form1::selectInverse, Qt::CTRL | Qt::Key_I);
    addCommand(edit, "mnuSelectNone", QStringLiteral("Select &None"), &Form1::selectNone, Qt::CTRL | Qt::Key_D);
    addCommand(edit, "mnuDeleteSelected", QStringLiteral("&Delete Selected"), &Form1::deleteSelected, Qt::Key_Delete);

    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("mnuOptions"));
    m_autoReadTags = addCommand(options, "mnuAutoReadTags", QStringLiteral("&Auto-Read Tags"), nullptr);
    m_autoReadTags->setEnabled(true);
    m_autoReadTags->setCheckable(true);
    m_autoReadTags->setChecked(true);
    addCommand(options, "mnuReadTagsNow", QStringLiteral("&Read Tags Now"), &Form1::readTagsNow);
    addCommand(options, "mnuStopReadingTags", QStringLiteral("&Stop Reading Tags"), &Form1::stopReadingTags);

    QMenu* actions = menuBar()->addMenu(QStringLiteral("&Actions"));
    actions->setObjectName(QStringLiteral("mnuActions"));
    addCommand(actions, "mnuTagEqualsFileName", QStringLiteral("Tag = File Name..."), &Form1::tagEqualsFileName);
    addCommand(actions, "mnuFileNameEqualsTag", QStringLiteral("File Name = Tag..."), &Form1::fileNameEqualsTag);
    addSeparator(actions);
    addCommand(actions, "mnuTagEqualsTitle", QStringLiteral("Tag = Title..."), &Form1::tagEqualsTitle);
    addCommand(actions, "mnuTitleEqualsTag", QStringLiteral("Title = Tag..."), &Form1::titleEqualsTag);
    addSeparator(actions);
    addCommand(actions, "mnuFileNameEqualsTitle", QStringLiteral("File Name = Title..."), &Form1::fileNameEqualsTitle);
    addCommand(actions, "mnuTitleEqualsFileName", QStringLiteral("Title = File Name..."), &Form1::titleEqualsFileName);
    addSeparator(actions);
    addCommand(actions, "mnuRemoveID3v1Tags", QStringLiteral("Remove ID3v1 Tags..."), &Form1::removeId3v1Tags);
    addCommand(actions, "mnuRemoveID3v2Tags", QStringLiteral("Remove ID3v2 Tags..."), &Form1::removeId3v2Tags);
    addSeparator(actions);
    addCommand(actions, "mnuKeepMissingFilesSelected", QStringLiteral("Keep Missing Files Selected"),
        &Form1::keepMissingFilesSelected);
    addSeparator(actions);
    addCommand(actions, "mnuCopyFiles", QStringLiteral("Copy Files..."), &Form1::copyFiles);
    addSeparator(actions);
    addCommand(actions, "mnuKeepDuplicatesSelectedByFileName",
        QStringLiteral("Keep Duplicates Selected (by File Name)"), &Form1::keepDuplicatesByFileName);
    addCommand(actions, "mnuKeepDuplicatesSelectedByTitle", QStringLiteral("Keep Duplicates Selected (by Title)"),
        &Form1::keepDuplicatesByTitle);
    addCommand(actions, "mnuKeepDuplicatesSelectedByQuickTag", QStringLiteral("Keep Duplicates Selected (by QuickTag)"),
        &Form1::keepDuplicatesByQuickTag);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    addCommand(help, "mnuContents", QStringLiteral("&Contents..."), &Form1::showContents, Qt::Key_F1);
    addSeparator(help);
    addCommand(help, "mnuAboutTagEditor", QStringLiteral("&About Sondrel..."), &Form1::showAbout);
}

void Form1::newPlaylistChosen()
{
    if (settleUnsavedChanges())
        newPlaylist();
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
    resetReadingCount();
    turnSortingOff();
}

void Form1::exitProgram()
{
    close();
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
    if (loadPlaylist(path))
        m_document.setSaved(path);
    else // rows of a file that broke off are saved nowhere yet: the window keeps them, marked modified
        m_document.setModified(m_model.size() > 0);
}

void Form1::openPlaylistChosen()
{
    if (!settleUnsavedChanges())
        return;
    if (const auto path = choosePlaylist(QStringLiteral("Open a Playlist"), false))
        openPlaylist(*path);
}

void Form1::importPlaylist()
{
    // The rows join the open playlist; the file Save writes to stays the playlist's own.
    if (const auto path = choosePlaylist(QStringLiteral("Import a Playlist"), false))
        loadPlaylist(*path);
}

void Form1::saveChosen()
{
    savePlaylist();
}

void Form1::saveAsChosen()
{
    savePlaylistAs();
}

bool Form1::savePlaylist()
{
    if (m_document.fileName().isEmpty())
        return savePlaylistAs();
    if (!PlaylistFiles::savePlaylist(m_model, m_document.fileName()))
        return false;
    m_document.setSaved(m_document.fileName());
    return true;
}

bool Form1::savePlaylistAs()
{
    const auto path = choosePlaylist(QStringLiteral("Save Playlist As"), true);
    if (!path || !PlaylistFiles::savePlaylist(m_model, *path))
        return false;
    m_document.setSaved(*path);
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
    const QString filters = QStringLiteral("M3U Playlists (*.m3u);;PLS Playlists (*.pls);;All Files (*)");
    const QString& fileName = m_document.fileName();
    const QString start = forSaving && !fileName.isEmpty() ? fileName : m_dialogFileName;
    const QString path = forSaving ? QFileDialog::getSaveFileName(this, title, start, filters)
                                   : QFileDialog::getOpenFileName(this, title, start, filters);
    returnToList();
    if (path.isEmpty())
        return std::nullopt;
    m_dialogFileName = path;
    return path;
}

Result<void> Form1::loadPlaylist(const QString& path)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_playlist->setUpdatesEnabled(false);
    Result<void> result = PlaylistFiles::loadPlaylist(m_model, path, m_readIterator);
    m_playlist->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
    // A playlist that broke off ends the command there; an invalid one still starts reading.
    if (result || result.failure().kind == Failure::Kind::Unrecognized)
        startReadingIfAutomatic();
    return result;
}

void Form1::importFiles()
{
    chooseFilesAndImport(false);
}

void Form1::importMissingFiles()
{
    chooseFilesAndImport(true);
}

void Form1::chooseFilesAndImport(bool missingOnly)
{
    ImportFiles dialog(this);
    waitFor(dialog);
    importChosenFiles(dialog.ChosenFiles(), missingOnly);
    returnToList();
}

void Form1::importChosenFiles(const QStringList& files, bool missingOnly)
{
    if (files.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ::importFiles(m_model, files, missingOnly, m_readIterator);
    QApplication::restoreOverrideCursor();
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
    Messages::current().show(QStringLiteral("Sondrel %1\r\nA playlist editor and MP3 tagger.\r\nHelp: %2")
                                 .arg(QCoreApplication::applicationVersion(), helpPage()),
        QStringLiteral("About: Sondrel"), Messages::Icon::Information, Messages::Buttons::Ok);
}

void Form1::selectAll()
{
    RowCommands::selectAll(m_model);
}

void Form1::selectInverse()
{
    RowCommands::selectInverse(m_model);
}

void Form1::selectNone()
{
    RowCommands::selectNone(m_model);
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
        resetReadingCount();
        startReadingIfAutomatic();
        break;
    case RowCommands::AfterDelete::ReaderKept: break;
    }
    updateStatus();
}

void Form1::keepMissingFilesSelected()
{
    RowCommands::keepMissingFilesSelected(m_model);
}

void Form1::keepDuplicatesByFileName()
{
    RowCommands::keepDuplicatesSelected(m_model, FileNameColumn);
}

void Form1::keepDuplicatesByTitle()
{
    RowCommands::keepDuplicatesSelected(m_model, TitleColumn);
}

void Form1::keepDuplicatesByQuickTag()
{
    RowCommands::keepDuplicatesSelected(m_model, QuickTagColumn);
}

void Form1::readTagsNow()
{
    m_timer->start();
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
    const TickResult tick = readTagsTick(m_model, m_readIterator, kTickBudget, [&](qsizetype readSoFar) {
        m_readCount = readBefore + readSoFar; // the status keeps up with the rows while a message waits
        updateStatus();
    });
    m_inTick = false;
    m_readCount = readBefore + tick.read;
    if (!tick.keepGoing)
        m_timer->stop();
    updateStatus();
}

void Form1::resetReadingCount()
{
    m_readCount = 0;
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
    // The selected item: the current row when it is selected, otherwise the first selected row.
    int row = m_playlist->currentIndex().row();
    if (row < 0 || !selection.isRowSelected(row)) {
        row = int(m_model.size());
        for (const QItemSelectionRange& range : selection.selection())
            row = std::min(row, range.top());
    }
    TagEditor dialog(m_model.findItem(row), m_model, this);
    waitFor(dialog);
    returnToList();
}

bool Form1::waitFor(QDialog& dialog, const QString& instruction, const QString& instructionTitle)
{
    // The dialog is modeless; the window takes no commands while it waits for the dialog's answer.
    // (Disabling the window itself would disable the dialog, its child, too.)
    setCommandsEnabled(false);
    QEventLoop waiting;
    connect(&dialog, &QDialog::finished, &waiting, &QEventLoop::quit);
    dialog.show();
    if (!instruction.isEmpty())
        Messages::current().show(instruction, instructionTitle, Messages::Icon::None, Messages::Buttons::Ok);
    if (dialog.isVisible())
        waiting.exec();
    setCommandsEnabled(true);
    return dialog.result() == QDialog::Accepted;
}

std::optional<Form1::ChosenFormatAnswer> Form1::chooseFormat(
    bool fullPathDisabled, const QString& instruction, const QString& instructionTitle)
{
    FormatString dialog(fullPathDisabled, this);
    waitFor(dialog, instruction, instructionTitle);
    if (dialog.ChosenFormat().isEmpty())
        return std::nullopt;
    return ChosenFormatAnswer{dialog.ChosenFormat(), dialog.UseFullPath()};
}

RetagCommands::Rows Form1::selectedPositions() const
{
    RetagCommands::Rows rows;
    const std::vector<bool> selected = RowCommands::selectedRows(m_model);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        if (selected[i])
            rows.push_back(qsizetype(i));
    }
    return rows;
}

void Form1::changeRows(const std::function<void()>& work)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_playlist->setUpdatesEnabled(false);
    work();
    m_playlist->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
    returnToList();
}

bool Form1::confirmRename()
{
    return Messages::current().show(QStringLiteral("This will rename all selected files to match the format string "
                                                   "you provide.  Are you sure you want to do this?"),
               QStringLiteral("Confirm Rename"), Messages::Icon::Question, Messages::Buttons::YesNo)
        == Messages::Answer::Yes;
}

bool Form1::previewRenames(const std::vector<RetagCommands::PlannedRename>& plans)
{
    RenamePreview preview(plans, this);
    return waitFor(preview);
}

void Form1::retagRows(const std::function<std::vector<RetagCommands::PlannedRetag>()>& plan)
{
    std::vector<RetagCommands::PlannedRetag> plans;
    changeRows([&] { plans = plan(); });
    RetagPreview preview(plans, this);
    if (waitFor(preview))
        changeRows([&] { RetagCommands::retagAsPlanned(m_model, plans); });
}

void Form1::tagEqualsFileName()
{
    if (const auto chosen = chooseFormat(false)) {
        retagRows([&] {
            return RetagCommands::planTagFromFileName(
                m_model, selectedPositions(), chosen->format, chosen->useFullPath);
        });
    }
    returnToList();
}

void Form1::tagEqualsTitle()
{
    if (const auto chosen = chooseFormat(true))
        retagRows([&] { return RetagCommands::planTagFromTitle(m_model, selectedPositions(), chosen->format); });
    returnToList();
}

void Form1::titleEqualsTag()
{
    if (const auto chosen = chooseFormat(true))
        changeRows([&] { RetagCommands::titleFromTag(m_model, selectedPositions(), chosen->format); });
    returnToList();
}

void Form1::titleEqualsFileName()
{
    const QString title = QStringLiteral("Set Title = File Name");
    const auto separating
        = chooseFormat(false, QStringLiteral("Choose a format string for separating the file name."), title);
    const auto recombining = separating
        ? chooseFormat(true, QStringLiteral("Choose a format string for recombining the title."), title)
        : std::nullopt;
    if (recombining) {
        changeRows([&] {
            RetagCommands::titleFromFileName(
                m_model, selectedPositions(), separating->format, separating->useFullPath, recombining->format);
        });
    }
    returnToList();
}

void Form1::fileNameEqualsTag()
{
    if (!confirmRename())
        return;
    if (const auto chosen = chooseFormat(false)) {
        // Planned once: what the preview shows is what is carried out, and planning's messages
        // are not shown again.
        std::vector<RetagCommands::PlannedRename> plans;
        changeRows([&] {
            plans
                = RetagCommands::planFileNameFromTag(m_model, selectedPositions(), chosen->format, chosen->useFullPath);
        });
        if (previewRenames(plans))
            changeRows([&] { RetagCommands::renameAsPlanned(m_model, plans); });
    }
    returnToList();
}

void Form1::fileNameEqualsTitle()
{
    if (!confirmRename())
        return;
    const QString title = QStringLiteral("Set File Name = Title");
    const auto separating
        = chooseFormat(true, QStringLiteral("Choose a format string for separating the title."), title);
    const auto recombining = separating
        ? chooseFormat(false, QStringLiteral("Choose a format string for recombining the file name."), title)
        : std::nullopt;
    if (recombining) {
        std::vector<RetagCommands::PlannedRename> plans;
        changeRows([&] {
            plans = RetagCommands::planFileNameFromTitle(
                m_model, selectedPositions(), separating->format, recombining->format, recombining->useFullPath);
        });
        if (previewRenames(plans))
            changeRows([&] { RetagCommands::renameAsPlanned(m_model, plans); });
    }
    returnToList();
}

void Form1::removeId3v1Tags()
{
    removeTagsOfSelection(TagKind::Id3v1, QStringLiteral("ID3v1"));
}

void Form1::removeId3v2Tags()
{
    removeTagsOfSelection(TagKind::Id3v2, QStringLiteral("ID3v2"));
}

void Form1::removeTagsOfSelection(TagKind kind, const QString& name)
{
    const QString question = QStringLiteral("This will permanently remove the ") + name
        + QStringLiteral(" tags from all selected files.  Are you sure you want to do this?");
    if (Messages::current().show(
            question, QStringLiteral("Remove Tags?"), Messages::Icon::Exclamation, Messages::Buttons::YesNo)
        != Messages::Answer::Yes)
        return;
    std::vector<std::shared_ptr<MP3Node>> entries;
    for (const qsizetype row : selectedPositions())
        entries.push_back(m_model.findItem(row));
    // The pass lets events run between files; commands that add or remove rows wait until it ends,
    // so the rows it was given stay the rows it works on.
    const std::vector<QAction*> paused = pauseRowCommands();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_playlist->setUpdatesEnabled(false);
    removeTags(m_model, entries, kind, [&](qsizetype done, const MP3Node& entry) {
        setWindowTitle(QStringLiteral("Sondrel - Removing Tag From \"") + entry.file() + u'"');
        m_status->setText(QStringLiteral("Removing tags: %1 of %2").arg(done + 1).arg(entries.size()));
        QCoreApplication::processEvents();
    });
    updateTitle();
    m_playlist->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
    for (QAction* action : paused)
        action->setEnabled(true);
    updateStatus();
    Messages::current().beep();
}

void Form1::copyFiles()
{
    ChooseFolder chooser(this);
    if (waitFor(chooser) && !chooser.DestinationFolder().isEmpty()) {
        // The pass lets events run between files; the window takes no commands until it ends.
        const std::vector<QAction*> paused = pauseRowCommands();
        setCommandsEnabled(false);
        CopyProgress progress(this);
        progress.CopyFiles(m_model, true, chooser.DestinationFolder(), chooser.DeleteOriginalsChosen());
        setCommandsEnabled(true);
        for (QAction* action : paused)
            action->setEnabled(true);
        updateStatus();
    }
    returnToList();
}

std::vector<QAction*> Form1::pauseRowCommands()
{
    std::vector<QAction*> paused;
    const auto pause = [&](QAction* action) {
        if (action && action->isEnabled()) {
            action->setEnabled(false);
            paused.push_back(action);
        }
    };
    for (const char* name : {"mnuNewPlaylist", "mnuOpenPlaylist", "mnuImportFiles", "mnuImportMissingFiles",
             "mnuImportPlaylist", "mnuDeleteSelected"})
        pause(findChild<QAction*>(QString::fromLatin1(name)));
    for (QAction* action : findChild<QMenu*>(QStringLiteral("mnuActions"))->actions())
        pause(action);
    return paused;
}

void Form1::returnToList()
{
    activateWindow();
    m_playlist->setFocus();
}

void Form1::setCommandsEnabled(bool enabled)
{
    centralWidget()->setEnabled(enabled);
    menuBar()->setEnabled(enabled);
}

void Form1::updateStatus()
{
    const qsizetype rows = m_model.size();
    qsizetype selected = 0;
    for (const QItemSelectionRange& range : m_model.selectionModel()->selection())
        selected += range.height();
    QString text = tr("%n rows", nullptr, int(rows)) + QStringLiteral(", ") + tr("%n selected", nullptr, int(selected));
    if (m_timer->isActive())
        text += QStringLiteral("    Reading tags: %1 of %2")
                    .arg(std::min(m_readCount, m_model.nodeList().size()))
                    .arg(m_model.nodeList().size());
    m_status->setText(text);
}
