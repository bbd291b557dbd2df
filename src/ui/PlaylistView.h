#pragma once

#include <QTreeView>

class PlaylistModel;
class RowIcons;

// Twips (as the window was designed) in pixels of the widget's screen; 15 twips are a pixel at 96 dpi.
int pixelsOfTwips(int twips, const QWidget* widget);

// The playlist as the window shows it: whole rows selected, several at once, nothing edited in
// place, the file name column with its file's icon, a long path shortened in its middle, and the
// columns at their designed widths. A header click is the window's to handle.
class PlaylistView : public QTreeView {
    Q_OBJECT

public:
    PlaylistView(PlaylistModel& model, RowIcons& icons, QWidget* parent);
};
