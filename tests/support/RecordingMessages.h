#pragma once

#include <deque>
#include <vector>

#include "base/Messages.h"

// A Messages object for tests: keeps every message, answers questions from a script (No, or Cancel
// to a question about unsaved changes, when the script has run out) and counts beeps. Installs itself for its lifetime.
class RecordingMessages : public Messages {
public:
    struct Shown {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
    };

    RecordingMessages();
    ~RecordingMessages() override;

    Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    void beep() override { ++m_beeps; }

    void scriptAnswers(std::initializer_list<Answer> answers) { m_script.insert(m_script.end(), answers); }
    // The answer to the very next question, before those scripted earlier.
    void scriptNextAnswer(Answer answer) { m_script.push_front(answer); }
    const std::vector<Shown>& shown() const { return m_shown; }
    QStringList texts() const;
    int beeps() const { return m_beeps; }
    void clear() { m_shown.clear(); }

private:
    Messages* m_previous;
    std::vector<Shown> m_shown;
    std::deque<Answer> m_script;
    int m_beeps = 0;
};
