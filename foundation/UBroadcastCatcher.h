#pragma once
// A component that reacts to one message of one broadcaster without a listener class of its
// own: editor pages set GUID to the message id they want, connect the catcher to a
// broadcaster and get OnCatch with the notification's sender for every such message.

#include "UComponent.h"
#include "UNotify.h"

#include <QString>
#include <functional>
#include <memory>

class TBroadcastCatcher : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString GUID READ GUID WRITE SetGUID)
    Q_CLASSINFO("Ignored", "OnCatch")
public:
    explicit TBroadcastCatcher(TComponent* Owner = nullptr);
    ~TBroadcastCatcher() override;

    // The message id in the registry text form with braces; empty text stands for the
    // all-zero id. Setting a malformed text raises EOleSysError and keeps the previous id.
    const QString& GUID() const { return FGUIDText; }
    void SetGUID(const QString& Value);
    const TGUID& MessageId() const { return FMessageId; }

    // Connects the catcher's listener to Broadcaster (null is ignored). The connection ends
    // when either side is destroyed.
    void Connect(IBroadcaster* Broadcaster);

    // Called with the sender of every notification whose message id is MessageId().
    std::function<void(IInterface* Sender)> OnCatch;

private:
    void Notify(IInterface* Sender, const TGUID& MsgID);

    QString FGUIDText;
    TGUID FMessageId;
    std::unique_ptr<TListener> FListener;
};
