#pragma once

#include <QPointer>
#include <QWidget>

#include "base/Messages.h"

// The window's messages: a modal message box for each message and question, the system beep for a
// beep. A box is shown over the window the user is working in: a dialog the main window waits for,
// not the main window behind it. When the box closes, that window is active again and the widget
// that had the keyboard has it again, so that typing and Escape go on where they were.
class MessageBoxMessages : public Messages {
public:
    explicit MessageBoxMessages(QWidget* mainWindow = nullptr) : m_mainWindow(mainWindow) { }

    Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    void beep() override;

private:
    // The window a box is shown over: the active modal window; else the active window unless it is
    // the main window; else the dialog last opened over the main window that is still shown (the
    // main window shows it before the window system has activated it); else the main window.
    QWidget* boxOwner() const;

    QPointer<QWidget> m_mainWindow;
};
