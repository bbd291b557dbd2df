#include "cli/ProgressLine.h"

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

ProgressLine::ProgressLine(Messages& messages, QString verb, qsizetype total)
    : m_messages(messages), m_verb(std::move(verb)), m_total(total), m_shown(::isatty(STDERR_FILENO) == 1)
{ }

ProgressLine::~ProgressLine()
{
    clear();
}

void ProgressLine::step(qsizetype done)
{
    showText(u"%1 %L2 of %L3"_s.arg(m_verb).arg(done + 1).arg(m_total));
}

void ProgressLine::showText(const QString& text)
{
    if (!m_shown)
        return;
    const QByteArray line = '\r' + text.toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    m_width = line.size();
}

Messages::Answer ProgressLine::show(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    clear();
    return m_messages.show(text, title, icon, buttons);
}

void ProgressLine::clear()
{
    if (m_width == 0)
        return;
    const QByteArray blank = '\r' + QByteArray(m_width, ' ') + '\r';
    std::fwrite(blank.constData(), 1, size_t(blank.size()), stderr);
    std::fflush(stderr);
    m_width = 0;
}
