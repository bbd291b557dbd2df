#pragma once

#include <array>
#include <memory>

#include <QString>

class MP3Node;

// The five columns of a playlist row, by their numbers.
enum PlaylistColumn : int {
    FileNameColumn = 0,
    TitleColumn = 1,
    QuickTagColumn = 2,
    HasId2Column = 3,
    LengthColumn = 4,
    PlaylistColumnCount = 5,
};

// One row of the playlist: its five column texts, its entry and the key of its icon. A row is owned
// by the playlist model and keeps its address for its whole life, whatever happens to the rows
// around it: that address is the row's identity, by which its entry refers to it.
struct PlaylistRow {
    std::array<QString, PlaylistColumnCount> texts;
    std::shared_ptr<MP3Node> entry;
    QString iconKey;
    // The row's place in display order, kept by the model: the way from a row to its position.
    qsizetype position = -1;

    const QString& text(int column) const { return texts[std::size_t(column)]; }
};

// The key under which a row's file-type icon is kept: the upper-cased extension of the path (the
// text after its last "."), so that all files of one type share one icon; but the whole path,
// upper-cased, for the types whose icon is their own (ICO, EXE, DLL, OCX). No "." gives "".
QString iconKeyOf(const QString& path);

// The same for many paths one after another: files of one type usually follow each other, and
// then their rows share one key text instead of making it anew.
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
