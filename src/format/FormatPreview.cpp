#include "format/FormatPreview.h"

#include "base/Messages.h"
#include "base/PathTools.h"
#include "format/Composition.h"
#include "format/FieldStore.h"
#include "playlist/PlaylistModel.h"

namespace FormatPreview {

namespace {

// How many rows a preview shows.
constexpr std::size_t kRows = 5;

// Keeps a preview's messages from the user: a parse that finds no room for a field, a track that
// does not fit. The command run afterwards shows them.
class Unshown : public Messages {
public:
    Answer show(const QString&, const QString&, Icon, Buttons) override { return Answer::No; }
    void beep() override { }
};

// The preview's lines, each made from one row with its messages kept back.
Lines eachRow(const PlaylistModel& model, const RetagCommands::Rows& rows,
    std::function<Line(const PlaylistRow& row, const QString& format, bool fullPath)> line)
{
    return [&model, rows = firstRows(rows), line = std::move(line)](const QString& format, bool fullPath) {
        Unshown unshown;
        const MessagesScope scope(unshown);
        std::vector<Line> lines;
        for (const qsizetype position : rows) {
            if (const PlaylistRow* row = model.rowAt(position))
                lines.push_back(line(*row, format, fullPath));
        }
        return lines;
    };
}

QString fieldsText(const FieldTexts& values, const QString& format)
{
    QStringList named;
    for (const FormatField& field : formatFields()) {
        if (firstPlaceOf(format, field.token).position >= 0)
            named.append(QString::fromUtf16(field.name) + QStringLiteral(": ") + values.*field.text);
    }
    return named.join(QStringLiteral("; "));
}

// The values of the row's tag in use as it was read; empty with the reason in *why when the tag
// has not been read, could not be read or is not there.
std::optional<FieldTexts> tagAsRead(const PlaylistRow& row, TagChoice use, QString* why)
{
    const MP3Tag& tag = row.mp3Tag();
    if (tag.FileError()) {
        *why = QStringLiteral("(the file could not be read)");
        return std::nullopt;
    }
    if (!tag.TagRead()) {
        *why = QStringLiteral("(its tag has not been read yet)");
        return std::nullopt;
    }
    if (use == TagChoice::Id3v1 && tag.HasID1Tag())
        return id3v1Texts(tag.RawInfo());
    if (use == TagChoice::Id3v2 && tag.Id3v2Tag().state == Id3v2Reading::State::Read)
        return id3v2Texts(tag.Id3v2Tag().fields);
    *why = use == TagChoice::Id3v1 ? QStringLiteral("(no ID3v1 tag)") : QStringLiteral("(no readable ID3v2 tag)");
    return std::nullopt;
}

QString shownRename(const RetagCommands::PlannedRename& plan)
{
    const QString problem = RetagCommands::problemText(plan);
    return problem.isEmpty() ? plan.newShown : plan.newShown + QStringLiteral("  (") + problem + u')';
}

} // namespace

RetagCommands::Rows firstRows(const RetagCommands::Rows& selected)
{
    return RetagCommands::Rows(selected.begin(), selected.begin() + qsizetype(std::min(selected.size(), kRows)));
}

Lines fieldsOfFileName(const PlaylistModel& model, const RetagCommands::Rows& rows)
{
    return eachRow(model, rows, [](const PlaylistRow& row, const QString& format, bool fullPath) {
        const QString text = RetagCommands::parsedPartOf(row.text(FileNameColumn), fullPath);
        return Line{text, fieldsText(parseFields(text, format), format)};
    });
}

Lines fieldsOfTitle(const PlaylistModel& model, const RetagCommands::Rows& rows)
{
    return eachRow(model, rows, [](const PlaylistRow& row, const QString& format, bool) {
        const QString text = row.text(TitleColumn);
        return Line{text, fieldsText(parseFields(text, format), format)};
    });
}

Lines titleFromTag(const PlaylistModel& model, const RetagCommands::Rows& rows)
{
    const TagChoice use = model.formatStringsUse();
    return eachRow(model, rows, [use](const PlaylistRow& row, const QString& format, bool) {
        QString why;
        const std::optional<FieldTexts> values = tagAsRead(row, use, &why);
        return Line{row.text(TitleColumn), values ? ApplyFormat(format, *values) : why};
    });
}

Lines fileNameFromTag(const PlaylistModel& model, const RetagCommands::Rows& rows)
{
    const TagChoice use = model.formatStringsUse();
    return eachRow(model, rows, [use](const PlaylistRow& row, const QString& format, bool fullPath) {
        const QString& file = row.text(FileNameColumn);
        QString why;
        const std::optional<FieldTexts> values = tagAsRead(row, use, &why);
        if (!values)
            return Line{fullPath ? file : PathTools::fileNameOf(file), why};
        const RetagCommands::PlannedRename plan
            = RetagCommands::planRename(row.position, file, composeFormat(format, *values), fullPath);
        return Line{plan.oldShown, shownRename(plan)};
    });
}

Lines titleFromFileName(
    const PlaylistModel& model, const RetagCommands::Rows& rows, const QString& separating, bool separatingFullPath)
{
    return eachRow(
        model, rows, [&model, separating, separatingFullPath](const PlaylistRow& row, const QString& format, bool) {
            const std::vector<QString> titles
                = RetagCommands::titlesFromFileName(model, {row.position}, separating, separatingFullPath, format);
            return Line{row.text(TitleColumn), titles.front()};
        });
}

Lines fileNameFromTitle(const PlaylistModel& model, const RetagCommands::Rows& rows, const QString& separating)
{
    return eachRow(model, rows, [&model, separating](const PlaylistRow& row, const QString& format, bool fullPath) {
        const std::vector<RetagCommands::PlannedRename> plans
            = RetagCommands::planFileNameFromTitle(model, {row.position}, separating, format, fullPath);
        return Line{plans.front().oldShown, shownRename(plans.front())};
    });
}

} // namespace FormatPreview
