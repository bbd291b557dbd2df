#include "ui/MessageBoxMessages.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(Messages::Icon icon)
{
    switch (icon) {
    case Messages::Icon::None: return QMessageBox::NoIcon;
    case Messages::Icon::Information: return QMessageBox::Information;
    case Messages::Icon::Exclamation: return QMessageBox::Warning;
    case Messages::Icon::Question: return QMessageBox::Question;
    case Messages::Icon::Critical: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Messages::Buttons buttons)
{
    switch (buttons) {
    case Messages::Buttons::Ok: return QMessageBox::Ok;
    case Messages::Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Messages::Buttons::SaveDiscardCancel: return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// Remembers the window and the widget that have the keyboard and gives it back to them when the
// scope ends, if they are still there to take it.
class KeyboardReturn {
public:
    explicit KeyboardReturn(QWidget* owner) : m_window(owner ? owner->window() : nullptr)
    {
        QWidget* focus = QApplication::focusWidget();
        if (m_window && (!focus || focus->window() != m_window))
            focus = m_window->focusWidget(); // the widget that gets the keyboard when it is activated
        m_focus = focus;
    }
    ~KeyboardReturn()
    {
        if (!m_window || !m_window->isVisible())
            return;
        m_window->activateWindow();
        if (m_focus && m_focus->window() == m_window && m_focus->isVisible() && m_focus->isEnabled())
            m_focus->setFocus(Qt::ActiveWindowFocusReason);
    }
    KeyboardReturn(const KeyboardReturn&) = delete;
    KeyboardReturn& operator=(const KeyboardReturn&) = delete;

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focus;
};

} // namespace

QWidget* MessageBoxMessages::boxOwner() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    QWidget* active = QApplication::activeWindow();
    if (active && active != m_mainWindow)
        return active;
    if (m_mainWindow) {
        const QList<QDialog*> dialogs = m_mainWindow->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
        for (auto dialog = dialogs.rbegin(); dialog != dialogs.rend(); ++dialog) {
            if ((*dialog)->isVisible())
                return *dialog;
        }
    }
    return m_mainWindow ? m_mainWindow.data() : active;
}

Messages::Answer MessageBoxMessages::show(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QWidget* owner = boxOwner();
    const KeyboardReturn keyboard(owner);
    QMessageBox box(boxIcon(icon), title, shown, boxButtons(buttons), owner);
    box.setTextFormat(Qt::PlainText);
    if (buttons == Buttons::SaveDiscardCancel) {
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    const int chosen = box.exec();
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return chosen == QMessageBox::Yes ? Answer::Yes : Answer::No;
    case Buttons::SaveDiscardCancel:
        return chosen == QMessageBox::Save   ? Answer::Save
            : chosen == QMessageBox::Discard ? Answer::Discard
                                             : Answer::Cancel; // the close box counts as Cancel
    }
    return Answer::Ok;
}

void MessageBoxMessages::beep()
{
    QApplication::beep();
}
