#include "ui/RetagPreview.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

#include "base/PathTools.h"
#include "ui/PreviewLayout.h"

RetagPreview::RetagPreview(const std::vector<RetagCommands::PlannedRetag>& plans, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RetagPreview"));
    setWindowTitle(QStringLiteral("Write Tags"));

    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("retagPlan"));
    list->setHeaderLabels(
        {QStringLiteral("File"), QStringLiteral("Field"), QStringLiteral("Old Value"), QStringLiteral("New Value")});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setTextElideMode(Qt::ElideMiddle);
    qsizetype writing = 0;
    qsizetype newId3v1Tags = 0;
    qsizetype newId3v2Tags = 0; // with Format Strings Use on the ID3v2 tag
    QList<QTreeWidgetItem*> items;
    const auto add = [&](const RetagCommands::PlannedRetag& plan, const QStringList& texts) {
        auto* item = new QTreeWidgetItem(QStringList(PathTools::fileNameOf(plan.file)) + texts);
        item->setToolTip(0, plan.file); // the whole path on hover
        items.append(item);
        return item;
    };
    for (const RetagCommands::PlannedRetag& plan : plans) {
        const QString problem = RetagCommands::problemText(plan.problem);
        if (!problem.isEmpty()) {
            add(plan, {QString(), QString(), problem})->setForeground(3, palette().brush(QPalette::Highlight));
            continue;
        }
        ++writing;
        if (plan.newTag)
            ++(plan.tag == TagChoice::Id3v2 ? newId3v2Tags : newId3v1Tags);
        for (const RetagCommands::FieldChange& change : plan.changes)
            add(plan, {change.field, change.before, change.after});
    }
    list->addTopLevelItems(items);
    list->header()->resizeSection(0, 280);
    list->header()->resizeSection(1, 80);
    list->header()->resizeSection(2, 220);
    list->header()->setStretchLastSection(true);

    using PreviewLayout::count;
    const qsizetype leftAlone = qsizetype(plans.size()) - writing;
    QString text = count(writing, "file to write", "files to write");
    if (newId3v1Tags)
        text += QStringLiteral(", ")
            + count(newId3v1Tags, "of them gets a new ID3v1 tag", "of them get a new ID3v1 tag");
    if (newId3v2Tags)
        text += QStringLiteral(", ")
            + count(newId3v2Tags, "of them gets a new ID3v2 tag", "of them get a new ID3v2 tag");
    if (leftAlone)
        text += QStringLiteral("; ") + count(leftAlone, "file is left alone.", "files are left alone.");
    else
        text += u'.';
    auto* summary = new QLabel(text, this);
    summary->setObjectName(QStringLiteral("retagSummary"));

    PreviewLayout::layOut(*this, summary, list, QStringLiteral("Write"), QStringLiteral("writeButton"));
}
