#include "base/TextLines.h"

#include <QStringDecoder>

#include "base/CodePage.h"

namespace TextLines {

namespace {

// The text with every surrogate that is not part of a pair replaced by U+FFFD, so that decoded
// text never holds the lone surrogates NativePath gives to undecodable bytes of file names.
QString withoutLoneSurrogates(QString text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    // A UTF-16 byte-order mark chooses the byte order; a further mark is kept as text.
    const auto startsWith
        = [bytes](char first, char second) { return bytes.size() >= 2 && bytes[0] == first && bytes[1] == second; };
    const bool little = startsWith('\xFF', '\xFE');
    if (little || startsWith('\xFE', '\xFF')) {
        QStringDecoder utf16(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        // The odd last byte is replaced here: the decoder drops it silently when it is the only one.
        const QByteArrayView units = bytes.sliced(2);
        QString text = utf16.decode(units.first(units.size() & ~qsizetype(1)));
        if (units.size() % 2 != 0)
            text += QChar::ReplacementCharacter;
        return withoutLoneSurrogates(std::move(text));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoder drops a leading byte-order mark by itself.
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return CodePage::toUnicode(bytes);
    return text;
}

QStringList split(const QString& text, qsizetype maxLines, bool* more)
{
    QStringList lines;
    if (more)
        *more = false;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        if (maxLines >= 0 && lines.size() == maxLines) {
            if (more)
                *more = true;
            break;
        }
        qsizetype end = start;
        while (end < size && text.at(end) != u'\r' && text.at(end) != u'\n')
            ++end;
        lines.append(text.mid(start, end - start));
        if (end < size && text.at(end) == u'\r' && end + 1 < size && text.at(end + 1) == u'\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

} // namespace TextLines
