#include "ui/FolderPicker.h"

#include <algorithm>

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

const QString kRoot = u"/"_s;

// The root paths of the mounted volumes that are valid and ready, "/" first and the rest by name.
// The root is always there, even where the system lists no volumes (in a container, say).
QStringList volumeRoots()
{
    QStringList roots = {kRoot};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots.append(volume.rootPath());
    }
    std::sort(roots.begin(), roots.end(), [](const QString& a, const QString& b) {
        if ((a == kRoot) != (b == kRoot))
            return a == kRoot;
        return a < b;
    });
    return roots;
}

} // namespace

FolderPicker::FolderPicker(QWidget* parent)
    : QObject(parent),
      m_drives(new QComboBox(parent)),
      m_folders(new QTreeView(parent)),
      m_folderModel(new QFileSystemModel(this))
{
    m_drives->setObjectName(u"Drive1"_s);
    m_drives->addItems(volumeRoots());

    // Folders only: hidden ones, "." and ".." are left out because QDir::Hidden is not asked for.
    m_folderModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setObjectName(u"Dir1"_s);
    m_folders->setModel(m_folderModel);
    m_folders->setHeaderHidden(true);
    m_folders->setSortingEnabled(true);
    m_folders->sortByColumn(0, Qt::AscendingOrder);
    for (int column = 1; column < m_folderModel->columnCount(); ++column)
        m_folders->setColumnHidden(column, true);

    connect(m_drives, &QComboBox::activated, this, [this](int index) { openVolume(m_drives->itemText(index)); });
    connect(m_folders, &QTreeView::activated, this, &FolderPicker::openFolderAt);
    connect(m_folders, &QTreeView::clicked, this, &FolderPicker::openFolderAt);
    connect(m_folders->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& index) {
        if (index.isValid())
            Q_EMIT folderHighlighted(m_folderModel->filePath(index));
    });
    m_folders->installEventFilter(this);
    // The model reads and sorts folders in the background, which moves the rows: after each sort the
    // open folder is brought back into sight, until the user scrolls or unfolds the list.
    connect(m_folderModel, &QFileSystemModel::layoutChanged, this, &FolderPicker::showOpenFolder);
    connect(m_folders, &QTreeView::expanded, this, [this] { m_followOpenFolder = false; });
    connect(m_folders, &QTreeView::collapsed, this, [this] { m_followOpenFolder = false; });
    connect(m_folders->verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { m_followOpenFolder = false; });
}

void FolderPicker::openFolder(const QString& folder)
{
    const QDir dir(folder);
    if (!dir.exists() || !dir.isReadable())
        return;
    m_folder = dir.absolutePath();
    QDir::setCurrent(m_folder);
    // The volume and the folder list go by the real path, the folder handed out by the path as opened.
    const QString realPath = dir.canonicalPath();
    showVolumeOf(realPath);
    {
        const QSignalBlocker quiet(m_folders);
        m_folders->collapseAll();
        const QModelIndex index = m_folderModel->index(realPath);
        m_folders->expand(index);
        m_folders->setCurrentIndex(index);
    }
    m_followOpenFolder = true;
    showOpenFolder();
    Q_EMIT folderOpened(m_folder);
}

void FolderPicker::showOpenFolder()
{
    if (!m_followOpenFolder)
        return;
    const QSignalBlocker quiet(m_folders); // the folders scrollTo unfolds are not the user's doing
    m_folders->scrollTo(m_folders->currentIndex());
}

// A folder opened from the list unfolds where it is: collapsing the rest, or scrolling to it,
// would move the rows under the pointer between the press and the next click.
void FolderPicker::openFolderAt(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const QString path = m_folderModel->filePath(index);
    const QDir dir(path);
    if (!dir.exists() || !dir.isReadable())
        return;
    m_folder = dir.absolutePath();
    QDir::setCurrent(m_folder);
    m_followOpenFolder = false;
    m_folders->expand(index);
    Q_EMIT folderOpened(m_folder);
}

QString FolderPicker::highlightedFolder() const
{
    const QModelIndex index = m_folders->currentIndex();
    return index.isValid() ? m_folderModel->filePath(index) : m_folder;
}

void FolderPicker::highlightFolder(const QString& folder)
{
    const QModelIndex index = m_folderModel->index(folder);
    if (!index.isValid())
        return;
    m_folders->setCurrentIndex(index);
    m_followOpenFolder = true;
    showOpenFolder();
}

bool FolderPicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_folders && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_folders->currentIndex().isValid()) {
            openFolderAt(m_folders->currentIndex());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void FolderPicker::openVolume(const QString& root)
{
    const QDir dir(root);
    if (dir.exists() && dir.isReadable())
        openFolder(root);
    else
        showVolumeOf(QDir(m_folder).canonicalPath()); // the list keeps the volume of the open folder
}

void FolderPicker::showVolumeOf(const QString& folder)
{
    const QString root = QStorageInfo(folder).rootPath();
    int entry = m_drives->findText(root, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (entry < 0 && !root.isEmpty()) {
        m_drives->addItem(root);
        entry = m_drives->count() - 1;
    }
    m_drives->setCurrentIndex(entry);
    if (m_folderModel->rootPath() != root) {
        m_folderModel->setRootPath(root);
        m_folders->setRootIndex(m_folderModel->index(root));
    }
}
