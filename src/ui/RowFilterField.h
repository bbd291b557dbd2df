#pragma once

#include <QLineEdit>

#include "playlist/RowFilter.h"

class PlaylistModel;
class QTimer;
class QTreeView;

// The filter field above the list ("txtFilter"): the list shows only the rows holding every word
// typed (RowFilter), from a moment after the last key, so that typing stays quick over many rows.
// Escape empties it and gives the keyboard back to the list. The rows are hidden in the view
// only: the model keeps every row, in its order, and the filter keeps the selection to rows shown.
class RowFilterField : public QLineEdit {
    Q_OBJECT

public:
    RowFilterField(PlaylistModel& model, QTreeView& list, QWidget* parent);

    const RowFilter& filter() const { return m_filter; }
    // Takes the keyboard with the text selected, so that typing replaces it (Ctrl+F).
    void focusForTyping();
    // Filters by the text typed now, without waiting for the pause.
    void applyNow();

Q_SIGNALS:
    // Rows were shown or hidden.
    void shownChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Shows or hides the list's rows first to last as the filter says; touches only those that change.
    void showRows(qsizetype first, qsizetype last);

    RowFilter m_filter;
    QTreeView& m_list;
    QTimer* m_typing;
};
