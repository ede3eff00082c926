// The property dialog on a real display, driven by keys and clicks as a
// person drives it.

#include "tests/property/PropertyFixture.h"

#include "tests/support/TempDir.h"

#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTabBar>

namespace {

class DialogScreenTest : public PropertyTest {
protected:
    TFormProperty& shown(int page) {
        news->PropertyPage = page;
        TFormProperty& form = open();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        return form;
    }
    static QWidget* focused() { return QApplication::focusWidget(); }
    // Text as an input method commits it: in one piece.
    static void commit(QWidget* to, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QApplication::sendEvent(to, &press);
    }
};

} // namespace

TEST_F(DialogScreenTest, ReturnInAFieldClosesNothingAndEscapeCancels) {
    writeSites({{"Alpha", "http://a.example/", true, 60}});
    start();
    TFormProperty& form = shown(1);
    form.ListViewNews->setCurrentItem(form.ListViewNews->topLevelItem(0));
    for (QLineEdit* edit : {form.EditSiteName, form.EditSiteURL}) {
        edit->setFocus();
        QTest::keyClicks(focused(), "x");
        QTest::keyClick(focused(), Qt::Key_Return);
        pump();
        ASSERT_TRUE(form.isVisible()) << edit->toolTip().toStdString();
    }
    for (QPushButton* button : form.findChildren<QPushButton*>())
        EXPECT_FALSE(button->isDefault() || button->autoDefault()) << button->text().toStdString();
    EXPECT_EQ(siteNames(), std::vector<std::string>{"Alpha"}) << "nothing saved";

    // Return on a button that has the focus presses it.
    form.BtnAdd->setFocus();
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(form.ListViewNews->topLevelItemCount(), 2);

    QTest::keyClick(focused(), Qt::Key_Escape);
    pump();
    EXPECT_FALSE(Globals().FormProperty);
    EXPECT_EQ(siteNames(), std::vector<std::string>{"Alpha"});
    EXPECT_EQ(news->Sites()->Items[0]->URL, "http://a.example/");
}

TEST_F(DialogScreenTest, TypingAfterAddReplacesTheMadeUpName) {
    writeSites({});
    start();
    TFormProperty& form = shown(1);
    click(form.BtnAdd);
    ASSERT_EQ(focused(), form.EditSiteName);
    QTest::keyClicks(focused(), "Evening");
    EXPECT_EQ(rowNames(form), std::vector<std::string>{"Evening"});
}

TEST_F(DialogScreenTest, CharactersTheSettingsCannotHoldAreRefusedInTheNameField) {
    writeSites({});
    start();
    TFormProperty& form = shown(1);
    struct {
        const char *typed, *face;
    } rows[] = {{"Sun", "\U0001F600"}, {"Moon", "\U0001F431"}};
    for (const auto& row : rows) {
        click(form.BtnAdd);
        QTest::keyClicks(focused(), row.typed);
        commit(focused(), QString::fromUtf8(row.face));
        EXPECT_EQ(form.EditSiteName->text(), row.typed) << "refused";
        commit(focused(), QStringLiteral("\u6708"));
        form.EditSiteURL->setText("http://a.example/");
    }
    ok(form);
    EXPECT_EQ(siteNames(), (std::vector<std::string>{S("Sun月"), S("Moon月")}));
}

TEST_F(DialogScreenTest, APlaceBeyondEveryScreenOpensOnTheNearestOne) {
    start();
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (auto stored : {std::make_pair(screen.right() + 500, 40), std::make_pair(40, 90000)}) {
        news->PropertyPosition = stored;
        TFormProperty& form = open();
        EXPECT_TRUE(screen.contains(QRect(form.pos(), form.size()))) << form.x() << "," << form.y();
        click(form.BtnCansel);
        pump();
    }
}

TEST_F(DialogScreenTest, TabWalksThePageInReadingOrderThenTheButtons) {
    writeSites({{"Alpha", "http://a.example/", true, 60}});
    start();
    struct {
        int page;
        std::vector<QWidget*> (*order)(TFormProperty&);
    } pages[] = {
        {0,
         [](TFormProperty& f) {
             return std::vector<QWidget*>{f.CheckBoxOnline,
                                          f.CheckBoxWindowEnabled,
                                          f.ComboBoxWindowLocation,
                                          f.BtnDesign,
                                          f.EditDesign,
                                          f.EditScrollSpeedWindow,
                                          f.EditScrollSpeedPanel,
                                          f.EditScrollStepWindow,
                                          f.EditScrollStepPanel,
                                          f.BtnOK,
                                          f.BtnCansel,
                                          f.BtnHelp};
         }},
        {1,
         [](TFormProperty& f) {
             return std::vector<QWidget*>{
                 f.ListViewNews, f.EditSiteName, f.EditSiteURL, f.ComboBoxInterval, f.BtnUp,
                 f.BtnDown,      f.BtnOpenURL,   f.BtnGetURL,   f.BtnAdd,           f.BtnDel,
                 f.BtnOK,        f.BtnCansel,    f.BtnHelp};
         }},
    };
    for (const auto& p : pages) {
        TFormProperty& form = shown(p.page);
        std::vector<QWidget*> want = p.order(form);
        std::vector<QWidget*> seen{focused()};
        for (size_t k = 1; k < want.size(); ++k) {
            QTest::keyClick(focused(), Qt::Key_Tab);
            seen.push_back(focused());
        }
        for (QWidget*& w : seen)
            if (w && w->parentWidget() && qobject_cast<QComboBox*>(w->parentWidget()))
                w = w->parentWidget(); // the editable combo's line edit
        EXPECT_EQ(seen, want) << "page " << p.page;
        QTest::keyClick(focused(), Qt::Key_Tab);
        EXPECT_TRUE(qobject_cast<QTabBar*>(focused())) << "the page tabs come last";
        click(form.BtnCansel);
        pump();
    }
}

TEST_F(DialogScreenTest, TheButtonsReadOKCancelHelp) {
    start();
    TFormProperty& form = open();
    EXPECT_EQ(form.BtnOK->text(), "OK");
    EXPECT_EQ(form.BtnCansel->text(), "Cancel");
    EXPECT_EQ(form.BtnHelp->text(), "Help");
}

TEST_F(DialogScreenTest, ScreenReadersFindANameForEveryControlAndTheHintAsItsDescription) {
    writeSites({{"Alpha", "http://a.example/", true, 60}});
    start();
    TFormProperty& form = open();
    for (int page : {0, 1}) {
        form.PageControl->setCurrentIndex(page);
        for (QWidget* w : form.findChildren<QWidget*>()) {
            if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus || w->focusProxy()) continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            ASSERT_TRUE(a);
            EXPECT_FALSE(a->text(QAccessible::Name).isEmpty())
                << w->metaObject()->className() << " " << w->toolTip().toStdString();
            if (!w->toolTip().isEmpty()) {
                EXPECT_EQ(a->text(QAccessible::Description), w->toolTip());
            }
        }
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.BtnUp)->text(QAccessible::Name),
              Q("上へ移動"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.EditSiteName)->text(QAccessible::Name),
              Q("サイト名"));
}
