#include "playlist/FileIndex.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/NativePath.h"

namespace {

// A folder's open descriptor, closed when it goes.
class FolderHandle {
public:
    explicit FolderHandle(int fd) : m_fd(fd) { }
    ~FolderHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

enum class Kind { File, Folder, Other };

// What a folder entry is, after following a symbolic link. d_type saves a look-up for most.
Kind kindOf(int folder, const dirent& entry)
{
    if (entry.d_type == DT_REG)
        return Kind::File;
    if (entry.d_type == DT_DIR)
        return Kind::Folder;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return Kind::Other;
    struct stat info { };
    if (::fstatat(folder, entry.d_name, &info, 0) != 0)
        return Kind::Other; // a dangling link, or one that cannot be followed
    return S_ISREG(info.st_mode) ? Kind::File : S_ISDIR(info.st_mode) ? Kind::Folder : Kind::Other;
}

} // namespace

bool FileIndex::addTree(const QString& folder, const std::function<bool(qsizetype)>& keepGoing)
{
    std::vector<QByteArray> pending{NativePath::encode(folder)};
    while (!pending.empty()) {
        if (keepGoing && !keepGoing(qsizetype(m_paths.size())))
            return false;
        QByteArray path = std::move(pending.back());
        pending.pop_back();
        FolderHandle handle(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
        struct stat info { };
        if (handle.fd() < 0 || ::fstat(handle.fd(), &info) != 0) {
            m_unreadable.append(NativePath::decode(path) + QStringLiteral(": ") + qt_error_string(errno));
            continue;
        }
        if (!m_walked.emplace(quint64(info.st_dev), quint64(info.st_ino)).second)
            continue;
        DIR* stream = ::fdopendir(::dup(handle.fd()));
        if (!stream) {
            m_unreadable.append(NativePath::decode(path) + QStringLiteral(": ") + qt_error_string(errno));
            continue;
        }
        std::vector<std::pair<QByteArray, Kind>> entries;
        for (;;) {
            errno = 0; // readdir says it failed only through errno
            const dirent* entry = ::readdir(stream);
            if (!entry)
                break;
            if (entry->d_name[0] == '.')
                continue; // hidden, or the folder itself and its parent
            const Kind kind = kindOf(handle.fd(), *entry);
            if (kind != Kind::Other)
                entries.emplace_back(QByteArray(entry->d_name), kind);
        }
        if (errno != 0)
            m_unreadable.append(NativePath::decode(path) + QStringLiteral(": ") + qt_error_string(errno));
        ::closedir(stream);
        std::sort(entries.begin(), entries.end());
        if (!path.endsWith('/'))
            path += '/';
        // Files first, in name order; the folders are walked after, in name order too.
        for (const auto& [name, kind] : entries) {
            if (kind == Kind::File)
                addFile(NativePath::decode(path + name), NativePath::decode(name));
        }
        for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
            if (entry->second == Kind::Folder)
                pending.push_back(path + entry->first);
        }
    }
    return true;
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
