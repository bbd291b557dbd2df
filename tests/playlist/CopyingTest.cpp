#include "playlist/Copying.h"

#include <map>
#include <vector>

#include <QDir>

#include <gtest/gtest.h>

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
