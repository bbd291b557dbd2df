#include "base/PathTools.h"

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

QString combinePath(const QString& folder, const QString& path, PathStyle style)
{
    const QChar slash = separator(style);
    const bool leadingSeparator = style == PathStyle::Windows && path.startsWith(slash);
    // A drive path read on Posix names nothing here; it is kept as written, not glued to the folder.
    if (!leadingSeparator && (isAbsolute(path, style) || isAbsolute(path, PathStyle::Windows)))
        return path;
    const QStringView rest = leadingSeparator ? QStringView(path).sliced(1) : QStringView(path);
    if (folder.isEmpty())
        return rest.toString();
    QString combined;
    combined.reserve(folder.size() + 1 + rest.size());
    combined += folder;
    if (!folder.endsWith(slash))
        combined += slash;
    combined += rest;
    return combined;
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
