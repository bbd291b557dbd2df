#pragma once

#include <vector>

#include <QPointer>
#include <QString>

class QAction;
class QDialog;
class QMainWindow;
class QWidget;

// Guards for the window's states that must end however a command ends: each takes its state on
// construction and gives it back on destruction, so no early return leaves the window busy,
// frozen or without its commands.

// The busy pointer over the whole program.
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// A widget that does not paint until the guard goes (the list while many rows change).
class FrozenPainting {
public:
    explicit FrozenPainting(QWidget* widget);
    ~FrozenPainting();
    FrozenPainting(const FrozenPainting&) = delete;
    FrozenPainting& operator=(const FrozenPainting&) = delete;

private:
    QPointer<QWidget> m_widget;
};

// The given commands that were enabled are turned off until the guard goes; those that were off
// already stay off afterwards.
class PausedCommands {
public:
    explicit PausedCommands(const std::vector<QAction*>& actions);
    ~PausedCommands();
    PausedCommands(const PausedCommands&) = delete;
    PausedCommands& operator=(const PausedCommands&) = delete;

private:
    std::vector<QPointer<QAction>> m_paused;
};

// The window's list and menu bar take no input until the guard goes. (Disabling the window itself
// would disable its dialogs, its children, too.) Guards may nest: the outermost turns them back on.
class WindowCommandsOff {
public:
    explicit WindowCommandsOff(QMainWindow& window);
    ~WindowCommandsOff();
    WindowCommandsOff(const WindowCommandsOff&) = delete;
    WindowCommandsOff& operator=(const WindowCommandsOff&) = delete;

private:
    QMainWindow& m_window;
    bool m_wasEnabled;
};

// Shows the dialog modeless, an instruction message over it when given, and waits for it with the
// window's commands off; true when it was accepted.
bool waitForDialog(
    QMainWindow& window, QDialog& dialog, const QString& instruction = {}, const QString& instructionTitle = {});
