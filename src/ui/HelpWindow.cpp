#include "ui/HelpWindow.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "base/Messages.h"

using namespace Qt::StringLiterals;

namespace {

void reportUnopened(const QString& page)
{
    Messages::error(u"Could not open the help page "_s + page + u'.');
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), m_browser(new QTextBrowser(this))
{
    setObjectName(u"HelpWindow"_s);
    setWindowTitle(u"Sondrel Help"_s);
    m_browser->setObjectName(u"helpBrowser"_s);
    m_browser->setOpenExternalLinks(true);

    auto* browserButton = new QPushButton(u"Open in &Web Browser"_s, this);
    browserButton->setObjectName(u"openInBrowser"_s);
    browserButton->setAutoDefault(false);
    connect(browserButton, &QPushButton::clicked, this, &HelpWindow::openInBrowser);

    auto* close = new QAction(this);
    close->setShortcut(Qt::Key_Escape);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(browserButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addLayout(buttons);
    resize(720, 640);
}

bool HelpWindow::showPage(const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        reportUnopened(path);
        return false;
    }
    m_page = path;
    m_browser->setSource(QUrl::fromLocalFile(path));
    show();
    raise();
    activateWindow();
    return true;
}

void HelpWindow::openInBrowser()
{
    // The page as the window shows it, at the part of it that a link led to.
    const QUrl shown = m_browser->source().isLocalFile() ? m_browser->source() : QUrl::fromLocalFile(m_page);
    if (!QDesktopServices::openUrl(shown))
        reportUnopened(shown.toLocalFile());
}
