#pragma once
// The program's own message box: the message as a multi-line label and up to three buttons
// of the message-box button kinds. Its modal result is the result of the message box.

#include "UModalResult.h"

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;
class TAppFrame;

class TfrmMessage : public QDialog {
    Q_OBJECT
public:
    static constexpr int MaxButtons = 3;

    explicit TfrmMessage(QWidget* Parent = nullptr);

    // The message, shown as plain text (markup in it is shown as it is); lines end with
    // CR LF or LF.
    void SetMessage(const QString& Text);
    QString Message() const;

    // Shows one button per kind (at most three; the other buttons are hidden), with a glyph
    // only for OK and Yes. The buttons at DefaultIndex and CancelIndex become the default
    // button and the one that Escape and the close box answer with (an index outside the
    // shown buttons: no such button; Escape then answers mrCancel). A button ends the dialog
    // with the modal result of its kind; bkClose with mrCancel, bkCustom and bkHelp with
    // mrNone. A caller may change a button's caption afterwards.
    void SetupButtons(const TBitBtnKinds& Kinds, int DefaultIndex, int CancelIndex);
    QPushButton* Buttons(int Index) const { return FButtons.at(Index); }

protected:
    void reject() override;

private:
    QLabel* FLabel;
    std::array<QPushButton*, MaxButtons> FButtons{};
    std::array<TModalResult, MaxButtons> FResults{};
    int FCancelIndex = -1;
};

// Shows Text in a new TfrmMessage, modally, and answers its modal result.
TModalResult ShowMessageForm(const QString& Text, const TBitBtnKinds& Kinds, int DefaultIndex,
                             int CancelIndex);
// Makes the message form the message box of Frame (its OnMessageBox).
void InstallMessageForm(TAppFrame& Frame);
