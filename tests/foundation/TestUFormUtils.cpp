#include "UComponent.h"
#include "UExFileInfo.h"
#include "UFormUtils.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// A component with colour properties and properties that only look like them.
class TColoredPart : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TColor FontColor READ FontColor WRITE SetFontColor)
    Q_PROPERTY(TColor Paper READ Paper WRITE SetPaper)
    Q_PROPERTY(int ColorCount READ ColorCount WRITE SetColorCount)
    Q_PROPERTY(int BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(TColor HiddenColor READ HiddenColor WRITE SetHiddenColor STORED false)
public:
    using TComponent::TComponent;
    TColor Color() const { return FColor; }
    void SetColor(TColor V) { FColor = V; }
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor V) { FFontColor = V; }
    TColor Paper() const { return FPaper; }
    void SetPaper(TColor V) { FPaper = V; }
    int ColorCount() const { return FColorCount; }
    void SetColorCount(int V) { FColorCount = V; }
    int BackColor() const { return FBackColor; }
    void SetBackColor(int V) { FBackColor = V; }
    TColor HiddenColor() const { return FHiddenColor; }
    void SetHiddenColor(TColor V) { FHiddenColor = V; }

private:
    TColor FColor = 0x00AFE7FF;
    TColor FFontColor = 0x007F9FDF;
    TColor FPaper = 0x00AFE7FF;
    int FColorCount = 0x00AFE7FF;
    int FBackColor = 0x00AFE7FF;
    TColor FHiddenColor = 0x00AFE7FF;
};

// Receives the pages opened for a private scheme instead of a browser.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void Open(const QUrl& Url) { Opened.append(Url); }
};

} // namespace

TEST(FormUtils, WatchCursorsComeBackInAnyOrder) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        TGuard outer = BeginWatchCursor();
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        TGuard inner = BeginWatchCursor();
        outer.Restore(); // released before the inner one
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(FormUtils, ScreenCursorsFillFromTheTopUntilNoSlotIsFree) {
    const QCursor cross(Qt::CrossCursor);
    EXPECT_EQ(AddScreenCursor(cross), 255);
    EXPECT_EQ(AddScreenCursor(QCursor(Qt::SizeAllCursor)), 254);
    EXPECT_EQ(ScreenCursor(255).shape(), Qt::CrossCursor);
    for (int i = 253; i >= 1; --i)
        ASSERT_EQ(AddScreenCursor(cross), i);
    EXPECT_EQ(AddScreenCursor(cross), 0);
    SetScreenCursor(100, ScreenCursor(0)); // freed again
    EXPECT_EQ(AddScreenCursor(cross), 100);
    EXPECT_EQ(ScreenCursor(-1).shape(), ScreenCursor(0).shape());
    for (int i = 1; i < ScreenCursorCount; ++i)
        SetScreenCursor(i, ScreenCursor(0));
}

TEST(FormUtils, ShiftStatesFollowModifiersAndButtons) {
    const struct {
        Qt::KeyboardModifiers Modifiers;
        Qt::MouseButtons Buttons;
        TShiftState Expected;
    } cases[] = {
        {Qt::NoModifier, Qt::NoButton, {}},
        {Qt::ShiftModifier, Qt::NoButton, ssShift},
        {Qt::AltModifier | Qt::ControlModifier, Qt::NoButton, ssAlt | ssCtrl},
        {Qt::NoModifier, Qt::LeftButton | Qt::RightButton, ssLeft | ssRight},
        {Qt::ShiftModifier, Qt::MiddleButton, ssShift | ssMiddle},
        {Qt::MetaModifier, Qt::BackButton, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShiftStateOf(c.Modifiers, c.Buttons), c.Expected) << int(c.Expected);
    EXPECT_EQ(GetShiftState(), TShiftState()) << "nothing is held in a test";
}

TEST(FormUtils, SpecialFoldersComeFromTheUsersFolders) {
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA, false),
              QDir::cleanPath(qEnvironmentVariable("XDG_DATA_HOME")));
    EXPECT_EQ(GetSpecialFolderPath(0x7FFF, false), QString());
    const QString cache = GetSpecialFolderPath(CSIDL_INTERNET_CACHE, true);
    EXPECT_EQ(cache, QDir::cleanPath(qEnvironmentVariable("XDG_CACHE_HOME")));
    EXPECT_TRUE(QFileInfo(cache).isDir());
    EXPECT_TRUE(IsWindowsNT());
    EXPECT_GT(GetDisplayColorBits(), 8);
    EXPECT_FALSE(IsLowColorDisplay());
}

TEST(FormUtils, ClickingAMenuPathOpensEachMenuThenTriggersTheItem) {
    QMenu file(QStringLiteral("ファイル"));
    QMenu* recent = file.addMenu(QStringLiteral("最近"));
    QAction* item = recent->addAction(QStringLiteral("a.vtd"));
    QStringList calls;
    QObject::connect(&file, &QMenu::aboutToShow, [&] { calls.append(QStringLiteral("file")); });
    QObject::connect(recent, &QMenu::aboutToShow, [&] { calls.append(QStringLiteral("recent")); });
    QObject::connect(item, &QAction::triggered, [&] { calls.append(QStringLiteral("item")); });

    EXPECT_TRUE(ClickMenuItemPath(item));
    EXPECT_EQ(calls, (QStringList{QStringLiteral("file"), QStringLiteral("recent"),
                                  QStringLiteral("item")}));

    calls.clear();
    recent->menuAction()->setEnabled(false);
    EXPECT_FALSE(ClickMenuItemPath(item));
    EXPECT_EQ(calls, QStringList{QStringLiteral("file")});

    calls.clear();
    recent->menuAction()->setEnabled(true);
    item->setEnabled(false);
    EXPECT_FALSE(ClickMenuItemPath(item));
    EXPECT_EQ(calls, (QStringList{QStringLiteral("file"), QStringLiteral("recent")}));
    EXPECT_FALSE(ClickMenuItemPath(nullptr));
}

TEST(FormUtils, APostedClickPressesTheButton) {
    QPushButton button(QStringLiteral("OK"));
    button.show();
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    PostMouseClick(&button);
    EXPECT_EQ(clicks, 0) << "posted, not sent";
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks, 1);
}

TEST(FormUtils, OpenURLHandsTheAddressToTheDesktop) {
    TUrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("vantomi-test"), &catcher, "Open");
    EXPECT_TRUE(OpenURL(nullptr, QStringLiteral("vantomi-test://example/お知らせ?x=1")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("vantomi-test"));
    ASSERT_EQ(catcher.Opened.size(), 1);
    EXPECT_EQ(catcher.Opened[0].host(), QStringLiteral("example"));
    EXPECT_EQ(catcher.Opened[0].path(), QStringLiteral("/お知らせ"));
}

TEST(FormUtils, ColorPropertiesOfAComponentTreeAreReplaced) {
    TColoredPart root;
    auto* child = new TColoredPart(&root);
    child->SetColor(0x00123456);
    ReplaceColorProperties(&root, {0x00AFE7FF, 0x007F9FDF}, {0x00E6E6E6, 0x00B4B4B4});
    EXPECT_EQ(root.Color(), 0x00E6E6E6);
    EXPECT_EQ(root.FontColor(), 0x00B4B4B4);
    EXPECT_EQ(root.Paper(), 0x00E6E6E6) << "a colour by its type, whatever its name";
    EXPECT_EQ(root.ColorCount(), 0x00AFE7FF) << "an integer, not a colour";
    EXPECT_EQ(root.BackColor(), 0x00AFE7FF) << "an integer, though named like a colour";
    EXPECT_EQ(root.HiddenColor(), 0x00AFE7FF) << "not stored";
    EXPECT_EQ(child->Color(), 0x00123456);
    EXPECT_EQ(child->FontColor(), 0x00B4B4B4);
    ReplaceColorProperties(&root, {0x00E6E6E6, 0x00123456}, {0x00000001}); // pairs only
    EXPECT_EQ(root.Color(), 0x00000001);
    EXPECT_EQ(child->Color(), 0x00123456);
}

TEST(FormUtils, GrayDialogColorsTurnsTheCreamAndTanOfAFormGrey) {
    TColoredPart form;
    auto* child = new TColoredPart(&form);
    child->SetColor(0x007F9FDF);
    child->SetFontColor(0x00123456);
    GrayDialogColors(&form);
    EXPECT_EQ(form.Color(), 0x00E6E6E6);
    EXPECT_EQ(form.FontColor(), 0x00B4B4B4);
    EXPECT_EQ(child->Color(), 0x00B4B4B4);
    EXPECT_EQ(child->FontColor(), 0x00123456);
    GrayDialogColors(nullptr);
}

TEST(FormUtils, ColorSwatchesShowTheColourInsideAGreyOutline) {
    const struct {
        TColor Color;
        TColor Background;
        TColor Outline;
    } cases[] = {{clRed, clWhite, clGray},
                 {clWhite, clBlack, clGray},
                 {clGray, clWhite, clSilver},
                 {clBtnFace, clWhite, clGray}};
    for (const auto& c : cases) {
        const TBitmap swatch = CreateColorSwatch(c.Color, 12, 8);
        ASSERT_EQ(swatch.Width(), 12);
        ASSERT_EQ(swatch.Height(), 8);
        EXPECT_EQ(swatch.PixelFormat(), pf24bit);
        EXPECT_EQ(swatch.GetPixel(0, 0), c.Background) << c.Color;
        EXPECT_EQ(swatch.GetPixel(11, 7), c.Background) << c.Color;
        EXPECT_EQ(swatch.GetPixel(1, 1), c.Outline) << c.Color;
        EXPECT_EQ(swatch.GetPixel(10, 6), c.Outline) << c.Color;
        EXPECT_EQ(swatch.GetPixel(6, 4), ColorToRGB(c.Color)) << c.Color;
    }
    EXPECT_TRUE(CreateColorSwatch(clRed, 0, 5).Empty());
}

TEST(ExFileInfo, OneEntryPerExtensionIgnoringCase) {
    TExFileInfo info;
    const TExFileTypeInfo& png = info.GetFileInfo(QStringLiteral("/nowhere/a.png"));
    EXPECT_FALSE(png.TypeName.isEmpty());
    EXPECT_FALSE(png.Icon.isNull());
    const QString pngType = png.TypeName;
    EXPECT_EQ(info.GetFileInfo(QStringLiteral("B.PNG")).TypeName, pngType);
    EXPECT_EQ(info.Count(), 1);
    EXPECT_NE(info.GetFileInfo(QStringLiteral("c.txt")).TypeName, pngType);
    info.GetFileInfo(QStringLiteral("README"));
    info.GetFileInfo(QStringLiteral("Makefile"));
    EXPECT_EQ(info.Count(), 3);
}

#include "TestUFormUtils.moc"
