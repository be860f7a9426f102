#include "AppTestSupport.h"

#include "FMain.h"
#include "UAppClasses.h"
#include "UDOList.h"
#include "UDrawSite.h"
#include "UGhost.h"
#include "ULORect.h"
#include "ULabelData.h"
#include "URegistry.h"
#include "UStreams.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <map>

void EnsureApplicationClasses() {
    static const bool done = [] {
        RegisterApplicationClasses();
        return true;
    }();
    (void)done;
}

std::unique_ptr<TMatrixPaperInfo> MakeGridPaper(int Columns, int Rows, const QString& Name) {
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(Name);
    paper->SetGroupName(QStringLiteral("テスト"));
    paper->SetWidth(100 + Columns * 700);
    paper->SetHeight(100 + Rows * 500);
    paper->SetLeftOffset(100);
    paper->SetTopOffset(100);
    paper->SetFaceWidth(600);
    paper->SetFaceHeight(400);
    paper->SetRightMargin(100);
    paper->SetBottomMargin(100);
    paper->SetFaceCountX(Columns);
    paper->SetFaceCountY(Rows);
    paper->SetFaceShape(fsRect);
    return paper;
}

void WriteRectLabel(TLabelData& Data, int Index, const TRect& R, TColor Color) {
    TDOList list;
    auto rect = std::make_unique<TLORect>();
    rect->SetBoundsRect(R);
    rect->FillColor()->SetColor(Color);
    rect->SetFillInside(true);
    list.Add(rect.get());
    Data.WriteLabel(Index, list);
    // The list does not own its objects.
}

QRgb DominantColour(const QImage& Image, const QRect& Area) {
    std::map<QRgb, int> counts;
    const QRect r = Area.intersected(Image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[Image.pixel(x, y) | 0xFF000000u];
    QRgb best = 0;
    int most = -1;
    for (const auto& [colour, count] : counts)
        if (count > most) {
            best = colour;
            most = count;
        }
    return best;
}

QString ScreenshotFolder() {
    // Test programs run from <build>/tests.
    QDir dir(QCoreApplication::applicationDirPath());
    dir.cdUp();
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots"));
}

QProcessEnvironment PrivateProgramEnvironment(const QString& Home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QDir home(Home);
    const struct {
        const char* Variable;
        const char* Folder;
    } folders[] = {{"XDG_CONFIG_HOME", "config"},
                   {"XDG_DATA_HOME", "data"},
                   {"XDG_CACHE_HOME", "cache"},
                   {"XDG_RUNTIME_DIR", "runtime"},
                   {"TMPDIR", "tmp"}};
    for (const auto& f : folders) {
        const QString path = home.filePath(QLatin1String(f.Folder));
        home.mkpath(path);
        env.insert(QLatin1String(f.Variable), path);
    }
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return env;
}

bool WaitUntil(const std::function<bool()>& Condition, int Milliseconds) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (Condition())
            loop.quit();
    });
    QTimer::singleShot(Milliseconds, &loop, &QEventLoop::quit);
    poll.start(20);
    if (!Condition())
        loop.exec();
    return Condition();
}

void LetIdle(int Milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(Milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool ClickMenuItem(QMainWindow& Window, const QString& MenuName, QAction* Item) {
    QMenuBar* bar = Window.menuBar();
    auto* menu = Window.findChild<QMenu*>(MenuName);
    if (!menu || !Item)
        return false;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    if (!WaitUntil([menu] { return menu->isVisible(); }))
        return false;
    LetIdle(); // the user reads the menu; its commands are up to date
    QMenu* holder = menu;
    for (QAction* entry : menu->actions()) {
        QMenu* sub = entry->menu();
        if (menu->actions().contains(Item) || !sub || !sub->actions().contains(Item))
            continue;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
        if (!WaitUntil([sub] { return sub->isVisible(); }))
            return false;
        holder = sub;
    }
    if (!holder->actions().contains(Item) || !Item->isEnabled()) {
        CloseMenu(holder);
        if (holder != menu)
            CloseMenu(menu);
        return false;
    }
    QTest::mouseClick(holder, Qt::LeftButton, {}, holder->actionGeometry(Item).center());
    QCoreApplication::processEvents();
    return true;
}

QMenu* RightClickMenu(QWidget& Target, const QPoint& At) {
    QWidget* window = Target.window();
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, Target.mapTo(window, At));
    QMenu* menu = nullptr;
    WaitUntil([&menu] {
        menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu != nullptr;
    });
    return menu;
}

void CloseMenu(QMenu* Menu) {
    if (!Menu || !Menu->isVisible())
        return;
    QTest::keyClick(Menu, Qt::Key_Escape);
    QCoreApplication::processEvents();
}

int ObjectsOnLabel(TLabelData& Data, int Index) {
    TDOList list;
    Data.ReadLabel(Index, list, false);
    const int n = list.Count();
    list.FreeObjects();
    return n;
}

QByteArray PageStream(const TDrawSite& Site) {
    TDOList list;
    Site.GetObjects(list, false);
    TMemoryStream stream;
    list.SaveToStream(stream);
    return stream.Bytes();
}

std::string StreamDifference(const QByteArray& Actual, const QByteArray& Expected) {
    if (Actual == Expected)
        return {};
    qsizetype at = 0;
    while (at < Actual.size() && at < Expected.size() && Actual[at] == Expected[at])
        ++at;
    auto around = [at](const QByteArray& Bytes) {
        const qsizetype from = std::max<qsizetype>(0, at - 24);
        return Bytes.mid(from, 64).toPercentEncoding().toStdString();
    };
    return "streams differ at byte " + std::to_string(at) + "\n actual:   " + around(Actual) +
           "\n expected: " + around(Expected);
}

void MouseDrag(QWidget* Widget, QPoint From, QPoint To) {
    QTest::mousePress(Widget, Qt::LeftButton, Qt::NoModifier, From);
    for (int i = 1; i <= 6; ++i)
        QTest::mouseMove(Widget, From + (To - From) * i / 6, 15);
    QTest::mouseRelease(Widget, Qt::LeftButton, Qt::NoModifier, To, 15);
    QApplication::processEvents();
}

void TypeText(QWidget* Target, const QString& Text) {
    for (const QChar c : Text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(Target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(Target, &release);
    }
}

bool LinkProgramFolder(const QString& Program, const QString& Folder) {
    if (!QDir().mkpath(Folder))
        return false;
    const QDir from = QFileInfo(Program).absoluteDir();
    for (const QFileInfo& entry : from.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
        QFile::link(entry.absoluteFilePath(), Folder + QLatin1Char('/') + entry.fileName());
    return true;
}

namespace {

// The settings the main window reads, with a registry key of the tests' own.
TStringList MainWindowSettings() {
    TStringList t;
    t.SetText(QStringLiteral("AppName=Vantomi2005\n"
                             "SysRegistryKey=Software\\Quorvelin\\Vantomi\\$(ShortVer)\\Settings\n"
                             "SysKeyFile=\n"
                             "OpenFileHistory=$(SysRegistryKey)\\OpenFileHistory\n"
                             "TitleBarFormat=$(AppName) - %s\n"));
    return t;
}

} // namespace

void MainWindowTest::SetUp() {
    EnsureApplicationClasses();
    FFrame = std::make_unique<TAppFrame>();
    FFrame->SetMacro(MainWindowSettings());
    FFrame->Loaded();
    FFrame->OnMessageBox = [this](const QString& Text, const TBitBtnKinds&, int, int) {
        FMessages.append(Text);
        if (FAnswers.empty())
            return mrCancel;
        const TModalResult answer = FAnswers.front();
        FAnswers.pop_front();
        return answer;
    };
    ASSERT_TRUE(FDir.isValid());
    MoveOptions() = TMoveOptions();
}

void MainWindowTest::TearDown() {
    FWindow.reset();
    FFrame.reset();
    TRegistry().DeleteKey(QStringLiteral("\\Software\\Quorvelin"));
}

TfrmMain& MainWindowTest::Open(const TPaperLibrary* Papers) {
    FWindow = std::make_unique<TfrmMain>(Papers);
    FWindow->SetSplashTime(0);
    FWindow->AskFileName = [this](bool) { return FNextFile; };
    FWindow->show();
    QCoreApplication::processEvents();
    return *FWindow;
}

void MainWindowTest::Activate() {
    QApplication::setActiveWindow(FWindow.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(FWindow.get()));
}
