#pragma once

#include <QWidget>

class QToolButton;

// The up/down control beside the playlist: two arrow buttons, up above down, that move the
// selected rows one place.
class UpDownControl : public QWidget {
    Q_OBJECT

public:
    explicit UpDownControl(QWidget* parent = nullptr);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

Q_SIGNALS:
    void upPressed();
    void downPressed();

private:
    QToolButton* m_up;
    QToolButton* m_down;
};
