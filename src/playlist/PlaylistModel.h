#pragma once

#include <memory>
#include <vector>

#include <QAbstractTableModel>
#include <QHash>
#include <QItemSelectionModel>

#include "playlist/EntryList.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistRow.h"

// The rows of the open playlist in display order, their entries and their selection. The window
// shows it in a view; the command-line program and the tests use it without one.
//
// Rows change in batches: one insert for the entries of a loaded playlist, one layout change for a
// sort or a move of many rows, one removal (or reset) for a deletion, one data change for the rows a
// pass of tag reading has read. A row keeps its identity (its PlaylistRow address) through all of
// them, so its entry, its selection and the view's current row follow it.
class PlaylistModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The icon key of a row, for the window to turn into an icon; on column 0.
    static constexpr int IconKeyRole = Qt::UserRole + 1;

    explicit PlaylistModel(QObject* parent = nullptr);
    ~PlaylistModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // A stable sort of the rows by the column (descending turns the comparison round; rows that
    // compare equal keep their order either way); the entries keep their order. Texts are compared
    // as text without regard to case, but for "Length (s)", "Track" and "Year": there numbers come
    // first, by value, then every other text ("???" among them), as text. A track "3/12" counts as 3.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Dragging and dropping: rows can be dragged, and dropped between rows (never onto one). A drag
    // of rows carries rowsMimeType, naming this model in this process; the list also takes
    // "text/uri-list" (files and folders). What a drop does is the window's: the model is changed
    // only through its batch operations below.
    static constexpr const char* rowsMimeType = "application/x-sondrel-rows";
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction | Qt::MoveAction; }
    // True when the data is a drag of this model's rows.
    bool holdsOwnRows(const QMimeData& data) const;

    QItemSelectionModel* selectionModel() const { return m_selection; }
    MP3List& nodeList() { return *m_list; }

    qsizetype size() const { return qsizetype(m_rows.size()); }
    PlaylistRow* rowAt(qsizetype position) const { return m_rows[std::size_t(position)]; }
    // The position of a row of this model, -1 for any other. Constant time.
    qsizetype positionOf(const PlaylistRow* row) const;
    // The entry of the row at a position, shared: the row-to-entry look-up, in constant time.
    std::shared_ptr<MP3Node> findItem(qsizetype position) const { return m_list->handleOf(*rowAt(position)); }
    // The icon key of the row at a position (see IconKeys).
    const QString& iconKey(qsizetype position) const { return m_iconKeys[rowAt(position)->iconKey]; }
    // A column's text, the field columns from the tag formatStringsUse() names.
    QString text(qsizetype position, int column) const { return rowAt(position)->text(column, m_formatStringsUse); }
    void setText(qsizetype position, int column, const QString& text);

    // Appends a row and an entry for each playlist entry, both tag columns unread, each row with the
    // icon key of its file, in one insert.
    void appendEntries(const std::vector<PlaylistEntry>& entries);
    // The same with the rows inserted before the row at a position (at the end for size() or a
    // position out of range), in one insert; the entries still go at the end of the entry list,
    // where background reading reaches them.
    void insertEntries(qsizetype position, const std::vector<PlaylistEntry>& entries);
    // The same in pieces, for a playlist read a piece at a time: stageEntries makes the rows and
    // entries of each piece without showing them, appendStaged appends all of them in one insert,
    // discardStaged drops them.
    void stageEntries(const std::vector<PlaylistEntry>& entries);
    void appendStaged();
    void insertStaged(qsizetype position);
    void discardStaged();

    // The playlist entries of the rows in display order, as they are saved.
    std::vector<PlaylistEntry> entriesInRowOrder() const;

    // Removes the rows at the given positions (ascending, no repeats) with their entries, in one
    // removal when they are contiguous and one reset otherwise. The entries leave the entry list
    // first; an entry held elsewhere (by an iterator) stays usable, without a row.
    void removeRows(const std::vector<qsizetype>& positions);
    // Every row gone and a new, empty entry list.
    void clear();

    // Puts the rows in a new order: newOrder[i] is the current position of the row that goes to
    // position i. One layout change; selection and persistent indexes follow the rows.
    void reorder(const std::vector<qsizetype>& newOrder);

    // The tag whose fields the format strings and the columns Album to Comment use (Options >
    // "Format Strings Use"): the one place that answers it. ID3v1 until set.
    TagChoice formatStringsUse() const { return m_formatStringsUse; }
    // Changes it; the field columns of every row are reported changed, in one signal.
    void setFormatStringsUse(TagChoice tag);

    // The version (3 or 4) a command that writes ID3v2 fields gives a file without an ID3v2 tag
    // (Options > "ID3v2 Version for New Tags"). 4 until set; any other number is taken as 4.
    int newTagVersion() const { return m_newTagVersion; }
    void setNewTagVersion(int version) { m_newTagVersion = version == 3 ? 3 : 4; }

    // Tells the views that the tag columns of the rows between first and last changed.
    void tagColumnsChanged(qsizetype first, qsizetype last);
    // Tells the views that texts of the rows between first and last changed, in one signal: for
    // commands that write many rows' texts (through rowAt) and report them together.
    void rowsChanged(qsizetype first, qsizetype last);

private:
    // The model's own removal by range is not offered: rows go through removeRows(positions) above,
    // which also drops their entries.
    using QAbstractTableModel::removeRows;

    // Gives every row from first on its position again.
    void renumberFrom(qsizetype first);
    // The index of a key in the table of icon keys, added when new.
    quint32 iconKeyIndex(const QString& key);

    // The rows in display order. They are owned by the entry list (m_list), which holds every one
    // of them, so this vector costs one pointer a row.
    std::vector<PlaylistRow*> m_rows;
    // Rows made by stageEntries, owned by their own entry list until appendStaged moves them on.
    std::vector<PlaylistRow*> m_staged;
    std::unique_ptr<MP3List> m_stagedList;
    std::unique_ptr<MP3List> m_list;
    // The distinct icon keys of the rows (most playlists hold a few), and their indexes.
    std::vector<QString> m_iconKeys;
    QHash<QString, quint32> m_iconKeyIndexes;
    QItemSelectionModel* m_selection;
    TagChoice m_formatStringsUse = TagChoice::Id3v1;
    int m_newTagVersion = 4;
};
