#include "PictureTestClasses.h"

#include "TestSupport.h"
#include "UClasses.h"
#include "UPictureFormats.h"

#include <algorithm>
#include <cstdlib>
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

int MaxChannelDifference(const QImage& A, const QImage& B) {
    if (A.size() != B.size())
        return -1;
    const QImage a = A.convertToFormat(QImage::Format_ARGB32);
    const QImage b = B.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            // Colours of fully transparent pixels do not matter.
            if (qAlpha(p) == 0 && qAlpha(q) == 0)
                continue;
            for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q),
                                qAlpha(p) - qAlpha(q)})
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
