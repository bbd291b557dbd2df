#include "ui/WalkProgress.h"

#include <QCoreApplication>
#include <QMainWindow>

WalkProgress::WalkProgress(QMainWindow& window, const QString& title, const QString& objectName)
    : m_progress(QStringLiteral("Looking through the folders..."), QStringLiteral("Cancel"), 0, 0, &window)
{
    m_progress.setObjectName(objectName);
    m_progress.setWindowTitle(title);
    m_progress.setWindowModality(Qt::WindowModal);
    m_progress.setMinimumDuration(300);
    m_sinceEvents.start();
}

bool WalkProgress::keepGoing(qsizetype found)
{
    if (m_sinceEvents.elapsed() >= 50) {
        m_progress.setLabelText(QStringLiteral("Looking through the folders: %1 files found").arg(found));
        QCoreApplication::processEvents();
        m_sinceEvents.restart();
    }
    return !m_progress.wasCanceled();
}
