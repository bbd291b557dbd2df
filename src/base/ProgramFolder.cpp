#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString programFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Without an application object (the command-line program does not need one) the kernel
    // names the executable.
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

QStringList dataFolders(const QString& programFolder)
{
    // cleanPath folds "bin/../share" so that messages show a plain path.
    return {programFolder, QDir::cleanPath(programFolder + u'/' + QStringLiteral(SONDREL_DATA_FROM_BIN))};
}

QString dataFolderOf(const QString& fileName, const QString& programFolder)
{
    const QStringList folders = dataFolders(programFolder);
    for (const QString& folder : folders) {
        // A folder or a broken link of that name is no data file: look further.
        if (QFileInfo(folder + u'/' + fileName).isFile())
            return folder;
    }
    return folders.first();
}

QString dataFolderOf(const QString& fileName)
{
    return dataFolderOf(fileName, programFolder());
}
