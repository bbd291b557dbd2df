#include "playlist/PlaylistRow.h"

#include <QStringList>

#include "base/PathTools.h"

QString iconKeyOf(const QString& path)
{
    static const QStringList ownIcons
        = {QStringLiteral("ICO"), QStringLiteral("EXE"), QStringLiteral("DLL"), QStringLiteral("OCX")};
    const QString extension = PathTools::extensionOf(path).toUpper();
    return ownIcons.contains(extension) ? path.toUpper() : extension;
}
