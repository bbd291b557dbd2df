#include "format/MultiTagEdit.h"

#include "base/CodePage.h"
#include "base/PathTools.h"
#include "format/FieldStore.h"
#include "tags/Id3v2Fields.h"

using namespace Qt::StringLiterals;

namespace {

// The number an ID3v1 track or genre field holds: the code of its one character.
QString codeText(const QString& field)
{
    return QString::number(field.isEmpty() ? 0 : field.at(0).unicode());
}

// A genre edit's number: decimal digits alone, 0 to 255.
std::optional<int> genreNumberOf(const QString& text)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok && number >= 0 && number <= 255 && !text.startsWith(u'+') ? std::optional<int>(number) : std::nullopt;
}

QString characterOf(int code)
{
    return QString(QChar(char16_t(code)));
}

} // namespace

namespace MultiTagEdit {

Texts id3v1Texts(const MP3TagInfo& record)
{
    return {PathTools::trimBlanks(record.SongName()), PathTools::trimBlanks(record.Artist()),
        PathTools::trimBlanks(record.Album()), PathTools::trimBlanks(record.Year()),
        PathTools::trimBlanks(record.Comment()), codeText(record.Track()), codeText(record.Genre())};
}

Texts id3v2Texts(const Id3v2Fields& fields)
{
    return {fields.title, fields.artist, fields.album, fields.year, fields.comment, fields.track, fields.genre};
}

CommonTexts commonTexts(const std::vector<Texts>& tags)
{
    CommonTexts common;
    if (tags.empty())
        return common;
    for (std::size_t field = 0; field < FieldCount; ++field)
        common[field].text = tags.front()[field];
    for (const Texts& texts : tags) {
        for (std::size_t field = 0; field < FieldCount; ++field) {
            Common& shared = common[field];
            if (!shared.differs && texts[field] != shared.text) {
                shared.differs = true;
                shared.text.clear();
            }
        }
    }
    return common;
}

bool hasEdits(const Edits& edits)
{
    return std::ranges::any_of(edits, [](const std::optional<QString>& edit) { return edit.has_value(); });
}

std::optional<QString> id3v1Problem(const Edits& edits)
{
    if (edits[Track] && !trackNumberOf(*edits[Track]))
        return u"Track Number must be between 0 and 255."_s;
    if (edits[Genre] && !genreNumberOf(*edits[Genre]))
        return u"The genre must be a number between 0 and 255."_s;
    return std::nullopt;
}

bool applyToId3v1(MP3TagInfo& record, const Edits& edits)
{
    if (id3v1Problem(edits))
        return false;
    const Texts before = {record.SongName(), record.Artist(), record.Album(), record.Year(), record.Comment(),
        record.Track(), record.Genre()};
    const auto stored = [](const QString& text) { return CodePage::toUnicode(CodePage::fromUnicode(text)); };
    if (edits[SongName])
        record.setSongName(stored(*edits[SongName]));
    if (edits[Artist])
        record.setArtist(stored(*edits[Artist]));
    if (edits[Album])
        record.setAlbum(stored(*edits[Album]));
    if (edits[Year])
        record.setYear(stored(*edits[Year]));
    if (edits[Comment])
        record.setComment(stored(*edits[Comment]));
    if (edits[Track])
        record.setTrack(characterOf(*trackNumberOf(*edits[Track])));
    if (edits[Genre])
        record.setGenre(characterOf(*genreNumberOf(*edits[Genre])));
    const Texts after = {record.SongName(), record.Artist(), record.Album(), record.Year(), record.Comment(),
        record.Track(), record.Genre()};
    return after != before;
}

bool applyToId3v2(Id3v2Fields& fields, const Edits& edits)
{
    QString* const targets[FieldCount]
        = {&fields.title, &fields.artist, &fields.album, &fields.year, &fields.comment, &fields.track, &fields.genre};
    bool changed = false;
    for (std::size_t field = 0; field < FieldCount; ++field) {
        if (edits[field] && *targets[field] != *edits[field]) {
            *targets[field] = *edits[field];
            changed = true;
        }
    }
    return changed;
}

} // namespace MultiTagEdit
