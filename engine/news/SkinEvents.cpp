#include "engine/news/SkinEvents.h"

#include "engine/news/TPLYXNews.h"

#include <QEvent>
#include <QMouseEvent>

using platform::TImage;

bool SkinEvents::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* image = dynamic_cast<TImage*>(widget);
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        if (widget == news_.TickerPanels[1] || widget == news_.TickerLabels[1]) {
            news_.OpenHeadline(widget);
            return true;
        }
        if (widget == news_.SiteNameLabels[1]) {
            news_.OpenSite(widget);
            return true;
        }
        if (widget == news_.DateTimeLabel) {
            news_.ShowProperty();
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
        if (image && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            news_.SkinImageDown(image);
            pressed_ = image;
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (image && pressed_ == image) {
            pressed_ = nullptr;
            news_.SkinImageUp(image);
            if (image->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
                news_.SkinImageClick(image);
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
