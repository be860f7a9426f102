// Program entry: the application object, the data module (which registers the classes,
// checks the start conditions, loads the data and creates the main window), the event loop
// until the main window closes, then the data module's shutdown.
//
// Options for tests and measurements (after the document, which comes first):
//   --smoke-test            open, let the event loop run briefly, close cleanly
//   --report-objects        once start-up has opened the document named first on the
//                           command line, print one line per drawing object of every label
//                           ("sheet S label L Class") and end (exit code 2: no document)
//   --startup-report        print "first-page-painted-ms N" once the page of the layout
//                           editor has been painted for the first time, then end
//   --answer-messages       every modal window that shows itself is dismissed as with Escape
//                           and its text printed to standard error (a child process without
//                           a user: the second-instance message, for example)

#include "FColorGrid.h"
#include "FMain.h"
#include "UApplication.h"
#include "UDOList.h"
#include "UDrawObject.h"
#include "UDrawSiteHost.h"
#include "ULabelData.h"
#include "UQtTranslations.h"
#include "UUndo.h"
#include "UdataMain.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

bool HasOption(const char* Name) {
    return TApplication::arguments().contains(QLatin1String(Name));
}

void PrintLine(FILE* Out, const QString& Line) {
    std::fputs(Line.toUtf8().constData(), Out);
    std::fputc('\n', Out);
    std::fflush(Out);
}

// Prints every object of every label of Data, sheet by sheet; the current sheet is kept.
void ReportObjects(TLabelData& Data) {
    const int current = Data.CurrentSheetNo();
    for (int sheet = 0; sheet < Data.SheetCount(); ++sheet) {
        Data.SetSheet(sheet);
        const int faces = std::max(1, Data.PaperInfo()->GetFaceCount());
        for (int label = 0; label < faces; ++label) {
            if (!Data.SeparatelyDesign() && label > 0)
                break;
            TDOList list;
            Data.ReadLabel(label, list, false);
            for (TDrawObject* object : list)
                PrintLine(stdout, QStringLiteral("sheet %1 label %2 %3")
                                      .arg(sheet)
                                      .arg(label)
                                      .arg(QString::fromLatin1(object->metaObject()->className())));
            list.FreeObjects();
        }
    }
    Data.SetSheet(current);
}

// Notes the first paint of a design surface's page.
class TFirstPaintWatch : public QObject {
public:
    explicit TFirstPaintWatch(const QElapsedTimer& Clock) : FClock(Clock) {}

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (!FDone && Event->type() == QEvent::Paint && qobject_cast<TDrawSiteHost*>(Watched)) {
            FDone = true;
            // After this paint has been delivered.
            QTimer::singleShot(0, [ms = FClock.elapsed()] {
                PrintLine(stdout, QStringLiteral("first-page-painted-ms %1").arg(ms));
                TApplication::exit(0);
            });
        }
        return false;
    }

private:
    const QElapsedTimer& FClock;
    bool FDone = false;
};

// Answers modal windows for a run without a user: the text goes to standard error and the
// window is dismissed as with Escape (a question about a missing file is not retried).
void AnswerModalWindows() {
    auto* dialog = qobject_cast<QDialog*>(TApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible())
        return;
    QStringList texts;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        if (!label->text().isEmpty())
            texts.append(label->text());
    PrintLine(stderr, QStringLiteral("message: %1").arg(texts.join(QLatin1Char(' '))));
    dialog->reject();
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    TApplication app(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Vantomi"));
    TApplication::setOrganizationName(QStringLiteral("Quorvelin"));
    InstallQtTranslations(app);

    TFirstPaintWatch paintWatch(clock);
    if (HasOption("--startup-report"))
        app.installEventFilter(&paintWatch);
    QTimer answerer;
    if (HasOption("--answer-messages")) {
        QObject::connect(&answerer, &QTimer::timeout, &AnswerModalWindows);
        answerer.start(50);
    }

    int result = 0;
    {
        std::unique_ptr<TdataMain> dataMain;
        TStartupOptions options;
        // The shared colour drop-down is made in its start-up step, before the main window
        // whose controls use it; the application owns it (it lives as long as the program).
        options.ColorGridFactory = [] {
            TfrmColorGrid::Shared();
            return std::unique_ptr<QWidget>();
        };
        dataMain =
            std::make_unique<TdataMain>(MainFormFactory([&dataMain]() -> const TPaperLibrary* {
                                            return dataMain ? dataMain->PaperLibrary() : nullptr;
                                        }),
                                        std::move(options));
        if (!dataMain->Create())
            return 1;

        QTimer probe;
        if (HasOption("--smoke-test")) {
            QTimer::singleShot(200, [&dataMain] {
                if (QWidget* window = dataMain->MainForm()->Widget())
                    window->close();
            });
        }
        if (HasOption("--report-objects")) {
            QObject::connect(&probe, &QTimer::timeout, [&dataMain] {
                if (!dataMain->StartupHandled())
                    return;
                auto* main = dynamic_cast<TfrmMain*>(dataMain->MainForm());
                if (!dataMain->DocumentShown() || !main) {
                    PrintLine(stderr, QStringLiteral("no document was opened"));
                    TApplication::exit(2);
                    return;
                }
                ReportObjects(main->Data());
                TApplication::exit(0);
            });
            probe.start(20);
        }
        result = app.exec();
        probe.stop();
        // Undo steps own copies of objects: free them while the application object exists.
        ActionList().Clear();
    }
    return result;
}
