#pragma once

#include <optional>

#include <QStringList>

#include "playlist/EntryList.h"

class PlaylistModel;

// Adds the files at the end of the playlist in the order given, one row and one entry each: the
// title is the file name without folder and extension, both tag columns unread, the length "???".
// With missingOnly, a file whose path some row already lists (compared after lower-casing, rows
// added by this import included) is left out. Afterwards there is a reader that will reach the new
// entries: one that exists goes on from where it stands. Returns how many rows were added.
qsizetype importFiles(
    PlaylistModel& model, const QStringList& paths, bool missingOnly, std::optional<Iterator>& reader);
