#include "ui/ChooseFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QPushButton>
#include <QTreeView>

#include "ui/FolderPicker.h"

using namespace Qt::StringLiterals;

ChooseFolder::ChooseFolder(QWidget* parent)
    : QDialog(parent),
      m_picker(new FolderPicker(this)),
      m_deleteOriginalsBox(new QCheckBox(u"Delete Originals"_s, this))
{
    setWindowTitle(u"Choose a Destination Folder"_s);

    auto* okButton = new QPushButton(u"OK"_s, this);
    okButton->setObjectName(u"OKButton"_s);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(u"Cancel"_s, this);
    cancelButton->setObjectName(u"CancelButton"_s);
    m_deleteOriginalsBox->setObjectName(u"Check1"_s);
    m_picker->folders()->setMinimumSize(300, 320);

    // Volumes above folders on the left; OK, Cancel and the check box down the right.
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_picker->drives(), 0, 0);
    layout->addWidget(m_picker->folders(), 1, 0, 4, 1);
    layout->addWidget(okButton, 0, 1);
    layout->addWidget(cancelButton, 1, 1);
    layout->addWidget(m_deleteOriginalsBox, 2, 1);
    layout->setRowStretch(4, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(okButton, &QPushButton::clicked, this, &ChooseFolder::choose);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // Cancel, Escape and the close box all end in reject().
    connect(this, &QDialog::rejected, this, [this] {
        m_destination.clear();
        m_deleteOriginals = false;
    });

    m_picker->openFolder(QDir::currentPath());
}

void ChooseFolder::openFolder(const QString& folder)
{
    m_picker->openFolder(folder);
}

void ChooseFolder::choose()
{
    m_destination = m_picker->folder();
    m_deleteOriginals = m_deleteOriginalsBox->isChecked();
    accept();
}
