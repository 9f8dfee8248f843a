#include "shell/toolkit/winmsg.h"

#include <QCoreApplication>

namespace dmm {

QEvent::Type WindowMessage::type() {
    static const QEvent::Type t = static_cast<QEvent::Type>(QEvent::registerEventType());
    return t;
}

void PostWindowMessage(QObject* to, int number, qintptr wParam) {
    if (to) QCoreApplication::postEvent(to, new WindowMessage(number, wParam));
}

void SendWindowMessage(QObject* to, int number, qintptr wParam) {
    if (!to) return;
    WindowMessage m(number, wParam);
    QCoreApplication::sendEvent(to, &m);
}

}  // namespace dmm
