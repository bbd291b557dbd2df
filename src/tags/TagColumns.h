#pragma once

#include <QString>

class MP3Tag;

// Which of a file's two tags a command takes its fields from: the setting Options > "Format
// Strings Use" stands for.
enum class TagChoice { Id3v1, Id3v2 };

// What the QuickTag columns and "Has ID3v2?" show until the tags are read.
inline QString unreadTagText()
{
    return QStringLiteral("...");
}

// The texts a playlist row shows for a file's tags, after the tag object has read the file.
namespace TagColumns {

// "ID3v1 QuickTag": artist " - " title, "(none)" without an ID3v1 tag, "(error)" once the file failed.
QString quickTag(const MP3Tag& tag);
// "Has ID3v2?": "Yes", "No", or "(error)" once the file failed.
QString hasId2(const MP3Tag& tag);
// "ID3v2 QuickTag": artist " - " title of the ID3v2 tag; "(none)" without one; "(error)" once the
// file failed or when its ID3v2 tag cannot be read; "..." for a tag whose fields were not read.
QString id3v2QuickTag(const MP3Tag& tag);

// The field columns after "ID3v2 QuickTag", in their order.
enum class TagField { Album, Track, Year, Genre, Comment };
// A field of the chosen tag as its column shows it; empty when the file has no such tag (or an
// unreadable one, or failed). ID3v1: texts trimmed, the track as its number (empty for 0), the
// genre as its name once the genre list is loaded and as its number until then (the column never
// loads the list itself: a paint must not show the list's message). ID3v2: the texts as held.
QString fieldText(const MP3Tag& tag, TagField field, TagChoice from);

} // namespace TagColumns
