#include "UFormUtils.h"

#include "UCanvas.h"
#include "UComponent.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>
#include <array>

namespace {

// The screen's cursor table (one for the program, like the screen itself).
std::array<QCursor, ScreenCursorCount>& CursorTable() {
    static std::array<QCursor, ScreenCursorCount> table;
    return table;
}

// The type a property was declared with, as written in its Q_PROPERTY line. The meta-type
// of a property of an alias type (TColor) is the aliased type (int), so the declared name is
// taken from the class's meta-object data, where moc keeps it: per property five entries
// (name, type, flags, notifier, revision); a type moc does not know as built in is marked
// 0x80000000 with the index of its name in the string table (offset, length pairs).
QByteArrayView DeclaredTypeName(const QMetaProperty& Property) {
    static_assert(QT_VERSION_MAJOR == 6, "meta-object data layout of Qt 6");
    constexpr int HeaderPropertyCount = 6;
    constexpr int HeaderPropertyData = 7;
    constexpr int MinimumRevision = 10;
    constexpr int IntsPerProperty = 5;
    constexpr uint UnresolvedType = 0x80000000u;
    const QMetaObject* meta = Property.enclosingMetaObject();
    const int index = Property.relativePropertyIndex();
    if (!meta || index < 0)
        return {};
    const uint* data = meta->d.data;
    if (static_cast<int>(data[0]) < MinimumRevision ||
        index >= static_cast<int>(data[HeaderPropertyCount]))
        return {};
    const uint type = data[data[HeaderPropertyData] + index * IntsPerProperty + 1];
    if (!(type & UnresolvedType))
        return QByteArrayView(Property.typeName());
    const uint name = type & ~UnresolvedType;
    const uint* strings = meta->d.stringdata;
    return QByteArrayView(reinterpret_cast<const char*>(strings) + strings[2 * name],
                          static_cast<qsizetype>(strings[2 * name + 1]));
}

// A published colour: a stored, writable property declared as TColor.
bool IsColorProperty(const QMetaProperty& Property) {
    return Property.metaType() == QMetaType::fromType<TColor>() && Property.isWritable() &&
           Property.isStored() && DeclaredTypeName(Property) == "TColor";
}

void ReplaceColors(TComponent& Component, const std::vector<TColor>& OldColors,
                   const std::vector<TColor>& NewColors) {
    const size_t pairs = std::min(OldColors.size(), NewColors.size());
    const QMetaObject* meta = Component.metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!IsColorProperty(property))
            continue;
        const TColor value = property.read(&Component).toInt();
        for (size_t k = 0; k < pairs; ++k)
            if (value == OldColors[k]) {
                property.write(&Component, NewColors[k]);
                break;
            }
    }
    for (int i = 0; i < Component.ComponentCount(); ++i)
        ReplaceColors(*Component.Components(i), OldColors, NewColors);
}

// The menu Item is an entry of, or nullptr.
QMenu* ParentMenu(const QAction* Item) {
    for (QObject* object : Item->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(object))
            return menu;
    return nullptr;
}

} // namespace

TGuard BeginWatchCursor() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return TGuard();
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    return TGuard([] {
        if (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    });
}

QCursor ScreenCursor(int Index) {
    auto& table = CursorTable();
    return Index >= 0 && Index < ScreenCursorCount ? table[Index] : table[0];
}

void SetScreenCursor(int Index, const QCursor& Cursor) {
    if (Index >= 0 && Index < ScreenCursorCount)
        CursorTable()[Index] = Cursor;
}

int AddScreenCursor(const QCursor& Cursor) {
    auto& table = CursorTable();
    for (int slot = ScreenCursorCount - 1; slot >= 1; --slot)
        if (table[slot] == table[0]) {
            table[slot] = Cursor;
            return slot;
        }
    return 0;
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons) {
    TShiftState state;
    state.setFlag(ssShift, Modifiers & Qt::ShiftModifier);
    state.setFlag(ssAlt, Modifiers & Qt::AltModifier);
    state.setFlag(ssCtrl, Modifiers & Qt::ControlModifier);
    state.setFlag(ssLeft, Buttons & Qt::LeftButton);
    state.setFlag(ssRight, Buttons & Qt::RightButton);
    state.setFlag(ssMiddle, Buttons & Qt::MiddleButton);
    return state;
}

TShiftState GetShiftState() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    return ShiftStateOf(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}

QString GetSpecialFolderPath(int CSIDL, bool Create) {
    QStandardPaths::StandardLocation location;
    switch (CSIDL) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
        location = QStandardPaths::DesktopLocation;
        break;
    case CSIDL_PERSONAL:
        location = QStandardPaths::DocumentsLocation;
        break;
    case CSIDL_MYMUSIC:
        location = QStandardPaths::MusicLocation;
        break;
    case CSIDL_MYVIDEO:
        location = QStandardPaths::MoviesLocation;
        break;
    case CSIDL_MYPICTURES:
        location = QStandardPaths::PicturesLocation;
        break;
    case CSIDL_FONTS:
        location = QStandardPaths::FontsLocation;
        break;
    case CSIDL_APPDATA:
    case CSIDL_LOCAL_APPDATA:
        location = QStandardPaths::GenericDataLocation;
        break;
    case CSIDL_INTERNET_CACHE:
        location = QStandardPaths::GenericCacheLocation;
        break;
    case CSIDL_PROFILE:
        location = QStandardPaths::HomeLocation;
        break;
    default:
        return {};
    }
    const QString path = QDir::cleanPath(QStandardPaths::writableLocation(location));
    if (path.isEmpty() || (Create && !QDir().mkpath(path)))
        return {};
    return path;
}

int GetDisplayColorBits() {
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    return screen ? screen->depth() : 32;
}

bool IsLowColorDisplay() {
    return GetDisplayColorBits() <= 8;
}

bool ClickMenuItemPath(QAction* Item) {
    if (!Item)
        return false;
    // The menus above Item, nearest first; a bound guards against menus that contain
    // themselves.
    std::vector<QMenu*> menus;
    for (QMenu* menu = ParentMenu(Item); menu && menus.size() < 64;
         menu = ParentMenu(menu->menuAction()))
        menus.push_back(menu);
    for (auto it = menus.rbegin(); it != menus.rend(); ++it) {
        QMenu* menu = *it;
        if (!menu->menuAction()->isEnabled())
            return false;
        emit menu->aboutToShow();
    }
    if (!Item->isEnabled())
        return false;
    Item->trigger();
    return true;
}

void PostMouseClick(QWidget* Control) {
    if (!Control)
        return;
    const QPointF local(0, 0);
    const QPointF global = Control->mapToGlobal(local);
    QCoreApplication::postEvent(Control,
                                new QMouseEvent(QEvent::MouseButtonPress, local, global,
                                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(Control,
                                new QMouseEvent(QEvent::MouseButtonRelease, local, global,
                                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

bool OpenURL(QWidget* Window, const QString& URL) {
    const QUrl url = QUrl::fromUserInput(URL);
    return url.isValid() && QDesktopServices::openUrl(url);
}

void ReplaceColorProperties(TComponent* Component, const std::vector<TColor>& OldColors,
                            const std::vector<TColor>& NewColors) {
    if (Component)
        ReplaceColors(*Component, OldColors, NewColors);
}

void GrayDialogColors(TComponent* Form) {
    ReplaceColorProperties(Form, {0x00AFE7FF, 0x007F9FDF}, {0x00E6E6E6, 0x00B4B4B4});
}

TBitmap CreateColorSwatch(TColor Color, int Width, int Height) {
    TBitmap swatch(std::max(Width, 0), std::max(Height, 0), pf24bit);
    if (swatch.Empty())
        return swatch;
    const TColor rgb = ColorToRGB(Color);
    swatch.Fill(rgb == clWhite ? clBlack : clWhite);
    TCanvas& canvas = swatch.Canvas();
    canvas.Pen().SetColor(rgb == clGray ? clSilver : clGray);
    canvas.Pen().SetWidth(1);
    canvas.Brush().SetColor(Color);
    canvas.Rectangle(1, 1, Width - 1, Height - 1);
    return swatch;
}
