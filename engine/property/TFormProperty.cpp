#include "engine/property/TFormProperty.h"

#include "engine/inet/Browser.h"
#include "engine/news/IntervalText.h"
#include "engine/news/NewsGlobals.h"
#include "engine/news/SiteValue.h"
#include "engine/news/TPLYXNews.h"
#include "engine/property/PropertyGlyphs.h"
#include "platform/controls/Controls.h"
#include "platform/controls/OnScreen.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/fs/FileSystem.h"
#include "platform/ini/FileReplace.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/ini/TMemIniFile.h"
#include "platform/text/Cp932.h"
#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <vector>

using namespace platform;

namespace {

QString ui(const std::string& sjis) {
    return QString::fromStdU16String(SjisToUtf16(sjis));
}

// Captions pass through code page 932 like every text the form shows.
QString jp(const char* utf8) {
    return ui(Utf8ToSjis(utf8));
}

std::string sjisOf(const QString& text) {
    return Utf16ToSjis(text.toStdU16String());
}

// A row keeps the bytes it was filled with, so text that would not survive
// the trip through the widget (malformed Shift_JIS) still finds its site.
constexpr int kBytesRole = Qt::UserRole;

std::string rowText(const QTreeWidgetItem* row, int column) {
    QVariant bytes = row->data(column, kBytesRole);
    if (bytes.isValid()) {
        std::string original = bytes.toByteArray().toStdString();
        if (ui(original) == row->text(column)) return original;
    }
    return sjisOf(row->text(column));
}

void setRowText(QTreeWidgetItem* row, int column, const std::string& sjis) {
    row->setText(column, ui(sjis));
    row->setData(column, kBytesRole, QByteArray::fromStdString(sjis));
}

std::string lineText(const QLineEdit* edit) {
    return sjisOf(edit->text());
}

template <typename T> T* place(T* widget, int left, int top, int width, int height) {
    widget->setGeometry(left, top, width, height);
    return widget;
}

// A label standing just above the control it names, as a labelled edit has.
QLabel* labelAbove(QWidget* parent, const char* caption, int left, int top) {
    auto* label = new QLabel(jp(caption), parent);
    label->adjustSize();
    label->move(left, top - label->height() - 3);
    return label;
}

// Writes the skin ticker's speed and step into section "Strevo" of the
// player's design in one replacement of the file, changing only those
// three lines; a design that is a picture stays as it is. False with errno
// when it cannot be written.
bool writeStrevoKeys(const std::string& design, int speed, int step) {
    std::string text;
    if (!ReadRegularFile(design, text, kMaxSettingsFileBytes) && errno != ENOENT) return false;
    // The player also takes a plain picture as its design; pictures hold
    // NUL bytes, settings text never does. There is no skin ticker in it.
    if (text.find('\0') != std::string::npos) return true;
    long long level = std::llabs(static_cast<long long>(step));
    std::optional<std::string> edited =
        EditProfileText(text, "Strevo", "Option", "Scroll=" + std::to_string(speed));
    if (edited) edited = EditProfileText(*edited, "Strevo", "Alignment", step < 0 ? "0" : "1");
    if (edited) edited = EditProfileText(*edited, "Strevo", "Level", std::to_string(level));
    if (!edited) {
        errno = EINVAL;
        return false;
    }
    return *edited == text || ReplaceFileBytes(design, *edited);
}

constexpr int kLineHeight = 21;

// Refuses characters the settings file cannot hold: two names differing
// only in them would be saved as one site. A character it holds in another
// form (a wave dash) takes that form, so the name shows what is saved.
class SjisValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        QString held;
        for (qsizetype i = 0; i < input.size(); ++i) {
            char32_t c = input[i].unicode();
            // Stored bytes that were no Shift_JIS show as U+FFFD; the row
            // keeps them.
            if (c == 0xFFFD) {
                held += input[i];
                continue;
            }
            if (input[i].isSurrogate()) {
                if (!input[i].isHighSurrogate() || i + 1 == input.size() ||
                    !input[i + 1].isLowSurrogate())
                    return Invalid;
                c = QChar::surrogateToUcs4(input[i], input[i + 1]);
                ++i;
            }
            uint16_t code = UnicodeToSjis(c);
            if (code == 0) return Invalid;
            std::string bytes = code < 256 ? std::string(1, static_cast<char>(code))
                                           : std::string{static_cast<char>(code >> 8),
                                                         static_cast<char>(code & 0xFF)};
            held += QString::fromStdU16String(SjisToUtf16(bytes));
        }
        if (held.size() == input.size()) input = held;
        return Acceptable;
    }
};

} // namespace

TFormProperty::TFormProperty(QWidget* owner, TPLYXNews& news) : QDialog(owner), news_(news) {
    setWindowTitle(QStringLiteral("PLYX Talo+"));
    setWindowIcon(MakePropertyGlyph(PropertyGlyph::Form));
    TFont font;
    font.Name = Utf8ToSjis("ＭＳ Ｐゴシック");
    font.Charset = 128;
    font.Height = -12;
    setFont(ToQFont(font));
    resize(400, 400);

    PageControl = new QTabWidget(this);
    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(36);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PageControl);
    layout->addWidget(Panel1);
    buildPropertyPage();
    buildSitePage();
    BtnOK = place(new QPushButton(QStringLiteral("OK"), Panel1), 165, 5, 70, 25);
    BtnCansel = place(new QPushButton(QStringLiteral("Cancel"), Panel1), 240, 5, 70, 25);
    BtnHelp = place(new QPushButton(QStringLiteral("Help"), Panel1), 315, 5, 70, 25);
    connect(BtnOK, &QPushButton::clicked, this, [this] { BtnOKClick(); });
    connect(BtnCansel, &QPushButton::clicked, this, [this] { BtnCanselClick(); });
    connect(BtnHelp, &QPushButton::clicked, this, [this] { BtnHelpClick(); });
    // Return in a field must not close the dialog: no button is the default.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
    // Tab goes through the page in reading order, then the buttons, then
    // the page tabs.
    QWidget* order[] = {CheckBoxOnline,
                        CheckBoxWindowEnabled,
                        ComboBoxWindowLocation,
                        BtnDesign,
                        EditDesign,
                        EditScrollSpeedWindow,
                        EditScrollSpeedPanel,
                        EditScrollStepWindow,
                        EditScrollStepPanel,
                        ListViewNews,
                        EditSiteName,
                        EditSiteURL,
                        ComboBoxInterval,
                        BtnUp,
                        BtnDown,
                        BtnOpenURL,
                        BtnGetURL,
                        BtnAdd,
                        BtnDel,
                        BtnOK,
                        BtnCansel,
                        BtnHelp,
                        PageControl};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    nameForScreenReaders();

    OpenDialog.Title = Utf8ToSjis("デザイン");
    OpenDialog.DefaultExt = "plyxd";
    OpenDialog.Filter = Utf8ToSjis("デザイン(*.plyxd)|*.plyxd|すべてのファイル(*.*)|*.*");
    OpenDialog.HideReadOnly = true;
    OpenDialog.PathMustExist = true;
    OpenDialog.FileMustExist = true;
    OpenDialog.EnableSizing = true;

    fillFromEngine();
}

void TFormProperty::nameForScreenReaders() {
    struct {
        QWidget* field;
        const char* name;
    } fields[] = {{EditDesign, "デザイン"},
                  {EditScrollSpeedWindow, "スクロール速度 ウィンドウ [ms]"},
                  {EditScrollSpeedPanel, "スクロール速度 パネル [ms]"},
                  {EditScrollStepWindow, "スクロールステップ ウィンドウ [dot]"},
                  {EditScrollStepPanel, "スクロールステップ パネル [dot]"},
                  {ListViewNews, "ニュースサイト"},
                  {EditSiteName, "サイト名"},
                  {EditSiteURL, "URL"},
                  {ComboBoxInterval, "更新間隔"}};
    for (const auto& f : fields)
        f.field->setAccessibleName(jp(f.name));
    // Buttons with a picture only, and the rest, take their hint.
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->toolTip().isEmpty()) continue;
        w->setAccessibleDescription(w->toolTip());
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (w->accessibleName().isEmpty() && (!button || button->text().isEmpty()))
            w->setAccessibleName(w->toolTip());
    }
}

void TFormProperty::buildPropertyPage() {
    TabSheetProperty = new QWidget;
    PageControl->addTab(TabSheetProperty, QStringLiteral("Property"));
    QWidget* page = TabSheetProperty;

    CheckBoxOnline = place(new QCheckBox(jp("オンライン"), page), 5, 5, 100, 17);
    CheckBoxOnline->setToolTip(jp("オンライン/オフライン 切り替え"));
    // Not for the user: it only carries the engine's value through OK.
    CheckBoxStayOnTop = place(new QCheckBox(jp("一番上に表示"), page), 115, 10, 97, 17);
    CheckBoxStayOnTop->setVisible(false);
    CheckBoxWindowEnabled = place(new QCheckBox(jp("ウィンドウ表示"), page), 5, 30, 100, 17);
    CheckBoxWindowEnabled->setToolTip(jp("ニュースウィンドウ表示"));
    ComboBoxWindowLocation = place(new QComboBox(page), 115, 30, 101, kLineHeight);
    ComboBoxWindowLocation->setToolTip(jp("ニュースウィンドウ表示位置"));
    for (const char* item :
         {"フリー", "プレイヤー上", "プレイヤー下", "プレイヤー左", "プレイヤー右", "相対位置"})
        ComboBoxWindowLocation->addItem(jp(item));

    BtnDesign = place(new QPushButton(jp("デザイン..."), page), 5, 60, 101, 25);
    BtnDesign->setToolTip(jp("ニュースウィンドウデザイン"));
    connect(BtnDesign, &QPushButton::clicked, this, [this] { BtnDesignClick(); });
    EditDesign = place(new QLineEdit(page), 115, 60, 181, kLineHeight);

    Label1 = new QLabel(jp("スクロール速度 [ms]"), page);
    Label1->adjustSize();
    Label1->move(5, 110);
    EditScrollSpeedWindow = place(new QLineEdit(page), 150, 105, 51, kLineHeight);
    labelAbove(page, "ウィンドウ", 150, 105);
    EditScrollSpeedPanel = place(new QLineEdit(page), 210, 105, 51, kLineHeight);
    labelAbove(page, "パネル", 210, 105);
    Label5 = new QLabel(jp("スクロールステップ [dot]"), page);
    Label5->adjustSize();
    Label5->move(5, 135);
    EditScrollStepWindow =
        place(new QLineEdit(QStringLiteral("1"), page), 150, 130, 51, kLineHeight);
    EditScrollStepPanel =
        place(new QLineEdit(QStringLiteral("1"), page), 210, 130, 51, kLineHeight);
}

void TFormProperty::buildSitePage() {
    TabSheetSite = new QWidget;
    PageControl->addTab(TabSheetSite, QStringLiteral("News Site"));

    ListViewNews = new QTreeWidget(TabSheetSite);
    ListViewNews->setColumnCount(4);
    ListViewNews->setHeaderLabels(
        {jp("サイト"), QStringLiteral("URL"), jp("更新間隔"), jp("状態")});
    ListViewNews->setColumnWidth(ColStatus, 170);
    // Beside the name, where it is seen without scrolling; the URL is also
    // in its field below.
    ListViewNews->header()->moveSection(ColStatus, ColURL);
    ListViewNews->setColumnWidth(ColName, 100);
    ListViewNews->setColumnWidth(ColURL, 200);
    ListViewNews->setColumnWidth(ColInterval, 60);
    ListViewNews->headerItem()->setTextAlignment(ColInterval, Qt::AlignRight | Qt::AlignVCenter);
    ListViewNews->header()->setStretchLastSection(false);
    ListViewNews->setRootIsDecorated(false);
    ListViewNews->setItemsExpandable(false);
    ListViewNews->setUniformRowHeights(true);
    ListViewNews->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewNews->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewNews->setAllColumnsShowFocus(true);
    connect(ListViewNews, &QTreeWidget::itemSelectionChanged, this,
            [this] { ListViewNewsSelectItem(); });
    connect(ListViewNews, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem*, int) { BtnOpenURLClick(); });

    Panel2 = new QWidget(TabSheetSite);
    Panel2->setFixedHeight(75);
    auto* layout = new QVBoxLayout(TabSheetSite);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ListViewNews);
    layout->addWidget(Panel2);

    EditSiteName = place(new QLineEdit(Panel2), 5, 20, 100, kLineHeight);
    EditSiteName->setToolTip(QStringLiteral("Site Name"));
    EditSiteName->setValidator(new SjisValidator(EditSiteName));
    labelAbove(Panel2, "サイト名", 5, 20);
    EditSiteURL = place(new QLineEdit(Panel2), 110, 20, 191, kLineHeight);
    EditSiteURL->setToolTip(QStringLiteral("URL"));
    labelAbove(Panel2, "URL", 110, 20);
    ComboBoxInterval = place(new QComboBox(Panel2), 305, 20, 74, kLineHeight);
    ComboBoxInterval->setEditable(true);
    ComboBoxInterval->setInsertPolicy(QComboBox::NoInsert);
    for (const char* item :
         {"起動時", "1時間", "2時間", "3時間", "4時間", "8時間", "12時間", "24時間"})
        ComboBoxInterval->addItem(jp(item));
    ComboBoxInterval->setEditText(jp("1時間"));
    Label3 = labelAbove(Panel2, "更新間隔", 305, 20);
    connect(EditSiteName, &QLineEdit::textChanged, this, [this] { EditSiteNameChange(); });
    connect(EditSiteURL, &QLineEdit::textChanged, this, [this] { EditSiteURLChange(); });
    connect(ComboBoxInterval, &QComboBox::editTextChanged, this,
            [this] { ComboBoxIntervalChange(); });

    auto speedButton = [this](PropertyGlyph glyph, int left, const char* hint) {
        auto* button = place(new QToolButton(Panel2), left, 45, 23, 22);
        button->setIcon(MakePropertyGlyph(glyph));
        button->setAutoRaise(true);
        button->setToolTip(jp(hint));
        return button;
    };
    BtnUp = speedButton(PropertyGlyph::Up, 10, "上へ移動");
    BtnDown = speedButton(PropertyGlyph::Down, 35, "下へ移動");
    BtnOpenURL = speedButton(PropertyGlyph::OpenURL, 110, "IEでURLのページの開きます");
    connect(BtnUp, &QToolButton::clicked, this, [this] { BtnUpClick(); });
    connect(BtnDown, &QToolButton::clicked, this, [this] { BtnDownClick(); });
    connect(BtnOpenURL, &QToolButton::clicked, this, [this] { BtnOpenURLClick(); });

    BtnGetURL = place(new QPushButton(jp("URL取込み"), Panel2), 135, 45, 75, 25);
    BtnGetURL->setToolTip(jp("IEで開いているページのURLを取得します"));
    BtnAdd = place(new QPushButton(jp("追加"), Panel2), 230, 45, 70, 25);
    BtnAdd->setToolTip(jp("サイトを追加"));
    BtnDel = place(new QPushButton(jp("削除"), Panel2), 305, 45, 70, 25);
    BtnDel->setToolTip(jp("サイトを削除"));
    connect(BtnGetURL, &QPushButton::clicked, this, [this] { BtnGetURLClick(); });
    connect(BtnAdd, &QPushButton::clicked, this, [this] { BtnAddClick(); });
    connect(BtnDel, &QPushButton::clicked, this, [this] { BtnDelClick(); });
}

void TFormProperty::fillFromEngine() {
    auto [left, top] = news_.PropertyPosition;
    if (left < 0 || top < 0) {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen) {
            QRect area = screen->geometry();
            move(area.center() - QPoint(width() / 2, height() / 2));
        }
    } else {
        // A place on a monitor that has gone would show the dialog nowhere.
        move(KeepOnScreen({left, top}, size()));
    }
    PageControl->setCurrentIndex(news_.PropertyPage);

    CheckBoxOnline->setChecked(news_.Online);
    CheckBoxWindowEnabled->setChecked(news_.WindowEnabled);
    CheckBoxStayOnTop->setChecked(news_.StayOnTop);
    ComboBoxWindowLocation->setCurrentIndex(news_.WindowLocation);
    EditDesign->setText(ui(news_.Design));
    EditDesign->setCursorPosition(0);

    EditScrollSpeedWindow->setText(QString::number(news_.Speed[0]));
    EditScrollStepWindow->setText(QString::number(news_.Step[0]));
    EditScrollSpeedPanel->setText(QString::number(news_.Speed[1]));
    EditScrollStepPanel->setText(QString::number(news_.Step[1]));

    ListViewNews->clear();
    for (const auto& site : news_.Sites()->Items) {
        QTreeWidgetItem* row =
            addRow(site->Name, site->URL, IntervalToText(site->Interval), site->Enabled);
        setRowText(row, ColStatus, StatusText(site->Status));
        for (int column = ColName; column <= ColStatus; ++column)
            row->setToolTip(column, row->text(ColStatus));
    }
}

QTreeWidgetItem* TFormProperty::addRow(const std::string& name, const std::string& url,
                                       const std::string& interval, bool enabled) {
    auto* row = new QTreeWidgetItem(ListViewNews);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                  Qt::ItemNeverHasChildren);
    setRowText(row, ColName, name);
    setRowText(row, ColURL, url);
    setRowText(row, ColInterval, interval);
    row->setTextAlignment(ColInterval, Qt::AlignRight | Qt::AlignVCenter);
    row->setCheckState(ColName, enabled ? Qt::Checked : Qt::Unchecked);
    return row;
}

QTreeWidgetItem* TFormProperty::selectedRow() const {
    QList<QTreeWidgetItem*> rows = ListViewNews->selectedItems();
    return rows.isEmpty() ? nullptr : rows.first();
}

void TFormProperty::selectRow(int index) {
    if (QTreeWidgetItem* row = ListViewNews->topLevelItem(index)) {
        ListViewNews->setCurrentItem(row);
        row->setSelected(true);
        ListViewNews->scrollToItem(row);
    }
}

void TFormProperty::dropRow(int index) {
    std::unique_ptr<QTreeWidgetItem> row(ListViewNews->takeTopLevelItem(index));
}

void TFormProperty::ListViewNewsSelectItem() {
    if (QTreeWidgetItem* row = selectedRow()) {
        std::string name = rowText(row, ColName), url = rowText(row, ColURL),
                    interval = rowText(row, ColInterval);
        EditSiteName->setText(ui(name));
        EditSiteURL->setText(ui(url));
        ComboBoxInterval->setEditText(ui(interval));
    } else {
        EditSiteName->setText(QString());
        EditSiteURL->setText(QString());
        ComboBoxInterval->setEditText(jp("1時間"));
    }
}

void TFormProperty::EditSiteNameChange() {
    if (QTreeWidgetItem* row = selectedRow()) row->setText(ColName, EditSiteName->text());
}

void TFormProperty::EditSiteURLChange() {
    if (QTreeWidgetItem* row = selectedRow()) row->setText(ColURL, EditSiteURL->text());
}

void TFormProperty::ComboBoxIntervalChange() {
    if (QTreeWidgetItem* row = selectedRow())
        setRowText(row, ColInterval,
                   IntervalToText(TextToInterval(sjisOf(ComboBoxInterval->currentText()))));
}

void TFormProperty::BtnAddClick() {
    std::set<QString> captions;
    for (int i = 0; i < ListViewNews->topLevelItemCount(); ++i)
        captions.insert(ListViewNews->topLevelItem(i)->text(ColName));
    int n = 1;
    while (captions.count(QStringLiteral("News Site #%1").arg(n)))
        ++n;
    addRow("News Site #" + std::to_string(n), "", Utf8ToSjis("1時間"), false);
    selectRow(ListViewNews->topLevelItemCount() - 1);
    EditSiteName->setFocus();
    // The made-up name is there to be typed over.
    EditSiteName->selectAll();
}

void TFormProperty::BtnDelClick() {
    QTreeWidgetItem* row = selectedRow();
    if (!row) return;
    int index = ListViewNews->indexOfTopLevelItem(row);
    dropRow(index);
    int count = ListViewNews->topLevelItemCount();
    if (count > 0) selectRow(std::min(index, count - 1));
}

void TFormProperty::moveSelectedRow(int by) {
    QTreeWidgetItem* row = selectedRow();
    if (!row) return;
    int index = ListViewNews->indexOfTopLevelItem(row);
    int to = index + by;
    if (to < 0 || to >= ListViewNews->topLevelItemCount()) return;
    // The row moves whole, so the edits showing it keep their text.
    QSignalBlocker quiet(ListViewNews);
    ListViewNews->insertTopLevelItem(to, ListViewNews->takeTopLevelItem(index));
    selectRow(to);
}

void TFormProperty::BtnUpClick() {
    moveSelectedRow(-1);
}

void TFormProperty::BtnDownClick() {
    moveSelectedRow(1);
}

void TFormProperty::BtnOpenURLClick() {
    std::string url(TrimView(lineText(EditSiteURL)));
    if (url.empty()) return;
    if (TPLYXNews* news = Globals().News)
        news->OpenLink(url);
    else
        OpenInBrowser(url);
}

void TFormProperty::BtnGetURLClick() {
    // No page in hand is no reason to lose the URL the row has: without one
    // OK would save the site disabled.
    std::string url = GetBrowserURL(0);
    if (!url.empty()) EditSiteURL->setText(ui(url));
}

void TFormProperty::BtnDesignClick() {
    std::string current = lineText(EditDesign);
    if (!current.empty()) {
        OpenDialog.InitialDir.clear();
        OpenDialog.FileName = current;
    } else {
        // A build tree keeps the designs beside the player, an installed
        // player in its Plugin folder.
        std::error_code ec;
        OpenDialog.InitialDir.clear();
        for (const char* name : {"NewsDesign", "Plugin/NewsDesign"}) {
            std::string folder = Globals().BaseDirectory + name;
            if (!std::filesystem::is_directory(NativePath(folder), ec)) continue;
            OpenDialog.InitialDir = folder;
            break;
        }
        OpenDialog.FileName.clear();
    }
    QPointer<TFormProperty> alive(this);
    bool chosen = OpenDialog.Execute(this);
    // The engine may have gone, and this dialog with it, while the file
    // dialog was up.
    if (!alive || !chosen) return;
    EditDesign->setText(ui(OpenDialog.FileName));
    EditDesign->setCursorPosition(0);
}

void TFormProperty::applySites(bool& updateWanted) {
    TNewsSites& sites = *news_.Sites();
    std::vector<QTreeWidgetItem*> doubles;
    std::vector<TNewsSite*> order;
    std::set<TNewsSite*> carried;
    // Stored as the settings file gives it back, so the site is found
    // again after a restart.
    auto storedName = [&](int i) {
        std::string name =
            StorableSiteName(TrimView(rowText(ListViewNews->topLevelItem(i), ColName)));
        return name.empty() ? "Site" + std::to_string(i) : name;
    };
    std::vector<std::string> typed, kept;
    for (int i = 0; i < ListViewNews->topLevelItemCount(); ++i)
        typed.push_back(storedName(i));
    auto taken = [](const std::vector<std::string>& names, const std::string& name) {
        return std::any_of(names.begin(), names.end(),
                           [&](const std::string& n) { return EqualsNoCase(n, name); });
    };
    for (int i = 0; i < ListViewNews->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = ListViewNews->topLevelItem(i);
        std::string name = typed[static_cast<size_t>(i)];
        // The settings file knows no letter case in its keys: a second name
        // differing from an earlier one in case alone would take the earlier
        // site's key, and one of the two would be gone after a restart.
        if (taken(kept, name) && std::find(kept.begin(), kept.end(), name) == kept.end()) {
            std::string unique;
            for (int n = 2; unique.empty() || taken(kept, unique) || taken(typed, unique); ++n)
                unique = name + " (" + std::to_string(n) + ")";
            name = unique;
        }
        kept.push_back(name);
        std::string url(TrimView(rowText(row, ColURL)));
        if (url.empty()) row->setCheckState(ColName, Qt::Unchecked);
        bool enabled = row->checkState(ColName) == Qt::Checked;
        int interval = TextToInterval(rowText(row, ColInterval));

        TNewsSite* site = sites.Find(name);
        if (!site) {
            site = sites.Add(name, url, interval, enabled);
            updateWanted = true;
        } else {
            bool wasEnabled = site->Enabled;
            site->Name = name;
            site->URL = url;
            site->Enabled = enabled;
            site->Interval = interval;
            if (!wasEnabled && enabled) {
                site->Countdown = interval;
                updateWanted = true;
            }
        }
        // A later row of the same name has updated its site; one row stays.
        if (!carried.insert(site).second) {
            doubles.push_back(row);
            continue;
        }
        order.push_back(site);
        setRowText(row, ColName, name);
    }
    for (QTreeWidgetItem* row : doubles)
        dropRow(ListViewNews->indexOfTopLevelItem(row));

    for (int i = sites.Count() - 1; i >= 0; --i)
        if (!carried.count(sites.Get(i))) sites.Delete(i);
    for (int i = 0; i < static_cast<int>(order.size()); ++i)
        if (sites.Get(i) != order[static_cast<size_t>(i)])
            sites.Move(sites.IndexOf(order[static_cast<size_t>(i)]), i);
}

void TFormProperty::writePanelValues(std::string& failed) {
    std::string design = news_.PLYX()->GetDesign();
    // Without a design there is no skin ticker to keep the values for.
    if (design.empty()) return;
    if (!writeStrevoKeys(design, news_.Speed[1], news_.Step[1])) {
        if (!failed.empty()) failed += "\n";
        failed += design;
    }
}

void TFormProperty::BtnOKClick() {
    news_.SetOnline(CheckBoxOnline->isChecked());
    news_.SetWindowEnabled(CheckBoxWindowEnabled->isChecked());
    news_.SetStayOnTop(CheckBoxStayOnTop->isChecked());
    // A stored location the list has no item for shows no item and stays.
    int location = ComboBoxWindowLocation->currentIndex();
    news_.SetWindowLocation(location >= 0 ? location : news_.WindowLocation);
    news_.SetDesign(lineText(EditDesign));

    bool panelChanged = false;
    int value = StrToIntDef(lineText(EditScrollSpeedWindow), 0);
    if (value > 0) news_.Speed[0] = value;
    value = StrToIntDef(lineText(EditScrollStepWindow), 0);
    if (value != 0) news_.Step[0] = value;
    value = StrToIntDef(lineText(EditScrollSpeedPanel), 0);
    if (value > 0 && value != news_.Speed[1]) {
        news_.Speed[1] = value;
        panelChanged = true;
    }
    value = StrToIntDef(lineText(EditScrollStepPanel), 0);
    if (value != 0 && value != news_.Step[1]) {
        news_.Step[1] = value;
        panelChanged = true;
    }

    bool updateWanted = false;
    applySites(updateWanted);
    news_.RebuildSiteMenu();
    std::string failed;
    if (!news_.SaveSettings()) failed = news_.SettingsFileName();
    if (panelChanged) writePanelValues(failed);
    if (!failed.empty()) {
        QPointer<TFormProperty> alive(this);
        ShowMessage(Utf8ToSjis("次のファイルに書き込めませんでした。\n") + failed,
                    MessageKind::Error);
        if (!alive) return;
    }
    if (updateWanted) news_.UpdateNews(this);
    close();
}

void TFormProperty::BtnCanselClick() {
    close();
}

void TFormProperty::BtnHelpClick() {
    news_.ShowHelp();
}

void TFormProperty::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    // Return presses the button that has the focus and nothing else.
    if (auto* button = qobject_cast<QAbstractButton*>(focusWidget())) button->click();
    event->accept();
}

void TFormProperty::done(int result) {
    QDialog::done(result);
    FormClose();
}

void TFormProperty::showEvent(QShowEvent* event) {
    // Shown again before the engine got round to destroying it.
    closed_ = false;
    // The page's first control has the focus, not the page tabs.
    if (!focusWidget()) {
        QWidget* first =
            PageControl->currentIndex() == 1 ? static_cast<QWidget*>(ListViewNews) : CheckBoxOnline;
        first->setFocus();
    }
    QDialog::showEvent(event);
}

void TFormProperty::FormClose() {
    if (closed_) return;
    closed_ = true;
    news_.PropertyPosition = {x(), y()};
    news_.PropertyPage = PageControl->currentIndex();
    news_.PostUserEvent(ueClosed, 1);
}

void RegisterPropertyDialog() {
    Globals().MakeProperty = [](QWidget* owner) -> QWidget* {
        TPLYXNews* news = Globals().News;
        if (!news) return nullptr;
        return new TFormProperty(owner, *news);
    };
}
