#include "UGMEMStream.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

TEST(ClipboardStream, MimeTypesFromFormatNames) {
    EXPECT_EQ(ClipboardMimeType("Vantomi Objects"), "application/x-vantomi-vantomi-objects");
    EXPECT_EQ(ClipboardMimeType("Label.Data+1"), "application/x-vantomi-label.data+1");
}

TEST(ClipboardStream, RoundTripThroughTheClipboard) {
    TGMEMStream out;
    EXPECT_FALSE(out.Attached());
    out.WriteBytes("object data");
    auto* mime = new QMimeData;
    SetClipboardStream(*mime, "Vantomi Objects", out);
    EXPECT_EQ(out.GetSize(), 0) << "the bytes went to the clipboard";
    QGuiApplication::clipboard()->setMimeData(mime);

    const QMimeData* pasted = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(GetClipboardStream(*pasted, "Other Format"), nullptr);
    auto in = GetClipboardStream(*pasted, "Vantomi Objects");
    ASSERT_NE(in, nullptr);
    EXPECT_TRUE(in->Attached());
    EXPECT_EQ(in->ReadBytes(in->GetSize()), "object data");

    // Inside the block: allowed. Growing or resizing it: refused.
    in->SetPosition(0);
    in->WriteBytes("OBJECT");
    try {
        in->WriteBytes(" and more than the block holds");
        ADD_FAILURE() << "expected EGMEMStream";
    } catch (const EGMEMStream& e) {
        EXPECT_EQ(e.Message, "should not realloc Global Handle");
    }
    EXPECT_THROW(in->SetSize(3), EGMEMStream);
    EXPECT_EQ(in->DetachHandle(), "OBJECT data");
    EXPECT_FALSE(in->Attached());
    EXPECT_EQ(in->GetSize(), 0);
    in->WriteBytes("free to grow now");
    EXPECT_EQ(in->GetSize(), 16);
}
