#include "ui/ChooseFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include "playlist/Copying.h"
#include "ui/FolderPicker.h"
#include "ui/WindowSettings.h"

using namespace Qt::StringLiterals;

ChooseFolder::ChooseFolder(QWidget* parent, PlaylistKind usualKind)
    : QDialog(parent),
      m_picker(new FolderPicker(this)),
      m_path(new QLineEdit(this)),
      m_deleteOriginalsBox(new QCheckBox(u"Delete Originals"_s, this)),
      m_writePlaylistBox(new QCheckBox(u"Also write a playlist there"_s, this)),
      m_playlistFormat(new QComboBox(this))
{
    setWindowTitle(u"Choose a Destination Folder"_s);

    auto* okButton = new QPushButton(u"OK"_s, this);
    okButton->setObjectName(u"OKButton"_s);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(u"Cancel"_s, this);
    cancelButton->setObjectName(u"CancelButton"_s);
    auto* newFolderButton = new QPushButton(u"New Folder..."_s, this);
    newFolderButton->setObjectName(u"cmdNewFolder"_s);
    newFolderButton->setAutoDefault(false);
    m_deleteOriginalsBox->setObjectName(u"Check1"_s);
    m_writePlaylistBox->setObjectName(u"chkWritePlaylist"_s);
    m_writePlaylistBox->setChecked(WindowSettings::copyWritesPlaylist());
    m_playlistFormat->setObjectName(u"cboPlaylistFormat"_s);
    m_playlistFormat->setAccessibleName(u"Playlist format"_s);
    // The items in PlaylistKind's order: an item's index is its kind.
    m_playlistFormat->addItems({u"M3U"_s, u"PLS"_s});
    m_playlistFormat->setCurrentIndex(int(WindowSettings::copyPlaylistKind().value_or(usualKind)));
    m_playlistFormat->setEnabled(m_writePlaylistBox->isChecked());
    m_picker->folders()->setMinimumSize(300, 320);
    m_path->setObjectName(u"txtDestination"_s);
    auto* pathLabel = new QLabel(u"&Destination:"_s, this);
    pathLabel->setBuddy(m_path);

    // Volumes above folders on the left; OK, Cancel, New Folder, the check boxes and the playlist's
    // format down the right; the destination's path across the bottom.
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_picker->drives(), 0, 0);
    layout->addWidget(m_picker->folders(), 1, 0, 6, 1);
    layout->addWidget(okButton, 0, 1);
    layout->addWidget(cancelButton, 1, 1);
    layout->addWidget(newFolderButton, 2, 1);
    layout->addWidget(m_deleteOriginalsBox, 3, 1);
    layout->addWidget(m_writePlaylistBox, 4, 1);
    layout->addWidget(m_playlistFormat, 5, 1);
    layout->setRowStretch(6, 1);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(pathLabel);
    pathRow->addWidget(m_path);
    layout->addLayout(pathRow, 7, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_picker, &FolderPicker::folderHighlighted, m_path, &QLineEdit::setText);
    connect(okButton, &QPushButton::clicked, this, &ChooseFolder::choose);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(newFolderButton, &QPushButton::clicked, this, &ChooseFolder::newFolder);
    connect(m_writePlaylistBox, &QCheckBox::toggled, m_playlistFormat, &QComboBox::setEnabled);
    // Cancel, Escape and the close box all end in reject().
    connect(this, &QDialog::rejected, this, [this] {
        m_destination.clear();
        m_deleteOriginals = false;
        m_writePlaylist = false;
    });

    openFolder(QDir::currentPath());
}

void ChooseFolder::openFolder(const QString& folder)
{
    m_picker->openFolder(folder);
    m_path->setText(m_picker->folder());
}

void ChooseFolder::choose()
{
    const std::optional<QString> folder = destinationFolderOf(m_path->text());
    if (!folder)
        return;
    m_destination = *folder;
    m_deleteOriginals = m_deleteOriginalsBox->isChecked();
    m_writePlaylist = m_writePlaylistBox->isChecked();
    m_playlistKind = PlaylistKind(m_playlistFormat->currentIndex());
    WindowSettings::setCopyWritesPlaylist(m_writePlaylist);
    if (m_writePlaylist)
        WindowSettings::setCopyPlaylistKind(m_playlistKind);
    QDir::setCurrent(m_destination);
    accept();
}

void ChooseFolder::newFolder()
{
    const QString parent = m_picker->highlightedFolder();
    QInputDialog ask(this);
    ask.setObjectName(u"NewFolderName"_s);
    ask.setWindowTitle(u"New Folder"_s);
    ask.setLabelText(u"Name of the new folder in "_s + parent + u":"_s);
    if (ask.exec() != QDialog::Accepted)
        return;
    if (const std::optional<QString> created = createDestinationFolder(parent, ask.textValue())) {
        m_picker->highlightFolder(*created);
        m_path->setText(*created);
    }
}
