// Path tools on any text, and file names as bytes.
//
// NativePath: any bytes decoded and encoded again are the same bytes, and text decoded from bytes
// survives encoding and decoding. PathTools, in both styles: folderOf + fileNameOf is the path,
// the folder is empty or ends with the separator and the name holds none; stripExtension and
// extensionOf put back together (with the ".") give the name; addBackslash adds at most one
// separator and ends with one; combinePath keeps an absolute path, and the path with no folder;
// otherwise it leaves no "." segment and a ".." only at the start of a relative result, resolving
// again changes nothing, and without "." and ".." segments in what it joins it ends with the path;
// trimBlanks gives the inner stretch without
// blanks at either end; findLast finds the last occurrence. The input's first byte chooses UTF-8 or raw UTF-16, the
// rest is split at its first NUL into two texts.

#include "FuzzSupport.h"
#include "base/NativePath.h"
#include "base/PathTools.h"

namespace {

bool isBlank(QChar c)
{
    return c == QChar(0) || c == u'\t' || c == u' ';
}

// Whether a "." or ".." segment stands after a segment that is neither: what resolving removes.
bool holdsResolvableDots(const QString& path, QChar slash)
{
    bool named = false;
    for (const QStringView segment : QStringView(path).tokenize(slash)) {
        if (segment == u"." || (named && segment == u".."))
            return true;
        named = named || segment != u"..";
    }
    return false;
}

bool holdsDots(const QString& path, QChar slash)
{
    for (const QStringView segment : QStringView(path).tokenize(slash)) {
        if (segment == u"." || segment == u"..")
            return true;
    }
    return false;
}

void checkPath(const QString& path, const QString& other, PathStyle style)
{
    using namespace PathTools;
    const QChar slash = separator(style);
    const QString folder = folderOf(path, style);
    const QString name = fileNameOf(path, style);
    FUZZ_CHECK(folder + name == path);
    FUZZ_CHECK(folder.isEmpty() || folder.endsWith(slash));
    FUZZ_CHECK(!name.contains(slash));

    const QString stem = stripExtension(name);
    const QString extension = extensionOf(name);
    FUZZ_CHECK(name.contains(u'.') ? stem + u'.' + extension == name : stem == name && extension.isEmpty());
    FUZZ_CHECK(!extension.contains(u'.'));

    const QString withSlash = addBackslash(path, style);
    FUZZ_CHECK(path.isEmpty() ? withSlash.isEmpty() : withSlash.endsWith(slash));
    FUZZ_CHECK(withSlash == path || withSlash == path + slash);

    const QString combined = combinePath(other, path, style);
    const bool leading = style == PathStyle::Windows && path.startsWith(slash);
    const QStringView rest = leading ? QStringView(path).sliced(1) : QStringView(path);
    if (!leading && (isAbsolute(path, style) || isAbsolute(path, PathStyle::Windows))) {
        FUZZ_CHECK(combined == path);
    } else if (other.isEmpty()) {
        FUZZ_CHECK(combined == rest);
    } else {
        FUZZ_CHECK(!holdsResolvableDots(combined, slash) || combined == u".");
        FUZZ_CHECK(resolveDots(combined, style) == combined);
        if (!holdsDots(other, slash) && !holdsDots(path, slash))
            FUZZ_CHECK(combined.endsWith(rest));
    }
    FUZZ_CHECK(combined.size() <= other.size() + 1 + path.size());

    const QString trimmed = trimBlanks(path);
    FUZZ_CHECK(path.contains(trimmed));
    FUZZ_CHECK(trimmed.isEmpty() || (!isBlank(trimmed.front()) && !isBlank(trimmed.back())));
    FUZZ_CHECK(trimmedOfBlanks(path) == trimmed);

    const qsizetype last = findLast(path, other);
    if (last > 0) {
        FUZZ_CHECK(QStringView(path).sliced(last - 1).startsWith(other));
        FUZZ_CHECK(QStringView(path).sliced(last).indexOf(other) < 0 || other.isEmpty());
    } else {
        FUZZ_CHECK(!path.contains(other));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::messages().reset();
    const QByteArrayView input = Fuzz::bytesOf(data, size);

    const QString decoded = NativePath::decode(input);
    FUZZ_CHECK(NativePath::encode(decoded) == input);
    FUZZ_CHECK(NativePath::decode(NativePath::encode(decoded)) == decoded);
    FUZZ_CHECK(decoded.size() <= input.size());

    if (input.isEmpty())
        return 0;
    const bool raw = input[0] & 1;
    const QByteArrayView rest = input.sliced(1);
    const qsizetype nul = rest.indexOf('\0');
    const QString path = Fuzz::textOf(nul < 0 ? rest : rest.first(nul), raw);
    const QString other = nul < 0 ? QString() : Fuzz::textOf(rest.sliced(nul + 1), raw);
    checkPath(path, other, PathStyle::Posix);
    checkPath(path, other, PathStyle::Windows);
    FUZZ_CHECK(Fuzz::messages().shown() == 0);
    return 0;
}
