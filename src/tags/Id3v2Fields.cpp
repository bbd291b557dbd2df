#include "tags/Id3v2Fields.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tfile.h>

#include <QSet>

#include "base/FileOps.h"
#include "tags/GenreTable.h"
#include "tags/Id3v2.h"
#include "tags/Id3v2Plain.h"

namespace {

constexpr unsigned char kUnsynchronised = 0x80;
constexpr unsigned char kExtendedHeader = 0x40; // in 2.2 the same bit means a compressed tag

quint32 bigEndian(QByteArrayView bytes)
{
    quint32 value = 0;
    for (const char byte : bytes)
        value = value << 8 | static_cast<unsigned char>(byte);
    return value;
}

// Seven bits of each byte; empty when a byte has its top bit set.
std::optional<quint32> syncsafe(QByteArrayView bytes)
{
    quint32 value = 0;
    for (const char byte : bytes) {
        if (static_cast<unsigned char>(byte) >= 0x80)
            return std::nullopt;
        value = value << 7 | static_cast<unsigned char>(byte);
    }
    return value;
}

// The bytes with a tag's unsynchronisation undone: each 0xFF 0x00 back to 0xFF.
QByteArray resynchronised(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(bytes[i]);
        if (bytes[i] == '\xFF' && i + 1 < bytes.size() && bytes[i + 1] == '\0')
            ++i;
    }
    return out;
}

// The frames the program shows, identified as each version names them (2.2 with three letters).
bool isShownFrame(QByteArrayView id)
{
    // TRDC is an old misspelling of TDRC that the parser takes as it in a 2.4 tag.
    static constexpr const char* kShown[] = {"TIT2", "TPE1", "TALB", "TDRC", "TYER", "TRDC", "TRCK", "TCON", "COMM",
        "TT2", "TP1", "TAL", "TYE", "TRK", "TCO", "COM"};
    return std::any_of(std::begin(kShown), std::end(kShown), [id](const char* shown) { return id == shown; });
}

// The bytes of the frame at offset at of a body, header included: nothing when the header's
// identifier is not capital letters and digits or the frame runs past the body's end.
std::optional<qsizetype> frameSizeAt(QByteArrayView body, qsizetype at, int version)
{
    const qsizetype idSize = version == 2 ? 3 : 4;
    const qsizetype headerSize = version == 2 ? 6 : 10;
    if (body.size() - at < headerSize)
        return std::nullopt;
    const QByteArrayView id = body.sliced(at, idSize);
    if (!std::all_of(id.begin(), id.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }))
        return std::nullopt;
    const QByteArrayView sizeBytes = body.sliced(at + idSize, version == 2 ? 3 : 4);
    const std::optional<quint32> size = version == 4 ? syncsafe(sizeBytes) : bigEndian(sizeBytes);
    if (!size || *size > quint64(body.size() - at - headerSize))
        return std::nullopt;
    return headerSize + qsizetype(*size);
}

// The frames of a body (those the program shows, or all), copied whole, header and all, in their
// order: with Shown the parser makes no object of a picture or any other frame, whatever its size,
// and with All it is given no padding. Empty when the
// frames, walked by their headers alone, do not fill the body up to where zero padding fills the
// rest: a header whose identifier is not capital letters and digits, or a frame that runs past the
// end, is not a frame, and such bytes would otherwise pass for an empty tag. So is a shown frame
// whose text encoding is none of the four.
std::optional<QByteArray> framesOf(QByteArrayView body, int version, Id3v2::Frames frames)
{
    QByteArray shown;
    qsizetype at = 0;
    while (at < body.size()) {
        if (body[at] == '\0') {
            // Padding: every byte equal to its neighbour, the first being zero (one vectorised
            // comparison rather than a byte at a time: most tags end in a kilobyte of it).
            const char* padding = body.data() + at;
            const std::size_t rest = std::size_t(body.size() - at);
            if (std::memcmp(padding, padding + 1, rest - 1) != 0)
                return std::nullopt;
            break;
        }
        const std::optional<qsizetype> frameSize = frameSizeAt(body, at, version);
        if (!frameSize)
            return std::nullopt;
        const bool isShown = isShownFrame(body.sliced(at, version == 2 ? 3 : 4));
        // A shown frame's text starts with its encoding, 0 to 3 (unless format flags put other
        // bytes first): another value leaves the parser guessing, and a rewrite would not keep
        // what it guessed.
        const qsizetype headerSize = version == 2 ? 6 : 10;
        const bool formatFlags = version > 2 && body[at + 9] != '\0';
        if (isShown && !formatFlags && *frameSize > headerSize && static_cast<unsigned char>(body[at + headerSize]) > 3)
            return std::nullopt;
        if (frames == Id3v2::Frames::All || isShown)
            shown += body.sliced(at, *frameSize);
        at += *frameSize;
    }
    return shown;
}

// Why a rewrite would not keep the frames (whole, one after another) as they are, or nothing: the
// parser reads an encrypted, compressed or grouped frame but renders it without those marks, drops
// a frame that asks to be dropped when the tag changes, and keeps one text frame of an identifier
// (but the user-defined ones, which differ by description).
std::optional<QString> unkeptFrames(QByteArrayView frames, int version)
{
    const qsizetype idSize = version == 2 ? 3 : 4;
    const unsigned char sealed = version == 2 ? 0 : version == 3 ? 0xE0 : 0x4C;
    QSet<QByteArray> texts;
    for (qsizetype at = 0; at < frames.size(); at += *frameSizeAt(frames, at, version)) {
        if (version > 2 && (static_cast<unsigned char>(frames[at + 9]) & sealed))
            return QStringLiteral("the tag holds an encrypted, compressed or grouped frame");
        if (version > 2 && (static_cast<unsigned char>(frames[at + 8]) & (version == 3 ? 0x80 : 0x40)))
            return QStringLiteral("the tag holds a frame that is to be dropped when the tag changes");
        const QByteArrayView id = frames.sliced(at, idSize);
        const bool userText = id == (version == 2 ? QByteArrayView("TXX") : QByteArrayView("TXXX"));
        if (id.front() == 'T' && !userText) {
            const qsizetype before = texts.size();
            texts.insert(id.toByteArray());
            if (texts.size() == before)
                return QStringLiteral("the tag holds a text frame twice");
        }
    }
    return std::nullopt;
}

// A file over bytes in memory, for the tag parser to read from; nothing is ever written to it.
class MemoryFile : public TagLib::File {
public:
    explicit MemoryFile(TagLib::IOStream* stream) : TagLib::File(stream) { }
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

// The parser keeps a text as UTF-16 code units, one in each wide character: copied across as they
// are, without a trip through UTF-8.
QString toQString(const TagLib::String& text)
{
    QString out(qsizetype(text.size()), Qt::Uninitialized);
    std::transform(text.begin(), text.end(), out.data(), [](wchar_t unit) { return QChar(char16_t(unit)); });
    return out;
}

// Each field from the first frame of its identifier, the frames given one by one in their order.
class FieldTaker {
public:
    explicit FieldTaker(Id3v2Fields& fields)
        : m_slots{{{"TIT2", &fields.title}, {"TPE1", &fields.artist}, {"TALB", &fields.album}, {"TDRC", &fields.year},
            {"TYER", &m_year23}, {"TRCK", &fields.track}, {"TCON", &m_genre}, {"COMM", &fields.comment}}}
    { }

    void take(const TagLib::ID3v2::Frame& frame)
    {
        const TagLib::ByteVector id = frame.frameID();
        for (Slot& slot : m_slots) {
            if (!slot.taken && id == slot.id) {
                *slot.text = toQString(frame.toString());
                slot.taken = true;
                return;
            }
        }
    }

    // The year of a 2.3 tag's TYER when there is no TDRC; the genre as the frame has it.
    QString year23() const { return m_year23; }
    QString genre() const { return m_genre; }

private:
    struct Slot {
        const char* id;
        QString* text;
        bool taken = false;
    };
    QString m_year23;
    QString m_genre;
    std::array<Slot, 8> m_slots;
};

Id3v2Reading unreadable(const QString& problem)
{
    Id3v2Reading reading;
    reading.state = Id3v2Reading::State::Unreadable;
    reading.problem = problem;
    return reading;
}

Id3v2::PlainTag unreadablePlain(const QString& problem)
{
    Id3v2::PlainTag plain;
    plain.state = Id3v2::PlainTag::State::Unreadable;
    plain.problem = problem;
    return plain;
}

} // namespace

namespace Id3v2 {

std::optional<qint64> areaLength(QByteArrayView header)
{
    if (header.size() < HeaderSize || !startsWithMarker(header))
        return std::nullopt;
    const int version = static_cast<unsigned char>(header[3]);
    if (version < 2 || version > 4 || header[4] == '\xFF')
        return std::nullopt;
    const std::optional<quint32> size = syncsafe(header.sliced(6, 4));
    if (!size)
        return std::nullopt;
    const bool footer = version == 4 && (static_cast<unsigned char>(header[5]) & FooterFlag);
    return HeaderSize + qint64(*size) + (footer ? FooterSize : 0);
}

PlainTag plainTag(QByteArrayView area, Frames frames)
{
    const std::optional<qint64> length = areaLength(area);
    if (!length)
        return startsWithMarker(area) ? unreadablePlain(QStringLiteral("the tag's header is not valid")) : PlainTag();
    if (*length > area.size())
        return unreadablePlain(QStringLiteral("the tag runs past the end of the file"));
    const int version = static_cast<unsigned char>(area[3]);
    const unsigned char flags = static_cast<unsigned char>(area[5]);
    const qsizetype bodySize = qsizetype(*syncsafe(area.sliced(6, 4)));
    // Before 2.4 unsynchronisation covers the whole body: it is undone here, so that the frames
    // can be walked and the parser is given a plain tag. Otherwise the body is not copied.
    const QByteArrayView raw = area.sliced(HeaderSize, bodySize);
    const bool unsynchronised = version < 4 && (flags & kUnsynchronised);
    const QByteArray resynced = unsynchronised ? resynchronised(raw) : QByteArray();
    const QByteArrayView body = unsynchronised ? QByteArrayView(resynced) : raw;
    if (version == 2 && (flags & kExtendedHeader))
        return unreadablePlain(QStringLiteral("the tag is compressed"));
    qsizetype framesAt = 0;
    if (flags & kExtendedHeader) {
        // 2.3 counts the extended header's size without its own 4 bytes, 2.4 with them. The parser
        // would take a 2.3 one the 2.4 way and find no frames, so no extended header reaches it.
        const std::optional<quint32> extended = body.size() < 4
            ? std::nullopt
            : (version == 3 ? std::optional(bigEndian(body.first(4)) + 4) : syncsafe(body.first(4)));
        if (!extended || *extended < 4 || *extended > quint64(body.size()))
            return unreadablePlain(QStringLiteral("the extended header runs past the end of the tag"));
        framesAt = qsizetype(*extended);
    }
    const std::optional<QByteArray> kept = framesOf(body.sliced(framesAt), version, frames);
    if (!kept)
        return unreadablePlain(QStringLiteral("the tag holds bytes that are not frames"));
    if (frames == Frames::All) {
        if (const std::optional<QString> problem = unkeptFrames(*kept, version))
            return unreadablePlain(*problem);
    }

    // No extended header, no padding, no footer, and before 2.4 no unsynchronisation (2.4 marks it
    // frame by frame).
    PlainTag plain;
    plain.state = PlainTag::State::Plain;
    plain.version = version;
    plain.length = *length;
    plain.bytes = area.first(HeaderSize).toByteArray();
    plain.bytes[5] = char(flags & ~(kExtendedHeader | FooterFlag | (version < 4 ? kUnsynchronised : 0)));
    const quint32 size = quint32(kept->size());
    for (int i = 0; i < 4; ++i)
        plain.bytes[6 + i] = char((size >> (7 * (3 - i))) & 0x7F);
    plain.bytes += *kept;
    return plain;
}

void withParsedTag(const PlainTag& plain, const std::function<void(TagLib::ID3v2::Tag&)>& use)
{
    TagLib::ByteVectorStream stream(
        TagLib::ByteVector(plain.bytes.constData(), static_cast<unsigned int>(plain.bytes.size())));
    MemoryFile file(&stream);
    TagLib::ID3v2::Tag tag(&file, 0);
    use(tag);
}

QString genreText(const QString& text, const std::function<QString(int)>& genreName)
{
    QStringView number = text;
    if (number.size() > 2 && number.front() == u'(' && number.back() == u')')
        number = number.sliced(1, number.size() - 2);
    if (number.isEmpty() || number.size() > 3
        || !std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return text;
    const int value = number.toInt();
    if (value > 255)
        return text;
    const QString name = genreName(value);
    return name.isEmpty() ? text : name;
}

Id3v2Reading parseArea(QByteArrayView area, const std::function<QString(int)>& genreName)
{
    const PlainTag plain = plainTag(area, Frames::Shown);
    if (plain.state == PlainTag::State::None)
        return {};
    if (plain.state == PlainTag::State::Unreadable)
        return unreadable(plain.problem);
    Id3v2Reading reading;
    reading.state = Id3v2Reading::State::Read;
    Id3v2Fields& fields = reading.fields;
    fields.version = plain.version;
    fields.size = plain.length;
    // Each shown frame is parsed alone: no tag object, and no stream, is made to read four texts.
    const TagLib::ID3v2::Header header(TagLib::ByteVector(plain.bytes.constData(), HeaderSize));
    const TagLib::ID3v2::FrameFactory* factory = TagLib::ID3v2::FrameFactory::instance();
    const QByteArrayView frames = QByteArrayView(plain.bytes).sliced(HeaderSize);
    FieldTaker taker(fields);
    for (qsizetype at = 0; at < frames.size();) {
        const qsizetype size = *frameSizeAt(frames, at, plain.version);
        const std::unique_ptr<TagLib::ID3v2::Frame> frame(
            factory->createFrame(TagLib::ByteVector(frames.data() + at, static_cast<unsigned int>(size)), &header));
        if (frame)
            taker.take(*frame);
        at += size;
    }
    if (fields.year.isEmpty())
        fields.year = taker.year23();
    fields.genre = genreText(taker.genre(), genreName);
    return reading;
}

QString programGenreName(int number)
{
    static std::atomic<bool> failed = false;
    if (failed)
        return {};
    GenreTable& table = programGenres();
    if (!table.isLoaded() && !table.LoadGenres()) {
        failed = true;
        return {};
    }
    return table.GenreName(number);
}

Id3v2Reading readFrom(const FileOps::Handle& file, QByteArray* area)
{
    const std::optional<QByteArray> header = file.readAt(0, std::min<qint64>(file.size(), HeaderSize));
    if (!header)
        return unreadable(QStringLiteral("the file could not be read"));
    return readFrom(file, *header, area);
}

Id3v2Reading readFrom(const FileOps::Handle& file, QByteArrayView header, QByteArray* area)
{
    const qint64 size = file.size();
    const std::optional<qint64> length = areaLength(header);
    if (!length)
        return startsWithMarker(header) ? unreadable(QStringLiteral("the tag's header is not valid")) : Id3v2Reading();
    if (*length > size)
        return unreadable(QStringLiteral("the tag runs past the end of the file"));
    std::optional<QByteArray> bytes = file.readAt(0, *length);
    if (!bytes)
        return unreadable(QStringLiteral("the file could not be read"));
    Id3v2Reading reading = parseArea(*bytes, programGenreName);
    if (area)
        *area = std::move(*bytes);
    return reading;
}

} // namespace Id3v2
