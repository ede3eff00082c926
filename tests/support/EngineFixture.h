#pragma once

// A headless player and an engine bound to it, in a folder of their own.

#include "engine/news/NewsGlobals.h"
#include "engine/news/TPLYXNews.h"
#include "host/PlyxPlayer.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/text/Cp932.h"

#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

inline std::string S(const char* utf8) {
    return platform::Utf8ToSjis(utf8);
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NEWS_REGISTRY", dir.file("registry.ini").c_str(), 1);
        platform::SetMessageHandler(
            [this](const std::string& text, platform::MessageKind, uint32_t) {
                boxes.push_back(text);
                return platform::ButtonOk;
            });
        platform::SetBeepHandler([](uint32_t) {});
        player = std::make_unique<PlyxPlayer>(PlyxPlayer::Options{6320, false, dir.file("plyx")});
    }
    void TearDown() override {
        news.reset();
        player.reset();
        pump();
        ResetGlobals();
        platform::SetMessageHandler(nullptr);
        platform::SetBeepHandler(nullptr);
    }
    std::string base() const { return dir.path().string() + "/"; }
    std::string settings() const { return dir.file("PLYXNews.ini"); }
    void writeSettings(const std::string& sjisText) { dir.write("PLYXNews.ini", sjisText); }
    TPLYXNews& start() {
        news = std::make_unique<TPLYXNews>(&mainControl, base());
        pump();
        return *news;
    }
    void pump() {
        for (int i = 0; i < 4; ++i)
            QCoreApplication::processEvents();
    }
    // Gives a site headlines as an update would: the header line first.
    static void fill(TNewsSite* site, int count) {
        site->Titles = {site->Name + " header"};
        site->Links = {site->URL};
        for (int k = 1; k <= count; ++k) {
            site->Titles.push_back(site->Name + " " + std::to_string(k));
            site->Links.push_back(site->URL + std::to_string(k) + ".html");
        }
    }

    testsupport::TempDir dir;
    QWidget mainControl;
    std::unique_ptr<PlyxPlayer> player;
    std::unique_ptr<TPLYXNews> news;
    std::vector<std::string> boxes;
};
