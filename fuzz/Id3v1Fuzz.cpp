// The ID3v1 tag: any 128 bytes decode into a record, and writing that record back gives the same
// 128 bytes. Every byte is canonical here, those after a field's first NUL included: the record
// keeps each text field whole at its width (one code-page character per byte, the five bytes
// windows-1252 leaves undefined included) and track and genre as the character of their byte, so
// nothing the file held is lost by reading it.
//
// Input: the first 128 bytes are the tag (NUL-padded when shorter). The rest, cut into strings
// where a "\" is followed by any other character, is text typed into the seven fields of a second
// record (as UTF-8): what such a record writes is
// always 125 bytes, and reading those back and writing again changes nothing (saving twice
// writes the same bytes).
//
// On a file: the whole input is written as an MP3 file, its tag read and written back as the
// program does. A file that ends in a tag ("TAG" 128 bytes from its end) is left byte for byte as
// it was; any other file of at least 128 bytes gets "TAG" and 125 NUL bytes appended (the fields
// of a file without a tag are empty); a shorter file is not read, with one message, and not
// changed.

#include <fuzzer/FuzzedDataProvider.h>

#include <QFile>
#include <QTemporaryDir>

#include "FuzzSupport.h"
#include "base/CodePage.h"
#include "tags/Id3v1.h"
#include "tags/MP3Tag.h"
#include "tags/MP3TagInfo.h"

namespace {

// The tag bytes a record gives: its marker as code-page bytes, then its body.
QByteArray tagBytes(const MP3TagInfo& record)
{
    return CodePage::fromUnicode(record.tag()) + Id3v1::encodeBody(record);
}

void checkWidths(const MP3TagInfo& record)
{
    FUZZ_CHECK(record.tag().size() == MP3TagInfo::TagWidth);
    FUZZ_CHECK(record.SongName().size() == MP3TagInfo::SongNameWidth);
    FUZZ_CHECK(record.Artist().size() == MP3TagInfo::ArtistWidth);
    FUZZ_CHECK(record.Album().size() == MP3TagInfo::AlbumWidth);
    FUZZ_CHECK(record.Year().size() == MP3TagInfo::YearWidth);
    FUZZ_CHECK(record.Comment().size() == MP3TagInfo::CommentWidth);
    FUZZ_CHECK(record.Track().size() == MP3TagInfo::TrackWidth);
    FUZZ_CHECK(record.Genre().size() == MP3TagInfo::GenreWidth);
}

// Larger inputs are only decoded, not written: a file per input is the costly part.
constexpr qsizetype kMaxFileInput = 16 * 1024;

void checkFileRewrite(QByteArrayView input)
{
    static QTemporaryDir folder;
    FUZZ_CHECK(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("song.mp3"));
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(input.data(), input.size()) == input.size());
    file.close();
    Fuzz::messages().reset();
    MP3Tag tag;
    tag.init(path);
    tag.ReadTag();
    tag.writeTag();
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    if (input.size() < Id3v1::Size) {
        FUZZ_CHECK(after == input && Fuzz::messages().shown() == 1);
        return;
    }
    FUZZ_CHECK(Fuzz::messages().shown() == 0);
    if (Id3v1::isMarker(input.sliced(input.size() - Id3v1::Size, Id3v1::MarkerWidth)))
        FUZZ_CHECK(after == input);
    else
        FUZZ_CHECK(after == input.toByteArray() + Id3v1::marker().toByteArray() + QByteArray(Id3v1::BodySize, '\0'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::messages().reset();
    const QByteArrayView input = Fuzz::bytesOf(data, size);

    QByteArray tag = input.first(std::min<qsizetype>(input.size(), Id3v1::Size)).toByteArray();
    tag.resize(Id3v1::Size, '\0');
    MP3TagInfo record;
    Id3v1::decode(tag, record);
    checkWidths(record);
    FUZZ_CHECK(tagBytes(record) == tag);
    FUZZ_CHECK(record.tag() == Id3v1::markerText() || !Id3v1::isMarker(tag.first(Id3v1::MarkerWidth)));
    FUZZ_CHECK(record.Track().at(0).unicode() == static_cast<unsigned char>(tag.at(Id3v1::TrackOffset)));
    FUZZ_CHECK(record.Genre().at(0).unicode() == static_cast<unsigned char>(tag.at(Id3v1::GenreOffset)));

    if (input.size() > Id3v1::Size) {
        const QByteArrayView rest = input.sliced(Id3v1::Size);
        FuzzedDataProvider fields(reinterpret_cast<const std::uint8_t*>(rest.data()), std::size_t(rest.size()));
        const auto next = [&fields] { return QString::fromStdString(fields.ConsumeRandomLengthString(64)); };
        MP3TagInfo typed;
        typed.setSongName(next());
        typed.setArtist(next());
        typed.setAlbum(next());
        typed.setYear(next());
        typed.setComment(next());
        typed.setTrack(next());
        typed.setGenre(next());
        const QByteArray body = Id3v1::encodeBody(typed);
        FUZZ_CHECK(body.size() == Id3v1::BodySize);
        const QByteArray written = Id3v1::marker().toByteArray() + body;
        MP3TagInfo reread;
        Id3v1::decode(written, reread);
        checkWidths(reread);
        FUZZ_CHECK(tagBytes(reread) == written);
    }
    FUZZ_CHECK(Fuzz::messages().shown() == 0);
    if (input.size() <= kMaxFileInput)
        checkFileRewrite(input);
    return 0;
}
