#include "base/FileOps.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include <QRandomGenerator>

#include "base/NativePath.h"
#include "base/SystemCalls.h"

namespace FileOps {

namespace {

constexpr qint64 kCopyChunk = 1 << 20;

// The bytes handed to the system for path; empty (refused everywhere as missing) for a path holding
// a NUL, which the system would cut short and so reach another file.
QByteArray nativePath(const QString& path)
{
    return path.contains(QChar(0)) ? QByteArray() : NativePath::encode(path);
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
        const ssize_t written = SystemCalls::pwrite(fd, data, static_cast<size_t>(count), offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0)
            errno = EIO;
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
        const ssize_t got = SystemCalls::pread(fd, data + total, static_cast<size_t>(count - total), offset + total);
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

// Locks the open file fd against other Sondrel processes (LOCK_SH or LOCK_EX), waiting briefly
// for a lock that one of them holds. 0 once locked, and also where the file cannot be locked: a
// file system that has no locks, or one that grants an exclusive lock only to a file open for
// writing (network file systems lock that way, and refuse a file open for reading with EBADF);
// the change then goes on unguarded, as it would without this lock. EWOULDBLOCK when the lock is
// still held after the wait; the system's error otherwise.
int lockAgainstOthers(int fd, int operation, Waiting waiting = Waiting::Briefly)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + (waiting == Waiting::Briefly ? seconds(2) : seconds(0));
    milliseconds pause(1);
    for (;;) {
        if (SystemCalls::flock(fd, operation | LOCK_NB) == 0)
            return 0;
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EBADF)
            return 0;
        if (error != EWOULDBLOCK)
            return error;
        if (steady_clock::now() >= deadline)
            return EWOULDBLOCK;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, milliseconds(50));
    }
}

// Copies bytes between two open files: by copy_file_range, which keeps the bytes out of the
// process and lets a file system that can share or clone blocks do so, or through a buffer once
// the system cannot (another volume on an older system, a file system without it). Bytes that
// move to another place within their block (the rest of a file after a tag of 1,010 bytes) go
// through the buffer too: no file system can share such blocks, and copying them within the
// system is slower than through a buffer.
class ByteCopier {
public:
    // Up to count bytes of from, from offset fromAt on, to offset toAt of to: the number copied,
    // fewer than count only at the end of from, or -1 with errno set.
    qint64 copy(int from, qint64 fromAt, int to, qint64 toAt, qint64 count)
    {
        constexpr qint64 kBlock = 4096;
        qint64 total = 0;
        while (!m_buffered && (fromAt - toAt) % kBlock == 0 && total < count) {
            off_t fromOffset = fromAt + total;
            off_t toOffset = toAt + total;
            const ssize_t got
                = SystemCalls::copy_file_range(from, &fromOffset, to, &toOffset, static_cast<size_t>(count - total), 0);
            if (got > 0) {
                total += got;
                continue;
            }
            if (got == 0)
                return total;
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)
                return -1;
            m_buffered = true;
        }
        if (total == count)
            return total;
        m_buffer.resize(count - total);
        const qint64 got = readUpTo(from, m_buffer.data(), count - total, fromAt + total);
        if (got < 0 || !writeAll(to, m_buffer.constData(), got, toAt + total))
            return -1;
        return total + got;
    }

private:
    bool m_buffered = false;
    QByteArray m_buffer;
};

// The path of the file itself: symbolic links resolved, so that a replacement lands on the target.
std::optional<QByteArray> resolvedPath(const QByteArray& path)
{
    char buffer[PATH_MAX];
    if (::realpath(path.constData(), buffer) == nullptr)
        return std::nullopt;
    return QByteArray(buffer);
}

// A name in a folder that is opened once: where a file is replaced or created. Every step after
// the look-up works relative to that folder, so that a folder or a symbolic link put on the path
// meanwhile cannot send the replacement elsewhere.
struct Place {
    Handle folder;
    QByteArray folderPath;
    QByteArray name;
    // The file found at the name when a replacement replaces one, held open (without access to its
    // bytes) so that its inode number cannot pass to a file made meanwhile.
    Handle found;
};

// The reason given when the name no longer holds the file that was read, or that was looked at
// before a copy over it: another program deleted, renamed or replaced it meanwhile.
const QString kChanged = QStringLiteral("The file changed while it was being written and was left as it is");
// The reason given when another Sondrel process holds the file's lock for longer than the wait.
const QString kBusy = QStringLiteral("The file is being changed by another Sondrel process");

bool fail(Failure* why, Failure::Kind kind, const QString& text)
{
    why->kind = kind;
    why->reason = text;
    return false;
}

bool fail(Failure* why, int error)
{
    return fail(why, Failure::Kind::Io, qt_error_string(error));
}

bool failChanged(Failure* why)
{
    return fail(why, Failure::Kind::Changed, kChanged);
}

// Why a lock could not be had, from lockAgainstOthers's result.
bool failLock(Failure* why, int error)
{
    return error == EWOULDBLOCK ? fail(why, Failure::Kind::Busy, kBusy) : fail(why, error);
}

// The place of resolved, a path without symbolic links. A closed folder, with *why set, when
// the folder cannot be opened or is no longer at that path.
Place placeOf(const QByteArray& resolved, Failure* why)
{
    const qsizetype slash = resolved.lastIndexOf('/');
    const QByteArray folderPath = slash <= 0 ? QByteArray("/") : resolved.left(slash);
    Place place{Handle(SystemCalls::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), 0), folderPath,
        resolved.mid(slash + 1), {}};
    if (!place.folder.isOpen()) {
        fail(why, errno);
        return place;
    }
    // A folder on the path swapped for a link after the path was resolved would have sent the open
    // to another folder: the system knows where the opened folder really is.
    char buffer[PATH_MAX];
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(place.folder.fd());
    const ssize_t length = ::readlink(self.constData(), buffer, sizeof buffer);
    if (length >= 0 && QByteArrayView(buffer, length) != QByteArrayView(folderPath)) {
        place.folder = Handle();
        failChanged(why);
    }
    return place;
}

// A new file in a place's folder, opened for writing; it does not exist until this call makes it.
struct Temporary {
    Handle file;
    int folder = -1; // the place's, not owned
    QByteArray folderPath;
    QByteArray name;
};

// The names of temporary files: the prefix, then kTemporaryLetters random letters and digits.
constexpr char kTemporaryPrefix[] = ".sondrel-";
constexpr qsizetype kTemporaryLetters = 8;
constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

bool isTemporaryName(QByteArrayView name)
{
    const QByteArrayView prefix(kTemporaryPrefix);
    if (name.size() != prefix.size() + kTemporaryLetters || !name.startsWith(prefix))
        return false;
    return std::ranges::all_of(name.sliced(prefix.size()), [](char c) { return std::strchr(kLetters, c) && c != 0; });
}

// The newest a temporary file may be to count as left behind: a minute before this run began.
// Older than the run, it is not this run's; a minute older, its writer has long had the time to
// lock it (the lock follows the file's creation at once), so a file that is unlocked is no
// writer's. File times come from a coarser clock than this one, which the minute also covers.
const time_t kStaleBefore = [] {
    struct timespec now { };
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec - 60;
}();

// Removes from the folder the temporary files that a run of the program ended before it could
// finish left behind (a run that was killed, or a machine that lost power): regular files with the
// temporary names, last changed well before this run began, that no running Sondrel process holds (a
// writer holds its temporary file locked until it is renamed or removed). Once per folder and run,
// so that a batch in one folder looks at it once. Best effort: what cannot be removed stays.
void removeStaleTemporaries(int folder)
{
    struct stat self { };
    if (::fstat(folder, &self) != 0)
        return;
    static std::mutex mutex;
    static std::set<std::pair<dev_t, ino_t>> cleaned;
    {
        const std::lock_guard lock(mutex);
        if (!cleaned.insert({self.st_dev, self.st_ino}).second)
            return;
    }
    const int listed = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* const entries = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (!entries) {
        if (listed >= 0)
            ::close(listed);
        return;
    }
    while (const struct dirent* entry = ::readdir(entries)) {
        struct stat info { };
        if (!isTemporaryName(entry->d_name) || ::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0
            || !S_ISREG(info.st_mode) || info.st_mtim.tv_sec >= kStaleBefore)
            continue;
        const Handle stale(
            ::openat(folder, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC), 0);
        if (stale.isOpen() && ::flock(stale.fd(), LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(entries);
}

// Creates the temporary file in place's folder with a fresh hidden name and the given mode, less
// the umask, locked so that no other run takes it for one left behind. A closed handle, with errno
// set, when the folder refuses it.
Temporary createTemporary(const Place& place, mode_t mode)
{
    removeStaleTemporaries(place.folder.fd());
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = kTemporaryPrefix;
        for (qsizetype i = 0; i < kTemporaryLetters; ++i)
            name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        int fd;
        do {
            fd = SystemCalls::openat(place.folder.fd(), name.constData(),
                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            // Without the lock (a file system that has none) the file is only as safe from another
            // run's clean-up as its age makes it.
            ::flock(fd, LOCK_EX | LOCK_NB);
            return {Handle(fd, 0), place.folder.fd(), place.folderPath, name};
        }
        if (errno != EEXIST)
            break;
    }
    return {};
}

// The words around the name of a temporary file that stays behind after a failure, in its reason.
const QString kLeftBehind = QStringLiteral("; the temporary file ");
const QString kLeftBehindEnd = QStringLiteral(" could not be removed (");

// Closes and removes a temporary file that is not used. Empty when it is gone; otherwise words
// that name it and say why it stays, for the failure's reason, and *leftBehind names it. errno
// stays as it was.
QString discard(Temporary& temporary, QString* leftBehind)
{
    const int error = errno;
    temporary.file = Handle();
    QString leftOver;
    if (SystemCalls::unlinkat(temporary.folder, temporary.name.constData(), 0) != 0) {
        const QByteArray path
            = (temporary.folderPath.endsWith('/') ? temporary.folderPath : temporary.folderPath + '/') + temporary.name;
        *leftBehind = NativePath::decode(path);
        leftOver = kLeftBehind + *leftBehind + kLeftBehindEnd + qt_error_string(errno) + u')';
    }
    errno = error;
    return leftOver;
}

// A rename or removal is durable once the folder holding path is on disk too; a failure here
// cannot undo it and is not reported.
void syncFolder(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folderPath = slash < 0 ? QByteArray(".") : path.left(std::max<qsizetype>(slash, 1));
    const int folder = SystemCalls::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        SystemCalls::fsync(folder);
        ::close(folder);
    }
}

// Copies the extended attributes (user attributes, access lists, security labels) of the file
// open as from, an open without access to its bytes included, to the file open as to. One that the
// system does not let the caller read or set, or that a file system cannot hold, is left out, as a
// copy that keeps attributes does; any other failure is a failure, with errno set.
bool copyAttributes(int from, int to)
{
    // An open without access to the bytes cannot list attributes itself; its entry in /proc can.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(from);
    bool byPath = false;
    const auto list = [&](char* data, size_t size) {
        ssize_t got = byPath ? ::listxattr(self.constData(), data, size) : ::flistxattr(from, data, size);
        if (got < 0 && errno == EBADF && !byPath) {
            byPath = true;
            got = ::listxattr(self.constData(), data, size);
        }
        return got;
    };
    const auto get = [&](const char* name, char* data, size_t size) {
        return byPath ? ::getxattr(self.constData(), name, data, size) : ::fgetxattr(from, name, data, size);
    };
    // Without /proc (a bare chroot) an open without access to its bytes shows no attributes: they
    // are left out as ones the system does not let us read.
    const auto notAllowed = [&byPath](int error) {
        return error == ENOTSUP || error == EPERM || error == EACCES
            || (byPath && (error == ENOENT || error == ENOTDIR));
    };
    QByteArray names;
    for (;;) {
        const ssize_t size = list(nullptr, 0);
        if (size <= 0)
            return size == 0 || notAllowed(errno);
        names.resize(size);
        const ssize_t got = list(names.data(), size_t(size));
        if (got >= 0) {
            names.resize(got);
            break;
        }
        if (errno != ERANGE)
            return notAllowed(errno);
    }
    QByteArray value;
    for (qsizetype at = 0; at < names.size();) {
        const char* name = names.constData() + at;
        at += qsizetype(std::strlen(name)) + 1;
        ssize_t size;
        do {
            size = get(name, nullptr, 0);
            if (size >= 0) {
                value.resize(size);
                size = get(name, value.data(), size_t(size));
            }
        } while (size < 0 && errno == ERANGE);
        if (size < 0 && (errno == ENODATA || notAllowed(errno)))
            continue;
        if (size < 0)
            return false;
        if (SystemCalls::fsetxattr(to, name, value.constData(), size_t(size), 0) != 0 && !notAllowed(errno))
            return false;
    }
    return true;
}

// Gives up a temporary file that is not used, with kind and text as the failure (and the
// temporary file's name, should it stay behind).
bool abandon(Temporary& temporary, Failure* why, Failure::Kind kind, const QString& text)
{
    return fail(why, kind, text + discard(temporary, &why->leftBehind));
}

bool abandon(Temporary& temporary, Failure* why, int error)
{
    return abandon(temporary, why, Failure::Kind::Io, qt_error_string(error));
}

// Renames source in fromFolder to target in toFolder without replacing an existing file: 0, or the
// system's error. AT_FDCWD for paths.
int renameWithoutReplacing(int fromFolder, const QByteArray& source, int toFolder, const QByteArray& target)
{
    if (SystemCalls::renameat2(fromFolder, source.constData(), toFolder, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the no-replace rename: a new link fails when the name exists, and only
    // then is the old name removed.
    if (SystemCalls::linkat(fromFolder, source.constData(), toFolder, target.constData(), 0) != 0)
        return errno;
    if (SystemCalls::unlinkat(fromFolder, source.constData(), 0) != 0) {
        const int error = errno;
        SystemCalls::unlinkat(toFolder, target.constData(), 0);
        return error;
    }
    return 0;
}

// Puts a written temporary file in place: with keep's owner and mode when given and the extended
// attributes of the file open as attributesFrom when that is not -1, flushed to disk,
// renamed over the name, and the folder flushed. When replaced is given, the name must still hold
// that file (not following a link) just before the rename, or nothing is renamed: a file deleted
// or renamed meanwhile is not brought back, and a link put there is not followed. Without it the
// name must still be free: a file that appeared there meanwhile is not replaced. On failure the
// temporary file is removed, the name is unchanged and *why says why.
bool finishReplacement(Temporary& temporary, const Place& place, const struct stat* keep, int attributesFrom,
    const struct stat* replaced, Failure* why)
{
    const auto giveUp = [&](int error) { return abandon(temporary, why, error); };
    const int fd = temporary.file.fd();
    if (keep) {
        // Owner first: changing the owner may clear set-id bits, which the mode then restores.
        // Someone who may not give the file to its owner may still keep its group.
        if (SystemCalls::fchown(fd, keep->st_uid, keep->st_gid) != 0
            && (errno != EPERM || (SystemCalls::fchown(fd, uid_t(-1), keep->st_gid) != 0 && errno != EPERM)))
            return giveUp(errno);
        if (SystemCalls::fchmod(fd, keep->st_mode & 07777) != 0)
            return giveUp(errno);
    }
    // After the mode: an access list sets the permission bits it covers, as the original has them.
    if (attributesFrom >= 0 && !copyAttributes(attributesFrom, fd))
        return giveUp(errno);
    if (SystemCalls::fsync(fd) != 0)
        return giveUp(errno);
    if (replaced) {
        struct stat now { };
        if (SystemCalls::fstatat(place.folder.fd(), place.name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0)
            return giveUp(errno);
        if (now.st_dev != replaced->st_dev || now.st_ino != replaced->st_ino || !S_ISREG(now.st_mode))
            return abandon(temporary, why, Failure::Kind::Changed, kChanged);
    }
    if (!replaced) {
        if (const int error = renameWithoutReplacing(temporary.folder, temporary.name, temporary.folder, place.name))
            return giveUp(error);
    } else if (SystemCalls::renameat(
                   temporary.folder, temporary.name.constData(), temporary.folder, place.name.constData())
        != 0) {
        return giveUp(errno);
    }
    // Closed only now: the file's lock keeps other runs from taking it for one left behind.
    temporary.file = Handle();
    SystemCalls::fsync(place.folder.fd());
    return true;
}

const QString kNotRegular = QStringLiteral("Not a regular file");

// Why a file that is there cannot be copied, moved or replaced; empty for a regular file.
QString notRegularReason(const struct stat& info)
{
    if (S_ISDIR(info.st_mode))
        return qt_error_string(EISDIR);
    // No system message fits a pipe, a device or a socket.
    return S_ISREG(info.st_mode) ? QString() : kNotRegular;
}

// True when path names the file described by info, through any link or other name.
bool isSameFile(const struct stat& info, const QByteArray& path)
{
    struct stat other { };
    return ::stat(path.constData(), &other) == 0 && other.st_dev == info.st_dev && other.st_ino == info.st_ino;
}

// The path of a new file at native: its folder resolved, its name as it is. Nothing, with errno
// set, when the folder cannot be resolved.
std::optional<QByteArray> resolvedNewPath(const QByteArray& native)
{
    const qsizetype slash = native.lastIndexOf('/');
    const std::optional<QByteArray> folder = resolvedPath(slash < 0 ? QByteArray(".") : native.left(slash + 1));
    if (!folder)
        return std::nullopt;
    return (folder->endsWith('/') ? *folder : *folder + '/') + native.mid(slash + 1);
}

// Describes in *info the file that place's name holds, not following a link, and locks it against
// other Sondrel processes' changes while place holds it open: the file a replacement may replace,
// which must be the file that the path led to when it was looked up, described by found. False,
// with *why set, otherwise.
bool describeReplaced(Place& place, const struct stat& found, struct stat* info, Failure* why)
{
    Handle& file = place.found;
    // Opened for reading only to be locked: never blocking, and never at a link. A file the caller
    // may not read is held without access to its bytes, and unlocked: no other run can lock it
    // either.
    const auto openFound = [&](int flags) {
        file
            = Handle(SystemCalls::openat(place.folder.fd(), place.name.constData(), flags | O_NOFOLLOW | O_CLOEXEC), 0);
    };
    openFound(O_RDONLY | O_NONBLOCK | O_NOCTTY);
    const bool readable = file.isOpen();
    if (!readable && errno == EACCES)
        openFound(O_PATH);
    if (!file.isOpen())
        return errno == ELOOP ? failChanged(why) : fail(why, errno);
    if (::fstat(file.fd(), info) != 0)
        return fail(why, errno);
    if (info->st_dev != found.st_dev || info->st_ino != found.st_ino || !S_ISREG(info->st_mode))
        return failChanged(why);
    if (const int error = readable ? lockAgainstOthers(file.fd(), LOCK_EX) : 0)
        return failLock(why, error);
    return true;
}

// Where a file written to native lands, and whether it may be written there: the rules of
// writeAtomically. *exists tells whether a file is already there, described in *info by the
// file that the place's name holds. Nothing, with *why set, when the file is refused.
std::optional<Place> replacementTarget(const QByteArray& native, struct stat* info, bool* exists, Failure* why)
{
    if (native.isEmpty()) {
        fail(why, ENOENT);
        return std::nullopt;
    }
    *exists = ::stat(native.constData(), info) == 0;
    if (!*exists && errno != ENOENT) {
        fail(why, errno);
        return std::nullopt;
    }
    std::optional<QByteArray> target;
    if (*exists) {
        const QString refusal = notRegularReason(*info);
        if (!refusal.isEmpty() || !hasWriteBits(*info)) {
            refusal.isEmpty() ? fail(why, EACCES) : fail(why, Failure::Kind::NotRegular, refusal);
            return std::nullopt;
        }
        if (::faccessat(AT_FDCWD, native.constData(), W_OK, AT_EACCESS) != 0) {
            fail(why, errno);
            return std::nullopt;
        }
        target = resolvedPath(native);
    } else {
        // A new file: the folder must exist. A dangling symbolic link is refused, not replaced.
        struct stat link { };
        if (native.endsWith('/') || ::lstat(native.constData(), &link) == 0) {
            fail(why, ENOENT);
            return std::nullopt;
        }
        target = resolvedNewPath(native);
    }
    if (!target) {
        fail(why, errno);
        return std::nullopt;
    }
    Place place = placeOf(*target, why);
    if (!place.folder.isOpen())
        return std::nullopt;
    if (*exists) {
        const struct stat found = *info;
        if (!describeReplaced(place, found, info, why))
            return std::nullopt;
    }
    return place;
}

// Opens the regular file at path for copying, with its details in *info, and locks it against
// other Sondrel processes' changes while it is open (other copies may read it meanwhile). A closed
// handle, with *why set, for anything else.
Handle openSource(const QString& path, struct stat* info, Failure* why)
{
    Result<Handle> opened = openExisting(path, Access::Read);
    int error = 0;
    if (opened) {
        Handle& file = opened.value();
        if (const int lockError = lockAgainstOthers(file.fd(), LOCK_SH)) {
            failLock(why, lockError);
            return {};
        }
        // Described once locked: a change that held the lock meanwhile may have changed its length.
        if (::fstat(file.fd(), info) == 0)
            return std::move(file);
        error = errno;
    }
    const QByteArray native = nativePath(path);
    if (native.isEmpty() || ::stat(native.constData(), info) != 0)
        fail(why, native.isEmpty() ? ENOENT : errno);
    else if (const QString refusal = notRegularReason(*info); !refusal.isEmpty())
        fail(why, Failure::Kind::NotRegular, refusal);
    else if (!opened)
        fail(why, Failure::Kind::Io, opened.failure().reason);
    else
        fail(why, error);
    return {};
}

// Copies all of source, described by info, to a new temporary file beside target, with the
// source's permission bits and times, flushed to disk and checked to be as long as the source is
// now. keepGoing, when given, is asked before each chunk. On failure or cancel no temporary file
// is left, *why says why and the handle is closed.
Temporary copyToTemporary(const Handle& source, const struct stat& info, const Place& target,
    const std::function<bool()>& keepGoing, Failure* why)
{
    Temporary temporary = createTemporary(target, S_IRUSR | S_IWUSR);
    if (!temporary.file.isOpen()) {
        fail(why, errno);
        return {};
    }
    const auto giveUpWith = [&](Failure::Kind kind, const QString& text) {
        abandon(temporary, why, kind, text);
        return Temporary();
    };
    const auto giveUp = [&](int error) { return giveUpWith(Failure::Kind::Io, qt_error_string(error)); };
    const int fd = temporary.file.fd();
    ByteCopier copier;
    for (qint64 at = 0;;) {
        if (keepGoing && !keepGoing())
            return giveUpWith(Failure::Kind::Cancelled, QStringLiteral("Cancelled"));
        const qint64 got = copier.copy(source.fd(), at, fd, at, kCopyChunk);
        if (got == 0)
            break;
        if (got < 0)
            return giveUp(errno);
        at += got;
    }
    // The times last: every write changes them.
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (SystemCalls::fchmod(fd, info.st_mode & 0777) != 0 || !copyAttributes(source.fd(), fd)
        || SystemCalls::futimens(fd, times) != 0 || SystemCalls::fsync(fd) != 0)
        return giveUp(errno);
    struct stat now {
    }, copied{};
    if (::fstat(source.fd(), &now) != 0 || ::fstat(fd, &copied) != 0)
        return giveUp(errno);
    if (now.st_size != copied.st_size)
        return giveUpWith(Failure::Kind::Changed, QStringLiteral("The source changed while it was copied"));
    return temporary;
}

const QString kSameFile = QStringLiteral("Source and target are the same file");

// Copies the open source, described by info, to a temporary file beside target as copyToTemporary
// does and gives it target's name without replacing anything. On failure neither a temporary file
// nor a file at target is left and *why says why.
bool copyToNewName(const Handle& source, const struct stat& info, const QString& target,
    const std::function<bool()>& keepGoing, Failure* why)
{
    const QByteArray to = nativePath(target);
    struct stat existing { };
    if (to.isEmpty())
        return fail(why, ENOENT);
    // A taken name is refused before anything is copied; the final no-replace rename still guards
    // against a file that appears meanwhile.
    if (::lstat(to.constData(), &existing) == 0)
        return fail(why, EEXIST);
    const std::optional<QByteArray> resolved = resolvedNewPath(to);
    if (!resolved)
        return fail(why, errno);
    const Place place = placeOf(*resolved, why);
    if (!place.folder.isOpen())
        return false;
    Temporary temporary = copyToTemporary(source, info, place, keepGoing, why);
    if (!temporary.file.isOpen())
        return false;
    if (const int error = renameWithoutReplacing(temporary.folder, temporary.name, temporary.folder, place.name))
        return abandon(temporary, why, error);
    temporary.file = Handle();
    SystemCalls::fsync(place.folder.fd());
    return true;
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

Handle::Handle(Handle&& other) noexcept
    : m_fd(other.m_fd), m_size(other.m_size), m_device(other.m_device), m_inode(other.m_inode)
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
        m_device = other.m_device;
        m_inode = other.m_inode;
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
        result = SystemCalls::ftruncate(m_fd, size);
    } while (result < 0 && errno == EINTR);
    if (result < 0)
        return false;
    m_size = size;
    return true;
}

int Handle::release()
{
    return std::exchange(m_fd, -1);
}

namespace {

// What attempting action on path fails with until a step says otherwise.
Failure attempt(Failure::Action action, const QString& path, const QString& target = {})
{
    Failure why;
    why.action = action;
    why.path = path;
    why.target = target;
    return why;
}

// Success, or why as the failure. By reference: read only after done has been worked out, which
// may set why.
Result<void> outcome(bool done, const Failure& why)
{
    return done ? Result<void>() : Result<void>(why);
}

// Opens native after a look-up has found a regular file there, so that nothing but a regular file
// is ever opened (opening a device may act on it). The file, not yet checked to be the one looked
// up; a closed handle, with *why set, when the look-up or the open fails.
Handle openLookedUp(const QByteArray& native, Access access, Failure* why)
{
    struct stat info { };
    if (native.isEmpty() || ::stat(native.constData(), &info) != 0) {
        fail(why, Failure::Kind::Missing, qt_error_string(native.isEmpty() ? ENOENT : errno));
        return {};
    }
    if (!S_ISREG(info.st_mode)) {
        fail(why, Failure::Kind::Missing, notRegularReason(info));
        return {};
    }
    if (access == Access::ReadWrite && !hasWriteBits(info)) {
        fail(why, EACCES);
        return {};
    }
    // O_NONBLOCK: should the path turn into a pipe between the look-up and the open, the open
    // returns at once and the check that follows refuses it.
    const int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd;
    do {
        fd = SystemCalls::open(native.constData(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        fail(why, errno);
    return Handle(fd, 0);
}

// The open file as a handle that knows its length, described in info, when it is a regular file;
// closed, with *why set, otherwise.
Handle regularFile(Handle file, Failure* why, struct stat& info)
{
    if (::fstat(file.fd(), &info) != 0)
        fail(why, errno);
    else if (!S_ISREG(info.st_mode))
        fail(why, Failure::Kind::Io, notRegularReason(info));
    else
        return Handle(file.release(), info.st_size, info.st_dev, info.st_ino);
    return {};
}

} // namespace

Result<Handle> openExisting(const QString& path, Access access)
{
    Failure why = attempt(Failure::Action::Open, path);
    Handle file = openLookedUp(nativePath(path), access, &why);
    struct stat info { };
    if (file.isOpen())
        file = regularFile(std::move(file), &why, info);
    if (!file.isOpen())
        return why;
    return file;
}

Result<Handle> openForChange(const QString& path, Waiting waiting)
{
    Failure why = attempt(Failure::Action::Open, path);
    const QByteArray native = nativePath(path);
    // Each time the name is found holding another file, another process has finished a change
    // while this one waited: a few rounds, not a loop without end.
    for (int round = 0; round < 10; ++round) {
        Handle file = openLookedUp(native, Access::ReadWrite, &why);
        if (!file.isOpen())
            return why;
        if (const int error = lockAgainstOthers(file.fd(), LOCK_EX, waiting)) {
            failLock(&why, error);
            return why;
        }
        // Described once locked, as the change that held the lock left it.
        struct stat opened { };
        file = regularFile(std::move(file), &why, opened);
        if (!file.isOpen())
            return why;
        // A file without a name was replaced or removed meanwhile. A file with one name is the
        // file at the name, or the same file moved to another name (a rename, which changes no
        // byte): the file the caller meant either way. Only a file with more names may have lost
        // this one to a replacement while it keeps another: its name is looked up again. Otherwise
        // the next round opens what the name holds now (or finds it gone).
        if (opened.st_nlink == 1 || (opened.st_nlink > 1 && isSameFile(opened, native)))
            return file;
    }
    failLock(&why, EWOULDBLOCK);
    return why;
}

Result<void> replaceWithTail(const QString& path, const Handle& source, qint64 offset, const QByteArray& head)
{
    Failure why = attempt(Failure::Action::Replace, path);
    // The file's owner, mode and identity come from the open file whose bytes are read, never from
    // the path: by now the name may hold something else, which the check before the rename catches.
    const std::optional<QByteArray> target = resolvedPath(nativePath(path));
    struct stat info { };
    if (!target || ::fstat(source.fd(), &info) != 0)
        return outcome(fail(&why, errno), why);
    if (!hasWriteBits(info))
        return outcome(fail(&why, EACCES), why);
    const Place place = placeOf(*target, &why);
    if (!place.folder.isOpen())
        return why;
    Temporary temporary = createTemporary(place, S_IRUSR | S_IWUSR);
    if (!temporary.file.isOpen())
        return outcome(fail(&why, errno), why);

    if (!writeAll(temporary.file.fd(), head.constData(), head.size(), 0))
        return outcome(abandon(temporary, &why, errno), why);
    ByteCopier copier;
    for (qint64 at = offset;;) {
        const qint64 got = copier.copy(source.fd(), at, temporary.file.fd(), head.size() + at - offset, kCopyChunk);
        if (got == 0)
            break;
        if (got < 0)
            return outcome(abandon(temporary, &why, errno), why);
        at += got;
    }
    return outcome(finishReplacement(temporary, place, &info, source.fd(), &info, &why), why);
}

Result<void> writeAtomically(const QString& path, const QByteArray& bytes)
{
    Failure why = attempt(Failure::Action::Write, path);
    struct stat info { };
    bool exists = false;
    const std::optional<Place> target = replacementTarget(nativePath(path), &info, &exists, &why);
    if (!target)
        return why;

    // A new file is created with the mode it keeps; the umask applies. An existing file's
    // replacement stays private until it has the old file's owner and mode.
    Temporary temporary = createTemporary(*target, exists ? S_IRUSR | S_IWUSR : 0666);
    if (!temporary.file.isOpen())
        return outcome(fail(&why, errno), why);
    if (!writeAll(temporary.file.fd(), bytes.constData(), bytes.size(), 0))
        return outcome(abandon(temporary, &why, errno), why);
    return outcome(finishReplacement(temporary, *target, exists ? &info : nullptr, exists ? target->found.fd() : -1,
                       exists ? &info : nullptr, &why),
        why);
}

bool isNameTaken(const QString& from, const QString& to)
{
    struct stat sourceInfo {
    }, targetInfo{};
    if (::lstat(nativePath(to).constData(), &targetInfo) != 0)
        return false;
    return ::lstat(nativePath(from).constData(), &sourceInfo) != 0 || sourceInfo.st_dev != targetInfo.st_dev
        || sourceInfo.st_ino != targetInfo.st_ino;
}

Result<void> renameRefusal(const QString& path)
{
    // Only files are renamed: a folder, a pipe or a device that a playlist names is left where it
    // is, as it is for every other command (they count as missing). So is a link that leads to no
    // file: renaming it would move the link, not a file.
    Failure why = attempt(Failure::Action::Rename, path);
    const QByteArray native = nativePath(path);
    struct stat info { };
    if (!native.isEmpty() && ::stat(native.constData(), &info) == 0) {
        const QString refusal = notRegularReason(info);
        return outcome(refusal.isEmpty() || fail(&why, Failure::Kind::NotRegular, refusal), why);
    }
    const int error = errno;
    struct stat link { };
    if (native.isEmpty() || ::lstat(native.constData(), &link) != 0)
        return {};
    if (error == ENOENT)
        return outcome(
            fail(&why, Failure::Kind::NotRegular, QStringLiteral("Symbolic link to a file that does not exist")), why);
    return outcome(fail(&why, error), why);
}

Result<void> renameNoReplace(const QString& from, const QString& to)
{
    Failure why = attempt(Failure::Action::Rename, from, to);
    const QByteArray source = nativePath(from);
    const QByteArray target = nativePath(to);
    if (source.isEmpty() || target.isEmpty())
        return outcome(fail(&why, ENOENT), why);
    if (const Result<void> movable = renameRefusal(from); !movable) {
        Failure refused = movable.failure();
        refused.target = to;
        return refused;
    }
    // The rename is tried before the target is looked up: looking it up only when the rename fails
    // keeps a batch of renames at two system calls a file.
    const int error = renameWithoutReplacing(AT_FDCWD, source, AT_FDCWD, target);
    // The name it already has (or another name of the same file) is no failure.
    if (error == 0 || (error == EEXIST && !isNameTaken(from, to)))
        return {};
    return outcome(fail(&why, error), why);
}

Result<void> copyFile(const QString& source, const QString& target, const std::function<bool()>& keepGoing)
{
    Failure why = attempt(Failure::Action::Copy, source, target);
    struct stat info { };
    const Handle file = openSource(source, &info, &why);
    if (!file.isOpen())
        return why;
    const QByteArray native = nativePath(target);
    if (isSameFile(info, native))
        return outcome(fail(&why, Failure::Kind::SameFile, kSameFile), why);
    struct stat existing { };
    bool exists = false;
    const std::optional<Place> place = replacementTarget(native, &existing, &exists, &why);
    if (!place)
        return why;
    Temporary temporary = copyToTemporary(file, info, *place, keepGoing, &why);
    if (!temporary.file.isOpen())
        return why;
    // The copy keeps the mode and times it was given, not the replaced file's.
    return outcome(finishReplacement(temporary, *place, nullptr, -1, exists ? &existing : nullptr, &why), why);
}

Result<void> moveFile(const QString& source, const QString& target, const std::function<bool()>& keepGoing)
{
    Failure why = attempt(Failure::Action::Move, source, target);
    const QByteArray from = nativePath(source);
    const QByteArray to = nativePath(target);
    struct stat info { };
    if (from.isEmpty() || to.isEmpty() || ::stat(from.constData(), &info) != 0)
        return outcome(fail(&why, from.isEmpty() || to.isEmpty() ? ENOENT : errno), why);
    if (const QString refusal = notRegularReason(info); !refusal.isEmpty())
        return outcome(fail(&why, Failure::Kind::NotRegular, refusal), why);
    if (isSameFile(info, to))
        return outcome(fail(&why, Failure::Kind::SameFile, kSameFile), why);
    const int error = renameWithoutReplacing(AT_FDCWD, from, AT_FDCWD, to);
    if (error == EXDEV)
        return moveAcrossVolumes(source, target, keepGoing);
    return outcome(error == 0 || fail(&why, error), why);
}

Result<void> copyWithoutReplacing(const QString& source, const QString& target, const std::function<bool()>& keepGoing)
{
    Failure why = attempt(Failure::Action::Copy, source, target);
    struct stat info { };
    const Handle file = openSource(source, &info, &why);
    if (!file.isOpen())
        return why;
    if (isSameFile(info, nativePath(target)))
        return outcome(fail(&why, Failure::Kind::SameFile, kSameFile), why);
    return outcome(copyToNewName(file, info, target, keepGoing, &why), why);
}

Result<void> moveAcrossVolumes(const QString& source, const QString& target, const std::function<bool()>& keepGoing)
{
    Failure why = attempt(Failure::Action::Move, source, target);
    struct stat info { };
    Handle file = openSource(source, &info, &why);
    if (!file.isOpen())
        return why;
    if (!copyToNewName(file, info, target, keepGoing, &why))
        return why;
    // Only a complete copy under the target's name lets the source go; a source that cannot be
    // removed, or whose name no longer holds the file that was copied (another program replaced
    // it meanwhile), takes the copy back, so the file is never in two places after a failed move.
    const QByteArray to = nativePath(target);
    const QByteArray from = nativePath(source);
    if (!isSameFile(info, from)) {
        SystemCalls::unlink(to.constData());
        return outcome(failChanged(&why), why);
    }
    if (SystemCalls::unlink(from.constData()) != 0) {
        const int error = errno;
        SystemCalls::unlink(to.constData());
        return outcome(fail(&why, error), why);
    }
    syncFolder(from);
    return {};
}

Result<void> createFolder(const QString& path)
{
    Failure why = attempt(Failure::Action::CreateFolder, path);
    const QByteArray native = nativePath(path);
    if (native.isEmpty())
        return outcome(fail(&why, ENOENT), why);
    return outcome(::mkdir(native.constData(), 0777) == 0 || fail(&why, errno), why);
}
} // namespace FileOps
