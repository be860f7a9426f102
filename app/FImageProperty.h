#pragma once
// TfrmImageProperty: the dialog of pictures ("イメージの設定"; calendar photos "写真の設定").
// Page Image chooses the picture file; page Position is the shared position frame. An
// object that had no picture takes the size of the one chosen. OK is refused while the
// object has no picture at all.

#include "FPropertyDialog.h"

#include <memory>

class QLabel;
class QPushButton;
class TLOImage;
class TPictureEx;

class TfrmImageProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmImageProperty(TLOImage& Image, QWidget* Parent = nullptr);
    ~TfrmImageProperty() override;

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
    TFieldProblem FindProblem() const override;

    // Reads FileName as the new picture; false (with a message) when it cannot be read.
    bool LoadPictureFile(const QString& FileName);
    // The picture chosen in this dialog, or nullptr.
    const TPictureEx* ChosenPicture() const { return FChosen.get(); }

    QPushButton* btnSelectFile;
    QLabel* lblPictureInfo;

private:
    void SelectFile();
    void ShowPictureInfo(const TPictureEx* Picture);

    std::unique_ptr<TPictureEx> FChosen;
    bool FHadPicture = false;
};
