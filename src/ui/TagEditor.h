#pragma once

#include <memory>

#include <QDialog>

class MP3Node;
class PlaylistModel;
class QComboBox;
class QLineEdit;

// The dialog in which the ID3v1 fields of one entry are edited: SongName, Artist, Album, Year,
// Comment, Track and Genre, each with its label, and OK (Command1, the default button) and Cancel
// (Command2, Escape). It loads the fields from the entry's tag object as last read, without
// reading the file. OK stores the fields in the tag object, writes the tag, has the entry read its
// tags again and reports the row to the model; Cancel, Escape and the close box write nothing.
class TagEditor : public QDialog {
    Q_OBJECT

public:
    TagEditor(std::shared_ptr<MP3Node> entry, PlaylistModel& model, QWidget* parent = nullptr);

    const std::shared_ptr<MP3Node>& CurrentNode() const { return m_currentNode; }

private:
    void load();
    void storeAndWrite();

    std::shared_ptr<MP3Node> m_currentNode;
    PlaylistModel& m_model;
    QLineEdit* m_songName;
    QLineEdit* m_artist;
    QLineEdit* m_album;
    QLineEdit* m_year;
    QLineEdit* m_comment;
    QLineEdit* m_track;
    QComboBox* m_genre;
};
