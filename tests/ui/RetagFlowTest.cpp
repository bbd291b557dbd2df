// The Actions commands that convert between file names, titles and tags: the flow headless with
// scripted answers, and once through the window's own dialogs.

#include "format/RetagFlow.h"

#include <deque>

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "base/PathTools.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"
#include "support/WindowFixture.h"
#include "ui/FormatString.h"
#include "ui/RetagPreview.h"

using namespace Qt::StringLiterals;
using Answer = Messages::Answer;
using TestBytes::audio;
using TestBytes::id3v1;

namespace {

// Answers with the formats given (an empty one cancels, as does running out) and the previews'
// answers; keeps the instructions shown and what each preview showed.
struct ScriptedQuestions : RetagQuestions {
    std::deque<QString> formats;
    std::deque<bool> previews;
    QStringList instructions;
    QStringList renameProblems; // the last rename preview's problem texts
    QStringList retagChanges; // the last retag preview: "file|field|before|after"
    int busy = 0;

    std::optional<ChosenFormat> chooseFormat(bool, const QString& instruction, const QString&) override
    {
        instructions.append(instruction);
        const QString format = formats.empty() ? QString() : formats.front();
        if (!formats.empty())
            formats.pop_front();
        return format.isEmpty() ? std::nullopt : std::optional(ChosenFormat{format, false});
    }
    bool previewRenames(const std::vector<RetagCommands::PlannedRename>& plans) override
    {
        renameProblems.clear();
        for (const auto& plan : plans)
            renameProblems.append(RetagCommands::problemText(plan));
        return answer();
    }
    bool previewRetags(const std::vector<RetagCommands::PlannedRetag>& plans) override
    {
        retagChanges.clear();
        for (const auto& plan : plans) {
            for (const auto& change : plan.changes)
                retagChanges.append(
                    QStringList{PathTools::fileNameOf(plan.file), change.field, change.before, change.after}.join(
                        u'|'));
        }
        return answer();
    }
    void whileBusy(const std::function<void()>& work) override
    {
        ++busy;
        work();
    }
    bool answer()
    {
        const bool go = !previews.empty() && previews.front();
        if (!previews.empty())
            previews.pop_front();
        return go;
    }
};

struct Flow {
    RecordingMessages messages;
    TestFiles files;
    PlaylistModel model;
    ScriptedQuestions questions;
    RetagFlow flow{model, questions};

    void add(const QString& name, const QByteArray& bytes, const QString& title = {})
    {
        model.appendEntries({{files.write(name, bytes), QFileInfo(name).completeBaseName(), u"???"_s}});
        model.findItem(model.size() - 1)->ReadTag();
        if (!title.isEmpty())
            model.setText(model.size() - 1, TitleColumn, title);
    }
    // Runs the command with every row selected, the formats and preview answers as given.
    void run(void (RetagFlow::*command)(), std::deque<QString> formats, std::deque<bool> previews = {})
    {
        RowCommands::selectAll(model);
        questions.formats = std::move(formats);
        questions.previews = std::move(previews);
        (flow.*command)();
    }
    QStringList folder() const { return QDir(files.folder()).entryList(QDir::Files, QDir::Name); }
};

const QByteArray kBeatles = id3v1({"Hey Jude", "Beatles, The", "", "", "", 23, 0});

} // namespace

TEST(RetagFlow, TagsAndTitlesFromNamesAndTags)
{
    Flow f;
    f.add(u"Beatles, The - Hey Jude.mp3"_s, audio(300), u"23. Kinks, The - Lola"_s);
    f.run(&RetagFlow::tagEqualsFileName, {u"<a> - <t>"_s}, {true});
    EXPECT_EQ(TestFiles::read(f.model.text(0, FileNameColumn)),
        audio(300) + id3v1({"Hey Jude", "Beatles, The", "", "", "", 0, 12}));
    EXPECT_EQ(f.model.text(0, QuickTagColumn), u"Beatles, The - Hey Jude"_s);

    f.run(&RetagFlow::tagEqualsTitle, {u"<k>. <a> - <t>"_s}, {true});
    EXPECT_EQ(f.model.text(0, QuickTagColumn), u"Kinks, The - Lola"_s);
    f.run(&RetagFlow::titleEqualsTag, {u"<t> (<k>)"_s});
    EXPECT_EQ(f.model.text(0, TitleColumn), u"Lola (23)"_s);
    f.run(&RetagFlow::titleEqualsFileName, {u"<a> - <t>"_s, u"<t> by <a>"_s});
    EXPECT_EQ(f.model.text(0, TitleColumn), u"Hey Jude by Beatles, The"_s);
    EXPECT_EQ(f.questions.instructions.mid(f.questions.instructions.size() - 2),
        QStringList({u"Choose a format string for separating the file name."_s,
            u"Choose a format string for recombining the title."_s}));
    // Cancel in the first of two dialogs (the second is not shown) or in the second: nothing changes.
    const int busy = f.questions.busy;
    f.questions.instructions.clear();
    f.run(&RetagFlow::titleEqualsFileName, {QString()});
    EXPECT_EQ(f.questions.instructions.size(), 1);
    f.run(&RetagFlow::titleEqualsFileName, {u"<a> - <t>"_s, QString()});
    f.run(&RetagFlow::tagEqualsTitle, {QString()});
    EXPECT_EQ(f.questions.busy, busy);
    EXPECT_EQ(f.model.text(0, TitleColumn), u"Hey Jude by Beatles, The"_s);
}

TEST(RetagFlow, RenamesAfterConfirmationAndPreview)
{
    const QStringList abcd = {u"a.mp3"_s, u"b.mp3"_s, u"c.mp3"_s, u"d.mp3"_s};
    // The file without a tag is left alone, and the preview says so.
    const QStringList problems
        = {QString(), u"fails: an earlier file gets the same name"_s, QString(), u"no ID3v1 tag"_s};
    struct Case {
        const char* what;
        std::initializer_list<Answer> answers; // "Confirm Rename", then rename failures
        std::deque<QString> formats;
        std::deque<bool> previews;
        QStringList folderAfter;
        bool previewed;
    } const cases[] = {
        {"rename, skipping the clash", {Answer::Yes, Answer::Yes}, {u"<a> - <t>"_s}, {true},
            {u"Band - C.mp3"_s, u"Beatles, The - Hey Jude.mp3"_s, u"b.mp3"_s, u"d.mp3"_s}, true},
        {"not confirmed", {Answer::No}, {u"<a> - <t>"_s}, {true}, abcd, false},
        {"format cancelled", {Answer::Yes}, {QString()}, {true}, abcd, false},
        {"preview cancelled", {Answer::Yes}, {u"<a> - <t>"_s}, {false}, abcd, true},
        {"stop at the clash", {Answer::Yes, Answer::No}, {u"<a> - <t>"_s}, {true},
            {u"Beatles, The - Hey Jude.mp3"_s, u"b.mp3"_s, u"c.mp3"_s, u"d.mp3"_s}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Flow f;
        f.add(u"a.mp3"_s, audio(300) + kBeatles);
        f.add(u"b.mp3"_s, audio(300) + kBeatles);
        f.add(u"c.mp3"_s, audio(300) + id3v1({"C", "Band", "", "", "", 0, 0}));
        f.add(u"d.mp3"_s, audio(300));
        f.messages.scriptAnswers(c.answers);
        QSignalSpy changes(&f.model, &QAbstractItemModel::dataChanged);
        f.run(&RetagFlow::fileNameEqualsTag, c.formats, c.previews);
        EXPECT_EQ(f.messages.shown().at(0).title, u"Confirm Rename"_s);
        EXPECT_EQ(f.folder(), c.folderAfter);
        // Renamed rows are reported in the File Name column: the view and the modified mark follow.
        const bool namesReported = std::ranges::any_of(
            changes, [](const QList<QVariant>& change) { return change.at(0).toModelIndex().column() == 0; });
        EXPECT_EQ(namesReported, c.folderAfter != abcd);
        EXPECT_EQ(f.questions.renameProblems, c.previewed ? problems : QStringList());
        for (qsizetype row = 0; row < f.model.size(); ++row)
            EXPECT_TRUE(QFile::exists(f.model.text(row, FileNameColumn)));
    }
}

TEST(RetagFlow, PreviewsTagsBeforeWritingThem)
{
    const QByteArray tagged = audio(300) + id3v1({"Old", "Beatles, The", "Album", "1968", "", 23, 17});
    for (const bool write : {true, false}) {
        SCOPED_TRACE(write);
        Flow f;
        f.add(u"Beatles, The - Hey Jude.mp3"_s, tagged);
        f.add(u"Kinks, The - Lola.mp3"_s, audio(300) + id3v1({"Lola", "Kinks, The", "", "", "", 0, 0}));
        QSignalSpy changes(&f.model, &QAbstractItemModel::dataChanged);
        f.run(&RetagFlow::tagEqualsFileName, {u"<a> - <t>"_s}, {write});
        // The unchanged tag of the second file shows nothing; only the title of the first changes.
        EXPECT_EQ(f.questions.retagChanges, QStringList({u"Beatles, The - Hey Jude.mp3|Title|Old|Hey Jude"_s}));
        EXPECT_EQ(TestFiles::read(f.model.text(0, FileNameColumn)),
            write ? audio(300) + id3v1({"Hey Jude", "Beatles, The", "Album", "1968", "", 23, 17}) : tagged);
        // Retagging changes the tag columns only, never the playlist's own columns.
        for (const QList<QVariant>& change : changes) {
            EXPECT_EQ(change.at(0).toModelIndex().column(), QuickTagColumn);
            EXPECT_EQ(change.at(1).toModelIndex().column(), HasId2Column);
        }
    }
}

TEST(RetagFlow, FileNameEqualsTitleShowsEachParseMessageOnceAndMarksFailingRenames)
{
    struct Case {
        QStringList titles;
        QString separating;
        QString message; // shown once
        QStringList problems;
    } const cases[] = {
        {{u"Beatles, The - "_s}, u"<a> - <t>"_s, u"Got confused with Beatles, The - , skipping."_s, {QString()}},
        {{u"300 A - B"_s}, u"<k> <a> - <t>"_s, u"Track number 300 does not fit"_s,
            {u"the track number does not fit"_s}},
        {{u"Beatles, The - Hey Jude"_s, u"Beatles, The - Hey Jude"_s}, u"<a> - <t>"_s, {},
            {QString(), u"fails: an earlier file gets the same name"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.titles.first().toStdString());
        Flow f;
        for (const QString& title : c.titles)
            f.add(u"%1.mp3"_s.arg(f.model.size()), audio(300), title);
        f.messages.scriptAnswers({Answer::Yes});
        f.run(&RetagFlow::fileNameEqualsTitle, {c.separating, u"<t> (<a>)"_s}, {false});
        if (!c.message.isEmpty()) {
            EXPECT_EQ(f.messages.texts().filter(c.message).size(), 1);
        }
        EXPECT_EQ(f.questions.renameProblems, c.problems);
        EXPECT_EQ(f.folder().size(), c.titles.size());
        EXPECT_EQ(f.questions.instructions,
            QStringList({u"Choose a format string for separating the title."_s,
                u"Choose a format string for recombining the file name."_s}));
    }
}

// The window asks through its own dialogs: the format string, then the preview, with the window's
// commands off meanwhile and back afterwards.
TEST(RetagFlow, RunsThroughTheWindowsDialogs)
{
    WindowFixture w(false);
    const QString path = w.files.write(u"Beatles, The - Hey Jude.mp3"_s, audio(300));
    w.form.importChosenFiles({path}, false);
    w.trigger("mnuSelectAll");
    QStringList seen;
    const std::function<void()> operate = [&] {
        if (auto* preview = w.form.findChild<RetagPreview*>(); preview && preview->isVisible()) {
            seen.append(preview->windowTitle());
            EXPECT_FALSE(w.takesCommands());
            QTest::mouseClick(preview->findChild<QPushButton*>(u"writeButton"_s), Qt::LeftButton);
            return;
        }
        if (auto* dialog = w.form.findChild<FormatString*>(); dialog && dialog->isVisible() && seen.isEmpty()) {
            seen.append(dialog->windowTitle());
            dialog->findChild<QLineEdit*>(u"txtFormat"_s)->setText(u"<a> - <t>"_s);
            w.messages.scriptNextAnswer(Answer::Yes); // "Confirm Format"
            QTest::mouseClick(dialog->findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        }
        QTimer::singleShot(10, &w.form, operate);
    };
    QTimer::singleShot(0, &w.form, operate);
    w.trigger("mnuTagEqualsFileName");
    EXPECT_EQ(seen, QStringList({u"Create a Format String"_s, u"Write Tags"_s}));
    EXPECT_EQ(TestFiles::read(path), audio(300) + id3v1({"Hey Jude", "Beatles, The", "", "", "", 0, 12}));
    EXPECT_TRUE(w.takesCommands());
    EXPECT_EQ(w.form.focusWidget(), w.playlist);
}
