#include "tags/Id3v2Edit.h"

#include <algorithm>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

#include "tags/Id3v2.h"
#include "tags/Id3v2Plain.h"

namespace {

// The encoding a text is written in: ISO-8859-1 when every character fits, else the Unicode form
// the version allows (2.3 knows only UTF-16 with BOM).
TagLib::String::Type encodingFor(const QString& text, int version)
{
    const bool latin1 = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
    if (latin1)
        return TagLib::String::Latin1;
    return version == 3 ? TagLib::String::UTF16 : TagLib::String::UTF8;
}

TagLib::String toTagText(const QString& text)
{
    return TagLib::String(text.toUtf8().toStdString(), TagLib::String::UTF8);
}

// Replaces every frame of the text frame's identifiers with one holding text; an empty text
// leaves none.
void setTextFrame(TagLib::ID3v2::Tag& tag, std::initializer_list<const char*> ids, const QString& text, int version)
{
    for (const char* id : ids)
        tag.removeFrames(id);
    if (text.isEmpty())
        return;
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(*ids.begin(), encodingFor(text, version));
    frame->setText(toTagText(text));
    tag.addFrame(frame);
}

// Sets the text of the first comment frame, which keeps its language and description; a new one is
// in English without a description, and an empty text removes the first one.
void setComment(TagLib::ID3v2::Tag& tag, const QString& text, int version)
{
    const TagLib::ID3v2::FrameList& comments = tag.frameList("COMM");
    auto* first = comments.isEmpty() ? nullptr : dynamic_cast<TagLib::ID3v2::CommentsFrame*>(comments.front());
    if (text.isEmpty()) {
        if (!comments.isEmpty())
            tag.removeFrame(comments.front());
        return;
    }
    if (!first) {
        first = new TagLib::ID3v2::CommentsFrame();
        first->setLanguage("eng");
        tag.addFrame(first);
    }
    first->setTextEncoding(encodingFor(text, version));
    first->setText(toTagText(text));
}

// A plain, empty tag of the version, for a file that has none.
Id3v2::PlainTag emptyTag(int version)
{
    Id3v2::PlainTag plain;
    plain.state = Id3v2::PlainTag::State::Plain;
    plain.version = version;
    plain.bytes = QByteArray("ID3", 3) + char(version) + QByteArray(6, '\0');
    return plain;
}

// True when read holds the texts of wanted, a genre number as the genre's name.
bool readsAs(const Id3v2Fields& read, const Id3v2Fields& wanted, const std::function<QString(int)>& genreName)
{
    return read.title == wanted.title && read.artist == wanted.artist && read.album == wanted.album
        && read.year == wanted.year && read.track == wanted.track && read.comment == wanted.comment
        && read.genre == Id3v2::genreText(wanted.genre, genreName);
}

} // namespace

namespace Id3v2 {

Edit edited(
    QByteArrayView area, const Id3v2Fields& wanted, int newTagVersion, const std::function<QString(int)>& genreName)
{
    Edit edit;
    const Id3v2Reading before = parseArea(area, genreName);
    if (before.state == Id3v2Reading::State::Unreadable) {
        edit.outcome = Edit::Outcome::Unreadable;
        edit.problem = before.problem;
        return edit;
    }
    const bool hadTag = before.state == Id3v2Reading::State::Read;
    const Id3v2Fields& old = before.fields; // all empty without a tag
    const bool title = wanted.title != old.title;
    const bool artist = wanted.artist != old.artist;
    const bool album = wanted.album != old.album;
    const bool year = wanted.year != old.year;
    const bool track = wanted.track != old.track;
    const bool genre = wanted.genre != old.genre;
    const bool comment = wanted.comment != old.comment;
    edit.fromVersion = hadTag ? old.version : 0;
    if (!(title || artist || album || year || track || genre || comment))
        return edit;

    const PlainTag plain = hadTag ? plainTag(area, Frames::All) : emptyTag(newTagVersion);
    if (plain.state == PlainTag::State::Unreadable) {
        edit.outcome = Edit::Outcome::Unreadable;
        edit.problem = plain.problem;
        return edit;
    }
    const int version = std::max(plain.version, 3);
    withParsedTag(plain, [&](TagLib::ID3v2::Tag& tag) {
        // The parser names every frame as 2.4 does; rendering as 2.3 names them back.
        if (title)
            setTextFrame(tag, {"TIT2"}, wanted.title, version);
        if (artist)
            setTextFrame(tag, {"TPE1"}, wanted.artist, version);
        if (album)
            setTextFrame(tag, {"TALB"}, wanted.album, version);
        // The parser turns a 2.3 year (TYER) into a recording time, and rendering 2.3 turns that
        // back into a year only when it starts with four characters, cut to them: a 2.3 tag gets its
        // year as the text itself.
        if (version == 3)
            setTextFrame(tag, {"TYER", "TDRC"}, wanted.year, version);
        else if (year)
            setTextFrame(tag, {"TDRC", "TYER"}, wanted.year, version);
        if (track)
            setTextFrame(tag, {"TRCK"}, wanted.track, version);
        if (genre)
            setTextFrame(tag, {"TCON"}, wanted.genre, version);
        if (comment)
            setComment(tag, wanted.comment, version);
        const TagLib::ByteVector rendered = tag.render(version == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4);
        edit.tag = QByteArray(rendered.data(), rendered.size());
    });
    // The new tag must read back with exactly the fields wanted: the parser may normalise frames it
    // takes apart (a 2.3 genre of references and text, say), and a field the user did not touch must
    // never change behind their back. Such a tag is left as it is.
    const Id3v2Reading check = parseArea(edit.tag, genreName);
    if (check.state != Id3v2Reading::State::Read || !readsAs(check.fields, wanted, genreName)) {
        edit = Edit();
        edit.outcome = Edit::Outcome::Unreadable;
        edit.problem = QStringLiteral("the tag would not keep its fields as they are");
        return edit;
    }
    edit.outcome = Edit::Outcome::Changed;
    edit.toVersion = version;
    return edit;
}

} // namespace Id3v2
