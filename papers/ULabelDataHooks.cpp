#include "ULabelDataHooks.h"

#include "UFaceInfo.h"
#include "ULOBackImage.h"
#include "ULOCalendar.h"
#include "ULODate.h"
#include "ULabelData.h"
#include "UPaperInfo.h"

namespace {

// A time of 0 is one the document does not have (never printed, never saved).
std::optional<TDateTime> Known(TDateTime Time) {
    if (double(Time) == 0)
        return std::nullopt;
    return Time;
}

} // namespace

void InstallLabelDataHooks() {
    TLabelDataHooks hooks = LabelDataHooks();
    hooks.RefreshDate = [](TDrawObject& Object, const TLabelDataTimes& Times) {
        RefreshDateObject(Object,
                          {Known(Times.OpenTime), Known(Times.LastPrint), Known(Times.LastSave)});
    };
    hooks.IsBlankBackground = [](TDrawObject& Object) {
        const auto* back = qobject_cast<TLOBackImage*>(&Object);
        return back && back->IsBlank();
    };
    hooks.FitBackground = [](TDrawObject& Object, const TFaceInfo& Face) {
        auto* back = qobject_cast<TLOBackImage*>(&Object);
        if (!back)
            return;
        back->SetFaceInfo(Face);
        back->SetBoundsRect(FaceDesignArea(Face));
    };
    hooks.ConnectionNumber = [](TDrawObject& Object) {
        const auto* connected = qobject_cast<TLOConnected*>(&Object);
        return connected ? connected->ConnectNo() : 0;
    };
    hooks.AssignConnectedStyle = [](TDrawObject& Target, TDrawObject& Source) {
        auto* target = qobject_cast<TLOCalendar*>(&Target);
        const auto* source = qobject_cast<TLOCalendar*>(&Source);
        if (target && source && target != source)
            target->AssignStyle(*source);
    };
    SetLabelDataHooks(hooks);
}
