#include "PaperTestSupport.h"

#include "UPropStream.h"

#include <gtest/gtest.h>

QByteArray StreamOf(TComponent& Paper) {
    TMemoryStream S;
    WriteComponent(S, Paper);
    return S.Bytes();
}

std::unique_ptr<TPaperInfo> ReadPaper(const QByteArray& Bytes) {
    RegisterPaperClasses();
    TMemoryStream S(Bytes);
    std::unique_ptr<TComponent> C = ReadComponent(S);
    auto* P = qobject_cast<TPaperInfo*>(C.get());
    EXPECT_NE(P, nullptr) << "not a paper";
    if (!P)
        return nullptr;
    C.release();
    return std::unique_ptr<TPaperInfo>(P);
}

#include "UPapers.h"

namespace {
// The paper classes are known to the stream reader and to collections in every test.
class TPaperClassesEnvironment : public ::testing::Environment {
public:
    void SetUp() override { RegisterPaperLibraryClasses(); }
};
const auto* const PaperClassesEnvironment =
    ::testing::AddGlobalTestEnvironment(new TPaperClassesEnvironment);
} // namespace
