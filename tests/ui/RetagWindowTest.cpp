// The six Actions commands end to end in the window: their dialogs operated through object names,
// their questions answered by the recorder, real files checked afterwards.

#include <algorithm>

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "ui/Form1.h"
#include "ui/FormatString.h"
#include "ui/RenamePreview.h"
#include "ui/RetagPreview.h"

using namespace Qt::StringLiterals;
using Answer = Messages::Answer;
using TestBytes::audio;
using TestBytes::id3v1;

namespace {

// What the user does in each dialog of a command, in order: a format to confirm, or no format to
// cancel; for a preview, "go" (Rename or Write), "cancel" or "escape".
using Step = QString;

struct Window {
    RecordingMessages messages;
    TestFiles files;
    Form1 form;

    Window()
    {
        form.show();
        form.findChild<QAction*>(u"mnuAutoReadTags"_s)->trigger(); // tags are read by the tests themselves
    }
    void add(const QString& name, const QByteArray& bytes, const QString& title = {})
    {
        form.importChosenFiles({files.write(name, bytes)}, false);
        PlaylistModel& model = form.model();
        model.findItem(model.size() - 1)->ReadTag();
        if (!title.isEmpty())
            model.rowAt(model.size() - 1)->setText(TitleColumn, title);
    }
    // Runs the command with every row selected, operating its dialogs as the steps say.
    void run(const char* command, QStringList steps)
    {
        form.findChild<QAction*>(u"mnuSelectAll"_s)->trigger();
        schedule(std::make_shared<QStringList>(std::move(steps)));
        form.findChild<QAction*>(QString::fromLatin1(command))->trigger();
    }
    QStringList folder() const { return QDir(files.folder()).entryList(QDir::Files, QDir::Name); }
    QStringList previewProblems; // the problem column of the last rename preview shown
    QStringList previewLines; // the last retag preview: its columns joined by "|", a line each

private:
    void answer(QDialog* preview, const QString& goButton, std::shared_ptr<QStringList> steps)
    {
        const QString step = steps->takeFirst();
        schedule(steps);
        if (step == u"escape")
            QTest::keyClick(preview, Qt::Key_Escape);
        else
            QTest::mouseClick(
                preview->findChild<QPushButton*>(step == u"go" ? goButton : u"cancelButton"_s), Qt::LeftButton);
    }
    void schedule(std::shared_ptr<QStringList> steps)
    {
        QTimer::singleShot(0, &form, [this, steps] {
            if (steps->isEmpty())
                return;
            if (auto* preview = form.findChild<RenamePreview*>(); preview && preview->isVisible()) {
                auto* plan = preview->findChild<QTreeWidget*>(u"renamePlan"_s);
                previewProblems.clear();
                for (int i = 0; i < plan->topLevelItemCount(); ++i)
                    previewProblems.append(plan->topLevelItem(i)->text(2));
                answer(preview, u"renameButton"_s, steps);
                return;
            }
            if (auto* preview = form.findChild<RetagPreview*>(); preview && preview->isVisible()) {
                auto* plan = preview->findChild<QTreeWidget*>(u"retagPlan"_s);
                previewLines.clear();
                for (int i = 0; i < plan->topLevelItemCount(); ++i) {
                    QStringList columns;
                    for (int column = 0; column < plan->columnCount(); ++column)
                        columns.append(plan->topLevelItem(i)->text(column));
                    previewLines.append(columns.join(u'|'));
                }
                answer(preview, u"writeButton"_s, steps);
                return;
            }
            auto* dialog = form.findChild<FormatString*>();
            if (!dialog || !dialog->isVisible()) {
                schedule(steps); // the dialog is not shown yet
                return;
            }
            const QString format = steps->takeFirst();
            schedule(steps);
            if (format.isEmpty()) {
                QTest::mouseClick(dialog->findChild<QPushButton*>(u"Command2"_s), Qt::LeftButton);
                return;
            }
            dialog->findChild<QLineEdit*>(u"txtFormat"_s)->setText(format);
            messages.scriptNextAnswer(Answer::Yes); // "Confirm Format"
            QTest::mouseClick(dialog->findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        });
    }
};

const QByteArray kBeatles = id3v1({"Hey Jude", "Beatles, The", "", "", "", 23, 0});

} // namespace

TEST(RetagWindow, TagsAndTitlesFromNamesAndTags)
{
    Window w;
    w.add(u"Beatles, The - Hey Jude.mp3"_s, audio(300), u"23. Kinks, The - Lola"_s);
    w.run("mnuTagEqualsFileName", {u"<a> - <t>"_s, u"go"_s});
    EXPECT_EQ(TestFiles::read(w.form.model().text(0, FileNameColumn)),
        audio(300) + id3v1({"Hey Jude", "Beatles, The", "", "", "", 0, 12}));
    EXPECT_EQ(w.form.model().text(0, QuickTagColumn), u"Beatles, The - Hey Jude"_s);

    w.run("mnuTagEqualsTitle", {u"<k>. <a> - <t>"_s, u"go"_s});
    EXPECT_EQ(w.form.model().text(0, QuickTagColumn), u"Kinks, The - Lola"_s);
    w.run("mnuTitleEqualsTag", {u"<t> (<k>)"_s});
    EXPECT_EQ(w.form.model().text(0, TitleColumn), u"Lola (23)"_s);
    w.run("mnuTitleEqualsFileName", {u"<a> - <t>"_s, u"<t> by <a>"_s});
    EXPECT_EQ(w.form.model().text(0, TitleColumn), u"Hey Jude by Beatles, The"_s);
    // Cancel in the first of two dialogs (the second is not shown) or in the second: nothing changes.
    w.run("mnuTitleEqualsFileName", {QString()});
    w.run("mnuTitleEqualsFileName", {u"<a> - <t>"_s, QString()});
    EXPECT_EQ(w.form.model().text(0, TitleColumn), u"Hey Jude by Beatles, The"_s);
    EXPECT_TRUE(w.form.findChild<QAction*>(u"mnuSelectAll"_s)->isEnabled());
}

TEST(RetagWindow, RenamesAfterConfirmationAndPreview)
{
    const QStringList abcd = {u"a.mp3"_s, u"b.mp3"_s, u"c.mp3"_s, u"d.mp3"_s};
    // The file without a tag is left alone, and the preview says so.
    const QStringList problems
        = {QString(), u"fails: an earlier file gets the same name"_s, QString(), u"no ID3v1 tag"_s};
    struct Case {
        const char* what;
        std::initializer_list<Answer> answers; // "Confirm Rename", then rename failures
        QStringList steps;
        QStringList folderAfter;
        bool previewed;
    } const cases[] = {
        {"rename, skipping the clash", {Answer::Yes, Answer::Yes}, {u"<a> - <t>"_s, u"go"_s},
            {u"Band - C.mp3"_s, u"Beatles, The - Hey Jude.mp3"_s, u"b.mp3"_s, u"d.mp3"_s}, true},
        {"not confirmed", {Answer::No}, {}, abcd, false},
        {"format cancelled", {Answer::Yes}, {QString()}, abcd, false},
        {"preview cancelled", {Answer::Yes}, {u"<a> - <t>"_s, u"cancel"_s}, abcd, true},
        {"stop at the clash", {Answer::Yes, Answer::No}, {u"<a> - <t>"_s, u"go"_s},
            {u"Beatles, The - Hey Jude.mp3"_s, u"b.mp3"_s, u"c.mp3"_s, u"d.mp3"_s}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w;
        w.add(u"a.mp3"_s, audio(300) + kBeatles);
        w.add(u"b.mp3"_s, audio(300) + kBeatles);
        w.add(u"c.mp3"_s, audio(300) + id3v1({"C", "Band", "", "", "", 0, 0}));
        w.add(u"d.mp3"_s, audio(300));
        w.messages.scriptAnswers(c.answers);
        QSignalSpy changes(&w.form.model(), &QAbstractItemModel::dataChanged);
        w.run("mnuFileNameEqualsTag", c.steps);
        EXPECT_EQ(w.folder(), c.folderAfter);
        // Renamed rows are reported in the File Name column: the view and the modified mark follow.
        const bool namesReported = std::ranges::any_of(
            changes, [](const QList<QVariant>& change) { return change.at(0).toModelIndex().column() == 0; });
        EXPECT_EQ(namesReported, c.folderAfter != abcd);
        EXPECT_EQ(w.previewProblems, c.previewed ? problems : QStringList());
        for (qsizetype row = 0; row < w.form.model().size(); ++row)
            EXPECT_TRUE(QFile::exists(w.form.model().text(row, FileNameColumn)));
    }
}

TEST(RetagWindow, PreviewsTagsBeforeWritingThem)
{
    const QByteArray tagged = audio(300) + id3v1({"Old", "Beatles, The", "Album", "1968", "", 23, 17});
    struct Case {
        const char* step;
        bool written;
    } const cases[] = {{"go", true}, {"cancel", false}, {"escape", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        Window w;
        w.add(u"Beatles, The - Hey Jude.mp3"_s, tagged);
        w.add(u"Kinks, The - Lola.mp3"_s, audio(300) + id3v1({"Lola", "Kinks, The", "", "", "", 0, 0}));
        QSignalSpy changes(&w.form.model(), &QAbstractItemModel::dataChanged);
        w.run("mnuTagEqualsFileName", {u"<a> - <t>"_s, QString::fromLatin1(c.step)});
        // The unchanged tag of the second file is not shown; only the title of the first changes.
        EXPECT_EQ(w.previewLines, QStringList({u"Beatles, The - Hey Jude.mp3|Title|Old|Hey Jude"_s}));
        EXPECT_EQ(TestFiles::read(w.form.model().text(0, FileNameColumn)),
            c.written ? audio(300) + id3v1({"Hey Jude", "Beatles, The", "Album", "1968", "", 23, 17}) : tagged);
        // Retagging changes the tag columns only, never the playlist's own columns.
        for (const QList<QVariant>& change : changes) {
            EXPECT_EQ(change.at(0).toModelIndex().column(), QuickTagColumn);
            EXPECT_EQ(change.at(1).toModelIndex().column(), HasId2Column);
        }
    }
}

TEST(RetagWindow, ShowsEachParseMessageOncePerFile)
{
    struct Case {
        QString separating;
        QString title;
        QString message;
    } const cases[] = {
        {u"<a> - <t>"_s, u"Beatles, The - "_s, u"Got confused with Beatles, The - , skipping."_s},
        {u"<k> <a> - <t>"_s, u"300 A - B"_s, u"Track number 300 does not fit"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        Window w;
        w.add(u"a.mp3"_s, audio(300), c.title);
        w.messages.scriptAnswers({Answer::Yes, Answer::Yes});
        w.run("mnuFileNameEqualsTitle", {c.separating, u"<t> (<a>)"_s, u"go"_s});
        EXPECT_EQ(w.messages.texts().filter(c.message).size(), 1);
    }
}

TEST(RetagWindow, PreviewMarksTheRenamesThatWouldFail)
{
    Window w;
    w.add(u"a.mp3"_s, audio(300), u"Beatles, The - Hey Jude"_s);
    w.add(u"b.mp3"_s, audio(300), u"Beatles, The - Hey Jude"_s);
    w.messages.scriptAnswers({Answer::Yes});
    w.run("mnuFileNameEqualsTitle", {u"<a> - <t>"_s, u"<t> (<a>)"_s, u"cancel"_s});
    EXPECT_EQ(w.previewProblems, QStringList({QString(), u"fails: an earlier file gets the same name"_s}));
    EXPECT_EQ(w.folder(), QStringList({u"a.mp3"_s, u"b.mp3"_s}));
    EXPECT_TRUE(w.messages.texts().contains(u"Choose a format string for separating the title."_s));
    EXPECT_TRUE(w.messages.texts().contains(u"Choose a format string for recombining the file name."_s));
}
