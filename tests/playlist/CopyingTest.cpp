#include "playlist/Copying.h"

#include <cstdio>
#include <map>
#include <vector>

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include "base/FileOps.h"
#include "base/NativePath.h"
#include "playlist/CopyPlaylist.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace {

using Answer = CollisionAnswer;
using Folder = std::map<QString, QByteArray>;

// The files of a folder, hidden ones included, with their bytes.
Folder contentsOf(const QString& path)
{
    Folder contents;
    const QDir dir(path);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        contents[name] = TestFiles::read(dir.filePath(name));
    return contents;
}

// The bytes of a file whose name need not be UTF-8.
QByteArray readNative(const QString& path)
{
    std::FILE* file = std::fopen(NativePath::encode(path).constData(), "rb");
    if (!file)
        return "<unreadable>";
    char buffer[64];
    const std::size_t count = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    return QByteArray(buffer, qsizetype(count));
}

} // namespace

// Sources: a/x.mp3 "A", b/x.mp3 "B" and y.mp3 "Y". In the destination, x.mp3 "OLD" (and
// "x (2).mp3" "TWO") when the case says so.
TEST(Copying, AsksOnceAboutTakenNamesAndNeverReplacesWithoutReplace)
{
    enum Taken { InDestination, InBatch, Both, NumberTaken };
    struct Case {
        const char* name;
        Taken taken;
        bool move;
        Answer forAll;
        std::vector<Answer> oneByOne;
        Folder destination;
    };
    const QByteArray a = "A", b = "B", y = "Y", old = "OLD", two = "TWO";
    const Case cases[] = {
        {"replace", InDestination, false, Answer::Replace, {}, {{u"x.mp3"_s, a}, {u"y.mp3"_s, y}}},
        {"skip", InDestination, false, Answer::Skip, {}, {{u"x.mp3"_s, old}, {u"y.mp3"_s, y}}},
        {"keep both", InDestination, false, Answer::KeepBoth, {},
            {{u"x.mp3"_s, old}, {u"x (2).mp3"_s, a}, {u"y.mp3"_s, y}}},
        {"cancel", InDestination, false, Answer::Cancel, {}, {{u"x.mp3"_s, old}}},
        {"keep both, (2) taken", NumberTaken, false, Answer::KeepBoth, {},
            {{u"x.mp3"_s, old}, {u"x (2).mp3"_s, two}, {u"x (3).mp3"_s, a}, {u"y.mp3"_s, y}}},
        {"batch: skip", InBatch, false, Answer::Skip, {}, {{u"x.mp3"_s, a}, {u"y.mp3"_s, y}}},
        {"batch: keep both", InBatch, false, Answer::KeepBoth, {},
            {{u"x.mp3"_s, a}, {u"x (2).mp3"_s, b}, {u"y.mp3"_s, y}}},
        {"batch: replace is not offered", InBatch, false, Answer::Replace, {}, {{u"x.mp3"_s, a}, {u"y.mp3"_s, y}}},
        {"both: replace keeps the repeat", Both, false, Answer::Replace, {},
            {{u"x.mp3"_s, a}, {u"x (2).mp3"_s, b}, {u"y.mp3"_s, y}}},
        {"both: one by one, skip then replace", Both, false, Answer::OneByOne, {Answer::Skip, Answer::Replace},
            {{u"x.mp3"_s, b}, {u"y.mp3"_s, y}}},
        {"both: one by one, replace then replace", Both, false, Answer::OneByOne, {Answer::Replace, Answer::Replace},
            {{u"x.mp3"_s, a}, {u"y.mp3"_s, y}}},
        {"both: one by one, then cancel", Both, false, Answer::OneByOne, {Answer::KeepBoth, Answer::Cancel},
            {{u"x.mp3"_s, old}}},
        {"move: keep both", Both, true, Answer::KeepBoth, {},
            {{u"x.mp3"_s, old}, {u"x (2).mp3"_s, a}, {u"x (3).mp3"_s, b}, {u"y.mp3"_s, y}}},
        {"move: replace is not offered", Both, true, Answer::Replace, {}, {{u"x.mp3"_s, old}, {u"y.mp3"_s, y}}},
        {"move: one by one", InDestination, true, Answer::OneByOne, {Answer::KeepBoth},
            {{u"x.mp3"_s, old}, {u"x (2).mp3"_s, a}, {u"y.mp3"_s, y}}},
        {"move: cancel", InBatch, true, Answer::Cancel, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RecordingMessages messages;
        const TestFiles files;
        for (const QString& folder : {u"dest"_s, u"a"_s, u"b"_s})
            ASSERT_TRUE(QDir(files.folder()).mkpath(folder));
        const std::map<QString, QByteArray> sources
            = {{files.write(u"a/x.mp3"_s, a), a}, {files.write(u"b/x.mp3"_s, b), b}, {files.write(u"y.mp3"_s, y), y}};
        if (c.taken != InBatch)
            files.write(u"dest/x.mp3"_s, old);
        if (c.taken == NumberTaken)
            files.write(u"dest/x (2).mp3"_s, two);

        QStringList batch = {files.path(u"a/x.mp3"_s)};
        if (c.taken == InBatch || c.taken == Both)
            batch.append(files.path(u"b/x.mp3"_s));
        batch.append(files.path(u"y.mp3"_s));
        std::vector<PlaylistEntry> entries;
        for (const QString& path : batch)
            entries.push_back({path, {}, u"???"_s});
        PlaylistModel model;
        model.appendEntries(entries);
        RowCommands::selectAll(model);

        int asked = 0;
        std::size_t askedOne = 0;
        CopyHooks hooks;
        hooks.askAll = [&](const CollisionQuestion& question) {
            ++asked;
            EXPECT_EQ(question.collisions.size(), c.taken == Both ? 2U : 1U);
            const std::vector<Answer> offered = offeredAnswers(question);
            EXPECT_EQ(std::ranges::count(offered, Answer::Replace), !c.move && c.taken != InBatch ? 1 : 0);
            return c.forAll;
        };
        hooks.askOne = [&](const CollisionQuestion&, const Collision&) {
            return askedOne < c.oneByOne.size() ? c.oneByOne[askedOne++] : Answer::Cancel;
        };
        copySelectedFiles(model, files.path(u"dest"_s), c.move, hooks);

        EXPECT_EQ(asked, 1);
        EXPECT_EQ(askedOne, c.oneByOne.size());
        EXPECT_TRUE(messages.shown().empty()) << messages.texts().join(u'\n').toStdString();
        EXPECT_EQ(contentsOf(files.path(u"dest"_s)), c.destination);
        // Every row still names its own bytes: a copy leaves the source, a move takes the row along.
        for (qsizetype row = 0; row < model.size(); ++row) {
            const QString path = model.text(row, FileNameColumn);
            EXPECT_EQ(TestFiles::read(path), sources.at(batch[row])) << path.toStdString();
            EXPECT_EQ(QFile::exists(batch[row]), !c.move || path == batch[row]);
        }
    }
}

TEST(Copying, NamesThePlaylistOfTheCopiesAfterTheOpenPlaylist)
{
    const struct {
        QString playlist;
        PlaylistKind kind;
        QString name;
    } cases[] = {
        {u"/music/Road Trip.m3u"_s, PlaylistKind::M3U, u"Road Trip.m3u"_s},
        {u"/music/Road Trip.m3u"_s, PlaylistKind::PLS, u"Road Trip.pls"_s},
        {u"/music/v1.2.PLS"_s, PlaylistKind::M3U, u"v1.2.m3u"_s},
        {u"/music/.hidden"_s, PlaylistKind::PLS, u".hidden.pls"_s},
        {u""_s, PlaylistKind::M3U, u"Playlist.m3u"_s},
        {u""_s, PlaylistKind::PLS, u"Playlist.pls"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.playlist.toStdString());
        EXPECT_EQ(copyPlaylistName(c.playlist, c.kind), c.name);
    }
}

// Sources a/x.mp3 "First", b/x.mp3 "Second" and a file whose name is not UTF-8, y\xE9.mp3 "Why".
// The playlist written into the destination lists the files copied, in display order, under the
// names they got there, relative to it; read back, it names those files.
TEST(Copying, WritesAPlaylistOfTheCopiedFilesUnderTheNamesTheyGot)
{
    const QString why = NativePath::decode("y\xE9.mp3");
    const QByteArray old = "old playlist";
    const struct {
        const char* name;
        PlaylistKind kind;
        bool move;
        Answer forAll;
        // Something already has the playlist's name, and the answer to whether to replace it.
        std::optional<Messages::Answer> replace;
        // The names the playlist lists; none when it is not written.
        QStringList listed;
        // The pass is cancelled before the row with this number.
        std::optional<qsizetype> stopBefore = std::nullopt;
    } cases[] = {
        {"keep both", PlaylistKind::M3U, false, Answer::KeepBoth, {}, {u"x.mp3"_s, u"x (2).mp3"_s, why}},
        {"skip leaves the repeat out", PlaylistKind::PLS, false, Answer::Skip, {}, {u"x.mp3"_s, why}},
        {"move", PlaylistKind::M3U, true, Answer::KeepBoth, {}, {u"x.mp3"_s, u"x (2).mp3"_s, why}},
        {"replaces the playlist there", PlaylistKind::PLS, false, Answer::Skip, Messages::Answer::Yes,
            {u"x.mp3"_s, why}},
        {"keeps the playlist there", PlaylistKind::M3U, false, Answer::KeepBoth, Messages::Answer::No, {}},
        {"a cancel writes none", PlaylistKind::M3U, false, Answer::Cancel, {}, {}},
        {"a pass stopped writes none", PlaylistKind::M3U, false, Answer::KeepBoth, {}, {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingMessages messages;
        const TestFiles files;
        for (const QString& folder : {u"dest"_s, u"a"_s, u"b"_s})
            ASSERT_TRUE(QDir(files.folder()).mkpath(folder));
        const QString dest = files.path(u"dest"_s);
        const QString whyPath = files.path(why);
        // The temporary folder cannot remove a name that is not UTF-8 by itself.
        const auto removeWhy = qScopeGuard([&] {
            for (const QString& path : {whyPath, dest + u"/"_s + why})
                std::remove(NativePath::encode(path).constData());
        });
        ASSERT_EQ(std::rename(QFile::encodeName(files.write(u"y.mp3"_s, "Y")).constData(),
                      NativePath::encode(whyPath).constData()),
            0);
        const std::vector<PlaylistEntry> entries = {{files.write(u"a/x.mp3"_s, "A"), u"First"_s, u"3"_s},
            {files.write(u"b/x.mp3"_s, "B"), u"Second"_s, u"4"_s}, {whyPath, u"Why"_s, u"???"_s}};
        const std::map<QString, QByteArray> bytesOf = {{u"First"_s, "A"}, {u"Second"_s, "B"}, {u"Why"_s, "Y"}};
        const QString name = copyPlaylistName(u"/lists/Road.m3u"_s, c.kind);
        const QString playlistPath = dest + u"/"_s + name;
        if (c.replace) {
            files.write(u"dest/"_s + name, old);
            messages.scriptAnswers({*c.replace});
        }
        PlaylistModel model;
        model.appendEntries(entries);
        RowCommands::selectAll(model);
        CopyHooks hooks;
        hooks.askAll = [&c](const CollisionQuestion&) { return c.forAll; };
        hooks.beforeRow = [&c](qsizetype done) { return done != c.stopBefore; };

        const CopyOutcome outcome = copyWithPlaylist(model, dest, c.move, hooks, CopyPlaylist{name, c.kind});

        // The question about the playlist there, or why none was written after a stop.
        EXPECT_EQ(messages.shown().size(), c.replace || c.stopBefore ? 1U : 0U)
            << messages.texts().join(u'\n').toStdString();
        EXPECT_EQ(outcome.finished, c.forAll != Answer::Cancel && !c.stopBefore);
        if (c.listed.isEmpty()) {
            EXPECT_EQ(TestFiles::read(playlistPath), c.replace ? old : QByteArray("<unreadable>"));
            continue;
        }
        const QByteArray bytes = TestFiles::read(playlistPath);
        // The name that is not UTF-8 keeps its own bytes.
        EXPECT_TRUE(bytes.contains("y\xE9.mp3"));
        PlaylistLookups lookups;
        lookups.exists = [](const QString& path) { return FileOps::isOrdinaryFile(path); };
        const ParsedPlaylist parsed = parsePlaylist(NativePath::decode(bytes), playlistPath, lookups);
        ASSERT_EQ(parsed.outcome, ParsedPlaylist::Outcome::Complete);
        QStringList listed;
        for (const PlaylistEntry& entry : parsed.entries) {
            // Paths are resolved against the playlist's folder on reading.
            const QString written = entry.path.startsWith(dest + u"/"_s) ? entry.path.mid(dest.size() + 1) : entry.path;
            listed.append(written);
            EXPECT_EQ(readNative(dest + u"/"_s + written), bytesOf.at(entry.title)) << written.toStdString();
        }
        EXPECT_EQ(listed, c.listed);
    }
}
