#pragma once

#include <optional>

#include <QStringList>

#include "playlist/EntryList.h"
#include "playlist/PlaylistPaths.h"

class CommandLine;
class PlaylistModel;

// The playlist commands of sondrel-cli. Each takes its arguments (the command name first) and
// returns ExitOk or ExitUsage; the caller turns shown error messages into ExitErrorShown.
int runPlaylist(const QStringList& arguments);
int runConvert(const QStringList& arguments);
int runPrune(const QStringList& arguments);

// Loads a playlist for a command. The window says nothing when a playlist breaks off or cannot be
// opened; a batch command must, or a script would carry on with part of a list. True when it was
// read whole: only then may it be saved.
bool loadForCommand(PlaylistModel& model, const QString& path, std::optional<Iterator>& reader);

// --output, --paths and the journal's options, for a command that saves the playlist it loaded; and
// the saving itself, over the playlist or to --output, as one batch of the undo history.
void addSavingOptions(CommandLine& line);
void saveForCommand(const CommandLine& line, const QStringList& arguments, const PlaylistModel& model,
    const QString& playlist, PathForm form);

// --paths keep|relative|absolute, for a command that saves a playlist, and the form it names:
// nothing, after the usage message in *exitCode, for another word.
void addPathsOption(CommandLine& line);
std::optional<PathForm> pathFormOf(const CommandLine& line, int* exitCode);
