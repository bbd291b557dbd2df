#include "playlist/Mismatch.h"

#include <algorithm>

#include <QStringBuilder>

#include "base/PathTools.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"
#include "tags/MP3Tag.h"

namespace Mismatch {

namespace {

bool isSeparator(QChar c)
{
    return c == u'_' || c == u'-' || c.isSpace();
}

} // namespace

QString comparableText(QStringView text)
{
    const QString folded = text.toString().toCaseFolded();
    QString comparable;
    comparable.reserve(folded.size());
    bool spaceDue = false;
    for (const QChar c : folded) {
        if (isSeparator(c)) {
            spaceDue = !comparable.isEmpty();
            continue;
        }
        if (spaceDue) {
            comparable += u' ';
            spaceDue = false;
        }
        comparable += c;
    }
    return comparable;
}

std::optional<QString> tagText(const MP3Tag& tag, TagChoice use)
{
    if (!tag.TagRead() || tag.FileError())
        return std::nullopt;
    QString artist;
    QString title;
    if (use == TagChoice::Id3v1) {
        if (!tag.HasID1Tag())
            return std::nullopt;
        artist = tag.Artist();
        title = tag.SongName();
    } else {
        const Id3v2Reading& reading = tag.Id3v2Tag();
        if (reading.state != Id3v2Reading::State::Read)
            return std::nullopt;
        artist = reading.fields.artist;
        title = reading.fields.title;
    }
    if (PathTools::trimmedOfBlanks(artist).isEmpty() && PathTools::trimmedOfBlanks(title).isEmpty())
        return std::nullopt;
    return artist % QStringLiteral(" - ") % title;
}

bool textsAgree(QStringView fileName, QStringView title, const std::optional<QString>& tag)
{
    const QString name = comparableText(fileName);
    return name == comparableText(title) && (!tag || name == comparableText(*tag));
}

std::vector<qsizetype> mismatchedRows(PlaylistModel& model, UnreadTags unread)
{
    std::vector<qsizetype> mismatched;
    qsizetype firstRead = model.size();
    qsizetype lastRead = -1;
    for (qsizetype position = 0; position < model.size(); ++position) {
        PlaylistRow& row = *model.rowAt(position);
        const MP3Tag& tag = row.mp3Tag();
        if (unread == UnreadTags::Read && !tag.TagRead() && !tag.FileError()) {
            row.ReadTag();
            firstRead = std::min(firstRead, position);
            lastRead = position;
        }
        if (!textsAgree(titleOfFile(row.file()), row.text(TitleColumn), tagText(tag, model.formatStringsUse())))
            mismatched.push_back(position);
    }
    if (lastRead >= 0)
        model.tagColumnsChanged(firstRead, lastRead);
    return mismatched;
}

std::vector<qsizetype> selectMismatchedRows(PlaylistModel& model)
{
    std::vector<qsizetype> mismatched = mismatchedRows(model, UnreadTags::Read);
    std::vector<bool> selected(std::size_t(model.size()), false);
    for (const qsizetype position : mismatched)
        selected[std::size_t(position)] = true;
    RowCommands::setSelectedRows(model, selected);
    return mismatched;
}

} // namespace Mismatch
