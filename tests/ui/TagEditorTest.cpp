#include "ui/TagEditor.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "playlist/PlaylistModel.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "support/WindowFixture.h"

using namespace Qt::StringLiterals;

namespace {

const QByteArray kComment29 = "A comment of 29 characters..."; // one more than typing allows

const TestBytes::Id3v1Fields kTagged = {"Title", "Band", "Album", "1999", kComment29, 7, 17};

// One playlist row for a file of audio bytes followed by tail, and its entry, read unless told not.
struct Editing {
    RecordingMessages messages;
    TestFiles files;
    PlaylistModel model;
    std::shared_ptr<MP3Node> entry;

    explicit Editing(const QByteArray& tail, bool read = true)
    {
        model.appendEntries({{files.write(u"song.mp3"_s, TestBytes::audio(300) + tail), u"song"_s, u"???"_s}});
        entry = model.findItem(0);
        if (read)
            entry->ReadTag();
    }
    QByteArray bytes() const { return TestFiles::read(entry->file()); }
};

template <class Widget> Widget* child(const TagEditor& dialog, const char16_t* name)
{
    auto* widget = dialog.findChild<Widget*>(QString::fromUtf16(name));
    EXPECT_NE(widget, nullptr) << QString::fromUtf16(name).toStdString();
    return widget;
}

QLineEdit* field(const TagEditor& dialog, const char16_t* name)
{
    return child<QLineEdit>(dialog, name);
}

QStringList texts(const TagEditor& dialog)
{
    QStringList all;
    for (const char16_t* name : {u"SongName", u"Artist", u"Album", u"Year", u"Comment", u"Track"})
        all.append(field(dialog, name)->text());
    return all;
}

void fill(TagEditor& dialog, const QString& track, int genre)
{
    const struct {
        const char16_t* name;
        QString text;
    } values[] = {{u"SongName", u"New Title"_s}, {u"Artist", u"New Band"_s}, {u"Album", u"Disc"_s},
        {u"Year", u"2001"_s}, {u"Comment", u"Fine"_s}, {u"Track", track}};
    for (const auto& [name, text] : values)
        field(dialog, name)->setText(text);
    if (genre >= 0)
        child<QComboBox>(dialog, u"Genre")->setCurrentIndex(genre);
}

} // namespace

TEST(TagEditor, LoadsTheFieldsFromTheTagObjectWithoutWriting)
{
    const struct {
        const char* name;
        QByteArray tail;
        bool read;
        QStringList texts;
        int genreIndex;
        int genreInMemory;
    } cases[] = {
        {"never read", TestBytes::id3v1(kTagged), false, {{}, {}, {}, {}, {}, u"0"_s}, 0, 0},
        {"read, a comment longer than typing allows", TestBytes::id3v1(kTagged), true,
            {u"Title"_s, u"Band"_s, u"Album"_s, u"1999"_s, QString::fromLatin1(kComment29), u"7"_s}, 17, 17},
        {"a genre past the list", TestBytes::id3v1({"T", "", "", "", "", 0, 255}), true,
            {u"T"_s, {}, {}, {}, {}, u"0"_s}, -1, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Editing e(c.tail, c.read);
        TagEditor dialog(e.entry, e.model);
        EXPECT_EQ(dialog.windowTitle(), e.entry->file());
        EXPECT_EQ(texts(dialog), c.texts);
        EXPECT_EQ(child<QComboBox>(dialog, u"Genre")->currentIndex(), c.genreIndex);
        EXPECT_EQ(e.entry->mp3Tag().Genre(), QString(QChar(char16_t(c.genreInMemory))));
        EXPECT_EQ(e.bytes(), TestBytes::audio(300) + c.tail);
        EXPECT_TRUE(e.messages.shown().empty());
    }
}

TEST(TagEditor, OkWritesTheTagAndRefreshesTheRow)
{
    const struct {
        const char* name;
        QByteArray tail;
        bool read;
        QString track;
        int genre; // -1 keeps what loading selected
        bool pressEnter;
        unsigned char storedTrack, storedGenre;
    } cases[] = {
        {"whole number", TestBytes::id3v1(kTagged), true, u"7"_s, 3, false, 7, 3},
        {"half to the even 2", TestBytes::id3v1(kTagged), true, u"2.5"_s, 3, false, 2, 3},
        {"half to the even 4", TestBytes::id3v1(kTagged), true, u"3.5"_s, 3, false, 4, 3},
        {"digits then letters, Enter", TestBytes::id3v1(kTagged), true, u"12abc"_s, -1, true, 12, 17},
        {"never read, no tag: appended", {}, false, {}, -1, false, 0, 0},
        {"no genre selected stores 12", TestBytes::id3v1({"T", "", "", "", "", 0, 255}), true, u"1"_s, -1, false, 1,
            12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Editing e(c.tail, c.read);
        TagEditor dialog(e.entry, e.model);
        dialog.show();
        fill(dialog, c.track, c.genre);
        QSignalSpy changed(&e.model, &QAbstractItemModel::dataChanged);
        if (c.pressEnter)
            QTest::keyClick(field(dialog, u"Track"), Qt::Key_Return);
        else
            child<QPushButton>(dialog, u"Command1")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(e.bytes(),
            TestBytes::audio(300)
                + TestBytes::id3v1({"New Title", "New Band", "Disc", "2001", "Fine", c.storedTrack, c.storedGenre}));
        EXPECT_EQ(e.model.text(0, QuickTagColumn), u"New Band - New Title"_s);
        ASSERT_EQ(changed.size(), 1);
        EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
    }
}

TEST(TagEditor, RefusesATrackNumberOneByteCannotHold)
{
    for (const QString& track : {u"300"_s, u"256"_s, u"-1"_s}) {
        SCOPED_TRACE(track.toStdString());
        Editing e(TestBytes::id3v1(kTagged));
        TagEditor dialog(e.entry, e.model);
        dialog.show();
        fill(dialog, track, 3);
        child<QPushButton>(dialog, u"Command1")->click();
        EXPECT_EQ(e.messages.beeps(), 1);
        ASSERT_EQ(e.messages.shown().size(), 1u);
        EXPECT_EQ(e.messages.shown()[0].title, u"Error:"_s);
        EXPECT_EQ(e.messages.shown()[0].text, u"Track Number must be between 0 and 255."_s);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(e.entry->mp3Tag().SongName(), u"Title"_s);
        EXPECT_EQ(e.bytes(), TestBytes::audio(300) + TestBytes::id3v1(kTagged));
    }
}

TEST(TagEditor, CancelEscapeAndTheCloseBoxWriteNothing)
{
    const struct {
        const char* name;
        void (*close)(TagEditor&);
    } ways[] = {
        {"Cancel", [](TagEditor& d) { child<QPushButton>(d, u"Command2")->click(); }},
        {"Escape", [](TagEditor& d) { QTest::keyClick(field(d, u"SongName"), Qt::Key_Escape); }},
        {"close box", [](TagEditor& d) { d.close(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Editing e(TestBytes::id3v1(kTagged));
        TagEditor dialog(e.entry, e.model);
        dialog.show();
        QSignalSpy finished(&dialog, &QDialog::finished);
        fill(dialog, u"9"_s, 3);
        way.close(dialog);
        EXPECT_EQ(finished.size(), 1); // what the window waits for
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(e.entry->mp3Tag().SongName(), u"Title"_s);
        EXPECT_EQ(e.bytes(), TestBytes::audio(300) + TestBytes::id3v1(kTagged));
    }
}

TEST(TagEditor, LimitsTypingButShowsPlacedTextWhole)
{
    Editing e(TestBytes::id3v1(kTagged));
    TagEditor dialog(e.entry, e.model);
    const struct {
        const char16_t* name;
        int limit;
    } fields[] = {{u"SongName", 30}, {u"Artist", 30}, {u"Album", 30}, {u"Year", 4}, {u"Comment", 28}, {u"Track", 3}};
    for (const auto& [name, limit] : fields) {
        SCOPED_TRACE(QString::fromUtf16(name).toStdString());
        QLineEdit* edit = field(dialog, name);
        edit->clear();
        QTest::keyClicks(edit, QString(40, u'5'));
        EXPECT_EQ(edit->text(), QString(limit, u'5'));
    }
    // A 29-character comment from the tag is kept and may shrink, but typing cannot lengthen it
    // and cannot take it back past 28.
    Editing tagged(TestBytes::id3v1(kTagged));
    TagEditor again(tagged.entry, tagged.model);
    QLineEdit* comment = field(again, u"Comment");
    const QString loaded = QString::fromLatin1(kComment29);
    QTest::keyClicks(comment, u"x"_s);
    EXPECT_EQ(comment->text(), loaded);
    QTest::keyClick(comment, Qt::Key_Backspace);
    QTest::keyClick(comment, Qt::Key_Backspace);
    QTest::keyClicks(comment, u"abc"_s);
    EXPECT_EQ(comment->text(), loaded.left(27) + u'a');
}

TEST(Form1, DoubleClickOpensTheTagEditorForTheSelectedItem)
{
    WindowFixture w(false);
    auto& form = w.form;
    auto* playlist = w.playlist;
    const QStringList paths = w.addFiles({u"Zero.mp3"_s, u"One.mp3"_s, u"Two.mp3"_s});
    for (qsizetype i = 0; i < form.model().size(); ++i)
        form.model().findItem(i)->ReadTag();
    // From inside the window's wait: renames the song and presses OK.
    const auto editTo = [&](const QString& title) {
        QTimer::singleShot(0, &form, [&w, title] {
            auto* dialog = w.form.findChild<TagEditor*>();
            ASSERT_NE(dialog, nullptr);
            EXPECT_FALSE(w.takesCommands());
            field(*dialog, u"SongName")->setText(title);
            child<QPushButton>(*dialog, u"Command1")->click();
            if (dialog->isVisible())
                dialog->reject(); // a failed OK must not leave the test waiting
        });
    };
    const auto select = [&](std::initializer_list<int> rows, int current) {
        w.selectRows(rows);
        playlist->selectionModel()->setCurrentIndex(form.model().index(current, 0), QItemSelectionModel::NoUpdate);
    };

    editTo(u"Clicked"_s);
    const QPoint onRow1 = playlist->visualRect(form.model().index(1, 0)).center();
    // A widget's double-click in QTest is the second click alone; the first selects the row.
    QTest::mouseClick(playlist->viewport(), Qt::LeftButton, {}, onRow1);
    QTest::mouseDClick(playlist->viewport(), Qt::LeftButton, {}, onRow1);
    EXPECT_EQ(form.model().text(1, QuickTagColumn), u"Band - Clicked"_s);
    EXPECT_EQ(TestFiles::read(paths[1]).right(128).left(10), QByteArray("TAGClicked"));
    EXPECT_TRUE(w.takesCommands());
    EXPECT_EQ(form.focusWidget(), playlist);

    // The current row when it is selected, otherwise the first selected row.
    const struct {
        std::initializer_list<int> selected;
        int current;
        int edited;
    } cases[] = {{{0, 2}, 2, 2}, {{2, 1}, 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edited);
        select(c.selected, c.current);
        editTo(u"Edited"_s);
        Q_EMIT playlist->doubleClicked(form.model().index(c.current, 0));
        EXPECT_EQ(form.model().text(c.edited, QuickTagColumn), u"Band - Edited"_s);
    }
}
