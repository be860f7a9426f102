#include "UBroadcastCatcher.h"
#include "UPropStream.h"
#include "UStreams.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// A sender the catcher's owner would know.
class TSender : public IInterface {
public:
    bool QueryInterface(const TGUID&, void** Obj) override {
        *Obj = nullptr;
        return false;
    }
};

} // namespace

TEST(BroadcastCatcher, CatchesOnlyItsOwnMessageId) {
    const struct {
        const char* Name;
        QString GUID;
        TGUID Sent;
        bool Caught;
    } cases[] = {
        {"its id", QStringLiteral("{1153AE63-523C-11D3-AD37-00500463098A}"), MsgIdChanged, true},
        {"lower-case text", QStringLiteral("{1153ae63-523c-11d3-ad37-00500463098a}"), MsgIdChanged,
         true},
        {"another id", QStringLiteral("{1153AE63-523C-11D3-AD37-00500463098A}"),
         MsgIdSelectionChanged, false},
        {"empty text, zero id", QString(), TGUID(), true},
        {"empty text, another id", QString(), MsgIdChanged, false},
    };
    for (const auto& c : cases) {
        TBroadcaster broadcaster;
        TBroadcastCatcher catcher;
        catcher.SetGUID(c.GUID);
        TSender sender;
        IInterface* caught = nullptr;
        int count = 0;
        catcher.OnCatch = [&](IInterface* Sender) {
            caught = Sender;
            ++count;
        };
        catcher.Connect(&broadcaster);
        broadcaster.Broadcast(&sender, c.Sent);
        EXPECT_EQ(count, c.Caught ? 1 : 0) << c.Name;
        if (c.Caught)
            EXPECT_EQ(caught, &sender) << c.Name;
    }
}

TEST(BroadcastCatcher, AMalformedIdIsRefusedAndTheOldOneKept) {
    TBroadcastCatcher catcher;
    catcher.SetGUID(QStringLiteral("{FF0E0940-2D29-11D3-ACCC-00500463098A}"));
    for (const QString bad : {QStringLiteral("{zz}"), QStringLiteral("FF0E0940-2D29"),
                              QStringLiteral("{FF0E0940-2D29-11D3-ACCC-00500463098A")})
        EXPECT_THROW(catcher.SetGUID(bad), EOleSysError) << qPrintable(bad);
    EXPECT_EQ(catcher.GUID(), QStringLiteral("{FF0E0940-2D29-11D3-ACCC-00500463098A}"));
    EXPECT_EQ(catcher.MessageId(), MsgIdGoingAway);
}

TEST(BroadcastCatcher, TheConnectionEndsWithEitherSide) {
    auto broadcaster = std::make_unique<TBroadcaster>();
    {
        TBroadcastCatcher catcher;
        catcher.Connect(broadcaster.get());
        catcher.Connect(nullptr);
        EXPECT_EQ(broadcaster->ListenerCount(), 1);
    }
    EXPECT_EQ(broadcaster->ListenerCount(), 0);

    TBroadcastCatcher catcher;
    catcher.SetGUID(MsgIdGoingAway.ToString());
    int goingAway = 0;
    catcher.OnCatch = [&](IInterface*) { ++goingAway; };
    catcher.Connect(broadcaster.get());
    broadcaster.reset();
    EXPECT_EQ(goingAway, 1);
}

TEST(BroadcastCatcher, TheIdIsStoredWithTheForm) {
    TBroadcastCatcher catcher;
    catcher.SetName(QStringLiteral("catcher1"));
    catcher.SetGUID(MsgIdActiveFormChanged.ToString());
    TMemoryStream stream;
    WriteComponent(stream, catcher);
    stream.SetPosition(0);
    TBroadcastCatcher read;
    ReadComponent(stream, read);
    EXPECT_EQ(read.MessageId(), MsgIdActiveFormChanged);
}
