#include "base/PathTools.h"

#include <vector>

namespace PathTools {

namespace {

bool isBlank(QChar c)
{
    return c == QChar(0) || c == u'\t' || c == u' ';
}

} // namespace

PathStyle nativeStyle()
{
#ifdef Q_OS_WIN
    return PathStyle::Windows;
#else
    return PathStyle::Posix;
#endif
}

QChar separator(PathStyle style)
{
    return style == PathStyle::Windows ? QChar(u'\\') : QChar(u'/');
}

QString addBackslash(const QString& path, PathStyle style)
{
    if (path.isEmpty() || path.endsWith(separator(style)))
        return path;
    return path + separator(style);
}

qsizetype findLast(const QString& text, const QString& part)
{
    if (part.size() > text.size())
        return 0;
    if (part.isEmpty())
        return text.size() + 1;
    // The search starts where the last possible occurrence begins. Started at the text's end, Qt
    // compares a one-character part with the NUL that ends its buffer and finds a NUL there that
    // the text does not hold.
    return text.lastIndexOf(part, text.size() - part.size()) + 1;
}

QString folderOf(const QString& path, PathStyle style)
{
    const qsizetype last = path.lastIndexOf(separator(style));
    return last < 0 ? QString() : path.left(last + 1);
}

QString fileNameOf(const QString& path, PathStyle style)
{
    const qsizetype last = path.lastIndexOf(separator(style));
    return last < 0 ? path : path.mid(last + 1);
}

QString stripExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QString extensionOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

bool isAbsolute(const QString& path, PathStyle style)
{
    if (style == PathStyle::Windows)
        return QStringView(path).mid(1, 2) == u":\\";
    return path.startsWith(u'/');
}

namespace {

bool isDotSegment(QStringView segment)
{
    return segment == u"." || segment == u"..";
}

bool hasDotSegment(QStringView path, QChar slash)
{
    for (const QStringView segment : path.tokenize(slash)) {
        if (isDotSegment(segment))
            return true;
    }
    return false;
}

// The length of the part of a path that ".." cannot climb above: "X:\" in Windows style, the
// leading separators in Posix style; 0 for a relative path.
qsizetype rootLength(QStringView path, PathStyle style)
{
    if (style == PathStyle::Windows)
        return path.mid(1, 2) == u":\\" ? 3 : 0;
    qsizetype length = 0;
    while (length < path.size() && path[length] == u'/')
        ++length;
    return length;
}

} // namespace

QString resolveDots(const QString& path, PathStyle style)
{
    const QChar slash = separator(style);
    if (!hasDotSegment(path, slash))
        return path;
    const qsizetype root = rootLength(path, style);
    std::vector<QStringView> kept;
    for (const QStringView segment : QStringView(path).sliced(root).tokenize(slash)) {
        if (segment == u".")
            continue;
        if (segment != u"..") {
            kept.push_back(segment);
            continue;
        }
        // "a//.." leaves the folder that holds a, as the file system reads it.
        while (!kept.empty() && kept.back().isEmpty())
            kept.pop_back();
        if (!kept.empty() && kept.back() != u"..")
            kept.pop_back();
        else if (root == 0)
            kept.push_back(segment); // nothing known to climb out of: kept
        // else: above the root, which stays the root
    }
    QString resolved = path.left(root);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0)
            resolved += slash;
        resolved += kept[i];
    }
    // A relative path that resolved to nothing names the folder it started from.
    return resolved.isEmpty() ? QStringLiteral(".") : resolved;
}

QString combinePath(const QString& folder, const QString& path, PathStyle style)
{
    const QChar slash = separator(style);
    const bool leadingSeparator = style == PathStyle::Windows && path.startsWith(slash);
    // A drive path read on Posix names nothing here; it is kept as written, not glued to the folder.
    if (!leadingSeparator && (isAbsolute(path, style) || isAbsolute(path, PathStyle::Windows)))
        return path;
    const QStringView rest = leadingSeparator ? QStringView(path).sliced(1) : QStringView(path);
    // Without a folder nothing is combined: the path stays as written, dots and all, so that a
    // "./#name" never turns into a line that reads as a comment.
    if (folder.isEmpty())
        return rest.toString();
    QString combined;
    combined.reserve(folder.size() + 1 + rest.size());
    combined += folder;
    if (!folder.endsWith(slash))
        combined += slash;
    combined += rest;
    return resolveDots(combined, style);
}

QString relativePath(const QString& folder, const QString& path, PathStyle style)
{
    if (!isAbsolute(folder, style) || !isAbsolute(path, style))
        return path;
    const QChar slash = separator(style);
    const QString from = resolveDots(folder, style);
    const QString to = resolveDots(path, style);
    const qsizetype fromRoot = rootLength(from, style);
    const qsizetype toRoot = rootLength(to, style);
    if (from.left(fromRoot).toUpper() != to.left(toRoot).toUpper())
        return path; // another drive: no relative path reaches it
    const auto segments = [slash](QStringView text) {
        std::vector<QStringView> parts;
        for (const QStringView part : text.tokenize(slash, Qt::SkipEmptyParts))
            parts.push_back(part);
        return parts;
    };
    const std::vector<QStringView> folderParts = segments(QStringView(from).sliced(fromRoot));
    const std::vector<QStringView> pathParts = segments(QStringView(to).sliced(toRoot));
    std::size_t shared = 0;
    // The file name itself is never a shared folder.
    while (shared < folderParts.size() && shared + 1 < pathParts.size() && folderParts[shared] == pathParts[shared])
        ++shared;
    QString relative;
    for (std::size_t i = shared; i < folderParts.size(); ++i)
        relative += QStringLiteral("..") + slash;
    for (std::size_t i = shared; i < pathParts.size(); ++i) {
        relative += pathParts[i];
        if (i + 1 < pathParts.size())
            relative += slash;
    }
    return relative;
}

QStringView trimmedOfBlanks(QStringView text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && isBlank(text[first]))
        ++first;
    while (end > first && isBlank(text[end - 1]))
        --end;
    return text.sliced(first, end - first);
}

QString trimBlanks(const QString& text)
{
    const QStringView trimmed = trimmedOfBlanks(text);
    // The text itself, shared, when there is nothing to trim.
    return trimmed.size() == text.size() ? text : trimmed.toString();
}

} // namespace PathTools
