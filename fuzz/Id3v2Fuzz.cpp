// The ID3v2 header at the front of a file and the removal that trusts its size.
//
// Pure: tagLength is empty for fewer than 10 bytes and for the sizes it refuses (byte 6 or 8 of
// 128 or more); otherwise it is 10 + the 28-bit syncsafe size (the low 7 bits of bytes 6 to 9)
// + 10 with the footer flag, so never more than 10 + (2^28 - 1) + 10, whatever the bytes.
//
// On a file: the input is written as an MP3 file and its ID3v2 tag removed as the program does.
// The file becomes exactly the input without its first tagLength bytes when the input is at least
// 128 bytes long (shorter files are not read), starts with "ID3", has a size that can be taken,
// and holds a byte of 255 right at that length, inside the input; in every other case the file is
// left byte for byte as it was, with one message (as for a file too short to read). The cut never
// reaches beyond the end of the input.
//
// The fields' reading (parseArea), for any bytes: no tag exactly when the input does not start with
// "ID3"; a tag read only when its whole area, as its header gives it, is inside the input.
//
// Writing a title (edited), for any bytes: refused when the tag cannot be read or holds a frame
// that would not be kept; otherwise
// the new tag reads back with that title and every other field as it read before, in the tag's
// version (2.2 as 2.3; a new tag as 2.4).

#include <QFile>
#include <QTemporaryDir>

#include "FuzzSupport.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2.h"
#include "tags/Id3v2Edit.h"
#include "tags/Id3v2Fields.h"
#include "tags/MP3Tag.h"

namespace {

constexpr qint64 kMaxLength = Id3v2::HeaderSize + 0x0FFFFFFF + Id3v2::FooterSize;
// Larger inputs are only parsed, not written: a file per input is the costly part.
constexpr qsizetype kMaxFileInput = 64 * 1024;

// The length the header gives, worked out bit by bit.
std::optional<qint64> expectedLength(QByteArrayView header)
{
    if (header.size() < Id3v2::HeaderSize)
        return std::nullopt;
    const auto byte = [&](qsizetype i) { return qint64(static_cast<unsigned char>(header[i])); };
    if (byte(6) >= 128 || byte(8) >= 128)
        return std::nullopt;
    const qint64 size = (byte(6) & 0x7F) << 21 | (byte(7) & 0x7F) << 14 | (byte(8) & 0x7F) << 7 | (byte(9) & 0x7F);
    return Id3v2::HeaderSize + size + ((byte(5) & Id3v2::FooterFlag) ? Id3v2::FooterSize : 0);
}

QByteArray removedAsTheProgramDoes(const QString& path, QByteArrayView input)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(input.data(), input.size()) == input.size());
    file.close();
    MP3Tag tag;
    tag.init(path);
    tag.ReadTag();
    tag.setHasID2Tag(false);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::messages().reset();
    const QByteArrayView input = Fuzz::bytesOf(data, size);
    const std::optional<qint64> length = Id3v2::tagLength(input);
    FUZZ_CHECK(length == expectedLength(input));
    if (length)
        FUZZ_CHECK(*length >= Id3v2::HeaderSize && *length <= kMaxLength);
    if (input.size() >= 10) {
        quint32 raw = 0;
        for (qsizetype i = 6; i < 10; ++i)
            raw = raw << 8 | static_cast<unsigned char>(input[i]);
        FUZZ_CHECK(Id3v2::DecodeSyncsafe(raw) <= 0x0FFFFFFF);
    }
    const auto genreName = [](int number) { return number == 17 ? QStringLiteral("Rock") : QString(); };
    const Id3v2Reading reading = Id3v2::parseArea(input, genreName);
    FUZZ_CHECK((reading.state == Id3v2Reading::State::None) == !Id3v2::startsWithMarker(input));
    if (reading.state == Id3v2Reading::State::Read) {
        const std::optional<qint64> area = Id3v2::areaLength(input);
        FUZZ_CHECK(area && *area <= input.size() && reading.fields.size == *area);
    }
    Id3v2Fields wanted = reading.fields;
    wanted.title = QStringLiteral("Fuzz \u266A");
    const Id3v2::Edit edit = Id3v2::edited(input, wanted, 4, genreName);
    // Refused for a tag that cannot be read, and for one that holds a frame that would not be kept.
    if (reading.state == Id3v2Reading::State::Unreadable)
        FUZZ_CHECK(edit.outcome == Id3v2::Edit::Outcome::Unreadable);
    if (edit.outcome == Id3v2::Edit::Outcome::Unreadable && reading.state != Id3v2Reading::State::Unreadable)
        FUZZ_CHECK(edit.problem == QStringLiteral("the tag holds an encrypted, compressed or grouped frame")
            || edit.problem == QStringLiteral("the tag holds a text frame twice")
            || edit.problem == QStringLiteral("the tag holds a frame that is to be dropped when the tag changes")
            || edit.problem == QStringLiteral("the tag would not keep its fields as they are"));
    if (edit.outcome == Id3v2::Edit::Outcome::Changed) {
        const Id3v2Reading written = Id3v2::parseArea(edit.tag, genreName);
        FUZZ_CHECK(written.state == Id3v2Reading::State::Read);
        const Id3v2Fields& f = written.fields;
        const Id3v2Fields& w = wanted;
        FUZZ_CHECK(f.title == w.title && f.artist == w.artist && f.album == w.album && f.year == w.year
            && f.track == w.track && f.genre == w.genre && f.comment == w.comment);
        const int version = reading.state == Id3v2Reading::State::Read ? std::max(reading.fields.version, 3) : 4;
        FUZZ_CHECK(edit.toVersion == version && f.version == version && f.size == edit.tag.size());
    }
    if (input.size() > kMaxFileInput)
        return 0;

    static QTemporaryDir folder;
    FUZZ_CHECK(folder.isValid());
    const QByteArray after = removedAsTheProgramDoes(folder.filePath(QStringLiteral("song.mp3")), input);
    const bool cut = input.size() >= Id3v1::Size && Id3v2::startsWithMarker(input) && length && *length < input.size()
        && static_cast<unsigned char>(input[*length]) == Id3v2::AudioFrameStart;
    if (cut)
        FUZZ_CHECK(after == input.sliced(*length));
    else
        FUZZ_CHECK(after == input);
    // One message for a file too short to read and for a tag that is kept; none otherwise.
    const bool kept = input.size() >= Id3v1::Size && Id3v2::startsWithMarker(input) && !cut;
    FUZZ_CHECK(Fuzz::messages().shown() == ((input.size() < Id3v1::Size || kept) ? 1 : 0));
    return 0;
}
