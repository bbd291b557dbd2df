#include "format/Parsing.h"

#include "base/Messages.h"
#include "format/Composition.h"

using namespace Qt::StringLiterals;

namespace {

constexpr QChar Bar = u'|';

// Calls visit(piece) for each piece of the rest of a pattern split at every "|", first to last;
// stops and returns false as soon as visit does. A rest without "|" (also the empty rest) is one
// piece.
template <typename Visit> bool forEachPiece(QStringView rest, Visit visit)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype bar = rest.indexOf(Bar, from);
        if (!visit(rest.sliced(from, (bar < 0 ? rest.size() : bar) - from)))
            return false;
        if (bar < 0)
            return true;
        from = bar + 1;
    }
}

// The same, last piece first.
template <typename Visit> bool forEachPieceBackwards(QStringView rest, Visit visit)
{
    qsizetype end = rest.size();
    for (;;) {
        const qsizetype bar = end > 0 ? rest.lastIndexOf(Bar, end - 1) : -1;
        if (!visit(rest.sliced(bar + 1, end - bar - 1)))
            return false;
        if (bar < 0)
            return true;
        end = bar;
    }
}

} // namespace

QString TokensToBars(const QString& stretch)
{
    // One pass: a token is "<kk>", or "<", one of the seven letters, ">". No token overlaps another
    // and a bar never starts one, so replacing the tokens one kind after another would give the
    // same text.
    QString bars;
    bars.reserve(stretch.size());
    for (qsizetype i = 0; i < stretch.size(); ++i) {
        if (QStringView(stretch).sliced(i).startsWith(FormatTokens::TrackTwoDigits)) {
            bars.append(Bar);
            i += FormatTokens::TrackTwoDigits.size() - 1;
        } else if (stretch[i] == u'<' && i + 2 < stretch.size() && stretch[i + 2] == u'>'
            && QStringView(u"atuyckg").contains(stretch[i + 1])) {
            bars.append(Bar);
            i += 2;
        } else {
            bars.append(stretch[i]);
        }
    }
    return bars;
}

qsizetype FieldStart(const QString& text, const QString& pattern)
{
    if (pattern.isEmpty())
        return 1;
    QStringView rest(pattern);
    if (rest.startsWith(Bar))
        rest = rest.sliced(1);
    // cursor: the 0-based index of the first character not yet matched.
    qsizetype cursor = 0;
    const bool found = forEachPiece(rest, [&](QStringView piece) {
        // An empty piece matches at the cursor while text remains behind it.
        if (piece.isEmpty())
            return cursor < text.size();
        const qsizetype at = QStringView(text).indexOf(piece, cursor);
        if (at < 0)
            return false;
        cursor = at + piece.size();
        return true;
    });
    return found ? cursor + 1 : 0;
}

qsizetype FieldEnd(const QString& text, const QString& pattern)
{
    if (pattern.isEmpty())
        return text.size();
    QStringView rest(pattern);
    if (rest.endsWith(Bar))
        rest.chop(1);
    // limit: the 0-based index just behind the last character still free for earlier pieces,
    // which is also the 1-based position of the character in front of the last match.
    qsizetype limit = text.size();
    const bool found = forEachPieceBackwards(rest, [&](QStringView piece) {
        // An empty piece matches at the limit while text remains in front of it.
        if (piece.isEmpty())
            return limit > 0;
        // The last occurrence that ends at or before the limit; lastIndexOf's start is where the
        // occurrence may begin at the latest, and it must not go negative (that counts from the end).
        if (piece.size() > limit)
            return false;
        const qsizetype at = QStringView(text).lastIndexOf(piece, limit - piece.size());
        if (at < 0)
            return false;
        limit = at;
        return true;
    });
    return found ? limit : 0;
}

QString ParseToken(const QString& text, const QString& format, const QString& token)
{
    const auto [at, size] = firstPlaceOf(format, token);
    if (at < 0)
        return QString();
    const QString before = TokensToBars(format.left(at));
    const QString after = TokensToBars(format.sliced(at + size));
    const qsizetype start = FieldStart(text, before);
    const qsizetype end = FieldEnd(text, after);
    // A piece that is not there at all leaves the field empty without a word.
    if ((!before.isEmpty() && start == 0) || (!after.isEmpty() && end == 0))
        return QString();
    if (end < start) {
        Messages::error(u"Got confused with "_s + text + u", skipping."_s);
        return QString();
    }
    return text.sliced(start - 1, end - start + 1);
}

QString ParseTitle(const QString& text, const QString& format)
{
    return ParseToken(text, format, FormatTokens::Title);
}

QString ParseArtist(const QString& text, const QString& format)
{
    return ParseToken(text, format, FormatTokens::Artist);
}

QString ParseAlbum(const QString& text, const QString& format)
{
    return ParseToken(text, format, FormatTokens::Album);
}

QString ParseYear(const QString& text, const QString& format)
{
    return ParseToken(text, format, FormatTokens::Year);
}

QString ParseComment(const QString& text, const QString& format)
{
    return ParseToken(text, format, FormatTokens::Comment);
}

QString ParseTrack(const QString& text, const QString& format)
{
    return ParseToken(text, format, FormatTokens::Track);
}

QString ParseGenre(const QString& text, const QString& format)
{
    return ParseToken(text, format, FormatTokens::Genre);
}
