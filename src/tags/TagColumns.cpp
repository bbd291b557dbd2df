#include "tags/TagColumns.h"

#include <QStringBuilder>

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
    return tag.Artist() % QStringLiteral(" - ") % tag.SongName();
}

QString hasId2(const MP3Tag& tag)
{
    if (tag.FileError())
        return kError;
    return tag.HasID2Tag() ? QStringLiteral("Yes") : QStringLiteral("No");
}

} // namespace TagColumns
