#pragma once

#include <QStringList>

// sondrel-cli copy-tag: copies each file's ID3v1 tag into its ID3v2 tag or back, printing first
// what the narrower ID3v1 tag cannot hold. Returns ExitOk or ExitUsage.
int runCopyTag(const QStringList& arguments);
