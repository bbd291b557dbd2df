#include "cli/TagCopyCommand.h"

#include <QStringBuilder>

#include "base/Messages.h"
#include "base/NativePath.h"
#include "cli/CommandJournal.h"
#include "cli/CommandLine.h"
#include "cli/TagFieldOptions.h"
#include "tags/GenreTable.h"
#include "tags/MP3Tag.h"
#include "tags/TagCopy.h"

namespace {

enum class Direction { ToId3v1, ToId3v2 };

void printLosses(const QString& path, const std::vector<TagCopy::Loss>& losses)
{
    for (const TagCopy::Loss& loss : losses) {
        writeOut(NativePath::encode(path)
            + QString(u'\t' % loss.field % u'\t' % tabField(loss.before) % u'\t' % tabField(loss.after) % u'\n')
                  .toUtf8());
    }
}

// Copies the file's ID3v2 tag into its ID3v1 tag, the read tag in hand.
void copyToId3v1(MP3Tag& tag, bool dryRun, BatchGenres& genres)
{
    const Id3v2Reading& reading = tag.Id3v2Tag();
    if (reading.state == Id3v2Reading::State::Unreadable) {
        tag.reportUnreadableId3v2();
        return;
    }
    if (reading.state == Id3v2Reading::State::None) {
        Messages::inform(tag.path() + QStringLiteral(" has no ID3v2 tag to copy."));
        return;
    }
    const std::optional<TagCopy::Id3v1Copy> copy = TagCopy::toId3v1(
        reading.fields, [&](const QString& name) { return genres.numberOf(name); }, Id3v2::programGenreName);
    if (!copy)
        return; // the genre list's message said why
    printLosses(tag.path(), copy->losses);
    if (dryRun)
        return;
    tag.RawInfo() = copy->record;
    tag.writeTag();
}

void copyToId3v2(MP3Tag& tag, bool dryRun, int newTagVersion)
{
    if (!tag.HasID1Tag()) {
        Messages::inform(tag.path() + QStringLiteral(" has no ID3v1 tag to copy."));
        return;
    }
    if (!dryRun)
        tag.writeId3v2(TagCopy::toId3v2(tag, Id3v2::programGenreName), newTagVersion);
}

std::optional<Direction> directionOf(const QString& from, const QString& to)
{
    if (from == u"id3v2" && to == u"id3v1")
        return Direction::ToId3v1;
    if (from == u"id3v1" && to == u"id3v2")
        return Direction::ToId3v2;
    return std::nullopt;
}

} // namespace

int runCopyTag(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("copy-tag --from id3v1|id3v2 --to id3v2|id3v1 [--dry-run] [--v23|--v24] "
                                    "[--files-from LIST] FILE..."),
        QStringLiteral("Copies each file's tag into its other tag. From ID3v2 to ID3v1, every field the "
                       "ID3v1 tag cannot hold as it is (cut to its width, a character windows-1252 "
                       "lacks as ?, a track 3/12 as 3, a genre not in the list as 12) is printed "
                       "first, a line each: path<TAB>field<TAB>old text<TAB>new text, with tabs, "
                       "line breaks and backslashes in the texts as \\t, \\n, \\r and \\\\. From ID3v1 "
                       "to ID3v2 nothing is lost. A file without the tag to copy is left alone."));
    line.addValue(QStringLiteral("from"), QStringLiteral("TAG"), QStringLiteral("The tag copied: id3v1 or id3v2."));
    line.addValue(QStringLiteral("to"), QStringLiteral("TAG"), QStringLiteral("The tag written: id3v2 or id3v1."));
    line.addFlag(QStringLiteral("dry-run"), QStringLiteral("Print what would be lost, and write nothing."));
    TagChoiceOptions::addNewTagVersion(line);
    CommandJournal::addOptions(line);
    line.takesFiles();
    if (const std::optional<int> done = line.parse(arguments))
        return *done;
    const std::optional<Direction> direction
        = directionOf(line.value(QStringLiteral("from")), line.value(QStringLiteral("to")));
    if (!direction)
        return line.usageError(QStringLiteral("give --from id3v2 --to id3v1, or --from id3v1 --to id3v2"));
    int exitCode = ExitOk;
    const std::optional<int> newTagVersion = TagChoiceOptions::newTagVersionOf(line, &exitCode);
    if (!newTagVersion || !CommandJournal::start(line, &exitCode))
        return exitCode;
    const bool dryRun = line.isSet(QStringLiteral("dry-run"));
    const Result<QStringList> files = line.files();
    if (!files)
        return ExitOk;
    std::unique_ptr<Journal::Batch> batch;
    if (!dryRun) {
        batch = CommandJournal::openBatch(line, arguments, files->size());
        if (!batch)
            return ExitErrorShown;
        if (*direction == Direction::ToId3v1)
            batch->expectTailChanges(*files);
    }
    BatchGenres genres;
    for (const QString& path : *files) {
        MP3Tag tag;
        tag.init(path);
        tag.changeTag(
            [&] {
                if (*direction == Direction::ToId3v1)
                    copyToId3v1(tag, dryRun, genres);
                else
                    copyToId3v2(tag, dryRun, *newTagVersion);
            },
            MP3Tag::Reading::AllTags);
    }
    return ExitOk;
}
