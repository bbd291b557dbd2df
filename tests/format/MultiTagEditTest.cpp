#include "format/MultiTagEdit.h"

#include <QFile>

#include <gtest/gtest.h>

#include "format/MultiTagWriting.h"
#include "playlist/PlaylistModel.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "tags/Id3v2Fields.h"

using namespace Qt::StringLiterals;
using namespace MultiTagEdit;

namespace {

MP3TagInfo recordOf(const Texts& texts)
{
    MP3TagInfo record;
    record.setSongName(texts[SongName]);
    record.setArtist(texts[Artist]);
    record.setAlbum(texts[Album]);
    record.setYear(texts[Year]);
    record.setComment(texts[Comment]);
    record.setTrack(QString(QChar(char16_t(texts[Track].toInt()))));
    record.setGenre(QString(QChar(char16_t(texts[Genre].toInt()))));
    return record;
}

} // namespace

// A field is common only when every tag holds the same text; one that differs shows nothing.
TEST(MultiTagEdit, FindsTheTextsTheTagsShare)
{
    const Texts first = {u"One"_s, u"Band A"_s, u"Disc"_s, u"1999"_s, {}, u"1"_s, u"17"_s};
    Texts second = first;
    second[SongName] = u"Two"_s;
    second[Artist] = u"Band B"_s;
    Texts third = first;
    third[Artist] = u"Band C"_s;
    third[Track] = u"3"_s;
    const struct {
        const char* name;
        std::vector<Texts> tags;
        std::array<bool, FieldCount> differs;
    } cases[] = {
        {"none", {}, {}},
        {"one", {first}, {}},
        {"same twice", {first, first}, {}},
        {"three", {first, second, third}, {true, true, false, false, false, true, false}},
        {"the last differs", {first, first, third}, {false, true, false, false, false, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CommonTexts common = commonTexts(c.tags);
        for (std::size_t field = 0; field < FieldCount; ++field) {
            SCOPED_TRACE(field);
            EXPECT_EQ(common[field].differs, c.differs[field]);
            EXPECT_EQ(common[field].text, c.differs[field] || c.tags.empty() ? QString() : c.tags.front()[field]);
        }
    }
    // The ID3v1 texts as the editor shows them: trimmed, track and genre as numbers.
    MP3TagInfo padded = recordOf(first);
    padded.setArtist(u"  Band A \t"_s);
    EXPECT_EQ(id3v1Texts(padded), first);
    const Texts none = {QString(), QString(), QString(), QString(), QString(), u"0"_s, u"0"_s};
    EXPECT_EQ(id3v1Texts(MP3TagInfo()), none);
}

// The edited fields, and only those, go into each tag; an edit that leaves a tag as it was changes
// nothing; one ID3v1 cannot hold is refused whole.
TEST(MultiTagEdit, StoresTheEditedFieldsIntoEachTag)
{
    const Texts before = {u"Song"_s, u"Band"_s, u"Disc"_s, u"1999"_s, u"Fine"_s, u"7"_s, u"17"_s};
    const auto edit = [](std::initializer_list<std::pair<Field, QString>> fields) {
        Edits edits;
        for (const auto& [field, text] : fields)
            edits[field] = text;
        return edits;
    };
    const struct {
        const char* name;
        Edits edits;
        bool changed;
        Texts id3v1; // the record's texts afterwards
        std::optional<QString> problem;
    } cases[] = {
        {"nothing", {}, false, before, {}},
        {"album", edit({{Album, u"New Disc"_s}}), true,
            {u"Song"_s, u"Band"_s, u"New Disc"_s, u"1999"_s, u"Fine"_s, u"7"_s, u"17"_s}, {}},
        {"the same album", edit({{Album, u"Disc"_s}}), false, before, {}},
        {"emptied comment, track and genre", edit({{Comment, {}}, {Track, u"2.5"_s}, {Genre, u"0"_s}}), true,
            {u"Song"_s, u"Band"_s, u"Disc"_s, u"1999"_s, {}, u"2"_s, u"0"_s}, {}},
        {"code page and width", edit({{Artist, u"Ωmega and a name longer than thirty"_s}}), true,
            {u"Song"_s, u"?mega and a name longer than t"_s, u"Disc"_s, u"1999"_s, u"Fine"_s, u"7"_s, u"17"_s}, {}},
        {"track 300", edit({{Album, u"X"_s}, {Track, u"300"_s}}), false, before,
            u"Track Number must be between 0 and 255."_s},
        {"genre 256", edit({{Genre, u"256"_s}}), false, before, u"The genre must be a number between 0 and 255."_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(id3v1Problem(c.edits), c.problem);
        MP3TagInfo record = recordOf(before);
        record.setTag(u"TAG"_s);
        EXPECT_EQ(applyToId3v1(record, c.edits), c.changed);
        EXPECT_EQ(id3v1Texts(record), c.id3v1);
        EXPECT_EQ(record.tag(), u"TAG"_s);

        // ID3v2 takes the same edits whole, the track and genre as typed.
        Id3v2Fields fields;
        fields.version = 3;
        fields.title = u"Song"_s;
        fields.album = u"Disc"_s;
        fields.track = u"7/12"_s;
        const Texts v2Before = id3v2Texts(fields);
        const bool v2Changed = applyToId3v2(fields, c.edits);
        Texts v2Expected = v2Before;
        for (std::size_t field = 0; field < FieldCount; ++field) {
            if (c.edits[field])
                v2Expected[field] = *c.edits[field];
        }
        EXPECT_EQ(id3v2Texts(fields), v2Expected);
        EXPECT_EQ(v2Changed, v2Expected != v2Before);
        EXPECT_EQ(fields.version, 3);
    }
}

// The pass over the entries: a file gone before the editor opens is left out, one whose ID3v2 tag
// cannot be read keeps it and is named, a stop before an entry leaves it and the rest alone, and
// the rows show the files as written. No message shows during the pass.
TEST(MultiTagWriting, WritesEachFileAndNamesTheOnesItCannot)
{
    using TestBytes::audio;
    using TestBytes::id3v1;
    const QByteArray unreadable = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x0a", 4)) + QByteArray(10, 'x');
    const QByteArray tag = id3v1({"Song", "Band", "Disc", "", "", 1, 17});
    const struct {
        const char* name;
        bool id3v2Edit;
        int stopBefore; // -1: never
        std::vector<bool> written; // the files 0 (plain), 1 (unreadable ID3v2) and 2 (plain)
        int problems; // besides the gone file, left out
    } cases[] = {
        {"ID3v1 edit", false, -1, {true, true, true}, 0},
        {"ID3v2 edit too", true, -1, {true, true, true}, 1},
        {"stopped before the second", false, 1, {true, false, false}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingMessages messages;
        TestFiles files;
        PlaylistModel model;
        const QStringList paths
            = {files.write(u"a.mp3"_s, audio(300) + tag), files.write(u"b.mp3"_s, unreadable + audio(300) + tag),
                files.write(u"c.mp3"_s, audio(300) + tag), files.write(u"gone.mp3"_s, audio(300) + tag)};
        for (const QString& path : paths)
            model.appendEntries({{path, u"t"_s, u"???"_s}});
        std::vector<std::shared_ptr<MP3Node>> entries;
        for (qsizetype row = 0; row < model.size(); ++row)
            entries.push_back(model.findItem(row));
        ASSERT_TRUE(QFile::remove(paths[3]));

        const MultiTagWriting::Selection selection = MultiTagWriting::prepare(model, entries);
        ASSERT_EQ(selection.entries.size(), 3U);
        ASSERT_EQ(selection.leftOut.size(), 1U);
        EXPECT_EQ(selection.leftOut[0].file, paths[3]);
        EXPECT_TRUE(selection.leftOut[0].reason.contains(u"File not found"_s));
        const MultiTagWriting::Loaded loaded = MultiTagWriting::load(selection.entries);
        EXPECT_EQ(loaded.id3v1[Album].text, u"Disc"_s);
        EXPECT_EQ(loaded.id3v2Readable, 2);

        Edits v1;
        v1[SongName] = u"New"_s;
        Edits v2;
        if (c.id3v2Edit)
            v2[Artist] = u"Neu"_s;
        const MultiTagWriting::Outcome outcome = MultiTagWriting::write(
            model, selection.entries, v1, v2, 4, [&](qsizetype done, const MP3Node&) { return done != c.stopBefore; });
        EXPECT_EQ(outcome.cancelled, c.stopBefore >= 0);
        ASSERT_EQ(outcome.problems.size(), std::size_t(c.problems));
        if (c.problems > 0) {
            EXPECT_EQ(outcome.problems[0].file, paths[1]);
            EXPECT_TRUE(outcome.problems[0].reason.contains(u"not recognized"_s));
        }
        for (int file = 0; file < 3; ++file) {
            SCOPED_TRACE(file);
            const QByteArray bytes = TestFiles::read(paths[file]);
            EXPECT_EQ(bytes.right(128).mid(3, 4), c.written[file] ? QByteArray("New\0", 4) : QByteArray("Song"));
            EXPECT_EQ(model.text(file, QuickTagColumn), c.written[file] ? u"Band - New"_s : u"Band - Song"_s);
            EXPECT_EQ(bytes.startsWith("ID3"), file == 1 || (c.id3v2Edit && c.written[file]));
            if (c.id3v2Edit && file != 1) {
                EXPECT_EQ(model.text(file, Id3v2QuickTagColumn), u"Neu - "_s);
            }
        }
        EXPECT_EQ(outcome.written, std::ranges::count(c.written, true));
        EXPECT_TRUE(messages.shown().empty());
        const QString report = MultiTagWriting::report(outcome.problems, 4);
        EXPECT_EQ(report.isEmpty(), c.problems == 0);
    }
}
