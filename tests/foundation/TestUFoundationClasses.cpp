#include "UFoundationClasses.h"

#include "UAppFrame.h"
#include "UClasses.h"
#include "UPersistent.h"

#include <gtest/gtest.h>

TEST(FoundationClasses, StreamsCanCreateEveryRegisteredClass) {
    RegisterFoundationClasses();
    for (const char* name :
         {"TAppFrame", "TStringHolder", "TBroadcastCatcher", "TGlobalNotify", "TClipboardNotify"}) {
        const QMetaObject* cls = GetClass(QString::fromLatin1(name));
        ASSERT_NE(cls, nullptr) << name;
        const std::unique_ptr<TPersistent> made = CreatePersistent(*cls);
        ASSERT_NE(made, nullptr) << name;
        EXPECT_STREQ(made->metaObject()->className(), name);
    }
}
