// Window messages between the program's windows: a small QEvent carrying the
// message number and its first parameter. "Posted" messages are queued, "sent"
// ones handled before the call returns, so the order is the same as on the
// platform the numbers come from.
#pragma once

#include <QEvent>
#include <QObject>

namespace dmm {

namespace msg {
constexpr int NewReading = 1026;  // analog meter, comparator, recorder: a reading is ready
constexpr int LinkCut = 1029;     // recorder: the link was cut, stop acquiring
constexpr int Unlink = 1030;      // main window: release the link button and run its click
constexpr int Link = 1031;        // main window: press the link button and run its click
constexpr int DataClear = 1032;   // data list: clear all pages
constexpr int DataAppend = 1034;  // data list: append the line of record wParam
constexpr int Refresh = 1036;     // main window: refresh link commands; recorder: transfer ended
}  // namespace msg

class WindowMessage : public QEvent {
public:
    WindowMessage(int number, qintptr wParam) : QEvent(type()), number_(number), wParam_(wParam) {}
    static QEvent::Type type();
    int number() const { return number_; }
    qintptr wParam() const { return wParam_; }

private:
    int number_;
    qintptr wParam_;
};

// Queued: handled after the caller returns to the event loop.
void PostWindowMessage(QObject* to, int number, qintptr wParam = 0);
// Handled at once, before this returns.
void SendWindowMessage(QObject* to, int number, qintptr wParam = 0);

}  // namespace dmm
