#include "platform/dialogs/Dialogs.h"

#include "platform/text/Cp932.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <mutex>

namespace platform {

namespace {

std::mutex handlersMutex;
MessageHandler messageHandler;
BeepHandler beepHandler;

int firstButton(uint32_t buttons) {
    for (uint32_t b : {ButtonOk, ButtonYes, ButtonNo, ButtonCancel})
        if (buttons & b) return static_cast<int>(b);
    return ButtonOk;
}

int defaultMessage(const std::string& text, MessageKind kind, uint32_t buttons) {
    QString message = QString::fromStdU16String(SjisToUtf16(text));
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s\n", SjisToUtf8(text).c_str());
        return firstButton(buttons);
    }
    QMessageBox::Icon icon = kind == MessageKind::Warning        ? QMessageBox::Warning
                             : kind == MessageKind::Error        ? QMessageBox::Critical
                             : kind == MessageKind::Confirmation ? QMessageBox::Question
                                                                 : QMessageBox::Information;
    QMessageBox box(icon, QCoreApplication::applicationName(), message);
    QMessageBox::StandardButtons standard;
    if (buttons & ButtonOk) standard |= QMessageBox::Ok;
    if (buttons & ButtonCancel) standard |= QMessageBox::Cancel;
    if (buttons & ButtonYes) standard |= QMessageBox::Yes;
    if (buttons & ButtonNo) standard |= QMessageBox::No;
    box.setStandardButtons(standard);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return ButtonCancel;
    case QMessageBox::Yes:
        return ButtonYes;
    case QMessageBox::No:
        return ButtonNo;
    default:
        return ButtonOk;
    }
}

} // namespace

int ShowMessage(const std::string& text, MessageKind kind, uint32_t buttons) {
    MessageHandler handler;
    {
        std::lock_guard lock(handlersMutex);
        handler = messageHandler;
    }
    return handler ? handler(text, kind, buttons) : defaultMessage(text, kind, buttons);
}

void MessageBeep(uint32_t type) {
    BeepHandler handler;
    {
        std::lock_guard lock(handlersMutex);
        handler = beepHandler;
    }
    if (handler)
        handler(type);
    else if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}

void SetMessageHandler(MessageHandler handler) {
    std::lock_guard lock(handlersMutex);
    messageHandler = std::move(handler);
}

void SetBeepHandler(BeepHandler handler) {
    std::lock_guard lock(handlersMutex);
    beepHandler = std::move(handler);
}

} // namespace platform
