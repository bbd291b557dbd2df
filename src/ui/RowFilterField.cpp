#include "ui/RowFilterField.h"

#include <chrono>

#include <QKeyEvent>
#include <QTimer>
#include <QTreeView>

using namespace std::chrono_literals;

namespace {

// How long after the last key the rows are filtered: one pass over 100,000 rows fits in a pause
// while typing, not between two keys of a fast typist.
constexpr auto kTypingPause = 150ms;

} // namespace

RowFilterField::RowFilterField(PlaylistModel& model, QTreeView& list, QWidget* parent)
    : QLineEdit(parent), m_filter(model, this), m_list(list), m_typing(new QTimer(this))
{
    setObjectName(QStringLiteral("txtFilter"));
    setPlaceholderText(QStringLiteral("Filter rows (Ctrl+F)"));
    setClearButtonEnabled(true);
    m_typing->setObjectName(QStringLiteral("FilterTimer"));
    m_typing->setSingleShot(true);
    m_typing->setInterval(kTypingPause);
    connect(this, &QLineEdit::textChanged, m_typing, qOverload<>(&QTimer::start));
    connect(m_typing, &QTimer::timeout, this, &RowFilterField::applyNow);
    connect(&m_filter, &RowFilter::shownChanged, this, &RowFilterField::showRows);
}

void RowFilterField::focusForTyping()
{
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

void RowFilterField::applyNow()
{
    m_typing->stop();
    m_filter.setText(text());
}

void RowFilterField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        clear();
        applyNow();
        m_list.setFocus(Qt::OtherFocusReason);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void RowFilterField::showRows(qsizetype first, qsizetype last)
{
    for (qsizetype row = first; row <= last; ++row) {
        const bool hide = !m_filter.isShown(row);
        if (m_list.isRowHidden(int(row), {}) != hide)
            m_list.setRowHidden(int(row), {}, hide);
    }
    // The current row may have gone: keep a selected row in view when there is one.
    if (const QModelIndex current = m_list.currentIndex(); current.isValid() && !m_list.isRowHidden(current.row(), {}))
        m_list.scrollTo(current);
    Q_EMIT shownChanged();
}
