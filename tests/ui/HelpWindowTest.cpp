#include "ui/HelpWindow.h"

#include <QFileInfo>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include "base/ProgramFolder.h"
#include "support/WindowFixture.h"

using namespace Qt::StringLiterals;

TEST(HelpWindow, F1ShowsTheHelpPageInTheProgramsOwnWindowOrAMessageWhenItIsMissing)
{
    WindowFixture w;
    Form1& form = w.form;
    QTest::keyClick(&form, Qt::Key_F1);

    auto* help = form.findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), u"Sondrel Help"_s);
    const auto* browser = help->findChild<QTextBrowser*>(u"helpBrowser"_s);
    ASSERT_NE(browser, nullptr);
    const QString page = dataFolderOf(u"sondrel-help.html"_s) + u"/sondrel-help.html"_s;
    EXPECT_EQ(QFileInfo(browser->source().toLocalFile()), QFileInfo(page));
    EXPECT_TRUE(browser->toPlainText().contains(u"Format strings"_s));
    EXPECT_TRUE(w.messages.texts().isEmpty());

    // Escape closes the window; asking again brings the same window back.
    ASSERT_TRUE(QTest::qWaitFor([help] { return QApplication::activeWindow() == help; }));
    QTest::keyClick(help, Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
    // A missing page gives a message and no window.
    const QString missing = w.files.path(u"sondrel-help.html"_s);
    EXPECT_FALSE(help->showPage(missing));
    EXPECT_FALSE(help->isVisible());
    EXPECT_EQ(w.messages.texts(), QStringList{u"Could not open the help page "_s + missing + u'.'});
    form.findChild<QAction*>(u"mnuContents"_s)->trigger();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(form.findChildren<HelpWindow*>().size(), 1);
}
