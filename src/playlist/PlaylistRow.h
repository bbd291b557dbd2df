#pragma once

#include <array>
#include <memory>

#include <QString>

#include "playlist/EntryList.h"
#include "tags/TagColumns.h"

// The columns of a playlist row, by their numbers. The first five are the playlist's own and
// keep their numbers; the rest show a file's tags and are made from its tag object when asked.
enum PlaylistColumn : int {
    FileNameColumn = 0,
    TitleColumn = 1,
    QuickTagColumn = 2,
    HasId2Column = 3,
    LengthColumn = 4,
    Id3v2QuickTagColumn = 5,
    AlbumColumn = 6,
    TrackColumn = 7,
    YearColumn = 8,
    GenreColumn = 9,
    CommentColumn = 10,
    PlaylistColumnCount = 11,
};

// True for the columns whose texts come from the file's tags: a change to them is not a change to
// the playlist.
constexpr bool isTagColumn(int column)
{
    return column == QuickTagColumn || column == HasId2Column || column >= Id3v2QuickTagColumn;
}

// One row of the playlist: its five column texts, its entry and the key of its icon. The row and
// its entry are one object, held through the entry list's links (and by any iterator on the
// entry); the model keeps the rows in display order. A row keeps its address for its whole life,
// whatever happens to the rows around it: that address is the row's identity.
struct PlaylistRow : MP3Node {
    // The row's place in display order, kept by the model: the way from a row to its position; -1
    // once the row has left the model. Rows stay below 2^31, as the views count them in int.
    qint32 position = -1;
    // The row's icon key, as an index into its model's table of distinct keys.
    quint32 iconKey : 31 = 0;
    // The playlist the row came from wrote its path relative to its folder (PlaylistEntry::relative).
    quint32 writtenRelative : 1 = 0;

    // The file name column is the entry's path (file()), held once: setting it gives the entry a
    // new path, as reInit does. The columns from "ID3v2 QuickTag" on are made from the tag object
    // (fieldsFrom names the tag of Album to Comment) and cost a row nothing; until the row's tags
    // have been shown they read as unread ("ID3v2 QuickTag") or empty.
    QString text(int column, TagChoice fieldsFrom = TagChoice::Id3v1) const;
    // Sets one of the first five columns; the columns made from the tag object are not set.
    void setText(int column, const QString& text);
    MP3Node& entry() { return *this; }
    const MP3Node& entry() const { return *this; }

private:
    QString m_title;
    QString m_length;
    // The two tag columns, made when one of them is first given a text other than the unread one:
    // most rows of a large playlist never have their tags read, and until then they share one text.
    std::unique_ptr<std::array<QString, 2>> m_tagTexts;
};

// The key under which a row's file-type icon is kept: the upper-cased extension of the path (the
// text after its last "."), so that all files of one type share one icon; but the whole path,
// upper-cased, for the types whose icon is their own (ICO, EXE, DLL, OCX). No "." gives "".
// Made for many paths one after another: files of one type usually follow each other, and then
// their rows share one key text instead of making it anew.
class IconKeys {
public:
    QString keyOf(const QString& path);

private:
    QString m_extension;
    QString m_key;
};
