#pragma once
// The windows of scanner and camera acquisition:
//   TfrmTwain        runs one acquisition and keeps the picture that came;
//   TfrmTwainSelect  lets the user choose the source;
//   TfrmTwainSource  the source's settings before a scan (colour mode, resolution, scan
//                    area, with a preview on which the area can be drawn).
// InstallTwainWindows makes the manager use the last two.

#include "USane.h"

#include <QDialog>
#include <QImage>
#include <memory>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class TPictureEx;
class TStream;
class TTwain;

class TfrmTwain : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTwain(QWidget* Parent = nullptr);
    ~TfrmTwain() override;

    // The picture that came (empty after a cancel).
    TPictureEx& Picture() const { return *FPicture; }
    TTwain& Twain() const { return *FTwain; }
    // Shows the window until the acquisition ends; true when a picture came. A failure of
    // the source is raised (ETwain) after the window has closed.
    bool Execute();

protected:
    void showEvent(QShowEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void Ready();
    void TransferFromStream(TStream* Stream, bool Canceled);
    void DisableSource();
    void CancelClick();

    std::unique_ptr<TPictureEx> FPicture;
    TTwain* FTwain;
    QLabel* FMessage;
    QProgressBar* FProgress;
    QPushButton* FCancel;
    bool FStarted = false;
};

class TfrmTwainSelect : public QDialog {
    Q_OBJECT
public:
    TfrmTwainSelect(const std::vector<TSaneDeviceInfo>& Sources, const QString& Current,
                    QWidget* Parent = nullptr);
    // The index of the chosen source, or -1.
    int Selected() const;
    QListWidget* List() const { return FList; }

private:
    QListWidget* FList;
    QPushButton* FOk;
};

// Scan settings shown before a scan. The values the user sets are given to the device when
// the scan is started (Apply); a preview scans the whole glass at a low resolution.
class TfrmTwainSource : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTwainSource(TSaneDevice& Source, QWidget* Parent = nullptr);

    QComboBox* ModeBox() const { return FMode; }
    QSpinBox* ResolutionBox() const { return FResolution; }
    // Area in mm: left, top, width, height.
    TSaneArea AreaValue() const;
    void SetAreaValue(const TSaneArea& Area);
    // Scans the preview; false (with a message) when the source failed.
    bool Preview();
    const QImage& PreviewImage() const { return FPreviewImage; }
    // Gives the settings to the device; false (with a message) when it refuses one.
    bool Apply();

    void accept() override;

private:
    class TPreview;
    void AreaChanged();

    TSaneDevice& FSource;
    TSaneArea FMaxArea;
    QComboBox* FMode;
    QSpinBox* FResolution;
    QDoubleSpinBox* FArea[4];
    TPreview* FPreview = nullptr;
    QImage FPreviewImage;
};

// The manager's source chooser and settings window become the ones above.
void InstallTwainWindows();
