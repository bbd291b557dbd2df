#include "tags/MP3Tag.h"

#include <array>
#include <utility>

#include "base/CodePage.h"
#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/PathTools.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2.h"

MP3Tag::MP3Tag(const MP3Tag& other)
    : m_path(other.m_path),
      m_record(other.m_record ? std::make_unique<MP3TagInfo>(*other.m_record) : nullptr),
      m_hasId1Tag(other.m_hasId1Tag),
      m_hasId2Tag(other.m_hasId2Tag),
      m_tagRead(other.m_tagRead),
      m_failure(other.m_failure)
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

void MP3Tag::ReadTag()
{
    if (FileError())
        return;
    // A hidden file, a folder, a device, a pipe or a socket counts as missing.
    FileOps::OpenFailure failure = FileOps::OpenFailure::NotFound;
    const FileOps::Handle file = FileOps::isHiddenName(m_path)
        ? FileOps::Handle()
        : FileOps::openExisting(m_path, FileOps::Access::Read, &failure);
    if (failure == FileOps::OpenFailure::NotFound) {
        Messages::error(QStringLiteral("Error with ") + m_path
            + QStringLiteral(":  File not found.  This file will be skipped automatically until you "
                             "close the program."));
        fail(Failure::NotFound);
        return;
    }
    readFrom(file);
}

bool MP3Tag::readFrom(const FileOps::Handle& file, Reading reading)
{
    // The ID3v2 marker is read first and kept even when the rest of the read fails.
    bool frontRead = true;
    if (reading == Reading::BothTags) {
        std::array<char, Id3v2::MarkerSize> front;
        frontRead = file.readInto(0, front.data(), front.size());
        m_hasId2Tag = frontRead && Id3v2::startsWithMarker(QByteArrayView(front.data(), front.size()));
    }
    std::array<char, Id3v1::Size> tail;
    if (!frontRead || !file.readInto(file.size() - Id3v1::Size, tail.data(), tail.size())) {
        ShowReadError();
        return false;
    }
    if (m_held)
        m_held->tail = tail;
    const QByteArrayView tag(tail.data(), tail.size());
    m_hasId1Tag = Id3v1::isMarker(tag.first(Id3v1::MarkerWidth));
    if (m_hasId1Tag)
        Id3v1::decode(tag, RawInfo());
    else
        RawInfo().setTag(CodePage::toUnicode(tag.first(Id3v1::MarkerWidth)));
    m_tagRead = true;
    return true;
}

void MP3Tag::changeTag(const std::function<void()>& change, Reading reading)
{
    if (FileError())
        return;
    FileOps::OpenFailure failure = FileOps::OpenFailure::NotFound;
    FileOps::Handle file = FileOps::isHiddenName(m_path) ? FileOps::Handle() : FileOps::openForChange(m_path, &failure);
    if (failure == FileOps::OpenFailure::Busy) {
        showBusy();
        return;
    }
    if (!file.isOpen()) {
        // Missing, or not to be written: the plain read says which, and the change what it cannot do.
        ReadTag();
        if (!FileError())
            change();
        return;
    }
    HeldFile held{file, std::nullopt};
    m_held = &held;
    if (readFrom(file, reading))
        change();
    m_held = nullptr;
}

void MP3Tag::withFileToChange(const std::function<void(FileOps::Handle&)>& work)
{
    if (m_held) {
        work(m_held->file);
        return;
    }
    FileOps::OpenFailure failure = FileOps::OpenFailure::None;
    FileOps::Handle file = FileOps::openForChange(m_path, &failure);
    if (failure == FileOps::OpenFailure::Busy) {
        showBusy();
        return;
    }
    work(file);
}

std::optional<std::array<char, Id3v1::Size>> MP3Tag::readId1Area(const FileOps::Handle& file)
{
    std::array<char, Id3v1::Size> area;
    if (m_held && m_held->tail) {
        area = *std::exchange(m_held->tail, std::nullopt);
    } else if (!file.readInto(file.size() - Id3v1::Size, area.data(), area.size())) {
        ShowReadError();
        return std::nullopt;
    }
    const QByteArrayView marker(area.data(), Id3v1::MarkerWidth);
    RawInfo().setTag(Id3v1::isMarker(marker) ? Id3v1::markerText() : CodePage::toUnicode(marker));
    return area;
}

void MP3Tag::writeTag()
{
    if (!FileError())
        withFileToChange([this](FileOps::Handle& file) { writeTagTo(file); });
}

void MP3Tag::writeTagTo(FileOps::Handle& file)
{
    const auto area = readId1Area(file);
    if (!area)
        return;
    const qint64 length = file.size();
    const QByteArray body = Id3v1::encodeBody(RawInfo());
    if (Id3v1::isMarker(QByteArrayView(area->data(), Id3v1::MarkerWidth))) {
        if (!file.writeAt(length - Id3v1::BodySize, body)) {
            // A write that failed part-way is undone with the old bytes, so that the tag is never
            // left half old and half new.
            file.writeAt(length - Id3v1::BodySize, QByteArray(area->data() + Id3v1::MarkerWidth, Id3v1::BodySize));
            ShowReadError();
        }
        return;
    }
    // Appended in one write; a write that fails part-way is cut back off, so the file never ends
    // in half a tag.
    RawInfo().setTag(Id3v1::markerText());
    if (!file.writeAt(length, Id3v1::marker().toByteArray() + body)) {
        file.resize(length);
        ShowReadError();
        return;
    }
    m_hasId1Tag = true;
}

void MP3Tag::setHasID1Tag(bool value)
{
    if (!value && !FileError() && m_tagRead && m_hasId1Tag)
        removeId1Tag();
}

void MP3Tag::setHasID2Tag(bool value)
{
    if (!value && !FileError() && m_tagRead && m_hasId2Tag)
        removeId2Tag();
}

void MP3Tag::removeId1Tag()
{
    withFileToChange([this](FileOps::Handle& file) { removeId1TagFrom(file); });
}

void MP3Tag::removeId1TagFrom(FileOps::Handle& file)
{
    const auto area = readId1Area(file);
    if (!area || !Id3v1::isMarker(QByteArrayView(area->data(), Id3v1::MarkerWidth)))
        return;
    // Cutting in place is one step that either happens or not: no window in which the file is
    // missing or short of data.
    if (!file.resize(file.size() - Id3v1::Size)) {
        ShowReadError();
        return;
    }
    m_hasId1Tag = false;
}

void MP3Tag::removeId2Tag()
{
    withFileToChange([this](FileOps::Handle& file) { removeId2TagFrom(file); });
}

void MP3Tag::removeId2TagFrom(const FileOps::Handle& file)
{
    const auto front = file.readAt(0, Id3v2::MarkerSize);
    if (!front) {
        ShowReadError();
        return;
    }
    if (!Id3v2::startsWithMarker(*front))
        return; // the tag has gone since the file was read: nothing to cut, nothing to report
    const auto header = file.readAt(0, Id3v2::HeaderSize);
    const std::optional<qint64> tagLength = header ? Id3v2::tagLength(*header) : std::nullopt;
    // Nothing left after the tag, or a size that cannot be taken, is a read error.
    const auto firstAudioByte = tagLength ? file.readAt(*tagLength, 1) : std::nullopt;
    if (!firstAudioByte) {
        ShowReadError();
        return;
    }
    if (static_cast<unsigned char>(firstAudioByte->at(0)) != Id3v2::AudioFrameStart) {
        Messages::error(QStringLiteral("ID3v2 Tag format not recognized for ") + m_path
            + QStringLiteral(", skipping to avoid damage."));
        return;
    }
    QString reason;
    const bool replaced = FileOps::replaceWithTail(m_path, file, *tagLength, &reason);
    const bool changedMeanwhile = !replaced && reason == FileOps::fileChangedReason();
    // The file read so far is no longer the one at the name, whether it was replaced now or by
    // another program meanwhile: a later change of this object opens the name again.
    if (replaced || changedMeanwhile)
        m_held = nullptr;
    if (changedMeanwhile)
        Messages::error(QStringLiteral("Error with ") + m_path + QStringLiteral(":  ") + reason + u'.');
    else if (!replaced)
        ShowReadError(FileOps::leftBehindIn(reason));
    else
        m_hasId2Tag = false;
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

void MP3Tag::ShowReadError(const QString& leftBehind)
{
    // A copy of the file's audio that could not be removed after the failure is named, so that its
    // space can be had back.
    const QString leftOver = leftBehind.isEmpty() ? QString()
                                                  : QStringLiteral("\r\n\r\nThe temporary file ") + leftBehind
            + QStringLiteral(" could not be removed and holds a copy of the audio.");
    Messages::error(QStringLiteral("Error with ") + m_path
        + QStringLiteral(":  Read error.  This file will be skipped automatically until you close the "
                         "program.\r\n\r\nSuggestions:\r\n1) Close any programs that may be accessing "
                         "this file.\r\n2) Remove any special characters from the filename.")
        + leftOver);
    fail(Failure::ReadError);
}

void MP3Tag::showBusy()
{
    Messages::error(m_path + QStringLiteral(" is being changed by another Sondrel process"));
}

void MP3Tag::fail(Failure failure)
{
    m_failure = failure;
}
