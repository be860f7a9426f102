#pragma once
// TframeObjectPreview: the preview frame of the property dialogs. It shows a list of drawing
// objects moved so that their enclosing bounds start at the origin, either at true size
// (100 %, scroll bars as needed, centred while it fits) or fitted into the view (centred,
// no scroll bars). The objects are not owned; they are drawn through copies, so the
// originals are never moved or re-parented.
//
// User-interface thread only.

#include <QWidget>

#include <vector>

class QCheckBox;
class QLabel;
class QScrollArea;
class TDrawObject;

class TframeObjectPreview : public QWidget {
    Q_OBJECT
public:
    explicit TframeObjectPreview(QWidget* Parent = nullptr);

    // The objects to show (nullptr entries are skipped); they must outlive the frame or be
    // detached with an empty list. Redraws.
    void Attach(std::vector<TDrawObject*> Objects);
    // Draws the attached objects again (after a change of theirs or of the view).
    void Redraw();

    QCheckBox* ShowTrueSizeBox() const { return FShowTrueSize; }
    QScrollArea* View() const { return FView; }
    // The zoom of the last drawing in percent (0 when nothing was drawn).
    int Scale() const { return FScale; }
    // The picture last drawn.
    QPixmap Picture() const;

protected:
    void resizeEvent(QResizeEvent* Event) override;

private:
    std::vector<TDrawObject*> FObjects;
    QScrollArea* FView;
    QLabel* FImage;
    QCheckBox* FShowTrueSize;
    int FScale = 0;
};
