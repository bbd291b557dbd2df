#include "tags/Id3v2.h"

namespace Id3v2 {

bool startsWithMarker(QByteArrayView bytes)
{
    return bytes.startsWith(marker());
}

quint32 DecodeSyncsafe(quint32 raw)
{
    return (raw & 0x7F) | ((raw >> 1) & 0x3F80) | ((raw >> 2) & 0x1FC000) | ((raw >> 3) & 0xFE00000);
}

std::optional<qint64> tagLength(QByteArrayView header)
{
    if (header.size() < HeaderSize)
        return std::nullopt;
    const auto byte = [&](qsizetype i) { return static_cast<quint32>(static_cast<unsigned char>(header.at(i))); };
    if (byte(6) >= 128 || byte(8) >= 128)
        return std::nullopt;
    const quint32 raw = (byte(6) << 24) | (byte(7) << 16) | (byte(8) << 8) | byte(9);
    qint64 length = qint64(DecodeSyncsafe(raw)) + HeaderSize;
    if (byte(5) & FooterFlag)
        length += FooterSize;
    return length;
}

std::optional<QByteArray> paddedTo(const QByteArray& tag, qint64 length)
{
    constexpr qint64 kLargestSize = (qint64(1) << 28) - 1;
    if (tag.size() < HeaderSize || !startsWithMarker(tag) || tag.size() > length || length - HeaderSize > kLargestSize
        || (static_cast<unsigned char>(tag.at(5)) & FooterFlag))
        return std::nullopt;
    QByteArray padded = tag;
    padded.append(QByteArray(length - tag.size(), '\0'));
    const qint64 size = length - HeaderSize;
    for (int i = 0; i < 4; ++i)
        padded[9 - i] = char((size >> (7 * i)) & 0x7F);
    return padded;
}

} // namespace Id3v2
