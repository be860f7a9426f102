#include "UBroadcastCatcher.h"

TBroadcastCatcher::TBroadcastCatcher(TComponent* Owner)
    : TComponent(Owner),
      FListener(std::make_unique<TListener>(
          [this](IInterface* Sender, const TGUID& MsgID) { Notify(Sender, MsgID); })) {}

TBroadcastCatcher::~TBroadcastCatcher() = default;

void TBroadcastCatcher::SetGUID(const QString& Value) {
    if (Value == FGUIDText)
        return;
    FMessageId = Value.isEmpty() ? TGUID() : TGUID::FromString(Value);
    FGUIDText = Value;
}

void TBroadcastCatcher::Connect(IBroadcaster* Broadcaster) {
    if (Broadcaster)
        Broadcaster->AddListener(FListener.get());
}

void TBroadcastCatcher::Notify(IInterface* Sender, const TGUID& MsgID) {
    if (MsgID == FMessageId && OnCatch)
        OnCatch(Sender);
}
