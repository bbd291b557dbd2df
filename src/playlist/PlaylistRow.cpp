#include "playlist/PlaylistRow.h"

namespace {

QStringView extensionOf(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot < 0 ? QStringView() : QStringView(path).sliced(dot + 1);
}

bool hasOwnIcon(QStringView extension)
{
    for (const char16_t* own : {u"ICO", u"EXE", u"DLL", u"OCX"}) {
        if (extension.compare(QStringView(own), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

QString PlaylistRow::text(int column, TagChoice fieldsFrom) const
{
    static const QString unread = unreadTagText();
    switch (column) {
    case FileNameColumn: return file();
    case TitleColumn: return m_title;
    case QuickTagColumn: return m_tagTexts ? (*m_tagTexts)[0] : unread;
    case HasId2Column: return m_tagTexts ? (*m_tagTexts)[1] : unread;
    case LengthColumn: return m_length;
    case Id3v2QuickTagColumn: return m_tagTexts ? TagColumns::id3v2QuickTag(mp3Tag()) : unread;
    default:
        return m_tagTexts ? TagColumns::fieldText(mp3Tag(), TagColumns::TagField(column - AlbumColumn), fieldsFrom)
                          : QString();
    }
}

void PlaylistRow::setText(int column, const QString& text)
{
    switch (column) {
    case FileNameColumn: reInit(text); return;
    case TitleColumn: m_title = text; return;
    case QuickTagColumn:
    case HasId2Column:
        if (!m_tagTexts) {
            if (text == unreadTagText())
                return;
            m_tagTexts = std::make_unique<std::array<QString, 2>>(std::array{unreadTagText(), unreadTagText()});
        }
        (*m_tagTexts)[column == QuickTagColumn ? 0 : 1] = text;
        return;
    case LengthColumn: m_length = text; return;
    default: return;
    }
}

QString IconKeys::keyOf(const QString& path)
{
    const QStringView extension = extensionOf(path);
    if (hasOwnIcon(extension))
        return path.toUpper();
    if (m_key.isNull() || extension != m_extension) {
        m_extension = extension.toString();
        m_key = m_extension.toUpper();
    }
    return m_key;
}
