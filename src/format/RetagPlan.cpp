#include "format/RetagPlan.h"

#include <algorithm>
#include <functional>

#include "base/PathTools.h"
#include "format/Composition.h"
#include "format/FieldStore.h"
#include "journal/Journal.h"
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

// The seven fields in the order a preview lists them, each with its raw value and as shown.
struct FieldView {
    const char16_t* name;
    QString (MP3TagInfo::*value)() const;
    enum { Text, Number, GenreNumber } kind;
};
constexpr FieldView kFields[] = {
    {u"Title", &MP3TagInfo::SongName, FieldView::Text},
    {u"Artist", &MP3TagInfo::Artist, FieldView::Text},
    {u"Album", &MP3TagInfo::Album, FieldView::Text},
    {u"Year", &MP3TagInfo::Year, FieldView::Text},
    {u"Comment", &MP3TagInfo::Comment, FieldView::Text},
    {u"Track", &MP3TagInfo::Track, FieldView::Number},
    {u"Genre", &MP3TagInfo::Genre, FieldView::GenreNumber},
};

QString shown(const FieldView& view, const QString& value)
{
    switch (view.kind) {
    case FieldView::Text: return PathTools::trimBlanks(value);
    case FieldView::Number: return QString::number(codeOf(value));
    case FieldView::GenreNumber: return genreText(codeOf(value));
    }
    return {};
}

// The fields whose shown value the new record changes; a file without a tag shows empty old
// values. Fields are compared as shown, so a row whose tag would differ only in padding is not
// written at all; a field whose bytes stay is not even turned into text.
std::vector<FieldChange> changesBetween(const MP3TagInfo& before, bool hadTag, const MP3TagInfo& after)
{
    std::vector<FieldChange> changes;
    for (const FieldView& view : kFields) {
        const QString old = hadTag ? (before.*view.value)() : QString();
        const QString next = (after.*view.value)();
        if (hadTag && old == next)
            continue;
        FieldChange change{QString::fromUtf16(view.name), hadTag ? shown(view, old) : QString(), shown(view, next)};
        if (change.before != change.after)
            changes.push_back(std::move(change));
    }
    return changes;
}

// Plans a row's ID3v2 fields from its readable tag, or from none: the fields the format names take
// the parsed texts. The changes are the fields that would read back otherwise than they read now,
// so a genre number whose name the tag already shows changes nothing.
void planId3v2(PlannedRetag& plan, const Id3v2Reading& reading, const ParsedFields& fields, const QString& format)
{
    plan.newTag = reading.state == Id3v2Reading::State::None;
    plan.id3v2 = reading.fields;
    storeNamedFields(fields, format, plan.id3v2);
    for (const FormatField& field : formatFields()) {
        const QString& before = reading.fields.*field.id3v2;
        const QString& wanted = plan.id3v2.*field.id3v2;
        const QString after
            = field.id3v2 == &Id3v2Fields::genre ? Id3v2::genreText(wanted, Id3v2::programGenreName) : wanted;
        if (before != after)
            plan.changes.push_back({QString::fromUtf16(field.name), before, after});
    }
}

// The fields of a planned ID3v2 change set in the tag as it is now.
void applyPlanned(const PlannedRetag& plan, Id3v2Fields& now)
{
    for (const FieldChange& change : plan.changes) {
        for (const FormatField& field : formatFields()) {
            if (change.field == field.name)
                now.*field.id3v2 = plan.id3v2.*field.id3v2;
        }
    }
}

std::vector<PlannedRetag> planTags(PlaylistModel& model, const Rows& rows, const QString& format,
    const std::function<QString(const PlaylistRow&)>& textOf)
{
    std::vector<PlannedRetag> plans;
    BatchGenres genres; // a list that cannot be loaded says so once for the batch
    const TagChoice use = model.formatStringsUse();
    for (const qsizetype position : rows) {
        PlaylistRow& row = *model.rowAt(position);
        MP3Node& entry = row.entry();
        entry.ReadTag();
        const MP3Tag& tag = entry.mp3Tag();
        PlannedRetag plan;
        plan.row = position;
        plan.file = row.text(FileNameColumn);
        plan.tag = use;
        const bool unreadable
            = tag.FileError() || (use == TagChoice::Id3v2 && tag.Id3v2Tag().state == Id3v2Reading::State::Unreadable);
        if (unreadable) {
            // A read that failed said why; an ID3v2 tag that cannot be read is told here.
            if (!tag.FileError())
                tag.reportUnreadableId3v2();
            plan.problem = PlannedRetag::Problem::TagUnreadable;
            plans.push_back(std::move(plan));
            continue;
        }
        const ParsedFields fields = parseFields(textOf(row), format);
        if (use == TagChoice::Id3v2) {
            planId3v2(plan, tag.Id3v2Tag(), fields, format);
            if (!plan.changes.empty())
                plans.push_back(std::move(plan));
            continue;
        }
        plan.newTag = !tag.HasID1Tag();
        // A new tag is filled whole; an existing one keeps the fields the format does not name.
        if (!plan.newTag)
            plan.record = tag.RawInfo();
        const Stored stored = plan.newTag ? storeFields(fields, plan.record, genres)
                                          : storeNamedFields(fields, format, plan.record, genres);
        if (stored != Stored::Yes) {
            if (stored == Stored::TrackOutOfRange)
                reportTrackOutOfRange(fields.track, plan.file);
            plan.problem = stored == Stored::TrackOutOfRange ? PlannedRetag::Problem::TrackOutOfRange
                                                             : PlannedRetag::Problem::GenreListMissing;
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
    case PlannedRetag::Problem::GenreListMissing:
        return QStringLiteral("not written: the genre list could not be loaded to number the genre");
    }
    return {};
}

void retagAsPlanned(PlaylistModel& model, const std::vector<PlannedRetag>& plans, AfterWriting after)
{
    qsizetype first = model.size();
    qsizetype last = -1;
    QStringList tails;
    for (const PlannedRetag& plan : plans)
        if (plan.problem == PlannedRetag::Problem::None && plan.tag != TagChoice::Id3v2)
            tails.append(model.findItem(plan.row)->mp3Tag().path());
    Journal::expectTailChanges(tails);
    for (const PlannedRetag& plan : plans) {
        if (plan.problem != PlannedRetag::Problem::None)
            continue;
        MP3Node& entry = *model.findItem(plan.row);
        MP3Tag& tag = entry.mp3Tag();
        if (plan.tag == TagChoice::Id3v2) {
            tag.changeId3v2([&plan](Id3v2Fields& now) { applyPlanned(plan, now); }, model.newTagVersion());
        } else {
            tag.RawInfo() = plan.record;
            tag.writeTag();
        }
        if (after == AfterWriting::ReadBack)
            entry.ReadTag();
        first = std::min(first, plan.row);
        last = std::max(last, plan.row);
    }
    if (last >= 0)
        model.tagColumnsChanged(first, last);
}

} // namespace RetagCommands
