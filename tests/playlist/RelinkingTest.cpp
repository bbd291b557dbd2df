#include "playlist/Relinking.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "playlist/PlaylistModel.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace {

QString make(const TestFiles& files, const QString& name, const QByteArray& bytes = "x")
{
    EXPECT_TRUE(QDir(files.folder()).mkpath(QFileInfo(files.path(name)).path()));
    return files.write(name, bytes);
}

QStringList relativeTo(const TestFiles& files, const std::vector<Relinking::Candidate>& candidates)
{
    QStringList paths;
    for (const Relinking::Candidate& candidate : candidates)
        paths.append(QDir(files.folder()).relativeFilePath(candidate.path) + u" ("_s + describe(candidate.how) + u')');
    return paths;
}

} // namespace

TEST(Relinking, FindsMovedFilesByNameFoldersCaseAndTag)
{
    TestFiles files;
    make(files, u"new/Artist/Album/01 Intro.mp3"_s);
    make(files, u"new/Other/Album/01 Intro.mp3"_s);
    make(files, u"new/Artist/Album/02 Song.mp3"_s);
    make(files, u"new/CASE.MP3"_s);
    make(files, u"new/renamed.mp3"_s, "audio" + TestBytes::id3v1({"Song", "Band", "", "", "", 0, 0}));
    make(files, u"new/renamed.ogg"_s, "audio" + TestBytes::id3v1({"Song", "Band", "", "", "", 0, 0}));
    FileIndex index;
    ASSERT_TRUE(index.addTree(files.path(u"new"_s)));
    const struct {
        const char* oldPath;
        const char* quickTag;
        QStringList found;
    } cases[] = {
        {"/old/Artist/Album/01 Intro.mp3", "", {u"new/Artist/Album/01 Intro.mp3 (same name and folders)"_s}},
        {"/old/Other/Album/01 Intro.mp3", "", {u"new/Other/Album/01 Intro.mp3 (same name and folders)"_s}},
        // Both share "Album": no single best, so both are offered, nearer folders first.
        {"/old/Album/01 Intro.mp3", "",
            {u"new/Artist/Album/01 Intro.mp3 (same name and folders)"_s,
                u"new/Other/Album/01 Intro.mp3 (same name and folders)"_s}},
        {"/x/01 Intro.mp3", "",
            {u"new/Artist/Album/01 Intro.mp3 (same name)"_s, u"new/Other/Album/01 Intro.mp3 (same name)"_s}},
        {"C:\\Music\\Artist\\Album\\02 Song.mp3", "", {u"new/Artist/Album/02 Song.mp3 (same name)"_s}},
        {"/lists/Music\\case.mp3", "", {u"new/CASE.MP3 (same name but for case)"_s}},
        {"/old/gone.mp3", "Band - Song", {u"new/renamed.mp3 (same tag)"_s}},
        {"/old/gone.mp3", "...", {}},
        {"/old/gone.mp3", "", {}},
        {"", "", {}},
    };
    std::vector<Relinking::MissingRow> rows;
    for (const auto& c : cases)
        rows.push_back({qsizetype(rows.size()), QString::fromUtf8(c.oldPath), QString::fromUtf8(c.quickTag)});
    const std::vector<Relinking::Finding> findings = Relinking::findFiles(rows, index);
    ASSERT_EQ(findings.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(cases[i].oldPath);
        EXPECT_EQ(relativeTo(files, findings[i].candidates), cases[i].found);
    }
}

TEST(Relinking, WalksOddTreesOnceAndSkipsWhatItCannotRead)
{
    TestFiles files;
    make(files, u"tree/a/song.mp3"_s);
    make(files, u"tree/.hidden/song.mp3"_s);
    make(files, u"tree/b/.song.mp3"_s);
    const QByteArray tree = QFile::encodeName(files.path(u"tree"_s));
    // A loop back to the top, a second way into a, a dangling link and a link to a file.
    ASSERT_EQ(::symlink("..", (tree + "/a/up").constData()), 0);
    ASSERT_EQ(::symlink("a", (tree + "/again").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", (tree + "/dangling.mp3").constData()), 0);
    ASSERT_EQ(::symlink("a/song.mp3", (tree + "/linked.mp3").constData()), 0);
    for (int i = 0; i < 10000; ++i)
        make(files, u"tree/many/%1.mp3"_s.arg(i, 5, 10, QChar(u'0')));
    make(files, u"tree/locked/inside.mp3"_s);
    ASSERT_EQ(::chmod((tree + "/locked").constData(), 0), 0);

    FileIndex index;
    ASSERT_TRUE(index.addTree(files.path(u"tree"_s)));
    ASSERT_EQ(index.named(u"song.mp3"_s).size(), 1u);
    EXPECT_EQ(index.path(index.named(u"song.mp3"_s)[0]), files.path(u"tree/a/song.mp3"_s));
    EXPECT_EQ(index.named(u"linked.mp3"_s).size(), 1u);
    EXPECT_TRUE(index.named(u"dangling.mp3"_s).empty());
    EXPECT_EQ(index.named(u"09999.mp3"_s).size(), 1u);
    const bool root = ::geteuid() == 0; // root reads any folder
    EXPECT_EQ(index.named(u"inside.mp3"_s).size(), root ? 1u : 0u);
    EXPECT_EQ(index.unreadableFolders().size(), root ? 0 : 1) << index.unreadableFolders().join(u'\n').toStdString();
    EXPECT_EQ(index.paths().size(), 10002u + (root ? 1 : 0)); // song, linked, the many, inside
    ::chmod((tree + "/locked").constData(), 0755);

    // A walk stopped part-way says so.
    FileIndex stopped;
    EXPECT_FALSE(stopped.addTree(files.path(u"tree"_s), [](qsizetype found) { return found == 0; }));
    FileIndex missing;
    EXPECT_TRUE(missing.addTree(files.path(u"nothing here"_s)));
    EXPECT_EQ(missing.unreadableFolders().size(), 1);
}
