#include "playlist/RowFilter.h"

#include <algorithm>

#include <QRegularExpression>

#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"

namespace {

// The columns a filter looks at: the playlist's own five.
constexpr int kMatchedColumns = LengthColumn + 1;

// One UTF-16 unit case-folded: ASCII by arithmetic, the rest by QChar's simple case folding. A
// surrogate stays as it is, in the words as in the texts, so a character beyond the Basic
// Multilingual Plane is found when typed the same way.
inline char16_t foldedUnit(char16_t unit)
{
    if (unit < 0x80)
        return unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit;
    return QChar::toCaseFolded(unit);
}

// Whether text holds word (already folded) without regard to case. Words are short, so the plain
// search, which folds each unit as it goes and allocates nothing, is the quick one here: several
// times quicker than a search that ignores case through the whole Unicode table for every unit.
bool holdsFolded(QStringView text, QStringView word)
{
    const qsizetype length = word.size();
    const char16_t first = word.front().unicode();
    for (qsizetype at = 0; at + length <= text.size(); ++at) {
        if (foldedUnit(text[at].unicode()) != first)
            continue;
        qsizetype matched = 1;
        while (matched < length && foldedUnit(text[at + matched].unicode()) == word[matched].unicode())
            ++matched;
        if (matched == length)
            return true;
    }
    return false;
}

} // namespace

RowFilter::RowFilter(PlaylistModel& model, QObject* parent) : QObject(parent), m_model(model)
{
    connect(&model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        if (!isActive())
            return;
        const auto at = std::ptrdiff_t(first);
        const auto count = std::size_t(last) - std::size_t(first) + 1;
        m_shown.insert(m_shown.begin() + at, count, false);
        matchRows(first, last);
        deselectHidden();
        Q_EMIT shownChanged(first, last);
    });
    connect(&model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
        if (!isActive())
            return;
        const auto from = std::ptrdiff_t(first);
        const auto to = std::ptrdiff_t(last) + 1;
        m_shownCount -= std::count(m_shown.begin() + from, m_shown.begin() + to, true);
        m_shown.erase(m_shown.begin() + from, m_shown.begin() + to);
    });
    // A reorder or a reset leaves nothing of the old positions: every row is matched again.
    connect(&model, &QAbstractItemModel::modelReset, this, &RowFilter::rematchAll);
    connect(&model, &QAbstractItemModel::layoutChanged, this, &RowFilter::rematchAll);
    connect(&model, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
            if (!isActive() || topLeft.column() >= kMatchedColumns)
                return;
            matchRows(topLeft.row(), bottomRight.row());
            deselectHidden();
            Q_EMIT shownChanged(topLeft.row(), bottomRight.row());
        });
    connect(model.selectionModel(), &QItemSelectionModel::selectionChanged, this, [this](const QItemSelection& added) {
        if (!isActive())
            return;
        if (hidesAny(added))
            deselectHidden();
    });
}

QStringList RowFilter::wordsOf(const QString& text)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    QString folded(text.size(), Qt::Uninitialized);
    for (qsizetype at = 0; at < text.size(); ++at)
        folded[at] = QChar(foldedUnit(text[at].unicode()));
    return folded.split(space, Qt::SkipEmptyParts);
}

bool RowFilter::matches(const PlaylistModel& model, qsizetype position, const QStringList& words)
{
    // Nothing is kept per row, and a word found early in the file name ends the look at it.
    QString texts[kMatchedColumns];
    for (int column = 0; column < kMatchedColumns; ++column)
        texts[column] = model.text(position, column);
    return std::ranges::all_of(words, [&texts](const QString& word) {
        return std::ranges::any_of(texts, [&word](const QString& text) { return holdsFolded(text, word); });
    });
}

void RowFilter::setText(const QString& text)
{
    QStringList words = wordsOf(text);
    if (words == m_words)
        return;
    // Typing on narrows: when each old word lies inside a new one, a row hidden stays hidden, and
    // only the rows shown need a look.
    const bool narrows = isActive() && std::ranges::all_of(m_words, [&words](const QString& old) {
        return std::ranges::any_of(words, [&old](const QString& word) { return word.contains(old); });
    });
    m_words = std::move(words);
    if (!isActive()) {
        // Nothing is kept while no filter is on.
        m_shown = {};
        m_shownCount = 0;
    } else if (narrows) {
        for (qsizetype position = 0; position < m_model.size(); ++position) {
            if (m_shown[std::size_t(position)] && !matches(m_model, position, m_words)) {
                m_shown[std::size_t(position)] = false;
                --m_shownCount;
            }
        }
    } else
        matchAll();
    deselectHidden();
    if (m_model.size() > 0)
        Q_EMIT shownChanged(0, m_model.size() - 1);
}

void RowFilter::rematchAll()
{
    if (!isActive())
        return;
    matchAll();
    deselectHidden();
    if (m_model.size() > 0)
        Q_EMIT shownChanged(0, m_model.size() - 1);
}

qsizetype RowFilter::shownCount() const
{
    return isActive() ? m_shownCount : m_model.size();
}

void RowFilter::matchAll()
{
    m_shown.assign(std::size_t(m_model.size()), false);
    m_shownCount = 0;
    if (m_model.size() > 0)
        matchRows(0, m_model.size() - 1);
}

void RowFilter::matchRows(qsizetype first, qsizetype last)
{
    for (qsizetype position = first; position <= last; ++position) {
        const auto row = std::size_t(position);
        const bool shown = matches(m_model, position, m_words);
        m_shownCount += qsizetype(shown) - qsizetype(m_shown[row]);
        m_shown[row] = shown;
    }
}

bool RowFilter::hidesAny(const QItemSelection& selection) const
{
    // A row not matched yet (selected by a slot that ran before this filter heard of the new rows)
    // is left to the match that follows.
    const auto rows = int(m_shown.size());
    for (const QItemSelectionRange& range : selection) {
        for (int row = range.top(); row <= std::min(range.bottom(), rows - 1); ++row) {
            if (!m_shown[std::size_t(row)])
                return true;
        }
    }
    return false;
}

void RowFilter::deselectHidden()
{
    if (m_shown.empty() || !hidesAny(m_model.selectionModel()->selection()))
        return;
    std::vector<bool> selected = RowCommands::selectedRows(m_model);
    for (std::size_t row = 0; row < selected.size(); ++row)
        selected[row] = selected[row] && (row >= m_shown.size() || m_shown[row]);
    RowCommands::setSelectedRows(m_model, selected);
}
