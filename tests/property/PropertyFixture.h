#pragma once

// The engine against a headless player, with the property dialog
// registered, and helpers to open and drive the dialog.

#include "engine/property/TFormProperty.h"

#include "engine/news/NewsWindowLink.h"
#include "tests/support/EngineFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <string>
#include <vector>

inline QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

struct SiteRow {
    std::string name, url;
    bool enabled;
    int interval;
};

class PropertyTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        RegisterPropertyDialog();
    }

    // Settings of the current version with these sites, offline so that
    // nothing is fetched unless a test asks.
    void writeSites(const std::vector<SiteRow>& sites, bool online = false) {
        std::string text =
            "[PLYXNews]\r\nVersion=6320\r\nOnline=" + std::string(online ? "1" : "0") +
            "\r\n[Site]\r\n";
        for (const SiteRow& s : sites)
            text += s.name + "=\"" + s.url + "\"," + (s.enabled ? "1" : "0") + "," +
                    std::to_string(s.interval) + "\r\n";
        writeSettings(text);
    }

    TFormProperty& open() {
        EXPECT_TRUE(news->ShowProperty());
        auto* form = dynamic_cast<TFormProperty*>(Globals().FormProperty.data());
        if (!form) throw std::runtime_error("no property dialog");
        form->OpenDialog.Runner = [this](TOpenDialog& d) {
            asked.push_back(d);
            if (chosen.empty()) return false;
            d.FileName = chosen;
            return true;
        };
        return *form;
    }

    static void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static void type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    static std::vector<std::string> rowNames(TFormProperty& form) {
        std::vector<std::string> out;
        for (int i = 0; i < form.ListViewNews->topLevelItemCount(); ++i)
            out.push_back(form.ListViewNews->topLevelItem(i)->text(0).toStdString());
        return out;
    }
    std::vector<std::string> siteNames() const {
        std::vector<std::string> out;
        for (const auto& site : news->Sites()->Items)
            out.push_back(site->Name);
        return out;
    }
    static void selectRow(TFormProperty& form, int index) {
        QTreeWidgetItem* row = form.ListViewNews->topLevelItem(index);
        form.ListViewNews->setCurrentItem(row);
    }
    // OK, and the posted destruction.
    void ok(TFormProperty& form) {
        click(form.BtnOK);
        pump();
    }

    std::vector<TOpenDialog> asked;
    std::string chosen;
};

// A news window that writes down the site order each time the engine asks
// it to rebuild its site submenu. The engine deletes it with its form.
class FakeNewsWindow : public QWidget, public INewsWindow {
public:
    QWidget* Form() override { return this; }
    platform::HWND Handle() const override { return 0; }
    void Setup() override {}
    void LoadDesign(const std::string& fileName) override { loaded.push_back(fileName); }
    void ShowOnline(bool) override {}
    void SetUpdating(bool) override {}
    void ShowDateTime(const QDateTime&) override {}
    void ApplyStayOnTop(bool on) override { stayOnTop.push_back(on); }
    void SetLocation(int) override {}
    void FollowPlayer(int, int) override {}
    void BuildSiteSubmenu() override {
        menu.clear();
        for (const auto& site : Globals().NewsSites->Items)
            menu.push_back(site->Name);
    }

    std::vector<std::string> menu;
    std::vector<std::string> loaded;
    std::vector<bool> stayOnTop;
};
