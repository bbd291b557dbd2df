#include "ui/RetagDialogs.h"

#include <QMainWindow>

#include "ui/FormatString.h"
#include "ui/RenamePreview.h"
#include "ui/RetagPreview.h"
#include "ui/WindowGuards.h"

std::optional<RetagQuestions::ChosenFormat> RetagDialogs::chooseFormat(
    bool fullPathDisabled, const QString& instruction, const QString& instructionTitle)
{
    FormatString dialog(fullPathDisabled, &m_window);
    waitForDialog(m_window, dialog, instruction, instructionTitle);
    if (dialog.ChosenFormat().isEmpty())
        return std::nullopt;
    return ChosenFormat{dialog.ChosenFormat(), dialog.UseFullPath()};
}

bool RetagDialogs::previewRenames(const std::vector<RetagCommands::PlannedRename>& plans)
{
    RenamePreview preview(plans, &m_window);
    return waitForDialog(m_window, preview);
}

bool RetagDialogs::previewRetags(const std::vector<RetagCommands::PlannedRetag>& plans)
{
    RetagPreview preview(plans, &m_window);
    return waitForDialog(m_window, preview);
}

void RetagDialogs::whileBusy(const std::function<void()>& work)
{
    {
        const BusyPointer busy;
        const FrozenPainting frozen(&m_list);
        work();
    }
    m_window.activateWindow();
    m_list.setFocus();
}
