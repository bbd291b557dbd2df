#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QIcon>
#include <QStringList>

#include "base/Messages.h"
#include "ui/Form1.h"
#include "ui/MessageBoxMessages.h"

namespace {

constexpr char kHelp[] = "Usage: sondrel [OPTIONS] [PLAYLIST]\n\n"
                         "The Sondrel window: edits M3U and PLS playlists and the ID3v1 tags of the MP3 files they\n"
                         "list. PLAYLIST, when given, is opened at start.\n\n"
                         "Options:\n"
                         "  -h, --help     Show this help and exit.\n"
                         "  -v, --version  Show the version and exit.\n\n"
                         "The toolkit's own options (-platform NAME, -style NAME, ...) are taken too.\n"
                         "sondrel-cli does the same work from the command line; man sondrel describes both.\n";

// The window's icon in every size drawn for it, from the program's resources, so that it shows from
// a build folder as well as installed.
QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/sondrel-%1.png").arg(size), QSize(size, size));
    return icon;
}

QtMessageHandler toolkitHandler = nullptr;

// The offscreen platform, on which the window starts without a display (headless checks, scripts),
// warns about size hints for every window with a layout; the warning says nothing about the
// program, so it is dropped. Every other message goes on to the toolkit's own handler.
void dropOffscreenSizeHintWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message == u"This plugin does not support propagateSizeHints()")
        return;
    toolkitHandler(type, context, message);
}

} // namespace

// The window. One optional argument: a playlist to open at start, as a file manager passes it.
int main(int argc, char* argv[])
{
    // Answered before the application object exists: that one needs a display, and these do not.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            std::fputs("sondrel " SONDREL_VERSION "\n", stdout);
            return 0;
        }
    }

    toolkitHandler = qInstallMessageHandler(dropOffscreenSizeHintWarning);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sondrel"));
    QApplication::setApplicationVersion(QStringLiteral(SONDREL_VERSION));
    // Ties the window to the installed desktop entry (its name and icon) on desktops that ask.
    QApplication::setDesktopFileName(QStringLiteral("sondrel"));
    QApplication::setWindowIcon(applicationIcon());
    Form1 window;
    MessageBoxMessages messages(&window);
    MessagesScope scope(messages);
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        window.openPlaylist(arguments.at(1));
    return QApplication::exec();
}
