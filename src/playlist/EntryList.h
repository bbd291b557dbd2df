#pragma once

#include <memory>

#include <QString>

#include "tags/MP3Tag.h"

class MP3List;
struct PlaylistRow;

// The entries of the open playlist in the order they were added, each tying a file's path to the
// row that shows it and to the file's tag object. The rows' order (what the user sees and saves)
// and the entries' order (what background reading follows) start out alike and part when rows are
// sorted or moved.
//
// Every entry is the entry part of its row (a PlaylistRow is an MP3Node), so a row and its entry
// are one allocation and each finds the other without a pointer.
//
// Entries are shared: the list holds them through the chain of nextNode links, and an iterator
// holds the entry it stands on, so an entry removed from the list stays usable, with its nextNode
// link unchanged, for as long as an iterator needs it. Holding an entry holds its row's memory too;
// a removed row is in no model (its position is -1).
class MP3Node {
public:
    MP3Node(const MP3Node&) = delete;
    MP3Node& operator=(const MP3Node&) = delete;

    // Sets the path of a new entry, not yet in any list, and binds a new tag object to it; reads
    // nothing.
    void initFileItem(const QString& file);
    // Gives the entry a new path; the tag object, and what it has read, stay.
    void reInit(const QString& file);
    // Gives the entry another file: a new tag object bound to it, nothing read and no earlier
    // failure remembered (a file that was missing is found again).
    void bindNewFile(const QString& file);
    // Reads the file's tags, the ID3v2 tag's fields included, in one open, and writes the row's
    // "ID3v1 QuickTag" and "Has ID3v2?" texts. The model is not told; the caller reports the
    // changed rows in one batch.
    void ReadTag();
    // Writes those two texts from what the tag object holds now, as after a change; the model is
    // not told.
    void showTag();

    const std::shared_ptr<MP3Node>& nextNode() const { return m_next; }
    // The path, held once: the tag object's.
    const QString& file() const { return m_tag.path(); }
    // The row this entry belongs to.
    PlaylistRow* item() const;
    MP3Tag& mp3Tag() { return m_tag; }
    const MP3Tag& mp3Tag() const { return m_tag; }

protected:
    // Only a row makes and destroys an entry: item() relies on it.
    MP3Node() = default;
    ~MP3Node();

private:
    friend class MP3List;

    // Releases a chain of entries that nobody else holds without recursing, each entry unlinked
    // from its successor before it goes. Stops at an entry someone else (an iterator) still holds;
    // that holder's release carries on.
    static void releaseChain(std::shared_ptr<MP3Node> node);

    std::shared_ptr<MP3Node> m_next;
    // While the entry is in a list: that list, and the entry before it (not an owner), so that
    // removal takes constant time.
    const MP3List* m_list = nullptr;
    MP3Node* m_previous = nullptr;
    MP3Tag m_tag;
};

// A cursor over the entries. It stays on the last entry when it reaches the end, so entries added
// later are found by the next MoveNext.
class Iterator {
public:
    void init(std::shared_ptr<MP3Node> node) { m_start = std::move(node); }
    const std::shared_ptr<MP3Node>& current() const { return m_current; }
    // Steps forward: true when current is an entry to work on. Not started: to the start (false
    // when there is none). On the last entry: false, and the cursor stays.
    bool MoveNext();
    // Puts the cursor on the start entry, so that the next MoveNext yields the second.
    void Reset() { m_current = m_start; }
    // True for a cursor made over an empty list: it never reaches entries added later.
    bool startsNowhere() const { return !m_start; }
    // Puts the cursor on an entry, so that the next MoveNext goes on from there.
    void standOn(std::shared_ptr<MP3Node> node) { m_current = std::move(node); }

private:
    std::shared_ptr<MP3Node> m_start;
    std::shared_ptr<MP3Node> m_current;
};

class MP3List {
public:
    MP3List() = default;
    // Drops the entries one after another, so a list of a million entries needs no deep recursion.
    ~MP3List();
    MP3List(const MP3List&) = delete;
    MP3List& operator=(const MP3List&) = delete;

    // Appends a new row, with empty texts, whose entry has the path.
    std::shared_ptr<MP3Node> addNode(const QString& file);
    // Appends an entry made with initFileItem that is in no list.
    void append(const std::shared_ptr<MP3Node>& node);
    // Appends every entry of other, in order, leaving it empty. Linear in other's size.
    void splice(MP3List& other);
    // Unlinks the entry, in constant time; nothing when it is not in this list (or null). The entry
    // keeps its own nextNode link. The list's hold on the entry ends here: it is freed now unless
    // someone else (an iterator) holds it.
    void remove(MP3Node* entry);
    // The shared handle of an entry of this list, in constant time (the link that leads to it);
    // null for an entry that is not in this list.
    std::shared_ptr<MP3Node> handleOf(const MP3Node& node) const;
    // A new cursor whose start is the current head.
    Iterator getIterator() const;

    // True while the entry is in this list (not removed, not another list's).
    bool holds(const MP3Node& node) const { return node.m_list == this; }

    const std::shared_ptr<MP3Node>& head() const { return m_head; }
    const std::shared_ptr<MP3Node>& tail() const { return m_tail; }
    qsizetype size() const { return m_size; }

private:
    std::shared_ptr<MP3Node> m_head;
    std::shared_ptr<MP3Node> m_tail;
    qsizetype m_size = 0;
};
