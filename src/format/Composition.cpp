#include "format/Composition.h"

#include <utility>

#include "base/PathTools.h"
#include "tags/GenreTable.h"
#include "tags/MP3TagInfo.h"

namespace {

// The code of the field's first character; a field that reads empty (only possible while the
// record ignores its widths) counts as 0.
int codeOf(const QString& field)
{
    return field.isEmpty() ? 0 : field.front().unicode();
}

} // namespace

QString ApplyFormat(const QString& format, const MP3TagInfo& record)
{
    using PathTools::trimBlanks;
    // Every value is computed, whether or not the format holds its token. A code above 255 cannot
    // come from a tag; it is written as it is and has no genre name.
    const std::pair<const QString&, QString> replacements[] = {
        {FormatTokens::Artist, trimBlanks(record.Artist())},
        {FormatTokens::Title, trimBlanks(record.SongName())},
        {FormatTokens::Album, trimBlanks(record.Album())},
        {FormatTokens::Year, trimBlanks(record.Year())},
        {FormatTokens::Comment, trimBlanks(record.Comment())},
        {FormatTokens::Track, QString::number(codeOf(record.Track()))},
        {FormatTokens::Genre, GenreName(codeOf(record.Genre()))},
    };
    QString working = format;
    // QString::replace scans left to right, replaces non-overlapping occurrences and does not look
    // into the text it has put in; the next token is then searched in the whole result.
    for (const auto& [token, value] : replacements)
        working.replace(token, value);
    return working;
}
