#include "tags/MP3TagInfo.h"

#include <algorithm>

QString MP3TagInfo::PadField(const QString& value, qsizetype width)
{
    if (value.size() >= width)
        return value.left(width);
    QString padded(width, Qt::Uninitialized);
    std::copy(value.begin(), value.end(), padded.begin());
    std::fill(padded.begin() + value.size(), padded.end(), QChar(0));
    return padded;
}
