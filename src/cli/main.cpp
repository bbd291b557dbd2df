#include <cerrno>
#include <cstdio>

#include <QFile>
#include <QStringList>

#include "base/Messages.h"
#include "base/NativePath.h"
#include "cli/CommandLine.h"
#include "cli/CopyCommand.h"
#include "cli/FormatCommands.h"
#include "cli/HistoryCommands.h"
#include "cli/PlaylistCommands.h"
#include "cli/RelinkCommand.h"
#include "cli/TagCommands.h"
#include "cli/TagCopyCommand.h"

namespace {

struct Command {
    const char* name;
    const char* summary;
    int (*run)(const QStringList& arguments);
};

const Command kCommands[] = {
    {"info", "print each file's ID3v1 summary and ID3v2 presence (or JSON, ID3v2 fields too, with --json)", runInfo},
    {"write", "set ID3v1 or ID3v2 fields of each file", runWrite},
    {"copy-tag", "copy each file's ID3v2 tag into its ID3v1 tag, or back", runCopyTag},
    {"remove", "remove the ID3v1 or ID3v2 tag of each file", runRemove},
    {"genres", "print the genre list", runGenres},
    {"playlist", "print the rows of an M3U or PLS playlist, with the files' tags", runPlaylist},
    {"convert", "save a playlist as M3U or PLS", runConvert},
    {"prune", "remove missing or repeated entries from a playlist", runPrune},
    {"relink", "find the moved files of a playlist's missing entries", runRelink},
    {"copy", "copy or move a playlist's files (or files) into a folder, with a playlist of them", runCopy},
    {"compose", "print the text a format string gives for a tag", runCompose},
    {"parse", "print the fields a format string finds in a text", runParse},
    {"tag-from-name", "fill each file's tag from its name through a format string", runTagFromName},
    {"name-from-tag", "rename each file from its tag through a format string", runNameFromTag},
    {"history", "list the batches of changes in the undo history", runHistory},
    {"undo", "put back the files that a batch changed", runUndo},
    {"redo", "make again the changes that an undo put back", runRedo},
};

QByteArray overview()
{
    QByteArray text = "Usage: sondrel-cli COMMAND [OPTIONS] [FILE...]\n\n"
                      "Reads and writes the ID3v1 and ID3v2 tags of MP3 files, copies and removes them, and\n"
                      "reads, converts and prunes M3U and PLS playlists, copies their files to a player, and\n"
                      "retags and renames files through format strings such as \"<a> - <t>\".\n"
                      "Every run that changes files is kept as one batch in the undo history, so that undo can\n"
                      "put the files back; --no-journal keeps none, --journal-limit N|SIZE bounds the history.\n"
                      "Messages go to stderr as \"title<TAB>text\". Exit status: 0 when no error message was\n"
                      "shown, 1 when one was, 2 for a usage error.\n\nCommands:\n";
    for (const Command& command : kCommands)
        text += "  " + QByteArray(command.name).leftJustified(15) + command.summary + '\n';
    text += "\nsondrel-cli COMMAND --help describes a command; sondrel-cli --version prints the version.\n";
    return text;
}

int usageError(const QByteArray& reason)
{
    const QByteArray text = "usage: sondrel-cli COMMAND [OPTIONS] [FILE...]\nsondrel-cli: " + reason + '\n';
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    return ExitUsage;
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

    StderrMessages& messages = commandMessages();
    MessagesScope scope(messages);
    for (const Command& command : kCommands) {
        if (arguments.first() == QLatin1String(command.name)) {
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
