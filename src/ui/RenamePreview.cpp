#include "ui/RenamePreview.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

#include "ui/PreviewLayout.h"

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

    using PreviewLayout::count;
    auto* summary = new QLabel(count(qsizetype(plans.size()), "file to rename", "files to rename")
            + (failing ? QStringLiteral(", ")
                        + count(failing, "of them would fail or is left alone, and stays as it is.",
                            "of them would fail or are left alone, and stay as they are.")
                       : QStringLiteral(".")),
        this);
    summary->setObjectName(QStringLiteral("renameSummary"));

    PreviewLayout::layOut(*this, summary, list, QStringLiteral("Rename"), QStringLiteral("renameButton"));
}
