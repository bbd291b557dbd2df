#include "ui/RowMenu.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QUrl>

#include "base/PathTools.h"

QMenu* rowMenu(QWidget* parent, const RowMenuCommands& commands, const QString& path)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("mnuRows"));
    menu->addAction(commands.editTag);
    menu->addSeparator();
    menu->addActions(commands.actions->actions());
    menu->addSeparator();
    menu->addAction(commands.deleteSelected);
    menu->addAction(commands.findMissingFiles);
    menu->addSeparator();
    QAction* open = menu->addAction(QStringLiteral("&Open Containing Folder"), menu,
        [path] { QDesktopServices::openUrl(QUrl::fromLocalFile(PathTools::folderOf(path))); });
    open->setObjectName(QStringLiteral("mnuOpenContainingFolder"));
    // A folder that is not there cannot be opened; a drive path names none here.
    open->setEnabled(!path.isEmpty() && QFileInfo(PathTools::folderOf(path)).isDir());
    QAction* copy
        = menu->addAction(QStringLiteral("Cop&y Path"), menu, [path] { QGuiApplication::clipboard()->setText(path); });
    copy->setObjectName(QStringLiteral("mnuCopyPath"));
    copy->setEnabled(!path.isEmpty());
    return menu;
}
