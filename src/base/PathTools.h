#pragma once

#include <QString>
#include <QStringView>

// Stateless text procedures that take paths apart and put them together. None of them touches
// the file system. Positions are 1-based; 0 means "not found". Comparisons are exact.
//
// A PathStyle says how path text is read: Windows style has "\" as its only separator and is
// absolute when characters 2 and 3 are ":\" (a leading "\" is taken as relative to the folder, as
// playlists written on that system expect); Posix style has "/" and is absolute when it begins
// with "/". The program works in the native style; the other exists so that both can be tested.
enum class PathStyle { Windows, Posix };

namespace PathTools {

PathStyle nativeStyle();
QChar separator(PathStyle style = nativeStyle());

// The path with a trailing separator; the empty text stays empty.
QString addBackslash(const QString& path, PathStyle style = nativeStyle());
// Everything up to and including the last separator; empty when there is none.
QString folderOf(const QString& path, PathStyle style = nativeStyle());
// Everything after the last separator; the whole path when there is none.
QString fileNameOf(const QString& path, PathStyle style = nativeStyle());
// The text before the last "."; the text itself when it has no ".". The whole text is searched,
// so a dot in a folder name counts when the file name has none.
QString stripExtension(const QString& name);
// The text after the last "."; empty when the text has no ".".
QString extensionOf(const QString& name);
// The 1-based position of the last occurrence of part in text, 0 when there is none. An empty
// part gives the length of the text plus one.
qsizetype findLast(const QString& text, const QString& part);
// A path read from a playlist, resolved against the playlist's folder: the two joined, then their
// "." and ".." segments resolved (resolveDots), so that one file gets one path however the entry
// reaches it. Absolute paths are kept exactly as written, and so are drive paths ("C:\...") in
// Posix style, which no folder here can complete; with an empty folder the path is kept too.
QString combinePath(const QString& folder, const QString& path, PathStyle style = nativeStyle());
// The path with its "." segments dropped and each ".." taking away the name before it, as text:
// symbolic links are not followed, so "link/.." gives the folder that holds the link. A ".." above
// the root ("/" or "X:\") stays at the root; a ".." at the start of a relative path is kept. Empty
// segments (repeated separators) stay, except those a ".." climbs over. A path without "." and
// ".." segments is returned unchanged; a relative one that resolves to nothing gives ".".
QString resolveDots(const QString& path, PathStyle style = nativeStyle());
// The text without leading and trailing NUL, tab and space characters; inner ones stay.
QString trimBlanks(const QString& text);
// The same as a view into the text, for callers that only compose.
QStringView trimmedOfBlanks(QStringView text);

bool isAbsolute(const QString& path, PathStyle style = nativeStyle());

// The absolute path as seen from the absolute folder: the names after the segments the two share,
// each segment of the folder past them climbed with "..", so "/m/a/x.mp3" from "/m/lists" is
// "../a/x.mp3" and from "/m" is "a/x.mp3". Both are taken through resolveDots first; a path or folder
// that is not absolute, or a Windows path whose drive differs from the folder's, is returned
// unchanged. Nothing is looked up: whether the two are on one volume is the caller's question.
QString relativePath(const QString& folder, const QString& path, PathStyle style = nativeStyle());

} // namespace PathTools
