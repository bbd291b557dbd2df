#include "base/FileOps.h"

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "base/SystemCalls.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using SystemCalls::Call;
namespace Faults = SystemCalls::Faults;

namespace {

const QString kChanged = u"The file changed while it was being written and was left as it is"_s;
const QString kSameFile = u"Source and target are the same file"_s;
const QString kNotRegular = u"Not a regular file"_s;

// The failure's reason, empty on success; a failure without a reason never passes for a success.
template <class T> QString reasonOf(const Result<T>& result)
{
    if (result)
        return {};
    return result.failure().reason.isEmpty() ? u"(a failure without a reason)"_s : result.failure().reason;
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

void setMode(const QString& path, mode_t mode)
{
    ASSERT_EQ(::chmod(native(path).constData(), mode), 0);
}

// A file with the given mode, last changed long ago, so that a copy shows whether it kept both.
QString oldFile(const TestFiles& files, const QString& name, const QByteArray& bytes, mode_t mode)
{
    const QString path = files.write(name, bytes);
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, native(path).constData(), times, 0);
    setMode(path, mode);
    return path;
}

struct stat statOf(const QString& path)
{
    struct stat info { };
    EXPECT_EQ(::stat(native(path).constData(), &info), 0);
    return info;
}

// A folder with one entry of each kind: song.mp3, a hidden file, a folder, a named pipe, a
// listening socket, and symbolic links to the song, to the folder, to nothing and to themselves.
struct EveryKind {
    TestFiles files;
    QString song = files.write(u"song.mp3"_s, "old");
    int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    EveryKind()
    {
        files.write(u".hidden.mp3"_s, "old");
        QDir(files.folder()).mkdir(u"folder"_s);
        ::mkfifo(native(files.path(u"pipe"_s)).constData(), 0644);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = native(files.path(u"socket"_s));
        std::copy_n(name.constData(), std::min<qsizetype>(name.size(), sizeof address.sun_path - 1), address.sun_path);
        EXPECT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        const std::pair<const char*, const char*> links[] = {
            {"song.mp3", "link.mp3"}, {"gone.mp3", "dangling.mp3"}, {"loop.mp3", "loop.mp3"}, {"folder", "folderlink"}};
        for (const auto& [target, link] : links)
            EXPECT_TRUE(QFile::link(files.path(QString::fromUtf8(target)), files.path(QString::fromUtf8(link))));
    }
    ~EveryKind() { ::close(socketFd); }
};

// One of the ways the program changes song: "RemoveFront" keeps the bytes after the first six,
// "Save" writes "saved", "CopyOver" copies source over it, "CopyOut" copies it over source and
// "Cut" keeps its first two bytes in place. afterOpen runs once song is open for the change.
Result<void> change(
    const std::string& how, const QString& song, const QString& source, const std::function<void()>& afterOpen = [] {})
{
    if (how == "RemoveFront" || how == "Cut") {
        Result<FileOps::Handle> file = FileOps::openForChange(song);
        if (!file)
            return file.failure();
        afterOpen();
        if (how == "RemoveFront")
            return FileOps::replaceWithTail(song, *file, 6);
        Failure uncut;
        uncut.reason = u"not cut"_s;
        return file->resize(2) ? Result<void>() : Result<void>(uncut);
    }
    afterOpen();
    if (how == "Save")
        return FileOps::writeAtomically(song, "saved");
    return how == "CopyOver" ? FileOps::copyFile(source, song) : FileOps::copyFile(song, source);
}

} // namespace

// Only regular files are opened, written, copied or renamed; everything else is refused with a
// reason and left as it is, and nothing is made where a dangling link points.
TEST(FileOps, TreatsOnlyRegularFilesAsFiles)
{
    const EveryKind kinds;
    const auto at = [&](const char* name) { return kinds.files.path(QString::fromUtf8(name)); };
    const std::nullopt_t untried = std::nullopt;
    const QString isDir = qt_error_string(EISDIR), missing = qt_error_string(ENOENT), loop = qt_error_string(ELOOP);
    struct Case {
        QString path;
        bool ordinary;
        bool opens; // hidden files are regular files: only the ordinary-file test refuses them
        std::optional<QString> written, copied, renamed; // the failure of each, empty when it is done
    } const cases[] = {
        {kinds.song + u"/below.mp3"_s, false, false, untried, qt_error_string(ENOTDIR), untried},
        {at("link.mp3"), true, true, QString(), QString(), QString()}, // renamed before its target moves
        {kinds.song, true, true, QString(), QString(), QString()},
        {at(".hidden.mp3"), false, true, untried, QString(), untried},
        {at("folder"), false, false, isDir, isDir, isDir},
        {at("folderlink"), false, false, isDir, isDir, isDir},
        {at("pipe"), false, false, kNotRegular, kNotRegular, kNotRegular},
        {at("socket"), false, false, kNotRegular, kNotRegular, kNotRegular},
        {at("dangling.mp3"), false, false, missing, missing, u"Symbolic link to a file that does not exist"_s},
        {at("missing.mp3"), false, false, untried, missing, missing},
        {at("loop.mp3"), false, false, loop, loop, loop},
        {kinds.files.path(QString(300, u'n')), false, false, untried, untried, untried},
        {kinds.song + QChar(0) + u"x"_s, false, false, missing, missing, missing},
        {u"/dev/null"_s, false, false, untried, kNotRegular, untried},
        {u"/dev/zero"_s, false, false, untried, untried, untried},
        {QString(), false, false, untried, untried, untried},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(FileOps::isOrdinaryFile(c.path), c.ordinary);
        // Opening never blocks and never opens what is not a regular file.
        const Result<FileOps::Handle> file = FileOps::openExisting(c.path, FileOps::Access::Read);
        EXPECT_EQ(file && file->isOpen(), c.opens);
        if (c.written) {
            EXPECT_EQ(reasonOf(FileOps::writeAtomically(c.path, "new")), *c.written);
        }
        if (c.copied) {
            EXPECT_EQ(reasonOf(FileOps::copyFile(c.path, at("b.mp3"))), *c.copied);
        }
        if (c.renamed) {
            EXPECT_EQ(reasonOf(FileOps::renameNoReplace(c.path, c.path + u" - renamed"_s)), *c.renamed);
        }
    }
    EXPECT_EQ(TestFiles::read(at("song.mp3 - renamed")), "new");
    EXPECT_EQ(TestFiles::read(at("b.mp3")), "old"); // the hidden file's copy, the last one made
    EXPECT_EQ(kinds.files.entries(),
        QStringList({u".hidden.mp3"_s, u"b.mp3"_s, u"dangling.mp3"_s, u"folder"_s, u"folderlink"_s,
            u"link.mp3 - renamed"_s, u"loop.mp3"_s, u"pipe"_s, u"socket"_s, u"song.mp3 - renamed"_s}));
}

// A replacement keeps the file's mode, owner and extended attributes and writes through a link to
// its target; a copy over it takes the source's mode, times and attributes instead.
TEST(FileOps, ReplacementsKeepTheFileAndCopiesTakeTheSource)
{
    const struct {
        const char* how;
        QByteArray bytes;
        bool copy;
    } cases[] = {{"RemoveFront", "audio", false}, {"Save", "saved", false}, {"CopyOver", "copied", true}};
    // Root may give the new file to the old one's owner; everyone else keeps their own.
    const uid_t owner = ::geteuid() == 0 ? 65534 : ::geteuid();
    const gid_t group = ::geteuid() == 0 ? 65534 : ::getegid();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const TestFiles files;
        const QString song = files.write(u"song.mp3"_s, "HEADERaudio");
        setMode(song, 0640);
        ASSERT_EQ(::chown(native(song).constData(), owner, group), 0);
        const QString source = oldFile(files, u"source.mp3"_s, "copied", 0604);
        const bool attributes = ::setxattr(native(song).constData(), "user.rating", "s", 1, 0) == 0
            && ::setxattr(native(source).constData(), "user.rating", "c", 1, 0) == 0;
        const QString link = files.path(u"link.mp3"_s);
        ASSERT_TRUE(QFile::link(song, link));

        EXPECT_EQ(reasonOf(change(c.how, link, source)), QString());
        EXPECT_EQ(TestFiles::read(song), c.bytes);
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), song);
        const struct stat info = statOf(song);
        EXPECT_EQ(info.st_mode & 07777, c.copy ? 0604u : 0640u);
        EXPECT_EQ(info.st_uid, c.copy ? ::geteuid() : owner);
        EXPECT_EQ(info.st_gid, c.copy ? ::getegid() : group);
        EXPECT_EQ(info.st_mtim.tv_sec == 1000000000, c.copy);
        char value = 0;
        if (attributes) {
            EXPECT_EQ(::getxattr(native(song).constData(), "user.rating", &value, 1), 1);
            EXPECT_EQ(value, c.copy ? 'c' : 's');
        }
        EXPECT_EQ(files.entries(), QStringList({u"link.mp3"_s, u"song.mp3"_s, u"source.mp3"_s}));
    }
}

// Another program acts on the name while a replacement is under way: the replacement changes only
// the file whose bytes it read (or, for a copy over a file, the file it found there), a file put
// in the name's place through a link is never reached, and a file deleted meanwhile is not
// brought back.
TEST(FileOps, ReplacesOnlyTheFileThatWasRead)
{
    enum class Meddling { SwapForLink, Delete, SwapFolderForLink };
    struct Case {
        const char* how;
        Meddling meddling;
        bool afterOpen; // the meddling comes once the file is open; otherwise just before the flush
        QString reason; // empty: the replacement goes ahead, in the folder it was started in
    };
    const QString gone = qt_error_string(ENOENT);
    const Case cases[] = {
        {"RemoveFront", Meddling::SwapForLink, true, kChanged},
        {"RemoveFront", Meddling::Delete, false, gone},
        {"Save", Meddling::SwapForLink, false, kChanged},
        {"Save", Meddling::Delete, false, gone},
        {"Save", Meddling::SwapFolderForLink, false, {}},
        {"CopyOver", Meddling::SwapForLink, false, kChanged},
        {"CopyOver", Meddling::Delete, false, gone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.how << " meddling " << int(c.meddling));
        const TestFiles files;
        ASSERT_TRUE(QDir(files.folder()).mkdir(u"music"_s));
        ASSERT_TRUE(QDir(files.folder()).mkdir(u"elsewhere"_s));
        const QString song = files.write(u"music/song.mp3"_s, "HEADERaudio");
        // A file the user never named, in another folder, under the same name.
        const QString other = files.write(u"elsewhere/song.mp3"_s, "private");
        const std::function<void()> meddle = [&] {
            if (c.meddling == Meddling::SwapFolderForLink) {
                ASSERT_TRUE(QDir(files.folder()).rename(u"music"_s, u"music.old"_s));
                ASSERT_TRUE(QFile::link(files.path(u"elsewhere"_s), files.path(u"music"_s)));
                return;
            }
            ASSERT_EQ(::unlink(native(song).constData()), 0);
            if (c.meddling == Meddling::SwapForLink) {
                ASSERT_TRUE(QFile::link(other, song));
            }
        };
        Faults::start();
        if (!c.afterOpen)
            Faults::runBefore(Call::Sync, meddle);
        const QString reason = reasonOf(change(
            c.how, song, files.write(u"source.mp3"_s, "copied"), c.afterOpen ? meddle : [] {}));
        Faults::clear();

        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(TestFiles::read(other), QByteArray("private"));
        struct stat now { };
        EXPECT_EQ(::lstat(native(song).constData(), &now) == 0, c.meddling != Meddling::Delete)
            << "a deleted file came back";
        EXPECT_EQ(S_ISLNK(now.st_mode), c.meddling == Meddling::SwapForLink);
        if (c.meddling == Meddling::SwapFolderForLink) {
            EXPECT_EQ(TestFiles::read(files.path(u"music.old/song.mp3"_s)), QByteArray("saved"));
        }
        const QStringList left = QDir(files.path(u"music/"_s)).entryList(QDir::Files | QDir::Hidden | QDir::System);
        EXPECT_TRUE(left.filter(u".sondrel-"_s).isEmpty()) << left.join(u' ').toStdString();
    }
}

TEST(FileOps, WaitsForAnotherRunsChangeAndWorksOnWhatItLeft)
{
    // Another run holds song.mp3 locked while it changes it; then it lets go, after replacing the
    // file under its name or not, or it holds on for longer than ours waits (about two seconds).
    // Ours waits for it and then works on what the name holds.
    enum class Other { LetsGo, ReplacesAndLetsGo, HoldsOn };
    const QString busy = u"The file is being changed by another Sondrel process"_s;
    const struct {
        const char* how;
        Other other;
        QByteArray song; // song.mp3 afterwards
        QString reason; // empty when ours succeeds
    } cases[] = {
        {"Cut", Other::LetsGo, "ol", {}},
        {"Cut", Other::ReplacesAndLetsGo, "th", {}},
        {"Cut", Other::HoldsOn, "old", busy},
        {"Save", Other::LetsGo, "saved", {}},
        {"Save", Other::ReplacesAndLetsGo, "theirs", kChanged},
        {"Save", Other::HoldsOn, "old", busy},
        {"CopyOut", Other::LetsGo, "old", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.how << " other " << int(c.other));
        const TestFiles files;
        const QString song = files.write(u"song.mp3"_s, "old");
        const int theirs = ::open(native(song).constData(), O_RDWR);
        ASSERT_EQ(::flock(theirs, LOCK_EX), 0);
        // The other run finishes once ours has the file open and waits for the lock.
        std::thread other;
        Faults::start();
        Faults::runBefore(Call::Lock, [&] {
            other = std::thread([&] {
                if (c.other == Other::HoldsOn)
                    return;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (c.other == Other::ReplacesAndLetsGo)
                    ::rename(native(files.write(u".next"_s, "theirs")).constData(), native(song).constData());
                ::close(theirs);
            });
        });
        const QString reason = reasonOf(change(c.how, song, files.path(u"copy.mp3"_s)));
        Faults::clear();
        const bool ran = other.joinable();
        if (ran)
            other.join();
        if (c.other == Other::HoldsOn || !ran)
            ::close(theirs);
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(TestFiles::read(song), c.song);
        EXPECT_EQ(files.entries().filter(u".sondrel-"_s), QStringList());
    }
}

// A call the system interrupts before it did anything is made again; a lock that the file system
// cannot give (it has none, or, on a network, none on a file open for reading) is gone without.
// Either way the operation succeeds.
TEST(FileOps, GoesOnPastAnInterruptedCallOrALockTheFileSystemCannotGive)
{
    const struct {
        Call call;
        int error;
        const char* how;
        QByteArray song; // afterwards
    } cases[] = {
        {Call::Write, EINTR, "Save", "saved"},
        {Call::Read, EINTR, "RemoveFront", "audio"}, // a tail that starts inside a block goes through a buffer
        {Call::CopyRange, EINTR, "CopyOver", "copied"}, // between files that line up, bytes stay in the system
        {Call::Open, EINTR, "Cut", "HE"},
        {Call::Lock, EINTR, "Cut", "HE"},
        {Call::Truncate, EINTR, "Cut", "HE"},
        {Call::Lock, ENOLCK, "Save", "saved"},
        {Call::Lock, EOPNOTSUPP, "Cut", "HE"},
        {Call::Lock, EBADF, "Save", "saved"},
        {Call::Lock, EBADF, "Cut", "HE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << SystemCalls::nameOf(c.call) << " fails with " << c.error << " in " << c.how);
        const TestFiles files;
        const QString song = files.write(u"song.mp3"_s, "HEADERaudio");
        const QString source = files.write(u"source.mp3"_s, "copied");
        bool made = false;
        Faults::start();
        Faults::runBefore(c.call, [&] {
            made = true;
            Faults::failAt(int(Faults::calls().size()) + 1, c.error);
        });
        EXPECT_EQ(reasonOf(change(c.how, song, source)), QString());
        Faults::clear();
        EXPECT_TRUE(made);
        EXPECT_EQ(TestFiles::read(song), c.song);
    }
}

TEST(FileOps, NamesATemporaryFileThatCouldNotBeRemoved)
{
    // The flush of the new bytes fails, and so does the removal of the temporary file after it.
    const TestFiles files;
    const QString list = files.write(u"list.m3u"_s, "old");
    Faults::start();
    Faults::runBefore(Call::Sync, [] {
        const int next = int(Faults::calls().size()) + 1;
        Faults::failAt(next, EIO);
        Faults::failAt(next + 1, EPERM);
    });
    const Result<void> written = FileOps::writeAtomically(list, "new");
    Faults::clear();
    ASSERT_FALSE(written);
    const QStringList left = files.entries().filter(u".sondrel-"_s);
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(written.failure().reason,
        qt_error_string(EIO) + u"; the temporary file "_s + files.path(left.front()) + u" could not be removed ("_s
            + qt_error_string(EPERM) + u')');
    EXPECT_EQ(written.failure().leftBehind, files.path(left.front()));
    EXPECT_EQ(TestFiles::read(list), "old");
}

// Writing bytes to a path, or copying a file there: a new file is made, with the mode the umask
// leaves or the source's mode and times; a read-only file, a file in a folder the user may not
// write, a missing folder and the source itself, by any path, are refused and left as they are.
TEST(FileOps, WritesAndCopiesOnlyWhereAFileMayBe)
{
    TestFiles files;
    const QString source = oldFile(files, u"a.mp3"_s, "new", 0640);
    const QString link = files.path(u"link.mp3"_s);
    ASSERT_TRUE(QFile::link(source, link));
    const QString readOnly = oldFile(files, u"read-only.mp3"_s, "old", 0444);
    ASSERT_TRUE(QDir(files.folder()).mkdir(u"locked"_s));
    const QString inLocked = files.write(u"locked/a.m3u"_s, "old");
    setMode(files.path(u"locked"_s), 0555);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const QString denied = qt_error_string(EACCES);
    struct Case {
        QString from; // empty: "new" is written
        QString to;
        QString reason;
        QByteArray after; // the target's bytes afterwards; null when there is none
        mode_t mode = 0;
        bool asUser = false; // root may write into a read-only folder; CI runs this as nobody too
    } const cases[] = {
        {{}, files.path(u"new.m3u"_s), {}, "new", mode_t(0666 & ~mask)},
        {{}, readOnly, denied, "old", 0444}, // refused even for root
        {{}, files.path(u"missing/new.m3u"_s), qt_error_string(ENOENT), {}},
        {{}, inLocked, denied, "old", 0644, true},
        {{}, files.path(u"locked/b.m3u"_s), denied, {}, 0, true},
        {source, files.path(u"new.mp3"_s), {}, "new", 0640},
        {source, source, kSameFile, "new", 0640},
        {source, link, kSameFile, "new", 0640},
        {link, files.path(u"./a.mp3"_s), kSameFile, "new", 0640},
        {source, readOnly, denied, "old", 0444}, // refused even for root
        {source, files.path(u"missing/new.mp3"_s), qt_error_string(ENOENT), {}},
        {source, files.path(u"locked/c.mp3"_s), denied, {}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.from + u" -> "_s + c.to).toStdString());
        if (c.asUser && ::geteuid() == 0)
            continue;
        EXPECT_EQ(reasonOf(c.from.isEmpty() ? FileOps::writeAtomically(c.to, "new") : FileOps::copyFile(c.from, c.to)),
            c.reason);
        EXPECT_EQ(QFileInfo::exists(c.to), !c.after.isNull());
        if (!c.after.isNull()) {
            EXPECT_EQ(TestFiles::read(c.to), c.after);
            EXPECT_EQ(TestFiles::modeOf(c.to), c.mode);
        }
        if (!c.from.isEmpty() && c.reason.isEmpty()) {
            EXPECT_EQ(statOf(c.to).st_mtim.tv_sec, 1000000000);
        }
    }
    setMode(files.path(u"locked"_s), 0755);
    EXPECT_EQ(files.entries(),
        QStringList({u"a.mp3"_s, u"link.mp3"_s, u"locked"_s, u"new.m3u"_s, u"new.mp3"_s, u"read-only.mp3"_s}));
    EXPECT_EQ(QDir(files.path(u"locked"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({u"a.m3u"_s}));
}

TEST(FileOps, CopiesInChunksAndStopsWhenCancelled)
{
    const QByteArray audio = TestBytes::audio(3 * 1024 * 1024 + 5);
    struct Case {
        bool existing;
        int answers; // keepGoing says yes this many times, then no
    } const cases[] = {{false, 100}, {false, 2}, {true, 2}, {true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "existing " << c.existing << ", answers " << c.answers);
        TestFiles files;
        const QString source = files.write(u"a.mp3"_s, audio);
        const QString target = files.path(u"b.mp3"_s);
        if (c.existing)
            files.write(u"b.mp3"_s, "old");
        int asked = 0;
        const QString reason = reasonOf(FileOps::copyFile(source, target, [&] { return asked++ < c.answers; }));
        const bool cancelled = c.answers < 5;
        EXPECT_EQ(reason, cancelled ? u"Cancelled"_s : QString());
        EXPECT_EQ(asked, cancelled ? c.answers + 1 : 5); // four chunks and the end of the file
        EXPECT_EQ(QFile::exists(target), !cancelled || c.existing);
        if (QFile::exists(target)) {
            EXPECT_EQ(TestFiles::read(target), cancelled ? QByteArray("old") : audio);
        }
        EXPECT_EQ(files.entries().size(), QFile::exists(target) ? 2 : 1);
    }
}

TEST(FileOps, MovesWithoutEverReplacingAFile)
{
    using Move = Result<void> (*)(const QString&, const QString&, const std::function<bool()>&);
    struct Case {
        const char* from;
        const char* to;
        QString reason; // empty when moved; "?" for a failure of any reason
        bool cancel = false;
    } const cases[] = {
        {"a.mp3", "b.mp3", {}},
        {"a.mp3", "taken.mp3", qt_error_string(EEXIST)},
        {"a.mp3", "a.mp3", kSameFile},
        {"a.mp3", "link.mp3", kSameFile},
        {"link.mp3", "a.mp3", u"?"_s},
        {"missing.mp3", "b.mp3", qt_error_string(ENOENT)},
        {"a.mp3", "missing/b.mp3", u"?"_s},
        {"a.mp3", "b.mp3", u"Cancelled"_s, true},
    };
    for (const Move move : {Move(FileOps::moveFile), Move(FileOps::moveAcrossVolumes)}) {
        const bool rename = move == Move(FileOps::moveFile);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (rename ? "move " : "across volumes ") << c.from << " -> " << c.to
                                            << (c.cancel ? " cancelled" : ""));
            TestFiles files;
            const QString source = oldFile(files, u"a.mp3"_s, "audio", 0640);
            files.write(u"taken.mp3"_s, "taken");
            ASSERT_TRUE(QFile::link(source, files.path(u"link.mp3"_s)));
            const QStringList before = files.entries();
            const QString to = files.path(QString::fromUtf8(c.to));
            QString reason = reasonOf(move(files.path(QString::fromUtf8(c.from)), to, [&] { return !c.cancel; }));
            // A cancel cannot reach a rename on one volume; across volumes a taken name is refused
            // before the same file could be noticed.
            QString expected = c.cancel && rename ? QString() : c.reason;
            if (expected == kSameFile && !rename)
                expected = qt_error_string(EEXIST);
            if (expected == u"?"_s && !reason.isEmpty())
                reason = expected;
            EXPECT_EQ(reason, expected);
            if (!expected.isEmpty()) {
                EXPECT_EQ(files.entries(), before);
                EXPECT_EQ(TestFiles::read(source), QByteArray("audio"));
                continue;
            }
            EXPECT_EQ(TestFiles::read(to), QByteArray("audio"));
            EXPECT_EQ(TestFiles::modeOf(to), mode_t(0640));
            EXPECT_EQ(statOf(to).st_mtim.tv_sec, 1000000000);
            EXPECT_EQ(TestFiles::read(files.path(u"taken.mp3"_s)), QByteArray("taken"));
            EXPECT_EQ(files.entries(), QStringList({u"b.mp3"_s, u"link.mp3"_s, u"taken.mp3"_s}));
        }
    }
}

TEST(FileOps, LeavesWhatAnotherProgramPutsInPlaceMeanwhile)
{
    // Just before the new file gets its name, another program writes a file under that name (a new
    // playlist), or puts a new file under the source's name (a move between volumes).
    for (const bool save : {true, false}) {
        SCOPED_TRACE(save ? "save new" : "move across volumes");
        const TestFiles files;
        files.write(u"a.mp3"_s, "audio");
        const QString meddled = files.path(save ? u"new.m3u"_s : u"a.mp3"_s);
        Faults::start();
        Faults::runBefore(Call::Rename, [&] {
            ASSERT_EQ(::rename(native(files.write(u"next"_s, "theirs")).constData(), native(meddled).constData()), 0);
        });
        const QString reason = reasonOf(save ? FileOps::writeAtomically(meddled, "ours")
                                             : FileOps::moveAcrossVolumes(meddled, files.path(u"b.mp3"_s)));
        Faults::clear();
        EXPECT_EQ(reason, save ? qt_error_string(EEXIST) : kChanged);
        EXPECT_EQ(TestFiles::read(meddled), "theirs");
        EXPECT_EQ(files.entries(), save ? QStringList({u"a.mp3"_s, u"new.m3u"_s}) : QStringList({u"a.mp3"_s}));
    }
}
