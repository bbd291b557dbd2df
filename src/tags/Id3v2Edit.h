#pragma once

#include <functional>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "tags/Id3v2Fields.h"

namespace Id3v2 {

// What writing fields to a tag makes of it.
struct Edit {
    enum class Outcome { Unchanged, Changed, Unreadable };
    Outcome outcome = Outcome::Unchanged;
    int fromVersion = 0; // the tag's version before, 0 when the file had none
    int toVersion = 0;
    QByteArray tag; // the new tag's bytes, when Changed
    QString problem; // why the tag cannot be read, when Unreadable
};

// The tag that area (a whole tag as readFrom gives it, or empty for a file without one) becomes
// with wanted's seven fields. Each field whose text differs from the tag's is set, in ISO-8859-1
// when every character fits and otherwise in UTF-16 with BOM (2.3) or UTF-8 (2.4); an empty text
// removes its frame; the comment is the first comment frame's text. Every other frame stays as it
// is. The tag keeps its version, 2.2 becoming 2.3; a new tag is of newTagVersion (3 or 4). Nothing
// changes (Unchanged) when no field differs, and an unreadable tag is never rewritten. Pure.
Edit edited(
    QByteArrayView area, const Id3v2Fields& wanted, int newTagVersion, const std::function<QString(int)>& genreName);

} // namespace Id3v2
