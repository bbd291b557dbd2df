#pragma once

#include <array>
#include <optional>

#include <QHash>
#include <QString>
#include <QStringList>

// The genre names of ID3v1 genre numbers 0 to 255, from a text file of one name a line: line 1 is
// genre 0. Lines are taken whole (no trimming; an empty line is an empty name) and end at CR LF,
// CR or LF; the file is read as UTF-8 when valid, otherwise as windows-1252. At most 256 lines.
//
// The list ends at the first slot that holds the end marker "\endoflist\": the loader puts it
// after the last name when fewer than 255 names were read, and a line of the file may hold it
// too. With no marker all 256 slots count. Lookups load the file on first use; a failed load
// shows the genre-list message, keeps the slots it filled and is tried again by the next lookup.
class GenreTable {
public:
    static constexpr int SlotCount = 256;
    // The number GenreNumber gives to a name that is not in the list.
    static constexpr int UnknownGenre = 12;
    // Larger files are refused whole: 256 names are never near this size, and a huge file would
    // otherwise be read into memory as names.
    static constexpr qint64 MaxFileSize = 1 << 20;

    // The table of the file Genres.lst in folder (given without a trailing separator).
    explicit GenreTable(QString folder);

    // Loads the file into the slots; false, after the message, when that failed.
    bool LoadGenres();

    // The name of a number from 0 to 255 inside the list; otherwise empty.
    QString GenreName(int number);
    // The first slot inside the list whose name equals the name without regard to case; 12 when none.
    int GenreNumber(const QString& name);
    // Appends the names inside the list, in slot order, so that an item's index is its number.
    void FillGenreList(QStringList& list);

    bool isLoaded() const { return m_loaded; }
    QString listPath() const { return m_listPath; }

private:
    void loadIfNeeded();
    // Finds where the list ends and makes the name look-up, after every load, failed or not.
    void index();

    QString m_folder;
    QString m_listPath;
    std::array<QString, SlotCount> m_slots;
    bool m_loaded = false;
    int m_counted = SlotCount; // the slots inside the list: all of them before any load
    QHash<QString, int> m_numbers;
};

// The program's own table: Genres.lst in the program's folder, or else in its installed data folder
// (see dataFolderOf).
GenreTable& programGenres();

QString GenreName(int number);
int GenreNumber(const QString& name);
void FillGenreList(QStringList& list);

// The genre numbers of names for one command over a batch of files. A number looked up while the
// list cannot be loaded would be a guess (12 for every name, 0 for the empty one), so there is
// none: numberOf is empty and the command writes nothing that needs it. The list is tried once a
// batch, so its message is shown once, not once a file.
class BatchGenres {
public:
    explicit BatchGenres(GenreTable& table = programGenres()) : m_table(table) { }

    // GenreNumber of the name; empty when the list could not be loaded.
    std::optional<int> numberOf(const QString& name);

private:
    GenreTable& m_table;
    std::optional<bool> m_usable; // tried yet, and whether the list loaded
};
