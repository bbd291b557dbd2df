#pragma once

#include <QString>

class QAction;
class QMenu;
class QWidget;

// The context menu of the playlist's rows: the commands a user reaches for on a row, all of them
// the window's own actions (so that they are on and off as in the menu bar), then what concerns the
// one file under the pointer: Open Containing Folder and Copy Path.
struct RowMenuCommands {
    QAction* editTag = nullptr;
    QMenu* actions = nullptr; // every item of the Actions menu, in its order
    QAction* deleteSelected = nullptr;
    QAction* findMissingFiles = nullptr;
};

// A new menu over parent (the caller shows it and deletes it) for the row whose file is path; an
// empty path (no row under the pointer) leaves the two file items off.
QMenu* rowMenu(QWidget* parent, const RowMenuCommands& commands, const QString& path);
