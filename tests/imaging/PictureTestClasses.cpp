#include "PictureTestClasses.h"

#include "TestSupport.h"
#include "UClasses.h"
#include "UPictureFormats.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

TPictureHolder::TPictureHolder(TComponent* Owner)
    : TComponent(Owner), FPicture(std::make_unique<TPictureEx>()),
      FLoader(std::make_unique<TResourceImageLoader>(FPicture.get())) {}

void TPictureHolder::Loaded() {
    TComponent::Loaded();
    FLoader->SetReady(true);
    FLoader->Load();
}

void RegisterPictureTestClasses() {
    RegisterPictureFormats();
    RegisterClass<TPictureHolder>();
}

namespace {

// Every picture test finds the formats registered, as the program does at start-up.
class TPictureEnvironment : public ::testing::Environment {
public:
    void SetUp() override { RegisterPictureTestClasses(); }
};

[[maybe_unused]] const ::testing::Environment* const Environment =
    ::testing::AddGlobalTestEnvironment(new TPictureEnvironment);

} // namespace

int MaxChannelDifference(const QImage& A, const QImage& B) {
    if (A.size() != B.size())
        return -1;
    // Premultiplied: what drawing the pixels gives; colours under low alpha count less.
    const QImage a = A.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage b = B.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            for (const int d : {qRed(p[x]) - qRed(q[x]), qGreen(p[x]) - qGreen(q[x]),
                                qBlue(p[x]) - qBlue(q[x]), qAlpha(p[x]) - qAlpha(q[x])})
                worst = std::max(worst, std::abs(d));
    }
    return worst;
}

double MeanChannelDifference(const QImage& A, const QImage& B) {
    if (A.size() != B.size())
        return -1;
    const QImage a = A.convertToFormat(QImage::Format_RGB32);
    const QImage b = B.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return a.isNull() ? 0 : sum / (3.0 * a.width() * a.height());
}

QImage FixtureImage(const QString& Name) {
    return QImage::fromData(ReadTestData("pictures/" + Name))
        .convertToFormat(QImage::Format_ARGB32);
}

QByteArray Fuzzed(const QByteArray& Data, unsigned Seed, int Count) {
    QByteArray out = Data;
    std::mt19937 random(Seed);
    for (int i = 0; i < Count && !out.isEmpty(); ++i) {
        const auto at = static_cast<qsizetype>(random() % static_cast<unsigned>(out.size()));
        out[at] = static_cast<char>(random() & 0xFF);
    }
    return out;
}
