#include "base/SystemCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <stdio.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QHash>

namespace SystemCalls {

namespace {

struct Plan {
    bool active = false;
    int count = 0;
    QHash<int, int> errors; // call number -> errno
    int crashAt = 0;
    std::optional<Call> actBefore;
    std::function<void()> action;
    QList<Call> calls;
};

Plan& plan()
{
    static Plan instance;
    return instance;
}

// Counts a call under a plan; false (with errno set) when the plan makes this call fail. Ends the
// process when the plan crashes here.
bool allowed(Call call)
{
    Plan& current = plan();
    if (!current.active)
        return true;
    if (current.actBefore == call) {
        current.actBefore.reset();
        // Moved out first: the action may make calls of its own through here.
        const std::function<void()> action = std::move(current.action);
        action();
    }
    const int number = ++current.count;
    current.calls.append(call);
    if (number == current.crashAt)
        ::_exit(Faults::CrashStatus);
    if (const auto error = current.errors.constFind(number); error != current.errors.constEnd()) {
        errno = *error;
        return false;
    }
    return true;
}

} // namespace

const char* nameOf(Call call)
{
    switch (call) {
    case Call::Open: return "open";
    case Call::Inspect: return "fstatat";
    case Call::Read: return "read";
    case Call::Write: return "write";
    case Call::Sync: return "fsync";
    case Call::Truncate: return "truncate";
    case Call::Rename: return "rename";
    case Call::Link: return "link";
    case Call::Remove: return "unlink";
    case Call::ChangeMode: return "fchmod";
    case Call::ChangeOwner: return "fchown";
    case Call::SetTimes: return "futimens";
    case Call::SetAttribute: return "fsetxattr";
    case Call::Lock: return "flock";
    case Call::CopyRange: return "copy_file_range";
    }
    return "?";
}

int open(const char* path, int flags, mode_t mode)
{
    return allowed(Call::Open) ? ::open(path, flags, mode) : -1;
}

int openat(int folder, const char* name, int flags, mode_t mode)
{
    return allowed(Call::Open) ? ::openat(folder, name, flags, mode) : -1;
}

int fstatat(int folder, const char* name, struct stat* info, int flags)
{
    return allowed(Call::Inspect) ? ::fstatat(folder, name, info, flags) : -1;
}

ssize_t pread(int fd, void* data, size_t count, off_t offset)
{
    return allowed(Call::Read) ? ::pread(fd, data, count, offset) : -1;
}

ssize_t pwrite(int fd, const void* data, size_t count, off_t offset)
{
    if (allowed(Call::Write))
        return ::pwrite(fd, data, count, offset);
    // A disk that fails part-way has often taken some of the bytes: the worst case for a caller.
    const int error = errno;
    if (count > 1)
        ::pwrite(fd, data, count / 2, offset);
    errno = error;
    return -1;
}

int fsync(int fd)
{
    return allowed(Call::Sync) ? ::fsync(fd) : -1;
}

int ftruncate(int fd, off_t size)
{
    return allowed(Call::Truncate) ? ::ftruncate(fd, size) : -1;
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to)
{
    return allowed(Call::Rename) ? ::renameat(fromFolder, from, toFolder, to) : -1;
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned int flags)
{
    return allowed(Call::Rename) ? ::renameat2(fromFolder, from, toFolder, to, flags) : -1;
}

int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags)
{
    return allowed(Call::Link) ? ::linkat(fromFolder, from, toFolder, to, flags) : -1;
}

int unlink(const char* path)
{
    return allowed(Call::Remove) ? ::unlink(path) : -1;
}

int unlinkat(int folder, const char* name, int flags)
{
    return allowed(Call::Remove) ? ::unlinkat(folder, name, flags) : -1;
}

int fchmod(int fd, mode_t mode)
{
    return allowed(Call::ChangeMode) ? ::fchmod(fd, mode) : -1;
}

int fchown(int fd, uid_t owner, gid_t group)
{
    return allowed(Call::ChangeOwner) ? ::fchown(fd, owner, group) : -1;
}

int futimens(int fd, const struct timespec times[2])
{
    return allowed(Call::SetTimes) ? ::futimens(fd, times) : -1;
}

int fsetxattr(int fd, const char* name, const void* value, size_t size, int flags)
{
    return allowed(Call::SetAttribute) ? ::fsetxattr(fd, name, value, size, flags) : -1;
}

int flock(int fd, int operation)
{
    return allowed(Call::Lock) ? ::flock(fd, operation) : -1;
}

ssize_t copy_file_range(int from, off_t* fromOffset, int to, off_t* toOffset, size_t count, unsigned int flags)
{
    return allowed(Call::CopyRange) ? ::copy_file_range(from, fromOffset, to, toOffset, count, flags) : -1;
}

namespace Faults {

void start()
{
    plan() = Plan();
    plan().active = true;
}

void failAt(int number, int error)
{
    plan().errors.insert(number, error);
}

void crashAt(int number)
{
    plan().crashAt = number;
}

void runBefore(Call call, std::function<void()> action)
{
    plan().actBefore = call;
    plan().action = std::move(action);
}

QList<Call> calls()
{
    return plan().calls;
}

void clear()
{
    plan() = Plan();
}

} // namespace Faults

} // namespace SystemCalls
