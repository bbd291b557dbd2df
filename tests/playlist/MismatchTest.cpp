#include "playlist/Mismatch.h"

#include <gtest/gtest.h>

#include "PlaylistTestRows.h"
#include "support/ProgramMessages.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;

// The three texts of a row agree when they read alike after folding case, spaces and separators;
// a tag that is not compared (nothing) leaves the file name and title to agree on their own.
TEST(Mismatch, TextsAgreeAfterFoldingCaseSpacesAndSeparators)
{
    EXPECT_EQ(Mismatch::comparableText(u"  AC_DC -  Back\tin Black "), u"ac dc back in black"_s);
    const struct {
        const char* name;
        QString fileName, title;
        std::optional<QString> tag;
        bool agree;
    } cases[] = {
        {"alike", u"Band - Song"_s, u"Band - Song"_s, u"Band - Song"_s, true},
        {"case", u"BAND - SONG"_s, u"band - song"_s, u"Band - Song"_s, true},
        {"runs of spaces and ends", u"Band  -   Song "_s, u" Band - Song"_s, u"Band\t- Song"_s, true},
        {"underscores", u"Band_-_Song"_s, u"Band_Song"_s, u"Band - Song"_s, true},
        {"hyphens", u"Band-Song"_s, u"Band--Song"_s, u"Band - Song"_s, true},
        {"a hyphen inside a word", u"Jay-Z - Song"_s, u"Jay Z Song"_s, u"Jay-Z - Song"_s, true},
        {"words run together", u"BandSong"_s, u"Band Song"_s, std::nullopt, false},
        {"a title without the artist", u"Band - Song"_s, u"Song"_s, u"Band - Song"_s, false},
        {"a tag without the artist", u"Band - Song"_s, u"Band - Song"_s, u" - Song"_s, false},
        {"a tag of a title alone, a bare name", u"Song"_s, u"song"_s, u" - Song"_s, true},
        {"the tag alone differs", u"Band - Song"_s, u"Band - Song"_s, u"Band - Tune"_s, false},
        {"an empty title", u"Song"_s, u""_s, std::nullopt, false},
        {"no tag, name and title agree", u"Band - Song"_s, u"band_song"_s, std::nullopt, true},
        {"no tag, name and title differ", u"Band - Song"_s, u"Band - Song 2"_s, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Mismatch::textsAgree(c.fileName, c.title, c.tag), c.agree);
    }
}

// Over a playlist: the tag in use decides, a tag that says nothing (none, empty, a failed file) is
// not compared, and unread tags are read first unless the caller says to leave them.
TEST(Mismatch, SelectsTheRowsWhoseFileNameTitleAndTagInUseDisagree)
{
    TestFiles files;
    const QByteArray v2 = TestBytes::id3v2Tag(3, {{"TIT2", u"Other"_s}, {"TPE1", u"Band"_s}});
    const std::vector<PlaylistEntry> entries = {
        {files.write(u"Band - Song.mp3"_s, v2 + audio(300) + id3v1({"Song", "Band", "", "", "", 0, 0})),
            u"Band - Song"_s, {}},
        {files.write(u"Band - Tune.mp3"_s, audio(300)), u"band_tune"_s, {}},
        {files.write(u"Band - Hit.mp3"_s, audio(300) + id3v1({"Hit", "Band", "", "", "", 0, 0})), u"Hit"_s, {}},
        {files.write(u"Solo.mp3"_s, audio(300) + id3v1({"Solo", "", "", "", "", 0, 0})), u"solo"_s, {}},
        {files.write(u"Blank - Tag.mp3"_s, audio(300) + id3v1({})), u"Blank - Tag"_s, {}},
        {files.path(u"gone.mp3"_s), u"gone"_s, {}},
    };
    const struct {
        TagChoice tag;
        Mismatch::UnreadTags unread;
        std::vector<qsizetype> mismatched;
    } cases[] = {
        {TagChoice::Id3v1, Mismatch::UnreadTags::Read, {2}},
        {TagChoice::Id3v2, Mismatch::UnreadTags::Read, {0, 2}},
        {TagChoice::Id3v2, Mismatch::UnreadTags::Leave, {2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.tag) * 2 + int(c.unread));
        RecordingMessages messages;
        PlaylistModel model;
        model.appendEntries(entries);
        model.setFormatStringsUse(c.tag);
        selectRows(model, {2, 4});
        if (c.unread == Mismatch::UnreadTags::Leave) {
            EXPECT_EQ(Mismatch::mismatchedRows(model, c.unread), c.mismatched);
            EXPECT_EQ(model.text(0, QuickTagColumn), unreadTagText());
            EXPECT_TRUE(messages.texts().isEmpty());
            continue;
        }
        EXPECT_EQ(Mismatch::selectMismatchedRows(model), c.mismatched);
        std::vector<int> numbers;
        for (const qsizetype position : c.mismatched)
            numbers.push_back(int(position) + 1);
        EXPECT_EQ(selectedNumbers(model), numbers);
        EXPECT_EQ(model.text(0, QuickTagColumn), u"Band - Song"_s);
        EXPECT_EQ(messages.texts(), QStringList({ProgramMessages::notFound(files.path(u"gone.mp3"_s))}));
    }
}
