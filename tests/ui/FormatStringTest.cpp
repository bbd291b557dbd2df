#include "ui/FormatString.h"

#include <functional>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "format/FieldStore.h"
#include "support/RecordingMessages.h"
#include "tags/GenreTable.h"

using namespace Qt::StringLiterals;

namespace {

// A shown dialog, its messages recorded.
struct Opened {
    RecordingMessages messages;
    FormatString dialog;

    explicit Opened(bool fullPathDisabled = false) : dialog(fullPathDisabled) { dialog.show(); }

    template <class Widget = QLineEdit> Widget* get(const char16_t* name) const
    {
        auto* widget = dialog.findChild<Widget*>(QString::fromUtf16(name));
        EXPECT_NE(widget, nullptr) << QString::fromUtf16(name).toStdString();
        return widget;
    }
    QString example() const { return get(u"txtExample")->text(); }
    // SongName, Artist, Album, Year, Comment and Track.
    QStringList fields() const
    {
        QStringList texts;
        for (const char16_t* name : {u"SongName", u"Artist", u"Album", u"Year", u"Comment", u"Track"})
            texts.append(get(name)->text());
        return texts;
    }
    void retype(const char16_t* name, const QString& text) const
    {
        QLineEdit* edit = get(name);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    void clickFullPath() const
    {
        auto* box = get<QCheckBox>(u"fullPath");
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
};

} // namespace

TEST(FormatString, ComposesAndParsesTheExampleBothWays)
{
    const struct {
        const char* name;
        std::function<void(Opened&)> act;
        QString example;
        QStringList fields; // SongName, Artist, Album, Year, Comment, Track
        QString message = {};
    } cases[] = {
        {"opened", [](Opened&) {}, u"Beatles, The - Hey Jude"_s, {u"Hey Jude"_s, u"Beatles, The"_s, {}, {}, {}, {}}},
        {"an example that leaves no room", [](Opened& o) { o.get(u"txtExample")->setText(u"Beatles, The - "_s); },
            u"Beatles, The - "_s, {{}, u"Beatles, The"_s, {}, {}, {}, {}},
            u"Got confused with Beatles, The - , skipping."_s},
        {"pasting a token in front", [](Opened& o) { o.get(u"txtFormat")->setText(u"<k>. <a> - <t>"_s); },
            u"23. Beatles, The - Hey Jude"_s, {u"Hey Jude"_s, u"Beatles, The"_s, {}, {}, {}, u"23"_s}},
        // On the way, '<k><a> - <t>' gives "23Beatles, The" to Artist, which stores it.
        {"typing a token in front",
            [](Opened& o) {
                o.get(u"txtFormat")->setCursorPosition(0);
                QTest::keyClicks(o.get(u"txtFormat"), u"<k>. "_s);
            },
            u"23. 23Beatles, The - Hey Jude"_s, {u"Hey Jude"_s, u"23Beatles, The"_s, {}, {}, {}, u"23"_s}},
        {"typing a song name", [](Opened& o) { o.retype(u"SongName", u"Yellow Submarine"_s); },
            u"Beatles, The - Yellow Submarine"_s, {u"Yellow Submarine"_s, u"Beatles, The"_s, {}, {}, {}, {}}},
        {"emptying the song name",
            [](Opened& o) {
                o.retype(u"SongName", u"Yellow Submarine"_s);
                o.retype(u"SongName", {});
            },
            u"Beatles, The - Hey Jude"_s, {{}, u"Beatles, The"_s, {}, {}, {}, {}}},
        {"typing into the example",
            [](Opened& o) {
                o.get(u"txtExample")->setSelection(15, 8); // "Hey Jude"
                QTest::keyClicks(o.get(u"txtExample"), u"Help"_s);
            },
            u"Beatles, The - Help"_s, {u"Help"_s, u"Beatles, The"_s, {}, {}, {}, {}}},
        // A track outside 0 to 255 keeps the previous track, here 30 typed on the way.
        {"typing track 300",
            [](Opened& o) {
                o.get(u"txtFormat")->setText(u"<k>. <t>"_s);
                o.retype(u"Track", u"300"_s);
            },
            u"30. Hey Jude"_s, {u"Hey Jude"_s, {}, {}, {}, {}, u"300"_s}},
    };
    for (const auto& [name, act, example, fields, message] : cases) {
        SCOPED_TRACE(name);
        Opened opened;
        EXPECT_EQ(opened.dialog.windowTitle(), u"Create a Format String"_s);
        EXPECT_EQ(opened.get<QComboBox>(u"Genre")->currentIndex(), GenreNumber(QString()));
        act(opened);
        EXPECT_EQ(opened.example(), example);
        EXPECT_EQ(opened.fields(), fields);
        EXPECT_EQ(opened.messages.texts(), message.isEmpty() ? QStringList() : QStringList({message}));
    }
}

TEST(FormatString, ComposesAGenreChosenByHandUntilReset)
{
    Opened opened;
    opened.get(u"txtFormat")->setText(u"<g>"_s);
    const QString sampleGenre = u"Rock & Roll"_s;
    ASSERT_EQ(opened.example(), GenreName(GenreNumber(sampleGenre)));
    auto* genre = opened.get<QComboBox>(u"Genre");
    ASSERT_EQ(genre->currentIndex(), GenreNumber(sampleGenre));

    genre->setFocus();
    QTest::keyClick(genre, Qt::Key_Down);
    EXPECT_EQ(genre->currentIndex(), GenreNumber(sampleGenre) + 1);
    EXPECT_EQ(opened.example(), GenreName(GenreNumber(sampleGenre) + 1));

    QTest::mouseClick(opened.get<QPushButton>(u"Command3"), Qt::LeftButton);
    EXPECT_EQ(opened.example(), GenreName(GenreNumber(sampleGenre)));
}

TEST(FormatString, FullPathOptionSwapsOnlyTheExampleFormats)
{
    const QString home = fullPathExampleFormat().chopped(u"<a> - <t>.mp3"_s.size());
    const struct {
        QString format;
        bool disabled;
        QString ticked;
        QString example;
    } cases[] = {
        {u"<a> - <t>"_s, false, fullPathExampleFormat(), home + u"Beatles, The - Hey Jude.mp3"_s},
        {u"<a> - <t>.mp3"_s, false, u"<a> - <t>.mp3"_s, u"Beatles, The - Hey Jude.mp3"_s},
        {u"<a> - <t>"_s, true, u"<a> - <t>"_s, u"Beatles, The - Hey Jude"_s},
    };
    for (const auto& [format, disabled, ticked, example] : cases) {
        SCOPED_TRACE(format.toStdString() + (disabled ? " disabled" : ""));
        Opened opened(disabled);
        auto* fullPath = opened.get<QCheckBox>(u"fullPath");
        opened.get(u"txtFormat")->setText(format);
        opened.clickFullPath();
        EXPECT_EQ(fullPath->isChecked(), !disabled);
        EXPECT_EQ(opened.get(u"txtFormat")->text(), ticked);
        EXPECT_EQ(opened.example(), example);
        opened.clickFullPath();
        EXPECT_FALSE(fullPath->isChecked());
        EXPECT_EQ(opened.get(u"txtFormat")->text(), format);
    }
}

TEST(FormatString, RefusesTypedBarsEverywhereAndAnglesOutsideTheFormat)
{
    const struct {
        const char16_t* name;
        QString typed;
        QString kept;
        int beeps;
    } cases[] = {
        {u"txtFormat", u"a|<b>"_s, u"a<b>"_s, 1},
        {u"txtExample", u"a|<b>"_s, u"ab"_s, 3},
        {u"SongName", u"<a|b>"_s, u"ab"_s, 3},
        {u"Track", u"1>2|"_s, u"12"_s, 2},
    };
    for (const auto& [name, typed, kept, beeps] : cases) {
        SCOPED_TRACE(QString::fromUtf16(name).toStdString());
        Opened opened;
        opened.retype(name, typed);
        EXPECT_EQ(opened.get(name)->text(), kept);
        EXPECT_EQ(opened.messages.beeps(), beeps);
    }
    Opened opened;
    QTest::keyClicks(opened.get<QComboBox>(u"Genre"), u"|<"_s);
    EXPECT_EQ(opened.messages.beeps(), 2);
    opened.get(u"SongName")->setText(u"<a|b>"_s); // placed, not typed
    EXPECT_EQ(opened.get(u"SongName")->text(), u"<a|b>"_s);
}

// Enter asks to confirm the format and Yes hands it back; No, Cancel, Escape and the close box hand
// back nothing.
TEST(FormatString, HandsBackTheFormatOnlyWhenEnterIsConfirmed)
{
    using Answer = Messages::Answer;
    const struct {
        const char* name;
        std::function<void(Opened&)> act;
        QString format;
        bool tick;
        std::optional<Answer> answer; // to the question, when one is asked
    } cases[] = {
        {"Enter in a field, yes", [](Opened& o) { QTest::keyClick(o.get(u"SongName"), Qt::Key_Return); },
            u"<a> - <t>"_s, false, Answer::Yes},
        {"Enter on Cancel, yes", [](Opened& o) { QTest::keyClick(o.get<QPushButton>(u"Command2"), Qt::Key_Return); },
            u"<t>"_s, true, Answer::Yes},
        {"Enter, no", [](Opened& o) { QTest::keyClick(o.get(u"txtFormat"), Qt::Key_Return); }, u"<t>"_s, true,
            Answer::No},
        {"the empty format", [](Opened& o) { QTest::keyClick(o.get(u"txtFormat"), Qt::Key_Return); }, {}, false,
            Answer::Yes},
        {"Cancel", [](Opened& o) { QTest::mouseClick(o.get<QPushButton>(u"Command2"), Qt::LeftButton); }, u"<t>"_s,
            true, {}},
        {"Escape", [](Opened& o) { QTest::keyClick(o.get(u"SongName"), Qt::Key_Escape); }, u"<t>"_s, true, {}},
        {"close box", [](Opened& o) { o.dialog.close(); }, u"<t>"_s, true, {}},
    };
    for (const auto& [name, act, format, tick, answer] : cases) {
        SCOPED_TRACE(name);
        Opened opened;
        opened.get(u"txtFormat")->setText(format);
        if (tick)
            opened.clickFullPath();
        opened.messages.scriptAnswers({answer.value_or(Answer::Yes)});
        act(opened);
        ASSERT_EQ(opened.messages.shown().size(), answer ? 1U : 0U);
        if (answer) {
            const RecordingMessages::Shown& question = opened.messages.shown().front();
            EXPECT_EQ(question.text, u"Are you sure you want to use the format string "_s + format + u'?');
            EXPECT_EQ(question.title, u"Confirm Format"_s);
            EXPECT_EQ(question.icon, Messages::Icon::Question);
            EXPECT_EQ(question.buttons, Messages::Buttons::YesNo);
        }
        const bool yes = answer == Answer::Yes;
        EXPECT_EQ(opened.dialog.isVisible(), answer == Answer::No);
        EXPECT_EQ(opened.dialog.result(), yes ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(opened.dialog.ChosenFormat(), yes ? format : QString());
        EXPECT_EQ(opened.dialog.UseFullPath(), yes && tick);
    }
}
