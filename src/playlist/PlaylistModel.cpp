#include "playlist/PlaylistModel.h"

#include <algorithm>
#include <numeric>
#include <optional>

namespace {

const char16_t* const kCaptions[PlaylistColumnCount] = {
    u"File Name",
    u"Title",
    u"ID3v1 QuickTag",
    u"Has ID3v2?",
    u"Length (s)",
};

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
    : QAbstractTableModel(parent), m_list(std::make_unique<MP3List>()), m_selection(new QItemSelectionModel(this, this))
{ }

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
    case Qt::TextAlignmentRole: return alignmentOf(index.column());
    case IconKeyRole: return index.column() == FileNameColumn ? QVariant(row.iconKey) : QVariant();
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

qsizetype PlaylistModel::positionOf(const PlaylistRow* row) const
{
    if (!row || row->position < 0 || row->position >= size() || rowAt(row->position) != row)
        return -1;
    return row->position;
}

void PlaylistModel::setText(qsizetype position, int column, const QString& text)
{
    rowAt(position)->texts[std::size_t(column)] = text;
    const QModelIndex cell = index(int(position), column);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

void PlaylistModel::appendEntries(const std::vector<PlaylistEntry>& entries)
{
    m_staged.reserve(m_staged.size() + entries.size());
    stageEntries(entries);
    appendStaged();
}

void PlaylistModel::stageEntries(const std::vector<PlaylistEntry>& entries)
{
    const QString unread = unreadTagText();
    IconKeys keys;
    for (const PlaylistEntry& entry : entries) {
        auto row = std::make_unique<PlaylistRow>();
        row->texts = {entry.path, entry.title, unread, unread, entry.length};
        row->iconKey = keys.keyOf(entry.path);
        row->entry = std::make_shared<MP3Node>();
        row->entry->initFileItem(entry.path, row.get());
        m_staged.push_back(std::move(row));
    }
}

void PlaylistModel::appendStaged()
{
    if (m_staged.empty())
        return;
    const qsizetype first = size();
    beginInsertRows({}, int(first), int(first + qsizetype(m_staged.size()) - 1));
    m_rows.reserve(m_rows.size() + m_staged.size());
    for (auto& row : m_staged) {
        row->position = size();
        m_list->append(row->entry);
        m_rows.push_back(std::move(row));
    }
    m_staged.clear();
    m_staged.shrink_to_fit();
    endInsertRows();
}

std::vector<PlaylistEntry> PlaylistModel::entriesInRowOrder() const
{
    std::vector<PlaylistEntry> entries;
    entries.reserve(m_rows.size());
    for (const auto& row : m_rows)
        entries.push_back({row->text(FileNameColumn), row->text(TitleColumn), row->text(LengthColumn)});
    return entries;
}

void PlaylistModel::removeRows(const std::vector<qsizetype>& positions)
{
    if (positions.empty())
        return;
    // A removed row's entry may outlive it (an iterator may hold it); it must not point at it.
    for (const qsizetype position : positions) {
        const std::shared_ptr<MP3Node>& entry = rowAt(position)->entry;
        m_list->remove(rowAt(position));
        entry->reInit(entry->file(), nullptr);
    }
    const qsizetype first = positions.front();
    const qsizetype last = positions.back();
    if (last - first + 1 == qsizetype(positions.size())) {
        beginRemoveRows({}, int(first), int(last));
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        renumberFrom(first);
        endRemoveRows();
        return;
    }
    // Scattered rows: one reset instead of a removal per range, each of which would walk every
    // persistent index of the views and the selection.
    beginResetModel();
    std::size_t next = 0;
    auto kept = std::remove_if(m_rows.begin(), m_rows.end(), [&](const std::unique_ptr<PlaylistRow>& row) {
        if (next < positions.size() && row->position == positions[next]) {
            ++next;
            return true;
        }
        return false;
    });
    m_rows.erase(kept, m_rows.end());
    renumberFrom(first);
    endResetModel();
}

void PlaylistModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_list = std::make_unique<MP3List>();
    endResetModel();
}

void PlaylistModel::renumberFrom(qsizetype first)
{
    for (qsizetype i = first; i < size(); ++i)
        rowAt(i)->position = i;
}

void PlaylistModel::moveRow(qsizetype a, qsizetype b)
{
    if (a == b || a < 0 || b < 0 || a >= size() || b >= size())
        return;
    const qsizetype upper = std::min(a, b);
    const qsizetype lower = std::max(a, b);
    Q_ASSERT(lower == upper + 1);
    // The lower row of the pair goes one place up; the selection follows through the move.
    beginMoveRows({}, int(lower), int(lower), {}, int(upper));
    std::swap(m_rows[std::size_t(upper)], m_rows[std::size_t(lower)]);
    rowAt(upper)->position = upper;
    rowAt(lower)->position = lower;
    endMoveRows();
}

void PlaylistModel::reorder(const std::vector<qsizetype>& newOrder)
{
    Q_ASSERT(qsizetype(newOrder.size()) == size());
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<std::unique_ptr<PlaylistRow>> rows(m_rows.size());
    std::vector<int> newPositionOf(m_rows.size());
    for (std::size_t i = 0; i < newOrder.size(); ++i) {
        rows[i] = std::move(m_rows[std::size_t(newOrder[i])]);
        rows[i]->position = qsizetype(i);
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
    if (column == LengthColumn) {
        std::vector<LengthKey> keys;
        keys.reserve(m_rows.size());
        for (const auto& row : m_rows) {
            const QString& text = row->text(column);
            const std::optional<double> seconds = secondsOf(text);
            keys.push_back({seconds, seconds ? QString() : text.toCaseFolded()});
        }
        sortBy(keys, lengthLess);
    } else {
        std::vector<QString> keys;
        keys.reserve(m_rows.size());
        for (const auto& row : m_rows)
            keys.push_back(row->text(column).toCaseFolded());
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
    Q_EMIT dataChanged(index(int(first), QuickTagColumn), index(int(last), HasId2Column), {Qt::DisplayRole});
}
