#pragma once

#include <optional>

#include <QDialog>

#include "playlist/CopyPlaylist.h"

class PlaylistModel;
class QProgressBar;

// The dialog shown while Copy Files copies or moves the selected rows' files: a progress bar
// (ProgressBar1, one step per selected row) and Cancel (CancelButton). Cancel, or closing the
// dialog by its frame, stops the pass before the next row; a cancel that comes while a long file is
// copied stops that file, which stays where it was. The busy
// pointer shows while the dialog exists.
class CopyProgress : public QDialog {
    Q_OBJECT

public:
    explicit CopyProgress(QWidget* parent = nullptr);
    ~CopyProgress() override;

    // Copies (or moves, with deleteOriginals) the selected rows' files into folder, the dialog
    // shown when showProgress is true, and closes the dialog when the pass is over. Names taken in
    // the folder or repeated in the selection are asked about first, in a CollisionDialog over the
    // window, before the progress shows. With a playlist, it is asked about first and written after
    // a pass that finished (copyWithPlaylist). Returns what the pass did.
    CopyOutcome CopyFiles(PlaylistModel& model, bool showProgress, const QString& folder, bool deleteOriginals,
        const std::optional<CopyPlaylist>& playlist = {});

    bool cancelled() const { return m_cancelled; }

private:
    QProgressBar* m_progress;
    bool m_cancelled = false;
};
