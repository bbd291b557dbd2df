#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QString>

class PlaylistModel;

// What to do with a file whose name is taken at the destination. OneByOne (asked once for the whole
// batch) asks again about each file; Cancel copies nothing at all.
enum class CollisionAnswer { Replace, Skip, KeepBoth, OneByOne, Cancel };

// A file of the batch whose name is taken.
struct Collision {
    QString source;
    // The folder followed by the source's file name.
    QString target;
    // Something other than the source already has that name in the folder.
    bool inDestination = false;
    // The earlier file of the batch that lands under the same name; empty when there is none.
    QString earlierSource;
    // Where Keep Both puts the file: the name with " (2)" before its extension, " (3)" when that is
    // taken too, and so on. Filled when the file is asked about on its own.
    QString keepBothTarget;
};

// The question asked once before a pass whose target names collide.
struct CollisionQuestion {
    bool move = false;
    QString folder;
    // The number of files the pass was to copy or move.
    qsizetype fileCount = 0;
    // In display order.
    std::vector<Collision> collisions;
};

// The answers the batch question offers: Replace only when copying and some name is taken by a file
// already in the folder (a name repeated within the batch is never replaced: replacing would lose
// the file the same batch just copied), then Skip, Keep Both, One by One and Cancel.
std::vector<CollisionAnswer> offeredAnswers(const CollisionQuestion& question);
// The answers offered for one file: Replace only when copying over a file already in the folder
// that no earlier file of the batch lands on; Skip, Keep Both and Cancel.
std::vector<CollisionAnswer> offeredAnswers(bool move, const Collision& collision);
// The name with " (number)" before its extension, as Keep Both names a file; a leading "." starts no
// extension.
QString numberedName(const QString& name, int number);
// Why the collision's name is taken: "already there", "an earlier file has its name" or both.
QString collisionReason(const Collision& collision);
// The wording of the two questions (lines broken by CR LF).
QString questionText(const CollisionQuestion& question);
QString questionText(bool move, const Collision& collision);

// How a copy pass reports its progress, learns of a cancel and asks about taken names.
struct CopyHooks {
    // Runs before each selected row with the number of rows done so far (the window shows progress
    // and lets events run there); false stops the pass before that row.
    std::function<bool(qsizetype done)> beforeRow;
    // Asked while a long file is copied; false stops that file, unchanged and not reported, and
    // the pass with it.
    std::function<bool()> keepGoing;
    // Asked once, before anything is copied, when target names collide. Without it every such
    // file is skipped. An answer that the question does not offer counts as Skip.
    std::function<CollisionAnswer(const CollisionQuestion&)> askAll;
    // Asked about each colliding file in turn, before anything is copied, after OneByOne. Without
    // it the file is skipped. An answer that is not offered counts as Skip.
    std::function<CollisionAnswer(const CollisionQuestion&, const Collision&)> askOne;
};

// A file a copy pass put into its folder: the row it came from and the path it has there.
struct CopiedFile {
    qsizetype position = 0;
    QString target;
};

// What a copy pass did.
struct CopyOutcome {
    // The rows done, skipped ones included.
    qsizetype done = 0;
    // The files copied, moved, replaced or kept under a new name, in display order, each under
    // the name it got; files skipped or not copied for a failure are not here.
    std::vector<CopiedFile> copied;
    // The pass went through every selected row: no cancel stopped it, nor a failure answered No.
    bool finished = false;
};

// Copies (or, with deleteOriginals, moves) the files of the selected rows, in display order, into
// folder under their own file names. Nothing is replaced without an answer: names taken in the
// folder or repeated within the batch are found first (one look-up per file and a hash over the
// batch) and asked about once through the hooks; Cancel there copies nothing and returns 0. A copy
// chosen to replace writes a temporary file and renames it over the old one; every other copy, and
// every move, gets its name without replacing anything. After a move the row's "File Name" and its
// entry name the new path; the other columns keep their texts. A file that cannot be copied or
// moved is reported with the reason and the question whether to skip it and go on; No ends the
// pass. The rows changed are reported to the model together at the end.
CopyOutcome copySelectedFiles(
    PlaylistModel& model, const QString& folder, bool deleteOriginals, const CopyHooks& hooks = {});

// The folder a typed destination names: made absolute against the current folder. Nothing, after a
// message that says so, when it is not an existing folder.
std::optional<QString> destinationFolderOf(const QString& typed);

// Makes a folder named name inside parent for a destination and returns its path. Empty names,
// names with "/", "." and "..", names already taken and folders the system refuses get a message
// and nothing.
std::optional<QString> createDestinationFolder(const QString& parent, const QString& name);
