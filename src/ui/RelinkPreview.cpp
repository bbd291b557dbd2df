#include "ui/RelinkPreview.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

#include "ui/PreviewLayout.h"

RelinkPreview::RelinkPreview(const std::vector<Relinking::Finding>& findings, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RelinkPreview"));
    setWindowTitle(QStringLiteral("Find Missing Files"));

    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("relinkPlan"));
    list->setHeaderLabels({QStringLiteral("Old Path"), QStringLiteral("New Path"), QStringLiteral("Found By")});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setTextElideMode(Qt::ElideLeft);
    qsizetype several = 0;
    qsizetype notFound = 0;
    for (const Relinking::Finding& finding : findings) {
        if (finding.candidates.empty()) {
            ++notFound;
            continue;
        }
        const Relinking::Candidate& best = finding.candidates.front();
        auto* item = new QTreeWidgetItem(list, {finding.row.path, best.path, Relinking::describe(best.how)});
        item->setToolTip(0, finding.row.path);
        item->setToolTip(1, best.path);
        Row row{finding.row.position, best.path};
        if (finding.candidates.size() > 1) {
            ++several;
            row.choice = new QComboBox(list);
            for (const Relinking::Candidate& candidate : finding.candidates)
                row.choice->addItem(
                    candidate.path + QStringLiteral("  (") + Relinking::describe(candidate.how) + u')', candidate.path);
            row.choice->addItem(QStringLiteral("Leave as it is"), QString());
            item->setText(2, QStringLiteral("%1 candidates").arg(finding.candidates.size()));
            list->setItemWidget(item, 1, row.choice);
        }
        m_rows.push_back(row);
    }
    list->header()->resizeSection(0, 300);
    list->header()->resizeSection(1, 360);
    list->header()->setStretchLastSection(true);

    using PreviewLayout::count;
    QString text = count(qsizetype(m_rows.size()), "missing file found", "missing files found");
    if (several > 0)
        text += QStringLiteral(", ")
            + count(several, "with several candidates to choose from", "with several candidates to choose from");
    if (notFound > 0)
        text += QStringLiteral("; ")
            + count(notFound, "was not found and stays as it is", "were not found and stay as they are");
    auto* summary = new QLabel(text + u'.', this);
    summary->setObjectName(QStringLiteral("relinkSummary"));
    summary->setWordWrap(true);

    PreviewLayout::layOut(*this, summary, list, QStringLiteral("Relink"), QStringLiteral("relinkButton"));
    resize(900, 420);
}

std::vector<std::pair<qsizetype, QString>> RelinkPreview::chosenPaths() const
{
    std::vector<std::pair<qsizetype, QString>> chosen;
    for (const Row& row : m_rows) {
        const QString path = row.choice ? row.choice->currentData().toString() : row.path;
        if (!path.isEmpty())
            chosen.emplace_back(row.position, path);
    }
    return chosen;
}
