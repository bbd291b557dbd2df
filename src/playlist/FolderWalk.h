#pragma once

#include <functional>
#include <set>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

// Walks folders and the folders below them, depth first, in the order a file manager shows them:
// each folder's ordinary files first, by name, then its folders, by name, each walked whole before
// the next. Names are ordered without regard to case and with runs of digits by their value
// ("2" before "10"); names alike in that order go by their bytes.
//
// Hidden names (a leading ".") are skipped. A symbolic link to a file counts as a file and one to a
// folder is followed, but no folder is walked twice by the same walker (its device and inode are
// remembered), so a link loop or a second way into a tree ends there. A folder that cannot be read
// is skipped and listed with the system's reason.
class FolderWalk {
public:
    // Gets a folder's path as bytes, ending in "/", and its files' names, in order.
    using FilesFound = std::function<void(const QByteArray& folder, const std::vector<QByteArray>& names)>;
    // Asked before each folder is read; false stops the walk.
    using KeepGoing = std::function<bool()>;

    // Walks folder and every folder below it. False when keepGoing stopped it.
    bool walk(const QString& folder, const FilesFound& filesFound, const KeepGoing& keepGoing = {});

    // The folders that could not be read, each with the system's reason.
    const QStringList& unreadableFolders() const { return m_unreadable; }

private:
    std::set<std::pair<quint64, quint64>> m_walked;
    QStringList m_unreadable;
};

// The order of names in FolderWalk: true when a goes before b. Both are case-folded already.
bool fileManagerLess(QStringView a, QStringView b);

// The names of a folder's files, as the walk finds them and in its order, names that are not UTF-8
// as NativePath gives them; none when the folder cannot be read.
QStringList filesInFolder(const QString& folder);
