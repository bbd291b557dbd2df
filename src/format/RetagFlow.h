#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QString>

#include "format/FormatPreview.h"
#include "format/RetagCommands.h"
#include "format/RetagPlan.h"

class PlaylistModel;

// What the six Actions commands that convert between file names, titles and tags ask the user,
// and how they want long work run: the window answers with its dialogs, tests with a script.
class RetagQuestions {
public:
    struct ChosenFormat {
        QString format;
        bool useFullPath = false;
    };

    // One format asked for: which command and step asks ("Tag = File Name", "Title = File Name,
    // separating"...; the window remembers the last format given under it), the full-path choice off
    // when fullPathDisabled, an instruction over the dialog when one is given, and what the format
    // would do to the first selected rows.
    struct FormatQuestion {
        QString asker;
        bool fullPathDisabled = false;
        QString instruction;
        QString instructionTitle;
        FormatPreview::Lines preview;
    };

    virtual ~RetagQuestions() = default;

    // The format-string dialog; nothing when it was cancelled.
    virtual std::optional<ChosenFormat> chooseFormat(const FormatQuestion& question) = 0;
    // The planned renames or tags, shown before anything changes; true carries them out.
    virtual bool previewRenames(const std::vector<RetagCommands::PlannedRename>& plans) = 0;
    virtual bool previewRetags(const std::vector<RetagCommands::PlannedRetag>& plans) = 0;
    // Runs work that reads or changes many rows; the window shows it is busy meanwhile.
    virtual void whileBusy(const std::function<void()>& work) { work(); }
};

// The six commands as a user meets them, without a window: the questions in their order, the work
// on the rows selected when the questions are answered. A cancelled question ends the command with
// nothing changed; a rename is confirmed (through Messages) before its format is asked for.
class RetagFlow {
public:
    RetagFlow(PlaylistModel& model, RetagQuestions& questions) : m_model(model), m_questions(questions) { }

    void tagEqualsFileName();
    void fileNameEqualsTag();
    void tagEqualsTitle();
    void titleEqualsTag();
    void fileNameEqualsTitle();
    void titleEqualsFileName();

private:
    RetagCommands::Rows selectedPositions() const;
    // A Tag command once its format is chosen: plans the tags, shows them, writes them on Write.
    void retag(const std::function<std::vector<RetagCommands::PlannedRetag>()>& plan);
    // A File Name command once its formats are chosen: planned once, so that what the preview
    // shows is what is carried out and planning's messages are not shown again.
    void rename(const std::function<std::vector<RetagCommands::PlannedRename>()>& plan);
    // The two-step commands: a separating format, then a recombining one; nothing when either is cancelled.
    struct TwoFormats {
        RetagQuestions::ChosenFormat separating, recombining;
    };
    // The separating question's preview lists the fields found; the recombining one's is made from
    // the separating format chosen.
    std::optional<TwoFormats> chooseTwoFormats(bool separatingFullPathDisabled, const QString& separatingWhat,
        const QString& recombiningWhat, const QString& title,
        const std::function<FormatPreview::Lines(const RetagQuestions::ChosenFormat&)>& recombiningPreview);

    PlaylistModel& m_model;
    RetagQuestions& m_questions;
};
