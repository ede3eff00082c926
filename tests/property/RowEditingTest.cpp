#include "tests/property/PropertyFixture.h"

#include "tests/support/EventPump.h"
#include "tests/support/RecordingBrowser.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QTimer>

#include <filesystem>

namespace {

class RowEditingTest : public PropertyTest {
protected:
    TFormProperty& openWith(const std::vector<SiteRow>& sites) {
        writeSites(sites);
        start();
        return open();
    }
};

const std::vector<SiteRow> kThree = {{"Alpha", "http://a.example/", true, 60},
                                     {"Beta", "http://b.example/", false, 90},
                                     {"Gamma", "http://c.example/", true, 0}};

} // namespace

TEST_F(RowEditingTest, AddTakesTheFirstFreeNumberAndSelectsTheNewRow) {
    TFormProperty& form = openWith({});
    for (int i = 0; i < 3; ++i)
        click(form.BtnAdd);
    EXPECT_EQ(rowNames(form),
              (std::vector<std::string>{"News Site #1", "News Site #2", "News Site #3"}));
    selectRow(form, 1);
    click(form.BtnDel);
    click(form.BtnAdd);
    EXPECT_EQ(rowNames(form),
              (std::vector<std::string>{"News Site #1", "News Site #3", "News Site #2"}));
    QTreeWidgetItem* added = form.ListViewNews->topLevelItem(2);
    EXPECT_TRUE(added->isSelected());
    EXPECT_EQ(added->checkState(0), Qt::Unchecked);
    EXPECT_EQ(added->text(1), "");
    EXPECT_EQ(added->text(2), Q("1時間"));
    EXPECT_EQ(form.EditSiteName->text(), "News Site #2");
    // Only a whole caption counts as taken.
    type(form.EditSiteName, "News Site #40");
    click(form.BtnAdd);
    EXPECT_EQ(rowNames(form).back(), "News Site #2");
}

TEST_F(RowEditingTest, DeleteSelectsTheRowNowAtTheSamePlaceOrTheLastOne) {
    TFormProperty& form = openWith(kThree);
    click(form.BtnDel);
    EXPECT_EQ(rowNames(form).size(), 3u) << "nothing selected, nothing deleted";
    selectRow(form, 0);
    click(form.BtnDel);
    EXPECT_EQ(rowNames(form), (std::vector<std::string>{"Beta", "Gamma"}));
    EXPECT_EQ(form.EditSiteName->text(), "Beta");
    selectRow(form, 1);
    click(form.BtnDel);
    EXPECT_EQ(form.EditSiteName->text(), "Beta") << "the last row went: the new last one";
    click(form.BtnDel);
    EXPECT_EQ(form.ListViewNews->topLevelItemCount(), 0);
    EXPECT_EQ(form.EditSiteName->text(), "");
    EXPECT_EQ(form.EditSiteURL->text(), "");
    EXPECT_EQ(form.ComboBoxInterval->currentText(), Q("1時間"));
}

TEST_F(RowEditingTest, TheEditsShowTheSelectedRowAndChangeIt) {
    TFormProperty& form = openWith(kThree);
    selectRow(form, 1);
    EXPECT_EQ(form.EditSiteName->text(), "Beta");
    EXPECT_EQ(form.EditSiteURL->text(), "http://b.example/");
    EXPECT_EQ(form.ComboBoxInterval->currentText(), Q("90分"));

    type(form.EditSiteName, "Bravo");
    type(form.EditSiteURL, "http://bravo.example/");
    QTreeWidgetItem* row = form.ListViewNews->topLevelItem(1);
    EXPECT_EQ(row->text(0), "Bravo");
    EXPECT_EQ(row->text(1), "http://bravo.example/");

    struct {
        const char* typed;
        const char* shown;
    } intervals[] = {{"90分", "90分"},  {"2時間", "2時間"}, {"120分", "2時間"},
                     {"abc", "起動時"}, {"", "起動時"},     {"3時間半", "起動時"}};
    for (const auto& c : intervals) {
        form.ComboBoxInterval->setEditText(Q(c.typed));
        EXPECT_EQ(row->text(2), Q(c.shown)) << c.typed;
    }
    form.ListViewNews->clearSelection();
    EXPECT_EQ(form.EditSiteName->text(), "");
    EXPECT_EQ(form.ComboBoxInterval->currentText(), Q("1時間"));
    type(form.EditSiteName, "Nobody");
    EXPECT_EQ(rowNames(form), (std::vector<std::string>{"Alpha", "Bravo", "Gamma"}))
        << "without a selection the edits change no row";
}

TEST_F(RowEditingTest, UpAndDownMoveTheWholeRowAndStopAtTheEnds) {
    TFormProperty& form = openWith(kThree);
    selectRow(form, 2);
    click(form.BtnUp);
    click(form.BtnUp);
    click(form.BtnUp);
    EXPECT_EQ(rowNames(form), (std::vector<std::string>{"Gamma", "Alpha", "Beta"}));
    QTreeWidgetItem* moved = form.ListViewNews->topLevelItem(0);
    EXPECT_TRUE(moved->isSelected());
    EXPECT_EQ(moved->text(1), "http://c.example/");
    EXPECT_EQ(moved->text(2), Q("起動時"));
    EXPECT_EQ(moved->checkState(0), Qt::Checked);
    selectRow(form, 1);
    click(form.BtnDown);
    click(form.BtnDown);
    EXPECT_EQ(rowNames(form), (std::vector<std::string>{"Gamma", "Beta", "Alpha"}));
    EXPECT_TRUE(form.ListViewNews->topLevelItem(2)->isSelected());
    EXPECT_EQ(form.EditSiteName->text(), "Alpha");
}

TEST_F(RowEditingTest, TheURLOpensInTheBrowserFromTheButtonAndOnDoubleClick) {
    testsupport::RecordingBrowser browser("%BROWSER% %u");
    TFormProperty& form = openWith(kThree);
    selectRow(form, 1);
    click(form.BtnOpenURL);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.started(); }));
    EXPECT_EQ(browser.arguments(), "http://b.example/\n");
    browser.forget();

    form.PageControl->setCurrentIndex(1);
    QTreeWidgetItem* row = form.ListViewNews->topLevelItem(2);
    QRect cell = form.ListViewNews->visualItemRect(row);
    QWidget* viewport = form.ListViewNews->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, cell.center());
    ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.started(); }));
    EXPECT_EQ(browser.arguments(), "http://c.example/\n");
}

TEST_F(RowEditingTest, GetURLTakesTheURLInHandIntoTheSelectedRow) {
    TFormProperty& form = openWith(kThree);
    selectRow(form, 0);
    QGuiApplication::clipboard()->setText("  https://news.example/top  ");
    click(form.BtnGetURL);
    EXPECT_EQ(form.EditSiteURL->text(), "https://news.example/top");
    EXPECT_EQ(form.ListViewNews->topLevelItem(0)->text(1), "https://news.example/top");
}

TEST_F(RowEditingTest, GetURLWithNoPageInHandKeepsTheRowsURL) {
    TFormProperty& form = openWith(kThree);
    selectRow(form, 0);
    for (const char* clipboard : {"", "  ", "not a link", "ftp://files.example/", "http://a b/"}) {
        QGuiApplication::clipboard()->setText(clipboard);
        click(form.BtnGetURL);
        EXPECT_EQ(form.EditSiteURL->text(), "http://a.example/") << clipboard;
    }
    ok(form);
    TNewsSite* site = news->Sites()->Find("Alpha");
    ASSERT_TRUE(site);
    EXPECT_EQ(site->URL, "http://a.example/");
    EXPECT_TRUE(site->Enabled) << "a site that lost its URL would be saved disabled";
}

TEST_F(RowEditingTest, TheDesignDialogStartsInNewsDesignOnlyWithoutAPath) {
    TFormProperty& form = openWith({});
    click(form.BtnDesign);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].InitialDir, "") << "no NewsDesign folder yet";

    std::filesystem::create_directory(dir.file("NewsDesign"));
    click(form.BtnDesign);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].InitialDir, base() + "NewsDesign");
    EXPECT_EQ(asked[1].FileName, "");
    EXPECT_EQ(asked[1].Title, S("デザイン"));
    EXPECT_EQ(asked[1].DefaultExt, "plyxd");
    EXPECT_EQ(asked[1].Filter, S("デザイン(*.plyxd)|*.plyxd|すべてのファイル(*.*)|*.*"));
    EXPECT_TRUE(asked[1].HideReadOnly && asked[1].PathMustExist && asked[1].FileMustExist &&
                asked[1].EnableSizing);
    EXPECT_EQ(form.EditDesign->text(), "") << "cancelled";

    chosen = S("/designs/夜.plyxd");
    click(form.BtnDesign);
    EXPECT_EQ(form.EditDesign->text(), Q("/designs/夜.plyxd"));
    EXPECT_EQ(news->Design, "") << "nothing changes before OK";
    click(form.BtnDesign);
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[3].InitialDir, "");
    EXPECT_EQ(asked[3].FileName, S("/designs/夜.plyxd"));
}

TEST_F(RowEditingTest, AnInstalledPlayerKeepsItsDesignsInThePluginFolder) {
    TFormProperty& form = openWith({});
    std::filesystem::create_directories(dir.file("Plugin/NewsDesign"));
    click(form.BtnDesign);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].InitialDir, base() + "Plugin/NewsDesign");

    std::filesystem::create_directory(dir.file("NewsDesign"));
    click(form.BtnDesign);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].InitialDir, base() + "NewsDesign") << "the player's own folder first";
}

TEST(NameFilters, TheFilterTextBecomesQtNameFilters) {
    struct {
        const char* filter;
        QStringList want;
    } cases[] = {
        {"デザイン(*.plyxd)|*.plyxd|すべてのファイル(*.*)|*.*",
         {Q("デザイン(*.plyxd) (*.plyxd)"), Q("すべてのファイル(*.*) (*)")}},
        {"Pictures|*.bmp;*.jpg", {"Pictures (*.bmp *.jpg)"}},
        {"Dangling|", {}},
        {"Odd", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtNameFilters(S(c.filter)), c.want) << c.filter;
}

TEST_F(RowEditingTest, AChosenDesignWhoseNameTheSettingsCannotHoldIsNotTaken) {
    TFormProperty& form = openWith({});
    form.OpenDialog.Runner = nullptr; // the real file dialog, answered below
    struct {
        const char* name; // UTF-8, as the file system has it
        const char* shown;
    } cases[] = {{"夜.plyxd", "夜.plyxd"}, {"caf\xC3\xA9.plyxd", "夜.plyxd"}};
    for (const auto& c : cases) {
        std::string file = dir.write(c.name, "[Form]\r\n");
        // Answered as soon as it is up; closed unanswered should that fail.
        QTimer answer, giveUp;
        answer.setSingleShot(true);
        giveUp.setSingleShot(true);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                d->selectFile(QString::fromStdString(file));
                static_cast<QDialog*>(d)->accept();
            }
        });
        QObject::connect(&giveUp, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        answer.start(0);
        giveUp.start(10000);
        click(form.BtnDesign);
        EXPECT_EQ(form.EditDesign->text(), QString::fromStdString(base()) + Q(c.shown)) << c.name;
    }
    ASSERT_EQ(boxes.size(), 1u) << "the user is told why the file was not taken";
    EXPECT_NE(boxes[0].find("caf"), std::string::npos);
    ok(form);
    EXPECT_EQ(news->Design, base() + S("夜.plyxd"));
}
