// The print windows: the dialog's print settings, the progress window's Cancel, the spooler wait
// box, the paper-size question, and the whole print command driven through its dialog.

#include "FMessage.h"
#include "FPrint.h"
#include "LabelDataTestSupport.h"
#include "TestSupport.h"
#include "UAppFrame.h"
#include "ULORect.h"
#include "ULabelData.h"
#include "UObjectFactory.h"
#include "UPaperInfo.h"
#include "UPrintCommand.h"
#include "UPrintSite.h"
#include "UPrinters.h"
#include "URegistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Replaces the text of Edit by typing Text, as a user does.
void TypeInto(QLineEdit* Edit, const QString& Text) {
    Edit->setFocus();
    QTest::keyClick(Edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Edit, Qt::Key_Delete);
    QTest::keyClicks(Edit, Text);
}

int PdfPrinterIndex(const TfrmPrint& Dialog) {
    return Dialog.Printers()->findText(BuiltInPdfPrinterName);
}

} // namespace

TEST(FPrint, DialogFillsTheSpec) {
    TfrmPrint dialog(nullptr, 3, {1, 4});
    ASSERT_GE(PdfPrinterIndex(dialog), 0) << "the PDF printer is always listed";
    dialog.Printers()->setCurrentIndex(PdfPrinterIndex(dialog));
    TPrintSpec spec = dialog.Spec();
    EXPECT_EQ(spec.Copies, 1);
    EXPECT_EQ(spec.Offset, TPoint(0, 0));
    EXPECT_TRUE(spec.AllFaces);
    EXPECT_TRUE(spec.AllSheets);
    EXPECT_FALSE(spec.SpoolEachSheet) << "the PDF printer does not spool";
    EXPECT_FALSE(dialog.SpoolEachSheetBox()->isEnabled());
    EXPECT_EQ(spec.Resolution, 0);

    dialog.CopiesEdit()->setValue(3);
    dialog.OffsetLeftEdit()->setValue(-12);
    dialog.OffsetTopEdit()->setValue(25);
    dialog.SelectedFacesButton()->setChecked(true);
    dialog.CurrentSheetButton()->setChecked(true);
    dialog.OutlineDashedBox()->setChecked(true);
    dialog.ResolutionBox()->setCurrentIndex(dialog.ResolutionBox()->findData(300));
    spec = dialog.Spec();
    EXPECT_EQ(spec.Copies, 3);
    EXPECT_EQ(spec.Offset, TPoint(-12, 25));
    EXPECT_FALSE(spec.AllFaces);
    EXPECT_EQ(spec.FaceFlags, (std::vector<bool>{false, true, false, false, true}));
    EXPECT_FALSE(spec.AllSheets);
    EXPECT_FALSE(spec.OutlineSolid);
    EXPECT_TRUE(spec.OutlineDashed);
    EXPECT_EQ(spec.Resolution, 300);

    TfrmPrint noSelection(nullptr, 1, {});
    EXPECT_FALSE(noSelection.SelectedFacesButton()->isEnabled());
    noSelection.SelectedFacesButton()->setChecked(true);
    EXPECT_TRUE(noSelection.Spec().AllFaces) << "no selection: every face";
}

TEST(FPrint, ProgressCancelAsksToStopAndKeepsTheWindow) {
    TfrmPrintProgress progress(nullptr);
    int cancelled = 0;
    progress.OnCancel = [&cancelled] { ++cancelled; };
    progress.show();
    progress.Progress().BeginPhase(1, 4);
    progress.Progress().Step();
    progress.CancelButton()->click();
    EXPECT_EQ(cancelled, 1);
    EXPECT_TRUE(progress.isVisible()) << "closed by its owner once printing stops";
    EXPECT_FALSE(progress.CancelButton()->isEnabled());
    progress.Progress().EndPhase();
}

TEST(FPrint, WaitBoxAnswers) {
    {
        TfrmWaitJob wait(nullptr, "1月", 7, [] { return false; });
        EXPECT_EQ(wait.exec(), wjaGoOn) << "a finished job: go on at once";
    }
    const std::pair<const char*, int> buttons[] = {{"印刷を中止", wjaStop},
                                                   {"待たずに続ける", wjaStopWaiting}};
    for (const auto& [caption, answer] : buttons) {
        SCOPED_TRACE(caption);
        int polls = 0;
        TfrmWaitJob wait(nullptr, "1月", 7, [&polls] { return ++polls < 1000; });
        OnNextModal([caption = QString::fromUtf8(caption)](QWidget* W) {
            for (QPushButton* b : W->findChildren<QPushButton*>())
                if (b->text() == caption)
                    b->click();
        });
        EXPECT_EQ(wait.exec(), answer);
        EXPECT_GE(polls, 1) << "the job's state is asked for";
    }
}

TEST(FPrint, SizeQuestionHasOneLineBreakAndAnswersYesOrNo) {
    for (const bool yes : {true, false}) {
        QString text;
        OnNextModal([&text, yes](QWidget* W) {
            auto* message = qobject_cast<TfrmMessage*>(W);
            ASSERT_NE(message, nullptr);
            text = message->Message();
            message->Buttons(yes ? 0 : 1)->click();
        });
        EXPECT_EQ(AskPrintDespiteSizeMismatch(), yes);
        EXPECT_EQ(text.count('\n'), 1) << text.toStdString();
        EXPECT_FALSE(text.contains('\r'));
        EXPECT_TRUE(text.startsWith("現在のプリンタ設定では")) << text.toStdString();
    }
}

// The print command as the main window runs it: the dialog (PDF printer, a file, the
// current sheet only, two copies), the progress window, the PDF and the print time.
TEST(FPrint, PrintCommandThroughItsDialog) {
    PrepareLabelDataTests();
    RegisterObjectClasses();
    QTemporaryDir dir;
    TLabelData doc;
    for (int s = 0; s < 2; ++s) {
        if (s > 0)
            doc.NewSheet();
        TObjects objects;
        auto box = std::make_unique<TLORect>();
        box->SetBoundsRect(TRect(10, 10, 400, 300));
        box->FillColor()->SetColor(clBlue);
        box->SetFillInside(true);
        objects.Add(std::move(box));
        doc.WriteLabel(0, objects.List);
    }
    const QString pdf = dir.filePath("command.pdf");
    OnNextModal([pdf](QWidget* W) {
        auto* dialog = qobject_cast<TfrmPrint*>(W);
        ASSERT_NE(dialog, nullptr);
        dialog->Printers()->setCurrentIndex(PdfPrinterIndex(*dialog));
        dialog->SetPdfFile(pdf);
        dialog->CurrentSheetButton()->setChecked(true);
        dialog->CopiesEdit()->setValue(2);
        dialog->ResolutionBox()->setCurrentIndex(dialog->ResolutionBox()->findData(254));
        dialog->accept();
    });
    const double before = double(NowDateTime());
    EXPECT_TRUE(ExecutePrintCommand(nullptr, doc, 1, {}));
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(doc.CurrentSheetNo(), 1);
    EXPECT_GE(double(doc.LastPrint()), before);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    EXPECT_EQ(QString::fromLatin1(bytes).count(page), 2) << "two copies of the current sheet";

    // Cancelled in the dialog: nothing printed, the print time stays.
    const TDateTime printed = doc.LastPrint();
    OnNextModal([](QWidget* W) { qobject_cast<QDialog*>(W)->reject(); });
    EXPECT_FALSE(ExecutePrintCommand(nullptr, doc, 0, {}));
    EXPECT_EQ(double(doc.LastPrint()), double(printed));
}

// The second print starts from the first one's settings; a file typed without ".pdf" gets
// it; a folder that does not exist is refused in the dialog, which stays open.
TEST(FPrint, KeepsTheLastSettingsAndChecksTheOutputFile) {
    PrepareLabelDataTests();
    RegisterObjectClasses();
    TAppFrame frame;
    TStringList macros;
    macros.SetText(QStringLiteral("SysRegistryKey=Software\\Quorvelin\\PrintDialogTest"));
    frame.SetMacro(macros);
    frame.Loaded();
    struct TCleanUp {
        ~TCleanUp() {
            TRegistry().DeleteKey(QStringLiteral("\\Software\\Quorvelin\\PrintDialogTest"));
        }
    } cleanUp;
    QTemporaryDir dir;
    TLabelData doc;
    TObjects objects;
    auto box = std::make_unique<TLORect>();
    box->SetBoundsRect(TRect(10, 10, 400, 300));
    objects.Add(std::move(box));
    doc.WriteLabel(0, objects.List);

    // First print: the PDF printer, a name without extension, dashed outlines, two copies.
    OnNextModal<TfrmPrint>([&dir](TfrmPrint* Dialog) {
        Dialog->Printers()->setCurrentIndex(PdfPrinterIndex(*Dialog));
        TypeInto(Dialog->PdfFileEdit(), dir.filePath(QStringLiteral("first")));
        QTest::mouseClick(Dialog->OutlineDashedBox(), Qt::LeftButton);
        Dialog->CopiesEdit()->setFocus();
        QTest::keyClick(Dialog->CopiesEdit(), Qt::Key_Up);
        QTest::mouseClick(Dialog->PrintButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(ExecutePrintCommand(nullptr, doc, 0, {}));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("first.pdf"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("first"))));

    // Second print: the dialog shows the first one's choices and offers the document's name
    // in the same folder; a missing folder is refused and the dialog stays.
    doc.SetDataName(QStringLiteral("暦"));
    QString shownFile, message;
    bool dashed = false, pdf = false, stayed = false;
    int copies = 0;
    OnNextModal<TfrmPrint>([&](TfrmPrint* Dialog) {
        shownFile = Dialog->PdfFileEdit()->text();
        dashed = Dialog->OutlineDashedBox()->isChecked();
        pdf = Dialog->PrinterName() == BuiltInPdfPrinterName;
        copies = Dialog->CopiesEdit()->value();
        TypeInto(Dialog->PdfFileEdit(), dir.filePath(QStringLiteral("missing/second.pdf")));
        OnNextModal<TfrmMessage>([&message](TfrmMessage* Message) {
            message = Message->Message();
            QTest::mouseClick(Message->Buttons(0), Qt::LeftButton);
        });
        QTest::mouseClick(Dialog->PrintButton(), Qt::LeftButton);
        stayed = Dialog->isVisible() && Dialog->result() != QDialog::Accepted;
        Dialog->reject();
    });
    EXPECT_FALSE(ExecutePrintCommand(nullptr, doc, 0, {}));
    EXPECT_EQ(shownFile, dir.filePath(QStringLiteral("暦.pdf")));
    EXPECT_TRUE(dashed);
    EXPECT_TRUE(pdf);
    EXPECT_EQ(copies, 2);
    EXPECT_TRUE(message.contains(QStringLiteral("missing"))) << message.toStdString();
    EXPECT_TRUE(stayed) << "the dialog stays for another folder";
    EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("missing"))).exists());
}
