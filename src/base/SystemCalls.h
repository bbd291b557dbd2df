#pragma once

#include <functional>
#include <sys/stat.h>
#include <sys/types.h>

#include <QList>

// The system calls through which FileOps opens, reads, writes, flushes, truncates, renames and
// removes users' files. Each behaves exactly as the call of the same name, unless a test has
// planned a fault: then the chosen call fails with the chosen error before touching anything, or
// the process ends at that point as a crash would. This is how the tests prove that every write
// path leaves a file with exactly its old or its new bytes, whatever fails and wherever.
//
// Look-ups that change nothing (stat, realpath, access checks, close) stay plain calls, except
// fstatat: it is the last check before a file is replaced, and its failure must abort that; and
// flock, without which no change may start. copy_file_range writes like pwrite.
namespace SystemCalls {

int open(const char* path, int flags, mode_t mode = 0);
int openat(int folder, const char* name, int flags, mode_t mode = 0);
int fstatat(int folder, const char* name, struct stat* info, int flags);
ssize_t pread(int fd, void* data, size_t count, off_t offset);
ssize_t pwrite(int fd, const void* data, size_t count, off_t offset);
int fsync(int fd);
int ftruncate(int fd, off_t size);
int renameat(int fromFolder, const char* from, int toFolder, const char* to);
int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned int flags);
int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags);
int unlink(const char* path);
int unlinkat(int folder, const char* name, int flags);
int fchmod(int fd, mode_t mode);
int fchown(int fd, uid_t owner, gid_t group);
int futimens(int fd, const struct timespec times[2]);
int fsetxattr(int fd, const char* name, const void* value, size_t size, int flags);
int flock(int fd, int operation);
ssize_t copy_file_range(int from, off_t* fromOffset, int to, off_t* toOffset, size_t count, unsigned int flags);

// What each call above is, as a fault plan counts and names it.
enum class Call {
    Open,
    Inspect,
    Read,
    Write,
    Sync,
    Truncate,
    Rename,
    Link,
    Remove,
    ChangeMode,
    ChangeOwner,
    SetTimes,
    SetAttribute,
    Lock,
    CopyRange
};
const char* nameOf(Call call);

// A plan of faults for the calls above, for tests. Calls are numbered from 1 after start(); a
// plan is kept until clear(). Without a plan every call is the plain system call, at the cost of
// one test of a flag. The plan is for one thread: tests set it up and run the operation there.
namespace Faults {

// Exit status of a process ended by crashAt.
constexpr int CrashStatus = 86;

// Starts counting calls (and recording which they were) from zero, with no faults planned.
void start();
// The number-th call from start() fails with error: errno is set and nothing is done, except that a
// failing write first writes the first half of its bytes, as a disk that fills up part-way does.
void failAt(int number, int error);
// The number-th call from start() ends the process before it is made: _exit(CrashStatus), no
// clean-up, as a power cut would leave things (minus what the disk had not written yet).
void crashAt(int number);
// Runs action just before the first call of the given kind from start() (before it is counted),
// once: how a test lets another process act at a chosen moment of an operation.
void runBefore(Call call, std::function<void()> action);
// The calls made since start(), in order.
QList<Call> calls();
// Back to plain system calls.
void clear();

} // namespace Faults

} // namespace SystemCalls
