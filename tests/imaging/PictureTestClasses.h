#pragma once
// Shared pieces of the picture tests: a component owning a picture (with a resource loader
// bound to it) for property-stream round trips, and image comparison helpers.

#include "UComponent.h"
#include "UPictureEx.h"
#include "UResourceImageLoader.h"

#include <QImage>
#include <QString>
#include <memory>

class TPictureHolder : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TPictureEx* Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(TResourceImageLoader* Loader READ Loader WRITE SetLoader)
public:
    explicit TPictureHolder(TComponent* Owner = nullptr);
    TPictureEx* Picture() const { return FPicture.get(); }
    void SetPicture(TPictureEx* Value) { FPicture->Assign(Value); }
    TResourceImageLoader* Loader() const { return FLoader.get(); }
    void SetLoader(TResourceImageLoader* Value) { FLoader->Assign(Value); }
    void Loaded() override;

private:
    std::unique_ptr<TPictureEx> FPicture;
    std::unique_ptr<TResourceImageLoader> FLoader;
};

// Registers the picture formats and the holder (harmless to repeat).
void RegisterPictureTestClasses();

// The largest difference of any channel (alpha included) between two images of the same size,
// compared premultiplied; -1 when the sizes differ.
int MaxChannelDifference(const QImage& A, const QImage& B);
// The mean absolute difference of the colour channels (for lossy pictures); -1 when the
// sizes differ.
double MeanChannelDifference(const QImage& A, const QImage& B);
// A fixture decoded by QImage (non-premultiplied ARGB).
QImage FixtureImage(const QString& Name);
// The same bytes with one byte changed at each of Count positions drawn from a fixed seed.
QByteArray Fuzzed(const QByteArray& Data, unsigned Seed, int Count);
