#pragma once

#include <QObject>

class TPLYXNews;
namespace platform {
class TImage;
}

// Double-clicks and the image buttons' presses; every other mouse event
// goes on to the player's main control, so pressing a panel drags the player.
class SkinEvents : public QObject {
public:
    explicit SkinEvents(TPLYXNews& news) : QObject(nullptr), news_(news) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TPLYXNews& news_;
    platform::TImage* pressed_ = nullptr;
};
