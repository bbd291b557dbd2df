#pragma once

#include <optional>
#include <vector>

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include "playlist/EntryList.h"

class PlaylistModel;

// The commands that work on the playlist's rows and their selection, without a window: selecting,
// deleting, the filters that narrow the selection, sorting and moving rows. Each takes time linear
// in the rows (sorting: n log n) and changes the model in one batch.
namespace RowCommands {

// What one stat() tells of a row's file: 0 when it is there as an ordinary file, ENOENT when it is
// missing, any other error number when the check itself failed and nothing is known. A file is
// missing when the system says it does not exist (ENOENT, ENOTDIR), and also when it is there but
// not an ordinary file or has a hidden name (see FileOps::isOrdinaryFile); a refused or failed look
// (EACCES, EIO, ELOOP...) is not evidence that the file is gone.
int presenceOf(const QString& path);

// Which rows are selected, by position.
std::vector<bool> selectedRows(const PlaylistModel& model);
// Selects exactly the rows whose flag is set, in one call to the selection model.
void setSelectedRows(PlaylistModel& model, const std::vector<bool>& selected);

void selectAll(PlaylistModel& model);
void selectNone(PlaylistModel& model);
void selectInverse(PlaylistModel& model);

// What Delete Selected did to the playlist and its background reader.
enum class AfterDelete {
    ReaderKept, // a reader remains (moved off any deleted entry); reading goes on as it was
    ReaderRestarted, // the reader had nowhere to go: a new one starts before the first entry
    PlaylistReset, // the last row went: the playlist is empty as after New Playlist, no reader
};
// Removes the selected rows and their entries. A reader standing on a deleted entry goes on, at its
// next step, with the first remaining entry that followed it; one with nowhere to go is dropped,
// and replaced by a fresh reader over the remaining entries.
AfterDelete deleteSelected(PlaylistModel& model, std::optional<Iterator>& reader);

// Deselects the selected rows whose file exists as an ordinary file; missing files stay selected.
// A file is missing when it does not exist, or is there but is not an ordinary file (a folder, a
// device, a pipe, a socket) or has a hidden name. A file whose existence cannot be checked (a
// folder it may not search, an I/O error) is not missing: its row is deselected and one error
// message names every such file with the system's reason. One stat() a selected row.
void keepMissingFilesSelected(PlaylistModel& model);

// Narrows the selection to duplicates by a column (0 file name, 1 title, 2 QuickTag), texts
// compared whole after lower-casing: in every group of selected rows sharing a text, all stay
// selected but the highest-numbered one; a selected row without a selected twin is deselected.
void keepDuplicatesSelected(PlaylistModel& model, int column);

// Sorts by a clicked column: a new column sorts ascending, the same column again flips the
// direction. sortState is the column plus one, negative for descending; 0 before any sort.
void sortByColumn(PlaylistModel& model, int& sortState, int column);

// Makes the rows follow files that changed behind them (an undo or a redo): each row of a renamed
// file (its name before, its name after, in the order renamed) gets the new name, and each row of
// a renamed or changed file is read again. One pass over the rows; the model is told once.
void followFiles(PlaylistModel& model, const QList<std::pair<QString, QString>>& renamed, const QStringList& changed);

// Moves every block of selected rows one place up (or down); selected rows already at the top
// (or bottom) stay where they are.
enum class Direction { Up, Down };
void moveSelectedRows(PlaylistModel& model, Direction direction);
// Moves the selected rows, in their order, to stand together before the row at a position (at the
// end for size() or beyond), as dragging them there does; the other rows keep their order. One
// layout change, none when nothing would move; the rows stay selected.
void moveSelectedRowsTo(PlaylistModel& model, qsizetype position);

// The file names already listed, compared whole after lower-casing, for importing files without
// listing them twice. Files added during an import are added here too, so they count at once.
class FileListing {
public:
    explicit FileListing(const PlaylistModel& model);
    bool isFileListed(const QString& path) const { return m_listed.contains(path.toLower()); }
    void add(const QString& path) { m_listed.insert(path.toLower()); }

private:
    QSet<QString> m_listed;
};

} // namespace RowCommands
