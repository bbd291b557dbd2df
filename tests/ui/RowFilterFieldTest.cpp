#include "ui/RowFilterField.h"

#include <QLabel>

#include <gtest/gtest.h>

#include "support/WindowFixture.h"

using namespace Qt::StringLiterals;

namespace {

// The titles of the rows the list shows, in order (the file names: no tag is read).
QStringList shownTitles(WindowFixture& w)
{
    QStringList titles;
    for (int row = 0; row < int(w.model().size()); ++row) {
        if (!w.playlist->isRowHidden(row, {}))
            titles.append(w.model().text(row, TitleColumn));
    }
    return titles;
}

} // namespace

TEST(RowFilterField, TypingFiltersTheListAndCommandsTouchOnlyTheRowsShown)
{
    WindowFixture w(false);
    w.addFiles({u"apple.mp3"_s, u"banana.mp3"_s, u"cherry.mp3"_s, u"apricot.mp3"_s});
    auto* field = w.form.findChild<RowFilterField*>(u"txtFilter"_s);
    auto* status = w.form.findChild<QLabel*>(u"statusText"_s);
    ASSERT_TRUE(field && status);
    EXPECT_EQ(field->placeholderText(), u"Filter rows (Ctrl+F)"_s);
    EXPECT_EQ(status->text(), u"4 rows, 0 selected"_s);

    // Ctrl+F from the list puts the keyboard in the field with its text selected; typing filters.
    field->setText(u"old"_s);
    w.playlist->setFocus();
    QTest::keyClick(w.playlist, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(field->selectedText(), u"old"_s);
    QTest::keyClicks(field, u"AP"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownTitles(w).size() == 2; }, 5000));
    EXPECT_EQ(shownTitles(w), QStringList({u"apple"_s, u"apricot"_s}));
    EXPECT_EQ(status->text(), u"2 of 4 rows shown, 0 selected"_s);

    // Delete in the field edits the text, not the rows.
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_EQ(field->text(), u"P"_s);
    EXPECT_EQ(w.model().size(), 4);
    field->setText(u"ap"_s);
    field->applyNow();

    // Moving rows is refused while filtered.
    w.selectRows({0});
    const int beeps = w.messages.beeps();
    w.playlist->setFocus();
    QTest::keyClick(w.playlist, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(w.messages.beeps(), beeps + 1);
    EXPECT_EQ(w.column(TitleColumn), QStringList({u"apple"_s, u"banana"_s, u"cherry"_s, u"apricot"_s}));

    // Select All and Delete Selected take the rows shown only.
    w.trigger("mnuSelectAll");
    EXPECT_EQ(status->text(), u"2 of 4 rows shown, 2 selected"_s);
    w.trigger("mnuDeleteSelected");
    EXPECT_EQ(w.column(TitleColumn), QStringList({u"banana"_s, u"cherry"_s}));
    EXPECT_EQ(status->text(), u"0 of 2 rows shown, 0 selected"_s);

    // Escape clears the filter at once and gives the keyboard back to the list.
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(field->text(), QString());
    EXPECT_TRUE(w.playlist->hasFocus());
    EXPECT_EQ(shownTitles(w), QStringList({u"banana"_s, u"cherry"_s}));
    EXPECT_EQ(status->text(), u"2 rows, 0 selected"_s);
}
