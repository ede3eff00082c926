#include "engine/window/TPLYXNewsWindow.h"

#include "engine/news/NewsGlobals.h"
#include "engine/news/TPLYXNews.h"
#include "engine/window/DesignReader.h"
#include "platform/com/Com.h"
#include "platform/controls/MenuText.h"
#include "platform/controls/OnScreen.h"
#include "platform/gdi/BitmapFile.h"
#include "platform/text/Cp932.h"
#include "platform/text/SjisString.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>

#include <cstdio>

using namespace platform;

namespace {

constexpr TColor kCutAway = 0x808000;   // the built-in background's cut-away colour
constexpr TColor kPanelBack = 11320508; // the labels' and the panel's background
constexpr TColor kBtnFace = static_cast<TColor>(0x8000000F);

QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A built-in picture, compiled into the library.
TBitmap builtin(const char* name) {
    TBitmap bitmap;
    QFile file(QStringLiteral(":/news/") + name + QStringLiteral(".bmp"));
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray bytes = file.readAll();
        DecodeBitmap(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                     bitmap.Image, &bitmap.SourceBits);
    }
    return bitmap;
}

TImage* imageButton(QWidget* parent, QRect bounds, const char* hint, TImageList& list,
                    const char* picture, bool transparent) {
    auto* image = new TImage(parent);
    image->setGeometry(bounds);
    image->SetHint(hint);
    image->ShowHint = true;
    list.Width = bounds.width();
    list.Height = bounds.height();
    list.Add(builtin(picture), clNone);
    image->ShowFrame(list, 0);
    image->Transparent = transparent;
    image->Picture.Transparent = transparent;
    image->Picture.TransparentColor = transparent ? kCutAway : clNone;
    return image;
}

TLabel* boldLabel(QWidget* parent, QRect bounds, const char* hint, const char* caption) {
    auto* label = new TLabel(parent);
    label->Font.Name = Utf8ToSjis("ＭＳ Ｐゴシック");
    label->Font.Height = -12;
    label->Font.Charset = 128;
    label->Font.Style = fsBold;
    label->ParentFont = false;
    label->Color = kPanelBack;
    label->setGeometry(bounds);
    label->SetHint(hint);
    label->ShowHint = true;
    label->SetCaption(caption);
    return label;
}

} // namespace

TPLYXNewsWindow::TPLYXNewsWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint), ImageForm(new TImage(this)),
      Region(ImageForm) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    // A click gives it the keys: headlines, sites, pause, update, menu.
    setFocusPolicy(Qt::ClickFocus);
    setWindowTitle(QStringLiteral("News"));
    resize(320, 60);
    Font.Name = Utf8ToSjis("ＭＳ Ｐゴシック");
    Font.Height = -12;
    Font.Charset = 128;
    buildComponents();
    buildMenu();
    setEnabled(false);
    setAcceptDrops(true);
    messages_ =
        std::make_unique<MessageWindow>([this](uint32_t message, WPARAM wParam, LPARAM lParam) {
            return WndProc(message, wParam, lParam);
        });
}

TPLYXNewsWindow::~TPLYXNewsWindow() {
    // No attach message may reach a half-destroyed window.
    messages_.reset();
}

TPLYXNews* TPLYXNewsWindow::engine() const {
    return Globals().News;
}

void TPLYXNewsWindow::buildComponents() {
    ImageForm->setGeometry(0, 0, 320, 60);
    ImageForm->Picture = builtin("background");
    ImageForm->Picture.TransparentColor = kCutAway;

    LabelDateTime = boldLabel(this, {40, 12, 120, 12}, "Date", "12/34(Wed) 56:78");
    LabelDateTime->AutoSize = false;
    LabelDateTime->CenterVertically = true;
    LabelDateTime->setGeometry(40, 12, 120, 12);
    LabelSiteName = boldLabel(this, {160, 12, 120, 12}, "News Site", "News");
    // A label that sized itself to the name would grow rightwards from its
    // left edge, so the name would no longer end where its place ends.
    LabelSiteName->AutoSize = false;
    LabelSiteName->Alignment = TLabel::taRightJustify;
    LabelSiteName->setGeometry(160, 12, 120, 12);

    PanelNews = new TPanel(this);
    PanelNews->setGeometry(38, 24, 244, 24);
    PanelNews->Color = kPanelBack;
    PanelNews->Font.Name = Utf8ToSjis("ＭＳ Ｐ明朝");
    PanelNews->Font.Height = -16;
    PanelNews->Font.Charset = 128;
    PanelNews->Font.Style = fsBold;
    PanelNews->ParentFont = false;
    PanelNews->SetHint("News");
    PanelNews->ShowHint = true;
    LabelNews = new TLabel(PanelNews);
    LabelNews->Font = PanelNews->Font;
    LabelNews->Color = kPanelBack;
    LabelNews->AutoSize = false;
    LabelNews->CenterVertically = true;
    LabelNews->setGeometry(0, 0, 100, 24);
    LabelNews->SetHint("News");

    ImageClose = imageButton(this, {290, 6, 12, 12}, "Close", ImageListClose, "close", true);
    ImageClose->setCursor(Qt::PointingHandCursor);
    ImageUpdate =
        imageButton(this, {288, 38, 15, 16}, "Update News", ImageListUpdate, "update", true);
    ImageUpdate->resize(16, 16);
    ImageProperty =
        imageButton(this, {18, 24, 12, 12}, "Property", ImageListProperty, "property", true);
    ImageBackNews =
        imageButton(this, {19, 6, 12, 12}, "Back News", ImageListBackNews, "backnews", true);
    ImageNextNews =
        imageButton(this, {19, 42, 12, 12}, "Next News", ImageListNextNews, "nextnews", true);
    ImageBackSite =
        imageButton(this, {305, 16, 12, 12}, "Back Site", ImageListBackSite, "backsite", true);
    ImageNextSite =
        imageButton(this, {305, 32, 12, 12}, "Next Site", ImageListNextSite, "nextsite", true);
    ImageBackSite->hide();
    ImageNextSite->hide();

    for (QWidget* w : std::initializer_list<QWidget*>{
             ImageForm, LabelDateTime, LabelSiteName, PanelNews, LabelNews, ImageClose, ImageUpdate,
             ImageProperty, ImageBackNews, ImageNextNews, ImageBackSite, ImageNextSite})
        w->installEventFilter(this);
}

void TPLYXNewsWindow::buildMenu() {
    PopupMenu = new QMenu(this);
    auto item = [&](QMenu* menu, const char* caption, auto action) {
        QAction* a = menu->addAction(q(caption));
        connect(a, &QAction::triggered, this, action);
        return a;
    };
    auto news = [this] { return engine(); };
    PopupUpdate = item(PopupMenu, "ニュース更新", [news] {
        if (TPLYXNews* n = news()) n->UpdateNews(nullptr);
    });
    PopupOnline = item(PopupMenu, "オフライン", [news] {
        if (TPLYXNews* n = news()) n->SetOnline(!n->Online);
    });
    PopupMenu->addSeparator();
    PopupReshow = item(PopupMenu, "再度表示", [news] {
        if (TPLYXNews* n = news()) n->ReshowNews(0);
    });
    PopupBackNews = item(PopupMenu, "前のニュース", [news] {
        if (TPLYXNews* n = news()) n->BackNews(0);
    });
    PopupNextNews = item(PopupMenu, "次のニュース", [news] {
        if (TPLYXNews* n = news()) n->NextNews(0);
    });
    PopupMenu->addSeparator();
    PopupNewsSite = PopupMenu->addMenu(q("ニュースサイト"));
    // Long names are cut short in the menu and shown whole in the tip.
    PopupNewsSite->setToolTipsVisible(true);
    PopupBackSite = item(PopupMenu, "前のニュースサイト", [news] {
        if (TPLYXNews* n = news()) n->BackSite(0);
    });
    PopupNextSite = item(PopupMenu, "次のニュースサイト", [news] {
        if (TPLYXNews* n = news()) n->NextSite(0);
    });
    PopupMenu->addSeparator();
    PopupLocation = PopupMenu->addMenu(q("表示位置"));
    auto* group = new QActionGroup(this);
    const char* places[] = {"フリー",       "プレイヤー上", "プレイヤー下",
                            "プレイヤー左", "プレイヤー右", "プレイヤー相対"};
    for (int tag = 0; tag < 6; ++tag) {
        QAction* a = PopupLocation->addAction(q(places[tag]));
        a->setCheckable(true);
        a->setData(tag);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] { PopupLocationClick(a); });
        PopupLocationItems[static_cast<size_t>(tag)] = a;
    }
    PopupLocationItems[0]->setChecked(true);
    PopupHide = item(PopupMenu, "非表示", [news] {
        if (TPLYXNews* n = news()) n->PostUserEvent(ueHideWindow, 0);
    });
    PopupMinimize = item(PopupMenu, "最小化", [this] { showMinimized(); });
    PopupNormal = item(PopupMenu, "元に戻す", [this] { showNormal(); });
    PopupNormal->setEnabled(false);
    PopupMenu->addSeparator();
    PopupProperty = item(PopupMenu, "プロパティ", [news] {
        if (TPLYXNews* n = news()) n->ShowProperty();
    });
    PopupHelp = item(PopupMenu, "ヘルプ", [news] {
        if (TPLYXNews* n = news()) n->ShowHelp();
    });
    PopupMenu->addSeparator();
    PopupClose = item(PopupMenu, "閉じる", [this, news] {
        setEnabled(false);
        if (TPLYXNews* n = news()) {
            n->PostUserEvent(ueHideWindow, 0);
            n->UpdateTimerState();
        }
    });
}

void TPLYXNewsWindow::Setup() {
    TPLYXNews* n = engine();
    if (n) n->SetTickerControls(0, PanelNews, LabelNews, LabelSiteName);
    setWindowTitle(QStringLiteral("NewsWindow"));
    try {
        Region.SetTransparentColor(kCutAway);
        Region.Create();
        Region.Set();
    } catch (const ERegionError& e) {
        // The window stays usable as a plain rectangle.
        std::fprintf(stderr, "news window: %s\n", SjisToUtf8(e.what()).c_str());
    }
    if (n) LoadDesign(n->Design);
    ShowDateTime(QDateTime::currentDateTime());
    LabelNews->AutoSize = true;
    LabelNews->SetCaption(VersionText());
    LabelNews->AutoSize = false;
    LabelNews->resize(LabelNews->width(), PanelNews->height());
    if (!n) return;
    move(std::max(n->WindowPosition.first, 0), std::max(n->WindowPosition.second, 0));
    // A free window stored on a monitor that has gone comes back in sight.
    if (n->WindowLocation == wlFree) move(KeepOnScreen(pos(), size()));
    TPLYX* plyx = n->PLYX();
    FollowPlayer(plyx->GetLeft(), plyx->GetTop());
    SetLocation(n->WindowLocation);
    ShowOnline(n->Online);
    BuildSiteSubmenu();
    if (plyx->GetStayOnTop()) setWindowFlag(Qt::WindowStaysOnTopHint, true);
    raise();
}

void TPLYXNewsWindow::LoadDesign(const std::string& fileName) {
    DesignControls c;
    c.form = this;
    c.background = ImageForm;
    c.region = &Region;
    c.formFont = &Font;
    c.panel = PanelNews;
    c.labelNews = LabelNews;
    c.labelDateTime = LabelDateTime;
    c.labelSiteName = LabelSiteName;
    TImage* buttons[7] = {ImageProperty, ImageClose,    ImageUpdate,  ImageBackNews,
                          ImageNextNews, ImageBackSite, ImageNextSite};
    TImageList* lists[7] = {&ImageListProperty, &ImageListClose,    &ImageListUpdate,
                            &ImageListBackNews, &ImageListNextNews, &ImageListBackSite,
                            &ImageListNextSite};
    for (int i = 0; i < 7; ++i) {
        c.buttons[i] = buttons[i];
        c.lists[i] = lists[i];
    }
    ::LoadDesign(c, fileName);
    if (!fileName.empty()) siteNameOpens_ = true;
    TPLYXNews* n = engine();
    if (!n || fileName.empty()) return;
    ShowOnline(n->Online);
    // The places beside the player depend on the window's size, which the
    // design may have changed.
    if (n->WindowLocation >= wlUpper && n->WindowLocation <= wlRight)
        FollowPlayer(n->PLYX()->GetLeft(), n->PLYX()->GetTop());
}

void TPLYXNewsWindow::showUpdateFrame() {
    TPLYXNews* n = engine();
    bool online = n ? n->Online : true;
    ImageUpdate->ShowFrame(ImageListUpdate, Updating ? 3 : online ? 0 : 1);
    ImageUpdate->repaint();
}

void TPLYXNewsWindow::ShowOnline(bool online) {
    PopupOnline->setText(q(online ? "オフライン" : "オンライン"));
    PopupUpdate->setEnabled(online);
    ImageUpdate->setEnabled(online);
    showUpdateFrame();
}

void TPLYXNewsWindow::SetUpdating(bool updating) {
    Updating = updating;
    showUpdateFrame();
}

void TPLYXNewsWindow::ShowDateTime(const QDateTime& time) {
    LabelDateTime->SetCaption(ClockText(time));
}

void TPLYXNewsWindow::ApplyStayOnTop(bool on) {
    bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    // Changing the flags hides a shown window; bring it back as it was,
    // without taking the focus from the player.
    if (shown) show();
    try {
        Region.Set();
    } catch (const ERegionError& e) {
        std::fprintf(stderr, "news window: %s\n", SjisToUtf8(e.what()).c_str());
    }
}

QRect TPLYXNewsWindow::playerRect() const {
    TPLYXNews* n = engine();
    if (!n) return {};
    TPLYX* p = n->PLYX();
    return {p->GetLeft(), p->GetTop(), p->GetWidth(), p->GetHeight()};
}

void TPLYXNewsWindow::FollowPlayer(int playerLeft, int playerTop) {
    TPLYXNews* n = engine();
    if (!n) return;
    QRect player = playerRect();
    player.moveTo(playerLeft, playerTop);
    QPoint offset(n->WindowPosition.first, n->WindowPosition.second);
    move(WindowPlace(n->WindowLocation, player, size(), offset, pos()));
    if (n->WindowLocation != wlOffset) n->WindowPosition = {x(), y()};
}

void TPLYXNewsWindow::SetLocation(int location) {
    TPLYXNews* n = engine();
    if (location >= 0 && location < 6)
        PopupLocationItems[static_cast<size_t>(location)]->setChecked(true);
    if (!n) return;
    if (n->WindowLocation != location) n->SetWindowLocation(location);
    QRect player = playerRect();
    n->WindowPosition = {x() - player.x(), y() - player.y()};
    FollowPlayer(player.x(), player.y());
}

void TPLYXNewsWindow::PopupLocationClick(QAction* item) {
    TPLYXNews* n = engine();
    item->setChecked(true);
    if (!n) return;
    n->SetWindowLocation(item->data().toInt());
    QRect player = playerRect();
    n->WindowPosition = {x() - player.x(), y() - player.y()};
    FollowPlayer(player.x(), player.y());
}

void TPLYXNewsWindow::BuildSiteSubmenu() {
    PopupNewsSite->clear();
    TPLYXNews* n = engine();
    if (!n) return;
    for (const auto& site : n->Sites()->Items) {
        std::string name = site->Name;
        QString full = QString::fromStdU16String(SjisToUtf16(name));
        // A site's "&" is a character, not a hot key.
        QAction* a = PopupNewsSite->addAction(ElideMenuText(full).replace('&', "&&"));
        a->setToolTip(full);
        a->setCheckable(true);
        a->setData(QByteArray::fromStdString(name));
        connect(a, &QAction::triggered, this, [this, name] {
            if (TPLYXNews* e = engine()) e->SelectSiteByName(0, name);
        });
    }
}

void TPLYXNewsWindow::PopupMenuPopup() {
    bool normal = !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));
    PopupMinimize->setEnabled(normal);
    PopupNormal->setEnabled(!normal);
    TPLYXNews* n = engine();
    if (!n) return;
    const TNewsSite* shown = n->ShownSite[0];
    for (QAction* a : PopupNewsSite->actions()) {
        std::string name = a->data().toByteArray().toStdString();
        const TNewsSite* site = n->Sites()->Find(name);
        a->setEnabled(site && site->Enabled);
        a->setChecked(shown && shown->Name == name);
    }
}

void TPLYXNewsWindow::contextMenuEvent(QContextMenuEvent* event) {
    PopupMenuPopup();
    PopupMenu->popup(event->globalPos());
}

QPoint TPLYXNewsWindow::SnapToWorkArea(QPoint p) {
    QScreen* s = screen();
    QRect work = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    return Snap.Snap(p, size(), work);
}

void TPLYXNewsWindow::MoveTo(QPoint p) {
    TPLYXNews* n = engine();
    QRect player = playerRect();
    move(p);
    if (!n) return;
    n->WindowPosition = {x(), y()};
    if (n->WindowLocation == wlOffset) {
        n->WindowPosition = {p.x() - player.x(), p.y() - player.y()};
    } else if (n->WindowLocation != wlFree) {
        QPoint to = PlayerPlace(n->WindowLocation, player, geometry());
        n->PLYX()->SetLeft(to.x());
        n->PLYX()->SetTop(to.y());
    }
}

void TPLYXNewsWindow::FormMouseDown(QPoint globalPos) {
    if (Dragging) return;
    Dragging = true;
    GrabOffset = globalPos - pos();
}

void TPLYXNewsWindow::FormMouseMove(QPoint globalPos) {
    if (!Dragging) return;
    QPoint p = globalPos - GrabOffset;
    TPLYXNews* n = engine();
    if (n && n->WindowLocation == wlFree) p = SnapToWorkArea(p);
    MoveTo(p);
}

void TPLYXNewsWindow::FormMouseUp(QPoint globalPos) {
    if (!Dragging) return;
    FormMouseMove(globalPos);
    Dragging = false;
    Snap.armed = Snap.corner == -1;
}

TImageList* TPLYXNewsWindow::listOf(const TImage* image) {
    if (image == ImageUpdate) return &ImageListUpdate;
    if (image == ImageClose) return &ImageListClose;
    if (image == ImageProperty) return &ImageListProperty;
    if (image == ImageNextNews) return &ImageListNextNews;
    if (image == ImageBackNews) return &ImageListBackNews;
    if (image == ImageNextSite) return &ImageListNextSite;
    if (image == ImageBackSite) return &ImageListBackSite;
    return nullptr;
}

void TPLYXNewsWindow::ImageMouseDown(TImage* image) {
    TImageList* list = listOf(image);
    if (!image->isEnabled() || !list) return;
    image->ShowFrame(*list, 2);
    image->repaint();
}

void TPLYXNewsWindow::ImageMouseUp(TImage* image) {
    TImageList* list = listOf(image);
    if (!image->isEnabled() || !list) return;
    if (image == ImageUpdate)
        showUpdateFrame();
    else
        image->ShowFrame(*list, 0);
    image->repaint();
}

void TPLYXNewsWindow::buttonClicked(TImage* image) {
    TPLYXNews* n = engine();
    if (image == ImageClose)
        PopupClose->trigger();
    else if (image == ImageUpdate)
        PopupUpdate->trigger();
    else if (image == ImageProperty)
        PopupProperty->trigger();
    else if (!n)
        return;
    else if (image == ImageBackNews)
        n->BackNews(0);
    else if (image == ImageNextNews)
        n->NextNews(0);
    else if (image == ImageBackSite)
        n->BackSite(0);
    else if (image == ImageNextSite)
        n->NextSite(0);
}

bool TPLYXNewsWindow::eventFilter(QObject* watched, QEvent* event) {
    // Every paint of the scrolling ticker passes here: let what is not the
    // mouse's go on at once.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Enter:
    case QEvent::Leave:
        break;
    default:
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* image = dynamic_cast<TImage*>(widget);
    bool button = image && image != ImageForm;
    bool drags = widget == ImageForm || widget == LabelDateTime || widget == PanelNews ||
                 widget == LabelNews;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (button && mouse->button() == Qt::LeftButton) {
            pressed_ = image;
            ImageMouseDown(image);
            return true;
        }
        if (drags && mouse->button() != Qt::RightButton) {
            FormMouseDown(mouse->globalPosition().toPoint());
            return true;
        }
        break;
    }
    case QEvent::MouseMove:
        if (drags && Dragging) {
            FormMouseMove(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            return true;
        }
        break;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (button && pressed_ == image) {
            pressed_ = nullptr;
            ImageMouseUp(image);
            if (image->rect().contains(mouse->position().toPoint())) buttonClicked(image);
            return true;
        }
        if (drags && Dragging) {
            FormMouseUp(mouse->globalPosition().toPoint());
            return true;
        }
        break;
    }
    case QEvent::Enter:
        if (TPLYXNews* n = engine(); n && widget == PanelNews && n->PauseOnHover)
            n->HoldTicker(0, TPLYXNews::thPointer, true);
        break;
    case QEvent::Leave:
        if (TPLYXNews* n = engine(); n && widget == PanelNews)
            n->HoldTicker(0, TPLYXNews::thPointer, false);
        break;
    case QEvent::MouseButtonDblClick: {
        TPLYXNews* n = engine();
        if (!n) break;
        if (widget == LabelDateTime) {
            PopupProperty->trigger();
            return true;
        }
        if (widget == PanelNews || widget == LabelNews) {
            n->OpenHeadline(widget);
            return true;
        }
        if (widget == LabelSiteName && siteNameOpens_) {
            n->OpenSite(widget);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TPLYXNewsWindow::closeEvent(QCloseEvent* event) {
    if (TPLYXNews* n = engine()) n->PostUserEvent(ueClosed, 0);
    event->accept();
}

void TPLYXNewsWindow::showEvent(QShowEvent* event) {
    // A window that was closed no longer followed the player's moves; a
    // docked one must come back beside the player, not where it was left.
    if (TPLYXNews* n = engine(); n && !event->spontaneous())
        FollowPlayer(n->PLYX()->GetLeft(), n->PLYX()->GetTop());
    QWidget::showEvent(event);
}

void TPLYXNewsWindow::hideEvent(QHideEvent* event) {
    // No leave event comes for a pointer over a window that went away, and
    // a window shown again starts moving, with no pause nobody can see.
    if (TPLYXNews* n = engine())
        n->HoldTicker(0, TPLYXNews::thPointer | TPLYXNews::thPaused, false);
    QWidget::hideEvent(event);
}

void TPLYXNewsWindow::keyPressEvent(QKeyEvent* event) {
    TPLYXNews* n = engine();
    if (!n || event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        PopupBackNews->trigger();
        break;
    case Qt::Key_Right:
        PopupNextNews->trigger();
        break;
    case Qt::Key_Up:
        PopupBackSite->trigger();
        break;
    case Qt::Key_Down:
        PopupNextSite->trigger();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        n->OpenHeadline(LabelNews);
        break;
    case Qt::Key_Space:
        n->HoldTicker(0, TPLYXNews::thPaused, !(n->Holds[0] & TPLYXNews::thPaused));
        break;
    case Qt::Key_F5:
        if (PopupUpdate->isEnabled()) PopupUpdate->trigger();
        break;
    case Qt::Key_Menu:
        PopupMenuPopup();
        PopupMenu->popup(mapToGlobal(QPoint(0, height())));
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TPLYXNewsWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TPLYXNewsWindow::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    DropFiles(files);
    event->acceptProposedAction();
}

void TPLYXNewsWindow::DropFiles(const QStringList& localFiles) {
    TPLYXNews* n = engine();
    if (!n) return;
    for (const QString& file : localFiles) {
        std::u16string wide = file.toStdU16String();
        std::string sjis = Utf16ToSjis(wide);
        // A name the system text cannot hold must not reach anyone mangled.
        bool exact = SjisToUtf16(sjis) == wide;
        if (file.toLower().endsWith(QStringLiteral(".plyxd"))) {
            if (exact)
                n->SetDesign(sjis);
            else
                std::fprintf(stderr, "news window: cannot use the design %s\n",
                             file.toUtf8().constData());
        } else if (exact) {
            n->PLYX()->Add(sjis);
        } else if (n->PLYX()->Bound && n->PLYX()->PlayList()) {
            BStr name(wide);
            n->PLYX()->PlayList()->Add(name.get());
        }
    }
}

LRESULT TPLYXNewsWindow::WndProc(uint32_t message, WPARAM wParam, LPARAM lParam) {
    TPLYXNews* n = engine();
    if (!n || message != n->PLYX()->MessageId) return 0;
    uint32_t code = static_cast<uint32_t>(wParam);
    if ((code == 4 || code == 8) && Globals().AttachMessage)
        return Globals().AttachMessage(code, lParam);
    return 1;
}

void RegisterNewsWindow() {
    Globals().MakeNewsWindow = [](QWidget* owner) -> INewsWindow* {
        return new TPLYXNewsWindow(owner);
    };
}
