// sondrel-cli's undo history as a user meets it: every command that changes files can be undone and
// redone by history, undo and redo; a file changed since is named and left alone; without a journal
// that can be written nothing changes.

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/FileTree.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;

namespace {

const QByteArray kTag = id3v1({"Title", "Band", "Album", "1999", "Nice", 7, 17});

// A journal of the test's own for each test, set for every run through XDG_STATE_HOME.
class JournalCli : public testing::Test {
protected:
    void SetUp() override
    {
        m_previous = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
        m_files.write(u"a.mp3"_s, audio(300) + kTag);
        m_files.write(u"b.mp3"_s, audio(400) + kTag);
    }
    void TearDown() override { qputenv("XDG_STATE_HOME", m_previous); }

    QString path(const QString& name) const { return m_files.path(name); }
    FileTree tree() const { return fileTreeOf(m_files.folder()); }

    QByteArray m_previous;
    QTemporaryDir m_state;
    TestFiles m_files;
};

struct Command {
    const char* name;
    QStringList (*arguments)(const TestFiles& files);
};

const Command kCommands[] = {
    {"WriteId3v1",
        [](const TestFiles& f) {
            return QStringList{u"write"_s, u"--artist"_s, u"Other"_s, f.path(u"a.mp3"_s), f.path(u"b.mp3"_s)};
        }},
    {"WriteId3v2",
        [](const TestFiles& f) {
            return QStringList{u"write"_s, u"--id3v2"_s, u"--title"_s, u"T"_s, f.path(u"a.mp3"_s)};
        }},
    {"RemoveId3v1",
        [](const TestFiles& f) {
            return QStringList{u"remove"_s, u"--id3v1"_s, f.path(u"b.mp3"_s)};
        }},
    {"NameFromTag",
        [](const TestFiles& f) {
            return QStringList{u"name-from-tag"_s, u"--format"_s, u"<a> - <t> <y>"_s, f.path(u"a.mp3"_s)};
        }},
    {"Convert",
        [](const TestFiles& f) {
            f.write(u"list.m3u"_s, "a.mp3\r\n");
            return QStringList{u"convert"_s, f.path(u"list.m3u"_s), f.path(u"list.pls"_s)};
        }},
};

class EveryCommand : public JournalCli, public testing::WithParamInterface<Command> { };

TEST_P(EveryCommand, IsUndoneAndRedoneByTheHistory)
{
    const QStringList arguments = GetParam().arguments(m_files);
    const FileTree before = tree();
    ASSERT_EQ(cli(arguments).exitCode, 0);
    const FileTree after = tree();
    ASSERT_NE(before, after);
    const QString label = u"sondrel-cli "_s + arguments.first();
    EXPECT_TRUE(cli({u"history"_s}).out.contains(label.toUtf8())) << cli({u"history"_s}).out.toStdString();

    const QStringList dryRun{u"undo"_s, u"--dry-run"_s};
    EXPECT_EQ(cli(dryRun).exitCode, 0);
    EXPECT_EQ(tree(), after);
    const CliRun undone = cli({u"undo"_s});
    EXPECT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    EXPECT_EQ(tree(), before);
    EXPECT_EQ(cli({u"redo"_s}).exitCode, 0);
    EXPECT_EQ(tree(), after);
    EXPECT_TRUE(cli({u"history"_s, u"--json"_s}).out.contains("\"role\":\"redo\""));
}

INSTANTIATE_TEST_SUITE_P(Commands, EveryCommand, testing::ValuesIn(kCommands),
    [](const testing::TestParamInfo<Command>& test) { return std::string(test.param.name); });

TEST_F(JournalCli, UndoNamesAFileChangedSinceAndUndoesTheRest)
{
    ASSERT_EQ(cli({u"write"_s, u"--artist"_s, u"Other"_s, path(u"a.mp3"_s), path(u"b.mp3"_s)}).exitCode, 0);
    ASSERT_EQ(cli({u"write"_s, u"--no-journal"_s, u"--title"_s, u"Mine"_s, path(u"b.mp3"_s)}).exitCode, 0);
    const QByteArray changed = TestFiles::read(path(u"b.mp3"_s));
    const CliRun undone = cli({u"undo"_s});
    EXPECT_EQ(undone.exitCode, 1);
    EXPECT_EQ(undone.err, cliError(path(u"b.mp3"_s) + u": it has changed since: left as it is."_s));
    EXPECT_EQ(TestFiles::read(path(u"a.mp3"_s)), audio(300) + kTag);
    EXPECT_EQ(TestFiles::read(path(u"b.mp3"_s)), changed);
    EXPECT_TRUE(cli({u"history"_s}).out.contains("\tpartly undone\t"));
}

TEST_F(JournalCli, WithoutAJournalThatCanBeWrittenNothingChanges)
{
    const FileTree before = tree();
    qputenv("XDG_STATE_HOME", QFile::encodeName(path(u"a.mp3"_s)));
    const CliRun refused = cli({u"write"_s, u"--artist"_s, u"Other"_s, path(u"a.mp3"_s)});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("so no file was changed")) << refused.err.toStdString();
    EXPECT_EQ(tree(), before);

    EXPECT_EQ(cli({u"write"_s, u"--no-journal"_s, u"--artist"_s, u"Other"_s, path(u"a.mp3"_s)}).exitCode, 0);
    EXPECT_NE(tree(), before);
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
    EXPECT_EQ(cli({u"undo"_s}).out, "Nothing to undo.\n");
}

} // namespace
