#include "ui/ImportFiles.h"

#include <algorithm>

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

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

// The name filters of a pattern: parts separated by ";" or spaces. "*.*" means every file, with a
// dot or without one; an empty pattern gives no filters (and lists nothing).
QStringList nameFiltersOf(const QString& pattern)
{
    static const QRegularExpression separators(u"[;\\s]+"_s);
    QStringList filters = pattern.split(separators, Qt::SkipEmptyParts);
    for (QString& filter : filters) {
        if (filter == u"*.*")
            filter = u"*"_s;
    }
    return filters;
}

} // namespace

ImportFiles::ImportFiles(QWidget* parent)
    : QDialog(parent),
      m_drives(new QComboBox(this)),
      m_folders(new QTreeView(this)),
      m_folderModel(new QFileSystemModel(this)),
      m_pattern(new QLineEdit(u"*.mp3"_s, this)),
      m_files(new QListWidget(this))
{
    setWindowTitle(u"Import Files"_s);

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

    auto* patternLabel = new QLabel(u"Pattern:"_s, this);
    patternLabel->setObjectName(u"Label1"_s);
    patternLabel->setBuddy(m_pattern);
    m_pattern->setObjectName(u"Text1"_s);

    m_files->setObjectName(u"File1"_s);
    m_files->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto* importButton = new QPushButton(u"Import"_s, this);
    importButton->setObjectName(u"Command1"_s);
    importButton->setDefault(true);
    auto* cancelButton = new QPushButton(u"Cancel"_s, this);
    cancelButton->setObjectName(u"Command2"_s);

    auto* patternRow = new QHBoxLayout;
    patternRow->addWidget(patternLabel);
    patternRow->addWidget(m_pattern);
    // Volumes and folders on the left, the pattern and the files on the right; Import below the
    // left column, Cancel below the right.
    auto* columns = new QGridLayout;
    columns->addWidget(m_drives, 0, 0);
    columns->addLayout(patternRow, 0, 1);
    columns->addWidget(m_folders, 1, 0);
    columns->addWidget(m_files, 1, 1);
    for (QWidget* list : {static_cast<QWidget*>(m_folders), static_cast<QWidget*>(m_files)})
        list->setMinimumSize(300, 320);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(importButton);
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_drives, &QComboBox::activated, this, [this](int index) { openVolume(m_drives->itemText(index)); });
    connect(m_folders, &QTreeView::activated, this, &ImportFiles::openFolderAt);
    connect(m_folders, &QTreeView::clicked, this, &ImportFiles::openFolderAt);
    // The model reads and sorts folders in the background, which moves the rows: after each sort the
    // open folder is brought back into sight, until the user scrolls or unfolds the list.
    connect(m_folderModel, &QFileSystemModel::layoutChanged, this, &ImportFiles::showOpenFolder);
    connect(m_folders, &QTreeView::expanded, this, [this] { m_followOpenFolder = false; });
    connect(m_folders, &QTreeView::collapsed, this, [this] { m_followOpenFolder = false; });
    connect(m_folders->verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { m_followOpenFolder = false; });
    connect(m_pattern, &QLineEdit::textChanged, this, &ImportFiles::fillFileList);
    connect(importButton, &QPushButton::clicked, this, &ImportFiles::importChosen);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // Cancel, Escape and the close box all end in reject().
    connect(this, &QDialog::rejected, this, [this] { m_chosenFiles.clear(); });

    openFolder(QDir::currentPath());
}

void ImportFiles::openFolder(const QString& folder)
{
    const QDir dir(folder);
    if (!dir.exists() || !dir.isReadable())
        return;
    m_folder = dir.absolutePath();
    QDir::setCurrent(m_folder);
    // The volume and the folder list go by the real path, the chosen files by the path as opened.
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
    fillFileList();
}

void ImportFiles::showOpenFolder()
{
    if (!m_followOpenFolder)
        return;
    const QSignalBlocker quiet(m_folders); // the folders scrollTo unfolds are not the user's doing
    m_folders->scrollTo(m_folders->currentIndex());
}

void ImportFiles::openFolderAt(const QModelIndex& index)
{
    if (index.isValid())
        openFolder(m_folderModel->filePath(index));
}

void ImportFiles::openVolume(const QString& root)
{
    const QDir dir(root);
    if (dir.exists() && dir.isReadable())
        openFolder(root);
    else
        showVolumeOf(QDir(m_folder).canonicalPath()); // the list keeps the volume of the open folder
}

void ImportFiles::showVolumeOf(const QString& folder)
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

void ImportFiles::fillFileList()
{
    m_files->clear();
    const QStringList filters = nameFiltersOf(m_pattern->text());
    if (filters.isEmpty() || m_folder.isEmpty())
        return;
    // Without QDir::CaseSensitive the patterns match either case: "*.mp3" lists "B.MP3" too.
    m_files->addItems(QDir(m_folder).entryList(filters, QDir::Files, QDir::Name));
}

void ImportFiles::importChosen()
{
    const QString prefix = m_folder.endsWith(u'/') ? m_folder : m_folder + u'/';
    m_chosenFiles.clear();
    for (int row = 0; row < m_files->count(); ++row) {
        if (m_files->item(row)->isSelected())
            m_chosenFiles.append(prefix + m_files->item(row)->text());
    }
    accept();
}
