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
    const QString& separatingWhat, const QString& recombiningWhat, const QString& title)
{
    const QString instruction = QStringLiteral("Choose a format string for %1.");
    const auto separating = m_questions.chooseFormat(
        separatingFullPathDisabled, instruction.arg(QStringLiteral("separating ") + separatingWhat), title);
    if (!separating)
        return std::nullopt;
    const auto recombining = m_questions.chooseFormat(
        !separatingFullPathDisabled, instruction.arg(QStringLiteral("recombining ") + recombiningWhat), title);
    if (!recombining)
        return std::nullopt;
    return TwoFormats{*separating, *recombining};
}

void RetagFlow::tagEqualsFileName()
{
    if (const auto chosen = m_questions.chooseFormat(false, {}, {})) {
        retag([&] {
            return RetagCommands::planTagFromFileName(
                m_model, selectedPositions(), chosen->format, chosen->useFullPath);
        });
    }
}

void RetagFlow::tagEqualsTitle()
{
    if (const auto chosen = m_questions.chooseFormat(true, {}, {}))
        retag([&] { return RetagCommands::planTagFromTitle(m_model, selectedPositions(), chosen->format); });
}

void RetagFlow::titleEqualsTag()
{
    if (const auto chosen = m_questions.chooseFormat(true, {}, {}))
        m_questions.whileBusy([&] { RetagCommands::titleFromTag(m_model, selectedPositions(), chosen->format); });
}

void RetagFlow::titleEqualsFileName()
{
    const auto chosen = chooseTwoFormats(
        false, QStringLiteral("the file name"), QStringLiteral("the title"), QStringLiteral("Set Title = File Name"));
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
    if (const auto chosen = m_questions.chooseFormat(false, {}, {})) {
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
    const auto chosen = chooseTwoFormats(
        true, QStringLiteral("the title"), QStringLiteral("the file name"), QStringLiteral("Set File Name = Title"));
    if (!chosen)
        return;
    rename([&] {
        return RetagCommands::planFileNameFromTitle(m_model, selectedPositions(), chosen->separating.format,
            chosen->recombining.format, chosen->recombining.useFullPath);
    });
}
