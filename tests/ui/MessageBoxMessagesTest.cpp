#include "ui/MessageBoxMessages.h"

#include <functional>

#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

#include <gtest/gtest.h>

#include "support/WindowFixture.h"

using namespace Qt::StringLiterals;

namespace {

// Answers the next message box as soon as it is up and remembers the window it was shown over.
// Stops looking when it goes.
struct BoxAnswerer {
    QPointer<QWidget> over;
    std::function<void()> then; // runs after the box is closed
    QObject alive;

    void arm()
    {
        QTimer::singleShot(20, &alive, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                arm();
                return;
            }
            over = box->parentWidget();
            box->close();
            if (then)
                then();
        });
    }
};

// The dialog the window waits for, once it is up.
QDialog* waitingDialog(const Form1& form)
{
    for (QDialog* dialog : form.findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
        if (dialog->isVisible() && !qobject_cast<QMessageBox*>(dialog))
            return dialog;
    }
    return nullptr;
}

} // namespace

// A message over a dialog the main window waits for is shown over that dialog, and afterwards the
// keyboard is back in the dialog: in the field it was in, and Escape closes the dialog.
TEST(MessageBoxMessages, GivesTheKeyboardBackToTheDialogItWasShownOver)
{
    const struct Case {
        const char* what;
        const char* command;
        const char16_t* field; // the field that has the keyboard before the message; none: any
        // Brings up a message over the dialog (none: the command shows its own instruction).
        std::function<void(QDialog&)> message;
    } cases[] = {
        {"tag editor, refused track", nullptr, u"Track",
            [](QDialog& dialog) {
                dialog.findChild<QLineEdit*>(u"Track"_s)->setText(u"300"_s);
                dialog.findChild<QPushButton*>(u"Command1"_s)->click();
            }},
        {"format string, instruction", "mnuTitleEqualsFileName", nullptr, nullptr},
        {"import files, a message while it waits", "mnuImportFiles", u"Dir1",
            [](QDialog&) {
                Messages::current().show(
                    u"A file could not be read."_s, u"Error:"_s, Messages::Icon::Exclamation, Messages::Buttons::Ok);
            }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WindowFixture w(false);
        Form1& form = w.form;
        form.setFileDialogs(nullptr);
        MessageBoxMessages messages(&form);
        const MessagesScope scope(messages);
        w.addFiles({u"a.mp3"_s});
        w.selectRows({0});

        bool escapeClosed = false;
        QPointer<QWidget> focusBefore;
        // Runs once the message is answered and its box is gone, in the window's wait for the dialog.
        const auto checkKeyboard = [&] {
            QDialog* dialog = waitingDialog(form);
            ASSERT_NE(dialog, nullptr);
            // Activation goes through the window system's queue.
            EXPECT_TRUE(QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }));
            if (focusBefore) {
                EXPECT_EQ(QApplication::focusWidget(), focusBefore.data());
            }
            // Keys go where the window system sends them: to the window that has the focus.
            if (QWindow* keys = QGuiApplication::focusWindow())
                QTest::keyClick(keys, Qt::Key_Escape);
            escapeClosed = !dialog->isVisible();
            if (!escapeClosed)
                dialog->reject();
        };
        BoxAnswerer answerer;
        answerer.arm();
        if (c.message) {
            QTimer::singleShot(0, &form, [&] {
                QDialog* dialog = waitingDialog(form);
                ASSERT_NE(dialog, nullptr);
                EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
                if (c.field) {
                    focusBefore = dialog->findChild<QWidget*>(QString::fromUtf16(c.field));
                    focusBefore->setFocus();
                }
                c.message(*dialog);
                EXPECT_EQ(answerer.over, dialog);
                checkKeyboard();
            });
        } else {
            answerer.then = [&] {
                EXPECT_EQ(answerer.over, waitingDialog(form));
                QTimer::singleShot(0, &form, checkKeyboard);
            };
        }
        if (c.command)
            w.trigger(c.command);
        else
            Q_EMIT w.playlist->doubleClicked(form.model().index(0, 0));
        EXPECT_TRUE(escapeClosed);
    }
}
