#pragma once

#include <QString>

#include "base/Messages.h"

// A line of progress on stderr while it is a terminal ("\rCopying 120 of 3,000"), cleared before
// any message and at the end; nothing otherwise, so that a script's stderr holds messages only.
// Installed as the messages of the running command, it passes every message on.
class ProgressLine : public Messages {
public:
    ProgressLine(Messages& messages, QString verb, qsizetype total);
    ~ProgressLine() override;
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows the row about to be done: "verb done+1 of total".
    void step(qsizetype done);
    // Shows a text of its own in the line.
    void showText(const QString& text);

    Answer show(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    void beep() override { m_messages.beep(); }

private:
    void clear();

    Messages& m_messages;
    QString m_verb;
    qsizetype m_total;
    bool m_shown;
    qsizetype m_width = 0;
};
