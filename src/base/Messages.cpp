#include "base/Messages.h"

#include <cstdio>

#include "base/NativePath.h"
#include "base/Result.h"

namespace {

Messages* g_installed = nullptr;

} // namespace

Messages& Messages::current()
{
    static StderrMessages fallback;
    return g_installed ? *g_installed : fallback;
}

Messages* Messages::install(Messages* messages)
{
    Messages* previous = g_installed;
    g_installed = messages;
    return previous;
}

void Messages::error(const QString& text)
{
    current().show(text, QStringLiteral("Error:"), Icon::Exclamation, Buttons::Ok);
}

QString Messages::textOf(const Failure& failure)
{
    using Action = Failure::Action;
    using Kind = Failure::Kind;
    const QString& path = failure.path;
    const QString& reason = failure.reason;
    switch (failure.action) {
    case Action::Tag:
        switch (failure.kind) {
        case Kind::Missing:
            return QStringLiteral("Error with ") + path
                + QStringLiteral(":  File not found.  This file will be skipped automatically until you close the "
                                 "program.");
        case Kind::Busy: return path + QStringLiteral(" is being changed by another Sondrel process");
        case Kind::Changed: return QStringLiteral("Error with ") + path + QStringLiteral(":  ") + reason + u'.';
        case Kind::Unrecognized:
            return QStringLiteral("ID3v2 Tag format not recognized for ") + path
                + QStringLiteral(", skipping to avoid damage.");
        default: break;
        }
        // A copy of the file's audio that could not be removed after the failure is named, so that
        // its space can be had back.
        return QStringLiteral("Error with ") + path
            + QStringLiteral(":  Read error.  This file will be skipped automatically until you close the "
                             "program.\r\n\r\nSuggestions:\r\n1) Close any programs that may be accessing "
                             "this file.\r\n2) Remove any special characters from the filename.")
            + (failure.leftBehind.isEmpty() ? QString()
                                            : QStringLiteral("\r\n\r\nThe temporary file ") + failure.leftBehind
                        + QStringLiteral(" could not be removed and holds a copy of the audio."));
    case Action::SavePlaylist:
        if (failure.kind == Kind::Unrecognized)
            return QStringLiteral("Unknown format, please specify m3u or pls when you save.");
        return QStringLiteral("Could not save the playlist to ") + path + QStringLiteral(": ") + reason + u'.';
    case Action::LoadPlaylist:
        return failure.kind == Kind::Unrecognized ? QStringLiteral("Invalid format.")
                                                  : QStringLiteral("Could not read the whole playlist ") + path + u'.';
    case Action::Copy:
    case Action::Move:
        return (failure.action == Action::Move ? QStringLiteral("Could not move ") : QStringLiteral("Could not copy "))
            + path + QStringLiteral(" to ") + failure.target + QStringLiteral(": ") + reason
            + QStringLiteral(".  Skip and continue?");
    case Action::CreateFolder:
        return QStringLiteral("Could not create the folder ") + path + QStringLiteral(": ") + reason + u'.';
    case Action::ReadFileList:
        return QStringLiteral("Could not read the file list ") + path + QStringLiteral(": ") + reason + u'.';
    case Action::Open:
    case Action::Write:
    case Action::Replace:
    case Action::Rename: break;
    }
    return path + QStringLiteral(": ") + reason + u'.';
}

void Messages::error(const Failure& failure)
{
    error(textOf(failure));
}

void Messages::inform(const QString& text)
{
    current().show(text, QStringLiteral("Information"), Icon::Information, Buttons::Ok);
}

Messages::Answer StderrMessages::show(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    if (icon == Icon::Exclamation || icon == Icon::Critical)
        ++m_errorCount;
    QString body = text;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // Encoded as a path is, so that a file name that is not UTF-8 shows its own bytes.
    const QByteArray line = NativePath::encode(QString(title + u'\t' + body + u'\n'));
    std::fflush(stdout); // keep the order of results and messages when both go to one stream
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return m_questionAnswer;
    case Buttons::SaveDiscardCancel: return Answer::Cancel;
    }
    return Answer::Ok;
}
