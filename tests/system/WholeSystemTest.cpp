// The whole system as a user runs it: the player with both news plug-ins
// from a copy of the built Plugin folder, against the demo news server,
// driven through the player's menu, the news window's menu and the property
// dialog, then closed. The engine lives in its own library, so the test
// reaches it only as the player and the user do: through widgets, menus and
// the settings file.

#include "engine/host/PLYXCodes.h"
#include "host/PlyxPlayer.h"
#include "host/PlyxPluginHost.h"
#include "host/PlyxWindow.h"
#include "platform/ini/TMemIniFile.h"
#include "platform/registry/Registry.h"
#include "platform/text/Cp932.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/EventPump.h"
#include "tests/support/TempDir.h"
#include "tests/system/RunFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace systemtest;
using testsupport::PumpUntil;

namespace {

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

int siteIndex(const QString& name) {
    for (int i = 0; i < kSiteCount; ++i)
        if (name == Q(kSites[i].name)) return i;
    return -1;
}

// A settings text's keys in file order, each "section/key" with its value,
// bytes as written.
using IniEntries = std::vector<std::pair<std::string, std::string>>;

IniEntries readIni(const std::string& text) {
    IniEntries entries;
    std::string section;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            entries.emplace_back(section + "/" + line.substr(0, equals), line.substr(equals + 1));
    }
    return entries;
}

// The linked texts of the demo front page: every headline the sites give
// holds one of them (with its time stamp, or a list mark, around it).
QStringList demoLinkTexts() {
    std::string page = testsupport::ReadAll(NEWS_SOURCE_DIR "/demo/front-utf8.html");
    std::regex anchor("<a href=\"[^\"]*\">([^<]+)</a>");
    QStringList texts;
    for (std::sregex_iterator it(page.begin(), page.end(), anchor), end; it != end; ++it)
        texts << QString::fromStdString((*it)[1].str());
    return texts;
}

// What a ticker shows: its panel's hint is "site - headline".
struct Shown {
    QString site, title;
};

// Types text into an edit key by key, Japanese too.
void type(QWidget* edit, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QAction* findAction(QMenu* menu, const QString& text) {
    if (!menu) return nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == text) return a;
    return nullptr;
}

class WholeSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::path home = this->home.path();
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home / ".cache").c_str(), 1);
        setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
        setenv("NEWS_REGISTRY", (home / "registry.ini").c_str(), 1);

        server = std::make_unique<testsupport::ChildProcess>(
            std::vector<std::string>{DEMOSERVER_PATH, "--pages", NEWS_SOURCE_DIR "/demo"});
        address = server->FirstLine();
        ASSERT_TRUE(std::regex_match(address, std::regex("http://127\\.0\\.0\\.1:[0-9]+/")))
            << "demo server: " << address;
        run = std::make_unique<RunFolder>(address);

        // A box the engine opens is modal: close it and remember it.
        boxWatch.setInterval(20);
        QObject::connect(&boxWatch, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    boxes << box->text();
                    if (QAbstractButton* b = box->buttons().value(0)) b->click();
                }
        });
        boxWatch.start();
    }

    void TearDown() override {
        host.reset();
        window.reset();
        player.reset();
        pump(100);
    }

    // What the player's main does, with the player's path in the run folder.
    void startPlayer() {
        std::string path = run->File("plyx");
        platform::RegWriteString(platform::RegistryRoot::CurrentUser, "Software\\QUARN\\PLYX", "",
                                 path);
        player = std::make_unique<PlyxPlayer>(PlyxPlayer::Options{6320, true, path});
        platform::TMemIniFile settings(player->SettingsPath());
        player->Design = settings.ReadString("PLYX", "Design", "");
        player->ReloadTools();
        window = std::make_unique<PlyxWindow>(*player);
        window->show();
        host = std::make_unique<PlyxPluginHost>(*player, window.get());
        started = host->LoadPlugins(run->File("Plugin"));
    }

    // What the player does when it is closed: its loop ends, the plug-ins
    // stop, then its window goes.
    void quitPlayer() {
        host->UnloadPlugins();
        pump(100);
        window->close();
    }

    static void pump(int ms) {
        QElapsedTimer clock;
        clock.start();
        PumpUntil([&] { return clock.elapsed() >= ms; }, ms + 1000);
    }

    static QWidget* newsWindow() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowTitle() == QStringLiteral("NewsWindow")) return w;
        return nullptr;
    }

    static QDialog* propertyDialog() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) return d;
        return nullptr;
    }

    // The controls ticker i draws on: inside the news window (0), or on the
    // player's window (1).
    std::vector<QWidget*> tickerControls(int i) const {
        std::vector<QWidget*> out;
        if (i == 0) {
            if (QWidget* w = newsWindow())
                for (QWidget* c : w->findChildren<QWidget*>())
                    out.push_back(c);
        } else if (window) {
            for (QWidget* c : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (!c->isWindow()) out.push_back(c);
        }
        return out;
    }

    // A button of the engine's in the player's skin, by its hint.
    QWidget* skinButton(const char* hint) const {
        for (QWidget* c : tickerControls(1))
            if (c->toolTip() == QString::fromUtf8(hint)) return c;
        return nullptr;
    }

    Shown shown(int i) const {
        for (QWidget* c : tickerControls(i)) {
            QString hint = c->toolTip();
            for (const FirstRunSite& s : kSites)
                if (hint.startsWith(Q(s.name) + " - "))
                    return {Q(s.name), hint.mid(Q(s.name).size() + 3)};
        }
        return {};
    }

    bool showsDemoHeadline(int i) const {
        QString title = shown(i).title;
        for (const QString& text : demoHeadlines)
            if (!title.isEmpty() && title.contains(text)) return true;
        return false;
    }

    // The news window's pop-up menu, opened as a right click opens it.
    QMenu* openWindowMenu() {
        QWidget* w = newsWindow();
        if (!w) return nullptr;
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(30, 30),
                                w->mapToGlobal(QPoint(30, 30)));
        QApplication::sendEvent(w, &click);
        for (QMenu* m : w->findChildren<QMenu*>())
            if (m->isVisible() && findAction(m, Q("次のニュースサイト"))) return m;
        return nullptr;
    }

    // Clicks an entry of the news window's menu (or of its submenu).
    bool windowCommand(const char* caption, const char* submenu = nullptr) {
        QMenu* menu = openWindowMenu();
        if (!menu) return false;
        QMenu* from = menu;
        if (submenu) {
            QAction* sub = findAction(menu, Q(submenu));
            from = sub ? sub->menu() : nullptr;
        }
        QAction* a = findAction(from, Q(caption));
        bool clicked = a && a->isEnabled();
        if (clicked) a->trigger();
        menu->hide();
        return clicked;
    }

    // The player's plug-ins menu as it is about to open: announced to the
    // plug-ins first, so that they can set their checks.
    std::unique_ptr<QMenu> playerMenu() {
        player->AboutToShowMenu(kMenuPlugins);
        pump(50);
        auto menu = std::make_unique<QMenu>();
        window->FillMenu(menu.get(), kMenuPlugins);
        return menu;
    }

    // The entry at the end of a path of captions through submenus.
    static QAction* menuEntry(QMenu* menu, std::initializer_list<const char*> path) {
        QAction* a = nullptr;
        for (const char* caption : path) {
            a = findAction(menu, Q(caption));
            menu = a ? a->menu() : nullptr;
        }
        return a;
    }

    bool playerCommand(std::initializer_list<const char*> path) {
        auto menu = playerMenu();
        QAction* a = menuEntry(menu.get(), path);
        bool clicked = a && a->isEnabled();
        if (clicked) a->trigger();
        return clicked;
    }

    // Steps a ticker with its "next headline" entry until it shows a demo
    // headline: the first update has to come in by then.
    bool stepToDemoHeadline(int i, int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        while (!showsDemoHeadline(i)) {
            if (clock.elapsed() > timeoutMs) return false;
            if (i == 0)
                windowCommand("次のニュース");
            else
                playerCommand({"PLYX Talo+", "次のニュース"});
            PumpUntil([&] { return showsDemoHeadline(i); }, 300);
        }
        return true;
    }

    // The settings file holds every key of the first run with its value but
    // the one changed, and the sites in their order.
    void expectFirstRunSettingsBut(const std::string& changedKey, const std::string& changedValue,
                                   const char* when) {
        IniEntries saved = readIni(run->Settings());
        std::map<std::string, std::string> values(saved.begin(), saved.end());
        for (const auto& [key, value] : readIni(run->FirstRunSettings)) {
            auto it = values.find(key);
            ASSERT_TRUE(it != values.end()) << platform::SjisToUtf8(key) << " is lost " << when;
            EXPECT_EQ(it->second, key == changedKey ? changedValue : value)
                << platform::SjisToUtf8(key) << " " << when;
        }
        auto sites = [](const IniEntries& entries) {
            std::vector<std::string> keys;
            for (const auto& [key, value] : entries)
                if (key.rfind("Site/", 0) == 0) keys.push_back(key);
            return keys;
        };
        EXPECT_EQ(sites(saved), sites(readIni(run->FirstRunSettings))) << when;
    }

    bool waitForSite(int i, const QString& site, int timeoutMs = 5000) {
        return PumpUntil([&] { return shown(i).site == site; }, timeoutMs);
    }

    testsupport::TempDir home;
    std::unique_ptr<testsupport::ChildProcess> server;
    std::string address;
    std::unique_ptr<RunFolder> run;
    std::unique_ptr<PlyxPlayer> player;
    std::unique_ptr<PlyxWindow> window;
    std::unique_ptr<PlyxPluginHost> host;
    int started = 0;
    QTimer boxWatch;
    QStringList boxes;
    const QStringList demoHeadlines = demoLinkTexts();
};

} // namespace

TEST_F(WholeSystemTest, TheDemoNewsScrollsIsSteeredFromBothMenusAndTheDialogKeepsEverySetting) {
    ASSERT_GE(demoHeadlines.size(), 5);
    startPlayer();
    ASSERT_EQ(started, 2) << "both loaders run";
    ASSERT_TRUE(PumpUntil([&] { return newsWindow() && newsWindow()->isVisible(); }, 5000))
        << "the first-run settings show the news window";
    auto docksBelow = [&] {
        QRect news = newsWindow()->geometry(), below = window->geometry();
        return news.top() == below.bottom() + 1 &&
               news.left() == below.left() + (below.width() - news.width()) / 2;
    };
    EXPECT_TRUE(PumpUntil(docksBelow, 5000)) << "the first-run news window docks below the player";

    // The first update: both tickers come to the demo pages' headlines.
    ASSERT_TRUE(stepToDemoHeadline(0, 20000)) << "news window: " << shown(0).title.toStdString();
    ASSERT_TRUE(stepToDemoHeadline(1, 5000)) << "skin panel: " << shown(1).title.toStdString();

    // Every site gives headlines, whatever its code, the frameset and the
    // redirect too: each one chosen from the window's site menu shows its
    // header line, and the next headline is one of the demo page's.
    for (const FirstRunSite& s : kSites) {
        ASSERT_TRUE(windowCommand(s.name, "ニュースサイト")) << s.name;
        ASSERT_TRUE(waitForSite(0, Q(s.name))) << s.name;
        ASSERT_TRUE(windowCommand("次のニュース"));
        EXPECT_TRUE(PumpUntil([&] { return showsDemoHeadline(0); }, 5000))
            << s.name << ": " << shown(0).site.toStdString() << " - "
            << shown(0).title.toStdString();
        EXPECT_EQ(shown(0).site, Q(s.name));
    }

    // Sites from the news window's menu: next, back, and one by name.
    int site = siteIndex(shown(0).site);
    ASSERT_GE(site, 0);
    QString next = Q(kSites[(site + 1) % kSiteCount].name);
    ASSERT_TRUE(windowCommand("次のニュースサイト"));
    EXPECT_TRUE(waitForSite(0, next)) << shown(0).site.toStdString();
    ASSERT_TRUE(windowCommand("前のニュースサイト"));
    EXPECT_TRUE(waitForSite(0, Q(kSites[site].name))) << shown(0).site.toStdString();
    ASSERT_TRUE(windowCommand(kSites[5].name, "ニュースサイト"));
    EXPECT_TRUE(waitForSite(0, Q(kSites[5].name))) << shown(0).site.toStdString();
    QMenu* menu = openWindowMenu();
    ASSERT_NE(menu, nullptr);
    QAction* checked = menuEntry(menu, {"ニュースサイト", kSites[5].name});
    ASSERT_NE(checked, nullptr);
    EXPECT_TRUE(checked->isChecked()) << "the window's site menu checks the shown site";
    menu->hide();

    // Sites from the player's menu steer the skin panel, whose site the
    // player's site menu checks.
    site = siteIndex(shown(1).site);
    ASSERT_GE(site, 0);
    next = Q(kSites[(site + 1) % kSiteCount].name);
    ASSERT_TRUE(playerCommand({"PLYX Talo+", "次のニュースサイト"}));
    EXPECT_TRUE(waitForSite(1, next)) << shown(1).site.toStdString();
    ASSERT_TRUE(playerCommand({"PLYX Talo+", "ニュースサイト", kSites[1].name}));
    EXPECT_TRUE(waitForSite(1, Q(kSites[1].name))) << shown(1).site.toStdString();
    {
        auto plugins = playerMenu();
        for (const FirstRunSite& s : kSites) {
            QAction* entry = menuEntry(plugins.get(), {"PLYX Talo+", "ニュースサイト", s.name});
            ASSERT_NE(entry, nullptr) << s.name;
            EXPECT_TRUE(entry->isEnabled()) << s.name;
            EXPECT_EQ(entry->isChecked(), s.name == kSites[1].name) << s.name;
        }
    }

    // Offline from the player's menu, online again from the window's.
    ASSERT_TRUE(playerCommand({"PLYX Talo+", "オフライン"}));
    EXPECT_TRUE(PumpUntil([&] {
        auto m = playerMenu();
        return menuEntry(m.get(), {"PLYX Talo+", "オンライン"}) != nullptr;
    }));
    QWidget* update = skinButton("News Update");
    ASSERT_NE(update, nullptr);
    EXPECT_FALSE(update->isEnabled()) << "no update while offline";
    menu = openWindowMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_NE(findAction(menu, Q("オンライン")), nullptr);
    EXPECT_FALSE(findAction(menu, Q("ニュース更新"))->isEnabled()) << "no update while offline";
    menu->hide();
    ASSERT_TRUE(windowCommand("オンライン"));
    {
        auto m = playerMenu();
        EXPECT_NE(menuEntry(m.get(), {"PLYX Talo+", "オフライン"}), nullptr);
    }
    EXPECT_TRUE(update->isEnabled());
    menu = openWindowMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_NE(findAction(menu, Q("オフライン")), nullptr);
    EXPECT_TRUE(findAction(menu, Q("ニュース更新"))->isEnabled());
    menu->hide();

    // The property dialog from the player's menu: the third site gets
    // another URL and interval, and OK.
    ASSERT_TRUE(playerCommand({"PLYX Talo+", "プロパティ"}));
    ASSERT_TRUE(PumpUntil([] { return propertyDialog() != nullptr; }, 5000));
    QPointer<QDialog> dialog = propertyDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    auto* pages = dialog->findChild<QTabWidget*>();
    ASSERT_NE(pages, nullptr);
    QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {}, pages->tabBar()->tabRect(1).center());
    ASSERT_EQ(pages->currentIndex(), 1);
    auto* grid = dialog->findChild<QTreeWidget*>();
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->topLevelItemCount(), kSiteCount);
    QTreeWidgetItem* row = grid->topLevelItem(2);
    ASSERT_EQ(row->text(0), Q(kSites[2].name));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(row).center());
    ASSERT_TRUE(row->isSelected());

    QLineEdit* url = nullptr;
    for (QLineEdit* e : dialog->findChildren<QLineEdit*>())
        if (e->toolTip() == QStringLiteral("URL")) url = e;
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->text().toStdString(), address + kSites[2].path);
    std::string changedUrl = address + "utf8/?edition=evening";
    url->selectAll();
    type(url, QString::fromStdString(changedUrl));
    QComboBox* interval = nullptr;
    for (QComboBox* c : dialog->findChildren<QComboBox*>())
        if (c->isEditable()) interval = c;
    ASSERT_NE(interval, nullptr);
    interval->lineEdit()->selectAll();
    type(interval->lineEdit(), Q("5分"));
    EXPECT_EQ(row->text(1).toStdString(), changedUrl);
    EXPECT_EQ(row->text(2), Q("5分"));

    QPushButton* ok = nullptr;
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("OK")) ok = b;
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_TRUE(PumpUntil([&] { return dialog.isNull(); }, 5000)) << "OK closes the dialog";
    std::string changedKey = "Site/" + platform::Utf8ToSjis(kSites[2].name),
                changedValue = "\"" + changedUrl + "\",1,5";
    expectFirstRunSettingsBut(changedKey, changedValue, "after OK");

    // The player quits: the plug-ins stop and leave nothing behind.
    QPointer<QWidget> news = newsWindow();
    ASSERT_FALSE(news.isNull());
    quitPlayer();
    EXPECT_TRUE(news.isNull()) << "the news window goes with the engine";
    EXPECT_TRUE(shown(1).site.isEmpty()) << "the skin panels go with the engine";

    expectFirstRunSettingsBut(changedKey, changedValue, "after quitting");
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
}
