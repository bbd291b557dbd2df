#include "base/FileOps.h"

#include <chrono>
#include <fcntl.h>
#include <functional>
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

namespace {

// The reason given when the name no longer holds the file that was read.
const QString kChanged = u"The file changed while it was being written and was left as it is"_s;

// Whether an operation succeeded, with its failure's reason in *reason (empty on success).
bool done(const Result<void>& result, QString* reason = nullptr)
{
    if (reason)
        *reason = result ? QString() : result.failure().reason;
    return bool(result);
}

// The file an open gives; closed when the open fails.
FileOps::Handle opened(Result<FileOps::Handle> result)
{
    return result ? std::move(result).value() : FileOps::Handle();
}

// A listening Unix socket bound at path; closed with the object.
struct SocketFile {
    explicit SocketFile(const QString& path)
    {
        fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(path);
        std::copy_n(
            native.constData(), std::min<qsizetype>(native.size(), sizeof address.sun_path - 1), address.sun_path);
        bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~SocketFile() { ::close(fd); }
    int fd;
    bool bound;
};

time_t modifiedAt(const QString& path)
{
    struct stat info { };
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mtim.tv_sec;
}

// A file with the given mode, last changed long ago, so that a copy shows whether it kept both.
QString oldFile(const TestFiles& files, const QString& name, const QByteArray& bytes, mode_t mode)
{
    const QString path = files.write(name, bytes);
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
    ::chmod(QFile::encodeName(path).constData(), mode);
    return path;
}

const QString kSameFile = u"Source and target are the same file"_s;

} // namespace

TEST(FileOps, CountsOnlyVisibleRegularFilesAsOrdinary)
{
    TestFiles files;
    const QString regular = files.write(u"song.mp3"_s, "x");
    files.write(u".hidden.mp3"_s, "x");
    ASSERT_TRUE(QDir(files.folder()).mkdir(u"folder"_s));
    ASSERT_EQ(::mkfifo(QFile::encodeName(files.path(u"pipe"_s)).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(regular, files.path(u"link.mp3"_s)));
    ASSERT_TRUE(QFile::link(files.path(u"gone.mp3"_s), files.path(u"dangling.mp3"_s)));
    ASSERT_TRUE(QFile::link(files.path(u"loop.mp3"_s), files.path(u"loop.mp3"_s)));
    const SocketFile socket(files.path(u"socket"_s));
    ASSERT_TRUE(socket.bound);

    struct Case {
        QString path;
        bool ordinary;
        bool opens; // hidden files are regular files: only the ordinary-file test refuses them
    } const cases[] = {
        {regular, true, true},
        {files.path(u"link.mp3"_s), true, true},
        {files.path(u".hidden.mp3"_s), false, true},
        {files.path(u"folder"_s), false, false},
        {files.path(u"pipe"_s), false, false},
        {files.path(u"socket"_s), false, false},
        {files.path(u"dangling.mp3"_s), false, false},
        {files.path(u"missing.mp3"_s), false, false},
        {files.path(u"loop.mp3"_s), false, false},
        {regular + u"/below.mp3"_s, false, false},
        {files.path(QString(300, u'n')), false, false},
        {regular + QChar(0) + u"x"_s, false, false},
        {u"/dev/null"_s, false, false},
        {u"/dev/zero"_s, false, false},
        {QString(), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(FileOps::isOrdinaryFile(c.path), c.ordinary);
        // Opening never blocks and never opens what is not a regular file.
        EXPECT_EQ(opened(FileOps::openExisting(c.path, FileOps::Access::Read)).isOpen(), c.opens);
    }
}

TEST(FileOps, ReplacesWithTheTailKeepingModeAndLinks)
{
    TestFiles files;
    const QString target = files.write(u"target.mp3"_s, "HEADERaudio");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    // Root may give the new file to the old one's owner; everyone else keeps their own.
    const uid_t owner = ::geteuid() == 0 ? 65534 : ::geteuid();
    const gid_t group = ::geteuid() == 0 ? 65534 : ::getegid();
    ASSERT_EQ(::chown(QFile::encodeName(target).constData(), owner, group), 0);
    const QString link = files.path(u"link.mp3"_s);
    ASSERT_TRUE(QFile::link(target, link));

    const FileOps::Handle source = opened(FileOps::openExisting(link, FileOps::Access::ReadWrite));
    ASSERT_TRUE(done(FileOps::replaceWithTail(link, source, 6)));

    EXPECT_EQ(TestFiles::read(target), QByteArray("audio"));
    EXPECT_EQ(TestFiles::modeOf(target), mode_t(0640));
    struct stat info { };
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
    EXPECT_EQ(info.st_uid, owner);
    EXPECT_EQ(info.st_gid, group);
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_EQ(files.entries(), QStringList({u"link.mp3"_s, u"target.mp3"_s}));
}

// Another program acts on the name while a replacement is under way: the replacement changes only
// the file whose bytes it read (or, for a copy over a file, the file it found there), a file put
// in the name's place through a link is never reached, and a file deleted or renamed meanwhile is
// not brought back.
TEST(FileOps, ReplacesOnlyTheFileThatWasRead)
{
    enum class Meddling { SwapForLink, Delete, RenameAway, SwapFolderForLink };
    enum class When { BeforeStart, BeforeFlush };
    struct Case {
        const char* name;
        // Replaces music/song.mp3; beforeStart runs once the file is open, before the replacement.
        std::function<bool(const QString& song, const std::function<void()>& beforeStart, QString* reason)> replace;
        QByteArray replaced; // song.mp3's bytes after a replacement
        Meddling meddling;
        When when;
        QString reason; // empty: the replacement goes ahead, in the folder it was started in
    };
    const auto removeFront = [](const QString& song, const std::function<void()>& beforeStart, QString* reason) {
        const FileOps::Handle file = opened(FileOps::openExisting(song, FileOps::Access::ReadWrite));
        beforeStart();
        return done(FileOps::replaceWithTail(song, file, 6), reason);
    };
    const auto save = [](const QString& song, const std::function<void()>& beforeStart, QString* reason) {
        beforeStart();
        return done(FileOps::writeAtomically(song, "saved"), reason);
    };
    const auto copyOver = [](const QString& song, const std::function<void()>& beforeStart, QString* reason) {
        beforeStart();
        return done(FileOps::copyFile(QFileInfo(song).dir().filePath(u"../source.mp3"_s), song), reason);
    };
    const QString changed = u"The file changed while it was being written and was left as it is"_s;
    const QString gone = qt_error_string(ENOENT);
    const Case cases[] = {
        {"RemoveFrontAfterOpen", removeFront, "audio", Meddling::SwapForLink, When::BeforeStart, changed},
        {"RemoveFront", removeFront, "audio", Meddling::SwapForLink, When::BeforeFlush, changed},
        {"RemoveFront", removeFront, "audio", Meddling::Delete, When::BeforeFlush, gone},
        {"RemoveFront", removeFront, "audio", Meddling::RenameAway, When::BeforeFlush, gone},
        {"RemoveFront", removeFront, "audio", Meddling::SwapFolderForLink, When::BeforeFlush, {}},
        {"Save", save, "saved", Meddling::SwapForLink, When::BeforeFlush, changed},
        {"Save", save, "saved", Meddling::Delete, When::BeforeFlush, gone},
        {"Save", save, "saved", Meddling::RenameAway, When::BeforeFlush, gone},
        {"Save", save, "saved", Meddling::SwapFolderForLink, When::BeforeFlush, {}},
        {"CopyOver", copyOver, "copied", Meddling::SwapForLink, When::BeforeFlush, changed},
        {"CopyOver", copyOver, "copied", Meddling::Delete, When::BeforeFlush, gone},
        {"CopyOver", copyOver, "copied", Meddling::RenameAway, When::BeforeFlush, gone},
        {"CopyOver", copyOver, "copied", Meddling::SwapFolderForLink, When::BeforeFlush, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " meddling " << int(c.meddling));
        const TestFiles files;
        ASSERT_TRUE(QDir(files.folder()).mkdir(u"music"_s));
        ASSERT_TRUE(QDir(files.folder()).mkdir(u"elsewhere"_s));
        files.write(u"source.mp3"_s, "copied");
        const QString song = files.write(u"music/song.mp3"_s, "HEADERaudio");
        ASSERT_EQ(::chmod(QFile::encodeName(song).constData(), 0666), 0);
        // A file the user never named, in another folder, under the same name; as root it belongs
        // to someone else than the song, so that a change of owner shows.
        const QString other = files.write(u"elsewhere/song.mp3"_s, "private");
        ASSERT_EQ(::chmod(QFile::encodeName(other).constData(), 0600), 0);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(QFile::encodeName(song).constData(), 65534, 65534), 0);
        }
        struct stat otherBefore { };
        ASSERT_EQ(::stat(QFile::encodeName(other).constData(), &otherBefore), 0);

        const std::function<void()> meddle = [&] {
            const QByteArray name = QFile::encodeName(song);
            switch (c.meddling) {
            case Meddling::SwapForLink:
                ASSERT_EQ(::unlink(name.constData()), 0);
                ASSERT_EQ(::symlink(QFile::encodeName(other).constData(), name.constData()), 0);
                break;
            case Meddling::Delete: ASSERT_EQ(::unlink(name.constData()), 0); break;
            case Meddling::RenameAway:
                ASSERT_EQ(::rename(name.constData(), QFile::encodeName(files.path(u"music/moved.mp3"_s))), 0);
                break;
            case Meddling::SwapFolderForLink:
                ASSERT_TRUE(QDir(files.folder()).rename(u"music"_s, u"music.old"_s));
                ASSERT_TRUE(QFile::link(files.path(u"elsewhere"_s), files.path(u"music"_s)));
                break;
            }
        };
        SystemCalls::Faults::start();
        if (c.when == When::BeforeFlush)
            SystemCalls::Faults::runBefore(SystemCalls::Call::Sync, meddle);
        QString reason;
        const bool replaced
            = c.replace(song, c.when == When::BeforeStart ? meddle : std::function<void()>([] {}), &reason);
        SystemCalls::Faults::clear();

        struct stat otherAfter { };
        ASSERT_EQ(::stat(QFile::encodeName(other).constData(), &otherAfter), 0);
        EXPECT_EQ(TestFiles::read(other), QByteArray("private"));
        EXPECT_EQ(otherAfter.st_mode, otherBefore.st_mode);
        EXPECT_EQ(otherAfter.st_uid, otherBefore.st_uid);
        EXPECT_EQ(otherAfter.st_gid, otherBefore.st_gid);
        EXPECT_EQ(replaced, c.reason.isEmpty());
        EXPECT_EQ(reason.toStdString(), c.reason.toStdString());
        struct stat now { };
        const bool named = ::lstat(QFile::encodeName(song).constData(), &now) == 0;
        switch (c.meddling) {
        case Meddling::SwapForLink: EXPECT_TRUE(named && S_ISLNK(now.st_mode)); break;
        case Meddling::Delete: EXPECT_FALSE(named) << "a deleted file came back"; break;
        case Meddling::RenameAway:
            EXPECT_FALSE(named) << "a renamed file came back";
            EXPECT_EQ(TestFiles::read(files.path(u"music/moved.mp3"_s)), QByteArray("HEADERaudio"));
            break;
        case Meddling::SwapFolderForLink:
            EXPECT_EQ(TestFiles::read(files.path(u"music.old/song.mp3"_s)), c.replaced);
            break;
        }
        const QStringList left = QDir(files.path(u"music/"_s)).entryList(QDir::Files | QDir::Hidden | QDir::System);
        EXPECT_TRUE(left.filter(u".sondrel-"_s).isEmpty()) << left.join(u' ').toStdString();
    }
}

// A rewritten file keeps its extended attributes; a copy gets its source's, as its mode.
TEST(FileOps, WaitsForAnotherRunsChangeAndWorksOnWhatItLeft)
{
    // Another run holds song.mp3 locked while it changes it; then it lets go, after replacing the
    // file under its name or not. Ours waits for it and then works on what the name holds.
    enum class Other { LetsGo, ReplacesAndLetsGo };
    struct Case {
        const char* name;
        std::function<bool(const QString& song, QString* reason)> run;
        Other other;
        QByteArray song; // song.mp3 afterwards
        QString reason; // empty when ours succeeds
    };
    const auto change = [](const QString& song, QString* reason) {
        FileOps::Handle file = opened(FileOps::openForChange(song));
        *reason = file.isOpen() ? QString() : u"not opened"_s;
        return file.isOpen() && file.writeAt(file.size(), "+ours");
    };
    const auto save
        = [](const QString& song, QString* reason) { return done(FileOps::writeAtomically(song, "ours"), reason); };
    const auto copyOut = [](const QString& song, QString* reason) {
        return done(FileOps::copyFile(song, QFileInfo(song).dir().filePath(u"copy.mp3"_s)), reason);
    };
    const QString changed = kChanged;
    const Case cases[] = {
        {"Change", change, Other::LetsGo, "old+ours", {}},
        {"Change", change, Other::ReplacesAndLetsGo, "theirs+ours", {}},
        {"Save", save, Other::LetsGo, "ours", {}},
        {"Save", save, Other::ReplacesAndLetsGo, "theirs", changed},
        {"CopyOut", copyOut, Other::LetsGo, "old", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " other " << int(c.other));
        const TestFiles files;
        const QString song = files.write(u"song.mp3"_s, "old");
        const QByteArray native = QFile::encodeName(song);
        const int theirs = ::open(native.constData(), O_RDWR);
        ASSERT_EQ(::flock(theirs, LOCK_EX), 0);
        // The other run finishes once ours has the file open and waits for the lock.
        std::thread other;
        SystemCalls::Faults::start();
        SystemCalls::Faults::runBefore(SystemCalls::Call::Lock, [&] {
            other = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (c.other == Other::ReplacesAndLetsGo) {
                    const QString next = files.write(u".next"_s, "theirs");
                    ::rename(QFile::encodeName(next).constData(), native.constData());
                }
                ::close(theirs);
            });
        });
        QString reason;
        const bool done = c.run(song, &reason);
        SystemCalls::Faults::clear();
        other.join();
        EXPECT_EQ(done, c.reason.isEmpty());
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(TestFiles::read(song), c.song);
        EXPECT_EQ(files.entries().filter(u".sondrel-"_s), QStringList());
    }
}

TEST(FileOps, GivesUpOnAFileAnotherRunKeepsChanging)
{
    const TestFiles files;
    const QString song = files.write(u"song.mp3"_s, "old");
    const int theirs = ::open(QFile::encodeName(song).constData(), O_RDWR);
    ASSERT_EQ(::flock(theirs, LOCK_EX), 0);
    const Result<FileOps::Handle> change = FileOps::openForChange(song);
    ASSERT_FALSE(change);
    EXPECT_EQ(change.failure().kind, Failure::Kind::Busy);
    const Result<void> written = FileOps::writeAtomically(song, "ours");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.failure().kind, Failure::Kind::Busy);
    EXPECT_EQ(TestFiles::read(song), "old");
    ::close(theirs);
}

TEST(FileOps, GoesOnUnlockedWhereTheFileSystemCannotLock)
{
    // No locks at all, or (a network file system) no exclusive lock on a file open for reading.
    for (const int error : {ENOLCK, EOPNOTSUPP, EBADF}) {
        SCOPED_TRACE(qt_error_string(error).toStdString());
        const TestFiles files;
        const QString list = files.write(u"list.m3u"_s, "old");
        SystemCalls::Faults::start();
        SystemCalls::Faults::failAt(3, error); // the folder, the old list, then its lock
        QString reason;
        EXPECT_TRUE(done(FileOps::writeAtomically(list, "new"), &reason)) << reason.toStdString();
        EXPECT_EQ(SystemCalls::Faults::calls().value(2), SystemCalls::Call::Lock);
        SystemCalls::Faults::start();
        SystemCalls::Faults::failAt(2, error); // the open, then its lock
        EXPECT_TRUE(opened(FileOps::openForChange(list)).isOpen());
        SystemCalls::Faults::clear();
        EXPECT_EQ(TestFiles::read(list), "new");
    }
}

TEST(FileOps, NamesATemporaryFileThatCouldNotBeRemoved)
{
    // The flush of the new bytes fails, and so does the removal of the temporary file after it.
    const TestFiles files;
    const QString list = files.write(u"list.m3u"_s, "old");
    SystemCalls::Faults::start();
    SystemCalls::Faults::runBefore(SystemCalls::Call::Sync, [] {
        const int next = int(SystemCalls::Faults::calls().size()) + 1;
        SystemCalls::Faults::failAt(next, EIO);
        SystemCalls::Faults::failAt(next + 1, EPERM);
    });
    const Result<void> written = FileOps::writeAtomically(list, "new");
    SystemCalls::Faults::clear();
    ASSERT_FALSE(written);
    const QString& reason = written.failure().reason;
    const QStringList left = files.entries().filter(u".sondrel-"_s);
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(reason,
        qt_error_string(EIO) + u"; the temporary file "_s + files.path(left.front()) + u" could not be removed ("_s
            + qt_error_string(EPERM) + u')');
    EXPECT_EQ(written.failure().leftBehind, files.path(left.front()));
    EXPECT_EQ(TestFiles::read(list), "old");
}

TEST(FileOps, KeepsExtendedAttributes)
{
    struct Case {
        const char* name;
        const char* marked; // the file whose attributes the result has
        std::function<bool(const TestFiles&, QString* reason)> run;
        const char* result;
    };
    const Case cases[] = {
        {"RemoveFront", "song.mp3",
            [](const TestFiles& f, QString* reason) {
                const FileOps::Handle file
                    = opened(FileOps::openExisting(f.path(u"song.mp3"_s), FileOps::Access::ReadWrite));
                return done(FileOps::replaceWithTail(f.path(u"song.mp3"_s), file, 6), reason);
            },
            "song.mp3"},
        {"Save", "song.mp3",
            [](const TestFiles& f, QString* reason) {
                return done(FileOps::writeAtomically(f.path(u"song.mp3"_s), "saved"), reason);
            },
            "song.mp3"},
        {"CopyOver", "source.mp3",
            [](const TestFiles& f, QString* reason) {
                return done(FileOps::copyFile(f.path(u"source.mp3"_s), f.path(u"song.mp3"_s)), reason);
            },
            "song.mp3"},
        {"CopyToNewName", "source.mp3",
            [](const TestFiles& f, QString* reason) {
                return done(FileOps::copyWithoutReplacing(f.path(u"source.mp3"_s), f.path(u"new.mp3"_s)), reason);
            },
            "new.mp3"},
        {"MoveAcrossVolumes", "source.mp3",
            [](const TestFiles& f, QString* reason) {
                return done(FileOps::moveAcrossVolumes(f.path(u"source.mp3"_s), f.path(u"new.mp3"_s)), reason);
            },
            "new.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TestFiles files;
        files.write(u"song.mp3"_s, "HEADERaudio");
        files.write(u"source.mp3"_s, "copied");
        const QByteArray marked = QFile::encodeName(files.path(QString::fromLatin1(c.marked)));
        if (::setxattr(marked.constData(), "user.rating", "5", 1, 0) != 0)
            GTEST_SKIP() << "the file system holds no extended attributes";
        QString reason;
        ASSERT_TRUE(c.run(files, &reason)) << reason.toStdString();
        char value[8] = {};
        const QByteArray result = QFile::encodeName(files.path(QString::fromLatin1(c.result)));
        EXPECT_EQ(::getxattr(result.constData(), "user.rating", value, sizeof value), 1);
        EXPECT_EQ(value[0], '5');
    }
}

TEST(FileOps, WritesFilesAtomicallyOrLeavesThemAsTheyWere)
{
    TestFiles files;
    const QString kept = files.write(u"kept.m3u"_s, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(kept).constData(), 0640), 0);
    const QString target = files.write(u"target.m3u"_s, "old");
    const QString link = files.path(u"link.m3u"_s);
    ASSERT_TRUE(QFile::link(target, link));
    const QString readOnly = files.write(u"read-only.m3u"_s, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
    ASSERT_TRUE(QDir(files.folder()).mkdir(u"folder"_s));
    ASSERT_EQ(::mkfifo(QFile::encodeName(files.path(u"pipe"_s)).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(files.path(u"gone.m3u"_s), files.path(u"dangling.m3u"_s)));
    const mode_t mask = ::umask(0);
    ::umask(mask);

    struct Case {
        QString path;
        bool written;
        QString changed; // the file whose bytes change, and its mode afterwards
        mode_t mode;
    } const cases[] = {
        {files.path(u"new.m3u"_s), true, files.path(u"new.m3u"_s), mode_t(0666 & ~mask)},
        {kept, true, kept, 0640},
        {link, true, target, TestFiles::modeOf(target)},
        {readOnly, false, readOnly, 0444}, // refused even for root
        {files.path(u"folder"_s), false, {}, 0},
        {files.path(u"missing/new.m3u"_s), false, {}, 0},
        {files.path(u"pipe"_s), false, {}, 0},
        {files.path(u"dangling.m3u"_s), false, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QString reason;
        EXPECT_EQ(done(FileOps::writeAtomically(c.path, "new"), &reason), c.written);
        EXPECT_EQ(reason.isEmpty(), c.written) << reason.toStdString();
        if (!c.changed.isEmpty()) {
            EXPECT_EQ(TestFiles::read(c.changed), QByteArray(c.written ? "new" : "old"));
            EXPECT_EQ(TestFiles::modeOf(c.changed), c.mode);
        }
    }
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_EQ(files.entries(),
        QStringList({u"dangling.m3u"_s, u"folder"_s, u"kept.m3u"_s, u"link.m3u"_s, u"new.m3u"_s, u"pipe"_s,
            u"read-only.m3u"_s, u"target.m3u"_s}));
}

TEST(FileOps, WritesNothingIntoAFolderTheUserMayNotWrite)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may create files in a read-only folder";
    TestFiles files;
    ASSERT_TRUE(QDir(files.folder()).mkdir(u"locked"_s));
    const QString path = files.write(u"locked/a.m3u"_s, "old");
    const QByteArray locked = QFile::encodeName(files.path(u"locked"_s));
    ASSERT_EQ(::chmod(locked.constData(), 0555), 0);
    QString reason;
    EXPECT_FALSE(done(FileOps::writeAtomically(path, "new"), &reason));
    EXPECT_FALSE(
        done(FileOps::replaceWithTail(path, opened(FileOps::openExisting(path, FileOps::Access::ReadWrite)), 1)));
    EXPECT_FALSE(done(FileOps::writeAtomically(files.path(u"locked/b.m3u"_s), "new"), &reason));
    EXPECT_EQ(reason, qt_error_string(EACCES));
    EXPECT_EQ(TestFiles::read(path), QByteArray("old"));
    EXPECT_EQ(QDir(files.path(u"locked"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({u"a.m3u"_s}));
    ::chmod(locked.constData(), 0755);
}

TEST(FileOps, CopiesOverOtherFilesButNeverOntoTheSourceItself)
{
    TestFiles files;
    const QString source = oldFile(files, u"a.mp3"_s, "new", 0640);
    const QString existing = files.write(u"existing.mp3"_s, "old");
    const QString readOnly = oldFile(files, u"read-only.mp3"_s, "old", 0444);
    ASSERT_TRUE(QFile::link(source, files.path(u"link.mp3"_s)));
    ASSERT_TRUE(QDir(files.folder()).mkdir(u"folder"_s));
    ASSERT_EQ(::mkfifo(QFile::encodeName(files.path(u"pipe"_s)).constData(), 0644), 0);

    struct Case {
        QString from, to;
        bool copied;
        QString reason; // checked when not empty
        QByteArray after; // the target's bytes afterwards, checked when not empty
    } const cases[] = {
        {source, files.path(u"new.mp3"_s), true, {}, "new"},
        {source, existing, true, {}, "new"},
        {source, source, false, kSameFile, "new"},
        {source, files.path(u"link.mp3"_s), false, kSameFile, "new"},
        {files.path(u"link.mp3"_s), files.path(u"./a.mp3"_s), false, kSameFile, "new"},
        {source, readOnly, false, qt_error_string(EACCES), "old"}, // refused even for root
        {source, files.path(u"folder"_s), false, qt_error_string(EISDIR), {}},
        {source, files.path(u"missing/new.mp3"_s), false, {}, {}},
        {files.path(u"missing.mp3"_s), files.path(u"b.mp3"_s), false, qt_error_string(ENOENT), {}},
        {files.path(u"folder"_s), files.path(u"b.mp3"_s), false, qt_error_string(EISDIR), {}},
        {files.path(u"pipe"_s), files.path(u"b.mp3"_s), false, u"Not a regular file"_s, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.from + u" -> "_s + c.to).toStdString());
        QString reason;
        EXPECT_EQ(done(FileOps::copyFile(c.from, c.to), &reason), c.copied);
        EXPECT_EQ(reason.isEmpty(), c.copied) << reason.toStdString();
        if (!c.reason.isEmpty()) {
            EXPECT_EQ(reason.toStdString(), c.reason.toStdString());
        }
        if (!c.after.isEmpty()) {
            EXPECT_EQ(TestFiles::read(c.to), c.after);
        }
        if (c.copied) {
            EXPECT_EQ(TestFiles::modeOf(c.to), mode_t(0640));
            EXPECT_EQ(modifiedAt(c.to), 1000000000);
        }
    }
    EXPECT_EQ(TestFiles::read(source), QByteArray("new"));
    EXPECT_EQ(files.entries(),
        QStringList(
            {u"a.mp3"_s, u"existing.mp3"_s, u"folder"_s, u"link.mp3"_s, u"new.mp3"_s, u"pipe"_s, u"read-only.mp3"_s}));
}

TEST(FileOps, CopiesInChunksAndStopsWhenCancelled)
{
    const QByteArray audio = TestBytes::audio(3 * 1024 * 1024 + 5);
    struct Case {
        const char* name;
        bool existing;
        int answers; // keepGoing says yes this many times, then no
    } const cases[] = {
        {"whole copy", false, 100},
        {"cancelled new file", false, 2},
        {"cancelled replacement", true, 2},
        {"cancelled at once", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFiles files;
        const QString source = files.write(u"a.mp3"_s, audio);
        const QString target = files.path(u"b.mp3"_s);
        if (c.existing)
            files.write(u"b.mp3"_s, "old");
        int asked = 0;
        QString reason;
        const bool copied = done(FileOps::copyFile(source, target, [&] { return asked++ < c.answers; }), &reason);
        const bool cancelled = c.answers < 5;
        EXPECT_EQ(copied, !cancelled);
        EXPECT_EQ(reason, cancelled ? u"Cancelled"_s : QString());
        EXPECT_EQ(asked, cancelled ? c.answers + 1 : 5); // four chunks and the end of the file
        EXPECT_EQ(QFile::exists(target), copied || c.existing);
        if (QFile::exists(target)) {
            EXPECT_EQ(TestFiles::read(target), copied ? audio : QByteArray("old"));
        }
        EXPECT_EQ(files.entries().size(), QFile::exists(target) ? 2 : 1);
    }
}

TEST(FileOps, MovesWithoutEverReplacingAFile)
{
    using Move = Result<void> (*)(const QString&, const QString&, const std::function<bool()>&);
    struct Way {
        const char* name;
        Move move;
    } const ways[] = {{"move", FileOps::moveFile}, {"across volumes", FileOps::moveAcrossVolumes}};
    struct Case {
        const char* from;
        const char* to;
        bool moved;
        QString reason; // checked when not empty
        bool cancel = false;
    } const cases[] = {
        {"a.mp3", "b.mp3", true, {}},
        {"a.mp3", "taken.mp3", false, qt_error_string(EEXIST)},
        {"a.mp3", "a.mp3", false, kSameFile},
        {"a.mp3", "link.mp3", false, kSameFile},
        {"link.mp3", "a.mp3", false, {}},
        {"missing.mp3", "b.mp3", false, qt_error_string(ENOENT)},
        {"a.mp3", "missing/b.mp3", false, {}},
        {"a.mp3", "b.mp3", false, u"Cancelled"_s, true},
    };
    for (const Way& way : ways) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(way.name) + ": " + c.from + " -> " + c.to + (c.cancel ? " cancelled" : ""));
            TestFiles files;
            const QString source = oldFile(files, u"a.mp3"_s, "audio", 0640);
            files.write(u"taken.mp3"_s, "taken");
            ASSERT_TRUE(QFile::link(source, files.path(u"link.mp3"_s)));
            const QStringList before = files.entries();
            const QString from = files.path(QString::fromUtf8(c.from));
            const QString to = files.path(QString::fromUtf8(c.to));
            QString reason;
            const bool moved = done(way.move(from, to, [&] { return !c.cancel; }), &reason);
            // A cancel cannot reach a rename on one volume.
            if (c.cancel && way.move == FileOps::moveFile) {
                EXPECT_TRUE(moved);
                continue;
            }
            EXPECT_EQ(moved, c.moved) << reason.toStdString();
            EXPECT_EQ(reason.isEmpty(), c.moved) << reason.toStdString();
            // Across volumes a taken name is refused before the same file could be noticed.
            const QString expected
                = c.reason == kSameFile && way.move != FileOps::moveFile ? qt_error_string(EEXIST) : c.reason;
            if (!expected.isEmpty()) {
                EXPECT_EQ(reason.toStdString(), expected.toStdString());
            }
            if (!moved) {
                EXPECT_EQ(files.entries(), before);
                EXPECT_EQ(TestFiles::read(source), QByteArray("audio"));
                continue;
            }
            EXPECT_FALSE(QFile::exists(from));
            EXPECT_EQ(TestFiles::read(to), QByteArray("audio"));
            EXPECT_EQ(TestFiles::modeOf(to), mode_t(0640));
            EXPECT_EQ(modifiedAt(to), 1000000000);
            EXPECT_EQ(TestFiles::read(files.path(u"taken.mp3"_s)), QByteArray("taken"));
            EXPECT_EQ(files.entries(), QStringList({u"b.mp3"_s, u"link.mp3"_s, u"taken.mp3"_s}));
        }
    }
}

TEST(FileOps, LeavesWhatAnotherProgramPutsInPlaceMeanwhile)
{
    // Just before the new file gets its name, another program writes a file under that name (a new
    // playlist), or puts a new file under the source's name (a move between volumes).
    struct Case {
        const char* name;
        std::function<bool(const TestFiles&, QString* reason)> run;
        QString meddled; // the name the other program writes "theirs" to
        QString reason;
        QStringList entries; // the folder's afterwards
    };
    const Case cases[] = {
        {"SaveNew",
            [](const TestFiles& f, QString* reason) {
                return done(FileOps::writeAtomically(f.path(u"new.m3u"_s), "ours"), reason);
            },
            u"new.m3u"_s, qt_error_string(EEXIST), {u"a.mp3"_s, u"new.m3u"_s}},
        {"MoveAcrossVolumes",
            [](const TestFiles& f, QString* reason) {
                return done(FileOps::moveAcrossVolumes(f.path(u"a.mp3"_s), f.path(u"b.mp3"_s)), reason);
            },
            u"a.mp3"_s, kChanged, {u"a.mp3"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TestFiles files;
        files.write(u"a.mp3"_s, "audio");
        SystemCalls::Faults::start();
        SystemCalls::Faults::runBefore(SystemCalls::Call::Rename, [&] {
            const QString next = files.write(u"next"_s, "theirs");
            ASSERT_EQ(
                ::rename(QFile::encodeName(next).constData(), QFile::encodeName(files.path(c.meddled)).constData()), 0);
        });
        QString reason;
        EXPECT_FALSE(c.run(files, &reason));
        SystemCalls::Faults::clear();
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(TestFiles::read(files.path(c.meddled)), "theirs");
        EXPECT_EQ(files.entries(), c.entries);
    }
}

TEST(FileOps, RenamesOnlyRegularFiles)
{
    TestFiles files;
    const QString song = files.write(u"song.mp3"_s, "audio");
    ASSERT_TRUE(QFile::link(song, files.path(u"link.mp3"_s)));
    ASSERT_TRUE(QFile::link(files.path(u"gone.mp3"_s), files.path(u"dangling.mp3"_s)));
    ASSERT_TRUE(QFile::link(files.path(u"looping.mp3"_s), files.path(u"looping.mp3"_s)));
    ASSERT_TRUE(QDir(files.folder()).mkdir(u"folder"_s));
    ASSERT_TRUE(QFile::link(files.path(u"folder"_s), files.path(u"folderlink"_s)));
    ASSERT_EQ(::mkfifo(QFile::encodeName(files.path(u"pipe"_s)).constData(), 0644), 0);
    const SocketFile socket(files.path(u"socket"_s));
    ASSERT_TRUE(socket.bound);
    struct Case {
        const char* name;
        QString reason; // empty when the rename is done
    } const cases[] = {
        {"link.mp3", {}}, // before its target moves
        {"song.mp3", {}},
        {"dangling.mp3", u"Symbolic link to a file that does not exist"_s},
        {"looping.mp3", qt_error_string(ELOOP)},
        {"folder", qt_error_string(EISDIR)},
        {"folderlink", qt_error_string(EISDIR)},
        {"pipe", u"Not a regular file"_s},
        {"socket", u"Not a regular file"_s},
        {"missing", qt_error_string(ENOENT)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString from = files.path(QString::fromUtf8(c.name));
        const QString to = from + u" - renamed"_s;
        QString reason;
        EXPECT_EQ(done(FileOps::renameNoReplace(from, to), &reason), c.reason.isEmpty());
        EXPECT_EQ(reason.toStdString(), c.reason.toStdString());
        EXPECT_EQ(QFileInfo::exists(to) || QFileInfo(to).isSymLink(), c.reason.isEmpty());
    }
}
