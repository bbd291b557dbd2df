#include "ui/PlaylistView.h"

#include <algorithm>

#include <QDataStream>
#include <QHeaderView>
#include <QIODevice>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>

#include "base/NativePath.h"
#include "playlist/PlaylistModel.h"
#include "ui/RowIcons.h"

namespace {

// The columns' widths in twips: the first five as the list was designed, the tag fields after them
// as wide as their usual texts.
constexpr int kColumnTwips[PlaylistColumnCount] = {3969, 3969, 3969, 3175, 1587, 3969, 2700, 900, 900, 1800, 3000};
// What columnState writes first, so that restoreColumns takes only its own bytes.
constexpr quint32 kColumnStateMark = 0x536F4331; // "SoC1"

} // namespace

int pixelsOfTwips(int twips, const QWidget* widget)
{
    return twips * widget->logicalDpiX() / (15 * 96);
}

PlaylistView::PlaylistView(PlaylistModel& model, RowIcons& icons, QWidget* parent) : QTreeView(parent), m_model(model)
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
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDragDropOverwriteMode(false);
    setDefaultDropAction(Qt::MoveAction);
    setItemDelegate(new RowIconDelegate(icons, this));
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    resetColumns();
    header()->setSectionsMovable(true);
    header()->setFirstSectionMovable(false); // the file name stays first, where its icon is
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header(), &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = headerMenu(header()->logicalIndexAt(at));
        menu->exec(header()->mapToGlobal(at));
        menu->deleteLater();
    });
}

void PlaylistView::resetColumns()
{
    for (int column = 0; column < PlaylistColumnCount; ++column) {
        header()->moveSection(header()->visualIndex(column), column);
        setColumnHidden(column, false);
        // "Has ID3v2?" and "Length (s)" hold short texts: as wide as their captions, so that the
        // five columns of the playlist fit a window on a small screen.
        const bool narrow = column == HasId2Column || column == LengthColumn;
        setColumnWidth(
            column, narrow ? header()->sectionSizeHint(column) + 8 : pixelsOfTwips(kColumnTwips[column], this));
    }
}

void PlaylistView::fitColumns()
{
    // The three wide columns share what the two narrow ones leave, never wider than designed. Room
    // is kept for the vertical scroll bar that rows still to come will bring.
    const int scrollBar
        = verticalScrollBar()->isVisible() ? 0 : style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int left = viewport()->width() - scrollBar - columnWidth(HasId2Column) - columnWidth(LengthColumn);
    const int share = std::min(left / 3, pixelsOfTwips(kColumnTwips[FileNameColumn], this));
    if (share < 40)
        return; // too narrow a window to share: the columns scroll
    for (const int column : {FileNameColumn, TitleColumn, QuickTagColumn})
        setColumnWidth(column, share);
}

QByteArray PlaylistView::columnState() const
{
    QByteArray state;
    QDataStream out(&state, QIODevice::WriteOnly);
    out << kColumnStateMark << header()->saveState();
    return state;
}

bool PlaylistView::restoreColumns(const QByteArray& state)
{
    QDataStream in(state);
    quint32 mark = 0;
    QByteArray headerState;
    in >> mark >> headerState;
    if (in.status() != QDataStream::Ok || mark != kColumnStateMark || !header()->restoreState(headerState))
        return false;
    // A state saved before "File Name" could not be hidden or moved must not lose it.
    header()->setSectionHidden(FileNameColumn, false);
    header()->moveSection(header()->visualIndex(FileNameColumn), 0);
    return true;
}

QMenu* PlaylistView::headerMenu(int column)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuColumns"));
    for (int shown = TitleColumn; shown < PlaylistColumnCount; ++shown) {
        QAction* action = menu->addAction(model()->headerData(shown, Qt::Horizontal).toString());
        action->setObjectName(QStringLiteral("mnuColumn%1").arg(shown));
        action->setCheckable(true);
        action->setChecked(!isColumnHidden(shown));
        connect(action, &QAction::toggled, this, [this, shown](bool on) { setColumnHidden(shown, !on); });
    }
    if (column >= 0) {
        menu->addSeparator();
        QAction* keep = menu->addAction(QStringLiteral("Keep Duplicates Selected (by ")
            + model()->headerData(column, Qt::Horizontal).toString() + u')');
        keep->setObjectName(QStringLiteral("mnuKeepDuplicatesSelectedByColumn"));
        connect(keep, &QAction::triggered, this, [this, column] { Q_EMIT keepDuplicatesAsked(column); });
    }
    return menu;
}

void PlaylistView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) {
            Q_EMIT editAsked();
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

qsizetype PlaylistView::dropPosition(const QPoint& at) const
{
    const QModelIndex row = indexAt(at);
    if (!row.isValid())
        return m_model.size();
    return at.y() > visualRect(row).center().y() ? row.row() + 1 : row.row();
}

void PlaylistView::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    const QMimeData* dropped = event->mimeData();
    const qsizetype position = dropPosition(event->position().toPoint());
    if (dropped && m_model.holdsOwnRows(*dropped)) {
        // The rows are moved here; the drag's end removes nothing, as the model removes no rows
        // but through its own batches.
        event->setDropAction(Qt::MoveAction);
        event->accept();
        Q_EMIT rowsDropped(position);
        return;
    }
    if (!dropped || !dropped->hasUrls()) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : dropped->urls()) {
        // The path's bytes as the file manager sent them, percent-encoded: a name that is not UTF-8
        // keeps its bytes.
        if (url.isLocalFile())
            paths.append(NativePath::decode(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())));
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The import may take a while and show a progress dialog: it runs once the drop has ended, so
    // that the program the files came from is not kept waiting.
    if (!paths.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, paths, position] { Q_EMIT pathsDropped(paths, position); }, Qt::QueuedConnection);
}
