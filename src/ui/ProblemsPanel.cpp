#include "ui/ProblemsPanel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Paths elide at their start, so that the file name and its nearest folders stay visible; the
// messages at their end.
class PathAtTheEnd : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideLeft;
    }
};

} // namespace

ProblemsPanel::ProblemsPanel(QWidget* parent) : QDockWidget(u"Problems"_s, parent), m_list(new QTreeWidget)
{
    setObjectName(u"problemsPanel"_s);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    m_list->setObjectName(u"problems"_s);
    m_list->setHeaderLabels({u"Path"_s, u"Message"_s});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setItemDelegateForColumn(0, new PathAtTheEnd(m_list));
    m_list->header()->setStretchLastSection(true);
    auto* clear = new QPushButton(u"C&lear"_s);
    clear->setObjectName(u"clearProblems"_s);
    connect(clear, &QPushButton::clicked, m_list, &QTreeWidget::clear);

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(clear);
    layout->addLayout(buttons);
    setWidget(content);
}

void ProblemsPanel::add(const QString& path, const QString& text)
{
    // A message's line breaks would give the row several lines; the tooltip keeps them.
    auto* item = new QTreeWidgetItem(m_list, {path, QString(text).replace(u"\r\n"_s, u" "_s)});
    item->setToolTip(0, path);
    item->setToolTip(1, text);
    if (m_list->topLevelItemCount() == 1)
        m_list->setColumnWidth(0, m_list->width() / 2);
    if (isHidden())
        show();
}

int ProblemsPanel::count() const
{
    return m_list->topLevelItemCount();
}
