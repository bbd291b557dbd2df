#pragma once

#include <QDialog>
#include <QString>

#include "format/FormatPreview.h"
#include "tags/MP3TagInfo.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTreeWidget;
class TypingLimit;

// The dialog in which a format string is chosen: the token list, the format text (txtFormat), and a
// preview both ways on an example tag: the example record composed into the example text
// (txtExample), and the example text parsed back into the example fields. OK (Command1, also
// Enter anywhere) asks "Confirm Format" and hands back the format and the full-path choice; Cancel
// (Command2, Escape) and the window's close box hand back nothing; Reset (Command3) brings the
// sample tag back. "|" cannot be typed anywhere, "<" and ">" only into the format text.
class FormatString : public QDialog {
    Q_OBJECT

public:
    // fullPathDisabled: the full-path option cannot be ticked (the command does not offer it).
    explicit FormatString(bool fullPathDisabled, QWidget* parent = nullptr);

    // Starts on this format (one remembered from an earlier run) and full-path choice, instead of
    // the example format; the choice stays off when the command does not offer it.
    void startWith(const QString& format, bool fullPath);
    // Shows, under the example fields, what the format does to the user's own rows, kept up to
    // date as the format and the full-path choice change; nothing is shown without rows.
    void showPreview(FormatPreview::Lines preview);

    // The confirmed format; empty after Cancel, Escape, the close box, or an empty format.
    QString ChosenFormat() const { return m_chosenFormat; }
    // Whether the full-path option was ticked at OK.
    bool UseFullPath() const { return m_useFullPath; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One example field: its box and the limit on typing into it.
    struct Field {
        QLineEdit* edit;
        TypingLimit* limit;
    };

    // Recomposes the example text, then parses it back into the fields.
    void formatChanged();
    // The example text composed from the example record; nothing while an update runs.
    void UpdateExample();
    // The fields parsed from the example text; nothing while an update runs.
    void UpdateFields();
    // Stores a field's text (its sample value when empty) in the example record.
    void storeField(QLineEdit* edit, const QString& text);
    void fullPathClicked(bool ticked);
    void updatePreview();
    void genreChosen(int index);
    void confirm();
    void reset();

    QLineEdit* m_txtFormat;
    QLineEdit* m_txtExample;
    QCheckBox* m_fullPath;
    Field m_songName;
    Field m_artist;
    Field m_album;
    Field m_year;
    Field m_comment;
    Field m_track;
    QComboBox* m_genre;
    QTreeWidget* m_preview;
    FormatPreview::Lines m_previewLines;
    MP3TagInfo m_exampleInfo;
    bool m_updating = false;
    QString m_chosenFormat;
    bool m_useFullPath = false;
};
