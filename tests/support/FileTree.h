#pragma once

#include <map>
#include <ostream>
#include <sys/types.h>

#include <QByteArray>
#include <QString>

// What a folder holds, to compare before and after an operation: every file under it, hidden ones
// included, by path relative to the folder, with its bytes and permission bits.
struct FileState {
    QByteArray bytes;
    mode_t mode = 0;

    friend bool operator==(const FileState&, const FileState&) = default;
};

using FileTree = std::map<QString, FileState>;

FileTree fileTreeOf(const QString& folder);

// The tree without the hidden temporary files that the program writes beside a file it replaces.
FileTree withoutTemporaries(FileTree tree);

void PrintTo(const FileTree& tree, std::ostream* out);
