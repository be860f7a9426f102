#include "FPositionProperty.h"

#include "UDOInterfaces.h"
#include "UDrawObject.h"
#include "UDrawSite.h"
#include "UExSpinEdit.h"

#include <QFormLayout>
#include <QTabBar>
#include <QTabWidget>

namespace {

constexpr int LengthLimit = 10000;
constexpr int MinSize = 20;
// Points and positions may lie anywhere on the page's logical plane, off the face included.
constexpr int PointLimit = MaxLogicalCoord;

// Old when Edit holds no valid number, else what KeptValue keeps.
int ValidOr(const TExSpinEdit* Edit, int Old) {
    return Edit->IsInvalidValue() ? Old : KeptValue(*Edit, Old);
}

} // namespace

TfrmPositionProperty::TfrmPositionProperty(QWidget* Parent)
    : TfrmPropertyDialog(QString(), Parent) {
    setObjectName(QStringLiteral("frmPositionProperty"));
    setWindowTitle(QStringLiteral("位置･サイズの設定"));
    auto add = [](QFormLayout* Form, TExSpinEdit*& Edit, const char* Name, const QString& Caption,
                  int Min, int Max) {
        Edit = NewLengthEdit(Form->parentWidget(), QString::fromLatin1(Name), Caption, Min, Max);
        Form->addRow(Caption + u':', WithUnit(Edit, QStringLiteral("mm")));
    };
    QFormLayout* rect = AddPage(QStringLiteral("RectPosition"), QStringLiteral("位置･サイズ"));
    add(rect, esLeft, "esLeft", QStringLiteral("左(&L)"), -PointLimit, PointLimit);
    add(rect, esTop, "esTop", QStringLiteral("上(&T)"), -PointLimit, PointLimit);
    add(rect, esWidth, "esWidth", QStringLiteral("幅(&W)"), MinSize, LengthLimit);
    add(rect, esHeight, "esHeight", QStringLiteral("高さ(&H)"), MinSize, LengthLimit);
    QFormLayout* line = AddPage(QStringLiteral("LinePosition"), QStringLiteral("始点･終点"));
    add(line, esStartX, "esStartX", QStringLiteral("始点X(&X)"), -PointLimit, PointLimit);
    add(line, esStartY, "esStartY", QStringLiteral("始点Y(&Y)"), -PointLimit, PointLimit);
    add(line, esEndX, "esEndX", QStringLiteral("終点X(&U)"), -PointLimit, PointLimit);
    add(line, esEndY, "esEndY", QStringLiteral("終点Y(&V)"), -PointLimit, PointLimit);
    // The page follows the object, not the last dialog.
    Pages()->tabBar()->hide();
}

void TfrmPositionProperty::SelectPage(TPage Page) {
    Pages()->setCurrentIndex(Page == ppLine ? 1 : 0);
}

void TfrmPositionProperty::LoadRect(const TRect& R) {
    esLeft->SetValue(R.Left - FOrigin.x);
    esTop->SetValue(R.Top - FOrigin.y);
    esWidth->SetValue(R.Width());
    esHeight->SetValue(R.Height());
}

TRect TfrmPositionProperty::ReadRect(const TRect& R) const {
    const int left = ValidOr(esLeft, R.Left - FOrigin.x) + FOrigin.x;
    const int top = ValidOr(esTop, R.Top - FOrigin.y) + FOrigin.y;
    const int width = ValidOr(esWidth, R.Width()), height = ValidOr(esHeight, R.Height());
    return TRect(left, top, left + width, top + height);
}

void TfrmPositionProperty::LoadLine(const TPoint& Start, const TPoint& End) {
    esStartX->SetValue(Start.x - FOrigin.x);
    esStartY->SetValue(Start.y - FOrigin.y);
    esEndX->SetValue(End.x - FOrigin.x);
    esEndY->SetValue(End.y - FOrigin.y);
}

void TfrmPositionProperty::ReadLine(TPoint& Start, TPoint& End) const {
    const auto read = [this](const TExSpinEdit* X, const TExSpinEdit* Y, const TPoint& P) {
        return TPoint(ValidOr(X, P.x - FOrigin.x) + FOrigin.x,
                      ValidOr(Y, P.y - FOrigin.y) + FOrigin.y);
    };
    Start = read(esStartX, esStartY, Start);
    End = read(esEndX, esEndY, End);
}

void TfrmPositionProperty::LoadFrom(TDrawObject& Object) {
    FOrigin = UserOriginOf(Object);
    if (const auto* line = QueryObjectInterface<IDOLine>(&Object)) {
        SelectPage(ppLine);
        LoadLine(line->GetStartPoint(), line->GetEndPoint());
    } else if (const auto* p = QueryObjectInterface<IDOPosition>(&Object)) {
        SelectPage(ppRect);
        LoadRect(TRect(p->GetLeft(), p->GetTop(), p->GetLeft() + p->GetWidth(),
                       p->GetTop() + p->GetHeight()));
    }
}

void TfrmPositionProperty::ApplyTo(TDrawObject& Object) {
    Object.BeginUpdate();
    if (auto* line = QueryObjectInterface<IDOLine>(&Object)) {
        TPoint start = line->GetStartPoint(), end = line->GetEndPoint();
        ReadLine(start, end);
        line->SetStartPoint(start);
        line->SetEndPoint(end);
    } else if (auto* p = QueryObjectInterface<IDOPosition>(&Object)) {
        const TRect old(p->GetLeft(), p->GetTop(), p->GetLeft() + p->GetWidth(),
                        p->GetTop() + p->GetHeight());
        const TRect r = ReadRect(old);
        if (r.Left != old.Left)
            p->SetLeft(r.Left);
        if (r.Top != old.Top)
            p->SetTop(r.Top);
        if (r.Width() != old.Width())
            p->SetWidth(r.Width());
        if (r.Height() != old.Height())
            p->SetHeight(r.Height());
    }
    Object.EndUpdate();
}
