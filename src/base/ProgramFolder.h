#pragma once

#include <QString>

// The folder that holds the running program's executable, without a trailing separator. The
// program's own data files (the genre list) are looked up there.
QString programFolder();
