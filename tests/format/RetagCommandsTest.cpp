#include "format/RetagCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "format/RetagPlan.h"
#include "playlist/PlaylistModel.h"
#include "support/ProgramMessages.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;
using Problem = RetagCommands::PlannedRename::Problem;
using Answer = Messages::Answer;

namespace {

const QByteArray kBeatles = id3v1({"Hey Jude", "Beatles, The", "", "", "", 7, 0});

// A playlist of the files (written with their bytes), titles as given, every tag read.
struct Playlist {
    TestFiles files;
    PlaylistModel model;
    RetagCommands::Rows rows;

    void add(const QString& name, const QByteArray& bytes, const QString& title = {}, bool read = true)
    {
        // A whole path names a file made by the test itself.
        const QString path = name.startsWith(u'/') ? name
            : bytes.isNull()                       ? files.path(name)
                                                   : files.write(name, bytes);
        model.appendEntries({{path, title, u"???"_s}});
        rows.push_back(model.size() - 1);
        if (read)
            model.findItem(model.size() - 1)->ReadTag();
    }
    QString file(qsizetype row) const { return model.text(row, FileNameColumn); }
    QStringList folder() const
    {
        return QDir(files.folder()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
};

} // namespace

TEST(RetagCommands, TagFromFileNameReadsTheNameOrTheWholePath)
{
    struct Case {
        const char* what;
        bool fullPath;
        QString format; // "{}" stands for the folder
        QByteArray artist;
        QByteArray title;
    } const cases[] = {
        {"name only", false, u"<a> - <t>"_s, "Beatles, The", "Hey Jude"},
        {"whole path", true, u"{}/<a> - <t>.mp3"_s, "Beatles, The", "Hey Jude"},
        {"whole path, short format", true, u"<a> - <t>"_s, "{}/Beatles, The", "Hey Jude.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingMessages messages;
        Playlist p;
        p.add(u"Beatles, The - Hey Jude.mp3"_s, audio(300) + id3v1({"Old", "Old", "Old", "1999", "Old", 9, 9}));
        QString format = c.format;
        RetagCommands::tagFromFileName(p.model, p.rows, format.replace(u"{}"_s, p.files.folder()), c.fullPath);
        QByteArray artist = c.artist;
        artist.replace("{}", QFile::encodeName(p.files.folder()));
        EXPECT_EQ(
            TestFiles::read(p.file(0)), audio(300) + id3v1({c.title, artist.left(30), "Old", "1999", "Old", 9, 9}));
        EXPECT_EQ(p.model.text(0, QuickTagColumn),
            QString::fromUtf8(artist.left(30)).trimmed() + u" - "_s + QString::fromUtf8(c.title));
        EXPECT_TRUE(messages.shown().empty());
    }
}

namespace {

enum class Command {
    TagFromFileName,
    TagFromTitle,
    TitleFromTag,
    TitleFromFileName,
    FileNameFromTag,
    FileNameFromTitle
};

// Runs a command as the window does: planned once, then carried out; the formats "<a> - <t>" and,
// for the second step, "<t> (<a>)".
void run(Command command, PlaylistModel& model, const RetagCommands::Rows& rows)
{
    using namespace RetagCommands;
    const QString format = u"<a> - <t>"_s;
    const QString second = u"<t> (<a>)"_s;
    switch (command) {
    case Command::TagFromFileName: retagAsPlanned(model, planTagFromFileName(model, rows, format, false)); break;
    case Command::TagFromTitle: retagAsPlanned(model, planTagFromTitle(model, rows, format)); break;
    case Command::TitleFromTag: titleFromTag(model, rows, format); break;
    case Command::TitleFromFileName: titleFromFileName(model, rows, format, false, second); break;
    case Command::FileNameFromTag: renameAsPlanned(model, planFileNameFromTag(model, rows, format, false)); break;
    case Command::FileNameFromTitle:
        renameAsPlanned(model, planFileNameFromTitle(model, rows, format, second, false));
        break;
    }
}

} // namespace

TEST(RetagCommands, ConvertsOnlyWhatTheTagStateAllows)
{
    // The file as each case makes it, named "Beatles, The - Hey Jude.mp3" and titled
    // "Kinks, The - Lola" in the playlist.
    enum class State {
        Tagged, // an ID3v1 tag, read
        Unread, // an ID3v1 tag, not read yet
        NoTag, // read, without an ID3v1 tag
        Failed, // too short to hold a tag: its read failed
        DanglingLink, // a symbolic link to nothing, not read yet
        LoopingLink, // a symbolic link to itself, not read yet
    };
    const QByteArray oldTag = id3v1({"Old song", "Old band", "Album", "1970", "Comment", 5, 17});
    const QByteArray fromName = audio(300) + id3v1({"Hey Jude", "Beatles, The", "Album", "1970", "Comment", 5, 17});
    const QByteArray fromTitle = audio(300) + id3v1({"Lola", "Kinks, The", "Album", "1970", "Comment", 5, 17});
    const QString name = u"Beatles, The - Hey Jude.mp3"_s;
    const QString title = u"Kinks, The - Lola"_s;
    struct Case {
        Command command;
        State state;
        QString nameAfter;
        QString titleAfter;
        QByteArray bytesAfter; // null for a link
        bool notFound = false; // the command reported the file as not found (once)
    } const cases[] = {
        // The fields the format does not name keep their values; a file without a tag gets a new one.
        {Command::TagFromFileName, State::Tagged, name, title, fromName},
        {Command::TagFromFileName, State::Unread, name, title, fromName},
        {Command::TagFromFileName, State::NoTag, name, title,
            audio(300) + id3v1({"Hey Jude", "Beatles, The", "", "", "", 0, 12})},
        {Command::TagFromFileName, State::Failed, name, title, "abc"},
        {Command::TagFromFileName, State::DanglingLink, name, title, {}, true},
        {Command::TagFromTitle, State::Tagged, name, title, fromTitle},
        {Command::TagFromTitle, State::Unread, name, title, fromTitle},
        // A conversion from the tag leaves a row without a readable tag alone.
        {Command::TitleFromTag, State::Tagged, name, u"Old band - Old song"_s, audio(300) + oldTag},
        {Command::TitleFromTag, State::Unread, name, u"Old band - Old song"_s, audio(300) + oldTag},
        {Command::TitleFromTag, State::NoTag, name, title, audio(300)},
        {Command::TitleFromTag, State::Failed, name, title, "abc"},
        {Command::FileNameFromTag, State::Tagged, u"Old band - Old song.mp3"_s, title, audio(300) + oldTag},
        {Command::FileNameFromTag, State::Unread, u"Old band - Old song.mp3"_s, title, audio(300) + oldTag},
        {Command::FileNameFromTag, State::NoTag, name, title, audio(300)},
        {Command::FileNameFromTag, State::Failed, name, title, "abc"},
        {Command::FileNameFromTag, State::DanglingLink, name, title, {}, true},
        // The title is the source here: the tag's state does not matter, but only files move.
        {Command::FileNameFromTitle, State::Failed, u"Lola (Kinks, The).mp3"_s, title, "abc"},
        {Command::FileNameFromTitle, State::DanglingLink, name, title, {}},
        {Command::FileNameFromTitle, State::LoopingLink, name, title, {}},
        {Command::TitleFromFileName, State::NoTag, name, u"Hey Jude (Beatles, The)"_s, audio(300)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << int(c.command) << ", state " << int(c.state));
        RecordingMessages messages;
        Playlist p;
        const QString path = p.files.path(name);
        switch (c.state) {
        case State::Tagged: p.add(name, audio(300) + oldTag, title); break;
        case State::Unread: p.add(name, audio(300) + oldTag, title, false); break;
        case State::NoTag: p.add(name, audio(300), title); break;
        case State::Failed: p.add(name, "abc", title); break;
        case State::DanglingLink:
        case State::LoopingLink:
            ASSERT_TRUE(QFile::link(c.state == State::LoopingLink ? path : p.files.path(u"gone.mp3"_s), path));
            p.add(path, {}, title, false);
            break;
        }
        messages.clear();
        run(c.command, p.model, p.rows);
        EXPECT_EQ(p.folder(), QStringList({c.nameAfter}));
        EXPECT_EQ(p.file(0), p.files.path(c.nameAfter));
        EXPECT_EQ(p.model.text(0, TitleColumn), c.titleAfter);
        if (!c.bytesAfter.isNull()) {
            EXPECT_EQ(TestFiles::read(p.file(0)), c.bytesAfter);
        }
        EXPECT_EQ(messages.texts(), c.notFound ? QStringList({ProgramMessages::notFound(path)}) : QStringList());
    }
}

TEST(RetagCommands, PlansTagsFieldByField)
{
    RecordingMessages messages;
    Playlist p;
    p.add(u"a.mp3"_s, audio(300) + id3v1({"Same", "Band", "Album", "", "", 3, 17}), u"Band - Same"_s);
    p.add(u"b.mp3"_s, audio(300) + id3v1({"Old", "Band", "", "", "", 0, 0}), u"Other - New"_s);
    p.add(u"c.mp3"_s, audio(300), u"X - Y"_s);
    p.add(u"d.mp3"_s, audio(300) + id3v1({"Old", "Band", "", "", "", 0, 0}), u"300 - Z"_s);
    p.add(u"e.mp3"_s, "abc", u"X - Y"_s);
    messages.clear();
    const auto plans = RetagCommands::planTagFromTitle(p.model, p.rows, u"<a> - <t>"_s);
    const auto tracks = RetagCommands::planTagFromTitle(p.model, {3}, u"<k> - <t>"_s);
    QStringList lines;
    for (const auto* batch : {&plans, &tracks}) {
        for (const RetagCommands::PlannedRetag& plan : *batch) {
            lines.append(QFileInfo(plan.file).fileName() + u' ' + RetagCommands::problemText(plan.problem)
                + (plan.newTag ? u" new"_s : QString()));
            for (const RetagCommands::FieldChange& change : plan.changes)
                lines.append(change.field + u'|' + change.before + u'|' + change.after);
        }
    }
    // a.mp3 would not change and has no plan.
    EXPECT_EQ(lines,
        QStringList({u"b.mp3 "_s, u"Title|Old|New"_s, u"Artist|Band|Other"_s, u"c.mp3  new"_s, u"Title||Y"_s,
            u"Artist||X"_s, u"Track||0"_s, u"Genre||12 (Other)"_s, u"d.mp3 "_s, u"Title|Old|Z"_s, u"Artist|Band|300"_s,
            u"e.mp3 not written: the tag could not be read"_s, u"d.mp3 not written: the track number does not fit"_s}));
    EXPECT_EQ(messages.texts(),
        QStringList(
            {u"Track number 300 does not fit in an ID3v1 tag (0 to 255); "_s + p.file(3) + u" was not changed."_s}));
}

TEST(RetagCommands, LeavesATitleWhoseTrackNumberDoesNotFit)
{
    RecordingMessages messages;
    Playlist p;
    p.add(u"300 Song.mp3"_s, audio(300), u"300 Song"_s);
    p.add(u"12 Next.mp3"_s, audio(300), u"12 Next"_s);
    RetagCommands::titleFromFileName(p.model, p.rows, u"<k> <t>"_s, false, u"<t> <k>"_s);
    EXPECT_EQ(p.model.text(0, TitleColumn), u"300 Song"_s);
    EXPECT_EQ(p.model.text(1, TitleColumn), u"Next 12"_s);
    EXPECT_EQ(messages.texts(),
        QStringList(
            {u"Track number 300 does not fit in an ID3v1 tag (0 to 255); "_s + p.file(0) + u" was not changed."_s}));
}

TEST(RetagCommands, RenamesFromTheTagWithoutReplacingAnything)
{
    struct Case {
        const char* what;
        std::vector<std::tuple<QString, QByteArray, bool>> files; // name, bytes, tag read
        std::initializer_list<Answer> answers;
        QStringList folderAfter;
        int messages;
        QByteArray existing = {}; // bytes of a file "Beatles, The - Hey Jude.mp3" that is not in the playlist
    } const cases[] = {
        {"renamed", {{u"track01.mp3"_s, audio(300) + kBeatles, true}}, {}, {u"Beatles, The - Hey Jude.mp3"_s}, 0},
        {"no extension", {{u"track01"_s, audio(300) + kBeatles, true}}, {}, {u"Beatles, The - Hey Jude."_s}, 0},
        {"stop at a clash",
            {{u"a.mp3"_s, audio(300) + kBeatles, true}, {u"b.mp3"_s, audio(300) + kBeatles, true},
                {u"c.mp3"_s, audio(300) + id3v1({"C", "", "", "", "", 0, 0}), true}},
            {Answer::No}, {u"Beatles, The - Hey Jude.mp3"_s, u"b.mp3"_s, u"c.mp3"_s}, 1},
        {"go on after a clash",
            {{u"a.mp3"_s, audio(300) + kBeatles, true}, {u"b.mp3"_s, audio(300) + kBeatles, true},
                {u"c.mp3"_s, audio(300) + id3v1({"C", "", "", "", "", 0, 0}), true}},
            {Answer::Yes}, {u" - C.mp3"_s, u"Beatles, The - Hey Jude.mp3"_s, u"b.mp3"_s}, 1},
        {"existing file", {{u"a.mp3"_s, audio(300) + kBeatles, true}}, {Answer::Yes},
            {u"Beatles, The - Hey Jude.mp3"_s, u"a.mp3"_s}, 1, "keep"},
        {"separator in a tag", {{u"a.mp3"_s, audio(300) + id3v1({"x/../y", "", "", "", "", 0, 0}), true}},
            {Answer::Yes}, {u"a.mp3"_s}, 1},
        {"hidden name", {{u"a.mp3"_s, audio(300) + id3v1({"", ".", "", "", "", 0, 0}), true}}, {Answer::Yes},
            {u"a.mp3"_s}, 1},
        // The system would take the name only up to the NUL and give the file another name.
        {"NUL in a tag", {{u"a.mp3"_s, audio(300) + id3v1({QByteArray("x\0y", 3), "", "", "", "", 0, 0}), true}},
            {Answer::Yes}, {u"a.mp3"_s}, 1},
        {"same name", {{u"Beatles, The - Hey Jude.mp3"_s, audio(300) + kBeatles, true}}, {},
            {u"Beatles, The - Hey Jude.mp3"_s}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingMessages messages;
        messages.scriptAnswers(c.answers);
        Playlist p;
        for (const auto& [name, bytes, read] : c.files)
            p.add(name, bytes, {}, read);
        if (!c.existing.isNull())
            p.files.write(u"Beatles, The - Hey Jude.mp3"_s, c.existing);
        const QByteArray keep = TestFiles::read(p.file(0));
        RetagCommands::fileNameFromTag(p.model, p.rows, u"<a> - <t>"_s, false);
        EXPECT_EQ(p.folder(), c.folderAfter);
        EXPECT_EQ(int(messages.shown().size()), c.messages);
        for (qsizetype row = 0; row < p.model.size(); ++row) {
            EXPECT_TRUE(QFile::exists(p.file(row))) << p.file(row).toStdString();
            EXPECT_EQ(p.model.findItem(row)->file(), p.file(row));
        }
        EXPECT_EQ(TestFiles::read(p.file(0)), keep); // moved or not, never replaced
        if (!c.existing.isNull()) {
            EXPECT_EQ(TestFiles::read(p.files.path(u"Beatles, The - Hey Jude.mp3"_s)), c.existing);
        }
    }
}

TEST(RetagCommands, SaysWhichRenameFailedAndHow)
{
    RecordingMessages messages;
    messages.scriptAnswers({Answer::Yes});
    Playlist p;
    p.add(u"Beatles, The - Hey Jude.mp3"_s, "taken", {}, false);
    p.add(u"a.mp3"_s, audio(300) + kBeatles);
    RetagCommands::fileNameFromTag(p.model, {1}, u"<a> - <t>"_s, false);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, u"Error renaming a.mp3 to Beatles, The - Hey Jude.mp3.  Skip and continue?"_s);
    EXPECT_EQ(messages.shown()[0].title, u"Error:"_s);
    EXPECT_EQ(messages.shown()[0].buttons, Messages::Buttons::YesNo);

    // With the whole path the message names whole paths.
    messages.clear();
    messages.scriptAnswers({Answer::Yes});
    const QString target = p.files.folder() + u"/Beatles, The - Hey Jude.mp3"_s;
    RetagCommands::fileNameFromTag(p.model, {1}, p.files.folder() + u"/<a> - <t>.mp3"_s, true);
    EXPECT_EQ(messages.texts(),
        QStringList({u"Error renaming "_s + p.file(1) + u" to "_s + target + u".  Skip and continue?"_s}));
}

TEST(RetagCommands, RenamesFromTheTitleAndPlansBatches)
{
    RecordingMessages messages;
    Playlist p;
    p.add(u"x.mp3"_s, audio(300), u"Beatles, The - Hey Jude"_s);
    p.add(u"y.mp3"_s, audio(300), u"Beatles, The - Hey Jude"_s);
    p.add(u"z.mp3"_s, audio(300), u"Someone - Hey Jude"_s);
    p.add(u"Hey Jude (Someone).mp3"_s, audio(300), u"x/y - z"_s);
    p.add(u"w.mp3"_s, audio(300), u"Someone - Else"_s);
    const auto plans = RetagCommands::planFileNameFromTitle(p.model, p.rows, u"<a> - <t>"_s, u"<t> (<a>)"_s, false);
    std::vector<Problem> problems;
    for (const auto& plan : plans)
        problems.push_back(plan.problem);
    EXPECT_EQ(problems,
        (std::vector<Problem>{
            Problem::None, Problem::SameTargetInBatch, Problem::TargetExists, Problem::RefusedName, Problem::None}));
    EXPECT_EQ(plans[0].newShown, u"Hey Jude (Beatles, The).mp3"_s);
    EXPECT_EQ(p.folder(), QStringList({u"Hey Jude (Someone).mp3"_s, u"w.mp3"_s, u"x.mp3"_s, u"y.mp3"_s, u"z.mp3"_s}));

    messages.scriptAnswers({Answer::Yes, Answer::Yes, Answer::Yes});
    const auto report = RetagCommands::fileNameFromTitle(p.model, p.rows, u"<a> - <t>"_s, u"<t> (<a>)"_s, false);
    EXPECT_FALSE(report.stopped);
    EXPECT_EQ(report.renamed.size(), 2u);
    EXPECT_EQ(p.file(0), p.files.path(u"Hey Jude (Beatles, The).mp3"_s));
    EXPECT_EQ(p.file(4), p.files.path(u"Else (Someone).mp3"_s));
    EXPECT_EQ(messages.shown().size(), 3u);
}

TEST(RetagCommands, RefusesNamesThatWouldLeadElsewhere)
{
    // A value never adds a folder, and the system takes a path only up to its first NUL: such a
    // rename would give another name. With the whole path, its folders come from the format only.
    struct Case {
        QString title;
        QString format; // with the whole path: after the test's folder and "/"
        bool refused;
        bool fullPath = true;
        QString file = u"a.mp3"_s;
    } const cases[] = {
        {u"../outside"_s, u"<t>.mp3"_s, true},
        {u"/etc/x"_s, u"<t>.mp3"_s, true},
        {u".."_s, u"<t>/x.mp3"_s, true},
        {u"."_s, u".<t>/x.mp3"_s, true}, // a value and the literal beside it make ".."
        {u".."_s, u"<t> - x.mp3"_s, true}, // harmless here, but refused as it is without the whole path
        {u"x"_s, u"<t>/../y.mp3"_s, false}, // the format's own "..": the user wrote it
        {u"..x"_s, u"<t>.mp3"_s, false},
        {u"Hey Jude"_s, u"sub/<t>.mp3"_s, false},
        {u"x\0y"_s, u"<t>.mp3"_s, true},
        {u"x\0y"_s, u"<t>"_s, true, false},
        {u"x"_s, u"<t>"_s, true, false, u"a.m\0p3"_s}, // in the old extension
        {u"x"_s, u"<t>"_s, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.title + u' ' + c.format).toStdString());
        RecordingMessages messages;
        Playlist p;
        p.add(c.file, QByteArray(), c.title, false);
        const QString format = c.fullPath ? p.files.folder() + u'/' + c.format : c.format;
        const auto plans = RetagCommands::planFileNameFromTitle(p.model, p.rows, u"<t>"_s, format, c.fullPath);
        ASSERT_EQ(plans.size(), 1u);
        EXPECT_EQ(plans[0].problem, c.refused ? Problem::RefusedName : Problem::None);
        const bool namesAFolder = c.refused && c.fullPath && !c.title.contains(QChar(0));
        EXPECT_EQ(RetagCommands::problemText(plans[0]).contains(u"tag value"_s), namesAFolder);
        EXPECT_TRUE(messages.shown().empty());
    }
}
