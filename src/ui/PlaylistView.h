#pragma once

#include <QTreeView>

class PlaylistModel;
class RowIcons;

// Twips (as the window was designed) in pixels of the widget's screen; 15 twips are a pixel at 96 dpi.
int pixelsOfTwips(int twips, const QWidget* widget);

// The playlist as the window shows it: whole rows selected, several at once, nothing edited in
// place, the file name column with its file's icon, a long path shortened at its start (so that the
// file name and its nearest folders stay in view; the whole path on hover), and the columns at
// their designed widths. A header click is the window's to handle.
//
// The header's context menu (also on the keyboard's menu key while the header has focus) shows
// and hides any column but "File Name", which always stays, and offers Keep Duplicates Selected
// by the column it was opened on. Columns can be dragged into another order. Return, Enter and
// F2 on the list ask for the tag editor, as a double-click does.
//
// Selected rows can be dragged to another place in the list, and files, folders and playlists
// dropped on it (from a file manager): the view says where, between which rows, and the window
// does the rest.
class PlaylistView : public QTreeView {
    Q_OBJECT

public:
    PlaylistView(PlaylistModel& model, RowIcons& icons, QWidget* parent);

    // Every column shown, in its own order, at its default width.
    void resetColumns();
    // Narrows "File Name", "Title" and "ID3v1 QuickTag" to share the list's width, so that the
    // playlist's five columns show whole (as on a small or scaled screen); never widens them.
    void fitColumns();
    // The columns' visibility, widths and order, as restoreColumns takes them back.
    QByteArray columnState() const;
    // Puts back a columnState; anything else (empty, or from another program) changes nothing,
    // and false says so.
    bool restoreColumns(const QByteArray& state);
    // The header's context menu for the column at a position of the header, built anew each time;
    // the caller owns it.
    QMenu* headerMenu(int column);

Q_SIGNALS:
    // The user asked to keep the duplicates by the column selected.
    void keepDuplicatesAsked(int column);
    // The user asked to edit the tag of the current row (Return, Enter or F2).
    void editAsked();
    // The selected rows were dragged to stand before the row at position (at the end for the
    // number of rows).
    void rowsDropped(qsizetype position);
    // Files and folders were dropped before the row at position; sent once the drop has ended.
    void pathsDropped(const QStringList& paths, qsizetype position);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Where a drop at a point of the viewport puts rows: before the row under it when the point is
    // on its upper half, after it on its lower half, at the end below the last row.
    qsizetype dropPosition(const QPoint& at) const;

    PlaylistModel& m_model;
};
