#pragma once

#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The benchmark's sample: small MP3-like files in a temporary folder, made once per process and
// removed when it ends. Every file starts with audio-looking bytes (first byte 255) unless it
// starts with an ID3v2 tag; most end with an ID3v1 tag.
class BenchFiles {
public:
    static constexpr int Count = 10000;

    // The sample, made on first use.
    static const BenchFiles& instance();

    // False when the folder or a file could not be made; error() says why.
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    // Every file, as the library takes it and as the system takes it, in the same order.
    const QStringList& paths() const { return m_paths; }
    const std::vector<QByteArray>& nativePaths() const { return m_nativePaths; }
    // The files that end with an ID3v1 tag.
    const QStringList& taggedPaths() const { return m_taggedPaths; }
    const std::vector<QByteArray>& taggedNativePaths() const { return m_taggedNativePaths; }

    int id1Count() const { return int(m_taggedPaths.size()); }
    int id2Count() const { return m_id2Count; }

    // A file listing every path, one a line; and one listing the files that end with an ID3v1 tag.
    QString listPath() const { return m_listPath; }
    QString taggedListPath() const { return m_taggedListPath; }
    // A path inside the temporary folder for scratch files of the benchmark itself.
    QString scratchPath(const QString& name) const { return m_dir.filePath(name); }

private:
    BenchFiles();

    QTemporaryDir m_dir;
    QString m_error;
    QStringList m_paths;
    std::vector<QByteArray> m_nativePaths;
    QStringList m_taggedPaths;
    std::vector<QByteArray> m_taggedNativePaths;
    int m_id2Count = 0;
    QString m_listPath;
    QString m_taggedListPath;
};
