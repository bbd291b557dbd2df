#pragma once

#include <functional>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace TagLib::ID3v2 {
class Tag;
}

// Inside the tags layer only: an ID3v2 tag's bytes made plain for the parser, which then never sees
// what it reads wrongly (a 2.3 extended header, whole-tag unsynchronisation, padding, a footer).
namespace Id3v2 {

enum class Frames { Shown, All };

struct PlainTag {
    enum class State { None, Plain, Unreadable };
    State state = State::None;
    int version = 0; // the minor version: 2, 3 or 4
    qint64 length = 0; // the bytes the tag takes in the file
    QByteArray bytes; // header and frames: the shown ones, or all of them
    QString problem; // why it is unreadable
};

// The tag at the front of area, whose frames are walked by their headers: bytes that are not
// frames followed by zero padding make it unreadable.
PlainTag plainTag(QByteArrayView area, Frames frames);

// Parses a plain tag in memory and hands the parsed tag to use, which may change it.
void withParsedTag(const PlainTag& plain, const std::function<void(TagLib::ID3v2::Tag&)>& use);

} // namespace Id3v2
