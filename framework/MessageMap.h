#pragma once
// Handler tables that read at a glance. A page lists its handlers between
// BEGIN_MESSAGE_MAP and END_MESSAGE_MAP; whatever the table does not handle goes
// on to the base class and, for menu commands, to the owner window.
#include <windows.h>
#include <commctrl.h>

#include <cstddef>

template <class T>
struct MessageMapEntry {
    enum class Kind { Command, Control, Notify, Message };
    Kind kind;
    UINT message;  // Message entries only
    UINT id;       // Command, Control and Notify entries
    UINT code;     // Control and Notify entries: the notification code
    void (T::*onCommand)();
    void (T::*onNotify)(NMHDR*, LRESULT*);
    LRESULT (T::*onMessage)(WPARAM, LPARAM);
};

template <class T>
MessageMapEntry<T> CommandEntry(UINT id, void (T::*handler)()) {
    return {MessageMapEntry<T>::Kind::Command, WM_COMMAND, id, 0, handler, nullptr, nullptr};
}
template <class T>
MessageMapEntry<T> ControlEntry(UINT id, UINT code, void (T::*handler)()) {
    return {MessageMapEntry<T>::Kind::Control, WM_COMMAND, id, code, handler, nullptr, nullptr};
}
template <class T>
MessageMapEntry<T> NotifyEntry(UINT id, UINT code, void (T::*handler)(NMHDR*, LRESULT*)) {
    return {MessageMapEntry<T>::Kind::Notify, WM_NOTIFY, id, code, nullptr, handler, nullptr};
}
template <class T>
MessageMapEntry<T> MessageEntry(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {MessageMapEntry<T>::Kind::Message, message, 0, 0, nullptr, nullptr, handler};
}

// A command entry answers a menu command or accelerator (no control window) and
// the click of a button; any other notification a control sends with the same
// id (a list's selection change shares code 1 with accelerators) is not a command.
inline bool IsCommandFor(UINT id, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) != id) return false;
    return lParam == 0 ? HIWORD(wParam) <= 1 : HIWORD(wParam) == BN_CLICKED;
}

// Runs the first entry that matches. Returns false when none does.
template <class T, size_t N>
bool DispatchMessageMap(T* self, const MessageMapEntry<T> (&map)[N], UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result) {
    for (const MessageMapEntry<T>& entry : map) {
        switch (entry.kind) {
        case MessageMapEntry<T>::Kind::Command:
            if (message == WM_COMMAND && IsCommandFor(entry.id, wParam, lParam)) {
                (self->*entry.onCommand)();
                result = 0;
                return true;
            }
            break;
        case MessageMapEntry<T>::Kind::Control:
            if (message == WM_COMMAND && lParam != 0 && LOWORD(wParam) == entry.id && HIWORD(wParam) == entry.code) {
                (self->*entry.onCommand)();
                result = 0;
                return true;
            }
            break;
        case MessageMapEntry<T>::Kind::Notify:
            if (message == WM_NOTIFY && lParam != 0) {
                auto* header = reinterpret_cast<NMHDR*>(lParam);
                if (header->idFrom == entry.id && header->code == entry.code) {
                    result = 0;
                    (self->*entry.onNotify)(header, &result);
                    return true;
                }
            }
            break;
        case MessageMapEntry<T>::Kind::Message:
            if (message == entry.message) {
                result = (self->*entry.onMessage)(wParam, lParam);
                return true;
            }
            break;
        }
    }
    return false;
}

#define DECLARE_MESSAGE_MAP() \
protected:                    \
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

#define BEGIN_MESSAGE_MAP(ThisClass_, BaseClass_)                                                   \
    bool ThisClass_::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) { \
        using ThisClass = ThisClass_;                                                               \
        using BaseClass = BaseClass_;                                                               \
        static const MessageMapEntry<ThisClass> map[] = {
#define END_MESSAGE_MAP()                                                    \
    }                                                                        \
    ;                                                                        \
    return DispatchMessageMap(this, map, message, wParam, lParam, result) || \
           BaseClass::OnWindowMessage(message, wParam, lParam, result);      \
    }

#define ON_COMMAND(id, handler) CommandEntry<ThisClass>(id, &ThisClass::handler),
#define ON_BN_CLICKED(id, handler) CommandEntry<ThisClass>(id, &ThisClass::handler),
// Any notification a control sends through WM_COMMAND, by its code.
#define ON_CONTROL(code, id, handler) ControlEntry<ThisClass>(id, code, &ThisClass::handler),
#define ON_EN_CHANGE(id, handler) ON_CONTROL(EN_CHANGE, id, handler)
#define ON_LBN_SELCHANGE(id, handler) ON_CONTROL(LBN_SELCHANGE, id, handler)
#define ON_LBN_DBLCLK(id, handler) ON_CONTROL(LBN_DBLCLK, id, handler)
#define ON_CBN_SELCHANGE(id, handler) ON_CONTROL(CBN_SELCHANGE, id, handler)
// WM_NOTIFY from the common controls: tree and list views (TVN_SELCHANGEDW,
// LVN_ITEMCHANGED, NM_CLICK, NM_DBLCLK...). The handler sets *result when the code asks for one.
#define ON_NOTIFY(code, id, handler) NotifyEntry<ThisClass>(id, code, &ThisClass::handler),
#define ON_MESSAGE(message, handler) MessageEntry<ThisClass>(message, &ThisClass::handler),
