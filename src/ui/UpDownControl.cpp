#include "ui/UpDownControl.h"

#include <QToolButton>
#include <QVBoxLayout>

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    m_up->setObjectName(QStringLiteral("UpDown1Up"));
    m_down->setObjectName(QStringLiteral("UpDown1Down"));
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setToolTip(tr("Move the selected rows up"));
    m_down->setToolTip(tr("Move the selected rows down"));
    // Held down, a button repeats, so a block of rows can travel far.
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, &UpDownControl::upPressed);
    connect(m_down, &QToolButton::clicked, this, &UpDownControl::downPressed);
}
