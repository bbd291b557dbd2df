#include "FileTree.h"

#include <sys/stat.h>

#include <QDirIterator>
#include <QFile>

#include "support/TestFiles.h"

FileTree fileTreeOf(const QString& folder)
{
    FileTree tree;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info { };
        ::lstat(QFile::encodeName(path).constData(), &info);
        tree[path.mid(folder.size() + 1)] = {TestFiles::read(path), info.st_mode & 07777};
    }
    return tree;
}

FileTree withoutTemporaries(FileTree tree)
{
    std::erase_if(tree, [](const auto& file) {
        const QString name = file.first.mid(file.first.lastIndexOf(u'/') + 1);
        return name.startsWith(QStringLiteral(".sondrel-"));
    });
    return tree;
}

void PrintTo(const FileTree& tree, std::ostream* out)
{
    *out << "{";
    for (const auto& [name, state] : tree)
        *out << " " << name.toStdString() << " (" << state.bytes.size() << " bytes, mode " << std::oct << state.mode
             << std::dec << ")";
    *out << " }";
}
