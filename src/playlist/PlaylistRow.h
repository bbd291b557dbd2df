#pragma once

#include <array>
#include <memory>

#include <QString>

#include "playlist/EntryList.h"

// The five columns of a playlist row, by their numbers.
enum PlaylistColumn : int {
    FileNameColumn = 0,
    TitleColumn = 1,
    QuickTagColumn = 2,
    HasId2Column = 3,
    LengthColumn = 4,
    PlaylistColumnCount = 5,
};

// One row of the playlist: its five column texts, its entry and the key of its icon. The row and
// its entry are one object, held through the entry list's links (and by any iterator on the
// entry); the model keeps the rows in display order. A row keeps its address for its whole life,
// whatever happens to the rows around it: that address is the row's identity.
struct PlaylistRow : MP3Node {
    // The row's place in display order, kept by the model: the way from a row to its position; -1
    // once the row has left the model. Rows stay below 2^31, as the views count them in int.
    qint32 position = -1;
    // The row's icon key, as an index into its model's table of distinct keys.
    quint32 iconKey = 0;

    // The file name column is the entry's path (file()), held once: setting it gives the entry a
    // new path, as reInit does.
    const QString& text(int column) const;
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

// What the two tag columns show until the tags are read.
inline QString unreadTagText()
{
    return QStringLiteral("...");
}
