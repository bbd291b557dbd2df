#pragma once

#include <utility>
#include <vector>

#include <QDialog>

#include "playlist/Relinking.h"

class QComboBox;

// What Find Missing Files found, shown before any row changes: a line a missing row that was found,
// with its old path, its new one and how it was found. A row with several candidates offers them
// in a list, best first, with "Leave as it is" after them; the rows nothing was found for are
// counted above. Relink (the default button) gives the rows their new paths; Cancel, Escape or the
// close box change nothing.
class RelinkPreview : public QDialog {
    Q_OBJECT

public:
    RelinkPreview(const std::vector<Relinking::Finding>& findings, QWidget* parent = nullptr);

    // The rows to relink, by position, with the path chosen for each.
    std::vector<std::pair<qsizetype, QString>> chosenPaths() const;

private:
    // Each found row's position, its one candidate, or the list to choose from.
    struct Row {
        qsizetype position;
        QString path;
        QComboBox* choice = nullptr;
    };
    std::vector<Row> m_rows;
};
