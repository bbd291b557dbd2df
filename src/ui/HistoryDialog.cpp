#include "ui/HistoryDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "journal/JournalHistory.h"

namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kUndoableRole = Qt::UserRole + 1;
constexpr int kRedoableRole = Qt::UserRole + 2;

} // namespace

HistoryDialog::HistoryDialog(std::function<void(quint64 id, bool redo)> act, QWidget* parent)
    : QDialog(parent),
      m_act(std::move(act)),
      m_list(new QTreeWidget(this)),
      m_undo(new QPushButton(QStringLiteral("&Undo to Here"), this)),
      m_redo(new QPushButton(QStringLiteral("&Redo"), this))
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(QStringLiteral("Undo History"));
    m_list->setObjectName(QStringLiteral("lstHistory"));
    m_list->setHeaderLabels(
        {QStringLiteral("Time"), QStringLiteral("Label"), QStringLiteral("Files"), QStringLiteral("State")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    // The label takes what the time, the count and the state leave.
    m_list->header()->setStretchLastSection(false);
    for (const int column : {0, 2, 3})
        m_list->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_undo->setObjectName(QStringLiteral("cmdUndoToHere"));
    m_redo->setObjectName(QStringLiteral("cmdRedo"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_undo, QDialogButtonBox::ActionRole);
    buttons->addButton(m_redo, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_undo, &QPushButton::clicked, this, [this] {
        m_act(selectedId(), false);
        fill();
    });
    connect(m_redo, &QPushButton::clicked, this, [this] {
        m_act(selectedId(), true);
        fill();
    });
    connect(m_list, &QTreeWidget::currentItemChanged, this, &HistoryDialog::updateButtons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(720, 360);
    fill();
}

void HistoryDialog::fill()
{
    const quint64 keep = selectedId();
    m_list->clear();
    const QList<Journal::BatchSummary> batches = Journal::history();
    const std::optional<Journal::BatchSummary> redoable = Journal::newestRedoable();
    QTreeWidgetItem* current = nullptr;
    for (auto batch = batches.rbegin(); batch != batches.rend(); ++batch) {
        auto* item = new QTreeWidgetItem(m_list,
            {QLocale().toString(batch->time, QLocale::ShortFormat), batch->label, QString::number(batch->files),
                Journal::stateName(batch->state)});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        if (!batch->problem.isEmpty())
            item->setToolTip(3, batch->problem);
        const bool command = batch->role == Journal::Batch::Role::Command;
        const bool undone
            = batch->state == Journal::BatchState::Undone || batch->state == Journal::BatchState::PartlyUndone;
        item->setData(0, kIdRole, batch->id);
        item->setData(0, kUndoableRole,
            command
                && (batch->state == Journal::BatchState::Done || batch->state == Journal::BatchState::Interrupted
                    || batch->state == Journal::BatchState::PartlyUndone));
        item->setData(0, kRedoableRole, command && undone && redoable && redoable->id == batch->id);
        if (batch->id == keep || !current)
            current = item;
    }
    if (current)
        m_list->setCurrentItem(current);
    updateButtons();
}

void HistoryDialog::updateButtons()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    m_undo->setEnabled(item && item->data(0, kUndoableRole).toBool());
    m_redo->setEnabled(item && item->data(0, kRedoableRole).toBool());
}

quint64 HistoryDialog::selectedId() const
{
    const QTreeWidgetItem* item = m_list->currentItem();
    return item ? item->data(0, kIdRole).toULongLong() : 0;
}
