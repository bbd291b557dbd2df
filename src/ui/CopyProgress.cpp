#include "ui/CopyProgress.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

#include "playlist/CopyPlaylist.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"
#include "ui/CollisionDialog.h"

using namespace Qt::StringLiterals;

CopyProgress::CopyProgress(QWidget* parent) : QDialog(parent), m_progress(new QProgressBar(this))
{
    setWindowTitle(u"Copy Progress"_s);
    m_progress->setObjectName(u"ProgressBar1"_s);
    m_progress->setMinimumWidth(300);
    auto* cancelButton = new QPushButton(u"Cancel"_s, this);
    cancelButton->setObjectName(u"CancelButton"_s);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_progress);
    layout->addWidget(cancelButton);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cancelButton, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    // Escape and the close box end in reject(), which counts as Cancel while the pass runs.
    connect(this, &QDialog::rejected, this, [this] { m_cancelled = true; });
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

CopyProgress::~CopyProgress()
{
    QApplication::restoreOverrideCursor();
}

CopyOutcome CopyProgress::CopyFiles(PlaylistModel& model, bool showProgress, const QString& folder,
    bool deleteOriginals, const std::optional<CopyPlaylist>& playlist)
{
    qsizetype selected = 0;
    for (const bool isSelected : RowCommands::selectedRows(model))
        selected += isSelected ? 1 : 0;
    m_progress->setRange(0, int(selected));
    m_progress->setValue(0);
    CopyHooks hooks;
    // Taken names are asked about before the progress shows: the question sits over the window.
    QWidget* questionParent = parentWidget() ? parentWidget() : this;
    hooks.askAll = [questionParent](const CollisionQuestion& question) {
        return CollisionDialog::ask(questionParent, questionText(question), offeredAnswers(question), true);
    };
    hooks.askOne = [questionParent](const CollisionQuestion& question, const Collision& collision) {
        return CollisionDialog::ask(
            questionParent, questionText(question.move, collision), offeredAnswers(question.move, collision), false);
    };
    // A cancel handled while events run before a row lets that row finish and stops the pass
    // before the next one; a cancel while a long file is copied stops that file too.
    bool finishFile = false;
    hooks.beforeRow = [this, showProgress, &finishFile](qsizetype done) {
        if (showProgress && !isVisible())
            show();
        const bool goOn = !m_cancelled;
        m_progress->setValue(int(done));
        QCoreApplication::processEvents();
        finishFile = m_cancelled;
        return goOn;
    };
    hooks.keepGoing = [this, &finishFile] {
        QCoreApplication::processEvents();
        return finishFile || !m_cancelled;
    };
    CopyOutcome outcome = copyWithPlaylist(model, folder, deleteOriginals, hooks, playlist);
    m_progress->setValue(int(outcome.done));
    done(QDialog::Accepted);
    return outcome;
}
