#include "FColorGrid.h"

#include "UColGrid.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {

TfrmColorGrid* SharedInstance = nullptr;

void DestroyShared() {
    delete SharedInstance;
    SharedInstance = nullptr;
}

} // namespace

TfrmColorGrid::TfrmColorGrid(QWidget* Parent)
    : QWidget(Parent, Qt::Popup | Qt::FramelessWindowHint), FColGrid(new TColGrid(this)) {
    setObjectName(QStringLiteral("frmColorGrid"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FColGrid);
    FColGrid->setObjectName(QStringLiteral("ColGrid1"));
    FColGrid->SetColCount(8);
    FColGrid->SetRowCount(5);
    FColGrid->SetUseOtherColor(true);
    FColGrid->SetUseTransparent(false);
    FColGrid->SetColorList(DropDownColors());
    FColGrid->OnChangeColor = [this](TColGrid*, TColor Color, bool Transparent) {
        ColGridChangeColor(Color, Transparent);
    };
    // The colour dialog hides the popup while it runs; a cancelled dialog then closes it.
    FColGrid->OnOtherColorCancel = [this](TColGrid*) {
        if (!isVisible())
            CloseUp(false);
    };
    setFixedSize(ClientWidth, ClientHeight);
}

TfrmColorGrid::~TfrmColorGrid() {
    FOnChange = nullptr;
    FOnCancel = nullptr;
    if (SharedInstance == this)
        SharedInstance = nullptr;
}

TfrmColorGrid& TfrmColorGrid::Shared() {
    if (!SharedInstance) {
        SharedInstance = new TfrmColorGrid;
        // Runs when the application object goes, before the window system is shut down.
        qAddPostRoutine(DestroyShared);
    }
    return *SharedInstance;
}

QStringList TfrmColorGrid::DropDownColors() {
    return TColGrid::BasicColorNames() +
           QStringList{"$003f3f3f", "$007f7fff", "$007fffff", "$007fff7f", "$00ffff7f",
                       "$00ff7f7f", "$00ff7fff", "$00bf3f7f", "$00bf7f3f", "$007f7fbf",
                       "$007fbfbf", "$007fbf7f", "$00bfbf7f", "$00bf7f7f", "$00bf7fbf",
                       "$003f7fbf", "$007fbf3f", "$007fbfff", "$007fffbf", "$00bfff7f",
                       "$00ffbf7f", "$00ff7fbf", "$00bf7fff", "$007f3fbf"};
}

void TfrmColorGrid::SetDefaultColor(TColor Color) {
    FColGrid->SetDefaultColor(Color);
}

TColor TfrmColorGrid::GetDefaultColor() const {
    return FColGrid->DefaultColor();
}

void TfrmColorGrid::SetTransparent(bool Flag) {
    FColGrid->SetTransparent(Flag);
}

bool TfrmColorGrid::GetTransparent() const {
    return FColGrid->Transparent();
}

void TfrmColorGrid::SetMode(int Mode) {
    FMode = Mode;
    FColGrid->SetUseTransparent(Mode >= 1);
}

void TfrmColorGrid::SetColorOrTransparent(TColor Color, bool Transparent) {
    if (Transparent)
        FColGrid->SetTransparent(true);
    else
        FColGrid->SetDefaultColor(Color);
}

void TfrmColorGrid::DropDown(const QPoint& ScreenPos, QObject* Owner, TNotifyEvent OnChange,
                             TNotifyEvent OnCancel) {
    if (isVisible())
        CloseUp(false);
    FOwner = Owner;
    FOwned = Owner != nullptr;
    FOnChange = std::move(OnChange);
    FOnCancel = std::move(OnCancel);
    QPoint pos = ScreenPos;
    if (const QScreen* screen = QGuiApplication::screenAt(ScreenPos)) {
        const QRect area = screen->availableGeometry();
        pos.setX(
            std::clamp(pos.x(), area.left(), std::max(area.left(), area.right() + 1 - width())));
        pos.setY(
            std::clamp(pos.y(), area.top(), std::max(area.top(), area.bottom() + 1 - height())));
    }
    move(pos);
    show();
    activateWindow();
    FColGrid->setFocus();
}

void TfrmColorGrid::ColGridChangeColor(TColor Color, bool Transparent) {
    FColGrid->SetDefaultColor(Transparent ? TColGrid::TransparentColor : Color);
    CloseUp(true);
}

void TfrmColorGrid::CloseUp(bool Picked) {
    if (FClosing)
        return;
    FClosing = true;
    // The callbacks are taken out first: they belong to this drop-down only until it closes.
    const TNotifyEvent onChange = std::exchange(FOnChange, nullptr);
    const TNotifyEvent onCancel = std::exchange(FOnCancel, nullptr);
    const QPointer<QObject> owner = std::exchange(FOwner, nullptr);
    const bool ownerGone = std::exchange(FOwned, false) && !owner;
    hide();
    FClosing = false;
    const TNotifyEvent& handler = Picked ? onChange : onCancel;
    if (handler && !ownerGone)
        handler(this);
}

void TfrmColorGrid::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Escape) {
        CloseUp(false);
        Event->accept();
        return;
    }
    QWidget::keyPressEvent(Event);
}

void TfrmColorGrid::hideEvent(QHideEvent* Event) {
    QWidget::hideEvent(Event);
    // Closed from outside (a click elsewhere closes a popup): a cancel. The other-colour
    // dialog hides it too; the callbacks then wait for the dialog's answer.
    if (!FClosing && !FColGrid->OtherColorDialogOpen() && (FOnChange || FOnCancel))
        CloseUp(false);
}
