#pragma once
// Buttons that show and edit a colour in the property dialogs.
//
// TColorSpecButton holds a copy of a colour fill (TColorSpec), shows it as its icon and
// opens the colour fill editor on a click; the copy changes only when the editor
// is confirmed. TColorButton does the same for a plain colour (0x00BBGGRR) through the
// system colour dialog.
//
// User-interface thread only.

#include "UColor.h"

#include <QPushButton>

#include <memory>

class TColorSpec;

class TColorSpecButton : public QPushButton {
    Q_OBJECT
public:
    explicit TColorSpecButton(QWidget* Parent = nullptr);
    ~TColorSpecButton() override;

    const TColorSpec& Spec() const { return *FSpec; }
    // Copies Value and shows it.
    void SetSpec(const TColorSpec& Value);

signals:
    // After the editor was confirmed (the copy may be unchanged).
    void SpecChanged();

private:
    void Edit();
    void UpdateIcon();

    std::unique_ptr<TColorSpec> FSpec;
};

class TColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit TColorButton(QWidget* Parent = nullptr);

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);

signals:
    void ColorChanged();

private:
    void Edit();

    TColor FColor = clBlack;
};

// 0x00BBGGRR to QColor and back.
QColor ColorToQColor(TColor Value);
TColor QColorToColor(const QColor& Value);
