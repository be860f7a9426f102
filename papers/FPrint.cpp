#include "FPrint.h"

#include "FMessage.h"
#include "UAppFrame.h"
#include "UPrintSite.h"
#include "UPrinters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Offsets the spins allow, in 0.1 mm.
constexpr int MaxOffset = 999;
constexpr int MaxCopies = 999;
constexpr int JobPollMilliseconds = 500;

// The settings the dialog keeps from one print to the next.
const QString SettingPrinter = QStringLiteral("PrintPrinter");
const QString SettingPdfFile = QStringLiteral("PrintPdfFile");
const QString SettingCopies = QStringLiteral("PrintCopies");
const QString SettingOffsetLeft = QStringLiteral("PrintOffsetLeft");
const QString SettingOffsetTop = QStringLiteral("PrintOffsetTop");
const QString SettingOutlineSolid = QStringLiteral("PrintOutlineSolid");
const QString SettingOutlineDashed = QStringLiteral("PrintOutlineDashed");
const QString SettingResolution = QStringLiteral("PrintResolution");

QSpinBox* MakeSpin(QWidget* Parent, int Min, int Max, int Value, const QString& Suffix) {
    auto* spin = new QSpinBox(Parent);
    spin->setRange(Min, Max);
    spin->setValue(Value);
    spin->setSuffix(Suffix);
    return spin;
}

} // namespace

TfrmPrint::TfrmPrint(QWidget* Parent, int SheetCount, const QList<int>& SelectedFaces)
    : QDialog(Parent), FSheetCount(SheetCount), FSelected(SelectedFaces) {
    setWindowTitle(QStringLiteral("印刷"));
    FSpoolSetting = RegReadBool(QStringLiteral("SpoolEachSheet"), true);

    FPrinters = new QComboBox(this);
    TPrinter& printer = Printer();
    printer.Refresh();
    FPrinters->addItems(printer.Printers());
    if (printer.PrinterIndex() >= 0)
        FPrinters->setCurrentIndex(printer.PrinterIndex());
    FPdfLabel = new QLabel(QStringLiteral("出力ファイル:"), this);
    FPdfFile = new QLineEdit(this);
    FBrowse = new QPushButton(QStringLiteral("参照..."), this);
    auto* pdfRow = new QHBoxLayout;
    pdfRow->addWidget(FPdfFile);
    pdfRow->addWidget(FBrowse);

    FCopies = MakeSpin(this, 1, MaxCopies, 1, QStringLiteral(" 部"));
    FOffsetLeft = MakeSpin(this, -MaxOffset, MaxOffset, 0, QStringLiteral(" (0.1mm)"));
    FOffsetTop = MakeSpin(this, -MaxOffset, MaxOffset, 0, QStringLiteral(" (0.1mm)"));

    auto* faces = new QGroupBox(QStringLiteral("印刷するラベル"), this);
    FAllFaces = new QRadioButton(QStringLiteral("すべてのラベル"), faces);
    FSelectedFaces = new QRadioButton(QStringLiteral("選択したラベル"), faces);
    FAllFaces->setChecked(true);
    FSelectedFaces->setEnabled(!FSelected.isEmpty());
    auto* facesLayout = new QVBoxLayout(faces);
    facesLayout->addWidget(FAllFaces);
    facesLayout->addWidget(FSelectedFaces);
    FDesignNote = new QLabel(faces);
    FDesignNote->setObjectName(QStringLiteral("lblDesignNote"));
    FDesignNote->setVisible(false);
    facesLayout->addWidget(FDesignNote);

    auto* sheets = new QGroupBox(QStringLiteral("印刷するシート"), this);
    FAllSheets = new QRadioButton(QStringLiteral("すべてのシート"), sheets);
    FCurrentSheet = new QRadioButton(QStringLiteral("現在のシート"), sheets);
    FAllSheets->setChecked(true);
    FSpoolEachSheet = new QCheckBox(QStringLiteral("シートごとに印刷ジョブを分ける"), sheets);
    auto* sheetsLayout = new QVBoxLayout(sheets);
    sheetsLayout->addWidget(FAllSheets);
    sheetsLayout->addWidget(FCurrentSheet);
    sheetsLayout->addWidget(FSpoolEachSheet);

    FOutlineSolid = new QCheckBox(QStringLiteral("ラベルの輪郭を実線で印刷する"), this);
    FOutlineDashed = new QCheckBox(QStringLiteral("ラベルの輪郭を点線で印刷する"), this);
    FResolution = new QComboBox(this);
    FResolution->addItem(QStringLiteral("自動"), 0);
    for (const int dpi : {254, 300, 600})
        FResolution->addItem(QStringLiteral("%1 dpi").arg(dpi), dpi);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("プリンタ:"), FPrinters);
    form->addRow(FPdfLabel, pdfRow);
    form->addRow(QStringLiteral("部数:"), FCopies);
    form->addRow(QStringLiteral("左の余白の調整:"), FOffsetLeft);
    form->addRow(QStringLiteral("上の余白の調整:"), FOffsetTop);
    form->addRow(QStringLiteral("解像度:"), FResolution);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    FPrint = buttons->button(QDialogButtonBox::Ok);
    FPrint->setText(QStringLiteral("印刷"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(faces);
    layout->addWidget(sheets);
    layout->addWidget(FOutlineSolid);
    layout->addWidget(FOutlineDashed);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmPrint::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmPrint::reject);
    connect(FBrowse, &QPushButton::clicked, this, &TfrmPrint::BrowsePdfFile);
    connect(FPrinters, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
    connect(FAllSheets, &QRadioButton::toggled, this, [this] { UpdateControls(); });
    FSpoolEachSheet->setChecked(FSpoolSetting);
    LoadLastSettings();
    UpdateControls();
}

void TfrmPrint::LoadLastSettings() {
    const int printer = FPrinters->findText(RegReadString(SettingPrinter, QString()));
    if (printer >= 0)
        FPrinters->setCurrentIndex(printer);
    FPdfFile->setText(RegReadString(SettingPdfFile, QString()));
    FCopies->setValue(RegReadInteger(SettingCopies, 1));
    FOffsetLeft->setValue(RegReadInteger(SettingOffsetLeft, 0));
    FOffsetTop->setValue(RegReadInteger(SettingOffsetTop, 0));
    FOutlineSolid->setChecked(RegReadBool(SettingOutlineSolid, false));
    FOutlineDashed->setChecked(RegReadBool(SettingOutlineDashed, false));
    const int resolution = FResolution->findData(RegReadInteger(SettingResolution, 0));
    if (resolution >= 0)
        FResolution->setCurrentIndex(resolution);
}

void TfrmPrint::SaveSettings() const {
    RegWriteString(SettingPrinter, PrinterName());
    if (!PdfFile().isEmpty())
        RegWriteString(SettingPdfFile, PdfFile());
    RegWriteInteger(SettingCopies, FCopies->value());
    RegWriteInteger(SettingOffsetLeft, FOffsetLeft->value());
    RegWriteInteger(SettingOffsetTop, FOffsetTop->value());
    RegWriteBool(SettingOutlineSolid, FOutlineSolid->isChecked());
    RegWriteBool(SettingOutlineDashed, FOutlineDashed->isChecked());
    RegWriteInteger(SettingResolution, FResolution->currentData().toInt());
}

void TfrmPrint::UpdateControls() {
    const bool pdf = PrinterName() == BuiltInPdfPrinterName;
    FPdfLabel->setVisible(pdf);
    FPdfFile->setVisible(pdf);
    FBrowse->setVisible(pdf);
    FSpoolEachSheet->setEnabled(FAllSheets->isChecked() && FSheetCount > 1 &&
                                PrinterSpools(PrinterName()));
}

void TfrmPrint::BrowsePdfFile() {
    const QString file =
        QFileDialog::getSaveFileName(this, QStringLiteral("PDF ファイルに印刷"), FPdfFile->text(),
                                     QStringLiteral("PDF ファイル (*.pdf)"));
    if (!file.isEmpty())
        SetPdfFile(file);
}

TPrintSpec TfrmPrint::Spec() const {
    TPrintSpec spec;
    spec.Copies = FCopies->value();
    spec.Offset = TPoint(FOffsetLeft->value(), FOffsetTop->value());
    spec.AllFaces = !(FSelectedFaces->isEnabled() && FSelectedFaces->isChecked());
    if (!spec.AllFaces)
        for (const int face : FSelected)
            spec.SetFacePrinted(face, true);
    spec.AllSheets = FAllSheets->isChecked();
    spec.SpoolEachSheet = FSpoolEachSheet->isEnabled() && FSpoolEachSheet->isChecked();
    spec.OutlineSolid = FOutlineSolid->isChecked();
    spec.OutlineDashed = FOutlineDashed->isChecked();
    spec.Resolution = FResolution->currentData().toInt();
    return spec;
}

QString TfrmPrint::PrinterName() const {
    return FPrinters->currentText();
}

QString TfrmPrint::PdfFile() const {
    return FPdfFile->text().trimmed();
}

void TfrmPrint::SetDesignNote(const QString& Text) {
    FDesignNote->setText(Text);
    FDesignNote->setVisible(!Text.isEmpty());
}

void TfrmPrint::SetPdfFile(const QString& FileName) {
    FPdfFile->setText(FileName);
}

bool TfrmPrint::CheckPdfFile() {
    if (PdfFile().isEmpty()) {
        BrowsePdfFile();
        if (PdfFile().isEmpty())
            return false;
    }
    QString file = PdfFile();
    if (!file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        file += QStringLiteral(".pdf");
    const QFileInfo info(file);
    SetPdfFile(info.absoluteFilePath());
    if (!info.absoluteDir().exists()) {
        ShowMessageForm(QStringLiteral("出力先のフォルダ「%1」がありません。\n"
                                       "ほかのフォルダを選んでください。")
                            .arg(QDir::toNativeSeparators(info.absolutePath())),
                        {bkOK}, 0, 0);
        FPdfFile->setFocus();
        return false;
    }
    return true;
}

void TfrmPrint::accept() {
    if (PrinterName().isEmpty()) {
        ShowMessageForm(QStringLiteral("プリンタを選んでください。"), {bkOK}, 0, 0);
        return;
    }
    if (PrinterName() == BuiltInPdfPrinterName && !CheckPdfFile())
        return;
    if (FSpoolEachSheet->isEnabled() && FSpoolEachSheet->isChecked() != FSpoolSetting)
        RegWriteBool(QStringLiteral("SpoolEachSheet"), FSpoolEachSheet->isChecked());
    SaveSettings();
    QDialog::accept();
}

TfrmPrintProgress::TfrmPrintProgress(QWidget* Parent) : QDialog(Parent) {
    setWindowTitle(QStringLiteral("印刷中"));
    auto* label = new QLabel(QStringLiteral("印刷しています..."), this);
    FBar = new QProgressBar(this);
    FCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(FBar);
    layout->addWidget(FCancel, 0, Qt::AlignHCenter);
    FProgress = std::make_unique<TSTDPhasedProgress>(FBar);
    connect(FCancel, &QPushButton::clicked, this, [this] { reject(); });
}

TfrmPrintProgress::~TfrmPrintProgress() = default;

void TfrmPrintProgress::reject() {
    // The window stays until the print run has stopped; it is closed by its owner.
    FCancel->setEnabled(false);
    if (OnCancel)
        OnCancel();
}

TfrmWaitJob::TfrmWaitJob(QWidget* Parent, const QString& SheetName, int JobId,
                         std::function<bool()> IsActive)
    : QDialog(Parent), FIsActive(std::move(IsActive)), FTimer(new QTimer(this)) {
    setWindowTitle(QStringLiteral("印刷"));
    auto* label = new QLabel(QStringLiteral("「%1」の印刷 (ジョブ %2) が終わるのを待っています。")
                                 .arg(SheetName)
                                 .arg(JobId),
                             this);
    auto* stop = new QPushButton(QStringLiteral("印刷を中止"), this);
    auto* noWait = new QPushButton(QStringLiteral("待たずに続ける"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(stop);
    buttons->addWidget(noWait);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(buttons);
    connect(stop, &QPushButton::clicked, this, [this] { done(wjaStop); });
    connect(noWait, &QPushButton::clicked, this, [this] { done(wjaStopWaiting); });
    connect(FTimer, &QTimer::timeout, this, &TfrmWaitJob::Poll);
    FTimer->start(JobPollMilliseconds);
    QTimer::singleShot(0, this, &TfrmWaitJob::Poll);
}

void TfrmWaitJob::Poll() {
    if (!FIsActive || !FIsActive()) {
        FTimer->stop();
        done(wjaGoOn);
    }
}

bool AskPrintDespiteSizeMismatch() {
    return ShowMessageForm(QStringLiteral("現在のプリンタ設定では、印刷するカレンダーと用紙の"
                                          "サイズが異なります。\nこのまま印刷しますか?"),
                           {bkYes, bkNo}, 0, 1) == mrYes;
}
