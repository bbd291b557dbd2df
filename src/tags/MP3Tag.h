#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include <QString>

#include "base/FileOps.h"
#include "journal/Journal.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Fields.h"
#include "tags/MP3TagInfo.h"

// The tag file object: the tags of one MP3 file. It reads whether the file starts with an ID3v2
// tag (and, when asked, that tag's fields) and reads its ID3v1 tag into a record, writes the record
// back as an ID3v1 tag, writes ID3v2 fields, and removes either tag. It reports its own failures through Messages (a
// Failure whose action is Tag), and once a file has failed (FileError) every later read, write and removal of that file
// returns at once, silently, for the object's life. Reads and changes also return what happened, for callers that act
// on it.
//
// Every change holds the file open and locked against other Sondrel processes from the read it
// decides on to its last write; a file that another one is changing is reported ("... is being
// changed by another Sondrel process") and left as it is, without counting as failed.
class MP3Tag {
public:
    MP3Tag() = default;
    MP3Tag(const MP3Tag& other);
    MP3Tag& operator=(const MP3Tag& other);
    MP3Tag(MP3Tag&&) noexcept = default;
    MP3Tag& operator=(MP3Tag&&) noexcept = default;

    // Binds the object to a path. Touches no file and changes no flag.
    void init(const QString& path) { m_path = path; }

    // The record itself, shared: what a caller assigns through it is what writeTag writes. Until
    // something is read or assigned, the object holds no record and reads as an empty one.
    MP3TagInfo& RawInfo();
    const MP3TagInfo& RawInfo() const;

    // What a read takes: the ID3v2 marker and the ID3v1 tag (BothTags), the ID3v1 tag alone, or
    // both and the ID3v2 tag's fields as well (AllTags).
    enum class Reading { BothTags, Id3v1Only, AllTags };

    // Reads the tags. A missing file, or one that is not an ordinary file, gets the not-found
    // message; a file that cannot be read, or is shorter than 128 bytes, the read-error report.
    // Without an ID3v1 tag the record's fields keep their values.
    Result<void> ReadTag(Reading reading = Reading::BothTags);

    bool HasID2Tag() const { return m_hasId2Tag; }
    // Assigning false cuts the ID3v2 tag off the front of the file, when the file has been read,
    // has not failed and had one. Anything else does nothing.
    void setHasID2Tag(bool value);
    // The ID3v2 tag's fields as the last read with AllTags (or write) found them; State::None when
    // the file has no ID3v2 tag or the last read did not read them.
    const Id3v2Reading& Id3v2Tag() const;
    // Shows the not-recognized message of this file's ID3v2 tag: for callers that leave a file
    // alone because Id3v2Tag() is Unreadable. The file does not count as failed.
    void reportUnreadableId3v2() const;
    bool HasID1Tag() const { return m_hasId1Tag; }
    // Assigning false cuts the ID3v1 tag off the end of the file, under the same conditions.
    void setHasID1Tag(bool value);

    // Text fields read trimmed of leading and trailing NUL, tab and space characters.
    QString SongName() const;
    QString Artist() const;
    QString Album() const;
    QString Comment() const;
    QString Year() const;
    // One character whose code is the number; NUL when the field is empty. Not trimmed.
    QString Track() const { return RawInfo().Track(); }
    QString Genre() const { return RawInfo().Genre(); }

    // Assignments go to the record, which keeps each field's width.
    void setSongName(const QString& value) { RawInfo().setSongName(value); }
    void setArtist(const QString& value) { RawInfo().setArtist(value); }
    void setAlbum(const QString& value) { RawInfo().setAlbum(value); }
    void setComment(const QString& value) { RawInfo().setComment(value); }
    void setTrack(const QString& value) { RawInfo().setTrack(value); }
    void setYear(const QString& value) { RawInfo().setYear(value); }
    void setGenre(const QString& value) { RawInfo().setGenre(value); }

    // Writes the record as the file's ID3v1 tag: in place over an existing tag, appended to a file
    // without one. Never creates a file.
    Result<void> writeTag();

    // Writes fields as the file's ID3v2 tag (see Id3v2::edited): a tag of any version is rewritten
    // keeping its other frames, a file without one gets one of newTagVersion (3 or 4), and nothing
    // is written when no field differs. The file is replaced whole, as a removal replaces it; a tag
    // that cannot be read is never rewritten (the not-recognized message), and a 2.2 tag, which is
    // written as 2.3, is announced first. Never creates a file.
    Result<void> writeId3v2(const Id3v2Fields& fields, int newTagVersion);
    // The same with the fields the file's tag holds when it is written, as change leaves them: for
    // callers that set some fields and keep the others.
    Result<void> changeId3v2(const std::function<void(Id3v2Fields&)>& change, int newTagVersion);

    // Reads the tags as ReadTag does, through one open for reading and writing, and then, when the
    // read succeeds, runs change, whose writes and tag removals use that same open file: the
    // read, the decision and the writes take one open and no other Sondrel process changes the
    // file in between. A file that may be read but not written is read as ReadTag reads it, and
    // the change reports what it cannot do. A change of the ID3v1 tag alone (Id3v1Only) does not
    // need the ID3v2 marker: it is not read, and HasID2Tag keeps what it said. The result is the
    // read's (or the lock's, when another Sondrel process holds the file); change reports its own.
    Result<void> changeTag(const std::function<void()>& change, Reading reading = Reading::BothTags);

    // True once a read has completed: the record and the flags then tell what the file holds.
    bool TagRead() const { return m_tagRead; }
    bool FileError() const { return m_failed.has_value(); }
    // Why the file failed (Missing, or Io for a read error); nothing while it has not.
    std::optional<Failure::Kind> failure() const { return m_failed; }
    QString MP3FileName() const { return m_path; }
    const QString& path() const { return m_path; }

private:
    // Reads the last 128 bytes, where an ID3v1 tag stands, and sets the record's marker from them:
    // "TAG", or the 3 bytes found. Nothing, after the read-error report, when the file is too short
    // or unreadable.
    std::optional<std::array<char, Id3v1::Size>> readId1Area(const FileOps::Handle& file);
    // Reads the ID3v2 marker (unless Id3v1Only) and the ID3v1 tag from the open file; a read error
    // is reported.
    Result<void> readFrom(const FileOps::Handle& file, Reading reading = Reading::BothTags);
    // Runs work on the file open for a change: the one changeTag holds, or one opened and locked
    // for this change alone. A file that another Sondrel process is changing is reported and work
    // does not run; one that cannot be opened is handed over closed, and work's first read reports
    // it.
    Result<void> withFileToChange(const std::function<Result<void>(FileOps::Handle&)>& work);
    Result<void> writeTagTo(FileOps::Handle& file);
    Result<void> removeId1TagFrom(FileOps::Handle& file);
    Result<void> removeId2TagFrom(const FileOps::Handle& file);
    Result<void> changeId3v2In(
        FileOps::Handle& file, const std::function<void(Id3v2Fields&)>& change, int newTagVersion);
    // Opens the file for a change: the file the open journal batch prepared for it, or else opened
    // and locked now.
    // With tail given, the file's last 128 bytes as they were read ahead, when they were.
    Result<FileOps::Handle> openToChange(std::optional<std::array<char, Id3v1::Size>>* tail = nullptr) const;
    // Reports a change that was not made because its undo could not be recorded.
    Result<void> notRecorded(const Journal::Step& step) const;
    // Writes head over the file's first bytes, in place.
    Result<void> writeFront(FileOps::Handle& file, const QByteArray& head);
    // Replaces the file with head followed by its bytes from offset, reporting a failure; the held
    // file is let go once the name holds another file.
    Result<void> replaceFront(const FileOps::Handle& file, qint64 offset, const QByteArray& head);
    // A failure of this file of the given kind, with reason as its words.
    Failure failureOf(Failure::Kind kind, const QString& reason = {}) const;
    // Shows the failure's message; a missing file or a read error (kind Missing or Io) makes the
    // file failed for the object's life.
    Result<void> report(const Failure& failure);
    // What a call on a file that has failed returns, silently.
    Result<void> failedBefore() const;

    QString m_path;
    // The file changeTag holds open while its change runs, with its last 128 bytes as read and
    // unchanged since (given to the first change that needs them, which then changes them).
    struct HeldFile {
        FileOps::Handle& file;
        std::optional<std::array<char, Id3v1::Size>> tail;
    };
    HeldFile* m_held = nullptr;
    // Made on first use: a playlist holds a tag object for every entry, most of them never read.
    std::unique_ptr<MP3TagInfo> m_record;
    // Made only for a file whose ID3v2 tag was read, for the same reason.
    std::unique_ptr<Id3v2Reading> m_id3v2;
    bool m_hasId1Tag = false;
    bool m_hasId2Tag = false;
    bool m_tagRead = false;
    std::optional<Failure::Kind> m_failed;
};
