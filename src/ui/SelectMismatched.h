#pragma once

class PlaylistModel;
class QTreeView;

// Edit > Select Mismatched Rows in the window: reads the tags not read yet under the busy pointer
// with the list's painting suspended, selects exactly the rows whose file name, title and tag in use
// disagree (see playlist/Mismatch.h), makes the first of them current and scrolls to it. When every
// row agrees the selection is cleared and a message says so.
void selectMismatchedRows(PlaylistModel& model, QTreeView& list);
