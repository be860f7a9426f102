#pragma once
// TfrmAbout: the about box. At start-up it is the splash: shown without a frame over the
// main window, it closes by itself after a while or at a click. From the help menu it is
// an ordinary dialog with an OK button.

#include <QDialog>

class QTimer;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    // Splash: closes by itself after Milliseconds (0 or less: at once, once shown).
    TfrmAbout(QWidget* Parent, bool Splash, int Milliseconds = 0);

    bool IsSplash() const { return FSplash; }

protected:
    void mousePressEvent(QMouseEvent* Event) override;

private:
    bool FSplash;
};
