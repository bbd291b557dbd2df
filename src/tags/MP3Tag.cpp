#include "tags/MP3Tag.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/CodePage.h"
#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/PathTools.h"
#include "journal/Journal.h"
#include "tags/GenreTable.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2.h"
#include "tags/Id3v2Edit.h"

MP3Tag::MP3Tag(const MP3Tag& other)
    : m_path(other.m_path),
      m_record(other.m_record ? std::make_unique<MP3TagInfo>(*other.m_record) : nullptr),
      m_id3v2(other.m_id3v2 ? std::make_unique<Id3v2Reading>(*other.m_id3v2) : nullptr),
      m_hasId1Tag(other.m_hasId1Tag),
      m_hasId2Tag(other.m_hasId2Tag),
      m_tagRead(other.m_tagRead),
      m_failed(other.m_failed)
{ }

MP3Tag& MP3Tag::operator=(const MP3Tag& other)
{
    if (this != &other)
        *this = MP3Tag(other);
    return *this;
}

MP3TagInfo& MP3Tag::RawInfo()
{
    if (!m_record)
        m_record = std::make_unique<MP3TagInfo>();
    return *m_record;
}

const MP3TagInfo& MP3Tag::RawInfo() const
{
    static const MP3TagInfo empty;
    return m_record ? *m_record : empty;
}

const Id3v2Reading& MP3Tag::Id3v2Tag() const
{
    static const Id3v2Reading none;
    return m_id3v2 ? *m_id3v2 : none;
}

Result<void> MP3Tag::ReadTag(Reading reading)
{
    if (FileError())
        return failedBefore();
    // A hidden file, a folder, a device, a pipe or a socket counts as missing.
    if (FileOps::isHiddenName(m_path))
        return report(failureOf(Failure::Kind::Missing));
    const Result<FileOps::Handle> file = FileOps::openExisting(m_path, FileOps::Access::Read);
    if (!file && file.failure().kind == Failure::Kind::Missing)
        return report(failureOf(Failure::Kind::Missing, file.failure().reason));
    // A file that cannot be opened is read as a closed one: a read error.
    return file ? readFrom(*file, reading) : readFrom(FileOps::Handle(), reading);
}

Result<void> MP3Tag::readFrom(const FileOps::Handle& file, Reading reading)
{
    // The ID3v2 marker is read first and kept even when the rest of the read fails.
    bool frontRead = true;
    if (reading != Reading::Id3v1Only) {
        // The whole ID3v2 header when its fields are wanted too, so that it is read once.
        std::array<char, Id3v2::HeaderSize> front;
        const qint64 frontSize
            = reading == Reading::AllTags ? std::min<qint64>(file.size(), Id3v2::HeaderSize) : Id3v2::MarkerSize;
        frontRead = file.readInto(0, front.data(), frontSize);
        const QByteArrayView header(front.data(), frontRead ? frontSize : 0);
        m_hasId2Tag = frontRead && Id3v2::startsWithMarker(header);
        m_id3v2.reset();
        if (m_hasId2Tag && reading == Reading::AllTags)
            m_id3v2 = std::make_unique<Id3v2Reading>(Id3v2::readFrom(file, header));
    }
    // The file's last bytes may have been read already, with the file held since (prepared ahead).
    std::array<char, Id3v1::Size> tail;
    const bool given = m_held && m_held->tail;
    if (given)
        tail = *m_held->tail;
    if (!frontRead || (!given && !file.readInto(file.size() - Id3v1::Size, tail.data(), tail.size())))
        return report(failureOf(Failure::Kind::Io));
    if (m_held)
        m_held->tail = tail;
    const QByteArrayView tag(tail.data(), tail.size());
    m_hasId1Tag = Id3v1::isMarker(tag.first(Id3v1::MarkerWidth));
    if (m_hasId1Tag)
        Id3v1::decode(tag, RawInfo());
    else
        RawInfo().setTag(CodePage::toUnicode(tag.first(Id3v1::MarkerWidth)));
    m_tagRead = true;
    return {};
}

Result<void> MP3Tag::changeTag(const std::function<void()>& change, Reading reading)
{
    if (FileError())
        return failedBefore();
    std::optional<std::array<char, Id3v1::Size>> tail;
    Result<FileOps::Handle> file = FileOps::isHiddenName(m_path)
        ? Result<FileOps::Handle>(failureOf(Failure::Kind::Missing))
        : openToChange(&tail);
    if (!file && file.failure().kind == Failure::Kind::Busy)
        return report(failureOf(Failure::Kind::Busy, file.failure().reason));
    if (!file) {
        // Missing, or not to be written: the plain read says which, and the change what it cannot do.
        Result<void> read = ReadTag();
        if (read)
            change();
        return read;
    }
    HeldFile held{*file, tail};
    m_held = &held;
    Result<void> read = readFrom(*file, reading);
    if (read)
        change();
    m_held = nullptr;
    return read;
}

Result<void> MP3Tag::withFileToChange(const std::function<Result<void>(FileOps::Handle&)>& work)
{
    if (m_held)
        return work(m_held->file);
    Result<FileOps::Handle> file = openToChange();
    if (!file && file.failure().kind == Failure::Kind::Busy)
        return report(failureOf(Failure::Kind::Busy, file.failure().reason));
    FileOps::Handle closed;
    return work(file ? *file : closed);
}

Result<FileOps::Handle> MP3Tag::openToChange(std::optional<std::array<char, Id3v1::Size>>* tail) const
{
    if (std::optional<Journal::Prepared> prepared = Journal::takePrepared(m_path)) {
        if (tail && prepared->tail.size() == Id3v1::Size) {
            tail->emplace();
            std::copy(prepared->tail.cbegin(), prepared->tail.cend(), (*tail)->begin());
        }
        return std::move(prepared->file);
    }
    return FileOps::openForChange(m_path);
}

Result<void> MP3Tag::notRecorded(const Journal::Step& step) const
{
    Journal::reportNotRecorded(step.failure());
    return step.failure();
}

std::optional<std::array<char, Id3v1::Size>> MP3Tag::readId1Area(const FileOps::Handle& file)
{
    std::array<char, Id3v1::Size> area;
    if (m_held && m_held->tail) {
        area = *std::exchange(m_held->tail, std::nullopt);
    } else if (!file.readInto(file.size() - Id3v1::Size, area.data(), area.size())) {
        report(failureOf(Failure::Kind::Io));
        return std::nullopt;
    }
    const QByteArrayView marker(area.data(), Id3v1::MarkerWidth);
    RawInfo().setTag(Id3v1::isMarker(marker) ? Id3v1::markerText() : CodePage::toUnicode(marker));
    return area;
}

Result<void> MP3Tag::writeTag()
{
    if (FileError())
        return failedBefore();
    return withFileToChange([this](FileOps::Handle& file) { return writeTagTo(file); });
}

Result<void> MP3Tag::writeTagTo(FileOps::Handle& file)
{
    const auto area = readId1Area(file);
    if (!area)
        return failedBefore();
    const qint64 length = file.size();
    const QByteArray body = Id3v1::encodeBody(RawInfo());
    Journal::Step step = Journal::beginTailChange(m_path, file, QByteArrayView(area->data(), Id3v1::Size));
    if (!step)
        return notRecorded(step);
    if (Id3v1::isMarker(QByteArrayView(area->data(), Id3v1::MarkerWidth))) {
        if (!file.writeAt(length - Id3v1::BodySize, body)) {
            // A write that failed part-way is undone with the old bytes, so that the tag is never
            // left half old and half new.
            file.writeAt(length - Id3v1::BodySize, QByteArray(area->data() + Id3v1::MarkerWidth, Id3v1::BodySize));
            return report(failureOf(Failure::Kind::Io));
        }
        step.done(file, QByteArray(area->data(), Id3v1::MarkerWidth) + body);
        return {};
    }
    // Appended in one write; a write that fails part-way is cut back off, so the file never ends
    // in half a tag.
    RawInfo().setTag(Id3v1::markerText());
    const QByteArray tag = Id3v1::marker().toByteArray() + body;
    if (!file.writeAt(length, tag)) {
        file.resize(length);
        return report(failureOf(Failure::Kind::Io));
    }
    step.done(file, tag);
    m_hasId1Tag = true;
    return {};
}

void MP3Tag::setHasID1Tag(bool value)
{
    if (!value && !FileError() && m_tagRead && m_hasId1Tag)
        withFileToChange([this](FileOps::Handle& file) { return removeId1TagFrom(file); });
}

void MP3Tag::setHasID2Tag(bool value)
{
    if (!value && !FileError() && m_tagRead && m_hasId2Tag)
        withFileToChange([this](FileOps::Handle& file) { return removeId2TagFrom(file); });
}

Result<void> MP3Tag::removeId1TagFrom(FileOps::Handle& file)
{
    const auto area = readId1Area(file);
    if (!area)
        return failedBefore();
    if (!Id3v1::isMarker(QByteArrayView(area->data(), Id3v1::MarkerWidth)))
        return {};
    Journal::Step step = Journal::beginTailChange(m_path, file, QByteArrayView(area->data(), Id3v1::Size));
    if (!step)
        return notRecorded(step);
    // Cutting in place is one step that either happens or not: no window in which the file is
    // missing or short of data.
    if (!file.resize(file.size() - Id3v1::Size))
        return report(failureOf(Failure::Kind::Io));
    step.done(file);
    m_hasId1Tag = false;
    return {};
}

Result<void> MP3Tag::removeId2TagFrom(const FileOps::Handle& file)
{
    const auto front = file.readAt(0, Id3v2::MarkerSize);
    if (!front)
        return report(failureOf(Failure::Kind::Io));
    if (!Id3v2::startsWithMarker(*front))
        return {}; // the tag has gone since the file was read: nothing to cut, nothing to report
    const auto header = file.readAt(0, Id3v2::HeaderSize);
    const std::optional<qint64> tagLength = header ? Id3v2::tagLength(*header) : std::nullopt;
    // Nothing left after the tag, or a size that cannot be taken, is a read error.
    const auto firstAudioByte = tagLength ? file.readAt(*tagLength, 1) : std::nullopt;
    if (!firstAudioByte)
        return report(failureOf(Failure::Kind::Io));
    if (static_cast<unsigned char>(firstAudioByte->at(0)) != Id3v2::AudioFrameStart)
        return report(failureOf(Failure::Kind::Unrecognized));
    const auto oldTag = file.readAt(0, *tagLength);
    if (!oldTag)
        return report(failureOf(Failure::Kind::Io));
    Journal::Step step = Journal::beginFrontChange(m_path, file, *oldTag, 0);
    if (!step)
        return notRecorded(step);
    Result<void> replaced = replaceFront(file, *tagLength, {});
    if (replaced) {
        step.done();
        m_hasId2Tag = false;
        m_id3v2.reset();
    }
    return replaced;
}

Result<void> MP3Tag::writeId3v2(const Id3v2Fields& fields, int newTagVersion)
{
    return changeId3v2([&](Id3v2Fields& wanted) { wanted = fields; }, newTagVersion);
}

Result<void> MP3Tag::changeId3v2(const std::function<void(Id3v2Fields&)>& change, int newTagVersion)
{
    if (FileError())
        return failedBefore();
    return withFileToChange([&](FileOps::Handle& file) { return changeId3v2In(file, change, newTagVersion); });
}

Result<void> MP3Tag::changeId3v2In(
    FileOps::Handle& file, const std::function<void(Id3v2Fields&)>& change, int newTagVersion)
{
    // The tag is read here, from the file that is rewritten: a tag that cannot be read is never
    // taken for no tag, and the fields change is given are the ones the file holds now.
    const auto header = file.readAt(0, std::min<qint64>(file.size(), Id3v2::HeaderSize));
    if (!header)
        return report(failureOf(Failure::Kind::Io));
    const std::optional<qint64> length = Id3v2::areaLength(*header);
    const std::optional<QByteArray> area = length && *length <= file.size() ? file.readAt(0, *length) : header;
    if (!area)
        return report(failureOf(Failure::Kind::Io));
    const auto genreName = Id3v2::programGenreName;
    Id3v2Fields wanted = Id3v2::parseArea(*area, genreName).fields;
    change(wanted);
    const Id3v2::Edit edit = Id3v2::edited(*area, wanted, newTagVersion, genreName);
    if (edit.outcome == Id3v2::Edit::Outcome::Unreadable)
        return report(failureOf(Failure::Kind::Unrecognized, edit.problem));
    if (edit.outcome == Id3v2::Edit::Outcome::Unchanged)
        return {};
    if (edit.fromVersion == 2)
        Messages::inform(m_path + QStringLiteral(" has an ID3v2.2 tag, which is written as ID3v2.3."));
    const qint64 oldLength = edit.fromVersion ? *length : 0;
    // With the journal recording, a tag that fits the old one's place is written there in one
    // write: a write torn by a crash is put back from the journal at the next start. Without it,
    // the file is replaced whole so that it is always old or new.
    const std::optional<QByteArray> inPlace
        = Journal::isRecording() && oldLength > 0 ? Id3v2::paddedTo(edit.tag, oldLength) : std::nullopt;
    Journal::Step step
        = Journal::beginFrontChange(m_path, file, area->first(oldLength), inPlace ? oldLength : edit.tag.size());
    if (!step)
        return notRecorded(step);
    Result<void> replaced = inPlace ? writeFront(file, *inPlace) : replaceFront(file, oldLength, edit.tag);
    if (replaced) {
        inPlace ? step.done(file) : step.done();
        m_hasId2Tag = true;
        m_id3v2 = std::make_unique<Id3v2Reading>(Id3v2::parseArea(inPlace ? *inPlace : edit.tag, genreName));
    }
    return replaced;
}

Result<void> MP3Tag::writeFront(FileOps::Handle& file, const QByteArray& head)
{
    if (!file.writeAt(0, head))
        return report(failureOf(Failure::Kind::Io));
    return {};
}

Result<void> MP3Tag::replaceFront(const FileOps::Handle& file, qint64 offset, const QByteArray& head)
{
    const Result<void> replaced = FileOps::replaceWithTail(m_path, file, offset, head);
    const bool changedMeanwhile = !replaced && replaced.failure().kind == Failure::Kind::Changed;
    // The file read so far is no longer the one at the name, whether it was replaced now or by
    // another program meanwhile: a later change of this object opens the name again.
    if (replaced || changedMeanwhile)
        m_held = nullptr;
    if (replaced)
        return {};
    if (changedMeanwhile)
        return report(failureOf(Failure::Kind::Changed, replaced.failure().reason));
    // Any other failure is a read error, naming a temporary file that stayed behind.
    Failure failure = failureOf(Failure::Kind::Io, replaced.failure().reason);
    failure.leftBehind = replaced.failure().leftBehind;
    return report(failure);
}

QString MP3Tag::SongName() const
{
    return PathTools::trimBlanks(RawInfo().SongName());
}

QString MP3Tag::Artist() const
{
    return PathTools::trimBlanks(RawInfo().Artist());
}

QString MP3Tag::Album() const
{
    return PathTools::trimBlanks(RawInfo().Album());
}

QString MP3Tag::Comment() const
{
    return PathTools::trimBlanks(RawInfo().Comment());
}

QString MP3Tag::Year() const
{
    return PathTools::trimBlanks(RawInfo().Year());
}

Failure MP3Tag::failureOf(Failure::Kind kind, const QString& reason) const
{
    Failure failure;
    failure.kind = kind;
    failure.action = Failure::Action::Tag;
    failure.reason = reason;
    failure.path = m_path;
    return failure;
}

void MP3Tag::reportUnreadableId3v2() const
{
    Messages::error(failureOf(Failure::Kind::Unrecognized));
}

Result<void> MP3Tag::report(const Failure& failure)
{
    Messages::error(failure);
    if (failure.kind == Failure::Kind::Missing || failure.kind == Failure::Kind::Io)
        m_failed = failure.kind;
    return failure;
}

Result<void> MP3Tag::failedBefore() const
{
    return failureOf(m_failed.value_or(Failure::Kind::Io));
}
