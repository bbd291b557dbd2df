#include "ui/RenamePreview.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

RenamePreview::RenamePreview(const std::vector<RetagCommands::PlannedRename>& plans, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RenamePreview"));
    setWindowTitle(QStringLiteral("Rename Files"));

    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("renamePlan"));
    list->setHeaderLabels({QStringLiteral("Old Name"), QStringLiteral("New Name"), QStringLiteral("Problem")});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setTextElideMode(Qt::ElideMiddle);
    int failing = 0;
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(plans.size()));
    for (const RetagCommands::PlannedRename& plan : plans) {
        const QString problem = RetagCommands::problemText(plan);
        // The names as the messages give them (bare names when the files stay in their folders);
        // the whole paths on hover.
        auto* item = new QTreeWidgetItem({plan.oldShown.isEmpty() ? plan.from : plan.oldShown,
            plan.newShown.isEmpty() ? plan.to : plan.newShown, problem});
        item->setToolTip(0, plan.from);
        item->setToolTip(1, plan.to);
        if (!problem.isEmpty()) {
            ++failing;
            item->setForeground(2, palette().brush(QPalette::Highlight));
        }
        items.append(item);
    }
    list->addTopLevelItems(items);
    list->header()->resizeSection(0, 280);
    list->header()->resizeSection(1, 280);
    list->header()->setStretchLastSection(true);

    const auto count = [](qsizetype n, const char* one, const char* many) {
        return QString::number(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
    };
    auto* summary = new QLabel(count(qsizetype(plans.size()), "file to rename", "files to rename")
            + (failing ? QStringLiteral(", ")
                        + count(failing, "of them would fail or is left alone, and stays as it is.",
                            "of them would fail or are left alone, and stay as they are.")
                       : QStringLiteral(".")),
        this);
    summary->setObjectName(QStringLiteral("renameSummary"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* rename = buttons->addButton(QStringLiteral("Rename"), QDialogButtonBox::AcceptRole);
    rename->setObjectName(QStringLiteral("renameButton"));
    rename->setDefault(true);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(list);
    layout->addWidget(buttons);
    resize(900, 420);
}
