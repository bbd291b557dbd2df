#include "format/RetagPlan.h"

#include <algorithm>
#include <functional>

#include "base/PathTools.h"
#include "format/FieldStore.h"
#include "playlist/PlaylistModel.h"
#include "tags/GenreTable.h"

namespace RetagCommands {

namespace {

int codeOf(const QString& field)
{
    return field.isEmpty() ? 0 : field.front().unicode();
}

// The genre's number, and its name when the list is loaded: looking a name up would otherwise
// load the list, and a missing list would say so once more for every line shown.
QString genreText(int code)
{
    const QString name = programGenres().isLoaded() ? GenreName(code) : QString();
    return name.isEmpty() ? QString::number(code) : QString::number(code) + QStringLiteral(" (") + name + u')';
}

// The seven fields as a preview shows them; all empty for a file without a tag.
std::vector<FieldChange> shownFields(const MP3TagInfo& record, bool present)
{
    const auto text = [present](const QString& field) { return present ? PathTools::trimBlanks(field) : QString(); };
    return {
        {QStringLiteral("Title"), text(record.SongName()), {}},
        {QStringLiteral("Artist"), text(record.Artist()), {}},
        {QStringLiteral("Album"), text(record.Album()), {}},
        {QStringLiteral("Year"), text(record.Year()), {}},
        {QStringLiteral("Comment"), text(record.Comment()), {}},
        {QStringLiteral("Track"), present ? QString::number(codeOf(record.Track())) : QString(), {}},
        {QStringLiteral("Genre"), present ? genreText(codeOf(record.Genre())) : QString(), {}},
    };
}

// The fields whose shown value the new record changes. Fields are compared as shown, so a row
// whose tag would differ only in padding is not written at all.
std::vector<FieldChange> changesBetween(const MP3TagInfo& before, bool hadTag, const MP3TagInfo& after)
{
    std::vector<FieldChange> changes = shownFields(before, hadTag);
    const std::vector<FieldChange> next = shownFields(after, true);
    for (std::size_t i = 0; i < changes.size(); ++i)
        changes[i].after = next[i].before;
    changes.erase(std::remove_if(changes.begin(), changes.end(),
                      [](const FieldChange& change) { return change.before == change.after; }),
        changes.end());
    return changes;
}

std::vector<PlannedRetag> planTags(PlaylistModel& model, const Rows& rows, const QString& format,
    const std::function<QString(const PlaylistRow&)>& textOf)
{
    std::vector<PlannedRetag> plans;
    for (const qsizetype position : rows) {
        const PlaylistRow& row = *model.rowAt(position);
        MP3Node& entry = *row.entry;
        entry.ReadTag();
        const MP3Tag& tag = entry.mp3Tag();
        PlannedRetag plan;
        plan.row = position;
        plan.file = row.text(FileNameColumn);
        if (tag.FileError()) {
            plan.problem = PlannedRetag::Problem::TagUnreadable;
            plans.push_back(std::move(plan));
            continue;
        }
        plan.newTag = !tag.HasID1Tag();
        const ParsedFields fields = parseFields(textOf(row), format);
        // A new tag is filled whole; an existing one keeps the fields the format does not name.
        if (!plan.newTag)
            plan.record = tag.RawInfo();
        if (!(plan.newTag ? storeFields(fields, plan.record) : storeNamedFields(fields, format, plan.record))) {
            reportTrackOutOfRange(fields.track, plan.file);
            plan.problem = PlannedRetag::Problem::TrackOutOfRange;
            plans.push_back(std::move(plan));
            continue;
        }
        plan.changes = changesBetween(tag.RawInfo(), !plan.newTag, plan.record);
        if (!plan.changes.empty())
            plans.push_back(std::move(plan));
    }
    if (!rows.empty())
        model.tagColumnsChanged(
            *std::min_element(rows.begin(), rows.end()), *std::max_element(rows.begin(), rows.end()));
    return plans;
}

} // namespace

std::vector<PlannedRetag> planTagFromFileName(
    PlaylistModel& model, const Rows& rows, const QString& format, bool fullPath)
{
    return planTags(model, rows, format,
        [fullPath](const PlaylistRow& row) { return parsedPartOf(row.text(FileNameColumn), fullPath); });
}

std::vector<PlannedRetag> planTagFromTitle(PlaylistModel& model, const Rows& rows, const QString& format)
{
    return planTags(model, rows, format, [](const PlaylistRow& row) { return row.text(TitleColumn); });
}

QString problemText(PlannedRetag::Problem problem)
{
    switch (problem) {
    case PlannedRetag::Problem::None: return {};
    case PlannedRetag::Problem::TagUnreadable: return QStringLiteral("not written: the tag could not be read");
    case PlannedRetag::Problem::TrackOutOfRange: return QStringLiteral("not written: the track number does not fit");
    }
    return {};
}

void retagAsPlanned(PlaylistModel& model, const std::vector<PlannedRetag>& plans)
{
    qsizetype first = model.size();
    qsizetype last = -1;
    for (const PlannedRetag& plan : plans) {
        if (plan.problem != PlannedRetag::Problem::None)
            continue;
        MP3Node& entry = *model.findItem(plan.row);
        MP3Tag& tag = entry.mp3Tag();
        tag.RawInfo() = plan.record;
        tag.writeTag();
        entry.ReadTag();
        first = std::min(first, plan.row);
        last = std::max(last, plan.row);
    }
    if (last >= 0)
        model.tagColumnsChanged(first, last);
}

} // namespace RetagCommands
