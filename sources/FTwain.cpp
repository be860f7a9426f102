#include "FTwain.h"

#include "UAppFrame.h"
#include "UPictureEx.h"
#include "USafetyBitmap.h"
#include "UStreams.h"
#include "UTwain.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <thread>

namespace {

// Japanese names of the usual SANE colour modes; other names are shown as they are.
QString ModeCaption(const QString& Mode) {
    if (Mode.compare(QLatin1String("Color"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("カラー");
    if (Mode.compare(QLatin1String("Gray"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("グレー");
    if (Mode.compare(QLatin1String("Lineart"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("白黒");
    return Mode;
}

const QString SResolution = QStringLiteral("resolution");
const QString SMode = QStringLiteral("mode");
constexpr int PreviewDpi = 50;

} // namespace

// ---------------------------------------------------------------------------------------
// TfrmTwain

TfrmTwain::TfrmTwain(QWidget* Parent)
    : QDialog(Parent), FPicture(std::make_unique<TPictureEx>()), FTwain(new TTwain(this)) {
    setObjectName(QStringLiteral("frmTwain"));
    setWindowTitle(QStringLiteral("TWAINからの取込み"));
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel2"));
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, QColor(0xE6, 0xE6, 0xE6));
    panel->setPalette(pal);
    FMessage = new QLabel(QStringLiteral("TWAINソースから画像を取込中です。\r\n"
                                         "TWAIN機器のドライバ画面で画像を選択してください。"),
                          panel);
    FMessage->setObjectName(QStringLiteral("lblMsg"));
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(FMessage);
    FProgress = new QProgressBar(this);
    FProgress->setRange(0, 0);
    FProgress->setVisible(false);
    FCancel = new QPushButton(QStringLiteral("中止"), this);
    FCancel->setObjectName(QStringLiteral("btnCancel"));
    FCancel->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(FProgress);
    layout->addWidget(FCancel, 0, Qt::AlignRight);

    FTwain->MultipleTransfer = false;
    FTwain->OnTransferFromStream = [this](TStream* Stream, bool Canceled) {
        TransferFromStream(Stream, Canceled);
    };
    FTwain->OnDisableSource = [this] { DisableSource(); };
    connect(FTwain, &TTwain::Progress, this, [this](qint64 Done, qint64 Total) {
        FProgress->setVisible(true);
        FProgress->setRange(0, Total > 0 ? 1000 : 0);
        if (Total > 0)
            FProgress->setValue(static_cast<int>(std::min<qint64>(1000, Done * 1000 / Total)));
    });
    connect(FCancel, &QPushButton::clicked, this, &TfrmTwain::CancelClick);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

TfrmTwain::~TfrmTwain() {
    QApplication::restoreOverrideCursor();
}

bool TfrmTwain::Execute() {
    const bool ok = exec() == QDialog::Accepted;
    if (FTwain->LastError())
        std::rethrow_exception(FTwain->LastError());
    return ok;
}

void TfrmTwain::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (FStarted)
        return;
    FStarted = true;
    // Once the window is on the screen.
    QTimer::singleShot(0, this, &TfrmTwain::Ready);
}

void TfrmTwain::Ready() {
    repaint();
    QApplication::restoreOverrideCursor();
    FTwain->Acquire(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TfrmTwain::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter ||
        Event->key() == Qt::Key_Escape) {
        CancelClick();
        return;
    }
    QDialog::keyPressEvent(Event);
}

void TfrmTwain::TransferFromStream(TStream* Stream, bool Canceled) {
    if (Canceled || !Stream)
        return;
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->LoadFromStream(*Stream);
    FPicture->SetGraphic(std::move(bitmap));
}

void TfrmTwain::DisableSource() {
    const bool got = FPicture->Graphic() && !FPicture->Graphic()->Empty();
    done(got ? QDialog::Accepted : QDialog::Rejected);
}

void TfrmTwain::CancelClick() {
    try {
        TTwainManager::Instance().CloseSource();
    } catch (const std::exception&) {
        AppShowError(QStringLiteral("TWAINのクローズに失敗しました!!"));
    }
    FPicture->SetGraphic(std::unique_ptr<TGraphic>());
    reject();
}

// ---------------------------------------------------------------------------------------
// TfrmTwainSelect

TfrmTwainSelect::TfrmTwainSelect(const std::vector<TSaneDeviceInfo>& Sources,
                                 const QString& Current, QWidget* Parent)
    : QDialog(Parent), FList(new QListWidget(this)) {
    setObjectName(QStringLiteral("frmTwainSelect"));
    setWindowTitle(QStringLiteral("取込み元の選択"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Sources.empty()
                                     ? QStringLiteral("スキャナーやカメラが見つかりません。")
                                     : QStringLiteral("取込みに使う機器を選んでください。"),
                                 this));
    layout->addWidget(FList);
    for (const TSaneDeviceInfo& source : Sources) {
        FList->addItem(source.DisplayName());
        if (source.Name == Current)
            FList->setCurrentRow(FList->count() - 1);
    }
    if (FList->currentRow() < 0 && FList->count() > 0)
        FList->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(this);
    FOk = buttons->addButton(QStringLiteral("選択"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    FOk->setEnabled(FList->count() > 0);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

int TfrmTwainSelect::Selected() const {
    return FList->currentRow();
}

// ---------------------------------------------------------------------------------------
// TfrmTwainSource

// The preview picture with the scan area drawn over it; dragging draws a new area.
class TfrmTwainSource::TPreview : public QWidget {
public:
    explicit TPreview(TfrmTwainSource& Owner) : QWidget(&Owner), FOwner(Owner) {
        setMinimumSize(240, 300);
        setCursor(Qt::CrossCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x80, 0x80, 0x80));
        const QRectF glass = Glass();
        p.fillRect(glass, Qt::white);
        if (!FOwner.FPreviewImage.isNull())
            p.drawImage(glass, FOwner.FPreviewImage);
        p.setPen(QPen(Qt::red, 1, Qt::DashLine));
        p.drawRect(ToWidget(FOwner.AreaValue()));
    }
    void mousePressEvent(QMouseEvent* E) override { FStart = E->position(); }
    void mouseMoveEvent(QMouseEvent* E) override {
        if (E->buttons() & Qt::LeftButton)
            FOwner.SetAreaValue(ToArea(QRectF(FStart, E->position()).normalized()));
    }

private:
    // Where the glass (the largest area) lies in the widget, keeping its aspect.
    QRectF Glass() const {
        const TSaneArea& max = FOwner.FMaxArea;
        const double w = std::max(1.0, max.Right - max.Left);
        const double h = std::max(1.0, max.Bottom - max.Top);
        const double scale = std::min(width() / w, height() / h);
        return QRectF(0, 0, w * scale, h * scale);
    }
    double Scale() const {
        return Glass().width() / std::max(1.0, FOwner.FMaxArea.Right - FOwner.FMaxArea.Left);
    }
    QRectF ToWidget(const TSaneArea& A) const {
        const double s = Scale();
        return QRectF((A.Left - FOwner.FMaxArea.Left) * s, (A.Top - FOwner.FMaxArea.Top) * s,
                      (A.Right - A.Left) * s, (A.Bottom - A.Top) * s);
    }
    TSaneArea ToArea(const QRectF& R) const {
        const double s = Scale();
        const TSaneArea& max = FOwner.FMaxArea;
        auto clampX = [&](double v) { return std::clamp(max.Left + v / s, max.Left, max.Right); };
        auto clampY = [&](double v) { return std::clamp(max.Top + v / s, max.Top, max.Bottom); };
        return {clampX(R.left()), clampY(R.top()), clampX(R.right()), clampY(R.bottom())};
    }

    TfrmTwainSource& FOwner;
    QPointF FStart;
};

TfrmTwainSource::TfrmTwainSource(TSaneDevice& Source, QWidget* Parent)
    : QDialog(Parent), FSource(Source), FMaxArea(Source.MaximumArea()) {
    setObjectName(QStringLiteral("frmTwainSource"));
    setWindowTitle(QStringLiteral("取込みの設定"));
    FMode = new QComboBox(this);
    for (const QString& mode : Source.Modes())
        FMode->addItem(ModeCaption(mode), mode);
    FMode->setCurrentIndex(std::max(0, FMode->findData(Source.StringValue(SMode))));
    FMode->setEnabled(FMode->count() > 0);

    FResolution = new QSpinBox(this);
    FResolution->setSuffix(QStringLiteral(" dpi"));
    const TSaneRange dpi = Source.NumberRange(SResolution);
    FResolution->setRange(static_cast<int>(std::max(1.0, dpi.Min)),
                          static_cast<int>(std::max(1.0, dpi.Max)));
    FResolution->setValue(static_cast<int>(Source.NumberValue(SResolution)));
    FResolution->setEnabled(Source.HasOption(SResolution));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("カラーモード"), FMode);
    form->addRow(QStringLiteral("解像度"), FResolution);
    const QString areaNames[4] = {QStringLiteral("左 (mm)"), QStringLiteral("上 (mm)"),
                                  QStringLiteral("幅 (mm)"), QStringLiteral("高さ (mm)")};
    const bool hasArea = !FMaxArea.IsEmpty();
    for (int i = 0; i < 4; ++i) {
        FArea[i] = new QDoubleSpinBox(this);
        FArea[i]->setDecimals(1);
        FArea[i]->setRange(
            0, std::max(FMaxArea.Right - FMaxArea.Left, FMaxArea.Bottom - FMaxArea.Top));
        FArea[i]->setEnabled(hasArea);
        form->addRow(areaNames[i], FArea[i]);
    }
    if (hasArea)
        SetAreaValue(Source.Area());
    for (QDoubleSpinBox* box : FArea)
        connect(box, &QDoubleSpinBox::valueChanged, this, &TfrmTwainSource::AreaChanged);

    FPreview = new TPreview(*this);
    FPreview->setVisible(hasArea);
    auto* previewButton = new QPushButton(QStringLiteral("プレビュー"), this);
    previewButton->setObjectName(QStringLiteral("btnPreview"));
    previewButton->setEnabled(hasArea);
    connect(previewButton, &QPushButton::clicked, this, [this] { Preview(); });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* scan = buttons->addButton(QStringLiteral("取込み"), QDialogButtonBox::AcceptRole);
    scan->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addWidget(previewButton);
    left->addStretch();
    left->addWidget(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addWidget(FPreview, 1);
}

TSaneArea TfrmTwainSource::AreaValue() const {
    const double left = FArea[0]->value() + FMaxArea.Left;
    const double top = FArea[1]->value() + FMaxArea.Top;
    return {left, top, left + FArea[2]->value(), top + FArea[3]->value()};
}

void TfrmTwainSource::SetAreaValue(const TSaneArea& Area) {
    const double values[4] = {Area.Left - FMaxArea.Left, Area.Top - FMaxArea.Top,
                              Area.Right - Area.Left, Area.Bottom - Area.Top};
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker block(FArea[i]);
        FArea[i]->setValue(values[i]);
    }
    AreaChanged();
}

void TfrmTwainSource::AreaChanged() {
    if (FPreview)
        FPreview->update();
}

bool TfrmTwainSource::Preview() {
    // The whole glass at a low resolution; the user's own settings come back afterwards.
    const QString mode = FSource.StringValue(SMode);
    const double resolution = FSource.NumberValue(SResolution);
    const TSaneArea area = FSource.Area();
    TBitmap image;
    QString error;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QEventLoop wait;
        std::thread worker([&] {
            try {
                if (FSource.HasOption(SResolution))
                    FSource.SetNumber(SResolution,
                                      std::clamp<double>(PreviewDpi, FResolution->minimum(),
                                                         FResolution->maximum()));
                FSource.SetArea(FMaxArea);
                image = FSource.Scan();
                FSource.Finish();
            } catch (const std::exception& E) {
                error = QString::fromUtf8(E.what());
                FSource.Finish();
            }
            QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
        });
        setEnabled(false);
        wait.exec();
        worker.join();
        setEnabled(true);
        QApplication::restoreOverrideCursor();
    }
    try {
        if (!mode.isEmpty())
            FSource.SetString(SMode, mode);
        if (FSource.HasOption(SResolution))
            FSource.SetNumber(SResolution, resolution);
        if (!area.IsEmpty())
            FSource.SetArea(area);
    } catch (const std::exception& E) {
        if (error.isEmpty())
            error = QString::fromUtf8(E.what());
    }
    if (!error.isEmpty()) {
        AppShowError(error);
        return false;
    }
    FPreviewImage = image.ToQImage();
    FPreview->update();
    return true;
}

bool TfrmTwainSource::Apply() {
    try {
        if (FMode->count() > 0)
            FSource.SetString(SMode, FMode->currentData().toString());
        if (FSource.HasOption(SResolution))
            FSource.SetNumber(SResolution, FResolution->value());
        if (!FMaxArea.IsEmpty())
            FSource.SetArea(AreaValue());
    } catch (const std::exception& E) {
        AppShowError(QString::fromUtf8(E.what()));
        return false;
    }
    return true;
}

void TfrmTwainSource::accept() {
    if (Apply())
        QDialog::accept();
}

void InstallTwainWindows() {
    TTwainManager& manager = TTwainManager::Instance();
    manager.ChooseSource = [](QWidget* Owner, const std::vector<TSaneDeviceInfo>& Sources,
                              const QString& Current) {
        TfrmTwainSelect dialog(Sources, Current, Owner);
        return dialog.exec() == QDialog::Accepted ? dialog.Selected() : -1;
    };
    manager.ShowSourceSettings = [](TSaneDevice& Source, QWidget* Owner) {
        TfrmTwainSource dialog(Source, Owner);
        return dialog.exec() == QDialog::Accepted;
    };
}
