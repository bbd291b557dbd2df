#pragma once

#include <vector>

#include <QDialog>

#include "format/RetagCommands.h"

// The renames of a File Name command, shown before anything moves: a line a selected row with its
// old and new name, the rows that would fail or are left alone (no tag to compose from, not a
// file) marked with why. Rename (the default button) goes on with the renames; Cancel, Escape or
// the close box end the command with nothing changed.
class RenamePreview : public QDialog {
    Q_OBJECT

public:
    explicit RenamePreview(const std::vector<RetagCommands::PlannedRename>& plans, QWidget* parent = nullptr);
};
