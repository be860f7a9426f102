#include "FObjectPreview.h"

#include "UBitmap.h"
#include "UDOInterfaces.h"
#include "UDrawObject.h"
#include "UDrawSite.h"
#include "UScaler.h"
#include "UUndo.h"

#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

// The union of the enclosing bounds of Objects; empty when none answers IDOEncloseBounds.
TRect EnclosingBounds(const std::vector<TDrawObject*>& Objects) {
    TRect result;
    bool any = false;
    for (TDrawObject* object : Objects) {
        const auto* bounds = QueryObjectInterface<IDOEncloseBounds>(object);
        if (!bounds)
            continue;
        const TRect b = bounds->GetBoundsRect();
        if (!any)
            result = b;
        else
            UnionRect(result, result, b);
        any = true;
    }
    return result;
}

// Pixels of a logical length (0.1 mm) at 100 %.
int PixelsAt100(int Logical) {
    return std::max(1, MulDiv(Logical, GetScreenPixelsPerInch(), 254));
}

} // namespace

TframeObjectPreview::TframeObjectPreview(QWidget* Parent)
    : QWidget(Parent), FView(new QScrollArea(this)), FImage(new QLabel),
      FShowTrueSize(new QCheckBox(QStringLiteral("実寸で表示(&S)"), this)) {
    setObjectName(QStringLiteral("frameObjectPreview"));
    FView->setObjectName(QStringLiteral("sbView"));
    FView->setWidget(FImage);
    FView->setAlignment(Qt::AlignCenter);
    FView->setBackgroundRole(QPalette::Dark);
    FShowTrueSize->setObjectName(QStringLiteral("chkShowTrueSize"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FView, 1);
    layout->addWidget(FShowTrueSize);
    connect(FShowTrueSize, &QCheckBox::toggled, this, &TframeObjectPreview::Redraw);
    setMinimumSize(160, 140);
}

void TframeObjectPreview::Attach(std::vector<TDrawObject*> Objects) {
    std::erase(Objects, nullptr);
    FObjects = std::move(Objects);
    Redraw();
}

QPixmap TframeObjectPreview::Picture() const {
    return FImage->pixmap();
}

void TframeObjectPreview::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    if (!FShowTrueSize->isChecked())
        Redraw();
}

void TframeObjectPreview::Redraw() {
    const bool trueSize = FShowTrueSize->isChecked();
    const Qt::ScrollBarPolicy bars = trueSize ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    FView->setHorizontalScrollBarPolicy(bars);
    FView->setVerticalScrollBarPolicy(bars);
    const TRect bounds = EnclosingBounds(FObjects);
    FScale = 0;
    if (bounds.Width() <= 0 || bounds.Height() <= 0) {
        FImage->clear();
        FImage->resize(0, 0);
        return;
    }
    int scale = 100;
    if (!trueSize) {
        const int inset = 2 * (FView->frameWidth() + 2);
        const int w = std::max(1, FView->width() - inset);
        const int h = std::max(1, FView->height() - inset);
        scale = std::min(MulDiv(w, 100, PixelsAt100(bounds.Width())),
                         MulDiv(h, 100, PixelsAt100(bounds.Height())));
        scale = std::clamp(scale, 1, 1000);
    }

    // Copies on a surface of their own, moved to the origin.
    TDrawSite site;
    site.SetBorder(false);
    site.Scaler().SetUnitDPI(254);
    site.Scaler().SetScale(scale);
    site.SetLogWidth(bounds.Width());
    site.SetLogHeight(bounds.Height());
    for (TDrawObject* object : FObjects) {
        std::unique_ptr<TDrawObject> copy = CloneDrawObject(*object);
        if (auto* moved = QueryObjectInterface<IDOEncloseBounds>(copy.get()))
            moved->OffsetBy(-bounds.Left, -bounds.Top);
        TDrawObject* placed = copy.release(); // owned by the site from here
        site.InsertObject(placed);
        site.AddObject(placed);
    }
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(std::max(1, site.Width()), std::max(1, site.Height()));
    bitmap.Canvas().Brush().SetColor(clWhite);
    bitmap.Canvas().FillRect(TRect(0, 0, bitmap.Width(), bitmap.Height()));
    site.DrawTo(bitmap.Canvas(), TPoint(0, 0), scale);
    FImage->setPixmap(QPixmap::fromImage(bitmap.ToQImage()));
    FImage->resize(bitmap.Width(), bitmap.Height());
    FScale = scale;
}
