#include "playlist/Copying.h"

#include <algorithm>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include "base/FileOps.h"
#include "base/Messages.h"
#include "base/PathTools.h"
#include "journal/Journal.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"

using namespace Qt::StringLiterals;

namespace {

const QString kLineBreak = u"\r\n"_s;
// The batch question names this many files and counts the rest.
constexpr qsizetype kNamesListed = 5;

// Asks whether to skip a file that could not be copied or moved; true to go on.
bool skipAndContinue(const Failure& failure)
{
    return Messages::current().show(
               Messages::textOf(failure), u"Error:"_s, Messages::Icon::Exclamation, Messages::Buttons::YesNo)
        == Messages::Answer::Yes;
}

void warn(const QString& text, const QString& title)
{
    Messages::current().show(text, title, Messages::Icon::Exclamation, Messages::Buttons::Ok);
}

bool offers(const std::vector<CollisionAnswer>& answers, CollisionAnswer answer)
{
    return std::ranges::find(answers, answer) != answers.end();
}

// Hands out Keep Both names in one folder: names neither taken on disk nor reserved by the batch.
// Each name remembers the number it got to, so a thousand files of one name cost a thousand
// look-ups, not half a million.
class FreeNames {
public:
    FreeNames(const QString& prefix, QSet<QString> reserved) : m_prefix(prefix), m_reserved(std::move(reserved)) { }

    // The next free name for source's name, reserved for it when take is true.
    QString next(const QString& source, const QString& name, bool take)
    {
        int number = m_next.value(name, 2);
        QString candidate = numberedName(name, number);
        while (m_reserved.contains(candidate) || FileOps::isNameTaken(source, m_prefix + candidate))
            candidate = numberedName(name, ++number);
        if (take) {
            m_next.insert(name, number + 1);
            m_reserved.insert(candidate);
        }
        return candidate;
    }

private:
    QString m_prefix;
    QSet<QString> m_reserved;
    QHash<QString, int> m_next;
};

enum class Step { Copy, Replace, Skip };

struct Planned {
    qsizetype position;
    QString source;
    QString target;
    Step step = Step::Copy;
};

QString quoted(const QString& text)
{
    return u"\""_s + text + u"\""_s;
}

} // namespace

std::vector<CollisionAnswer> offeredAnswers(const CollisionQuestion& question)
{
    std::vector<CollisionAnswer> answers;
    if (!question.move && std::ranges::any_of(question.collisions, [](const Collision& c) { return c.inDestination; }))
        answers.push_back(CollisionAnswer::Replace);
    answers.insert(answers.end(),
        {CollisionAnswer::Skip, CollisionAnswer::KeepBoth, CollisionAnswer::OneByOne, CollisionAnswer::Cancel});
    return answers;
}

std::vector<CollisionAnswer> offeredAnswers(bool move, const Collision& collision)
{
    std::vector<CollisionAnswer> answers;
    if (!move && collision.inDestination && collision.earlierSource.isEmpty())
        answers.push_back(CollisionAnswer::Replace);
    answers.insert(answers.end(), {CollisionAnswer::Skip, CollisionAnswer::KeepBoth, CollisionAnswer::Cancel});
    return answers;
}

QString numberedName(const QString& name, int number)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    const qsizetype end = dot > 0 ? dot : name.size();
    return name.left(end) + u" (%1)"_s.arg(number) + name.mid(end);
}

QString collisionReason(const Collision& collision)
{
    const bool repeated = !collision.earlierSource.isEmpty();
    return collision.inDestination && repeated ? u"already there, and an earlier file has its name"_s
        : collision.inDestination              ? u"already there"_s
                                               : u"an earlier file has its name"_s;
}

QString questionText(const CollisionQuestion& question)
{
    const auto count = qsizetype(question.collisions.size());
    const QString files = question.fileCount == 1 ? u"file"_s : u"files"_s;
    QString text
        = u"%1 of the %2 %3 to %4 to %5 %6 a name that is taken:"_s.arg(count)
              .arg(question.fileCount)
              .arg(files, question.move ? u"move"_s : u"copy"_s, question.folder, count == 1 ? u"has"_s : u"have"_s);
    for (qsizetype i = 0; i < std::min(count, kNamesListed); ++i) {
        const Collision& c = question.collisions[std::size_t(i)];
        // The whole source path: files of the same name from two folders are told apart.
        text += kLineBreak + u"    "_s + c.source + u"  ("_s + collisionReason(c) + u")"_s;
    }
    if (count > kNamesListed)
        text += kLineBreak + u"    and %1 more"_s.arg(count - kNamesListed);
    const bool repeats
        = std::ranges::any_of(question.collisions, [](const Collision& c) { return !c.earlierSource.isEmpty(); });
    text += kLineBreak + kLineBreak;
    const QString example = quoted(numberedName(PathTools::fileNameOf(question.collisions.front().target), 2));
    if (question.move) {
        text += u"A move never replaces a file. Skip these files, or keep both under a new name (such as %1)? "
                u"Or decide one by one."_s.arg(example);
    } else {
        text += u"Replace the files already there, skip these files, or keep both under a new name (such as %1)? "
                u"Or decide one by one."_s.arg(example);
        if (repeats)
            text += kLineBreak
                + u"Files of the selection with the same name never replace each other: "
                  u"with Replace All the later ones are kept under a new name."_s;
    }
    return text;
}

QString questionText(bool move, const Collision& collision)
{
    const QString name = quoted(PathTools::fileNameOf(collision.target));
    const QString newName = quoted(PathTools::fileNameOf(collision.keepBothTarget));
    const QString verb = move ? u"moved"_s : u"copied"_s;
    const QString folder
        = collision.target.left(collision.target.size() - PathTools::fileNameOf(collision.target).size());
    const QString text = collision.earlierSource.isEmpty()
        ? u"%1 is already in %2."_s.arg(name, folder)
        : u"%1 is also the name of %2, %3 there before it."_s.arg(name, collision.earlierSource, verb);
    const QString choice = offers(offeredAnswers(move, collision), CollisionAnswer::Replace)
        ? u"Replace it, skip this file, or keep both (this copy becomes %1)?"_s
        : u"Skip this file, or keep both (this one becomes %1)?"_s;
    return text + kLineBreak + u"This file: "_s + collision.source + kLineBreak + kLineBreak + choice.arg(newName);
}

CopyOutcome copySelectedFiles(PlaylistModel& model, const QString& folder, bool deleteOriginals, const CopyHooks& hooks)
{
    const QString prefix = PathTools::addBackslash(folder);
    std::vector<Planned> plan;
    const std::vector<bool> selected = RowCommands::selectedRows(model);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        if (selected[i]) {
            const QString source = model.rowAt(qsizetype(i))->text(FileNameColumn);
            plan.push_back({qsizetype(i), source, prefix + PathTools::fileNameOf(source)});
        }
    }

    // Every name taken in the folder or repeated within the batch, found before anything changes.
    CollisionQuestion question{deleteOriginals, folder, qsizetype(plan.size()), {}};
    std::vector<bool> taken(plan.size());
    QSet<QString> names;
    {
        QHash<QString, QString> firstWith;
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const QString name = PathTools::fileNameOf(plan[i].source);
            names.insert(name);
            taken[i] = FileOps::isNameTaken(plan[i].source, plan[i].target);
            const auto earlier = firstWith.constFind(name);
            const QString earlierSource = earlier == firstWith.cend() ? QString() : *earlier;
            if (earlier == firstWith.cend())
                firstWith.insert(name, plan[i].source);
            if (taken[i] || !earlierSource.isEmpty())
                question.collisions.push_back({plan[i].source, plan[i].target, taken[i], earlierSource, {}});
        }
    }
    CollisionAnswer forAll = CollisionAnswer::Skip;
    if (!question.collisions.empty()) {
        forAll = hooks.askAll ? hooks.askAll(question) : CollisionAnswer::Skip;
        if (forAll == CollisionAnswer::Cancel)
            return {};
        if (!offers(offeredAnswers(question), forAll))
            forAll = CollisionAnswer::Skip;
    }
    // The decisions, in display order: a name is a repeat only when an earlier file really lands on
    // it, so skipping the first of two files of one name leaves the second free.
    FreeNames freeNames(prefix, names);
    QHash<QString, QString> landedBy;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        Planned& file = plan[i];
        const QString name = PathTools::fileNameOf(file.source);
        const auto earlier = landedBy.constFind(name);
        if (earlier == landedBy.cend() && !taken[i]) {
            landedBy.insert(name, file.source);
            continue;
        }
        Collision collision{
            file.source, file.target, bool(taken[i]), earlier == landedBy.cend() ? QString() : *earlier, {}};
        CollisionAnswer answer = forAll;
        if (forAll == CollisionAnswer::OneByOne) {
            collision.keepBothTarget = prefix + freeNames.next(file.source, name, false);
            answer = hooks.askOne ? hooks.askOne(question, collision) : CollisionAnswer::Skip;
            if (answer == CollisionAnswer::Cancel)
                return {};
            if (!offers(offeredAnswers(deleteOriginals, collision), answer))
                answer = CollisionAnswer::Skip;
        } else if (answer == CollisionAnswer::Replace
            && !offers(offeredAnswers(deleteOriginals, collision), CollisionAnswer::Replace)) {
            answer = CollisionAnswer::KeepBoth; // a repeat within the batch, as the question says
        }
        if (answer == CollisionAnswer::Replace) {
            file.step = Step::Replace;
            landedBy.insert(name, file.source);
        } else if (answer == CollisionAnswer::KeepBoth) {
            const QString newName = freeNames.next(file.source, name, true);
            file.target = prefix + newName;
            landedBy.insert(newName, file.source);
        } else {
            file.step = Step::Skip;
        }
    }

    // A cancel through keepGoing stops the file in hand; it is not a failure to report.
    bool cancelled = false;
    const auto keepGoing = [&] {
        if (!hooks.keepGoing || hooks.keepGoing())
            return true;
        cancelled = true;
        return false;
    };
    CopyOutcome outcome;
    qsizetype& done = outcome.done;
    qsizetype first = model.size();
    qsizetype last = -1;
    bool stopped = false;
    for (const Planned& file : plan) {
        if (hooks.beforeRow && !hooks.beforeRow(done)) {
            stopped = true;
            break;
        }
        if (file.step == Step::Skip) {
            ++done;
            continue;
        }
        const Result<void> ok = deleteOriginals ? Journal::moveFile(file.source, file.target, keepGoing)
            : file.step == Step::Replace        ? Journal::copyFile(file.source, file.target, keepGoing)
                                                : Journal::copyWithoutReplacing(file.source, file.target, keepGoing);
        if (cancelled) {
            stopped = true;
            break;
        }
        if (!ok && !skipAndContinue(ok.failure())) {
            ++done;
            stopped = true;
            break;
        }
        if (ok)
            outcome.copied.push_back({file.position, file.target});
        if (ok && deleteOriginals) {
            PlaylistRow* row = model.rowAt(file.position);
            row->reInit(file.target); // the file name column too
            first = std::min(first, file.position);
            last = std::max(last, file.position);
        }
        ++done;
    }
    model.rowsChanged(first, last);
    outcome.finished = !stopped;
    return outcome;
}

std::optional<QString> destinationFolderOf(const QString& typed)
{
    const QString path = typed.isEmpty() ? QString() : QDir::current().absoluteFilePath(typed);
    if (path.isEmpty() || !QFileInfo(path).isDir()) {
        warn((typed.isEmpty() ? u"No destination folder is given."_s : quoted(typed) + u" is not an existing folder."_s)
                + u" Type the path of a folder, or choose one in the list."_s,
            u"Choose a Destination Folder"_s);
        return std::nullopt;
    }
    return path;
}

std::optional<QString> createDestinationFolder(const QString& parent, const QString& name)
{
    const QString title = u"New Folder"_s;
    if (name.isEmpty() || name.contains(u'/') || name == u"."_s || name == u".."_s || name.contains(QChar(0))) {
        warn(name.isEmpty()
                ? u"A folder needs a name."_s
                : quoted(name) + u" cannot be a folder name: it may not contain \"/\", nor be \".\" or \"..\"."_s,
            title);
        return std::nullopt;
    }
    const QString path = PathTools::addBackslash(parent) + name;
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        warn(quoted(name) + u" already exists in "_s + parent + u"."_s, title);
        return std::nullopt;
    }
    if (const Result<void> created = FileOps::createFolder(path); !created) {
        Messages::error(created.failure());
        return std::nullopt;
    }
    return path;
}
