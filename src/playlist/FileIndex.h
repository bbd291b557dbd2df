#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "playlist/FolderWalk.h"

// The ordinary files under some folders, found by name: where Find Missing Files looks for files
// that moved. The folders are walked once; a search then costs a hash look-up.
class FileIndex {
public:
    // Walks folder and every folder below it as FolderWalk does, and adds its files. Hidden names
    // are skipped, as the program counts such files missing; no folder is walked twice, however
    // many trees are added. A folder that cannot be read is skipped and listed. keepGoing is asked
    // before each folder with the number of files found so far; false stops the walk, and addTree
    // returns false.
    bool addTree(const QString& folder, const std::function<bool(qsizetype filesFound)>& keepGoing = {});

    // The files with exactly this name, in the order found, as indexes into paths(); empty for none.
    // A reference into the index: no look-up copies a list, however many files share a name.
    const std::vector<qint32>& named(const QString& name) const;
    // The same, names compared without case.
    const std::vector<qint32>& namedIgnoringCase(const QString& name) const;
    // The files whose paths end in these names: a file name and the folders above it, nearest
    // last, joined by "/" ("Album/01.mp3"), from two to kEndingNames names.
    const std::vector<qint32>& ending(QStringView names) const;
    static constexpr int kEndingNames = 4;
    // Every file found, in the order found.
    const std::vector<QString>& paths() const { return m_paths; }
    const QString& path(qint32 index) const { return m_paths[std::size_t(index)]; }
    // The folders that could not be read, each with the system's reason.
    const QStringList& unreadableFolders() const { return m_walk.unreadableFolders(); }

private:
    void addFile(const QString& path, const QString& name);

    std::vector<QString> m_paths;
    QHash<QString, std::vector<qint32>> m_byName;
    QHash<QString, std::vector<qint32>> m_byFoldedName;
    // Views into m_paths' texts, which stay where they are when the vector grows.
    QHash<QStringView, std::vector<qint32>> m_byEnding;
    FolderWalk m_walk;
};
