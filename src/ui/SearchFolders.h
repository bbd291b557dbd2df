#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;

// Asks where Find Missing Files looks: a list of folders (each searched with the folders below it),
// filled with the defaults, that the user adds to ("Add Folder...") and takes from ("Remove").
// Search (the default button) goes on; Cancel, Escape or the close box end the command.
class SearchFolders : public QDialog {
    Q_OBJECT

public:
    SearchFolders(const QStringList& folders, qsizetype missingCount, QWidget* parent = nullptr);

    QStringList folders() const;
    void addFolder(const QString& folder);

private:
    QListWidget* m_list;
};
