#include "ui/PlaylistView.h"

#include <QHeaderView>

#include "playlist/PlaylistModel.h"
#include "ui/RowIcons.h"

namespace {

// The columns' widths in twips, as the list was designed.
constexpr int kColumnTwips[PlaylistColumnCount] = {3969, 3969, 3969, 3175, 1587};

} // namespace

int pixelsOfTwips(int twips, const QWidget* widget)
{
    return twips * widget->logicalDpiX() / (15 * 96);
}

PlaylistView::PlaylistView(PlaylistModel& model, RowIcons& icons, QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("Playlist"));
    setModel(&model);
    setSelectionModel(model.selectionModel());
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideMiddle); // a long path keeps its file name in view
    setItemDelegate(new RowIconDelegate(icons, this));
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    for (int column = 0; column < PlaylistColumnCount; ++column)
        setColumnWidth(column, pixelsOfTwips(kColumnTwips[column], parent));
}
