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
#include "tags/MP3Tag.h"

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
        const QString path = bytes.isNull() ? files.path(name) : files.write(name, bytes);
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

enum class Command { TagFromName, TagFromPath, TagFromTitle, TitleFromTag, TitleFromName, NameFromTag, NameFromTitle };

// Runs a command as the window does, the formats "<a> - <t>" and, for the second step, "<t> (<a>)";
// the tag from the whole path reads "<folder>/<a> - <t>.mp3".
void run(Command command, Playlist& p)
{
    using namespace RetagCommands;
    const QString format = u"<a> - <t>"_s;
    const QString other = u"<t> (<a>)"_s;
    switch (command) {
    case Command::TagFromName: tagFromFileName(p.model, p.rows, format, false); break;
    case Command::TagFromPath:
        retagAsPlanned(p.model, planTagFromFileName(p.model, p.rows, p.files.folder() + u"/<a> - <t>.mp3"_s, true));
        break;
    case Command::TagFromTitle: retagAsPlanned(p.model, planTagFromTitle(p.model, p.rows, format)); break;
    case Command::TitleFromTag: titleFromTag(p.model, p.rows, format); break;
    case Command::TitleFromName: titleFromFileName(p.model, p.rows, format, false, other); break;
    case Command::NameFromTag: renameAsPlanned(p.model, planFileNameFromTag(p.model, p.rows, format, false)); break;
    case Command::NameFromTitle: renameAsPlanned(p.model, planFileNameFromTitle(p.model, p.rows, format, other, false));
    }
}

} // namespace

TEST(RetagCommands, ConvertsOnlyWhatTheTagStateAllows)
{
    // The file is named "Beatles, The - Hey Jude.mp3" and titled "Kinks, The - Lola" in the playlist.
    const QByteArray tagged = audio(300) + id3v1({"Old song", "Old band", "Album", "1970", "Comment", 5, 17});
    const QByteArray bare = audio(300); // no ID3v1 tag
    const QByteArray broken = "abc"; // too short to hold a tag: its read fails
    const QByteArray fromName = audio(300) + id3v1({"Hey Jude", "Beatles, The", "Album", "1970", "Comment", 5, 17});
    const QByteArray fromTitle = audio(300) + id3v1({"Lola", "Kinks, The", "Album", "1970", "Comment", 5, 17});
    const QString name = u"Beatles, The - Hey Jude.mp3"_s;
    const QString title = u"Kinks, The - Lola"_s;
    const QString tagTitle = u"Old band - Old song"_s;
    // The fields the format does not name keep their values; a file without a tag gets a new one. A
    // conversion from the tag leaves a row without a readable tag alone. From the title, the tag's
    // state does not matter, but only files move.
    struct Case {
        Command command;
        QByteArray before; // null: a symbolic link to nothing, not read yet
        QString nameAfter;
        QString titleAfter;
        QByteArray bytesAfter; // null for a link
        bool read = true; // the tag was read before the command
        bool notFound = false; // the command reported the file as not found (once)
    } const cases[] = {{Command::TagFromName, tagged, name, title, fromName},
        {Command::TagFromPath, tagged, name, title, fromName},
        {Command::TagFromName, tagged, name, title, fromName, false},
        {Command::TagFromName, bare, name, title, audio(300) + id3v1({"Hey Jude", "Beatles, The", "", "", "", 0, 12})},
        {Command::TagFromName, broken, name, title, broken}, {Command::TagFromTitle, tagged, name, title, fromTitle},
        {Command::TitleFromTag, tagged, name, tagTitle, tagged},
        {Command::TitleFromTag, tagged, name, tagTitle, tagged, false},
        {Command::TitleFromTag, bare, name, title, bare}, {Command::TitleFromTag, broken, name, title, broken},
        {Command::NameFromTag, tagged, tagTitle + u".mp3"_s, title, tagged},
        {Command::NameFromTag, bare, name, title, bare}, {Command::NameFromTag, broken, name, title, broken},
        {Command::NameFromTag, {}, name, title, {}, false, true},
        {Command::NameFromTitle, broken, u"Lola (Kinks, The).mp3"_s, title, broken},
        {Command::NameFromTitle, {}, name, title, {}, false},
        {Command::TitleFromName, bare, name, u"Hey Jude (Beatles, The)"_s, bare}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << int(c.command) << ", before " << c.before.size() << " bytes"
                                        << (c.read ? "" : ", unread"));
        RecordingMessages messages;
        Playlist p;
        const QString path = p.files.path(name);
        if (c.before.isNull()) {
            ASSERT_TRUE(QFile::link(p.files.path(u"gone.mp3"_s), path));
            p.add(name, {}, title, false);
        } else {
            p.add(name, c.before, title, c.read);
        }
        messages.clear();
        run(c.command, p);
        EXPECT_EQ(p.folder(), QStringList({c.nameAfter}));
        EXPECT_EQ(p.file(0), p.files.path(c.nameAfter));
        EXPECT_EQ(p.model.text(0, TitleColumn), c.titleAfter);
        EXPECT_EQ(messages.texts(), c.notFound ? QStringList({ProgramMessages::notFound(path)}) : QStringList());
        if (c.bytesAfter.isNull())
            continue;
        EXPECT_EQ(TestFiles::read(p.file(0)), c.bytesAfter);
        // The row shows the tag the file holds now.
        PlaylistModel fresh;
        fresh.appendEntries({{p.file(0), title, u"???"_s}});
        fresh.findItem(0)->ReadTag();
        EXPECT_EQ(p.model.text(0, QuickTagColumn), fresh.text(0, QuickTagColumn));
    }
}

TEST(RetagCommands, PlansTagsFieldByFieldAndLeavesATrackNumberThatDoesNotFit)
{
    RecordingMessages messages;
    Playlist p;
    p.add(u"a.mp3"_s, audio(300) + id3v1({"Same", "Band", "Album", "", "", 3, 17}), u"Band - Same"_s);
    p.add(u"b.mp3"_s, audio(300) + id3v1({"Old", "Band", "", "", "", 0, 0}), u"Other - New"_s);
    p.add(u"c.mp3"_s, audio(300), u"X - Y"_s);
    p.add(u"300 - Z.mp3"_s, audio(300) + id3v1({"Old", "Band", "", "", "", 0, 0}), u"300 - Z"_s);
    p.add(u"e.mp3"_s, "abc", u"X - Y"_s);
    p.add(u"12 - Next.mp3"_s, audio(300), u"12 - Next"_s);
    messages.clear();
    const auto plans = RetagCommands::planTagFromTitle(p.model, {0, 1, 2, 3, 4}, u"<a> - <t>"_s);
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
            u"Artist||X"_s, u"Track||0"_s, u"Genre||12 (Other)"_s, u"300 - Z.mp3 "_s, u"Title|Old|Z"_s,
            u"Artist|Band|300"_s, u"e.mp3 not written: the tag could not be read"_s,
            u"300 - Z.mp3 not written: the track number does not fit"_s}));
    // A title from the file name goes on past a row whose track does not fit, which keeps its title.
    RetagCommands::titleFromFileName(p.model, {3, 5}, u"<k> - <t>"_s, false, u"<t> <k>"_s);
    EXPECT_EQ(p.model.text(3, TitleColumn), u"300 - Z"_s);
    EXPECT_EQ(p.model.text(5, TitleColumn), u"Next 12"_s);
    EXPECT_EQ(messages.texts(),
        QStringList(
            2, u"Track number 300 does not fit in an ID3v1 tag (0 to 255); "_s + p.file(3) + u" was not changed."_s));
}

TEST(RetagCommands, RenamesFromTheTagWithoutReplacingAnything)
{
    const QList<QByteArray> clash = {kBeatles, kBeatles, id3v1({"C", "", "", "", "", 0, 0})};
    const QString beatles = u"Beatles, The - Hey Jude.mp3"_s;
    struct Case {
        const char* what;
        QStringList names;
        QList<QByteArray> tags;
        std::initializer_list<Answer> answers;
        QStringList folderAfter;
        QString failed = {}; // the only message: "Error renaming <failed>.  Skip and continue?", "{}" the folder
        QByteArray existing = {}; // bytes of a file "Beatles, The - Hey Jude.mp3" that is not in the playlist
        bool fullPath = false; // the format then is "{}/<a> - <t>.mp3"
    } const cases[] = {{"no extension", {u"track01"_s}, {kBeatles}, {}, {u"Beatles, The - Hey Jude."_s}},
        {"same name", {beatles}, {kBeatles}, {}, {beatles}},
        {"stop at a clash", {u"a.mp3"_s, u"b.mp3"_s, u"c.mp3"_s}, clash, {Answer::No},
            {beatles, u"b.mp3"_s, u"c.mp3"_s}, u"b.mp3 to "_s + beatles},
        {"go on after a clash", {u"a.mp3"_s, u"b.mp3"_s, u"c.mp3"_s}, clash, {Answer::Yes},
            {u" - C.mp3"_s, beatles, u"b.mp3"_s}, u"b.mp3 to "_s + beatles},
        {"existing file, whole path", {u"a.mp3"_s}, {kBeatles}, {Answer::Yes}, {beatles, u"a.mp3"_s},
            u"{}/a.mp3 to {}/"_s + beatles, "keep", true},
        {"hidden name", {u"a.mp3"_s}, {id3v1({"", ".", "", "", "", 0, 0})}, {Answer::Yes}, {u"a.mp3"_s},
            u"a.mp3 to . - .mp3"_s}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingMessages messages;
        messages.scriptAnswers(c.answers);
        Playlist p;
        for (qsizetype i = 0; i < c.names.size(); ++i)
            p.add(c.names[i], audio(300) + c.tags[i]);
        if (!c.existing.isNull())
            p.files.write(beatles, c.existing);
        const QByteArray keep = TestFiles::read(p.file(0));
        const QString folder = p.files.folder();
        RetagCommands::fileNameFromTag(
            p.model, p.rows, c.fullPath ? folder + u"/<a> - <t>.mp3"_s : u"<a> - <t>"_s, c.fullPath);
        EXPECT_EQ(p.folder(), c.folderAfter);
        const QString failed
            = u"Error renaming "_s + QString(c.failed).replace(u"{}"_s, folder) + u".  Skip and continue?"_s;
        EXPECT_EQ(messages.texts(), c.failed.isEmpty() ? QStringList() : QStringList(failed));
        for (const RecordingMessages::Shown& shown : messages.shown())
            EXPECT_TRUE(shown.title == u"Error:"_s && shown.buttons == Messages::Buttons::YesNo);
        for (qsizetype row = 0; row < p.model.size(); ++row) {
            EXPECT_TRUE(QFile::exists(p.file(row))) << p.file(row).toStdString();
            EXPECT_EQ(p.model.findItem(row)->file(), p.file(row));
        }
        EXPECT_EQ(TestFiles::read(p.file(0)), keep); // moved or not, never replaced
        if (!c.existing.isNull()) {
            EXPECT_EQ(TestFiles::read(p.files.path(beatles)), c.existing);
        }
    }
}

TEST(RetagCommands, RefusesNamesThatWouldLeadElsewhere)
{
    // A value never adds a folder, and the system takes a path only up to its first NUL: such a
    // rename would give another name. With the whole path, its folders come from the format only;
    // without it, the name must be a plain visible one. A name another file has fails.
    struct Case {
        QString title;
        QString format; // with the whole path: after the test's folder and "/"
        bool refused;
        bool fullPath = true;
        QString file = u"a.mp3"_s;
        bool taken = false; // a file "x.mp3" exists
    } const cases[] = {{u"../outside"_s, u"<t>.mp3"_s, true}, {u"/etc/x"_s, u"<t>.mp3"_s, true},
        {u".."_s, u"<t>/x.mp3"_s, true}, {u"."_s, u".<t>/x.mp3"_s, true}, // a value and the literal beside it make ".."
        {u".."_s, u"<t> - x.mp3"_s, true}, // harmless here, but refused as it is without the whole path
        {u"x"_s, u"<t>/../y.mp3"_s, false}, // the format's own "..": the user wrote it
        {u"..x"_s, u"<t>.mp3"_s, false}, {u"Hey Jude"_s, u"sub/<t>.mp3"_s, false}, {u"x\0y"_s, u"<t>.mp3"_s, true},
        {u"x\0y"_s, u"<t>"_s, true, false}, {u"x"_s, u"<t>"_s, true, false, u"a.m\0p3"_s}, // in the old extension
        {u"x/y"_s, u"<t>"_s, true, false}, {u".x"_s, u"<t>"_s, true, false}, {u"x"_s, u"<t>"_s, false, false},
        {u"x"_s, u"<t>"_s, false, false, u"a.mp3"_s, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE((c.title + u' ' + c.format).toStdString());
        RecordingMessages messages;
        Playlist p;
        p.add(c.file, QByteArray(), c.title, false);
        if (c.taken)
            p.files.write(u"x.mp3"_s, "taken");
        const QString format = c.fullPath ? p.files.folder() + u'/' + c.format : c.format;
        const auto plans = RetagCommands::planFileNameFromTitle(p.model, p.rows, u"<t>"_s, format, c.fullPath);
        ASSERT_EQ(plans.size(), 1u);
        EXPECT_EQ(plans[0].problem, c.refused ? Problem::RefusedName : c.taken ? Problem::TargetExists : Problem::None);
        const bool namesAFolder = c.refused && c.fullPath && !c.title.contains(QChar(0));
        EXPECT_EQ(RetagCommands::problemText(plans[0]).contains(u"tag value"_s), namesAFolder);
        EXPECT_TRUE(messages.shown().empty());
    }
}

// With "Format Strings Use" set to the ID3v2 tag, every command reads and writes that tag: values
// whole, the track and genre as texts, the fields the format does not name and every other frame
// kept, the ID3v1 tag untouched. A file without an ID3v2 tag has nothing to compose from and gets a
// new tag of the chosen version; an unreadable one is left alone, and says so.
TEST(RetagCommands, UsesTheId3v2TagWholeWhenFormatStringsUseIt)
{
    using TestBytes::id3v2Tag;
    const QString huge = u"Long title "_s.repeated(300); // longer than any file name may be
    const QByteArray v1 = id3v1({"V1 title", "V1 band", "", "", "", 1, 0});
    const QByteArray tagged
        = id3v2Tag(3,
              {{"TIT2", u"Hey Jude, a title longer than thirty characters"_s}, {"TPE1", u"Beatles, The"_s},
                  {"TALB", u"Album"_s}, {"TRCK", u"3/12"_s}, {"TCON", u"(17)"_s}, {"TCOM", u"Composer"_s}})
        + audio(300) + v1;
    const QByteArray bare = audio(300) + v1;
    const QByteArray unreadable = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x0a", 4))
        + QByteArray("TIT2\0\0\0\x7f\0\0", 10) + audio(300) + v1;
    const QString name = u"Kinks, The - Lola.mp3"_s;
    const QString v2Name = u"Beatles, The - Hey Jude, a title longer than thirty characters.mp3"_s;
    const auto titled = [&v1](const QString& title) { return id3v2Tag(4, {{"TIT2", title}}) + audio(300) + v1; };
    struct Case {
        const char* what;
        QByteArray before;
        QString title; // in the playlist
        void (*command)(Playlist&, const QString& format);
        QString format;
        QString nameAfter, titleAfter;
        QString fieldsAfter; // "version|title|artist|album|year|track|genre|comment", or "-" for bytes unchanged
        QString message = {}; // "nr": not recognized; "er": the rename failed; else nothing
    };
    const auto fromTitle = [](Playlist& p, const QString& f) {
        RetagCommands::retagAsPlanned(p.model, RetagCommands::planTagFromTitle(p.model, p.rows, f));
    };
    const auto fromName
        = [](Playlist& p, const QString& f) { RetagCommands::tagFromFileName(p.model, p.rows, f, false); };
    const auto titleFromTag = [](Playlist& p, const QString& f) { RetagCommands::titleFromTag(p.model, p.rows, f); };
    const auto nameFromTag
        = [](Playlist& p, const QString& f) { RetagCommands::fileNameFromTag(p.model, p.rows, f, false); };
    const auto titleFromName = [](Playlist& p, const QString& f) {
        RetagCommands::titleFromFileName(p.model, p.rows, f, false, u"<k>: <a> (<g>)"_s);
    };
    const auto nameFromTitle = [](Playlist& p, const QString& f) {
        RetagCommands::fileNameFromTitle(p.model, p.rows, f, u"<k> <a> - <g>"_s, false);
    };
    // A plan whose file goes before it is written: the write fails, as a write of the ID3v1 tag
    // does, and never makes the file.
    const auto vanishing = [](Playlist& p, const QString& f) {
        const auto plans = RetagCommands::planTagFromTitle(p.model, p.rows, f);
        QFile::remove(p.file(0));
        RetagCommands::retagAsPlanned(p.model, plans);
    };
    const QString keptFields = u"3|Hey Jude, a title longer than thirty characters|Beatles, The|Album||3/12|Rock|"_s;
    const Case cases[] = {
        {"parsed whole, named fields only", tagged, u"Band - "_s + huge + u" - 3/12 - Jazz"_s, fromTitle,
            u"<a> - <t> - <k> - <g>"_s, name, {}, u"3|"_s + huge + u"|Band|Album||3/12|Jazz|"_s},
        {"a genre number stays a number", tagged, u"Band - 31"_s, fromTitle, u"<a> - <g>"_s, name, {},
            u"3|Hey Jude, a title longer than thirty characters|Band|Album||3/12|Trance|"_s},
        {"a genre number the tag names already changes nothing", tagged, u"Beatles, The - 17"_s, fromTitle,
            u"<a> - <g>"_s, name, {}, u"-"_s},
        {"a new tag of the chosen version", bare, {}, fromName, u"<a> - <t>"_s, name, {}, u"3|Lola|Kinks, The|||||"_s},
        {"an unreadable tag is not written", unreadable, u"A - B"_s, fromTitle, u"<a> - <t>"_s, name, u"A - B"_s,
            u"-"_s, u"nr"_s},
        {"the file goes before the write", tagged, u"A - B"_s, vanishing, u"<a> - <t>"_s, {}, u"A - B"_s, {},
            u"gone"_s},
        {"composed whole", tagged, {}, titleFromTag, u"<k>. <a> - <t> [<g>]"_s, name,
            u"3. Beatles, The - Hey Jude, a title longer than thirty characters [Rock]"_s, keptFields},
        {"no tag to compose from", bare, u"Kept"_s, titleFromTag, u"<t>"_s, name, u"Kept"_s, u"-"_s},
        {"an unreadable tag composes nothing", unreadable, u"Kept"_s, titleFromTag, u"<t>"_s, name, u"Kept"_s, u"-"_s,
            u"nr"_s},
        {"renamed whole", tagged, {}, nameFromTag, u"<a> - <t>"_s, v2Name, {}, keptFields},
        {"a track's total stays out of a name", tagged, {}, nameFromTag, u"<k> <t>"_s,
            u"3 Hey Jude, a title longer than thirty characters.mp3"_s, {}, keptFields},
        {"a title of two dots refuses the name", titled(u".."_s), {}, nameFromTag, u"<t>"_s, name, {}, u"-"_s, u"er"_s},
        {"a name too long fails alone", titled(huge), {}, nameFromTag, u"<t>"_s, name, {}, u"-"_s, u"er"_s},
        {"no tag keeps the name", bare, {}, nameFromTag, u"<a> - <t>"_s, name, {}, u"-"_s},
        {"an unreadable tag keeps the name", unreadable, {}, nameFromTag, u"<t>"_s, name, {}, u"-"_s, u"nr"_s},
        {"two steps carry texts", bare, {}, titleFromName, u"<a> - <k>"_s, name, u"Lola: Kinks, The ()"_s, u"-"_s},
        {"two steps to a name", bare, u"07 - Acid Folk - X"_s, nameFromTitle, u"<k> - <g> - <a>"_s,
            u"07 X - Acid Folk.mp3"_s, u"07 - Acid Folk - X"_s, u"-"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingMessages messages;
        messages.scriptAnswers({Answer::Yes});
        Playlist p;
        p.model.setFormatStringsUse(TagChoice::Id3v2);
        p.model.setNewTagVersion(3);
        p.add(name, c.before, c.title.isNull() ? u"Old title"_s : c.title);
        messages.clear();
        c.command(p, c.format);
        EXPECT_EQ(p.folder(), c.nameAfter.isEmpty() ? QStringList() : QStringList(c.nameAfter));
        if (!c.titleAfter.isNull()) {
            EXPECT_EQ(p.model.text(0, TitleColumn), c.titleAfter);
        }
        const QString path = p.files.path(c.nameAfter);
        const QStringList expected = c.message == u"nr" ? QStringList(ProgramMessages::notRecognized(p.file(0)))
            : c.message == u"er"                        ? QStringList(u"Error renaming "_s + name + u" to "_s)
            : c.message == u"gone"                      ? QStringList(ProgramMessages::readError(p.file(0)))
                                                        : QStringList();
        QStringList shown = messages.texts();
        for (QString& text : shown)
            text = text.left(c.message == u"er" ? expected.value(0).size() : text.size());
        EXPECT_EQ(shown, expected);
        if (c.nameAfter.isEmpty())
            continue;
        const QByteArray after = TestFiles::read(path);
        EXPECT_EQ(after.right(128), v1); // the ID3v1 tag is never touched
        if (c.fieldsAfter == u"-") {
            EXPECT_EQ(after, c.before);
            continue;
        }
        MP3Tag tag;
        tag.init(path);
        tag.ReadTag(MP3Tag::Reading::AllTags);
        const Id3v2Fields& f = tag.Id3v2Tag().fields;
        EXPECT_EQ(
            QStringList({QString::number(f.version), f.title, f.artist, f.album, f.year, f.track, f.genre, f.comment})
                .join(u'|'),
            c.fieldsAfter);
        // Every frame the command does not write stays.
        EXPECT_EQ(after.contains("TCOM"), c.before.contains("TCOM"));
    }
}
