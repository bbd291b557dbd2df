#include "ui/SearchFolders.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/PreviewLayout.h"

SearchFolders::SearchFolders(const QStringList& folders, qsizetype missingCount, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("SearchFolders"));
    setWindowTitle(QStringLiteral("Find Missing Files"));
    auto* text = new QLabel(
        PreviewLayout::count(missingCount, "row names a file that is missing.", "rows name files that are missing.")
            + QStringLiteral(" Look for them in these folders and the folders below them:"),
        this);
    text->setWordWrap(true);
    m_list->setObjectName(QStringLiteral("searchFolders"));
    for (const QString& folder : folders)
        addFolder(folder);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* search = buttons->addButton(QStringLiteral("&Search"), QDialogButtonBox::AcceptRole);
    search->setObjectName(QStringLiteral("searchButton"));
    search->setDefault(true);
    QPushButton* add = buttons->addButton(QStringLiteral("&Add Folder..."), QDialogButtonBox::ActionRole);
    add->setObjectName(QStringLiteral("addFolderButton"));
    QPushButton* remove = buttons->addButton(QStringLiteral("&Remove"), QDialogButtonBox::ActionRole);
    remove->setObjectName(QStringLiteral("removeFolderButton"));
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Add a Folder to Search"));
        if (!folder.isEmpty())
            addFolder(folder);
    });
    connect(remove, &QPushButton::clicked, this, [this] { delete m_list->currentItem(); });
    // Nothing to search in: nothing to start.
    const auto updateSearch = [this, search] { search->setEnabled(m_list->count() > 0); };
    connect(m_list->model(), &QAbstractItemModel::rowsInserted, this, updateSearch);
    connect(m_list->model(), &QAbstractItemModel::rowsRemoved, this, updateSearch);
    updateSearch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(560, 300);
}

void SearchFolders::addFolder(const QString& folder)
{
    if (m_list->findItems(folder, Qt::MatchExactly).isEmpty())
        m_list->addItem(folder);
    m_list->setCurrentRow(m_list->count() - 1);
}

QStringList SearchFolders::folders() const
{
    QStringList folders;
    for (int i = 0; i < m_list->count(); ++i)
        folders.append(m_list->item(i)->text());
    return folders;
}
