#include "playlist/RowCommands.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <numeric>
#include <sys/stat.h>

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/NativePath.h"
#include "playlist/PlaylistModel.h"

namespace RowCommands {

namespace {

QItemSelection wholeRows(const PlaylistModel& model, qsizetype first, qsizetype last)
{
    return QItemSelection(model.index(int(first), 0), model.index(int(last), PlaylistColumnCount - 1));
}

// Makes the selection exactly the given ranges, which already span whole rows. Clearing first and
// selecting without the Rows flag keeps the selection model from comparing and merging every
// range with every other, which takes quadratic time over many scattered rows.
void replaceSelection(PlaylistModel& model, const QItemSelection& selection)
{
    QItemSelectionModel& selectionModel = *model.selectionModel();
    if (selectionModel.hasSelection())
        selectionModel.clearSelection();
    if (!selection.isEmpty())
        selectionModel.select(selection, QItemSelectionModel::Select);
}

} // namespace

int presenceOf(const QString& path)
{
    if (path.isEmpty() || path.contains(QChar(0)) || FileOps::isHiddenName(path))
        return ENOENT;
    struct stat info { };
    if (::stat(NativePath::encode(path).constData(), &info) == 0)
        return S_ISREG(info.st_mode) ? 0 : ENOENT;
    return errno == ENOTDIR ? ENOENT : errno;
}

std::vector<bool> selectedRows(const PlaylistModel& model)
{
    std::vector<bool> selected(std::size_t(model.size()), false);
    for (const QItemSelectionRange& range : model.selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            selected[std::size_t(row)] = true;
    }
    return selected;
}

void setSelectedRows(PlaylistModel& model, const std::vector<bool>& selected)
{
    QItemSelection selection;
    const qsizetype count = qsizetype(selected.size());
    for (qsizetype first = 0; first < count;) {
        if (!selected[std::size_t(first)]) {
            ++first;
            continue;
        }
        qsizetype last = first;
        while (last + 1 < count && selected[std::size_t(last + 1)])
            ++last;
        selection.append(
            QItemSelectionRange(model.index(int(first), 0), model.index(int(last), PlaylistColumnCount - 1)));
        first = last + 1;
    }
    replaceSelection(model, selection);
}

void selectAll(PlaylistModel& model)
{
    if (model.size() > 0)
        replaceSelection(model, wholeRows(model, 0, model.size() - 1));
}

void selectNone(PlaylistModel& model)
{
    model.selectionModel()->clearSelection();
}

void selectInverse(PlaylistModel& model)
{
    std::vector<bool> selected = selectedRows(model);
    selected.flip();
    setSelectedRows(model, selected);
}

AfterDelete deleteSelected(PlaylistModel& model, std::optional<Iterator>& reader)
{
    const std::vector<bool> selected = selectedRows(model);
    std::vector<qsizetype> positions;
    for (std::size_t i = 0; i < selected.size(); ++i) {
        if (selected[i])
            positions.push_back(qsizetype(i));
    }
    model.removeRows(positions);
    // A reader standing on a deleted entry is put where its next step reads the first remaining
    // entry that followed it: on the last deleted entry before that one (a deleted entry keeps its
    // link). Moving it onto the follower itself would have the next step skip the follower unread.
    if (reader && reader->current() && !model.nodeList().holds(*reader->current())) {
        std::shared_ptr<MP3Node> standing = reader->current();
        while (standing->nextNode() && !model.nodeList().holds(*standing->nextNode()))
            standing = standing->nextNode();
        if (standing->nextNode())
            reader->standOn(standing);
        else
            reader.reset(); // nothing followed it: reading starts again from the first entry
    }
    if (model.size() == 0) {
        model.clear();
        reader.reset();
        return AfterDelete::PlaylistReset;
    }
    if (!reader) {
        reader = model.nodeList().getIterator();
        return AfterDelete::ReaderRestarted;
    }
    return AfterDelete::ReaderKept;
}

void keepMissingFilesSelected(PlaylistModel& model)
{
    std::vector<bool> selected = selectedRows(model);
    bool changed = false;
    QString unchecked;
    for (std::size_t i = 0; i < selected.size(); ++i) {
        if (!selected[i])
            continue;
        const QString& path = model.text(qsizetype(i), FileNameColumn);
        const int presence = presenceOf(path);
        if (presence == ENOENT)
            continue;
        if (presence != 0)
            unchecked += QStringLiteral("\r\n") + path + QStringLiteral(": ") + qt_error_string(presence);
        selected[i] = false;
        changed = true;
    }
    if (changed)
        setSelectedRows(model, selected);
    if (!unchecked.isEmpty())
        Messages::error(QStringLiteral("Could not check whether these files exist; their rows are not counted as "
                                       "missing:")
            + unchecked);
}

void keepDuplicatesSelected(PlaylistModel& model, int column)
{
    // From the last row up: a selected row stays selected when a later selected row has its text.
    std::vector<bool> selected = selectedRows(model);
    QSet<QString> later;
    later.reserve(qsizetype(std::count(selected.begin(), selected.end(), true)));
    for (qsizetype i = qsizetype(selected.size()) - 1; i >= 0; --i) {
        if (!selected[std::size_t(i)])
            continue;
        const QString key = model.text(i, column).toLower();
        if (later.contains(key))
            continue;
        selected[std::size_t(i)] = false;
        later.insert(key);
    }
    setSelectedRows(model, selected);
}

void sortByColumn(PlaylistModel& model, int& sortState, int column)
{
    if (std::abs(sortState) - 1 != column)
        sortState = column + 1;
    else
        sortState = -sortState;
    model.sort(std::abs(sortState) - 1, sortState < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void moveSelectedRowsTo(PlaylistModel& model, qsizetype position)
{
    const std::vector<bool> selected = selectedRows(model);
    const qsizetype count = model.size();
    position = std::clamp<qsizetype>(position, 0, count);
    std::vector<qsizetype> order;
    order.reserve(std::size_t(count));
    const auto takeUnselected = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            if (!selected[std::size_t(i)])
                order.push_back(i);
        }
    };
    takeUnselected(0, position);
    for (qsizetype i = 0; i < count; ++i) {
        if (selected[std::size_t(i)])
            order.push_back(i);
    }
    takeUnselected(position, count);
    for (qsizetype i = 0; i < count; ++i) {
        if (order[std::size_t(i)] != i) {
            model.reorder(order);
            return;
        }
    }
}

void moveSelectedRows(PlaylistModel& model, Direction direction)
{
    // The rows move one pair at a time, exactly as exchanging neighbours would move them, but on a
    // list of positions; the model then changes its layout once.
    std::vector<bool> selected = selectedRows(model);
    const qsizetype count = model.size();
    std::vector<qsizetype> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    const auto exchange = [&](qsizetype a, qsizetype b) {
        std::swap(order[std::size_t(a)], order[std::size_t(b)]);
        const bool flag = selected[std::size_t(a)];
        selected[std::size_t(a)] = selected[std::size_t(b)];
        selected[std::size_t(b)] = flag;
    };
    bool moved = false;
    if (direction == Direction::Up) {
        qsizetype i = 0;
        while (i < count - 1 && selected[std::size_t(i)])
            ++i;
        if (i >= count - 1)
            return;
        for (qsizetype j = i; j < count; ++j) {
            if (selected[std::size_t(j)] && j > 0) {
                exchange(j, j - 1);
                moved = true;
            }
        }
    } else {
        qsizetype i = count - 1;
        while (i > 0 && selected[std::size_t(i)])
            --i;
        if (i <= 0)
            return;
        for (qsizetype j = i; j >= 0; --j) {
            if (selected[std::size_t(j)] && j + 1 < count) {
                exchange(j, j + 1);
                moved = true;
            }
        }
    }
    if (moved)
        model.reorder(order);
}

FileListing::FileListing(const PlaylistModel& model)
{
    m_listed.reserve(model.size());
    for (qsizetype i = 0; i < model.size(); ++i)
        m_listed.insert(model.text(i, FileNameColumn).toLower());
}

void followFiles(PlaylistModel& model, const QList<std::pair<QString, QString>>& renamed, const QStringList& changed)
{
    QHash<QString, std::vector<qsizetype>> rowsOf;
    for (qsizetype position = 0; position < model.size(); ++position)
        rowsOf[model.rowAt(position)->file()].push_back(position);
    std::vector<qsizetype> touched;
    const auto readAgain = [&](const std::vector<qsizetype>& rows) {
        for (const qsizetype position : rows) {
            model.rowAt(position)->ReadTag();
            touched.push_back(position);
        }
    };
    for (const auto& [from, to] : renamed) {
        const auto found = rowsOf.find(from);
        if (found == rowsOf.end())
            continue;
        const std::vector<qsizetype> rows = std::move(found.value());
        rowsOf.erase(found);
        for (const qsizetype position : rows)
            model.rowAt(position)->reInit(to);
        readAgain(rows);
        std::vector<qsizetype>& named = rowsOf[to];
        named.insert(named.end(), rows.begin(), rows.end());
    }
    for (const QString& path : changed)
        readAgain(rowsOf.value(path));
    if (!touched.empty())
        model.rowsChanged(
            *std::min_element(touched.begin(), touched.end()), *std::max_element(touched.begin(), touched.end()));
}

} // namespace RowCommands
