#include "format/RetagCommands.h"

#include <algorithm>

#include <QSet>

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/PathTools.h"
#include "format/Composition.h"
#include "format/FieldStore.h"
#include "playlist/PlaylistModel.h"

using namespace PathTools;

namespace RetagCommands {

namespace {

// The text a command parses for a row's file: its name without folder and extension, or the
// whole path.
QString parsedPartOf(const QString& path, bool fullPath)
{
    return fullPath ? path : stripExtension(fileNameOf(path));
}

// Fills the record from a parse of the text; false, after the message, when the track does not fit.
bool fill(MP3TagInfo& record, const QString& text, const QString& format, const QString& file)
{
    const ParsedFields fields = parseFields(text, format);
    if (storeFields(fields, record))
        return true;
    Messages::error(QStringLiteral("Track number ") + fields.track
        + QStringLiteral(" does not fit in an ID3v1 tag (0 to 255); ") + file + QStringLiteral(" was not changed."));
    return false;
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

void tagFromColumn(PlaylistModel& model, const Rows& rows, const QString& format,
    const std::function<QString(const PlaylistRow&)>& textOf)
{
    for (const qsizetype position : rows) {
        const PlaylistRow& row = *model.rowAt(position);
        MP3Tag& tag = row.entry->mp3Tag();
        if (!fill(tag.RawInfo(), textOf(row), format, row.text(FileNameColumn)))
            continue;
        tag.writeTag();
        row.entry->ReadTag();
    }
    reportChanged(model, rows);
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

PlannedRename planRename(qsizetype row, const QString& old, const QString& composed, bool fullPath)
{
    PlannedRename plan;
    plan.row = row;
    plan.from = old;
    if (fullPath) {
        // A whole-path format that gives a relative path names a place beside the file, as if the
        // file's folder were the current one; the current folder itself is never changed.
        plan.to = isAbsolute(composed) ? composed : folderOf(old) + composed;
        plan.oldShown = old;
        plan.newShown = composed;
        if (holdsNul(composed))
            plan.problem = PlannedRename::Problem::RefusedName;
        return plan;
    }
    plan.oldShown = fileNameOf(old);
    plan.newShown = composed + u'.' + extensionOf(plan.oldShown);
    plan.to = folderOf(old) + plan.newShown;
    if (isRefusedName(composed, plan.newShown))
        plan.problem = PlannedRename::Problem::RefusedName;
    return plan;
}

// Marks the renames that would fail on the disk as it is, or against an earlier rename of the batch.
void markCollisions(std::vector<PlannedRename>& plans)
{
    QSet<QString> targets;
    for (PlannedRename& plan : plans) {
        if (plan.problem != PlannedRename::Problem::None)
            continue;
        if (targets.contains(plan.to))
            plan.problem = PlannedRename::Problem::SameTargetInBatch;
        else if (FileOps::isNameTaken(plan.from, plan.to))
            plan.problem = PlannedRename::Problem::TargetExists;
        targets.insert(plan.to);
    }
}

// Carries out one rename; false when the user chose to stop.
bool carryOut(PlaylistModel& model, const PlannedRename& plan, RenameReport& report)
{
    if (plan.problem == PlannedRename::Problem::TrackOutOfRange)
        return true; // reported while planning; the row stays as it was
    if (plan.problem == PlannedRename::Problem::RefusedName || !FileOps::renameNoReplace(plan.from, plan.to)) {
        const Messages::Answer answer = Messages::current().show(QStringLiteral("Error renaming ") + plan.oldShown
                + QStringLiteral(" to ") + plan.newShown + QStringLiteral(".  Skip and continue?"),
            QStringLiteral("Error:"), Messages::Icon::Exclamation, Messages::Buttons::YesNo);
        return answer == Messages::Answer::Yes;
    }
    PlaylistRow& row = *model.rowAt(plan.row);
    row.texts[FileNameColumn] = plan.to;
    row.entry->reInit(plan.to, &row);
    report.renamed.push_back(plan);
    return true;
}

RenameReport carryOutAll(PlaylistModel& model, const std::vector<PlannedRename>& plans)
{
    RenameReport report;
    for (const PlannedRename& plan : plans) {
        if (!carryOut(model, plan, report)) {
            report.stopped = true;
            break;
        }
    }
    Rows changed;
    for (const PlannedRename& plan : report.renamed)
        changed.push_back(plan.row);
    reportChanged(model, changed);
    return report;
}

std::vector<PlannedRename> renamesFromTag(
    const PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath)
{
    std::vector<PlannedRename> plans;
    plans.reserve(rows.size());
    for (const qsizetype position : rows) {
        const PlaylistRow& row = *model.rowAt(position);
        plans.push_back(planRename(
            position, row.text(FileNameColumn), ApplyFormat(format, row.entry->mp3Tag().RawInfo()), fullPath));
    }
    return plans;
}

std::vector<PlannedRename> renamesFromTitle(
    const PlaylistModel& model, const Rows& rows, const QString& separating, const QString& recombining, bool fullPath)
{
    std::vector<PlannedRename> plans;
    plans.reserve(rows.size());
    MP3TagInfo record = freeLengthRecord();
    for (const qsizetype position : rows) {
        const PlaylistRow& row = *model.rowAt(position);
        const QString& file = row.text(FileNameColumn);
        if (!fill(record, row.text(TitleColumn), separating, file)) {
            PlannedRename skipped;
            skipped.row = position;
            skipped.from = skipped.to = file;
            skipped.problem = PlannedRename::Problem::TrackOutOfRange;
            plans.push_back(skipped);
            continue;
        }
        plans.push_back(planRename(position, file, ApplyFormat(recombining, record), fullPath));
    }
    return plans;
}

} // namespace

void tagFromFileName(PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath)
{
    tagFromColumn(model, rows, format,
        [fullPath](const PlaylistRow& row) { return parsedPartOf(row.text(FileNameColumn), fullPath); });
}

void tagFromTitle(PlaylistModel& model, const Rows& rows, const QString& format)
{
    tagFromColumn(model, rows, format, [](const PlaylistRow& row) { return row.text(TitleColumn); });
}

void titleFromTag(PlaylistModel& model, const Rows& rows, const QString& format)
{
    for (const qsizetype position : rows) {
        PlaylistRow& row = *model.rowAt(position);
        row.texts[TitleColumn] = ApplyFormat(format, row.entry->mp3Tag().RawInfo());
    }
    reportChanged(model, rows);
}

void titleFromFileName(
    PlaylistModel& model, const Rows& rows, const QString& separating, bool fullPath, const QString& recombining)
{
    MP3TagInfo record = freeLengthRecord();
    for (const qsizetype position : rows) {
        PlaylistRow& row = *model.rowAt(position);
        const QString& file = row.text(FileNameColumn);
        if (fill(record, parsedPartOf(file, fullPath), separating, file))
            row.texts[TitleColumn] = ApplyFormat(recombining, record);
    }
    reportChanged(model, rows);
}

// A plan shown before anything moves also names the collisions; carrying the renames out needs no
// such look-ups, because the rename itself refuses a name that is taken.
QString problemText(PlannedRename::Problem problem)
{
    using Problem = PlannedRename::Problem;
    switch (problem) {
    case Problem::None: return {};
    case Problem::RefusedName: return QStringLiteral("refused: not a plain visible name in the file's folder");
    case Problem::TargetExists: return QStringLiteral("fails: a file of that name exists");
    case Problem::SameTargetInBatch: return QStringLiteral("fails: an earlier file gets the same name");
    case Problem::TrackOutOfRange: return QStringLiteral("skipped: the track number does not fit");
    }
    return {};
}

std::vector<PlannedRename> planFileNameFromTag(
    const PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath)
{
    std::vector<PlannedRename> plans = renamesFromTag(model, rows, format, fullPath);
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
    return carryOutAll(model, renamesFromTag(model, rows, format, fullPath));
}

RenameReport fileNameFromTitle(
    PlaylistModel& model, const Rows& rows, const QString& separating, const QString& recombining, bool fullPath)
{
    return carryOutAll(model, renamesFromTitle(model, rows, separating, recombining, fullPath));
}

} // namespace RetagCommands
