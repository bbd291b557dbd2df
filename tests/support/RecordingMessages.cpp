#include "support/RecordingMessages.h"

#include <QStringList>

RecordingMessages::RecordingMessages() : m_previous(Messages::install(this))
{ }

RecordingMessages::~RecordingMessages()
{
    Messages::install(m_previous);
}

Messages::Answer RecordingMessages::show(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    m_shown.push_back({text, title, icon, buttons});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (m_script.empty())
        return buttons == Buttons::SaveDiscardCancel ? Answer::Cancel : Answer::No;
    const Answer answer = m_script.front();
    m_script.pop_front();
    return answer;
}

QStringList RecordingMessages::texts() const
{
    QStringList list;
    for (const Shown& message : m_shown)
        list.append(message.text);
    return list;
}
