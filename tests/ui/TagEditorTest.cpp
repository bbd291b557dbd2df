#include "ui/TagEditor.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "support/WindowFixture.h"
#include "ui/MultiTagEditor.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;

namespace {

const QByteArray kComment29 = "A comment of 29 characters..."; // one more than typing allows
const QByteArray kTagged = id3v1({"Title", "Band", "Album", "1999", kComment29, 7, 17});
const QByteArray kGenre255 = id3v1({"T", "", "", "", "", 0, 255});

// The dialog over one playlist row for a file of audio bytes followed by tail, read unless told not.
struct Editing {
    RecordingMessages messages;
    TestFiles files;
    PlaylistModel model;
    std::shared_ptr<MP3Node> entry;
    std::optional<TagEditor> dialog;

    explicit Editing(const QByteArray& tail, bool read = true, const QByteArray& front = {}, int newTagVersion = 4)
    {
        model.appendEntries({{files.write(u"song.mp3"_s, front + audio(300) + tail), u"song"_s, u"???"_s}});
        entry = model.findItem(0);
        if (read)
            entry->ReadTag();
        dialog.emplace(entry, model, nullptr, newTagVersion);
    }
    QByteArray bytes() const { return TestFiles::read(entry->file()); }
    template <class Widget = QLineEdit> Widget* get(const char16_t* name) const
    {
        auto* widget = dialog->findChild<Widget*>(QString::fromUtf16(name));
        EXPECT_NE(widget, nullptr) << QString::fromUtf16(name).toStdString();
        return widget;
    }
    QStringList texts() const
    {
        QStringList all;
        for (const char16_t* name : {u"SongName", u"Artist", u"Album", u"Year", u"Comment", u"Track"})
            all.append(get(name)->text());
        return all;
    }
};

// Types text a key a character, as a keyboard that has the characters does.
void type(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

} // namespace

// The dialog opens on the tag object as it is in memory, writing nothing. OK and Enter write the tag
// and refresh the row, or refuse a track one byte cannot hold and stay open; Cancel, Escape and the
// close box write nothing.
TEST(TagEditor, LoadsTheTagAndWritesItOnlyOnOkWithATrackOneByteHolds)
{
    enum Way { Ok, Enter, Cancel, Escape, CloseBox };
    const struct {
        const char* name;
        QByteArray tail;
        bool read;
        QString track;
        int genre; // -1 keeps what loading selected
        Way way;
        unsigned char storedTrack, storedGenre; // genre 255: nothing written
    } cases[] = {
        {"a half goes to the even number", kTagged, true, u"2.5"_s, 3, Ok, 2, 3},
        {"digits then letters, Enter", kTagged, true, u"12abc"_s, -1, Enter, 12, 17},
        {"never read: the fields are empty", kTagged, false, {}, -1, Ok, 0, 0},
        {"a genre past the list: none selected, 12 stored", kGenre255, true, u"1"_s, -1, Ok, 1, 12},
        {"300, Enter", kTagged, true, u"300"_s, 3, Enter, 0, 255},
        {"Cancel", kTagged, true, u"9"_s, 3, Cancel, 0, 255},
        {"Escape", kTagged, true, u"9"_s, 3, Escape, 0, 255},
        {"close box", kTagged, true, u"9"_s, 3, CloseBox, 0, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Editing e(c.tail, c.read);
        TagEditor& dialog = *e.dialog;
        dialog.show();
        const bool past = c.tail == kGenre255;
        EXPECT_EQ(dialog.windowTitle(), e.entry->file());
        EXPECT_EQ(e.texts(),
            !c.read ? QStringList({{}, {}, {}, {}, {}, u"0"_s})
                : past
                ? QStringList({u"T"_s, {}, {}, {}, {}, u"0"_s})
                : QStringList({u"Title"_s, u"Band"_s, u"Album"_s, u"1999"_s, QString::fromLatin1(kComment29), u"7"_s}));
        EXPECT_EQ(e.get<QComboBox>(u"Genre")->currentIndex(), !c.read ? 0 : past ? -1 : 17);
        EXPECT_EQ(e.entry->mp3Tag().Genre(), QString(QChar(char16_t(!c.read ? 0 : past ? 12 : 17))));
        EXPECT_EQ(e.bytes(), audio(300) + c.tail);
        const struct {
            const char16_t* name;
            QString text;
        } values[] = {{u"SongName", u"New Title"_s}, {u"Artist", u"New Band"_s}, {u"Album", u"Disc"_s},
            {u"Year", u"2001"_s}, {u"Comment", u"Fine"_s}, {u"Track", c.track}};
        for (const auto& [name, text] : values)
            e.get(name)->setText(text);
        if (c.genre >= 0)
            e.get<QComboBox>(u"Genre")->setCurrentIndex(c.genre);
        const QSignalSpy changed(&e.model, &QAbstractItemModel::dataChanged);
        const QSignalSpy finished(&dialog, &QDialog::finished); // what the window waits for
        switch (c.way) {
        case Ok: e.get<QPushButton>(u"Command1")->click(); break;
        case Enter: QTest::keyClick(e.get(u"Track"), Qt::Key_Return); break;
        case Cancel: e.get<QPushButton>(u"Command2")->click(); break;
        case Escape: QTest::keyClick(e.get(u"SongName"), Qt::Key_Escape); break;
        case CloseBox: dialog.close(); break;
        }
        const bool written = c.storedGenre != 255, refused = !written && c.way <= Enter;
        EXPECT_EQ(e.bytes(),
            written
                ? audio(300) + id3v1({"New Title", "New Band", "Disc", "2001", "Fine", c.storedTrack, c.storedGenre})
                : audio(300) + c.tail);
        EXPECT_EQ(changed.size(), written ? 2 : 0); // the tag columns on each side of Length
        if (written) {
            EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
            EXPECT_EQ(e.model.text(0, QuickTagColumn), u"New Band - New Title"_s);
        } else {
            EXPECT_EQ(e.entry->mp3Tag().SongName(), u"Title"_s);
        }
        EXPECT_EQ(dialog.isVisible(), refused);
        EXPECT_EQ(finished.size(), refused ? 0 : 1);
        EXPECT_EQ(dialog.result(), written ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(e.messages.beeps(), refused ? 1 : 0);
        EXPECT_EQ(
            e.messages.texts(), refused ? QStringList({u"Track Number must be between 0 and 255."_s}) : QStringList());
        if (refused) {
            EXPECT_EQ(e.messages.shown()[0].title, u"Error:"_s);
        }
    }
}

// OK writes the tag whose fields changed and leaves the other's bytes alone; the copy buttons carry
// one side's texts to the other, into ID3v1 by its widths; a tag that cannot be read is shown
// disabled with its problem and never written.
TEST(TagEditor, WritesOnlyTheChangedTagAndCopiesBetweenTheSides)
{
    const QByteArray v2 = TestBytes::id3v2Tag(
        3, {{"TIT2", u"A title far longer than thirty characters Ω"_s}, {"TPE1", u"Bänd"_s}, {"TRCK", u"3/12"_s}});
    const QByteArray garbage = TestBytes::id3v2Header(3, 0, QByteArray("\0\0\0\x14", 4)) + QByteArray(20, 'x');
    enum Step { Nothing, EditV1, EditV2, CopyToV1, CopyToV2 };
    const struct {
        const char* name;
        QByteArray front;
        Step step;
        bool v1Written, v2Written, v2Enabled;
        QStringList v1, v2; // SongName, Artist, Track after the step (and OK)
    } cases[] = {
        {"nothing changed", v2, Nothing, false, false, true, {u"Title"_s, u"Band"_s, u"7"_s},
            {u"A title far longer than thirty characters Ω"_s, u"Bänd"_s, u"3/12"_s}},
        {"ID3v1 changed", v2, EditV1, true, false, true, {u"New"_s, u"Band"_s, u"7"_s},
            {u"A title far longer than thirty characters Ω"_s, u"Bänd"_s, u"3/12"_s}},
        {"ID3v2 changed", v2, EditV2, false, true, true, {u"Title"_s, u"Band"_s, u"7"_s},
            {u"Neu Ω"_s, u"Bänd"_s, u"3/12"_s}},
        {"no ID3v2 tag yet", {}, EditV2, false, true, true, {u"Title"_s, u"Band"_s, u"7"_s}, {u"Neu Ω"_s, {}, {}}},
        {"copied to ID3v1", v2, CopyToV1, true, false, true, {u"A title far longer than thirty"_s, u"Bänd"_s, u"3"_s},
            {u"A title far longer than thirty characters Ω"_s, u"Bänd"_s, u"3/12"_s}},
        {"copied to ID3v2", v2, CopyToV2, false, true, true, {u"Title"_s, u"Band"_s, u"7"_s},
            {u"Title"_s, u"Band"_s, u"7"_s}},
        {"unreadable ID3v2", garbage, EditV1, true, false, false, {u"New"_s, u"Band"_s, u"7"_s}, {{}, {}, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Editing e(kTagged, true, c.front, 3);
        const QByteArray before = e.bytes();
        EXPECT_EQ(e.get(u"SongName2")->isEnabled(), c.v2Enabled);
        EXPECT_EQ(e.get<QLabel>(u"Id3v2Problem")->isVisibleTo(&*e.dialog), !c.v2Enabled);
        switch (c.step) {
        case Nothing: break;
        case EditV1: e.get(u"SongName")->setText(u"New"_s); break;
        case EditV2: e.get(u"SongName2")->setText(u"Neu Ω"_s); break;
        case CopyToV1: e.get<QPushButton>(u"CopyToId3v1")->click(); break;
        case CopyToV2: e.get<QPushButton>(u"CopyToId3v2")->click(); break;
        }
        EXPECT_EQ(QStringList({e.get(u"SongName")->text(), e.get(u"Artist")->text(), e.get(u"Track")->text()}), c.v1);
        EXPECT_EQ(
            QStringList({e.get(u"SongName2")->text(), e.get(u"Artist2")->text(), e.get(u"Track2")->text()}), c.v2);
        e.get<QPushButton>(u"Command1")->click();
        const QByteArray after = e.bytes();
        EXPECT_EQ(after.right(128) != before.right(128), c.v1Written);
        EXPECT_EQ(after.chopped(128) != before.chopped(128), c.v2Written);
        if (c.v2Written) {
            EXPECT_EQ(after.at(3), c.front.isEmpty() ? 3 : before.at(3)); // a new tag of the version asked for
            EXPECT_EQ(e.model.text(0, Id3v2QuickTagColumn), c.v2[1] + u" - "_s + c.v2[0]);
        }
        EXPECT_TRUE(e.messages.texts().isEmpty());
    }
}

TEST(TagEditor, LimitsTypingButShowsPlacedTextWhole)
{
    const struct {
        const char16_t* name;
        int limit;
    } fields[] = {{u"SongName", 30}, {u"Artist", 30}, {u"Album", 30}, {u"Year", 4}, {u"Comment", 28}, {u"Track", 3}};
    for (const auto& [name, limit] : fields) {
        SCOPED_TRACE(QString::fromUtf16(name).toStdString());
        Editing e(kTagged);
        QLineEdit* edit = e.get(name);
        if (name != std::u16string_view(u"Comment"))
            edit->clear();
        // A 29-character comment from the tag is kept and may shrink, but typing cannot lengthen it
        // and cannot take it back past 28.
        QTest::keyClicks(edit, u"5"_s);
        EXPECT_EQ(edit->text(), name == std::u16string_view(u"Comment") ? QString::fromLatin1(kComment29) : u"5"_s);
        edit->end(false);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QString(40, u'5'));
        EXPECT_EQ(edit->text().size(), limit);
    }
}

TEST(Form1, DoubleClickOpensTheTagEditorForTheSelectedItem)
{
    WindowFixture w(false);
    const QStringList paths = w.addFiles({u"Zero.mp3"_s, u"One.mp3"_s, u"Two.mp3"_s});
    for (qsizetype i = 0; i < w.model().size(); ++i)
        w.model().findItem(i)->ReadTag();
    // From inside the window's wait: renames the song and presses OK.
    const auto editTo = [&w](const QString& title) {
        w.whenShown<TagEditor>([&w, title](TagEditor& dialog) {
            EXPECT_FALSE(w.takesCommands());
            dialog.findChild<QLineEdit*>(u"SongName"_s)->setText(title);
            dialog.findChild<QPushButton*>(u"Command1"_s)->click();
            if (dialog.isVisible())
                dialog.reject(); // a failed OK must not leave the test waiting
        });
    };
    editTo(u"Clicked"_s);
    const QPoint onRow1 = w.playlist->visualRect(w.model().index(1, 0)).center();
    // A widget's double-click in QTest is the second click alone; the first selects the row.
    QTest::mouseClick(w.playlist->viewport(), Qt::LeftButton, {}, onRow1);
    QTest::mouseDClick(w.playlist->viewport(), Qt::LeftButton, {}, onRow1);
    EXPECT_EQ(w.model().text(1, QuickTagColumn), u"Band - Clicked"_s);
    EXPECT_EQ(TestFiles::read(paths[1]).right(128).left(10), QByteArray("TAGClicked"));
    EXPECT_TRUE(w.takesCommands());
    EXPECT_EQ(w.form.focusWidget(), w.playlist);

    // The selected row, whichever row is current.
    const struct {
        std::initializer_list<int> selected;
        int current;
        int edited;
    } cases[] = {{{2}, 2, 2}, {{1}, 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edited);
        w.selectRows(c.selected);
        w.playlist->selectionModel()->setCurrentIndex(w.model().index(c.current, 0), QItemSelectionModel::NoUpdate);
        editTo(u"Edited"_s);
        Q_EMIT w.playlist->doubleClicked(w.model().index(c.current, 0));
        EXPECT_EQ(w.model().text(c.edited, QuickTagColumn), u"Band - Edited"_s);
    }
    // Return, Enter and F2 on the list do as a double-click does.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_F2}) {
        SCOPED_TRACE(key);
        w.selectRows({0});
        w.playlist->selectionModel()->setCurrentIndex(w.model().index(0, 0), QItemSelectionModel::NoUpdate);
        const QString title = u"Key %1"_s.arg(int(key));
        editTo(title);
        w.playlist->setFocus();
        QTest::keyClick(w.playlist, key);
        EXPECT_EQ(w.model().text(0, QuickTagColumn), u"Band - "_s + title);
    }
}

// Typing a character ID3v1 cannot hold shows the "?" it is stored as, with a note; OK on an entry
// whose file failed to read writes nothing and says why.
TEST(TagEditor, ShowsWhatId3v1StoresAndWhyAFailedFileIsNotWritten)
{
    Editing e(kTagged);
    auto* note = e.get<QLabel>(u"Id3v1Note");
    EXPECT_FALSE(note->isVisibleTo(&*e.dialog));
    QLineEdit* artist = e.get(u"Artist");
    artist->clear();
    type(artist, u"Bänd Ω"_s);
    EXPECT_EQ(artist->text(), u"Bänd ?"_s);
    EXPECT_TRUE(note->isVisibleTo(&*e.dialog));
    type(e.get(u"SongName2"), u"Ω"_s); // ID3v2 holds any character
    EXPECT_EQ(e.get(u"SongName2")->text(), u"Ω"_s);
    e.get<QPushButton>(u"Command1")->click();
    EXPECT_EQ(e.bytes().right(128).mid(33, 6), QByteArray("B\xe4nd ?"));

    Editing gone(kTagged, false);
    ASSERT_TRUE(QFile::remove(gone.entry->file()));
    gone.entry->ReadTag();
    gone.messages.clear();
    gone.dialog.emplace(gone.entry, gone.model, nullptr);
    gone.dialog->show();
    gone.get(u"SongName")->setText(u"New"_s);
    gone.get<QPushButton>(u"Command1")->click();
    EXPECT_EQ(gone.messages.texts(),
        QStringList({u"The tags of "_s + gone.entry->file()
            + u" were not written: the file was not found when its tags were read."_s}));
    EXPECT_FALSE(gone.dialog->isVisible());
    EXPECT_FALSE(QFile::exists(gone.entry->file()));
}

// Several selected rows are edited together: a field they share shows its text, one where they
// differ "<different>"; OK writes the changed field to every file and leaves the others as each
// file has them. A row whose file has gone is left out and named once at the end.
TEST(Form1, EditsTheTagsOfSeveralSelectedRowsTogether)
{
    WindowFixture w(false);
    QStringList paths;
    for (const char* artist : {"Band A", "Band B", "Band C", "Band D"})
        paths.append(w.files.write(
            QString::fromLatin1(artist) + u".mp3"_s, audio(300) + id3v1({"Song", artist, "Disc", "1999", "", 1, 17})));
    w.form.importChosenFiles(paths, false);
    ASSERT_EQ(w.model().size(), 4);
    ASSERT_TRUE(QFile::remove(paths[3]));
    w.selectRows({0, 1, 2, 3});
    bool shown = false;
    w.whenShown<MultiTagEditor>([&](MultiTagEditor& dialog) {
        shown = true;
        EXPECT_FALSE(w.takesCommands());
        auto* artist = dialog.findChild<QLineEdit*>(u"Artist"_s);
        auto* album = dialog.findChild<QLineEdit*>(u"Album"_s);
        EXPECT_EQ(artist->text(), QString());
        EXPECT_EQ(artist->placeholderText(), u"<different>"_s);
        EXPECT_EQ(album->text(), u"Disc"_s);
        EXPECT_EQ(album->placeholderText(), QString());
        EXPECT_EQ(dialog.findChild<QComboBox*>(u"Genre"_s)->currentIndex(), 17);
        album->setText(u"Other Disc"_s);
        dialog.findChild<QPushButton*>(u"Command1"_s)->click();
        if (dialog.isVisible())
            dialog.reject(); // a failed OK must not leave the test waiting
    });
    w.trigger("mnuEditTag");
    ASSERT_TRUE(shown);
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(TestFiles::read(paths[row]),
            audio(300) + id3v1({"Song", QByteArray("Band ") + char('A' + row), "Other Disc", "1999", "", 1, 17}));
    }
    ASSERT_EQ(w.messages.texts().size(), 1);
    EXPECT_TRUE(w.messages.texts()[0].startsWith(u"The tags of 1 of the 4 selected files were not written"_s));
    EXPECT_TRUE(w.messages.texts()[0].contains(paths[3]));
    EXPECT_TRUE(w.takesCommands());
}
