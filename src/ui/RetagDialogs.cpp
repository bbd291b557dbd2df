#include "ui/RetagDialogs.h"

#include <QMainWindow>

#include "ui/FormatString.h"
#include "ui/RenamePreview.h"
#include "ui/RetagPreview.h"
#include "ui/WindowGuards.h"
#include "ui/WindowSettings.h"

std::optional<RetagQuestions::ChosenFormat> RetagDialogs::chooseFormat(const FormatQuestion& question)
{
    FormatString dialog(question.fullPathDisabled, &m_window);
    if (const auto last = WindowSettings::lastFormat(question.asker))
        dialog.startWith(last->format, last->useFullPath);
    dialog.showPreview(question.preview);
    waitForDialog(m_window, dialog, question.instruction, question.instructionTitle);
    if (dialog.ChosenFormat().isEmpty())
        return std::nullopt;
    const ChosenFormat chosen{dialog.ChosenFormat(), dialog.UseFullPath()};
    WindowSettings::setLastFormat(question.asker, chosen);
    return chosen;
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
