#include "base/FileOps.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/NativePath.h"

namespace FileOps {

namespace {

constexpr qint64 kCopyChunk = 1 << 20;

QByteArray nativePath(const QString& path)
{
    return NativePath::encode(path);
}

// A file without any write bit is read-only for the program, whoever runs it: root could write it,
// and the program still leaves it alone. For everyone else the open itself checks permission.
bool hasWriteBits(const struct stat& info)
{
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool writeAll(int fd, const char* data, qint64 count, qint64 offset)
{
    while (count > 0) {
        const ssize_t written = ::pwrite(fd, data, static_cast<size_t>(count), offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        count -= written;
        offset += written;
    }
    return true;
}

// Reads up to count bytes; the number read, or -1 on failure. Stops early only at the end of file.
qint64 readUpTo(int fd, char* data, qint64 count, qint64 offset)
{
    qint64 total = 0;
    while (total < count) {
        const ssize_t got = ::pread(fd, data + total, static_cast<size_t>(count - total), offset + total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

// The path of the file itself: symbolic links resolved, so that a replacement lands on the target.
std::optional<QByteArray> resolvedPath(const QByteArray& path)
{
    char buffer[PATH_MAX];
    if (::realpath(path.constData(), buffer) == nullptr)
        return std::nullopt;
    return QByteArray(buffer);
}

} // namespace

bool isHiddenName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return path.size() > slash + 1 && path.at(slash + 1) == u'.';
}

bool isOrdinaryFile(const QString& path)
{
    const QByteArray native = nativePath(path);
    struct stat info { };
    return !native.isEmpty() && !isHiddenName(path) && ::stat(native.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

Handle::~Handle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Handle::Handle(Handle&& other) noexcept : m_fd(other.m_fd), m_size(other.m_size)
{
    other.m_fd = -1;
}

Handle& Handle::operator=(Handle&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_size = other.m_size;
        other.m_fd = -1;
    }
    return *this;
}

bool Handle::readInto(qint64 offset, char* data, qint64 count) const
{
    if (m_fd < 0 || offset < 0 || count < 0 || offset > m_size || count > m_size - offset)
        return false;
    return readUpTo(m_fd, data, count, offset) == count;
}

std::optional<QByteArray> Handle::readAt(qint64 offset, qint64 count) const
{
    if (count < 0 || count > m_size)
        return std::nullopt;
    QByteArray bytes(count, Qt::Uninitialized);
    if (!readInto(offset, bytes.data(), count))
        return std::nullopt;
    return bytes;
}

bool Handle::writeAt(qint64 offset, const QByteArray& bytes)
{
    if (m_fd < 0 || offset < 0 || !writeAll(m_fd, bytes.constData(), bytes.size(), offset))
        return false;
    m_size = std::max(m_size, offset + bytes.size());
    return true;
}

bool Handle::resize(qint64 size)
{
    if (m_fd < 0 || size < 0)
        return false;
    int result;
    do {
        result = ::ftruncate(m_fd, size);
    } while (result < 0 && errno == EINTR);
    if (result < 0)
        return false;
    m_size = size;
    return true;
}

Handle openExisting(const QString& path, Access access, OpenFailure* failure)
{
    OpenFailure ignored;
    OpenFailure& why = failure ? *failure : ignored;
    const QByteArray native = nativePath(path);
    struct stat info { };
    why = OpenFailure::NotFound;
    if (native.isEmpty() || ::stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    why = OpenFailure::Refused;
    if (access == Access::ReadWrite && !hasWriteBits(info))
        return {};
    // O_NONBLOCK: should the path turn into a pipe between the look-up and the open, the open
    // returns at once and the check below refuses it.
    const int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd;
    do {
        fd = ::open(native.constData(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {};
    }
    why = OpenFailure::None;
    return Handle(fd, info.st_size);
}

bool replaceWithTail(const QString& path, const Handle& source, qint64 offset)
{
    const QByteArray native = nativePath(path);
    const std::optional<QByteArray> target = resolvedPath(native);
    struct stat info { };
    if (!target || ::fstat(source.fd(), &info) != 0 || !hasWriteBits(info))
        return false;

    const qsizetype slash = target->lastIndexOf('/');
    QByteArray temporary = target->left(slash + 1) + ".sondrel-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    Handle output(fd, 0);

    bool ok = true;
    QByteArray chunk(kCopyChunk, Qt::Uninitialized);
    for (qint64 at = offset; ok;) {
        const qint64 got = readUpTo(source.fd(), chunk.data(), kCopyChunk, at);
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = writeAll(fd, chunk.constData(), got, at - offset);
        at += got;
    }
    // Owner first: changing the owner may clear set-id bits, which the mode then restores. Someone
    // who may not give the file to its owner may still keep its group.
    if (ok && ::fchown(fd, info.st_uid, info.st_gid) != 0) {
        if (errno != EPERM || (::fchown(fd, uid_t(-1), info.st_gid) != 0 && errno != EPERM))
            ok = false;
    }
    ok = ok && ::fchmod(fd, info.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ok && ::rename(temporary.constData(), target->constData()) == 0;
    if (!ok) {
        ::unlink(temporary.constData());
        return false;
    }
    output = Handle();
    // The rename is durable once the folder is on disk too; its failure cannot undo the rename.
    const int folder
        = ::open(target->left(std::max<qsizetype>(slash, 1)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace FileOps
