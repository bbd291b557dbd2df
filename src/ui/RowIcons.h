#pragma once

#include <QHash>
#include <QIcon>
#include <QStyledItemDelegate>

// The file-type icons of the playlist's rows, fetched from the desktop once per icon key (all
// files of one type share one icon; programs and icon files have their own) and kept.
class RowIcons {
public:
    // The icon of the key, fetched for the file at path the first time the key is met. A file the
    // desktop gives no icon for gets an empty icon, and a later file of the key tries again.
    QIcon iconFor(const QString& key, const QString& path);

private:
    QHash<QString, QIcon> m_icons;
};

// Shows each row's file-type icon beside its file name, from the row's icon key.
class RowIconDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    RowIconDelegate(RowIcons& icons, QObject* parent = nullptr);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    RowIcons& m_icons;
};
