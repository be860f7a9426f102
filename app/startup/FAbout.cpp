#include "FAbout.h"

#include "UVersion.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

TfrmAbout::TfrmAbout(QWidget* Parent, bool Splash, int Milliseconds)
    : QDialog(Parent), FSplash(Splash) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    const QString name = QApplication::applicationDisplayName();
    auto* title = new QLabel(QStringLiteral("<h2>%1</h2>").arg(name.toHtmlEscaped()), this);
    title->setAlignment(Qt::AlignCenter);
    auto* text = new QLabel(QStringLiteral("フォトカレンダーとラベルのデザイン・印刷\n"
                                           "バージョン %1.%2.%3 (ビルド %4)")
                                .arg(AppVersionMajor)
                                .arg(AppVersionMinor)
                                .arg(AppVersionRelease)
                                .arg(AppVersionBuild),
                            this);
    text->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->addWidget(title);
    layout->addWidget(text);
    if (Splash) {
        setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
        setAttribute(Qt::WA_DeleteOnClose);
        setStyleSheet(QStringLiteral("TfrmAbout { border: 1px solid #808080; }"));
        QTimer::singleShot(std::max(Milliseconds, 0), this, &QDialog::accept);
    } else {
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        layout->addWidget(buttons);
    }
}

void TfrmAbout::mousePressEvent(QMouseEvent* Event) {
    if (FSplash)
        accept();
    else
        QDialog::mousePressEvent(Event);
}
