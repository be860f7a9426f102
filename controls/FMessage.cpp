#include "FMessage.h"

#include "UAppFrame.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

TModalResult FormResultOfKind(TBitBtnKind Kind) {
    return Kind == bkClose ? mrCancel : ModalResultOfKind(Kind);
}

} // namespace

TfrmMessage::TfrmMessage(QWidget* Parent) : QDialog(Parent), FLabel(new QLabel(this)) {
    setObjectName(QStringLiteral("frmMessage"));
    setWindowTitle(QGuiApplication::applicationDisplayName());
    FLabel->setTextFormat(Qt::PlainText);
    FLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (int i = 0; i < MaxButtons; ++i) {
        FButtons[i] = new QPushButton(this);
        FButtons[i]->setAutoDefault(false);
        FButtons[i]->hide();
        // A button without a result (Help, a custom button) does its own work and leaves
        // the form open.
        connect(FButtons[i], &QPushButton::clicked, this, [this, i] {
            if (FResults[i] != mrNone)
                done(FResults[i]);
        });
        buttons->addWidget(FButtons[i]);
    }
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FLabel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmMessage::SetMessage(const QString& Text) {
    FLabel->setText(QString(Text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

QString TfrmMessage::Message() const {
    return FLabel->text();
}

void TfrmMessage::SetupButtons(const TBitBtnKinds& Kinds, int DefaultIndex, int CancelIndex) {
    const int shown = std::min(static_cast<int>(Kinds.size()), MaxButtons);
    for (int i = 0; i < MaxButtons; ++i) {
        QPushButton* button = FButtons[i];
        button->setDefault(false);
        if (i >= shown) {
            button->hide();
            continue;
        }
        const TBitBtnKind kind = Kinds[static_cast<size_t>(i)];
        button->setText(BitBtnCaption(kind));
        button->setIcon(kind == bkOK    ? style()->standardIcon(QStyle::SP_DialogOkButton)
                        : kind == bkYes ? style()->standardIcon(QStyle::SP_DialogYesButton)
                                        : QIcon());
        FResults[i] = FormResultOfKind(kind);
        button->show();
    }
    if (DefaultIndex >= 0 && DefaultIndex < shown) {
        FButtons[DefaultIndex]->setDefault(true);
        FButtons[DefaultIndex]->setFocus();
    }
    FCancelIndex = CancelIndex >= 0 && CancelIndex < shown ? CancelIndex : -1;
}

// Escape and the window's close box answer the cancel button's result; one without a
// result (or no cancel button) answers mrCancel, so the form can always be closed.
void TfrmMessage::reject() {
    const TModalResult result = FCancelIndex >= 0 ? FResults[FCancelIndex] : mrNone;
    done(result != mrNone ? result : mrCancel);
}

TModalResult ShowMessageForm(const QString& Text, const TBitBtnKinds& Kinds, int DefaultIndex,
                             int CancelIndex) {
    TfrmMessage form(QApplication::activeWindow());
    form.SetMessage(Text);
    form.SetupButtons(Kinds, DefaultIndex, CancelIndex);
    return form.exec();
}

void InstallMessageForm(TAppFrame& Frame) {
    Frame.OnMessageBox = ShowMessageForm;
}
