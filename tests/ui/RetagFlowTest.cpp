// The Actions commands that convert between file names, titles and tags: the flow headless with
// scripted answers, and once through the window's own dialogs.

#include "format/RetagFlow.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "base/PathTools.h"
#include "playlist/PlaylistModel.h"
#include "support/WindowFixture.h"
#include "ui/FormatString.h"
#include "ui/RetagPreview.h"
#include "ui/WindowSettings.h"

using namespace Qt::StringLiterals;
using Answer = Messages::Answer;
using TestBytes::audio;
using TestBytes::id3v1;

namespace {

// Answers with the formats given (an empty one cancels, as does running out) and the previews with
// write; logs each question ("F" and whether the full path is off, the instruction and its title;
// "R" and each rename's problem; "T" and each tag change) and each busy run ("B").
// Keeps what each question's preview shows for the format it is answered with ("before>after" a
// row), and whether the preview showed a message.
struct ScriptedQuestions : RetagQuestions {
    QStringList formats;
    bool write = false;
    QString log;
    QStringList previews;
    bool previewSpoke = false;

    std::optional<ChosenFormat> chooseFormat(const FormatQuestion& question) override
    {
        log += u"F%1 %2|%3 "_s.arg(int(question.fullPathDisabled)).arg(question.instruction, question.instructionTitle);
        const QString format = formats.isEmpty() ? QString() : formats.takeFirst();
        if (question.preview) {
            RecordingMessages heard;
            const MessagesScope scope(heard);
            QStringList lines;
            for (const auto& [before, after] : question.preview(format, false))
                lines.append(before + u'>' + after);
            previews.append(lines.join(u'|'));
            previewSpoke = previewSpoke || !heard.texts().isEmpty();
        }
        return format.isEmpty() ? std::nullopt : std::optional(ChosenFormat{format, false});
    }
    bool previewRenames(const std::vector<RetagCommands::PlannedRename>& plans) override
    {
        log += u'R';
        for (const auto& plan : plans)
            log += RetagCommands::problemText(plan) + u';';
        return write;
    }
    bool previewRetags(const std::vector<RetagCommands::PlannedRetag>& plans) override
    {
        log += u'T';
        for (const auto& plan : plans) {
            for (const auto& change : plan.changes)
                log += PathTools::fileNameOf(plan.file).left(1) + change.field + u'>' + change.after + u';';
        }
        return write;
    }
    void whileBusy(const std::function<void()>& work) override
    {
        log += u'B';
        work();
    }
};

const QByteArray kOld = audio(300) + id3v1({"Old", "Band", "", "", "", 23, 0});
const QString kName = u"Beatles, The - Hey Jude.mp3"_s;
const QString kTitle = u"Kinks, The - Lola"_s;

// Files with their titles, every tag read; runs a command on the first row selected, with the
// formats and preview answer given.
struct Flow {
    RecordingMessages messages;
    TestFiles files;
    PlaylistModel model;
    ScriptedQuestions questions;
    RetagFlow flow{model, questions};

    void add(const QString& name, const QByteArray& bytes, const QString& title)
    {
        model.appendEntries({{files.write(name, bytes), title, u"???"_s}});
        model.findItem(model.size() - 1)->ReadTag();
    }
    // Gives the columns of each change the model reported, as "first-last".
    QStringList run(void (RetagFlow::*command)(), const QStringList& formats, bool write)
    {
        model.selectionModel()->select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        questions.formats = formats;
        questions.write = write;
        const QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
        (flow.*command)();
        QStringList columns;
        for (const QList<QVariant>& change : changes)
            columns.append(u"%1-%2"_s.arg(change[0].toModelIndex().column()).arg(change[1].toModelIndex().column()));
        columns.removeDuplicates();
        return columns;
    }
    QStringList folder() const { return QDir(files.folder()).entryList(QDir::Files, QDir::Name); }
};

} // namespace

// Each command asks its questions in order, works on the selected rows only once every question is
// answered, and changes nothing when one is cancelled; a rename is confirmed before anything else.
TEST(RetagFlow, AsksInOrderAndChangesOnlyTheSelectedRowsWhenAllIsAnswered)
{
    using F = RetagFlow;
    const QString sepName = u"F0 Choose a format string for separating the file name.|Set Title = File Name "_s;
    const QString recTitle = u"F1 Choose a format string for recombining the title.|Set Title = File Name "_s;
    const QString sepTitle = u"F1 Choose a format string for separating the title.|Set File Name = Title "_s;
    const QString recName = u"F0 Choose a format string for recombining the file name.|Set File Name = Title "_s;
    const QString at = u"<a> - <t>"_s, fromName = u"F0 | BTBTitle>Hey Jude;BArtist>Beatles, The;"_s;
    struct Case {
        void (RetagFlow::*command)();
        std::optional<Answer> confirm; // to "Confirm Rename"
        QStringList formats;
        bool write; // the preview's answer
        QString asked;
        QString changed; // the columns reported changed
        QString name, title;
        QByteArray tag; // the ID3v1 tag afterwards
        bool id3v2 = false; // Format Strings Use names the ID3v2 tag, and new tags are 2.3
    } const cases[] = {
        {&F::tagEqualsFileName, {}, {at}, true, fromName + u'B', u"2-3 5-10"_s, kName, kTitle,
            id3v1({"Hey Jude", "Beatles, The", "", "", "", 23, 0})},
        {&F::tagEqualsFileName, {}, {at}, false, fromName, u"2-3 5-10"_s, kName, kTitle, kOld},
        {&F::tagEqualsFileName, {}, {at}, true, fromName + u'B', u"2-3 5-10"_s, kName, kTitle, kOld, true},
        {&F::tagEqualsTitle, {}, {at}, true, u"F1 | BTBTitle>Lola;BArtist>Kinks, The;B"_s, u"2-3 5-10"_s, kName, kTitle,
            id3v1({"Lola", "Kinks, The", "", "", "", 23, 0})},
        {&F::tagEqualsTitle, {}, {}, true, u"F1 | "_s, {}, kName, kTitle, kOld},
        {&F::titleEqualsTag, {}, {u"<t> (<k>)"_s}, true, u"F1 | B"_s, u"0-10"_s, kName, u"Old (23)"_s, kOld},
        {&F::titleEqualsFileName, {}, {at, u"<t> by <a>"_s}, true, sepName + recTitle + u'B', u"0-10"_s, kName,
            u"Hey Jude by Beatles, The"_s, kOld},
        {&F::titleEqualsFileName, {}, {at}, true, sepName + recTitle, {}, kName, kTitle, kOld},
        {&F::titleEqualsFileName, {}, {}, true, sepName, {}, kName, kTitle, kOld},
        {&F::fileNameEqualsTag, Answer::Yes, {at}, true, u"F0 | BR;B"_s, u"0-10"_s, u"Band - Old.mp3"_s, kTitle, kOld},
        {&F::fileNameEqualsTag, Answer::Yes, {at}, false, u"F0 | BR;"_s, {}, kName, kTitle, kOld},
        {&F::fileNameEqualsTag, Answer::No, {at}, true, {}, {}, kName, kTitle, kOld},
        {&F::fileNameEqualsTitle, Answer::Yes, {at, u"<t> (<a>)"_s}, true, sepTitle + recName + u"BR;B"_s, u"0-10"_s,
            u"Lola (Kinks, The).mp3"_s, kTitle, kOld},
        {&F::fileNameEqualsTitle, Answer::No, {at, at}, true, {}, {}, kName, kTitle, kOld},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked.toStdString());
        Flow f;
        f.model.setFormatStringsUse(c.id3v2 ? TagChoice::Id3v2 : TagChoice::Id3v1);
        f.model.setNewTagVersion(3);
        f.add(kName, kOld, kTitle);
        f.add(u"z.mp3"_s, kOld, kTitle); // not selected: never touched
        if (c.confirm)
            f.messages.scriptAnswers({*c.confirm});
        EXPECT_EQ(f.run(c.command, c.formats, c.write).join(u' '), c.changed);
        EXPECT_EQ(f.questions.log, c.asked);
        EXPECT_EQ(f.messages.texts().filter(u"rename all selected files"_s).size(), c.confirm ? 1 : 0);
        EXPECT_EQ(f.folder(), QStringList({c.name, u"z.mp3"_s}));
        EXPECT_EQ(f.model.text(0, TitleColumn), c.title);
        const QByteArray after = TestFiles::read(f.model.text(0, FileNameColumn));
        EXPECT_EQ(after.right(128), c.tag.right(128));
        EXPECT_EQ(after.startsWith("ID3\x03"), c.id3v2);
        EXPECT_EQ(f.model.text(1, TitleColumn), kTitle);
        EXPECT_EQ(TestFiles::read(f.files.path(u"z.mp3"_s)), kOld);
    }
}

// Each question previews on the first selected rows what its format does, as the command then does
// it, without reading a tag or showing a message.
TEST(RetagFlow, PreviewsEachFormatOnTheSelectedRows)
{
    using F = RetagFlow;
    const QString at = u"<a> - <t>"_s;
    const QString fromName = u"Beatles, The - Hey Jude>Title: Hey Jude; Artist: Beatles, The"_s;
    const QString fromTitle = u"Kinks, The - Lola>Title: Lola; Artist: Kinks, The"_s;
    const struct {
        void (RetagFlow::*command)();
        QStringList formats;
        QStringList previews;
    } cases[] = {
        {&F::tagEqualsFileName, {at}, {fromName}},
        {&F::tagEqualsTitle, {at}, {fromTitle}},
        {&F::titleEqualsTag, {u"<t> (<kk>)"_s}, {u"Kinks, The - Lola>Old (23)"_s}},
        {&F::titleEqualsFileName, {at, u"<t> by <a>"_s}, {fromName, u"Kinks, The - Lola>Hey Jude by Beatles, The"_s}},
        {&F::fileNameEqualsTag, {at}, {u"Beatles, The - Hey Jude.mp3>Band - Old.mp3"_s}},
        {&F::fileNameEqualsTag, {u"<a>/<t>"_s},
            {u"Beatles, The - Hey Jude.mp3>Band/Old.mp3  (refused: not a plain visible name in the file's folder)"_s}},
        {&F::fileNameEqualsTitle, {at, u"<t> (<a>)"_s},
            {fromTitle, u"Beatles, The - Hey Jude.mp3>Lola (Kinks, The).mp3"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.formats.join(u" then ").toStdString());
        Flow f;
        f.add(kName, kOld, kTitle);
        f.messages.scriptAnswers({Answer::Yes});
        f.run(c.command, c.formats, false);
        EXPECT_EQ(f.questions.previews, c.previews);
        EXPECT_FALSE(f.questions.previewSpoke);
    }
    // A tag not read yet is not read for a preview; a track that does not fit keeps the title, and
    // its message is kept for the command.
    Flow f;
    f.model.appendEntries({{f.files.write(u"300 - Song.mp3"_s, kOld), kTitle, u"???"_s}});
    f.run(&F::titleEqualsTag, {}, false);
    f.run(&F::titleEqualsFileName, {u"<k> - <t>"_s, at}, false);
    EXPECT_EQ(f.questions.previews,
        QStringList({kTitle + u">(its tag has not been read yet)"_s, u"300 - Song>Title: Song; Track: 300"_s,
            kTitle + u'>' + kTitle}));
    EXPECT_FALSE(f.questions.previewSpoke);
    EXPECT_FALSE(f.model.findItem(0)->mp3Tag().TagRead());
}

// The window asks through its own dialogs: the format string, then the preview, with the window's
// commands off meanwhile and back afterwards.
TEST(RetagFlow, RunsThroughTheWindowsDialogs)
{
    WindowFixture w(false);
    const QString path = w.addFiles({kName})[0];
    w.trigger("mnuSelectAll");
    QStringList seen;
    w.whenShown<FormatString>([&](FormatString& dialog) {
        seen.append(dialog.windowTitle());
        dialog.findChild<QLineEdit*>(u"txtFormat"_s)->setText(u"<a> - <t>"_s);
        const auto* lines = dialog.findChild<QTreeWidget*>(u"preview"_s);
        EXPECT_EQ(lines->topLevelItemCount(), 1);
        EXPECT_EQ(lines->topLevelItem(0)->text(1), u"Title: Hey Jude; Artist: Beatles, The"_s);
        w.messages.scriptNextAnswer(Answer::Yes); // "Confirm Format"
        QTest::mouseClick(dialog.findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        w.whenShown<RetagPreview>([&](RetagPreview& preview) {
            seen.append(preview.windowTitle());
            EXPECT_FALSE(w.takesCommands());
            QTest::mouseClick(preview.findChild<QPushButton*>(u"writeButton"_s), Qt::LeftButton);
        });
    });
    w.trigger("mnuTagEqualsFileName");
    EXPECT_EQ(seen, QStringList({u"Create a Format String"_s, u"Write Tags"_s}));
    EXPECT_EQ(TestFiles::read(path), audio(300) + id3v1({"Hey Jude", "Beatles, The", "", "", "", 0, 0}));
    EXPECT_TRUE(w.takesCommands());
    EXPECT_EQ(w.form.focusWidget(), w.playlist);
    // The format confirmed is offered the next time the same question is asked.
    EXPECT_EQ(WindowSettings::lastFormat(u"Tag = File Name"_s)->format, u"<a> - <t>"_s);
    WindowSettings::setLastFormat(u"Title = Tag"_s, {u"<t> (<a>)"_s, false});
    QString offered;
    w.whenShown<FormatString>([&](FormatString& dialog) {
        offered = dialog.findChild<QLineEdit*>(u"txtFormat"_s)->text();
        dialog.reject();
    });
    w.trigger("mnuTitleEqualsTag");
    EXPECT_EQ(offered, u"<t> (<a>)"_s);
    WindowSettings::setLastFormat(u"Title = Tag"_s, {});
}
