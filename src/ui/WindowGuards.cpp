#include "ui/WindowGuards.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMainWindow>
#include <QMenuBar>

#include "base/Messages.h"

BusyPointer::BusyPointer()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyPointer::~BusyPointer()
{
    QApplication::restoreOverrideCursor();
}

FrozenPainting::FrozenPainting(QWidget* widget) : m_widget(widget)
{
    m_widget->setUpdatesEnabled(false);
}

FrozenPainting::~FrozenPainting()
{
    if (m_widget)
        m_widget->setUpdatesEnabled(true);
}

PausedCommands::PausedCommands(const std::vector<QAction*>& actions)
{
    for (QAction* action : actions) {
        if (action && action->isEnabled()) {
            action->setEnabled(false);
            m_paused.emplace_back(action);
        }
    }
}

PausedCommands::~PausedCommands()
{
    for (const QPointer<QAction>& action : m_paused) {
        if (action)
            action->setEnabled(true);
    }
}

WindowCommandsOff::WindowCommandsOff(QMainWindow& window)
    : m_window(window), m_wasEnabled(window.menuBar()->isEnabled())
{
    m_window.centralWidget()->setEnabled(false);
    m_window.menuBar()->setEnabled(false);
}

WindowCommandsOff::~WindowCommandsOff()
{
    m_window.centralWidget()->setEnabled(m_wasEnabled);
    m_window.menuBar()->setEnabled(m_wasEnabled);
}

bool waitForDialog(QMainWindow& window, QDialog& dialog, const QString& instruction, const QString& instructionTitle)
{
    const WindowCommandsOff off(window);
    QEventLoop waiting;
    QObject::connect(&dialog, &QDialog::finished, &waiting, &QEventLoop::quit);
    dialog.show();
    if (!instruction.isEmpty())
        Messages::current().show(instruction, instructionTitle, Messages::Icon::None, Messages::Buttons::Ok);
    if (dialog.isVisible())
        waiting.exec();
    return dialog.result() == QDialog::Accepted;
}
