#include "format/FieldStore.h"

#include <algorithm>

#include <QDir>

#include "format/Composition.h"
#include "format/Parsing.h"
#include "tags/GenreTable.h"
#include "tags/Id3v2Fields.h"

using namespace Qt::StringLiterals;

namespace {

bool isBlank(QChar c)
{
    return c == QChar(0) || c == u'\t' || c == u' ';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

QString characterOf(int code)
{
    return QString(QChar(char16_t(code)));
}

} // namespace

ParsedFields parseFields(const QString& text, const QString& format)
{
    ParsedFields fields;
    fields.album = ParseAlbum(text, format);
    fields.artist = ParseArtist(text, format);
    fields.comment = ParseComment(text, format);
    fields.genre = ParseGenre(text, format);
    fields.title = ParseTitle(text, format);
    fields.track = ParseTrack(text, format);
    fields.year = ParseYear(text, format);
    return fields;
}

std::optional<int> trackNumberOf(const QString& value)
{
    // Only leading blanks are skipped; the number ends at the first character that cannot
    // continue it, so "23abc" is 23 and "1 2" is 1. Digits are the ASCII ones, the decimal point
    // is "." whatever the locale, and there is no exponent.
    constexpr int Limit = 256; // every whole part from here on is out of range, however long
    qsizetype i = 0;
    const qsizetype size = value.size();
    while (i < size && isBlank(value[i]))
        ++i;
    bool negative = false;
    if (i < size && (value[i] == u'+' || value[i] == u'-')) {
        negative = value[i] == u'-';
        ++i;
    }
    int whole = 0;
    for (; i < size && isDigit(value[i]); ++i)
        whole = std::min(whole * 10 + (value[i].unicode() - u'0'), Limit);
    // Rounding is decided on the decimal digits themselves, so no length of fraction loses the
    // difference between a half and a little more than a half.
    bool roundUp = false;
    if (i < size && value[i] == u'.' && ++i < size && isDigit(value[i])) {
        const int first = value[i].unicode() - u'0';
        bool moreThanHalf = first > 5;
        if (first == 5) {
            for (++i; i < size && isDigit(value[i]) && !moreThanHalf; ++i)
                moreThanHalf = value[i] != u'0';
        }
        roundUp = moreThanHalf || (first == 5 && whole % 2 == 1);
    }
    const int rounded = std::min(whole + (roundUp ? 1 : 0), Limit);
    // A negative number that rounds to zero is zero; any other negative number does not fit.
    if (rounded >= Limit || (negative && rounded != 0))
        return std::nullopt;
    return rounded;
}

Stored storeFields(const ParsedFields& fields, MP3TagInfo& record, BatchGenres& genres)
{
    const std::optional<int> track = trackNumberOf(fields.track);
    if (!track)
        return Stored::TrackOutOfRange;
    const std::optional<int> genre = genres.numberOf(fields.genre);
    record.setAlbum(fields.album);
    record.setArtist(fields.artist);
    record.setComment(fields.comment);
    record.setGenre(characterOf(genre.value_or(GenreTable::UnknownGenre)));
    record.setSongName(fields.title);
    record.setTrack(characterOf(*track));
    record.setYear(fields.year);
    return genre ? Stored::Yes : Stored::GenreListMissing;
}

Stored storeNamedFields(const ParsedFields& fields, const QString& format, MP3TagInfo& record, BatchGenres& genres)
{
    const auto named = [&format](const QString& token) { return firstPlaceOf(format, token).position >= 0; };
    const std::optional<int> track = named(FormatTokens::Track) ? trackNumberOf(fields.track) : std::optional<int>(0);
    if (!track)
        return Stored::TrackOutOfRange;
    const std::optional<int> genre = named(FormatTokens::Genre) ? genres.numberOf(fields.genre) : std::nullopt;
    if (named(FormatTokens::Album))
        record.setAlbum(fields.album);
    if (named(FormatTokens::Artist))
        record.setArtist(fields.artist);
    if (named(FormatTokens::Comment))
        record.setComment(fields.comment);
    if (named(FormatTokens::Genre))
        record.setGenre(characterOf(genre.value_or(GenreTable::UnknownGenre)));
    if (named(FormatTokens::Title))
        record.setSongName(fields.title);
    if (named(FormatTokens::Track))
        record.setTrack(characterOf(*track));
    if (named(FormatTokens::Year))
        record.setYear(fields.year);
    return named(FormatTokens::Genre) && !genre ? Stored::GenreListMissing : Stored::Yes;
}

void storeNamedFields(const ParsedFields& fields, const QString& format, Id3v2Fields& tag)
{
    for (const FormatField& field : formatFields()) {
        if (firstPlaceOf(format, field.token).position >= 0)
            tag.*field.id3v2 = fields.*field.text;
    }
}

MP3TagInfo sampleRecord()
{
    MP3TagInfo record;
    record.setSongName(u"Hey Jude"_s);
    record.setArtist(u"Beatles, The"_s);
    record.setAlbum(u"White Album, The"_s);
    record.setYear(u"1968"_s);
    record.setComment(u"Not a bad song"_s);
    record.setTrack(characterOf(23));
    record.setGenre(characterOf(GenreNumber(u"Rock & Roll"_s)));
    record.setTag(u"TAG"_s);
    return record;
}

QString fullPathExampleFormat()
{
#ifdef Q_OS_WIN
    return u"C:\\Music\\<a> - <t>.mp3"_s;
#else
    return QDir::homePath() + u"/Music/<a> - <t>.mp3"_s;
#endif
}
