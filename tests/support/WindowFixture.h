#pragma once

// The main window for tests: shown and active, its messages recorded and its file dialogs answered
// from a script, with real files in a temporary folder. Header-only; window test binaries only.

#include <algorithm>
#include <deque>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include "support/RecordingMessages.h"
#include "support/TestFiles.h"
#include "ui/FileDialogs.h"
#include "ui/Form1.h"

// Answers the window's file dialogs in order; an answer not scripted is a cancel. Keeps the title
// and starting name each playlist dialog was asked with.
class ScriptedFileDialogs : public FileDialogs {
public:
    std::deque<std::optional<QString>> playlists;
    std::deque<QStringList> imports;
    std::deque<std::optional<CopyDestination>> destinations;
    std::deque<std::optional<QString>> folders;
    std::vector<std::pair<QString, QString>> asked;
    // The playlist path each copy destination was asked with.
    QStringList copiedPlaylists;

    std::optional<QString> playlistToOpen(const QString& title, const QString& start) override
    {
        asked.emplace_back(title, start);
        return next(playlists).value_or(std::nullopt);
    }
    std::optional<QString> playlistToSave(const QString& title, const QString& start) override
    {
        return playlistToOpen(title, start);
    }
    QStringList filesToImport() override { return next(imports).value_or(QStringList()); }
    std::optional<QString> folderToImport() override { return next(folders).value_or(std::nullopt); }
    std::optional<CopyDestination> copyDestination(const QString& playlistPath) override
    {
        copiedPlaylists.push_back(playlistPath);
        return next(destinations).value_or(std::nullopt);
    }

private:
    template <class T> static std::optional<T> next(std::deque<T>& script)
    {
        if (script.empty())
            return std::nullopt;
        T answer = std::move(script.front());
        script.pop_front();
        return answer;
    }
};

struct WindowFixture {
    RecordingMessages messages;
    TestFiles files;
    ScriptedFileDialogs dialogs;
    Form1 form;
    QTreeView* playlist = form.findChild<QTreeView*>(QStringLiteral("Playlist"));
    QTimer* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));

    // autoRead false turns Auto-Read Tags off, so that only the test's own steps touch the files.
    explicit WindowFixture(bool autoRead = true)
    {
        form.setFileDialogs(&dialogs);
        action("mnuAutoReadTags")->setChecked(autoRead);
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    QAction* action(const char* name) const { return form.findChild<QAction*>(QString::fromLatin1(name)); }
    void trigger(const char* name) const { action(name)->trigger(); }
    PlaylistModel& model() { return form.model(); }
    QStringList column(int column)
    {
        QStringList texts;
        for (qsizetype row = 0; row < model().size(); ++row)
            texts.append(model().text(row, column));
        return texts;
    }
    // Lets background reading run until it stops; a reading that never ends fails the test.
    void readToTheEnd() const
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !timer->isActive(); }, 20000));
    }
    // Tagged audio files (title: the name's first letter, artist "Band"), imported as Import Files does.
    QStringList addFiles(const QStringList& names)
    {
        QStringList paths;
        for (const QString& name : names)
            paths.append(files.write(
                name, TestBytes::audio(300) + TestBytes::id3v1({name.toUtf8().left(1), "Band", "", "", "", 0, 0})));
        form.importChosenFiles(paths, false);
        return paths;
    }
    void selectRows(std::initializer_list<int> rows)
    {
        playlist->selectionModel()->clearSelection();
        for (const int row : rows)
            playlist->selectionModel()->select(
                model().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void clickHeader(int column) const
    {
        QTest::mouseClick(playlist->header()->viewport(), Qt::LeftButton, {},
            QPoint(playlist->header()->sectionViewportPosition(column) + 5, 5));
    }
    // Runs act on the window's visible dialog of that type once it is up, from the events the window
    // lets run while it waits.
    template <class Dialog, class Act> void whenShown(const Act& act)
    {
        QTimer::singleShot(0, &form, [this, act] {
            const QList<Dialog*> open = form.findChildren<Dialog*>();
            const auto up = std::ranges::find_if(open, &QWidget::isVisible);
            up != open.end() ? act(**up) : whenShown<Dialog>(act);
        });
    }
    // The window takes commands again: its list and menus on, no busy pointer left.
    bool takesCommands() const
    {
        return playlist->isEnabled() && form.menuBar()->isEnabled() && !QApplication::overrideCursor();
    }
};
