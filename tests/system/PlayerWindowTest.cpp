// The player's window: Exit in its right-click menu and Ctrl+Q quit it as a
// close does; its panel counts the tracks.

#include "host/PlyxPlayer.h"
#include "host/PlyxWindow.h"

#include "tests/support/TempDir.h"

#include <QAction>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

TEST(PlayerWindow, ExitAndCtrlQQuitAsAClose) {
    testsupport::TempDir dir;
    setenv("NEWS_REGISTRY", dir.file("registry.ini").c_str(), 1);
    PlyxPlayer player({6320, false, dir.file("plyx")});
    PlyxWindow window(player);
    int exits = 0;
    window.OnExit = [&] { ++exits; };
    QMenu menu;
    window.FillContextMenu(&menu);
    QAction* exit = menu.actions().isEmpty() ? nullptr : menu.actions().back();
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), "Exit");
    EXPECT_EQ(exit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    exit->trigger();
    EXPECT_EQ(exits, 1);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(exits, 2);
}

TEST(PlayerWindow, CountsOneTrackAndMany) {
    EXPECT_EQ(PlyxWindow::TrackCount(0), "0 tracks");
    EXPECT_EQ(PlyxWindow::TrackCount(1), "1 track");
    EXPECT_EQ(PlyxWindow::TrackCount(2), "2 tracks");
}

TEST(PlayerWindow, LongMenuCaptionsAreCutShortWithTheWholeCaptionInTheTip) {
    testsupport::TempDir dir;
    setenv("NEWS_REGISTRY", dir.file("registry.ini").c_str(), 1);
    PlyxPlayer player({6320, false, dir.file("plyx")});
    PlyxWindow window(player);
    std::string caption(90, 'S');
    player.AddMenu(0, kMenuPlugins, -1, caption);
    player.AddMenu(0, kMenuPlugins, -1, "Short");
    QMenu menu;
    window.FillMenu(&menu, kMenuPlugins);
    QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), QString(39, 'S') + QChar(0x2026));
    EXPECT_EQ(items[0]->toolTip(), QString::fromStdString(caption));
    EXPECT_EQ(items[1]->text(), "Short");
    EXPECT_TRUE(menu.toolTipsVisible());
}
