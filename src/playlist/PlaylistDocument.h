#pragma once

#include <QObject>
#include <QString>

class PlaylistModel;
class QModelIndex;

// The open playlist as a document: the file Save writes to, and whether the rows differ from what
// was last opened from or saved to it. It watches the model: every change to what a saved playlist
// holds (rows added, removed or put in another order; a row's path, title or length changed) marks
// it modified. The tag columns live in the files, not in the playlist, and do not.
class PlaylistDocument : public QObject {
    Q_OBJECT

public:
    explicit PlaylistDocument(PlaylistModel& model, QObject* parent = nullptr);

    // Empty for a playlist that has not been opened from or saved to a file.
    const QString& fileName() const { return m_fileName; }
    bool isModified() const { return m_modified; }

    // The rows are now what path holds (opened whole, or saved): Save writes there, unmodified.
    // An empty path makes a new playlist without a file.
    void setSaved(const QString& path);
    void setModified(bool modified);

    // The file's name without its folder; "Untitled" without a file.
    QString name() const;
    // The window's caption: the program's name alone for a new, unchanged playlist, otherwise the
    // playlist's name, a "*" while it is modified, " - " and the program's name.
    QString caption() const;

Q_SIGNALS:
    // The file or the modified mark changed, and with them the caption.
    void changed();

private:
    void noteDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);

    QString m_fileName;
    bool m_modified = false;
};
