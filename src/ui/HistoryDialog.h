#pragma once

#include <functional>

#include <QDialog>

class QPushButton;
class QTreeWidget;

// Edit > "History...": the batches of changes the undo history keeps, newest first (time, label,
// files, state). "Undo to Here" undoes every command from the newest back to the selected one;
// "Redo" redoes the selected command once undone. The work is the window's (act), which is told
// the batch and whether to redo; the list is read again after it.
class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    HistoryDialog(std::function<void(quint64 id, bool redo)> act, QWidget* parent = nullptr);

private:
    void fill();
    void updateButtons();
    quint64 selectedId() const;

    std::function<void(quint64, bool)> m_act;
    QTreeWidget* m_list;
    QPushButton* m_undo;
    QPushButton* m_redo;
};
