#include "playlist/FolderWalk.h"

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

struct Entry {
    QByteArray name;
    QString key; // the name decoded and case-folded
    Kind kind;
};

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

bool fileManagerLess(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Runs of digits compare by value: leading zeros aside, the longer run is larger, and
            // runs of one length compare digit by digit.
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && isDigit(a[endA]))
                ++endA;
            while (endB < b.size() && isDigit(b[endB]))
                ++endB;
            while (i < endA - 1 && a[i] == u'0')
                ++i;
            while (j < endB - 1 && b[j] == u'0')
                ++j;
            if (endA - i != endB - j)
                return endA - i < endB - j;
            const int order = a.sliced(i, endA - i).compare(b.sliced(j, endB - j));
            if (order != 0)
                return order < 0;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

namespace {

// Reads an open folder's entries that are files or folders, hidden names left out, in the walk's
// order; false (with errno) when the reading failed, the entries read so far kept.
bool readFolder(int fd, std::vector<Entry>& entries)
{
    entries.clear();
    DIR* stream = ::fdopendir(::dup(fd));
    if (!stream)
        return false;
    for (;;) {
        errno = 0; // readdir says it failed only through errno
        const dirent* entry = ::readdir(stream);
        if (!entry)
            break;
        if (entry->d_name[0] == '.')
            continue; // hidden, or the folder itself and its parent
        const Kind kind = kindOf(fd, *entry);
        if (kind != Kind::Other) {
            QByteArray name(entry->d_name);
            QString key = NativePath::decode(name).toCaseFolded();
            entries.push_back({std::move(name), std::move(key), kind});
        }
    }
    const int failure = errno;
    ::closedir(stream);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (fileManagerLess(a.key, b.key))
            return true;
        return !fileManagerLess(b.key, a.key) && a.name < b.name;
    });
    errno = failure;
    return failure == 0;
}

} // namespace

bool FolderWalk::walk(const QString& folder, const FilesFound& filesFound, const KeepGoing& keepGoing)
{
    const auto unreadable = [this](const QByteArray& path) {
        m_unreadable.append(NativePath::decode(path) + QStringLiteral(": ") + qt_error_string(errno));
    };
    std::vector<QByteArray> pending{NativePath::encode(folder)};
    std::vector<Entry> entries;
    std::vector<QByteArray> files;
    while (!pending.empty()) {
        if (keepGoing && !keepGoing())
            return false;
        QByteArray path = std::move(pending.back());
        pending.pop_back();
        FolderHandle handle(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
        struct stat info { };
        if (handle.fd() < 0 || ::fstat(handle.fd(), &info) != 0) {
            unreadable(path);
            continue;
        }
        if (!m_walked.emplace(quint64(info.st_dev), quint64(info.st_ino)).second)
            continue;
        if (!readFolder(handle.fd(), entries))
            unreadable(path);
        if (!path.endsWith('/'))
            path += '/';
        files.clear();
        for (const Entry& entry : entries) {
            if (entry.kind == Kind::File)
                files.push_back(entry.name);
        }
        if (!files.empty())
            filesFound(path, files);
        // The folders go on the stack last first, so that the first is walked next.
        for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
            if (entry->kind == Kind::Folder)
                pending.push_back(path + entry->name);
        }
    }
    return true;
}

QStringList filesInFolder(const QString& folder)
{
    QStringList names;
    const FolderHandle handle(
        ::open(NativePath::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
    std::vector<Entry> entries;
    if (handle.fd() < 0)
        return names;
    readFolder(handle.fd(), entries);
    for (const Entry& entry : entries) {
        if (entry.kind == Kind::File)
            names.append(NativePath::decode(entry.name));
    }
    return names;
}
