#pragma once
// Button kinds of message boxes and the modal results a dialog ends with.
//
// The numbers are the class library's: message-box answers are compared against them (OK 1,
// Cancel 2, Yes 6, No 7 ...), so they must not change.

#include <QString>
#include <vector>

using TModalResult = int;

inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

// The kinds of a message box's buttons, in the class library's order.
enum TBitBtnKind {
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll
};

using TBitBtnKinds = std::vector<TBitBtnKind>;

// The modal result a button of that kind ends its dialog with (mrNone for bkCustom, bkHelp
// and bkClose, which do not answer).
constexpr TModalResult ModalResultOfKind(TBitBtnKind Kind) {
    switch (Kind) {
    case bkOK:
        return mrOk;
    case bkCancel:
        return mrCancel;
    case bkYes:
        return mrYes;
    case bkNo:
        return mrNo;
    case bkAbort:
        return mrAbort;
    case bkRetry:
        return mrRetry;
    case bkIgnore:
        return mrIgnore;
    case bkAll:
        return mrAll;
    case bkCustom:
    case bkHelp:
    case bkClose:
        break;
    }
    return mrNone;
}

// The caption of a button of that kind in the program's message form.
QString BitBtnCaption(TBitBtnKind Kind);
