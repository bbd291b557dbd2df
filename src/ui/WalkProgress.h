#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>

class QMainWindow;

// The progress of a walk through folders: a window-modal dialog, shown once the walk has taken
// 300 ms, that counts the files found ("Looking through the folders: N files found") and offers
// Cancel.
class WalkProgress {
public:
    WalkProgress(QMainWindow& window, const QString& title, const QString& objectName);

    // The walk's keepGoing: shows the count and lets Cancel in a few times a second, often enough
    // for Cancel and rarely enough to cost nothing; false once the user has cancelled.
    bool keepGoing(qsizetype found);
    bool cancelled() const { return m_progress.wasCanceled(); }

private:
    QProgressDialog m_progress;
    QElapsedTimer m_sinceEvents;
};
