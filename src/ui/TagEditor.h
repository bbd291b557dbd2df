#pragma once

#include <memory>

#include <QDialog>
#include <QStringList>

#include "tags/Id3v2Fields.h"

class MP3Node;
class PlaylistModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TypingLimit;

// The dialog in which the tags of one entry are edited. On the left the ID3v1 fields: SongName,
// Artist, Album, Year, Comment, Track and Genre, each with its label, typing limited to what the
// tag holds. Beside them the same fields of the ID3v2 tag (SongName2 ... Genre2), of any length;
// when the file's ID3v2 tag cannot be read (or was not read) that side is disabled and says why.
// "Copy to ID3v2" (CopyToId3v2) and "Copy to ID3v1" (CopyToId3v1) copy the texts of one side into
// the other in the dialog; into ID3v1 they are cut to its widths, a track "3/12" becomes 3 and a
// genre not in the list the unknown genre. OK (Command1, the default button) and Cancel (Command2,
// Escape).
//
// An ID3v1 field shows a character windows-1252 cannot hold as the "?" it is stored as, with a note
// below the fields. OK on an entry whose file failed to read writes nothing and says why.
//
// It loads both sides from the entry's tag object as last read, without reading the file. OK
// writes each tag whose fields the user changed, and only those: the ID3v1 record, and the ID3v2
// fields (a file without an ID3v2 tag gets one of newTagVersion, 3 or 4); then the entry reads its
// tags again and its row is reported to the model. Cancel, Escape and the close box write nothing.
class TagEditor : public QDialog {
    Q_OBJECT

public:
    TagEditor(std::shared_ptr<MP3Node> entry, PlaylistModel& model, QWidget* parent = nullptr, int newTagVersion = 4);

    const std::shared_ptr<MP3Node>& CurrentNode() const { return m_currentNode; }

private:
    struct Side {
        QLineEdit* songName;
        QLineEdit* artist;
        QLineEdit* album;
        QLineEdit* year;
        QLineEdit* comment;
        QLineEdit* track;
        QComboBox* genre;
    };

    void load();
    void loadId3v2();
    void copyToId3v2();
    void copyToId3v1();
    // The ID3v1 side's texts and genre, as loaded and as now: what tells a change.
    QStringList id3v1Texts() const;
    Id3v2Fields id3v2Fields() const;
    void storeAndWrite();

    std::shared_ptr<MP3Node> m_currentNode;
    PlaylistModel& m_model;
    int m_newTagVersion;
    Side m_v1;
    Side m_v2;
    std::vector<std::pair<QLineEdit*, TypingLimit*>> m_limits;
    QLabel* m_id3v2Problem;
    QLabel* m_id3v1Note; // shown once a typed character became "?"
    QPushButton* m_copyToId3v2;
    QPushButton* m_copyToId3v1;
    QStringList m_loadedId3v1;
    Id3v2Fields m_loadedId3v2;
    bool m_id3v2Editable = false;
};
