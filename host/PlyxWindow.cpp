#include "host/PlyxWindow.h"

#include "engine/files/TIniFileEx.h"
#include "host/PlyxIcon.h"
#include "host/PlyxPlayer.h"
#include "platform/controls/MenuText.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/PathNames.h"
#include "platform/ini/TMemIniFile.h"
#include "platform/text/Cp932.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace {

QString text(const std::string& sjis) {
    return QString::fromStdU16String(platform::SjisToUtf16(sjis));
}

} // namespace

PlyxWindow::PlyxWindow(PlyxPlayer& player)
    : QWidget(nullptr, Qt::FramelessWindowHint), player_(player) {
    setWindowTitle("PLYX");
    setObjectName("TFormPLYX");
    // Every window of the player, the plug-ins' among them, shows its icon.
    if (QApplication::windowIcon().isNull()) QApplication::setWindowIcon(PlyxIcon());
    setWindowIcon(QApplication::windowIcon());
    resize(player_.Properties["Width"], player_.Properties["Height"]);
    move(player_.Properties["Left"], player_.Properties["Top"]);
    loadSkin();
    // Frameless, so without a close button: Ctrl+Q is the way out by key,
    // from any of the player's windows (the plug-ins' among them).
    auto* quit = new QAction(this);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(quit, &QAction::triggered, this, [this] {
        if (OnExit) OnExit();
    });
    addAction(quit);
    place_.setSingleShot(true);
    place_.setInterval(0);
    QObject::connect(&place_, &QTimer::timeout, this, [this] { followPosition(); });
    player_.OnChanged = [this] {
        place_.start();
        loadSkin();
        setWindowFlag(Qt::WindowStaysOnTopHint, player_.Properties["StayOnTop"] != 0);
        refreshPlayList();
        update();
    };
}

PlyxWindow::~PlyxWindow() {
    player_.OnChanged = nullptr;
}

void PlyxWindow::loadSkin() {
    skin_ = QPixmap();
    newsTray_ = false;
    if (player_.Design.empty()) return;
    // A design is an INI file naming its background (section "Form", key
    // "Graphics", relative to the design's folder); a plain picture serves too.
    std::string picture = player_.Design;
    platform::TMemIniFile design(player_.Design);
    std::string graphics = design.ReadString("Form", "Graphics", "");
    if (!graphics.empty())
        picture = ExpandRelativePath(graphics, platform::ExtractFileDir(player_.Design));
    newsTray_ = design.SectionExists("Strevo");
    skin_.load(QString::fromStdString(platform::NativePath(picture)));
}

void PlyxWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!skin_.isNull()) {
        p.drawPixmap(rect(), skin_);
    } else {
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0, QColor(0x20, 0x30, 0x50));
        g.setColorAt(1, QColor(0x08, 0x10, 0x20));
        p.fillRect(rect(), g);
        p.setPen(QColor(0x60, 0x80, 0xB0));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    p.setPen(QColor(0xF0, 0xF0, 0xF0));
    QFont title = font();
    title.setBold(true);
    title.setPointSize(14);
    p.setFont(title);
    p.drawText(QRect(12, 8, width() - 24, 28), Qt::AlignLeft | Qt::AlignVCenter, "PLYX");
    QFont small = font();
    small.setPointSize(9);
    p.setFont(small);
    QString track = player_.PlayList.empty() ? QStringLiteral("(no tracks)")
                                             : text(player_.PlayList.front().s[0]);
    p.drawText(QRect(12, 40, width() - 24, 20), Qt::AlignLeft | Qt::AlignVCenter, track);
    // The news plug-in's panels take the lower part of such a skin.
    if (newsTray_) return;
    p.setPen(QColor(0x40, 0xC0, 0xFF));
    p.drawText(QRect(12, height() - 30, width() - 24, 20), Qt::AlignLeft | Qt::AlignVCenter,
               TrackCount(player_.PlayList.size()) + QStringLiteral("  -  right-click for menus"));
}

void PlyxWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragOffset_ = event->position().toPoint();
}

void PlyxWindow::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) move(event->globalPosition().toPoint() - dragOffset_);
}

void PlyxWindow::moveEvent(QMoveEvent*) {
    if (pos() != QPoint(player_.Properties["Left"], player_.Properties["Top"]))
        player_.MoveTo(x(), y());
}

void PlyxWindow::followPosition() {
    QPoint wanted(player_.Properties["Left"], player_.Properties["Top"]);
    if (pos() != wanted) move(wanted);
}

void PlyxWindow::FillMenu(QMenu* menu, long parent) {
    menu->clear();
    for (long id : player_.Children(parent)) {
        const PlyxMenuItem* item = player_.MenuItem(id);
        if (item->caption == "-") {
            menu->addSeparator();
            continue;
        }
        if (!player_.Children(id).empty()) {
            QMenu* sub = menu->addMenu(text(item->caption));
            sub->setEnabled(item->enabled);
            QObject::connect(sub, &QMenu::aboutToShow, sub, [this, sub, id] {
                player_.AboutToShowMenu(id);
                FillMenu(sub, id);
            });
            FillMenu(sub, id);
            continue;
        }
        QString caption = text(item->caption);
        QAction* action = menu->addAction(platform::ElideMenuText(caption));
        // A caption cut short shows whole in the entry's tip.
        if (action->text() != caption) {
            action->setToolTip(caption);
            menu->setToolTipsVisible(true);
        }
        action->setEnabled(item->enabled);
        action->setCheckable(item->checked);
        action->setChecked(item->checked);
        QObject::connect(action, &QAction::triggered, [this, id] {
            if (id == kMenuAbout) return;
            player_.ClickMenu(id);
            if (player_.MenuItem(id) && player_.MenuItem(id)->caption == "Play list")
                ShowPlayList();
        });
    }
}

QString PlyxWindow::TrackCount(size_t tracks) {
    return tracks == 1 ? QStringLiteral("1 track") : QStringLiteral("%1 tracks").arg(tracks);
}

void PlyxWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    FillContextMenu(&menu);
    menu.exec(event->globalPos());
}

void PlyxWindow::FillContextMenu(QMenu* menu) {
    for (long root : {kMenuPlugins, kMenuPlay, kMenuView, kMenuTools, kMenuHelp}) {
        const PlyxMenuItem* item = player_.MenuItem(root);
        QMenu* sub = menu->addMenu(text(item->caption));
        QObject::connect(sub, &QMenu::aboutToShow, sub, [this, sub, root] {
            player_.AboutToShowMenu(root);
            FillMenu(sub, root);
        });
        FillMenu(sub, root);
    }
    menu->addSeparator();
    QObject::connect(menu->addAction(QStringLiteral("Skin...")), &QAction::triggered, this, [this] {
        QString start = player_.Design.empty()
                            ? QString()
                            : QString::fromStdString(platform::NativePath(player_.Design));
        QString file = QFileDialog::getOpenFileName(
            this, QStringLiteral("Skin"), start,
            QStringLiteral("Skins (*.plyxd *.bmp *.jpg *.jpeg);;All files (*)"));
        if (!file.isEmpty()) player_.ChooseDesign(platform::PathFromNative(file.toStdString()));
    });
    QAction* none = menu->addAction(QStringLiteral("No skin"));
    none->setEnabled(!player_.Design.empty());
    QObject::connect(none, &QAction::triggered, this, [this] { player_.ChooseDesign(""); });
    QAction* exit = menu->addAction(QStringLiteral("Exit"));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QObject::connect(exit, &QAction::triggered, this, [this] {
        if (OnExit) OnExit();
    });
}

void PlyxWindow::ShowPlayList() {
    if (!playList_) {
        playList_ = std::make_unique<QListWidget>();
        playList_->setWindowTitle("PLYX - Play list");
        playList_->resize(320, 240);
    }
    refreshPlayList();
    playList_->move(x(), y() + height() + 8);
    playList_->show();
}

void PlyxWindow::refreshPlayList() {
    if (!playList_) return;
    playList_->clear();
    for (const PlyxTrack& track : player_.PlayList)
        playList_->addItem(text(track.s[2]));
}
