// Format strings, parsed and composed. The input gives a flag byte, the format and the text (as
// UTF-8, or as raw UTF-16 when the flag's low bit is set, so that any characters occur).
//
// Parsing: every one of the seven parsed values is empty or a stretch of the text, empty when the
// format lacks its token; FieldStart and FieldEnd stay within the text; at most one message per
// field. Storing: the values go into a record exactly when their track number fits in a byte.
// Composition, from a record with the tag's widths and from one without widths (as the two-step
// commands use): a format without tokens gives itself, and no output is longer than the bound
// that each token's replacement allows (a token of 3 characters becomes a value of n, so the
// text grows at most by n / 3 per token kind; "<kk>" is longer and its value, the track's padded
// to two digits, is longer than the track's only when that is shorter than 3). Compositions whose bound is past 1 Mi
// characters are skipped, to keep each input quick.

#include <array>
#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "base/PathTools.h"
#include "format/Composition.h"
#include "format/FieldStore.h"
#include "format/Parsing.h"
#include "tags/GenreTable.h"

namespace {

constexpr std::size_t kMaxFormat = 256;
constexpr std::size_t kMaxText = 1024;
constexpr double kMaxComposed = 1 << 20;

bool isStretchOf(const QString& value, const QString& text)
{
    return value.isEmpty() || text.contains(value);
}

int codeOf(const QString& field)
{
    return field.isEmpty() ? 0 : field.front().unicode();
}

// The most characters ApplyFormat can give for the record.
double composedBound(const QString& format, const MP3TagInfo& record)
{
    using PathTools::trimBlanks;
    const std::array<QString, 7> values = {trimBlanks(record.Artist()), trimBlanks(record.SongName()),
        trimBlanks(record.Album()), trimBlanks(record.Year()), trimBlanks(record.Comment()),
        QString::number(codeOf(record.Track())), GenreName(codeOf(record.Genre()))};
    double bound = double(format.size());
    for (const QString& value : values) {
        if (value.size() > 3)
            bound = bound * double(value.size()) / 3.0;
    }
    return bound;
}

void checkComposition(const QString& format, const MP3TagInfo& record)
{
    const double bound = composedBound(format, record);
    if (bound > kMaxComposed)
        return;
    const QString composed = ApplyFormat(format, record);
    FUZZ_CHECK(double(composed.size()) <= bound);
    if (!format.contains(u'<'))
        FUZZ_CHECK(composed == format);
}

// The track's token stands for "<kk>" too: the field is read at the first of the two.
void checkParse(const QString& text, const QString& format, const QString& token, const QString& value)
{
    FUZZ_CHECK(isStretchOf(value, text));
    qsizetype at = format.indexOf(token);
    qsizetype size = token.size();
    const qsizetype padded = format.indexOf(FormatTokens::TrackTwoDigits);
    if (token == FormatTokens::Track && padded >= 0 && (at < 0 || padded < at)) {
        at = padded;
        size = FormatTokens::TrackTwoDigits.size();
    }
    FUZZ_CHECK(at >= 0 || value.isEmpty());
    if (at < 0)
        return;
    const qsizetype start = FieldStart(text, TokensToBars(format.left(at)));
    const qsizetype end = FieldEnd(text, TokensToBars(format.sliced(at + size)));
    FUZZ_CHECK(start >= 0 && start <= text.size() + 1);
    FUZZ_CHECK(end >= 0 && end <= text.size());
    // A value found is the stretch between the two positions.
    if (!value.isEmpty())
        FUZZ_CHECK(value == text.sliced(start - 1, end - start + 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::messages().reset();
    FuzzedDataProvider input(data, size);
    const bool raw = input.ConsumeIntegral<std::uint8_t>() & 1;
    const std::string formatBytes = input.ConsumeRandomLengthString(kMaxFormat * (raw ? 2 : 1));
    const std::vector<std::uint8_t> textBytes = input.ConsumeBytes<std::uint8_t>(kMaxText * (raw ? 2 : 1));
    const QString format = Fuzz::textOf(QByteArrayView(formatBytes.data(), qsizetype(formatBytes.size())), raw);
    const QString text = Fuzz::textOf(Fuzz::bytesOf(textBytes.data(), textBytes.size()), raw);

    const ParsedFields fields = parseFields(text, format);
    FUZZ_CHECK(Fuzz::messages().shown() <= 7);
    checkParse(text, format, FormatTokens::Album, fields.album);
    checkParse(text, format, FormatTokens::Artist, fields.artist);
    checkParse(text, format, FormatTokens::Comment, fields.comment);
    checkParse(text, format, FormatTokens::Genre, fields.genre);
    checkParse(text, format, FormatTokens::Title, fields.title);
    checkParse(text, format, FormatTokens::Track, fields.track);
    checkParse(text, format, FormatTokens::Year, fields.year);

    const std::optional<int> track = trackNumberOf(fields.track);
    FUZZ_CHECK(!track || (*track >= 0 && *track <= 255));
    MP3TagInfo tag;
    MP3TagInfo free;
    free.setIgnoreLength(true);
    // The genre list beside the program loads, so only the track can stop a store.
    BatchGenres genres;
    FUZZ_CHECK((storeFields(fields, tag, genres) == Stored::Yes) == track.has_value());
    FUZZ_CHECK((storeFields(fields, free, genres) == Stored::Yes) == track.has_value());
    if (track) {
        FUZZ_CHECK(tag.Track().at(0).unicode() == *track && free.Track() == QString(QChar(char16_t(*track))));
        FUZZ_CHECK(free.SongName() == fields.title && free.Artist() == fields.artist);
    }
    checkComposition(format, tag);
    checkComposition(format, free);
    return 0;
}
