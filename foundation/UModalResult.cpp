#include "UModalResult.h"

QString BitBtnCaption(TBitBtnKind Kind) {
    switch (Kind) {
    case bkOK:
        return QStringLiteral("OK");
    case bkCancel:
        return QStringLiteral("キャンセル");
    case bkHelp:
        return QStringLiteral("ヘルプ(&H)");
    case bkYes:
        return QStringLiteral("はい(&Y)");
    case bkNo:
        return QStringLiteral("いいえ(&N)");
    case bkClose:
        return QStringLiteral("閉じる(&C)");
    case bkAbort:
        return QStringLiteral("中止");
    case bkRetry:
        return QStringLiteral("再試行(&R)");
    case bkIgnore:
        return QStringLiteral("無視(&I)");
    case bkAll:
        return QStringLiteral("すべて(&A)");
    case bkCustom:
        break;
    }
    return {};
}
