#include "UAppFrame.h"

#include "UDataCDLocator.h"
#include "UExecuteBlocker.h"
#include "UFormUtils.h"
#include "UPrinters.h"
#include "URegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QMessageBox>
#include <QMetaProperty>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>
#include <cxxabi.h>
#include <map>
#include <typeinfo>

namespace {

// The frame the free routines use; the system's one frame in a running program.
TAppFrame* GlobalFrame = nullptr;

// Shown when the table's template for an exception cannot be expanded.
const QString FallbackUnexpected = QStringLiteral("予期しないエラーが発生しました\n%s");
const QString FallbackTwain =
    QStringLiteral("TWAINでエラーが発生しました。\nTWAINドライバあるいはTWAIN機器に問題があると\n"
                   "思われます\n「%s」");

QString ShortVersion() {
    return QStringLiteral("%1.%2").arg(AppVersionMajor).arg(AppVersionMinor);
}

QString LongVersion() {
    return ShortVersion() + QStringLiteral(".%1.%2").arg(AppVersionRelease).arg(AppVersionBuild);
}

// Runs Read on the settings key of Frame, or answers Default when there is none.
template <class T, class F>
T ReadSetting(const TAppFrame* Frame, const QString& Name, const T& Default, F&& Read) {
    if (!Frame)
        return Default;
    const auto registry = Frame->OpenRegistry(false);
    if (!registry || !registry->ValueExists(Name))
        return Default;
    return Read(*registry);
}

void WriteSetting(const TAppFrame* Frame, const QString& Name, const QString& Value) {
    if (!Frame)
        return;
    if (const auto registry = Frame->OpenRegistry(true))
        registry->WriteString(Name, Value);
}

QString ReadSettingString(const TAppFrame* Frame, const QString& Name, const QString& Default) {
    return ReadSetting(Frame, Name, Default,
                       [&](const TRegistry& R) { return R.ReadString(Name, Default); });
}

// The class name of the exception object, as its declaration spells it (without the
// enclosing scopes).
QString ExceptionClassName(const std::exception& E) {
    int status = 0;
    const char* mangled = typeid(E).name();
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    const QString name = QString::fromLatin1(status == 0 && demangled ? demangled : mangled);
    std::free(demangled);
    const qsizetype scope = name.lastIndexOf(QLatin1String("::"));
    return scope < 0 ? name : name.mid(scope + 2);
}

QString ExceptionMessage(const std::exception& E) {
    if (const auto* e = dynamic_cast<const Exception*>(&E))
        return e->Message;
    return QString::fromUtf8(E.what());
}

// The window a message box belongs to: the active one, else the first visible top-level
// window; nullptr when the application shows none.
QWidget* ApplicationWindow() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->isWindow())
            return widget;
    return nullptr;
}

void BringApplicationToFront() {
    if (QWidget* window = ApplicationWindow()) {
        window->raise();
        window->activateWindow();
    }
}

QMessageBox::StandardButton PlainButton(TBitBtnKind Kind) {
    switch (Kind) {
    case bkCustom:
        return QMessageBox::YesToAll;
    case bkOK:
        return QMessageBox::Ok;
    case bkCancel:
        return QMessageBox::Cancel;
    case bkHelp:
        return QMessageBox::Help;
    case bkYes:
        return QMessageBox::Yes;
    case bkNo:
        return QMessageBox::No;
    case bkClose:
        return QMessageBox::NoToAll;
    case bkAbort:
        return QMessageBox::Abort;
    case bkRetry:
        return QMessageBox::Retry;
    case bkIgnore:
        return QMessageBox::Ignore;
    case bkAll:
        break;
    }
    return QMessageBox::NoButton;
}

TModalResult PlainResult(TBitBtnKind Kind) {
    switch (Kind) {
    case bkCustom:
        return mrYesToAll;
    case bkClose:
        return mrNoToAll;
    case bkHelp:
        return mrNone;
    default:
        return ModalResultOfKind(Kind);
    }
}

// Expands the macros of one object's own properties (see ExpandComponentMacros).
void ExpandPropertyMacros(const TAppFrame& Frame, QObject& Object) {
    const QLatin1String macroStart("$(");
    const QMetaObject* meta = Object.metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isWritable() || !property.isStored() ||
            qstrcmp(property.name(), "objectName") == 0)
            continue;
        const QMetaType type = property.metaType();
        if (type == QMetaType::fromType<QString>()) {
            const QString text = property.read(&Object).toString();
            if (text.contains(macroStart))
                property.write(&Object, Frame.ExpandMacros(text));
        } else if (type == QMetaType::fromType<TStringList>()) {
            TStringList lines = property.read(&Object).value<TStringList>();
            if (lines.Text().contains(macroStart)) {
                lines.SetText(Frame.ExpandMacros(lines.Text()));
                property.write(&Object, QVariant::fromValue(lines));
            }
        } else if (type == QMetaType::fromType<QStringList>()) {
            const QStringList lines = property.read(&Object).toStringList();
            const QString text = lines.join(QStringLiteral("\r\n"));
            if (text.contains(macroStart)) {
                TStringList expanded;
                expanded.SetText(Frame.ExpandMacros(text));
                property.write(&Object, expanded.Lines());
            }
        }
    }
    const auto expandItem = [&](const QString& Text, const auto& Set) {
        if (Text.contains(macroStart))
            Set(Frame.ExpandMacros(Text));
    };
    if (auto* combo = qobject_cast<QComboBox*>(&Object))
        for (int i = 0; i < combo->count(); ++i)
            expandItem(combo->itemText(i), [&](const QString& T) { combo->setItemText(i, T); });
    if (auto* tabs = qobject_cast<QTabWidget*>(&Object))
        for (int i = 0; i < tabs->count(); ++i) {
            expandItem(tabs->tabText(i), [&](const QString& T) { tabs->setTabText(i, T); });
            expandItem(tabs->tabToolTip(i), [&](const QString& T) { tabs->setTabToolTip(i, T); });
        }
}

void ExpandObjectTree(const TAppFrame& Frame, QObject& Object) {
    ExpandPropertyMacros(Frame, Object);
    if (auto* component = qobject_cast<TComponent*>(&Object)) {
        for (int i = 0; i < component->ComponentCount(); ++i)
            ExpandObjectTree(Frame, *component->Components(i));
        return;
    }
    const QObjectList children = Object.children();
    for (QObject* child : children)
        ExpandObjectTree(Frame, *child);
}

QString PlacementName(const QWidget& Form) {
    const QString name = Form.objectName();
    return name.isEmpty() ? QString::fromLatin1(Form.metaObject()->className()) : name;
}

// Rect moved and cut so that it lies within the available area of the screen it overlaps
// most (the primary screen when it overlaps none).
QRect KeepOnScreen(const QRect& Rect) {
    const QScreen* best = QGuiApplication::primaryScreen();
    qint64 bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry().intersected(Rect);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = screen;
        }
    }
    if (!best)
        return Rect;
    const QRect area = best->availableGeometry();
    const QSize size = Rect.size().boundedTo(area.size()).expandedTo(QSize(1, 1));
    const int left =
        std::clamp(Rect.left(), area.left(), area.left() + area.width() - size.width());
    const int top = std::clamp(Rect.top(), area.top(), area.top() + area.height() - size.height());
    return QRect(QPoint(left, top), size);
}

} // namespace

TAppFrame::TAppFrame(TComponent* Owner)
    : TComponent(Owner), DisplayColorBits(GetDisplayColorBits),
      SelectPrinter(EnsurePrinterSelected), FCDLocator(std::make_unique<TDataCDLocator>(*this)) {
    FMacro.SetValue(QStringLiteral("AppName"), QStringLiteral("Project"));
    GlobalFrame = this;
}

TAppFrame::~TAppFrame() {
    if (GlobalFrame == this)
        GlobalFrame = nullptr;
    if (FHooked) {
        SendMessageHookList().RemoveHook(this);
        PostMessageHookList().RemoveHook(this);
    }
}

TAppFrame* TAppFrame::Global() {
    return GlobalFrame;
}

void TAppFrame::Loaded() {
    TComponent::Loaded();
    if (ComponentState() & csDesigning)
        return;
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString folder = exe.absolutePath() + QLatin1Char('/');
    if (FMacro.Values(QStringLiteral("SysKeyFile")).isEmpty())
        FMacro.SetValue(QStringLiteral("SysKeyFile"), exe.fileName());
    if (FMacro.Values(QStringLiteral("SysApplicationFolder")).isEmpty())
        FMacro.SetValue(QStringLiteral("SysApplicationFolder"), exe.completeBaseName());
    FMacro.SetValue(QStringLiteral("CRLF"), QStringLiteral("\r\n"));
    FMacro.SetValue(QStringLiteral("Quote"), QStringLiteral("\""));
    FMacro.SetValue(QStringLiteral("ExeDir"), folder);
    FMacro.SetValue(QStringLiteral("ExeNameNoExt"), folder + exe.completeBaseName());
    FMacro.SetValue(QStringLiteral("AppDataDir"),
                    QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                        QLatin1Char('/'));
    FMacro.SetValue(QStringLiteral("ShortVer"), ShortVersion());
    FMacro.SetValue(QStringLiteral("LongVer"), LongVersion());

    const QString title = ExpandMacros(QStringLiteral("$(AppName:inessential)"));
    if (!title.isEmpty() && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::setApplicationDisplayName(title);
    FHelpFile = ExpandMacros(QStringLiteral("$(SysHelpFile:inessential)"));

    if (!FHooked) {
        FHooked = true;
        SendMessageHookList().AddHook(this, [this](QObject* Receiver, QEvent* Event) {
            if (OnSendMessage)
                OnSendMessage(Receiver, Event);
        });
        PostMessageHookList().AddHook(this, [this](QObject* Receiver, QEvent* Event) {
            if (OnPostMessage)
                OnPostMessage(Receiver, Event);
        });
    }
}

TModalResult TAppFrame::MessageBox(const QString& Text, const TBitBtnKinds& Buttons,
                                   int DefaultIndex, int CancelIndex) {
    return ShowMessageText(ExpandMacros(Text), Buttons, DefaultIndex, CancelIndex);
}

TModalResult TAppFrame::ShowMessageText(const QString& Text, const TBitBtnKinds& Buttons,
                                        int DefaultIndex, int CancelIndex) {
    if (OnMessageBox)
        return OnMessageBox(Text, Buttons, DefaultIndex, CancelIndex);
    return PlainMessageBox(Text, Buttons, DefaultIndex, CancelIndex);
}

TModalResult TAppFrame::Ask(const QString& Text, const TBitBtnKinds& Buttons, int DefaultIndex,
                            int CancelIndex) {
    BringApplicationToFront();
    return MessageBox(Text, Buttons, DefaultIndex, CancelIndex);
}

void TAppFrame::HandleException(const std::exception& E) noexcept {
    try {
        if (OnException)
            OnException(this, E);
        else
            ShowException(E);
    } catch (const std::exception& e) {
        qCritical("The exception handler failed: %s (while showing: %s)", e.what(), E.what());
    } catch (...) {
        qCritical("The exception handler failed (while showing: %s)", E.what());
    }
}

void TAppFrame::ShowException(const std::exception& E) {
    const bool twain = ExceptionClassName(E) == QLatin1String("ETwain");
    QString templateText;
    try {
        templateText = ExpandMacros(twain ? QStringLiteral("$(SysMsgTwainErr)")
                                          : QStringLiteral("$(SysMsgUnexpected)"));
    } catch (const EMacroString& e) {
        qWarning("The exception message template cannot be expanded: %s", e.what());
        templateText = twain ? FallbackTwain : FallbackUnexpected;
    }
    BringApplicationToFront();
    ShowMessageText(FormatMessageText(templateText, {ExceptionMessage(E)}), {bkOK}, 0, 0);
}

std::unique_ptr<TRegistry> TAppFrame::OpenRegistry(bool ForWrite) const {
    if (FMacro.IndexOfName(QStringLiteral("SysRegistryKey")) < 0)
        return nullptr;
    const QString key = ExpandMacros(QStringLiteral("$(SysRegistryKey:inessential)"));
    if (key.isEmpty())
        return nullptr;
    auto registry = std::make_unique<TRegistry>(HKEY_CURRENT_USER);
    const QString path = QLatin1Char('\\') + key;
    const bool opened = ForWrite ? registry->OpenKey(path, true) : registry->OpenKeyReadOnly(path);
    return opened ? std::move(registry) : nullptr;
}

bool TAppFrame::CheckExecuteCondition() {
    if ((FExecuteCondition & ecNeedHighColor) && DisplayColorBits() <= 8 &&
        Ask(QStringLiteral("$(SysMsgNotEnoughColor)"), {bkYes, bkNo}, 0, 0) == mrNo)
        return false;
    // ecPowerUsers: installing needs no special rights here, so it is always satisfied.
    if ((FExecuteCondition & ecNeedPrinter) && !SelectPrinter()) {
        Ask(QStringLiteral("$(SysMsgNotDefaultPrinter)"), {bkOK}, 0, 0);
        return false;
    }
    if ((FExecuteCondition & ecExclusive) && !CheckSingleInstance()) {
        Ask(QStringLiteral("$(SysMsgAlreadyRun)"), {bkOK}, 0, 0);
        return false;
    }
    return true;
}

bool TAppFrame::CheckSingleInstance() {
    if (FInstanceLock)
        return true;
    auto lock = std::make_unique<TExecuteBlocker>(ExpandMacros(QStringLiteral("$(SysMutexID)")));
    if (lock->IsBlocked())
        return false;
    FInstanceLock = std::move(lock);
    return true;
}

QString TAppFrame::FindCDFile(const QString& FileName, const QString& PromptName) {
    const QString displayName =
        PromptName == QLatin1String("@") ? QStringLiteral("必要なファイル") : PromptName;
    QString result = FCDLocator->Locate(FileName);
    while (result.isEmpty() && !PromptName.isEmpty()) {
        bool retry = true;
        DoCDNotFound(displayName, retry);
        if (!retry)
            break;
        result = FCDLocator->Locate(FileName);
    }
    return result;
}

QString TAppFrame::GetCDPath() const {
    return ReadSettingString(this, QStringLiteral("CDPath"), QString());
}

void TAppFrame::SetCDPath(const QString& Value) {
    WriteSetting(this, QStringLiteral("CDPath"), Value);
}

// Without a handler the frame asks itself: the built-in message with Yes (look again) and
// Cancel (give up).
void TAppFrame::DoCDNotFound(const QString& DisplayName, bool& Retry) {
    if (OnCDNotFound) {
        OnCDNotFound(DisplayName, Retry);
        return;
    }
    const QString text =
        FormatMessageText(ExpandMacros(QStringLiteral("$(SysMsgCDNotFound)")), {DisplayName});
    Retry = ShowMessageText(text, {bkYes, bkCancel}, 0, 1) != mrCancel;
}

QString ExpandMacros(const QString& Text) {
    const TAppFrame* frame = TAppFrame::Global();
    return frame ? frame->ExpandMacros(Text) : Text;
}

void ExpandComponentMacros(QObject* Component) {
    const TAppFrame* frame = TAppFrame::Global();
    if (frame && Component)
        ExpandObjectTree(*frame, *Component);
}

QString FormatMessageText(const QString& Template, const QStringList& Args) {
    QString result;
    qsizetype next = 0;
    for (qsizetype i = 0; i < Template.size(); ++i) {
        const QChar c = Template[i];
        const QChar kind = i + 1 < Template.size() ? Template[i + 1] : QChar();
        if (c != u'%' || kind.isNull()) {
            result += c;
        } else if (kind == u'%') {
            result += u'%';
            ++i;
        } else if ((kind == u's' || kind == u'd') && next < Args.size()) {
            result += Args[next++];
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

TModalResult AppMessageBox(const QString& Text, const TBitBtnKinds& Buttons, int DefaultIndex,
                           int CancelIndex) {
    BringApplicationToFront();
    if (TAppFrame* frame = TAppFrame::Global())
        return frame->MessageBox(Text, Buttons, DefaultIndex, CancelIndex);
    return PlainMessageBox(Text, Buttons, DefaultIndex, CancelIndex);
}

namespace {

// Shows Text as it is, through the frame when there is one.
TModalResult AppShowText(const QString& Text, const TBitBtnKinds& Buttons, int DefaultIndex,
                         int CancelIndex) {
    BringApplicationToFront();
    if (TAppFrame* frame = TAppFrame::Global())
        return frame->ShowMessageText(Text, Buttons, DefaultIndex, CancelIndex);
    return PlainMessageBox(Text, Buttons, DefaultIndex, CancelIndex);
}

} // namespace

TModalResult AppMessageBoxFormat(const QString& Template, const QStringList& Args,
                                 const TBitBtnKinds& Buttons, int DefaultIndex, int CancelIndex) {
    return AppShowText(FormatMessageText(ExpandMacros(Template), Args), Buttons, DefaultIndex,
                       CancelIndex);
}

bool AppConfirm(const QString& Text) {
    return AppMessageBox(Text, {bkOK, bkCancel}, 0, 1) == mrOk;
}

TModalResult AppShowMessage(const QString& Text) {
    return AppMessageBox(Text, {bkOK}, 0, 0);
}

TModalResult AppShowError(const QString& Text) {
    return AppShowText(Text, {bkOK}, 0, 0);
}

TModalResult PlainMessageBox(const QString& Text, const TBitBtnKinds& Buttons, int DefaultIndex,
                             int CancelIndex) {
    QMessageBox box(QMessageBox::Information, QGuiApplication::applicationDisplayName(),
                    QString(Text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    QMessageBox::NoButton, ApplicationWindow());
    box.setTextFormat(Qt::PlainText);
    std::map<QAbstractButton*, TModalResult> results;
    for (const TBitBtnKind kind : Buttons) {
        const QMessageBox::StandardButton standard = PlainButton(kind);
        QAbstractButton* button = standard != QMessageBox::NoButton
                                      ? box.addButton(standard)
                                      : box.addButton(BitBtnCaption(kind), QMessageBox::AcceptRole);
        results[button] = PlainResult(kind);
    }
    box.exec();
    const auto found = results.find(box.clickedButton());
    return found != results.end() ? found->second : mrCancel;
}

void HandleApplicationException(const std::exception& E) noexcept {
    if (TAppFrame* frame = TAppFrame::Global()) {
        frame->HandleException(E);
        return;
    }
    try {
        qCritical("Unhandled exception: %s", E.what());
        PlainMessageBox(ExceptionMessage(E), {bkOK}, 0, 0);
    } catch (...) {
        qCritical("The exception could not be shown");
    }
}

bool RegReadBool(const QString& Name, bool Default) {
    return RegReadInteger(Name, Default ? 1 : 0) != 0;
}

int RegReadInteger(const QString& Name, int Default) {
    return ReadSetting(TAppFrame::Global(), Name, Default,
                       [&](const TRegistry& R) { return R.ReadInteger(Name, Default); });
}

QString RegReadString(const QString& Name, const QString& Default) {
    return ReadSettingString(TAppFrame::Global(), Name, Default);
}

void RegWriteBool(const QString& Name, bool Value) {
    RegWriteInteger(Name, Value ? 1 : 0);
}

void RegWriteInteger(const QString& Name, int Value) {
    RegWriteString(Name, QString::number(Value));
}

void RegWriteString(const QString& Name, const QString& Value) {
    WriteSetting(TAppFrame::Global(), Name, Value);
}

void SaveWindowPlacement(const QWidget& Form) {
    const QString name = PlacementName(Form);
    QRect rect = Form.normalGeometry();
    if (!rect.isValid())
        rect = Form.geometry();
    RegWriteInteger(name + QStringLiteral("Left"), rect.left());
    RegWriteInteger(name + QStringLiteral("Top"), rect.top());
    RegWriteInteger(name + QStringLiteral("Width"), rect.width());
    RegWriteInteger(name + QStringLiteral("Height"), rect.height());
}

void RestoreWindowPlacement(QWidget& Form, int Width, int Height) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(Width, Height);
    const int w = std::min(Width, screenSize.width());
    const int h = std::min(Height, screenSize.height());
    const QString name = PlacementName(Form);
    const int height = RegReadInteger(name + QStringLiteral("Height"), h);
    const int width = RegReadInteger(name + QStringLiteral("Width"), w);
    const int top = RegReadInteger(name + QStringLiteral("Top"), (screenSize.height() - h) / 2);
    const int left = RegReadInteger(name + QStringLiteral("Left"), (screenSize.width() - w) / 2);
    Form.setGeometry(KeepOnScreen(QRect(left, top, width, height)));
}
