#pragma once
// TfrmPosition: the position frame embedded in the property dialogs, and the position
// values it exchanges with an object.
//
// Loading reads an object's lock and print flags and asks it for IDORotate, IDOAutoSize,
// IDOBlend and IDOPosition in that order (0 and false for what it does not answer).
// Applying writes them back in the order Movable, DontPrint, angle, Left, Top, Width,
// Height, auto size, blend ratio. Reading the controls refuses what cannot be applied: a
// field without a valid number, and an empty or negative width or height, or one of 0 for
// an object that has a size (auto-sized objects excepted); nothing is applied then.
//
// Units: lengths in 0.1 mm (shown in mm), angles in whole degrees, the blend ratio in
// percent. The values are page coordinates; the fields show them counted from the origin of
// the object's page (the cut line of a face with a bleed margin), and a field the user left
// as it was shown gives its value back unchanged.

#include "UWinTypes.h"

#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class TDrawObject;
class TExSpinEdit;

struct TPositionValues {
    int Angle = 0;
    bool Lock = false;
    bool DontPrint = false;
    bool HasAutoSize = false;
    bool AutoSize = false;
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool HasBlend = false;
    int BlendRatio = 100;
    // What else the object answers: IDORotate, IDOPosition.
    bool HasRotate = false;
    bool HasPosition = false;
};

class TfrmPosition : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPosition(QWidget* Parent = nullptr);

    // The values of Object.
    static TPositionValues Load(TDrawObject& Object);
    // Values to Object, in the order above.
    static void Apply(const TPositionValues& Values, TDrawObject& Object);

    // Values into the controls (kept as the shown record), counted from the origin.
    void ShowValues(const TPositionValues& Values);
    // The shown record updated from the controls. When a field cannot be applied: false,
    // Field and Message tell which and why, and Values is left as it was.
    bool ReadValues(TPositionValues& Values, QWidget*& Field, QString& Message) const;
    // The first field that cannot be applied (nullptr: none) and why.
    QWidget* FindProblem(QString& Message) const;
    const TPositionValues& Shown() const { return FShown; }

    // The origin of Object's page, load, show.
    void LoadFrom(TDrawObject& Object);
    // Read the controls into the shown record and apply it to Object; false (nothing
    // applied) when a field cannot be applied.
    bool ApplyTo(TDrawObject& Object);

    TExSpinEdit* esLeft;
    TExSpinEdit* esTop;
    TExSpinEdit* esWidth;
    TExSpinEdit* esHeight;
    QCheckBox* cbLock;
    QCheckBox* cbDontPrint;
    QCheckBox* cbAutoSize;
    TExSpinEdit* esRotate;
    TExSpinEdit* seBlend;

signals:
    // The width or height edit holds a valid value after a change.
    void OnChange();

private:
    void AutoSizeClicked();
    void SizeEdited();

    TPositionValues FShown;
    TPoint FOrigin;
    QLabel* FWidthLabel;
    QLabel* FHeightLabel;
    QLabel* FBlendLabel;
    QLabel* FBlendUnit;
};
