#pragma once

#include <QWidget>

class QTextBrowser;

// The program's help page in a window of its own, "Sondrel Help", beside the main window and not
// blocking it. Links within the help follow in the window; links to other places open in the
// desktop's web browser. "Open in Web Browser" shows the page there as well, and Escape closes the
// window. No browser is needed to read the help.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the page (an HTML file) and brings the window to the front. A page that is not a
    // readable file gives the message "Could not open the help page PATH." and leaves the window as
    // it was. Returns whether the page is shown.
    bool showPage(const QString& path);

private:
    void openInBrowser();

    QTextBrowser* m_browser;
    QString m_page;
};
