#include "playlist/FileIndex.h"

#include "base/NativePath.h"

bool FileIndex::addTree(const QString& folder, const std::function<bool(qsizetype)>& keepGoing)
{
    const auto filesFound = [this](const QByteArray& path, const std::vector<QByteArray>& names) {
        for (const QByteArray& name : names)
            addFile(NativePath::decode(path + name), NativePath::decode(name));
    };
    if (!keepGoing)
        return m_walk.walk(folder, filesFound);
    return m_walk.walk(folder, filesFound, [&] { return keepGoing(qsizetype(m_paths.size())); });
}

void FileIndex::addFile(const QString& path, const QString& name)
{
    const auto index = qint32(m_paths.size());
    m_paths.push_back(path);
    m_byName[name].push_back(index);
    m_byFoldedName[name.toCaseFolded()].push_back(index);
    const QStringView stored = m_paths.back();
    qsizetype at = stored.size();
    for (int names = 1; names <= kEndingNames; ++names) {
        at = stored.lastIndexOf(u'/', at - 1);
        if (at <= 0)
            break;
        if (names >= 2)
            m_byEnding[stored.sliced(at + 1)].push_back(index);
    }
}

namespace {

template <class Key> const std::vector<qint32>& indexesAt(const QHash<Key, std::vector<qint32>>& hash, const Key& key)
{
    static const std::vector<qint32> none;
    const auto at = hash.constFind(key);
    return at == hash.constEnd() ? none : *at;
}

} // namespace

const std::vector<qint32>& FileIndex::named(const QString& name) const
{
    return indexesAt(m_byName, name);
}

const std::vector<qint32>& FileIndex::namedIgnoringCase(const QString& name) const
{
    return indexesAt(m_byFoldedName, name.toCaseFolded());
}

const std::vector<qint32>& FileIndex::ending(QStringView names) const
{
    return indexesAt(m_byEnding, names);
}
