#pragma once

#include <vector>

#include <QItemSelection>
#include <QObject>
#include <QString>
#include <QStringList>

class PlaylistModel;

// The filter over a playlist's rows: a row is shown when every word of the filter's text occurs in
// one of its five column texts (File Name, Title, ID3v1 QuickTag, Has ID3v2?, Length (s)), each word
// in any column, without regard to case. No words: every row is shown.
//
// It only says which rows are shown; the rows and their order stay the model's own, so the order
// saved is still the order on screen. While a filter is on it follows the model: rows added or
// whose texts change are matched again (those rows only), and a sort, a move or a reset matches
// every row again; then shownChanged tells which positions to look at. The selection is
// kept to shown rows: whenever it takes in a hidden row, or a selected row is hidden, that row is
// deselected, so a command on the selected rows never touches a row the user cannot see. With no
// filter it does nothing at all, and keeps nothing.
class RowFilter : public QObject {
    Q_OBJECT

public:
    explicit RowFilter(PlaylistModel& model, QObject* parent = nullptr);

    // The words of a typed text: split at white space, case-folded (simple folding, a UTF-16 unit
    // at a time); none for blank text.
    static QStringList wordsOf(const QString& text);
    // Whether each word occurs, without regard to case, in one of the row's five column texts.
    static bool matches(const PlaylistModel& model, qsizetype position, const QStringList& words);

    // Takes a new text and matches every row against its words; shownChanged follows for every row.
    void setText(const QString& text);
    bool isActive() const { return !m_words.isEmpty(); }
    const QStringList& words() const { return m_words; }
    // Whether the row at a position is shown: every row while no filter is on.
    bool isShown(qsizetype position) const { return m_shown.empty() || m_shown[std::size_t(position)]; }
    qsizetype shownCount() const;

Q_SIGNALS:
    // The rows from first to last (positions) may have been shown or hidden; they are to be shown as
    // isShown says.
    void shownChanged(qsizetype first, qsizetype last);

private:
    // Matches every row again from its texts.
    void matchAll();
    // After a reorder or a reset: every row matched again, and shown or hidden anew.
    void rematchAll();
    // Matches the rows first to last again.
    void matchRows(qsizetype first, qsizetype last);
    // Whether the selection holds a hidden row: time linear in the rows it holds.
    bool hidesAny(const QItemSelection& selection) const;
    // Deselects the selected rows that are hidden, in one call.
    void deselectHidden();

    PlaylistModel& m_model;
    QStringList m_words;
    // Whether each row is shown, by position, while a filter is on; empty otherwise.
    std::vector<bool> m_shown;
    qsizetype m_shownCount = 0;
};
