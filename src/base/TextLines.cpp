#include "base/TextLines.h"

#include <QStringDecoder>

#include "base/CodePage.h"

namespace TextLines {

QString decode(QByteArrayView bytes)
{
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
