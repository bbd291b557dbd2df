#pragma once

#include <QStringList>

#include "playlist/PlaylistModel.h"
#include "playlist/RowCommands.h"

// A model filled with entries named by their titles, for the row tests.
inline void fillTitles(PlaylistModel& model, const QStringList& titles, const QStringList& lengths = {})
{
    std::vector<PlaylistEntry> entries;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        entries.push_back({QStringLiteral("/music/") + QString::number(i + 1) + QStringLiteral(".mp3"), titles[i],
            i < lengths.size() ? lengths[i] : QStringLiteral("???")});
    }
    model.appendEntries(entries);
}

inline QStringList columnOf(const PlaylistModel& model, int column)
{
    QStringList texts;
    for (qsizetype i = 0; i < model.size(); ++i)
        texts.append(model.text(i, column));
    return texts;
}

// Selects the rows at the 1-based numbers.
inline void selectRows(PlaylistModel& model, std::initializer_list<int> numbers)
{
    std::vector<bool> selected(std::size_t(model.size()), false);
    for (const int number : numbers)
        selected[std::size_t(number - 1)] = true;
    RowCommands::setSelectedRows(model, selected);
}

// The 1-based numbers of the selected rows.
inline std::vector<int> selectedNumbers(const PlaylistModel& model)
{
    std::vector<int> numbers;
    const std::vector<bool> selected = RowCommands::selectedRows(model);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        if (selected[i])
            numbers.push_back(int(i) + 1);
    }
    return numbers;
}

// Every row's entry knows that row, and the entry's file is the row's file name.
inline bool rowsAndEntriesAgree(const PlaylistModel& model)
{
    for (qsizetype i = 0; i < model.size(); ++i) {
        const auto entry = model.findItem(i);
        if (!entry || entry->item() != model.rowAt(i) || entry->file() != model.text(i, FileNameColumn)
            || model.positionOf(model.rowAt(i)) != i)
            return false;
    }
    return true;
}
