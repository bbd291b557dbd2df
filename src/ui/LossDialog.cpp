#include "ui/LossDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

LossDialog::LossDialog(const std::vector<TagCopying::FileLosses>& files, QWidget* parent) : QDialog(parent)
{
    setObjectName(u"LossDialog"_s);
    setWindowTitle(u"Copy ID3v2 Tags to ID3v1"_s);
    auto* layout = new QVBoxLayout(this);
    auto* text
        = new QLabel(u"The ID3v1 tags of these files cannot hold everything copied into them. Copy anyway?"_s, this);
    text->setWordWrap(true);
    layout->addWidget(text);

    auto* list = new QTreeWidget(this);
    list->setObjectName(u"lstLosses"_s);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setHeaderLabels({u"File"_s, u"Field"_s, u"Old Text"_s, u"New Text"_s});
    QList<QTreeWidgetItem*> items;
    for (const TagCopying::FileLosses& file : files) {
        for (const TagCopy::Loss& loss : file.losses)
            items.append(new QTreeWidgetItem({file.entry->file(), loss.field, loss.before, loss.after}));
    }
    list->addTopLevelItems(items); // one insert for the whole list
    list->header()->resizeSections(QHeaderView::ResizeToContents);
    text->setBuddy(list);
    layout->addWidget(list);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* copy = buttons->addButton(u"&Copy"_s, QDialogButtonBox::AcceptRole);
    copy->setObjectName(u"cmdCopy"_s);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(u"cmdCancel"_s);
    cancel->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(760, 360);
}
