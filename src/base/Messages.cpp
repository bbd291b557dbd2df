#include "base/Messages.h"

#include <cstdio>

#include "base/NativePath.h"

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
