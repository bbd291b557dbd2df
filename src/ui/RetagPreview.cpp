#include "ui/RetagPreview.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/PathTools.h"

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
    qsizetype newTags = 0;
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
        newTags += plan.newTag ? 1 : 0;
        for (const RetagCommands::FieldChange& change : plan.changes)
            add(plan, {change.field, change.before, change.after});
    }
    list->addTopLevelItems(items);
    list->header()->resizeSection(0, 280);
    list->header()->resizeSection(1, 80);
    list->header()->resizeSection(2, 220);
    list->header()->setStretchLastSection(true);

    const auto count = [](qsizetype n, const char* one, const char* many) {
        return QString::number(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
    };
    const qsizetype leftAlone = qsizetype(plans.size()) - writing;
    QString text = count(writing, "file to write", "files to write");
    if (newTags)
        text += QStringLiteral(", ") + count(newTags, "of them gets a new ID3v1 tag", "of them get a new ID3v1 tag");
    if (leftAlone)
        text += QStringLiteral("; ") + count(leftAlone, "file is left alone.", "files are left alone.");
    else
        text += u'.';
    auto* summary = new QLabel(text, this);
    summary->setObjectName(QStringLiteral("retagSummary"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* write = buttons->addButton(QStringLiteral("Write"), QDialogButtonBox::AcceptRole);
    write->setObjectName(QStringLiteral("writeButton"));
    write->setDefault(true);
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
