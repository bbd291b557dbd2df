#include "playlist/PlaylistDocument.h"

#include "base/PathTools.h"
#include "playlist/PlaylistModel.h"

PlaylistDocument::PlaylistDocument(PlaylistModel& model, QObject* parent) : QObject(parent)
{
    const auto markModified = [this] { setModified(true); };
    connect(&model, &QAbstractItemModel::rowsInserted, this, markModified);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, markModified);
    connect(&model, &QAbstractItemModel::modelReset, this, markModified);
    connect(&model, &QAbstractItemModel::layoutChanged, this, markModified);
    connect(&model, &QAbstractItemModel::dataChanged, this, &PlaylistDocument::noteDataChanged);
}

void PlaylistDocument::setSaved(const QString& path)
{
    const bool renamed = m_fileName != path;
    m_fileName = path;
    if (m_modified)
        setModified(false);
    else if (renamed)
        Q_EMIT changed();
}

void PlaylistDocument::setModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    Q_EMIT changed();
}

void PlaylistDocument::noteDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
        if (!isTagColumn(column)) {
            setModified(true);
            return;
        }
    }
}

QString PlaylistDocument::name() const
{
    return m_fileName.isEmpty() ? QStringLiteral("Untitled") : PathTools::fileNameOf(m_fileName);
}

QString PlaylistDocument::caption() const
{
    QString program = QStringLiteral("Sondrel");
    if (m_fileName.isEmpty() && !m_modified)
        return program;
    return name() + (m_modified ? QStringLiteral("*") : QString()) + QStringLiteral(" - ") + program;
}
