#pragma once

#include <vector>

#include <QDialog>

#include "format/RetagPlan.h"

// The tags a Tag command would write, shown before any file is written: a line for each field that
// changes, with the file, the field and its old and new value; the files left alone are marked
// with why. Write (the default button) writes them; Cancel, Escape or the close box end the
// command with nothing written.
class RetagPreview : public QDialog {
    Q_OBJECT

public:
    explicit RetagPreview(const std::vector<RetagCommands::PlannedRetag>& plans, QWidget* parent = nullptr);
};
