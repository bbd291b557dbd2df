#include "tags/MP3TagInfo.h"

QString MP3TagInfo::PadField(const QString& value, qsizetype width)
{
    if (value.size() >= width)
        return value.left(width);
    return value + QString(width - value.size(), QChar(0));
}
