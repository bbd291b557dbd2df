#include "format/RetagFlow.h"

#include "base/Messages.h"
#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"

namespace {

bool confirmRename()
{
    return Messages::current().show(QStringLiteral("This will rename all selected files to match the format string "
                                                   "you provide.  Are you sure you want to do this?"),
               QStringLiteral("Confirm Rename"), Messages::Icon::Question, Messages::Buttons::YesNo)
        == Messages::Answer::Yes;
}

} // namespace

RetagCommands::Rows RetagFlow::selectedPositions() const
{
    RetagCommands::Rows rows;
    const std::vector<bool> selected = RowCommands::selectedRows(m_model);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        if (selected[i])
            rows.push_back(qsizetype(i));
    }
    return rows;
}

void RetagFlow::retag(const std::function<std::vector<RetagCommands::PlannedRetag>()>& plan)
{
    std::vector<RetagCommands::PlannedRetag> plans;
    m_questions.whileBusy([&] { plans = plan(); });
    if (m_questions.previewRetags(plans))
        m_questions.whileBusy([&] { RetagCommands::retagAsPlanned(m_model, plans); });
}

void RetagFlow::rename(const std::function<std::vector<RetagCommands::PlannedRename>()>& plan)
{
    std::vector<RetagCommands::PlannedRename> plans;
    m_questions.whileBusy([&] { plans = plan(); });
    if (m_questions.previewRenames(plans))
        m_questions.whileBusy([&] { RetagCommands::renameAsPlanned(m_model, plans); });
}

std::optional<RetagFlow::TwoFormats> RetagFlow::chooseTwoFormats(bool separatingFullPathDisabled,
    const QString& separatingWhat, const QString& recombiningWhat, const QString& title,
    const std::function<FormatPreview::Lines(const RetagQuestions::ChosenFormat&)>& recombiningPreview)
{
    const QString instruction = QStringLiteral("Choose a format string for %1.");
    const RetagCommands::Rows rows = selectedPositions();
    const auto separating = m_questions.chooseFormat({title + QStringLiteral(", separating"),
        separatingFullPathDisabled, instruction.arg(QStringLiteral("separating ") + separatingWhat), title,
        separatingFullPathDisabled ? FormatPreview::fieldsOfTitle(m_model, rows)
                                   : FormatPreview::fieldsOfFileName(m_model, rows)});
    if (!separating)
        return std::nullopt;
    const auto recombining
        = m_questions.chooseFormat({title + QStringLiteral(", recombining"), !separatingFullPathDisabled,
            instruction.arg(QStringLiteral("recombining ") + recombiningWhat), title, recombiningPreview(*separating)});
    if (!recombining)
        return std::nullopt;
    return TwoFormats{*separating, *recombining};
}

void RetagFlow::tagEqualsFileName()
{
    if (const auto chosen = m_questions.chooseFormat({QStringLiteral("Tag = File Name"), false, {}, {},
            FormatPreview::fieldsOfFileName(m_model, selectedPositions())})) {
        retag([&] {
            return RetagCommands::planTagFromFileName(
                m_model, selectedPositions(), chosen->format, chosen->useFullPath);
        });
    }
}

void RetagFlow::tagEqualsTitle()
{
    if (const auto chosen = m_questions.chooseFormat(
            {QStringLiteral("Tag = Title"), true, {}, {}, FormatPreview::fieldsOfTitle(m_model, selectedPositions())}))
        retag([&] { return RetagCommands::planTagFromTitle(m_model, selectedPositions(), chosen->format); });
}

void RetagFlow::titleEqualsTag()
{
    if (const auto chosen = m_questions.chooseFormat(
            {QStringLiteral("Title = Tag"), true, {}, {}, FormatPreview::titleFromTag(m_model, selectedPositions())}))
        m_questions.whileBusy([&] { RetagCommands::titleFromTag(m_model, selectedPositions(), chosen->format); });
}

void RetagFlow::titleEqualsFileName()
{
    const auto chosen = chooseTwoFormats(false, QStringLiteral("the file name"), QStringLiteral("the title"),
        QStringLiteral("Set Title = File Name"), [this](const RetagQuestions::ChosenFormat& separating) {
            return FormatPreview::titleFromFileName(
                m_model, selectedPositions(), separating.format, separating.useFullPath);
        });
    if (!chosen)
        return;
    m_questions.whileBusy([&] {
        RetagCommands::titleFromFileName(m_model, selectedPositions(), chosen->separating.format,
            chosen->separating.useFullPath, chosen->recombining.format);
    });
}

void RetagFlow::fileNameEqualsTag()
{
    if (!confirmRename())
        return;
    if (const auto chosen = m_questions.chooseFormat({QStringLiteral("File Name = Tag"), false, {}, {},
            FormatPreview::fileNameFromTag(m_model, selectedPositions())})) {
        rename([&] {
            return RetagCommands::planFileNameFromTag(
                m_model, selectedPositions(), chosen->format, chosen->useFullPath);
        });
    }
}

void RetagFlow::fileNameEqualsTitle()
{
    if (!confirmRename())
        return;
    const auto chosen = chooseTwoFormats(true, QStringLiteral("the title"), QStringLiteral("the file name"),
        QStringLiteral("Set File Name = Title"), [this](const RetagQuestions::ChosenFormat& separating) {
            return FormatPreview::fileNameFromTitle(m_model, selectedPositions(), separating.format);
        });
    if (!chosen)
        return;
    rename([&] {
        return RetagCommands::planFileNameFromTitle(m_model, selectedPositions(), chosen->separating.format,
            chosen->recombining.format, chosen->recombining.useFullPath);
    });
}
