#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

QString programFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Without an application object (the command-line program does not need one) the kernel
    // names the executable.
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}
