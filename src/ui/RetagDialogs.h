#pragma once

#include "format/RetagFlow.h"

class QMainWindow;
class QWidget;

// The Actions commands' questions asked in the window's dialogs: the format-string dialog and the
// rename and retag previews, each waited for with the window's commands off. Busy work shows the
// busy pointer with the list's painting suspended, and gives the keyboard back to the list.
class RetagDialogs : public RetagQuestions {
public:
    RetagDialogs(QMainWindow& window, QWidget& list) : m_window(window), m_list(list) { }

    // Starts on the format last confirmed for the same question, and remembers the one confirmed.
    std::optional<ChosenFormat> chooseFormat(const FormatQuestion& question) override;
    bool previewRenames(const std::vector<RetagCommands::PlannedRename>& plans) override;
    bool previewRetags(const std::vector<RetagCommands::PlannedRetag>& plans) override;
    void whileBusy(const std::function<void()>& work) override;

private:
    QMainWindow& m_window;
    QWidget& m_list;
};
