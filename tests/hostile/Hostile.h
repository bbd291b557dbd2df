#pragma once

// What every table of hostile inputs needs: a guard that turns a hang into a failure, the things a
// path can be besides a regular file, the program's messages as it words them, a check that a file
// kept its bytes, and sondrel-cli run as a process.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "support/ProgramMessages.h"
#include "support/TestFiles.h"

namespace Hostile {

// Ends the test binary with a message when the scope has not ended within a generous limit, so that
// an input on which the program hangs fails the run instead of stopping it. Only a guard: no test
// measures time.
class HangGuard {
public:
    explicit HangGuard(std::string what);
    ~HangGuard();
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

private:
    std::string m_what;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_watch;
};

// True when the tests run as root, who may read and write files of any mode.
bool runsAsRoot();

// Makes the path one of the things that are not a regular file; false when the system refused.
bool makeFolder(const QString& path);
bool makeFifo(const QString& path);
bool makeLink(const QString& target, const QString& path);
bool setMode(const QString& path, unsigned mode);

// The 1 MiB of pseudo-random bytes every binary case takes its bytes from, the same in every run.
QByteArray noise(qsizetype count);

// The bytes of a file as they are now; empty optional for anything that is not a regular file that
// can be read.
struct Snapshot {
    bool regular = false;
    QByteArray bytes;
    static Snapshot of(const QString& path);
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

// The names in a folder, hidden ones included: what is left behind after an operation.
QStringList entriesOf(const QString& folder);

using ProgramMessages::genreListFailure;
using ProgramMessages::notFound;
using ProgramMessages::notRecognized;
using ProgramMessages::readError;

// sondrel-cli run with the arguments (given as the system's bytes) and the input on stdin, under a
// hang guard. The program is the one beside this test binary, so that a copy of the build folder
// runs its own.
struct CliRun {
    int exitCode = -1;
    bool finished = false;
    QByteArray out, err;
};
CliRun cli(const QList<QByteArray>& arguments, const QByteArray& input = {});
QString cliPath();

// The line sondrel-cli prints on stderr for a message, a file name in it as its own bytes.
QByteArray cliError(const QString& text, const QString& title = QStringLiteral("Error:"));

} // namespace Hostile
