#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>

#include <QFile>
#include <QStringList>

#include "base/Messages.h"
#include "base/NativePath.h"
#include "cli/CommandLine.h"
#include "cli/FormatCommands.h"
#include "cli/JournalCommands.h"
#include "cli/PlaylistCommands.h"
#include "cli/TagCommands.h"
#include "cli/TagCopyCommand.h"
#include "journal/Journal.h"
#include "journal/JournalHistory.h"

namespace {

struct Command {
    const char* name;
    const char* summary;
    int (*run)(const QStringList& arguments);
    // Changes files (recorded in the undo history), or works on that history.
    bool journals = false;
};

const Command kCommands[] = {
    {"info", "print each file's ID3v1 summary and ID3v2 presence (or JSON, ID3v2 fields too, with --json)", runInfo},
    {"write", "set ID3v1 or ID3v2 fields of each file", runWrite, true},
    {"copy-tag", "copy each file's ID3v2 tag into its ID3v1 tag, or back", runCopyTag, true},
    {"remove", "remove the ID3v1 or ID3v2 tag of each file", runRemove, true},
    {"genres", "print the genre list", runGenres},
    {"playlist", "print the rows of an M3U or PLS playlist, with the files' tags", runPlaylist},
    {"convert", "save a playlist as M3U or PLS", runConvert, true},
    {"prune", "remove missing or repeated entries from a playlist", runPrune, true},
    {"compose", "print the text a format string gives for a tag", runCompose},
    {"parse", "print the fields a format string finds in a text", runParse},
    {"tag-from-name", "fill each file's tag from its name through a format string", runTagFromName, true},
    {"name-from-tag", "rename each file from its tag through a format string", runNameFromTag, true},
    {"history", "list the batches of changes that can be undone", runHistory, true},
    {"undo", "undo a batch of changes (the newest by default)", runUndo, true},
    {"redo", "redo a batch that was undone", runRedo, true},
};

QByteArray overview()
{
    QByteArray text = "Usage: sondrel-cli COMMAND [OPTIONS] [FILE...]\n\n"
                      "Reads and writes the ID3v1 and ID3v2 tags of MP3 files, copies and removes them, and\n"
                      "reads, converts and prunes M3U and PLS playlists, and retags and renames files through\n"
                      "format strings such as \"<a> - <t>\".\n"
                      "Messages go to stderr as \"title<TAB>text\". Exit status: 0 when no error message was\n"
                      "shown, 1 when one was, 2 for a usage error.\n\nCommands:\n";
    for (const Command& command : kCommands)
        text += "  " + QByteArray(command.name).leftJustified(15) + command.summary + '\n';
    text += "\nEvery change to a file is recorded first in the undo history ($XDG_STATE_HOME/sondrel, or\n"
            "~/.local/state/sondrel), which keeps the newest 100 batches. Options of every command:\n"
            "  --no-journal        change files without recording them (they cannot be undone)\n"
            "  --journal-limit N   keep the newest N batches (N with M or G: at most that many bytes)\n"
            "\nsondrel-cli COMMAND --help describes a command; sondrel-cli --version prints the version.\n";
    return text;
}

int usageError(const QByteArray& reason)
{
    const QByteArray text = "usage: sondrel-cli COMMAND [OPTIONS] [FILE...]\nsondrel-cli: " + reason + '\n';
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    return ExitUsage;
}

// Takes the journal's options out of the arguments, wherever they stand, and sets them. A usage
// error's reason when a value is wrong.
std::optional<QByteArray> takeJournalOptions(QStringList& arguments)
{
    Journal::Settings settings = Journal::settings();
    for (qsizetype i = 0; i < arguments.size();) {
        const QString& word = arguments.at(i);
        if (word == u"--") {
            break;
        } else if (word == u"--no-journal") {
            settings.enabled = false;
            arguments.removeAt(i);
        } else if (word == u"--journal-limit" || word.startsWith(u"--journal-limit=")) {
            QString value = word.section(u'=', 1);
            arguments.removeAt(i);
            if (!word.contains(u'=')) {
                if (i >= arguments.size())
                    return "--journal-limit needs a value";
                value = arguments.takeAt(i);
            }
            const QChar unit = value.isEmpty() ? QChar() : value.back().toUpper();
            const int shift = unit == u'G' ? 30 : unit == u'M' ? 20 : 0;
            bool ok = false;
            const qint64 number = (shift ? value.chopped(1) : value).toLongLong(&ok);
            if (!ok || number <= 0 || number > (qint64(1) << (62 - shift)))
                return "--journal-limit takes a number of batches, or a size such as 512M or 2G";
            if (shift)
                settings.maxBytes = number << shift;
            else
                settings.maxBatches = int(std::min<qint64>(number, 1000000));
        } else {
            ++i;
        }
    }
    Journal::configure(settings);
    return std::nullopt;
}

// Finishes the batches that a run which ended before them left, and says so.
void recoverJournal()
{
    const Journal::Recovery recovery = Journal::recover();
    if (recovery.batches == 0)
        return;
    QString text = recovery.batches == 1
        ? QStringLiteral("A batch of changes was cut short by a crash or a kill; sondrel-cli history shows it as "
                         "interrupted.")
        : QStringLiteral("%1 batches of changes were cut short by a crash or a kill; sondrel-cli history shows them "
                         "as interrupted.")
              .arg(recovery.batches);
    // A batch cut short in the middle of a group may have left many changes unconfirmed: the
    // first few are named.
    constexpr qsizetype kNamed = 5;
    for (const QString& path : recovery.repaired.first(std::min(kNamed, recovery.repaired.size())))
        text += QStringLiteral(" %1 was put back as it was before.").arg(path);
    if (recovery.repaired.size() > kNamed)
        text += QStringLiteral(" %1 more files were put back as they were before.")
                    .arg(recovery.repaired.size() - kNamed);
    for (const QString& problem : recovery.problems)
        text += QStringLiteral(" %1.").arg(problem);
    Messages::inform(text);
}

} // namespace

int main(int argc, char* argv[])
{
    static char outputBuffer[1 << 16];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(NativePath::decode(argv[i]));

    if (arguments.isEmpty())
        return usageError("no command given; sondrel-cli --help lists the commands");
    if (arguments.first() == u"--help" || arguments.first() == u"-h") {
        const QByteArray text = overview();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return ExitOk;
    }

    if (arguments.first() == u"--version" || arguments.first() == u"-v") {
        writeOut("sondrel-cli " SONDREL_VERSION "\n");
        return ExitOk;
    }

    if (const std::optional<QByteArray> wrong = takeJournalOptions(arguments))
        return usageError(*wrong);
    if (arguments.isEmpty())
        return usageError("no command given; sondrel-cli --help lists the commands");
    StderrMessages& messages = commandMessages();
    MessagesScope scope(messages);
    for (const Command& command : kCommands) {
        if (arguments.first() == QLatin1String(command.name)) {
            if (command.journals && Journal::settings().enabled)
                recoverJournal();
            const int status = command.run(arguments);
            // Output that did not reach its file (a full disk, a closed pipe) is a failure.
            if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
                const int error = errno;
                Messages::error(QStringLiteral("Could not write the output: ") + qt_error_string(error) + u'.');
            }
            if (status != ExitOk)
                return status;
            return messages.errorCount() > 0 ? ExitErrorShown : ExitOk;
        }
    }
    return usageError("unknown command: " + NativePath::encode(arguments.first()));
}
