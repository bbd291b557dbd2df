#include <QApplication>
#include <QStringList>

#include "base/Messages.h"
#include "ui/Form1.h"
#include "ui/MessageBoxMessages.h"

// The window. One optional argument: a playlist to open at start, as a file manager passes it.
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sondrel"));
    QApplication::setApplicationVersion(QStringLiteral(SONDREL_VERSION));
    Form1 window;
    MessageBoxMessages messages(&window);
    MessagesScope scope(messages);
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        window.openPlaylist(arguments.at(1));
    return QApplication::exec();
}
