#include "playlist/PlaylistModel.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include <QCoreApplication>
#include <QMimeData>

namespace {

const char16_t* const kCaptions[PlaylistColumnCount] = {
    u"File Name",
    u"Title",
    u"ID3v1 QuickTag",
    u"Has ID3v2?",
    u"Length (s)",
    u"ID3v2 QuickTag",
    u"Album",
    u"Track",
    u"Year",
    u"Genre",
    u"Comment",
};

// The columns sorted as numbers where their texts are numbers.
bool sortsAsNumbers(int column)
{
    return column == LengthColumn || column == TrackColumn || column == YearColumn;
}

QVariant alignmentOf(int column)
{
    if (column == LengthColumn)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

// A length text as seconds: optional blanks, an optional sign, decimal digits with at most one
// "." among or after them, optional blanks. Anything else ("???", "1e3", "inf", an empty text) is
// no number. A number too large for a double gives an infinity and one too small zero, so that
// the order still holds.
std::optional<double> secondsOf(QStringView text)
{
    text = text.trimmed();
    const qsizetype start = !text.isEmpty() && (text[0] == u'+' || text[0] == u'-') ? 1 : 0;
    qsizetype digits = 0;
    qsizetype dots = 0;
    qint64 whole = 0;
    for (qsizetype i = start; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'.') {
            ++dots;
        } else if (c >= u'0' && c <= u'9') {
            ++digits;
            whole = whole * 10 + (c - u'0');
            if (digits > 15)
                whole = 0; // past what the fast path holds exactly; converted below
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || dots > 1)
        return std::nullopt;
    if (dots == 0 && digits <= 15)
        return text[0] == u'-' ? -double(whole) : double(whole);
    // Beyond the fast path the conversion reports overflow and underflow, but its value is the
    // infinity or zero that orders right.
    bool converted = false;
    return text.toDouble(&converted);
}

// The sort key of a row in the length column: numbers first, by value; then every other text,
// compared as text.
struct LengthKey {
    std::optional<double> seconds;
    QString folded; // only for a text that is no number
};

bool lengthLess(const LengthKey& a, const LengthKey& b)
{
    if (a.seconds && b.seconds)
        return *a.seconds < *b.seconds;
    if (a.seconds || b.seconds)
        return bool(a.seconds);
    return QStringView(a.folded).compare(QStringView(b.folded)) < 0;
}

} // namespace

PlaylistModel::PlaylistModel(QObject* parent)
    : QAbstractTableModel(parent),
      m_stagedList(std::make_unique<MP3List>()),
      m_list(std::make_unique<MP3List>()),
      m_selection(new QItemSelectionModel(this, this))
{ }

// The rows go with the entry lists; m_rows and m_staged only point at them.
PlaylistModel::~PlaylistModel() = default;

int PlaylistModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PlaylistModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : PlaylistColumnCount;
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const PlaylistRow& row = *rowAt(index.row());
    switch (role) {
    case Qt::DisplayRole: return row.text(index.column());
    case Qt::ToolTipRole: return index.column() == FileNameColumn ? QVariant(row.text(FileNameColumn)) : QVariant();
    case Qt::TextAlignmentRole: return alignmentOf(index.column());
    case IconKeyRole: return index.column() == FileNameColumn ? QVariant(m_iconKeys[row.iconKey]) : QVariant();
    default: return {};
    }
}

QVariant PlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= PlaylistColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf16(kCaptions[section]);
    if (role == Qt::TextAlignmentRole)
        return alignmentOf(section);
    return {};
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
}

QStringList PlaylistModel::mimeTypes() const
{
    return {QString::fromLatin1(rowsMimeType), QStringLiteral("text/uri-list")};
}

namespace {

// What a drag of a model's rows carries: the process and the model, so that only the list they
// came from takes them as a move.
QByteArray rowsMark(const PlaylistModel* model)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ' ' + QByteArray::number(quintptr(model), 16);
}

} // namespace

QMimeData* PlaylistModel::mimeData(const QModelIndexList& indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(rowsMimeType), rowsMark(this));
    return data;
}

bool PlaylistModel::holdsOwnRows(const QMimeData& data) const
{
    return data.data(QString::fromLatin1(rowsMimeType)) == rowsMark(this);
}

qsizetype PlaylistModel::positionOf(const PlaylistRow* row) const
{
    if (!row || row->position < 0 || row->position >= size() || rowAt(row->position) != row)
        return -1;
    return row->position;
}

void PlaylistModel::setText(qsizetype position, int column, const QString& text)
{
    rowAt(position)->setText(column, text);
    const QModelIndex cell = index(int(position), column);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

void PlaylistModel::appendEntries(const std::vector<PlaylistEntry>& entries)
{
    insertEntries(size(), entries);
}

void PlaylistModel::insertEntries(qsizetype position, const std::vector<PlaylistEntry>& entries)
{
    m_staged.reserve(m_staged.size() + entries.size());
    stageEntries(entries);
    insertStaged(position);
}

quint32 PlaylistModel::iconKeyIndex(const QString& key)
{
    const auto found = m_iconKeyIndexes.constFind(key);
    if (found != m_iconKeyIndexes.constEnd())
        return *found;
    const auto index = quint32(m_iconKeys.size());
    m_iconKeys.push_back(key);
    m_iconKeyIndexes.insert(key, index);
    return index;
}

void PlaylistModel::stageEntries(const std::vector<PlaylistEntry>& entries)
{
    IconKeys keys;
    // Rows of one file type usually follow each other: their key is looked up once.
    QString lastKey;
    quint32 lastIndex = 0;
    for (const PlaylistEntry& entry : entries) {
        auto row = std::make_shared<PlaylistRow>();
        row->setText(TitleColumn, entry.title);
        row->setText(LengthColumn, entry.length);
        const QString key = keys.keyOf(entry.path);
        if (lastKey.isNull() || key != lastKey) {
            lastKey = key;
            lastIndex = iconKeyIndex(key);
        }
        row->iconKey = lastIndex;
        row->writtenRelative = entry.relative ? 1 : 0;
        row->initFileItem(entry.path);
        m_staged.push_back(row.get());
        m_stagedList->append(row);
    }
}

void PlaylistModel::discardStaged()
{
    m_staged.clear();
    m_stagedList = std::make_unique<MP3List>();
}

void PlaylistModel::appendStaged()
{
    insertStaged(size());
}

void PlaylistModel::insertStaged(qsizetype position)
{
    if (m_staged.empty())
        return;
    const qsizetype first = position < 0 || position > size() ? size() : position;
    beginInsertRows({}, int(first), int(first + qsizetype(m_staged.size()) - 1));
    if (m_rows.empty()) {
        m_rows = std::move(m_staged);
    } else {
        m_rows.insert(m_rows.begin() + first, m_staged.begin(), m_staged.end());
    }
    m_staged = {};
    renumberFrom(first);
    m_list->splice(*m_stagedList);
    endInsertRows();
}

std::vector<PlaylistEntry> PlaylistModel::entriesInRowOrder() const
{
    std::vector<PlaylistEntry> entries;
    entries.reserve(m_rows.size());
    for (const PlaylistRow* row : m_rows)
        entries.push_back(
            {row->text(FileNameColumn), row->text(TitleColumn), row->text(LengthColumn), row->writtenRelative != 0});
    return entries;
}

void PlaylistModel::removeRows(const std::vector<qsizetype>& positions)
{
    if (positions.empty())
        return;
    std::vector<PlaylistRow*> removed;
    removed.reserve(positions.size());
    for (const qsizetype position : positions)
        removed.push_back(rowAt(position));
    // The rows leave the display order first and the entry list last, since leaving the list frees
    // a row that no iterator holds. A row held on keeps position -1, so no model takes it for its
    // own.
    const auto leaveList = [&] {
        for (PlaylistRow* row : removed) {
            row->position = -1;
            m_list->remove(row);
        }
    };
    const qsizetype first = positions.front();
    const qsizetype last = positions.back();
    if (last - first + 1 == qsizetype(positions.size())) {
        beginRemoveRows({}, int(first), int(last));
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        renumberFrom(first);
        leaveList();
        endRemoveRows();
        return;
    }
    // Scattered rows: one reset instead of a removal per range, each of which would walk every
    // persistent index of the views and the selection.
    beginResetModel();
    std::size_t next = 0;
    std::size_t kept = std::size_t(first);
    for (std::size_t i = std::size_t(first); i < m_rows.size(); ++i) {
        if (next < positions.size() && qsizetype(i) == positions[next])
            ++next;
        else
            m_rows[kept++] = m_rows[i];
    }
    m_rows.resize(kept);
    renumberFrom(first);
    leaveList();
    endResetModel();
}

void PlaylistModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_list = std::make_unique<MP3List>();
    m_iconKeys.clear();
    m_iconKeyIndexes.clear();
    endResetModel();
}

void PlaylistModel::renumberFrom(qsizetype first)
{
    for (qsizetype i = first; i < size(); ++i)
        rowAt(i)->position = qint32(i);
}

void PlaylistModel::reorder(const std::vector<qsizetype>& newOrder)
{
    Q_ASSERT(qsizetype(newOrder.size()) == size());
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<PlaylistRow*> rows(m_rows.size());
    std::vector<int> newPositionOf(m_rows.size());
    for (std::size_t i = 0; i < newOrder.size(); ++i) {
        rows[i] = m_rows[std::size_t(newOrder[i])];
        rows[i]->position = qint32(i);
        newPositionOf[std::size_t(newOrder[i])] = int(i);
    }
    m_rows = std::move(rows);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(newPositionOf[std::size_t(old.row())], old.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void PlaylistModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= PlaylistColumnCount)
        return;
    std::vector<qsizetype> newOrder(m_rows.size());
    std::iota(newOrder.begin(), newOrder.end(), 0);
    // Each row's key is made once, side by side, so that the sort compares plain numbers and
    // characters and does not go through every row to its text.
    const auto sortBy = [&](const auto& keys, auto less) {
        std::stable_sort(newOrder.begin(), newOrder.end(), [&](qsizetype a, qsizetype b) {
            const auto& keyA = keys[std::size_t(a)];
            const auto& keyB = keys[std::size_t(b)];
            return order == Qt::AscendingOrder ? less(keyA, keyB) : less(keyB, keyA);
        });
    };
    if (sortsAsNumbers(column)) {
        std::vector<LengthKey> keys;
        keys.reserve(m_rows.size());
        for (const PlaylistRow* row : m_rows) {
            const QString text = row->text(column, m_formatStringsUse);
            // A track's total ("3/12") does not count.
            const QStringView number = column == TrackColumn ? QStringView(text).left(text.indexOf(u'/')) : text;
            const std::optional<double> seconds = secondsOf(number);
            keys.push_back({seconds, seconds ? QString() : text.toCaseFolded()});
        }
        sortBy(keys, lengthLess);
    } else {
        std::vector<QString> keys;
        keys.reserve(m_rows.size());
        for (const PlaylistRow* row : m_rows)
            keys.push_back(row->text(column, m_formatStringsUse).toCaseFolded());
        sortBy(keys, [](const QString& a, const QString& b) { return QStringView(a).compare(QStringView(b)) < 0; });
    }
    reorder(newOrder);
}

void PlaylistModel::rowsChanged(qsizetype first, qsizetype last)
{
    if (first < 0 || last < first)
        return;
    Q_EMIT dataChanged(index(int(first), 0), index(int(last), PlaylistColumnCount - 1), {Qt::DisplayRole});
}

void PlaylistModel::tagColumnsChanged(qsizetype first, qsizetype last)
{
    if (first < 0 || last < first)
        return;
    // Two ranges, so that "Length (s)" between them, the playlist's own, is not reported.
    Q_EMIT dataChanged(index(int(first), QuickTagColumn), index(int(last), HasId2Column), {Qt::DisplayRole});
    Q_EMIT dataChanged(
        index(int(first), Id3v2QuickTagColumn), index(int(last), PlaylistColumnCount - 1), {Qt::DisplayRole});
}

void PlaylistModel::setFormatStringsUse(TagChoice tag)
{
    if (tag == m_formatStringsUse)
        return;
    m_formatStringsUse = tag;
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, AlbumColumn), index(int(size()) - 1, PlaylistColumnCount - 1), {Qt::DisplayRole});
}
