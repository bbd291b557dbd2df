#pragma once

#include <array>
#include <memory>
#include <vector>

#include <QDialog>

#include "format/MultiTagWriting.h"

class PlaylistModel;
class QComboBox;
class QLabel;
class QLineEdit;

// The tag editor over several entries at once. It has the single editor's fields, with the same
// object names (SongName ... Genre for ID3v1, SongName2 ... Genre2 for ID3v2), OK (Command1) and
// Cancel (Command2), but no copy buttons. Each field shows the text the files share, or is empty
// with "<different>" as its placeholder where they differ. A field the user changes is written to
// every file; a "<different>" field not typed into is left as each file has it. The ID3v2 side is
// disabled when no file's ID3v2 tag can be read; a file whose one cannot be read keeps it.
//
// OK only takes the edits (a track or genre ID3v1 cannot hold is refused and the dialog stays
// open); editSelection writes them.
class MultiTagEditor : public QDialog {
    Q_OBJECT

public:
    MultiTagEditor(
        const MultiTagWriting::Loaded& loaded, qsizetype files, qsizetype leftOut, QWidget* parent = nullptr);

    // The user's changes, for writing once the dialog was accepted.
    const MultiTagEdit::Edits& id3v1Edits() const { return m_id3v1Edits; }
    const MultiTagEdit::Edits& id3v2Edits() const { return m_id3v2Edits; }

    // Edits the tags of entries together, within the window's open batch: entries not read are
    // read, those that fail are left out; the dialog is shown over window (wait runs it and says
    // whether it was accepted), then the edits are written file by file under a window-modal
    // progress dialog whose Cancel stops before the next file. The files left out and those not
    // written as asked are named in one message at the end.
    static void editSelection(PlaylistModel& model, const std::vector<std::shared_ptr<MP3Node>>& entries,
        QWidget* window, int newTagVersion, const std::function<bool(QDialog&)>& wait);

private:
    struct Side {
        std::array<QLineEdit*, 6> texts; // SongName, Artist, Album, Year, Comment, Track
        QComboBox* genre;
        MultiTagEdit::CommonTexts loaded;
        std::array<bool, MultiTagEdit::FieldCount> touched{};
    };

    void load(Side& side, const MultiTagEdit::CommonTexts& common);
    MultiTagEdit::Edits editsOf(const Side& side, bool v1) const;
    void takeEdits();

    Side m_v1;
    Side m_v2;
    QLabel* m_id3v1Note;
    MultiTagEdit::Edits m_id3v1Edits;
    MultiTagEdit::Edits m_id3v2Edits;
};
