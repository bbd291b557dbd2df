#include "tags/TagColumns.h"

#include <QStringBuilder>

#include "base/PathTools.h"
#include "tags/MP3Tag.h"

namespace TagColumns {

namespace {

const QString kError = QStringLiteral("(error)");

} // namespace

QString quickTag(const MP3Tag& tag)
{
    if (tag.FileError())
        return kError;
    if (!tag.HasID1Tag())
        return QStringLiteral("(none)");
    // The record's fields are full width, so reading them copies nothing; only the result is built.
    const QString artist = tag.RawInfo().Artist();
    const QString title = tag.RawInfo().SongName();
    return PathTools::trimmedOfBlanks(artist) % QStringLiteral(" - ") % PathTools::trimmedOfBlanks(title);
}

QString hasId2(const MP3Tag& tag)
{
    if (tag.FileError())
        return kError;
    return tag.HasID2Tag() ? QStringLiteral("Yes") : QStringLiteral("No");
}

} // namespace TagColumns
