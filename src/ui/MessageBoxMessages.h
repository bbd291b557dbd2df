#pragma once

#include <QPointer>
#include <QWidget>

#include "base/Messages.h"

// The window's messages: a modal message box over the main window for each message and question,
// the system beep for a beep.
class MessageBoxMessages : public Messages {
public:
    explicit MessageBoxMessages(QWidget* parent = nullptr) : m_parent(parent) { }

    Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    void beep() override;

private:
    QPointer<QWidget> m_parent;
};
