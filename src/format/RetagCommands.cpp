#include "format/RetagCommands.h"

#include <algorithm>

#include <QSet>

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/PathTools.h"
#include "format/Composition.h"
#include "format/FieldStore.h"
#include "format/RetagPlan.h"
#include "journal/Journal.h"
#include "playlist/PlaylistModel.h"
#include "tags/GenreTable.h"

using namespace PathTools;

namespace RetagCommands {

namespace {

// The values a two-step command carries from its parse to its composition; empty, after the
// message, when the track does not fit. With the ID3v1 tag in use they pass through the record as
// a tag would hold them (the track and genre as numbers), so that they compose as Title = Tag
// composes a tag; the record is only composed again, never written: without the genre list its
// genre is a stand-in, and composing any genre then gives the empty name anyway. With the ID3v2
// tag in use they are the parsed texts themselves, as that tag would hold them.
std::optional<FieldTexts> reparsed(const QString& text, const QString& format, const QString& file, TagChoice tag,
    MP3TagInfo& record, BatchGenres& genres)
{
    const ParsedFields fields = parseFields(text, format);
    if (tag == TagChoice::Id3v2)
        return fields;
    if (storeFields(fields, record, genres) != Stored::TrackOutOfRange)
        return id3v1Texts(record);
    reportTrackOutOfRange(fields.track, file);
    return std::nullopt;
}

// The intermediate record of the two-step commands: it holds values at any length.
MP3TagInfo freeLengthRecord()
{
    MP3TagInfo record;
    record.setIgnoreLength(true);
    return record;
}

// Reports the rows a command wrote, in one signal.
void reportChanged(PlaylistModel& model, const Rows& rows)
{
    if (!rows.empty())
        model.rowsChanged(*std::min_element(rows.begin(), rows.end()), *std::max_element(rows.begin(), rows.end()));
}

// The values of the row's file's tag in use, its tags read first when they have not been read yet;
// empty when the file has no such tag or it could not be read (*problem says which). *read tells
// whether it was read now. An ID3v2 tag that cannot be read is told here, as no read tells it.
std::optional<FieldTexts> currentTagOf(PlaylistRow& row, TagChoice use, PlannedRename::Problem* problem, bool* read)
{
    MP3Tag& tag = row.mp3Tag();
    *read = !tag.TagRead() && !tag.FileError();
    if (*read)
        row.ReadTag();
    if (tag.FileError()) {
        *problem = PlannedRename::Problem::TagUnreadable;
        return std::nullopt;
    }
    if (use == TagChoice::Id3v1) {
        if (tag.HasID1Tag())
            return id3v1Texts(tag.RawInfo());
        *problem = PlannedRename::Problem::NoTag;
        return std::nullopt;
    }
    const Id3v2Reading& reading = tag.Id3v2Tag();
    if (reading.state == Id3v2Reading::State::Read)
        return id3v2Texts(reading.fields);
    if (reading.state == Id3v2Reading::State::Unreadable) {
        tag.reportUnreadableId3v2();
        *problem = PlannedRename::Problem::TagUnreadable;
    } else {
        *problem = PlannedRename::Problem::NoId3v2Tag;
    }
    return std::nullopt;
}

// The system takes a path only up to its first NUL, and would then rename the file to another name
// than the one shown (a NUL can come from a tag field, a playlist title or a path in a playlist).
bool holdsNul(const QString& text)
{
    return text.contains(QChar(0));
}

// A name made without the full-path choice must stay a plain name in the file's own folder, and a
// visible one: a name beginning with "." would hide the file from the program itself.
bool isRefusedName(const QString& composed, const QString& name)
{
    return composed.isEmpty() || composed.contains(separator()) || holdsNul(name) || name == u"." || name == u".."
        || name.startsWith(u'.');
}

} // namespace

PlannedRename planRename(qsizetype row, const QString& old, const ComposedText& composition, bool fullPath)
{
    const QString& composed = composition.text;
    PlannedRename plan;
    plan.row = row;
    plan.from = old;
    if (fullPath) {
        // A whole-path format that gives a relative path names a place beside the file, as if the
        // file's folder were the current one; the current folder itself is never changed. Its
        // folders come from the format's own text: a tag value is only ever a name in them.
        plan.to = isAbsolute(composed) ? composed : folderOf(old) + composed;
        plan.oldShown = old;
        plan.newShown = composed;
        if (holdsNul(composed))
            plan.problem = PlannedRename::Problem::RefusedName;
        else if (valuesShapeFolders(composition)) {
            plan.problem = PlannedRename::Problem::RefusedName;
            plan.reason = QStringLiteral("refused: a tag value would name a folder (a separator, \".\" or \"..\")");
        }
        return plan;
    }
    plan.oldShown = fileNameOf(old);
    plan.newShown = composed + u'.' + extensionOf(plan.oldShown);
    plan.to = folderOf(old) + plan.newShown;
    if (isRefusedName(composed, plan.newShown))
        plan.problem = PlannedRename::Problem::RefusedName;
    return plan;
}

namespace {

// A row left alone, its name as it is.
PlannedRename skippedRow(qsizetype row, const QString& file, PlannedRename::Problem problem)
{
    PlannedRename plan;
    plan.row = row;
    plan.from = plan.to = plan.oldShown = plan.newShown = file;
    plan.problem = problem;
    return plan;
}

// Marks what is not a file to rename, and the renames that would fail on the disk as it is or
// against an earlier rename of the batch.
void markCollisions(std::vector<PlannedRename>& plans)
{
    QSet<QString> targets;
    for (PlannedRename& plan : plans) {
        if (plan.problem != PlannedRename::Problem::None)
            continue;
        const Result<void> movable = FileOps::renameRefusal(plan.from);
        plan.reason = movable ? QString() : movable.failure().reason;
        if (!movable)
            plan.problem = PlannedRename::Problem::NotAFile;
        else if (targets.contains(plan.to))
            plan.problem = PlannedRename::Problem::SameTargetInBatch;
        else if (FileOps::isNameTaken(plan.from, plan.to))
            plan.problem = PlannedRename::Problem::TargetExists;
        targets.insert(plan.to);
    }
}

// Carries out one rename; false when the user chose to stop.
bool carryOut(PlaylistModel& model, const PlannedRename& plan, RenameReport& report)
{
    if (isSkipped(plan))
        return true; // shown while planning; the row stays as it was
    if (plan.problem == PlannedRename::Problem::RefusedName || !Journal::renameNoReplace(plan.from, plan.to)) {
        const Messages::Answer answer = Messages::current().show(QStringLiteral("Error renaming ") + plan.oldShown
                + QStringLiteral(" to ") + plan.newShown + QStringLiteral(".  Skip and continue?"),
            QStringLiteral("Error:"), Messages::Icon::Exclamation, Messages::Buttons::YesNo);
        return answer == Messages::Answer::Yes;
    }
    PlaylistRow& row = *model.rowAt(plan.row);
    row.reInit(plan.to); // the file name column too
    report.renamed.push_back(plan);
    return true;
}

std::vector<PlannedRename> renamesFromTag(PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath)
{
    std::vector<PlannedRename> plans;
    plans.reserve(rows.size());
    Rows read;
    for (const qsizetype position : rows) {
        PlaylistRow& row = *model.rowAt(position);
        PlannedRename::Problem problem = PlannedRename::Problem::None;
        bool readNow = false;
        const std::optional<FieldTexts> values = currentTagOf(row, model.formatStringsUse(), &problem, &readNow);
        if (readNow)
            read.push_back(position);
        plans.push_back(values
                ? planRename(position, row.text(FileNameColumn), composeFormat(format, *values), fullPath)
                : skippedRow(position, row.text(FileNameColumn), problem));
    }
    if (!read.empty())
        model.tagColumnsChanged(
            *std::min_element(read.begin(), read.end()), *std::max_element(read.begin(), read.end()));
    return plans;
}

std::vector<PlannedRename> renamesFromTitle(
    const PlaylistModel& model, const Rows& rows, const QString& separating, const QString& recombining, bool fullPath)
{
    std::vector<PlannedRename> plans;
    plans.reserve(rows.size());
    MP3TagInfo record = freeLengthRecord();
    BatchGenres genres;
    for (const qsizetype position : rows) {
        const PlaylistRow& row = *model.rowAt(position);
        const QString& file = row.text(FileNameColumn);
        const std::optional<FieldTexts> values
            = reparsed(row.text(TitleColumn), separating, file, model.formatStringsUse(), record, genres);
        plans.push_back(values ? planRename(position, file, composeFormat(recombining, *values), fullPath)
                               : skippedRow(position, file, PlannedRename::Problem::TrackOutOfRange));
    }
    return plans;
}

} // namespace

RenameReport renameAsPlanned(PlaylistModel& model, const std::vector<PlannedRename>& plans)
{
    RenameReport report;
    QList<std::pair<QString, QString>> renames;
    for (const PlannedRename& plan : plans)
        if (!isSkipped(plan) && plan.problem != PlannedRename::Problem::RefusedName)
            renames.append({plan.from, plan.to});
    Journal::expectRenames(renames);
    for (const PlannedRename& plan : plans) {
        if (!carryOut(model, plan, report))
            break;
    }
    Rows changed;
    for (const PlannedRename& plan : report.renamed)
        changed.push_back(plan.row);
    reportChanged(model, changed);
    return report;
}

void reportTrackOutOfRange(const QString& track, const QString& file)
{
    Messages::error(QStringLiteral("Track number ") + track
        + QStringLiteral(" does not fit in an ID3v1 tag (0 to 255); ") + file + QStringLiteral(" was not changed."));
}

QString parsedPartOf(const QString& path, bool fullPath)
{
    return fullPath ? path : stripExtension(fileNameOf(path));
}

void tagFromFileName(PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath)
{
    retagAsPlanned(model, planTagFromFileName(model, rows, format, fullPath));
}

void titleFromTag(PlaylistModel& model, const Rows& rows, const QString& format)
{
    for (const qsizetype position : rows) {
        PlaylistRow& row = *model.rowAt(position);
        PlannedRename::Problem problem = PlannedRename::Problem::None;
        bool read = false;
        if (const std::optional<FieldTexts> values = currentTagOf(row, model.formatStringsUse(), &problem, &read))
            row.setText(TitleColumn, ApplyFormat(format, *values));
    }
    // The tag columns of rows read now change too.
    reportChanged(model, rows);
}

std::vector<QString> titlesFromFileName(
    const PlaylistModel& model, const Rows& rows, const QString& separating, bool fullPath, const QString& recombining)
{
    std::vector<QString> titles;
    titles.reserve(rows.size());
    MP3TagInfo record = freeLengthRecord();
    BatchGenres genres;
    for (const qsizetype position : rows) {
        const PlaylistRow& row = *model.rowAt(position);
        const QString& file = row.text(FileNameColumn);
        const std::optional<FieldTexts> values
            = reparsed(parsedPartOf(file, fullPath), separating, file, model.formatStringsUse(), record, genres);
        titles.push_back(values ? ApplyFormat(recombining, *values) : row.text(TitleColumn));
    }
    return titles;
}

void titleFromFileName(
    PlaylistModel& model, const Rows& rows, const QString& separating, bool fullPath, const QString& recombining)
{
    const std::vector<QString> titles = titlesFromFileName(model, rows, separating, fullPath, recombining);
    for (std::size_t i = 0; i < rows.size(); ++i)
        model.rowAt(rows[i])->setText(TitleColumn, titles[i]);
    reportChanged(model, rows);
}

// A plan shown before anything moves also names the collisions; carrying the renames out needs no
// such look-ups, because the rename itself refuses a name that is taken.
QString problemText(const PlannedRename& plan)
{
    using Problem = PlannedRename::Problem;
    switch (plan.problem) {
    case Problem::None: return {};
    case Problem::RefusedName:
        return plan.reason.isEmpty() ? QStringLiteral("refused: not a plain visible name in the file's folder")
                                     : plan.reason;
    case Problem::TargetExists: return QStringLiteral("fails: a file of that name exists");
    case Problem::SameTargetInBatch: return QStringLiteral("fails: an earlier file gets the same name");
    // Rows left alone: why, in the words of the messages that report them.
    case Problem::TrackOutOfRange: return QStringLiteral("the track number does not fit");
    case Problem::NoTag: return QStringLiteral("no ID3v1 tag");
    case Problem::NoId3v2Tag: return QStringLiteral("no ID3v2 tag");
    case Problem::TagUnreadable: return QStringLiteral("the tag could not be read");
    case Problem::NotAFile: return plan.reason;
    }
    return {};
}

bool isSkipped(const PlannedRename& plan)
{
    using Problem = PlannedRename::Problem;
    return plan.problem == Problem::TrackOutOfRange || plan.problem == Problem::NoTag
        || plan.problem == Problem::NoId3v2Tag || plan.problem == Problem::TagUnreadable
        || plan.problem == Problem::NotAFile;
}

std::vector<PlannedRename> planFileNameFromTag(
    PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath, Lookups lookups)
{
    std::vector<PlannedRename> plans = renamesFromTag(model, rows, format, fullPath);
    if (lookups == Lookups::MarkFailures)
        markCollisions(plans);
    return plans;
}

std::vector<PlannedRename> planFileNameFromTitle(
    const PlaylistModel& model, const Rows& rows, const QString& separating, const QString& recombining, bool fullPath)
{
    std::vector<PlannedRename> plans = renamesFromTitle(model, rows, separating, recombining, fullPath);
    markCollisions(plans);
    return plans;
}

RenameReport fileNameFromTag(PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath)
{
    return renameAsPlanned(model, planFileNameFromTag(model, rows, format, fullPath, Lookups::LeaveToRenames));
}

RenameReport fileNameFromTitle(
    PlaylistModel& model, const Rows& rows, const QString& separating, const QString& recombining, bool fullPath)
{
    return renameAsPlanned(model, planFileNameFromTitle(model, rows, separating, recombining, fullPath));
}

} // namespace RetagCommands
