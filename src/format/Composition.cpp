#include "format/Composition.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "base/PathTools.h"
#include "tags/GenreTable.h"
#include "tags/Id3v2Fields.h"
#include "tags/MP3TagInfo.h"

namespace {

// The code of the field's first character; a field that reads empty (only possible while the
// record ignores its widths) counts as 0.
int codeOf(const QString& field)
{
    return field.isEmpty() ? 0 : field.front().unicode();
}

} // namespace

TokenPlace firstPlaceOf(const QString& format, const QString& token)
{
    if (token.isEmpty())
        return {};
    const qsizetype at = format.indexOf(token);
    if (token != FormatTokens::Track)
        return {at, at < 0 ? 0 : token.size()};
    // "<k>" never occurs inside "<kk>", so the two searches do not see each other's tokens.
    const qsizetype padded = format.indexOf(FormatTokens::TrackTwoDigits);
    if (padded >= 0 && (at < 0 || padded < at))
        return {padded, FormatTokens::TrackTwoDigits.size()};
    return {at, at < 0 ? 0 : token.size()};
}

QString twoDigitTrack(const QString& track)
{
    if (track.size() == 1 && track[0] >= u'1' && track[0] <= u'9')
        return u'0' + track;
    return track;
}

FieldTexts id3v1Texts(const MP3TagInfo& record)
{
    using PathTools::trimBlanks;
    // A code above 255 cannot come from a tag; it is written as it is and has no genre name.
    FieldTexts texts;
    texts.album = trimBlanks(record.Album());
    texts.artist = trimBlanks(record.Artist());
    texts.comment = trimBlanks(record.Comment());
    texts.genre = GenreName(codeOf(record.Genre()));
    texts.title = trimBlanks(record.SongName());
    texts.track = QString::number(codeOf(record.Track()));
    texts.year = trimBlanks(record.Year());
    return texts;
}

const std::array<FormatField, 7>& formatFields()
{
    // Made on first use: the tokens it refers to are made before main, in no set order.
    static const std::array<FormatField, 7> fields = {{
        {FormatTokens::Title, u"Title", &FieldTexts::title, &Id3v2Fields::title},
        {FormatTokens::Artist, u"Artist", &FieldTexts::artist, &Id3v2Fields::artist},
        {FormatTokens::Album, u"Album", &FieldTexts::album, &Id3v2Fields::album},
        {FormatTokens::Year, u"Year", &FieldTexts::year, &Id3v2Fields::year},
        {FormatTokens::Comment, u"Comment", &FieldTexts::comment, &Id3v2Fields::comment},
        {FormatTokens::Track, u"Track", &FieldTexts::track, &Id3v2Fields::track},
        {FormatTokens::Genre, u"Genre", &FieldTexts::genre, &Id3v2Fields::genre},
    }};
    return fields;
}

FieldTexts id3v2Texts(const Id3v2Fields& fields)
{
    FieldTexts texts;
    for (const FormatField& field : formatFields())
        texts.*field.text = fields.*field.id3v2;
    // "3/12" would put a folder separator into every name made with <k>.
    texts.track = fields.track.left(fields.track.indexOf(u'/'));
    return texts;
}

ComposedText composeFormat(const QString& format, const FieldTexts& values)
{
    const QString paddedTrack = twoDigitTrack(values.track);
    // The longest token first, so that "<kk>" is never read as "<k" followed by "k>".
    const std::pair<const QString&, const QString&> replacements[] = {
        {FormatTokens::TrackTwoDigits, paddedTrack},
        {FormatTokens::Artist, values.artist},
        {FormatTokens::Title, values.title},
        {FormatTokens::Album, values.album},
        {FormatTokens::Year, values.year},
        {FormatTokens::Comment, values.comment},
        {FormatTokens::Track, values.track},
        {FormatTokens::Genre, values.genre},
    };
    constexpr qsizetype ShortestToken = 3;
    ComposedText composed;
    composed.text.reserve(format.size());
    const auto put = [&composed](QStringView text, bool value) {
        composed.text += text;
        composed.fromValue.insert(composed.fromValue.end(), std::size_t(text.size()), value);
    };
    qsizetype literal = 0; // where the literal text not yet put in begins
    for (qsizetype i = 0; i + ShortestToken <= format.size();) {
        if (format[i] != u'<') {
            ++i;
            continue;
        }
        const QStringView rest = QStringView(format).sliced(i);
        const auto token = std::find_if(std::begin(replacements), std::end(replacements),
            [rest](const auto& replacement) { return rest.startsWith(replacement.first); });
        if (token == std::end(replacements)) {
            ++i;
            continue;
        }
        put(QStringView(format).mid(literal, i - literal), false);
        put(token->second, true);
        i += token->first.size();
        literal = i;
    }
    put(QStringView(format).mid(literal), false);
    return composed;
}

QString ApplyFormat(const QString& format, const FieldTexts& values)
{
    return composeFormat(format, values).text;
}

ComposedText composeFormat(const QString& format, const MP3TagInfo& record)
{
    return composeFormat(format, id3v1Texts(record));
}

QString ApplyFormat(const QString& format, const MP3TagInfo& record)
{
    return composeFormat(format, record).text;
}

bool valuesShapeFolders(const ComposedText& composed)
{
    const QString& text = composed.text;
    const auto isSeparator = [](QChar c) { return c == u'/' || c == PathTools::separator(); };
    const auto isDots = [](QStringView part) { return part == u"." || part == u".."; };
    // One pass: a value's separator is refused at once; so is a value (or run of values) that is
    // "." or "..", and a component that is "." or ".." when a value put in any of its characters.
    qsizetype component = 0;
    qsizetype run = -1; // where the run of value characters being read began
    bool valueInComponent = false;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool fromValue = i < text.size() && composed.fromValue[std::size_t(i)];
        if (fromValue && run < 0)
            run = i;
        if (!fromValue && run >= 0) {
            if (isDots(QStringView(text).mid(run, i - run)))
                return true;
            run = -1;
        }
        if (i == text.size() || isSeparator(text[i])) {
            if (fromValue)
                return true;
            if (valueInComponent && isDots(QStringView(text).mid(component, i - component)))
                return true;
            component = i + 1;
            valueInComponent = false;
        } else {
            valueInComponent = valueInComponent || fromValue;
        }
    }
    return false;
}
