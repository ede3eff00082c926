#include "tests/property/PropertyFixture.h"

#include "tests/support/EventPump.h"
#include "tests/support/RecordingBrowser.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>

namespace {

class DialogTest : public PropertyTest {};

} // namespace

TEST_F(DialogTest, ControlsStartWithTheEnginesSettingsAndSites) {
    writeSites({{"Alpha", "http://a.example/", true, 0},
                {S("朝刊"), "http://b.example/", false, 90},
                {"Gamma", "", false, 120}});
    start();
    news->Online = true;
    news->WindowEnabled = true;
    news->StayOnTop = true;
    news->WindowLocation = 3;
    news->Design = S("/designs/青.plyxd");
    news->Speed = {70, 30};
    news->Step = {-2, 4};
    QDateTime now = QDateTime::currentDateTime();
    news->Sites()->Get(0)->Status = {now, now, 12, ""};
    news->Sites()->Get(1)->Status = {now, {}, 0, "HTTP status 404"};
    TFormProperty& form = open();

    EXPECT_EQ(form.windowTitle(), "PLYX Talo+");
    EXPECT_EQ(form.PageControl->tabText(0), "Property");
    EXPECT_EQ(form.PageControl->tabText(1), "News Site");
    EXPECT_TRUE(form.CheckBoxOnline->isChecked());
    EXPECT_TRUE(form.CheckBoxWindowEnabled->isChecked());
    EXPECT_TRUE(form.CheckBoxStayOnTop->isChecked());
    EXPECT_FALSE(form.CheckBoxStayOnTop->isVisible());
    EXPECT_EQ(form.ComboBoxWindowLocation->currentText(), Q("プレイヤー左"));
    EXPECT_EQ(form.EditDesign->text(), Q("/designs/青.plyxd"));
    EXPECT_EQ(form.EditScrollSpeedWindow->text(), "70");
    EXPECT_EQ(form.EditScrollStepWindow->text(), "-2");
    EXPECT_EQ(form.EditScrollSpeedPanel->text(), "30");
    EXPECT_EQ(form.EditScrollStepPanel->text(), "4");

    ASSERT_EQ(form.ListViewNews->topLevelItemCount(), 3);
    struct {
        const char *name, *url, *interval, *status;
        bool checked;
    } want[] = {{"Alpha", "http://a.example/", "起動時", "見出し 12 件", true},
                {"朝刊", "http://b.example/", "90分", "失敗: HTTP status 404", false},
                {"Gamma", "", "2時間", "未取得", false}};
    for (int i = 0; i < 3; ++i) {
        QTreeWidgetItem* row = form.ListViewNews->topLevelItem(i);
        EXPECT_EQ(row->text(0), Q(want[i].name));
        EXPECT_EQ(row->text(1), Q(want[i].url));
        EXPECT_EQ(row->text(2), Q(want[i].interval));
        EXPECT_TRUE(row->text(3).startsWith(Q(want[i].status))) << row->text(3).toStdString();
        EXPECT_EQ(row->toolTip(0), row->text(3)) << "the status is the row's hint too";
        EXPECT_EQ(row->checkState(0) == Qt::Checked, want[i].checked) << want[i].name;
    }
    EXPECT_EQ(form.ComboBoxInterval->currentText(), Q("1時間")) << "nothing selected yet";
}

TEST_F(DialogTest, TheDialogOpensAtItsStoredPlaceOrCentredWhenEitherHalfIsNegative) {
    start();
    QRect screen = QGuiApplication::primaryScreen()->geometry();
    struct {
        std::pair<int, int> stored;
        bool centred;
    } cases[] = {
        {{30, 40}, false}, {{0, 0}, false}, {{-1, 40}, true}, {{30, -1}, true}, {{-1, -1}, true}};
    for (const auto& c : cases) {
        news->PropertyPosition = c.stored;
        TFormProperty& form = open();
        QPoint want = c.centred ? screen.center() - QPoint(form.width() / 2, form.height() / 2)
                                : QPoint(c.stored.first, c.stored.second);
        EXPECT_EQ(form.pos(), want) << c.stored.first << "," << c.stored.second;
        click(form.BtnCansel);
        pump();
    }
}

TEST_F(DialogTest, ItOpensOnTheRememberedPage) {
    start();
    news->PropertyPage = 1;
    EXPECT_EQ(open().PageControl->currentIndex(), 1);
}

TEST_F(DialogTest, EveryWayOfClosingRemembersPlaceAndPageAndChangesNothingElse) {
    writeSites({{"Alpha", "http://a.example/", true, 60}});
    for (const char* way : {"Cansel", "Escape", "close"}) {
        start();
        news->Online = true;
        TFormProperty& form = open();
        form.move(50, 60);
        form.PageControl->setCurrentIndex(1);
        form.CheckBoxOnline->setChecked(false);
        click(form.BtnAdd);
        form.EditScrollSpeedWindow->setText("999");
        if (std::string(way) == "Cansel")
            click(form.BtnCansel);
        else if (std::string(way) == "Escape")
            QTest::keyClick(&form, Qt::Key_Escape);
        else
            form.close();
        ASSERT_TRUE(Globals().FormProperty) << way << ": destroyed later, not in its own handler";
        pump();
        EXPECT_FALSE(Globals().FormProperty) << way;
        EXPECT_EQ(news->PropertyPosition, std::make_pair(50, 60)) << way;
        EXPECT_EQ(news->PropertyPage, 1) << way;
        EXPECT_TRUE(news->Online) << way;
        EXPECT_EQ(news->Speed[0], 50) << way;
        EXPECT_EQ(siteNames(), std::vector<std::string>{"Alpha"}) << way;
        news.reset(); // saves
        std::string text = testsupport::ReadAll(settings());
        EXPECT_NE(text.find("PropertyPosition=50,60\r\n"), std::string::npos) << way;
        EXPECT_NE(text.find("PropertyPage=1\r\n"), std::string::npos) << way;
        writeSites({{"Alpha", "http://a.example/", true, 60}});
    }
}

TEST_F(DialogTest, OneDialogAtATimeAndTheEngineTakesAnOpenOneWithIt) {
    start();
    TFormProperty& first = open();
    TFormProperty& again = open();
    EXPECT_EQ(&first, &again);
    EXPECT_EQ(first.parentWidget(), &mainControl) << "it stays above the player";
    EXPECT_TRUE(first.isVisible());
    EXPECT_FALSE(first.isModal());
    QPointer<QWidget> watch = &first;
    news.reset();
    EXPECT_FALSE(watch);
    EXPECT_FALSE(Globals().FormProperty);
}

TEST_F(DialogTest, WithoutARegisteredMakerThereIsNoDialog) {
    start();
    Globals().MakeProperty = nullptr;
    EXPECT_FALSE(news->ShowProperty());
    EXPECT_FALSE(Globals().FormProperty);
}

TEST_F(DialogTest, HelpOpensTheHelpFile) {
    testsupport::RecordingBrowser browser;
    dir.write("PLYXNews.html", "<html></html>");
    start();
    TFormProperty& form = open();
    click(form.BtnHelp);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.opened(); }));
    EXPECT_EQ(browser.openedTarget(), dir.file("PLYXNews.html") + "\n");
    EXPECT_TRUE(form.isVisible()) << "help leaves the dialog open";
}

// Every text the dialog shows is drawn from the IPA Gothic its Japanese
// font maps to, so none shows as a missing-glyph box.
TEST_F(DialogTest, EveryCaptionAndHintIsInTheDialogsFont) {
    start();
    TFormProperty& form = open();
    EXPECT_EQ(QFontInfo(form.font()).family(), "IPAPGothic");
    QStringList texts;
    for (QWidget* w : form.findChildren<QWidget*>()) {
        texts << w->toolTip();
        if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
    }
    for (int c = 0; c < 3; ++c)
        texts << form.ListViewNews->headerItem()->text(c);
    QFontMetrics metrics(form.font());
    int japanese = 0;
    for (const QString& text : texts)
        for (char32_t c : text.toUcs4()) {
            EXPECT_TRUE(metrics.inFontUcs4(c)) << text.toStdString();
            if (c > 0x7F) ++japanese;
        }
    EXPECT_GT(japanese, 100);
}

TEST_F(DialogTest, SpeedButtonsAndTheFormHaveDrawnPictures) {
    start();
    TFormProperty& form = open();
    EXPECT_FALSE(form.windowIcon().isNull());
    for (QToolButton* button : {form.BtnUp, form.BtnDown, form.BtnOpenURL}) {
        QIcon icon = button->icon();
        QImage normal = icon.pixmap(16, 16, QIcon::Normal).toImage();
        QImage disabled = icon.pixmap(16, 16, QIcon::Disabled).toImage();
        QImage pressed = icon.pixmap(16, 16, QIcon::Active).toImage();
        EXPECT_FALSE(normal.isNull());
        EXPECT_NE(normal, disabled);
        EXPECT_NE(normal, pressed);
    }
}

// The player may unload the plug-in while one of the dialog's own modal
// boxes is up: the handler that opened it must not touch what went.
TEST_F(DialogTest, TheEngineGoingWhileAFileDialogIsUpEndsTheHandlerQuietly) {
    start();
    TFormProperty& form = open();
    QPointer<QWidget> watch = &form;
    form.OpenDialog.Runner = [this](TOpenDialog&) {
        news.reset();
        return true;
    };
    click(form.BtnDesign);
    EXPECT_FALSE(watch);
}

TEST_F(DialogTest, TheEngineGoingWhileAMessageBoxIsUpEndsOKQuietly) {
    start();
    TFormProperty& form = open();
    QPointer<QWidget> watch = &form;
    player->Design = dir.file("missing-folder/skin.ini");
    platform::SetMessageHandler([this](const std::string&, platform::MessageKind, uint32_t) {
        news.reset();
        return platform::ButtonOk;
    });
    form.CheckBoxOnline->setChecked(false);
    form.ListViewNews->topLevelItem(1)->setCheckState(0, Qt::Checked);
    type(form.EditScrollStepPanel, "-7");
    click(form.BtnOK);
    EXPECT_FALSE(watch);
    EXPECT_FALSE(news);
}
