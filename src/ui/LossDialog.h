#pragma once

#include <vector>

#include <QDialog>

#include "playlist/TagCopying.h"

// The one question Copy ID3v2 Tags to ID3v1 asks before it writes: every file whose ID3v1 tag would
// lose something, a line for each field (file, field, old text, new text), with Copy (cmdCopy) and
// Cancel (cmdCancel, the default button, and Escape: nothing is written unless the user says so).
class LossDialog : public QDialog {
    Q_OBJECT

public:
    LossDialog(const std::vector<TagCopying::FileLosses>& files, QWidget* parent = nullptr);
};
