#pragma once

#include <QString>

// The tag record: the ID3v1 fields of one file, as characters of the tag code page (one character
// per byte of the file). Each text field has its width in the tag. While IgnoreLength is false a
// field keeps at most its width on assignment and reads back padded with NULs to exactly its
// width; while it is true a field stores and returns any value whole (records used for composing
// and parsing names). The marker `tag` always keeps the fixed width.
//
// Track and Genre are one character whose code is the number, 0 to 255.
class MP3TagInfo {
public:
    static constexpr qsizetype TagWidth = 3;
    static constexpr qsizetype SongNameWidth = 30;
    static constexpr qsizetype ArtistWidth = 30;
    static constexpr qsizetype AlbumWidth = 30;
    static constexpr qsizetype YearWidth = 4;
    static constexpr qsizetype CommentWidth = 29;
    static constexpr qsizetype TrackWidth = 1;
    static constexpr qsizetype GenreWidth = 1;

    qint32 Duration() const { return m_duration; }
    void setDuration(qint32 value) { m_duration = value; }
    qint32 FrameCount() const { return m_frameCount; }
    void setFrameCount(qint32 value) { m_frameCount = value; }
    bool IgnoreLength() const { return m_ignoreLength; }
    void setIgnoreLength(bool value) { m_ignoreLength = value; }

    QString tag() const { return PadField(m_tag, TagWidth); }
    void setTag(const QString& value) { m_tag = value.left(TagWidth); }

    QString SongName() const { return read(m_songName, SongNameWidth); }
    void setSongName(const QString& value) { assign(m_songName, value, SongNameWidth); }
    QString Artist() const { return read(m_artist, ArtistWidth); }
    void setArtist(const QString& value) { assign(m_artist, value, ArtistWidth); }
    QString Album() const { return read(m_album, AlbumWidth); }
    void setAlbum(const QString& value) { assign(m_album, value, AlbumWidth); }
    QString Year() const { return read(m_year, YearWidth); }
    void setYear(const QString& value) { assign(m_year, value, YearWidth); }
    QString Comment() const { return read(m_comment, CommentWidth); }
    void setComment(const QString& value) { assign(m_comment, value, CommentWidth); }
    QString Track() const { return read(m_track, TrackWidth); }
    void setTrack(const QString& value) { assign(m_track, value, TrackWidth); }
    QString Genre() const { return read(m_genre, GenreWidth); }
    void setGenre(const QString& value) { assign(m_genre, value, GenreWidth); }

    // The value padded with NUL characters to width, then cut to width.
    static QString PadField(const QString& value, qsizetype width);

private:
    QString read(const QString& stored, qsizetype width) const
    {
        return m_ignoreLength ? stored : PadField(stored, width);
    }
    void assign(QString& stored, const QString& value, qsizetype width) const
    {
        stored = m_ignoreLength ? value : value.left(width);
    }

    qint32 m_duration = 0;
    qint32 m_frameCount = 0;
    bool m_ignoreLength = false;
    QString m_tag;
    QString m_songName;
    QString m_artist;
    QString m_album;
    QString m_year;
    QString m_comment;
    QString m_track;
    QString m_genre;
};
