// The calendar page's background and photo objects: their own class in streams, the
// background's style kept, bounded and copied.

#include "ULOCalendarPage.h"
#include "ULOCreator.h"
#include "UPropStream.h"
#include "UStreams.h"

#include <gtest/gtest.h>

namespace {

QByteArray StreamOf(TComponent& Component) {
    TMemoryStream stream;
    WriteComponent(stream, Component);
    return stream.Bytes();
}

std::unique_ptr<TComponent> ReadBack(const QByteArray& Bytes) {
    TMemoryStream stream(Bytes);
    return ReadComponent(stream);
}

} // namespace

TEST(CalendarPageObjects, BackgroundStyleStreamsAndCopies) {
    RegisterLayoutObjectClasses();
    TLOCalendarBackGrnd back;
    back.SetBoundsRect(TRect(0, 0, 1000, 1400));
    const QByteArray plain = StreamOf(back);
    EXPECT_FALSE(plain.contains("BackStyle")) << "the default is not written";
    back.SetBackStyle(1);
    const QByteArray own = StreamOf(back);
    ASSERT_TRUE(own.contains("BackStyle"));
    std::unique_ptr<TComponent> read = ReadBack(own);
    auto* readBack = qobject_cast<TLOCalendarBackGrnd*>(read.get());
    ASSERT_NE(readBack, nullptr);
    EXPECT_EQ(readBack->BackStyle(), 1);
    EXPECT_EQ(StreamOf(*readBack), own);

    TLOCalendarBackGrnd copy;
    copy.Assign(&back);
    EXPECT_EQ(copy.BackStyle(), 1);
    EXPECT_EQ(StreamOf(copy), own);

    for (const int damaged : {-1, 2, 7}) {
        back.SetBackStyle(damaged);
        EXPECT_EQ(back.BackStyle(), 0) << damaged;
    }
}

TEST(CalendarPageObjects, PhotoIsAnImageOfItsOwnClass) {
    RegisterLayoutObjectClasses();
    TLOCalendarPhoto photo;
    photo.SetBoundsRect(TRect(10, 20, 310, 220));
    const QByteArray bytes = StreamOf(photo);
    std::unique_ptr<TComponent> read = ReadBack(bytes);
    ASSERT_NE(qobject_cast<TLOCalendarPhoto*>(read.get()), nullptr);
    EXPECT_EQ(StreamOf(*read), bytes);
}
