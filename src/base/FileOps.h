#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QString>

#include "base/Result.h"

// The small layer through which the program reads and changes files. Every system call on a
// user's file goes through here, so the rules that protect files hold in one place:
// - nothing is ever created under a path that has vanished (no open creates a file);
// - only regular files are opened, and opening never blocks (a named pipe is refused, not read);
// - a file is written only when it is writable for its owner, even when the program runs as root;
// - a file rewritten from the front, or replaced whole, is written to a temporary file beside it
//   first; a temporary file that a run ended before it could finish left behind is removed the
//   next time a run writes one in that folder;
// - a file being changed is locked against every other Sondrel process's change (openForChange,
//   and the replacements below), so that two runs never mix their changes of one file;
// - a failure says why (a Failure: its kind, the system's words, the path), and names a temporary
//   file that could not be removed after it.
namespace FileOps {

// True when an ordinary file exists at the path: a regular file, after following symbolic links,
// whose name does not begin with "." (hidden on this system). Folders, devices, pipes, sockets
// and dangling links count as missing.
bool isOrdinaryFile(const QString& path);

// An open file, closed when the handle goes.
class Handle {
public:
    Handle() = default;
    Handle(int fd, qint64 size, quint64 device = 0, quint64 inode = 0)
        : m_fd(fd), m_size(size), m_device(device), m_inode(inode)
    { }
    ~Handle();
    Handle(Handle&& other) noexcept;
    Handle& operator=(Handle&& other) noexcept;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // The file's length when it was opened, kept up to date by this handle's own changes.
    qint64 size() const { return m_size; }
    // The file's device and inode numbers when it was opened (0 when not known).
    quint64 device() const { return m_device; }
    quint64 inode() const { return m_inode; }

    // Exactly count bytes from offset, or nothing when the file holds fewer or a read fails.
    std::optional<QByteArray> readAt(qint64 offset, qint64 count) const;
    // The same into the caller's buffer, for reads on hot paths; false when not all count bytes came.
    bool readInto(qint64 offset, char* data, qint64 count) const;
    // Writes all bytes at offset; false on any failure.
    bool writeAt(qint64 offset, const QByteArray& bytes);
    // Cuts or extends the file to size; one step that either happens or not.
    bool resize(qint64 size);
    // Gives up the open file without closing it: the caller owns it now.
    int release();

private:
    int m_fd = -1;
    qint64 m_size = 0;
    quint64 m_device = 0;
    quint64 m_inode = 0;
};

enum class Access { Read, ReadWrite };

// Opens an existing regular file: one look-up of the path before the open, so that nothing but a
// regular file is ever opened. A failure of kind Missing when nothing is at the path or it is not
// a regular file; Io for a regular file that could not be opened or (ReadWrite) that is read-only.
[[nodiscard]] Result<Handle> openExisting(const QString& path, Access access);

// Opens an existing regular file for reading and writing, as openExisting does, and locks it
// against every other Sondrel process's change for as long as the handle stays open: the span in
// which a caller reads the file, decides and writes. A lock that another Sondrel process holds is
// waited for briefly (about two seconds); when it is still held then, the result is a Busy
// failure. A file that another process replaced under the name while the lock was awaited is
// left alone and the file now at the name is opened instead, so the handle always holds the file
// the name leads to. On a file system without locks the file is opened unlocked. Other programs
// do not honour the lock.
// With Waiting::No, a lock held by anyone, this process included, is a Busy failure at once.
enum class Waiting { Briefly, No };
[[nodiscard]] Result<Handle> openForChange(const QString& path, Waiting waiting = Waiting::Briefly);

// True when the path's file name begins with "." (hidden on this system).
bool isHiddenName(const QString& path);

// Replaces the file at path with head followed by its own bytes from offset to the end, as read
// through source (which the caller opens for the change: openForChange).
// The new content goes to an exclusive temporary file in the same folder, is flushed to disk and
// renamed over the original; the original's mode, extended attributes and, where allowed, its
// owner are kept. A
// symbolic link is written through to its target. The original is replaced only while path's
// name still holds the file source reads (checked just before the rename): a file deleted,
// renamed or replaced meanwhile is left as it is. On any failure the original is unchanged, no
// temporary file is left, and the failure says why (Changed when the name holds another file).
[[nodiscard]] Result<void> replaceWithTail(
    const QString& path, const Handle& source, qint64 offset, const QByteArray& head = {});

// Replaces the file at path with bytes, or creates it: the bytes go to an exclusive temporary file
// in the same folder, are flushed to disk and renamed over the target (a symbolic link is written
// through to its target). An existing file keeps its mode, extended attributes and, where allowed,
// its owner, and is locked against other Sondrel processes' changes meanwhile (Busy's reason when
// one holds it too long); a new file gets mode 0666 less the umask, and a file that appears at the
// name meanwhile is not replaced. A folder, a file that is not a regular file, a read-only
// file (no write bit, whoever runs the program), a dangling symbolic link, a missing folder or
// one the user may not write are refused. An existing file is replaced only while the name still
// holds the file found there at the start (checked just before the rename), so that a file
// deleted, renamed or replaced meanwhile is left as it is. On any failure the old file is
// unchanged, no temporary file is left, and the failure says why in the system's words.
[[nodiscard]] Result<void> writeAtomically(const QString& path, const QByteArray& bytes);

// Gives the file at from the name to, never replacing an existing file: a target that exists is a
// failure (the system's rename would silently replace it). Giving a file the name it already has
// (the same path, or another path of the same file) succeeds and changes nothing. A rename across
// volumes fails, and so does renaming anything but a regular file (after following links): a
// folder, a pipe, a device, a dangling symbolic link or one that loops. On failure the failure
// says why in the system's words.
[[nodiscard]] Result<void> renameNoReplace(const QString& from, const QString& to);
// Whether renameNoReplace would move what is at path: a NotRegular failure (Io for a link that
// loops) when something is there but it is not a regular file after following links. Success for
// a regular file, and for a path where nothing is, whose rename fails as the system says.
[[nodiscard]] Result<void> renameRefusal(const QString& path);
// True when something other than the file at from already has the name to.
bool isNameTaken(const QString& from, const QString& to);

// Copies the regular file source to target, replacing a file already at target (a symbolic link
// there is written through to its target). The bytes go to an exclusive temporary file with a
// hidden name in the target's folder, are flushed to disk and renamed over target, so that a
// failed or cancelled copy never leaves a partial file under the target's name and no temporary
// file stays behind. The copy gets the source's permission bits (not its set-id and sticky bits:
// the copy belongs to whoever makes it), its extended attributes and its access and modification
// times.
// Refused, with the failure saying why: a source that is missing or not a regular file
// (a pipe is never opened), a target that is a folder or not a regular file, a read-only target
// (no write bit, whoever runs the program), a folder the user may not write, and a target that is
// the source itself, by any path or link (SameFile, "Source and target are the same file"), which
// is left as it is. A file at target is replaced only while the name still holds it, and locked, as for
// writeAtomically; the source is locked against changes by other Sondrel processes while it is
// read. keepGoing, when given, is asked before each 1 MiB chunk; a false answer stops the
// copy (Cancelled, "Cancelled") with target unchanged.
[[nodiscard]] Result<void> copyFile(
    const QString& source, const QString& target, const std::function<bool()>& keepGoing = {});

// Moves the regular file source to target, never replacing an existing file: a taken name fails
// as renameNoReplace does. On one volume this is a rename. When a rename cannot cross volumes the
// file is moved by moveAcrossVolumes. Moving a file onto itself is refused as for copyFile. On
// failure the source is where it was and the failure says why.
[[nodiscard]] Result<void> moveFile(
    const QString& source, const QString& target, const std::function<bool()>& keepGoing = {});

// Copies the regular file source to target as copyFile does, but never replaces anything: a name
// that is taken, when the copy starts or when it is about to get the name, fails with the system's
// "File exists", and the file there is left as it was.
[[nodiscard]] Result<void> copyWithoutReplacing(
    const QString& source, const QString& target, const std::function<bool()>& keepGoing = {});

// The move between volumes that moveFile falls back on: the source is copied to a temporary file
// in the target's folder as copyFile does, flushed to disk, checked to be as long as the source,
// given the target's name without replacing anything, and only then, while the source's name
// still holds the file that was copied, is the source removed. Any
// failure, a cancel through keepGoing included, leaves the source intact and neither a temporary
// file nor a file at target. Works on one volume too (it is simply slower than a rename).
[[nodiscard]] Result<void> moveAcrossVolumes(
    const QString& source, const QString& target, const std::function<bool()>& keepGoing = {});

// Makes the folder path (mode 0777 less the umask); its parent must exist. A name that is taken
// fails. On failure the failure says why in the system's words.
[[nodiscard]] Result<void> createFolder(const QString& path);

} // namespace FileOps
