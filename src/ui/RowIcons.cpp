#include "ui/RowIcons.h"

#include <QFileIconProvider>
#include <QFileInfo>

#include "playlist/PlaylistModel.h"

QIcon RowIcons::iconFor(const QString& key, const QString& path)
{
    const auto kept = m_icons.constFind(key);
    if (kept != m_icons.constEnd())
        return *kept;
    // The provider answers by the name's type, so a file that is missing still gets its icon.
    QIcon icon = QFileIconProvider().icon(QFileInfo(path));
    if (!icon.isNull())
        m_icons.insert(key, icon);
    return icon;
}

RowIconDelegate::RowIconDelegate(RowIcons& icons, QObject* parent) : QStyledItemDelegate(parent), m_icons(icons)
{ }

void RowIconDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() != FileNameColumn)
        return;
    option->textElideMode = Qt::ElideLeft; // "…/Artist/Album/01 - Song.mp3"
    option->icon
        = m_icons.iconFor(index.data(PlaylistModel::IconKeyRole).toString(), index.data(Qt::DisplayRole).toString());
    option->features |= QStyleOptionViewItem::HasDecoration;
}
