#pragma once

#include <QDockWidget>

class QTreeWidget;

// The Problems panel: the files whose tags could not be read while Options > Collect Read Errors
// is on, each with the message its read would have shown. It opens by itself when a problem is
// added; Clear empties it, and closing it only hides it.
class ProblemsPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit ProblemsPanel(QWidget* parent = nullptr);

    void add(const QString& path, const QString& text);
    int count() const;

private:
    QTreeWidget* m_list;
};
