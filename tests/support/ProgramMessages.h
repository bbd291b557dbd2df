#pragma once

#include <QString>

// The program's messages about files, to the character, for tests to compare what was shown.
namespace ProgramMessages {

QString notFound(const QString& path);
QString readError(const QString& path);
QString notRecognized(const QString& path);
QString genreListFailure(const QString& folder);
// Another run of the program holds the file for longer than a change waits.
QString busy(const QString& path);

} // namespace ProgramMessages
