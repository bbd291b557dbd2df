// sondrel-cli's undo history as a process: each run that changes files is one batch, history lists
// them, undo and redo put the bytes and names back. The journal's own rules are tested on the
// library; here the command line's wiring of them.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using TestBytes::audio;
using TestBytes::id3v1;

namespace {

// Points XDG_STATE_HOME, which every sondrel-cli started from here inherits, at a folder of its
// own for its lifetime (or at path), so that no test touches the user's history or another's.
class StateHome {
public:
    explicit StateHome(const QString& path = {}) : m_before(qgetenv("XDG_STATE_HOME"))
    {
        qputenv("XDG_STATE_HOME", QFile::encodeName(path.isEmpty() ? m_dir.path() : path));
    }
    ~StateHome() { qputenv("XDG_STATE_HOME", m_before); }
    StateHome(const StateHome&) = delete;
    StateHome& operator=(const StateHome&) = delete;
    QString journal() const { return m_dir.path() + u"/sondrel"_s; }

private:
    QTemporaryDir m_dir;
    QByteArray m_before;
};

// Every file in the folder, by name, with its bytes.
QByteArrayList snapshot(const TestFiles& files)
{
    QByteArrayList all;
    for (const QString& name : QDir(files.folder()).entryList(QDir::Files, QDir::Name))
        all << name.toUtf8() << TestFiles::read(files.path(name));
    return all;
}

// The history's lines without their times, which are not for a test to check.
QByteArrayList historyWithoutTimes()
{
    QByteArrayList lines = cli({u"history"_s}).out.split('\n');
    lines.removeLast();
    for (QByteArray& line : lines) {
        QByteArrayList columns = line.split('\t');
        columns.removeAt(1);
        line = columns.join('\t');
    }
    return lines;
}

const QByteArray kTagged = audio(300) + id3v1({"Song", "Band", "", "", "", 3, 17});

} // namespace

TEST(HistoryCli, UndoAndRedoPutBackWhatEachWritingCommandChanged)
{
    struct Case {
        QStringList arguments; // the files in the folder are a.mp3, b.mp3 and list.m3u
        QByteArray label;
    } const cases[] = {
        {{u"write"_s, u"--title"_s, u"New"_s, u"--track=9"_s, u"a.mp3"_s, u"b.mp3"_s},
            "sondrel-cli write --title New --track=9, 2 files"},
        {{u"write"_s, u"--id3v2"_s, u"--artist"_s, u"Other"_s, u"a.mp3"_s},
            "sondrel-cli write --id3v2 --artist Other, 1 file"},
        {{u"remove"_s, u"--id3v1"_s, u"--journal-limit"_s, u"5"_s, u"a.mp3"_s, u"b.mp3"_s},
            "sondrel-cli remove --id3v1, 2 files"},
        {{u"copy-tag"_s, u"--from"_s, u"id3v1"_s, u"--to"_s, u"id3v2"_s, u"b.mp3"_s},
            "sondrel-cli copy-tag --from id3v1 --to id3v2, 1 file"},
        {{u"tag-from-name"_s, u"--format"_s, u"<t>"_s, u"a.mp3"_s}, "sondrel-cli tag-from-name --format <t>, 1 file"},
        {{u"name-from-tag"_s, u"--format"_s, u"<a> - <t>"_s, u"a.mp3"_s, u"b.mp3"_s},
            "sondrel-cli name-from-tag --format <a> - <t>, 2 files"},
        {{u"convert"_s, u"list.m3u"_s, u"new.pls"_s}, "sondrel-cli convert, 1 file"},
        {{u"prune"_s, u"--missing"_s, u"list.m3u"_s}, "sondrel-cli prune --missing, 1 file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label.toStdString());
        const StateHome home;
        TestFiles files;
        files.write(u"a.mp3"_s, kTagged);
        files.write(u"b.mp3"_s, audio(200) + id3v1({"Other", "Band", "", "", "", 0, 0}));
        files.write(u"list.m3u"_s, "a.mp3\r\ngone.mp3\r\n");
        QStringList arguments;
        for (const QString& argument : c.arguments)
            arguments << (argument.endsWith(u".mp3"_s) || argument.endsWith(u".m3u"_s) || argument.endsWith(u".pls"_s)
                    ? files.path(argument)
                    : argument);
        const QByteArrayList before = snapshot(files);
        ASSERT_EQ(cli(arguments).exitCode, 0);
        const QByteArrayList after = snapshot(files);
        ASSERT_NE(after, before);
        const QByteArray count = c.label.endsWith("1 file") ? "1" : "2";
        EXPECT_EQ(historyWithoutTimes(), QByteArrayList{"1\tdone\t" + count + '\t' + c.label});

        const CliRun undo = cli({u"undo"_s});
        EXPECT_EQ(undo.exitCode, 0);
        EXPECT_TRUE(undo.out.startsWith("Undid batch 1 (" + c.label + "): ")) << undo.out.toStdString();
        EXPECT_EQ(snapshot(files), before);
        EXPECT_EQ(cli({u"redo"_s}).exitCode, 0);
        EXPECT_EQ(snapshot(files), after);
        EXPECT_EQ(historyWithoutTimes(),
            QByteArrayList({"1\tdone\t" + count + '\t' + c.label, "2\tdone\t" + count + "\tUndo " + c.label,
                "3\tdone\t" + count + "\tRedo " + c.label}));
    }
}

TEST(HistoryCli, UndoLeavesAFileChangedSinceAndPutsBackTheRest)
{
    const StateHome home;
    TestFiles files;
    const QString a = files.write(u"a.mp3"_s, kTagged);
    const QString b = files.write(u"b.mp3"_s, kTagged);
    ASSERT_EQ(cli({u"write"_s, u"--title"_s, u"New"_s, a, b}).exitCode, 0);
    files.write(u"b.mp3"_s, audio(10));

    const CliRun dryRun = cli({u"undo"_s, u"--dry-run"_s, u"1"_s});
    EXPECT_EQ(dryRun.out, "Would undo batch 1 (sondrel-cli write --title New, 2 files): 1 change would be put back.\n");
    EXPECT_NE(TestFiles::read(a), kTagged);
    const CliRun undo = cli({u"undo"_s});
    EXPECT_EQ(
        undo.out, "Undid batch 1 (sondrel-cli write --title New, 2 files): 1 change put back.\n" + a.toUtf8() + '\n');
    EXPECT_EQ(undo.err, cliError(b + u": it has changed since."_s));
    EXPECT_EQ(undo.exitCode, 1);
    EXPECT_EQ(TestFiles::read(a), kTagged);
    EXPECT_EQ(TestFiles::read(b), audio(10));
    EXPECT_EQ(historyWithoutTimes().first(), "1\tpartly undone\t2\tsondrel-cli write --title New, 2 files");
    const CliRun json = cli({u"history"_s, u"--json"_s});
    EXPECT_TRUE(json.out.endsWith("\"label\":\"Undo sondrel-cli write --title New, 2 files\",\"role\":\"undo\","
                                  "\"reverts\":1,\"files\":1,\"state\":\"done\",\"problem\":null}\n"))
        << json.out.toStdString();
}

// What must change nothing, in the files or in the history.
TEST(HistoryCli, DryRunsNoJournalAndAnUnwritableJournalLeaveNoTrace)
{
    TestFiles files;
    const QString a = files.write(u"Band - Song.mp3"_s, kTagged);
    const QString list = files.write(u"list.m3u"_s, "gone.mp3\r\n");
    const QString notAFolder = files.write(u"state"_s, "a file");
    const QByteArray stopped
        = cliError(u"The undo history could not be written, so no file was changed: "_s + notAFolder + u"/sondrel: "_s
            + qt_error_string(ENOTDIR) + u"; use --no-journal to change files without it."_s);
    struct Case {
        QStringList arguments;
        bool journalIsAFile;
        int exitCode;
        QByteArray err;
    } const cases[] = {
        {{u"write"_s, u"--no-journal"_s, u"--title"_s, u"Song"_s, a}, false, 0, {}},
        {{u"copy-tag"_s, u"--dry-run"_s, u"--from"_s, u"id3v1"_s, u"--to"_s, u"id3v2"_s, a}, false, 0, {}},
        {{u"tag-from-name"_s, u"--dry-run"_s, u"--format"_s, u"<t>"_s, a}, false, 0, {}},
        {{u"name-from-tag"_s, u"--dry-run"_s, u"--format"_s, u"<t>"_s, a}, false, 0, {}},
        {{u"prune"_s, u"--dry-run"_s, u"--missing"_s, list}, false, 0, {}},
        {{u"undo"_s}, false, 0, cliError(u"Nothing to undo."_s, u"Information"_s)},
        {{u"redo"_s, u"--dry-run"_s}, false, 0, cliError(u"Nothing to redo."_s, u"Information"_s)},
        {{u"undo"_s, u"7"_s}, false, 1, cliError(u"There is no batch 7 in the undo history."_s)},
        {{u"write"_s, u"--journal-limit"_s, u"2X"_s, a}, false, 2, {}},
        {{u"write"_s, u"--title"_s, u"X"_s, a}, true, 1, stopped},
        {{u"name-from-tag"_s, u"--format"_s, u"<t>"_s, a}, true, 1, stopped},
        {{u"prune"_s, u"--missing"_s, list}, true, 1, stopped},
    };
    const QByteArrayList before = snapshot(files);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const StateHome home(c.journalIsAFile ? notAFolder : QString());
        const CliRun run = cli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        if (c.exitCode != 2) {
            EXPECT_EQ(run.err, c.err);
        }
        EXPECT_EQ(snapshot(files), before);
        EXPECT_FALSE(QFileInfo::exists(home.journal() + u"/0000000000000001.batch"_s));
    }
}

TEST(HistoryCli, KeepsTheNewestBatchesAndSaysOnceWhatItRepaired)
{
    const StateHome home;
    TestFiles files;
    const QString a = files.write(u"a.mp3"_s, kTagged);
    for (const QString& title : {u"One"_s, u"Two"_s, u"Three"_s})
        ASSERT_EQ(cli({u"write"_s, u"--journal-limit"_s, u"2"_s, u"--title"_s, title, a}).exitCode, 0);
    EXPECT_EQ(historyWithoutTimes(),
        QByteArrayList({"2\tdone\t1\tsondrel-cli write --title Two, 1 file",
            "3\tdone\t1\tsondrel-cli write --title Three, 1 file"}));

    // A batch without its end, as a killed run leaves it: the next start finishes it and says so once.
    QFile last(home.journal() + u"/0000000000000003.batch"_s);
    ASSERT_TRUE(last.resize(last.size() - 10)); // the end record: frame of 8 bytes, type, flag
    const CliRun first = cli({u"history"_s});
    EXPECT_EQ(first.err,
        cliError(u"An earlier run was cut short; its batch now shows as interrupted in sondrel-cli history."_s,
            u"Information"_s));
    EXPECT_TRUE(first.out.contains("\tinterrupted\t1\tsondrel-cli write --title Three")) << first.out.toStdString();
    EXPECT_EQ(cli({u"history"_s}).err, QByteArray());
}
