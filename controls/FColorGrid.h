#pragma once
// TfrmColorGrid: the colour drop-down shared by every colour button of the program. It hosts
// one TColGrid (8 x 5 colours and the other-colour button; the transparent button in modes
// 1 and above) in a borderless popup of 169 x 122 pixels.
//
// A caller hands its two callbacks to DropDown together with the object they belong to: the
// change callback runs after a pick, the cancel callback when the drop-down closes without
// one (it loses activation or Esc is pressed). Both are dropped as soon as the drop-down
// closes, and neither runs once their owner is destroyed, so several editors can share the
// drop-down in any order of creation and destruction.

#include "UColor.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class TColGrid;

class TfrmColorGrid : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* Sender)>;
    static constexpr int ClientWidth = 169;
    static constexpr int ClientHeight = 122;

    explicit TfrmColorGrid(QWidget* Parent = nullptr);
    ~TfrmColorGrid() override;

    // The drop-down every editor shares; created on first use and destroyed with the
    // application.
    static TfrmColorGrid& Shared();
    // The 40 colours of the drop-down's grid.
    static QStringList DropDownColors();

    void SetDefaultColor(TColor Color);
    TColor GetDefaultColor() const;
    void SetTransparent(bool Flag);
    bool GetTransparent() const;
    // Mode 1 or more shows the transparent button.
    void SetMode(int Mode);
    int Mode() const { return FMode; }
    // Transparent: selects the transparent value; otherwise Color.
    void SetColorOrTransparent(TColor Color, bool Transparent);

    // Shows the drop-down with its top-left corner at ScreenPos (kept on the screen) and
    // installs the callbacks until it closes. Owner: the object the callbacks belong to
    // (they are skipped once it is destroyed); may be null.
    void DropDown(const QPoint& ScreenPos, QObject* Owner, TNotifyEvent OnChange,
                  TNotifyEvent OnCancel);
    bool IsDroppedDown() const { return isVisible(); }

    TColGrid* ColGrid() const { return FColGrid; }

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;

private:
    void ColGridChangeColor(TColor Color, bool Transparent);
    // Hides the drop-down; Picked tells which callback runs.
    void CloseUp(bool Picked);

    TColGrid* FColGrid;
    int FMode = 0;
    QPointer<QObject> FOwner;
    bool FOwned = false;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnCancel;
    bool FClosing = false;
};
