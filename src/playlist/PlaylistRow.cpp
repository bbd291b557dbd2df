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

QString iconKeyOf(const QString& path)
{
    const QStringView extension = extensionOf(path);
    return hasOwnIcon(extension) ? path.toUpper() : extension.toString().toUpper();
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
