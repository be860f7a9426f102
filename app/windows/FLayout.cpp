#include "FLayout.h"

#include "FPositionProperty.h"
#include "FTwain.h"
#include "UAppFrame.h"
#include "UCanvas.h"
#include "UCanvasGuards.h"
#include "UDOInterfaces.h"
#include "UDesigner.h"
#include "UDrawSite.h"
#include "UDrawSiteAction.h"
#include "UDrawSiteHost.h"
#include "UGhost.h"
#include "UGraphicUtils.h"
#include "UGuard.h"
#include "UGuarded.h"
#include "UGuide.h"
#include "ULOBackImage.h"
#include "ULOCreator.h"
#include "ULOImage.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UPictureEx.h"
#include "UPrintSite.h"
#include "UPropertyEditors.h"
#include "UTwain.h"
#include "UUndo.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

namespace {

// One creation tool: the kind the factory makes, the tool's caption and its icon's name.
struct TToolKind {
    const char* Kind;
    const char* Caption;
    const char* Icon;
};

// Every kind the factory can make from the editor. The scanner's kind ("TLOTwain") comes
// with the scan command; OLE objects cannot be pasted on this platform.
const TToolKind ToolKinds[] = {
    {"TLOText", "テキスト", "text"},
    {"TLOTextPaste", "テキストの貼り付け", "text-paste"},
    {"TLODate", "日付", "date"},
    {"TLOLine", "直線", "line"},
    {"TLOCurve", "曲線", "curve"},
    {"TLORect", "四角形", "rect"},
    {"TLOCircle", "円", "circle"},
    {"TLOImage", "画像", "image"},
    {"TLOImagePaste", "画像の貼り付け", "image-paste"},
    {"TLOBitmapPaste", "ビットマップの貼り付け", "bitmap-paste"},
    {"TLOMetafilePaste", "図の貼り付け", "metafile-paste"},
    {"TLOOnePoint", "ワンポイント", "onepoint"},
    {"TLOQRStd", "QRコード", "qr"},
    {"TLOQRCode", "QRコード（自由入力）", "qr-free"},
    {"TLOJANCode", "JANコード", "jan"},
    {"TLODecoLine", "飾り罫", "decoline"},
    {"TLODecoString", "飾り文字", "decostring"},
    {"TLOAlphaMask", "アルファマスク", "alphamask"},
    {"TLOCalendar", "カレンダー", "calendar"},
    {"TLOYearMonth", "年月", "yearmonth"},
    {"TLOYear", "年", "year"},
    {"TLOMonth", "月", "month"},
    {"TLOCalendarPhoto", "カレンダー写真", "calendar-photo"},
    {"TLOCalendarBackGrnd", "カレンダー背景", "calendar-back"},
    {"TLOBackImage", "背景", "background"},
};

// Zoom steps of the zoom in and out commands, percent.
constexpr int ZoomSteps[] = {25, 33, 50, 67, 75, 100, 150, 200, 300, 400, 600, 800};
constexpr int MinZoom = 10;
constexpr int MaxZoom = 800;
// The reach of guide snapping and the step of arrow-key moves with Ctrl held, device pixels
// and logical units (0.1 mm).
constexpr int GuideReachPixels = 10;
constexpr int NudgeStep = 10;
constexpr int FineNudgeStep = 1;
// The pitch a grid gets when it is switched on without one (5 mm).
constexpr int DefaultGridSize = 50;
// Room kept around the page when it is fitted into the view, pixels.
constexpr int FitMargin = 16;
// The hatching over what printing cuts away from a face (0x00BBGGRR).
constexpr TColor OutsideFaceHatch = TColor(0x808080);

const QString SGuideLimit = QStringLiteral("ガイドは%d本までです");
const QString SNoDialog = QStringLiteral("このオブジェクトには設定画面がありません");
const QString SCaptionNudge = SCaptionMove;

QIcon LayoutIcon(const QString& Name) {
    return QIcon(QStringLiteral(":/icons/layout/%1.png").arg(Name));
}

bool ClipboardHasText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

bool ClipboardHasImage() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

// Per axis the smaller of two snap offsets by absolute value; A wins a tie.
int SmallerOffset(int A, int B) {
    if (A == NoSnap)
        return B;
    if (B == NoSnap)
        return A;
    return std::abs(B) < std::abs(A) ? B : A;
}

// How near a guide the pointer must come to snap to it or pick it, in logical units.
int GuideReach(TDrawSite& Site) {
    const TPoint origin = Site.DPtoLP(TPoint(0, 0));
    return std::max(1, std::abs(Site.DPtoLP(TPoint(GuideReachPixels, 0)).x - origin.x));
}

// Hatches what printing cuts away from Page (the face's margin rectangle at (0, 0)): the
// part outside the face's shape and its centre hole.
void ShadeOutsideFace(TCanvas& Canvas, const TFaceInfo& Face, const TRect& Page) {
    TFaceInfo atPage;
    atPage.Assign(&Face);
    TRect cut = Face.GetRect();
    const TRect margin = Face.GetMarginRect();
    OffsetRect(cut, -margin.Left, -margin.Top);
    atPage.SetRect(cut);
    TRegion outside;
    outside.Combine(TRegion::CreateRect(Canvas.LPtoDP(Page)), atPage.CreateRegion(&Canvas, true),
                    RGN_DIFF);
    if (outside.IsEmpty())
        return;
    Canvas.SetBkMode(TRANSPARENT);
    Canvas.Brush().SetStyle(bsBDiagonal);
    Canvas.Brush().SetColor(OutsideFaceHatch);
    Canvas.FillRgn(outside);
}

} // namespace

TfrmLayout::TfrmLayout(QWidget* Parent)
    : QWidget(Parent), FSite(std::make_unique<TDrawSite>()),
      FCatcher(std::make_unique<TDSNotifyCatcher>()) {
    Q_INIT_RESOURCE(layout);
    setObjectName(QStringLiteral("frmLayout"));
    FSite->Scaler().SetUnitDPI(254);
    FSite->SetColor(clWhite);
    FScroll = TDrawSiteHost::CreateScrollArea(*FSite, this);
    FScroll->setAlignment(Qt::AlignCenter);
    FScroll->setBackgroundRole(QPalette::Dark);
    FHost = qobject_cast<TDrawSiteHost*>(FScroll->widget());
    FHost->setMouseTracking(true);
    FHost->setFocusPolicy(Qt::StrongFocus);
    FHost->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FScroll);

    FSite->OnPaintAfter = [this](TComponent*) { PaintAfter(); };
    FSite->OnModifyChanged = [this](TComponent*) {
        if (FSite->Modified())
            emit Modified();
    };
    // A creation tool stays down while its object waits for the drag that places it.
    FSite->OnClearGhost = [this](TComponent*) {
        if (FPendingTool && GhostCount() == 0) {
            FPendingTool->setChecked(false);
            FPendingTool = nullptr;
        }
        UpdateActions();
    };
    FCatcher->WaitIdle = false;
    FCatcher->OnSelectChanged = [this](TComponent*) {
        UpdateActions();
        emit SelectionChanged();
    };
    FCatcher->OnMovableChanged = [this](TComponent*) { UpdateSiteCommands(); };
    FCatcher->SetDrawSite(FSite.get());

    CreateCommands();
    CreateSiteCommands();
    CreateCreationTools();
    CreateContextMenus();
    InstallFactoryHooks();
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &TfrmLayout::UpdateActions);
    UpdateActions();
}

TfrmLayout::~TfrmLayout() {
    RemoveFactoryHooks();
    FCatcher->SetDrawSite(nullptr);
    DiscardGhosts();
    // Undo steps may hold objects of this page; they go before the page does.
    ActionList().Clear();
    // The host goes with the scroll area (a child of this widget) after the surface; it
    // shows nothing once the surface has gone.
    FSite.reset();
}

// ---------------------------------------------------------------------------------------
// Document and label

TDrawSite* TfrmLayout::Site() const {
    return FSite.get();
}

void TfrmLayout::SetLabelData(TLabelData* Data) {
    if (Data == FData)
        return;
    CommitLabel();
    ClearSite();
    FData = Data;
    SyncGridActions();
    if (FData)
        ShowLabel(FData->CurrentLabelNo());
    UpdateActions();
}

void TfrmLayout::ShowLabel(int LabelNo) {
    CommitLabel();
    ClearSite();
    if (!FData)
        return;
    TPaperInfo* paper = FData->PaperInfo();
    if (LabelNo < 0 || LabelNo >= std::max(1, paper->GetFaceCount())) {
        UpdateActions();
        return;
    }
    if (FData->CurrentLabelNo() != LabelNo)
        FData->SetCurrentLabelNo(LabelNo);
    TRect page(0, 0, paper->Width(), paper->Height());
    if (paper->GetFaceCount() > 0) {
        TFaceInfo face;
        paper->GetFaceInfo(LabelNo, face);
        page = FaceDesignArea(face);
    }
    // Objects are stored from the cut line; the page starts at the margin's corner.
    FSite->SetUserOrigin(TPoint(-page.Left, -page.Top));
    FSite->SetLogWidth(page.Width());
    FSite->SetLogHeight(page.Height());
    TDOList list;
    try {
        FData->ReadLabel(LabelNo, list, true);
    } catch (const std::exception& e) {
        // A label that cannot be read is not shown, so that committing never overwrites it
        // with an empty page.
        for (TDrawObject* object : list)
            delete object;
        HandleApplicationException(e);
        UpdateActions();
        return;
    }
    OffsetObjects(list, FSite->UserOrigin());
    for (TDrawObject* object : list) {
        FSite->InsertObject(object);
        FSite->AddObject(object);
    }
    FSite->SetModified(false);
    FLabelNo = LabelNo;
    SyncGridActions();
    if (isVisible())
        ZoomToFit();
    else
        FFitPending = true;
    UpdateActions();
}

void TfrmLayout::CommitLabel() {
    if (!FData || FLabelNo < 0)
        return;
    // An object still waiting for its creation drag is not part of the page.
    DiscardGhosts();
    if (!FSite->Modified())
        return;
    TDOList list;
    FSite->GetObjects(list, false);
    {
        // Labels are stored in face coordinates; the page shows them moved by the margin.
        const TPoint origin = FSite->UserOrigin();
        OffsetObjects(list, TPoint(-origin.x, -origin.y));
        const TGuard back([&] { OffsetObjects(list, origin); });
        FData->WriteLabel(FLabelNo, list);
        // Tied objects on other sheets take the models' bounds, in face coordinates too.
        FData->ApplyConnected(list);
    }
    FData->SetModified(true);
    FSite->SetModified(false);
}

void TfrmLayout::ClearSite() {
    // A guide still being dragged goes back where it was picked, while its sheet is there.
    FGuideDrag.Cancel();
    DiscardGhosts();
    ActionList().Clear();
    FSite->DeletePivots();
    TDOList list;
    FSite->GetObjects(list, false);
    for (TDrawObject* object : list)
        FSite->RemoveComponent(object);
    FSite->SetModified(false);
    FLabelNo = -1;
}

// ---------------------------------------------------------------------------------------
// Commands

QAction* TfrmLayout::AddCommand(TLayoutCommand Command, const QString& Text, const QString& Icon,
                                bool Checkable) {
    auto* action = new QAction(this);
    action->setCheckable(Checkable);
    return AddCommand(Command, action, Text, Icon, QKeySequence());
}

QAction* TfrmLayout::AddCommand(TLayoutCommand Command, QAction* Action, const QString& Text,
                                const QString& Icon, const QKeySequence& Key) {
    if (!Text.isEmpty())
        Action->setText(Text);
    if (!Icon.isEmpty())
        Action->setIcon(LayoutIcon(Icon));
    Action->setShortcut(Key);
    Action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(Action);
    FActions[Command] = Action;
    return Action;
}

QAction* TfrmLayout::Action(TLayoutCommand Command) const {
    const auto it = FActions.find(Command);
    return it == FActions.end() ? nullptr : it->second;
}

void TfrmLayout::CreateCommands() {
    using C = TLayoutCommand;
    connect(AddCommand(C::ZoomIn, QStringLiteral("拡大(&I)"), QStringLiteral("zoom-in")),
            &QAction::triggered, this, [this] { ZoomBy(1); });
    Action(C::ZoomIn)->setShortcut(QKeySequence::ZoomIn);
    connect(AddCommand(C::ZoomOut, QStringLiteral("縮小(&O)"), QStringLiteral("zoom-out")),
            &QAction::triggered, this, [this] { ZoomBy(-1); });
    Action(C::ZoomOut)->setShortcut(QKeySequence::ZoomOut);
    connect(AddCommand(C::ZoomFit, QStringLiteral("全体表示(&F)"), QStringLiteral("zoom-fit")),
            &QAction::triggered, this, [this] { ZoomToFit(); });
    connect(AddCommand(C::Zoom100, QStringLiteral("等倍(&1)"), QStringLiteral("zoom-100")),
            &QAction::triggered, this, [this] { SetZoom(100); });
    const auto gridToggle = [this](C Command, const QString& Text, const QString& Icon) {
        connect(AddCommand(Command, Text, Icon, true), &QAction::toggled, this,
                [this, Command](bool On) { ToggleGridSetting(Command, On); });
    };
    gridToggle(C::ShowGrid, QStringLiteral("グリッドを表示(&G)"), QStringLiteral("grid"));
    gridToggle(C::SnapGrid, QStringLiteral("グリッドに合わせる(&S)"), QStringLiteral("grid-snap"));
    gridToggle(C::ShowGuides, QStringLiteral("ガイドを表示(&U)"), QStringLiteral("guides"));
    gridToggle(C::SnapGuides, QStringLiteral("ガイドに合わせる(&N)"),
               QStringLiteral("guides-snap"));
    connect(AddCommand(C::AddGuideH, QStringLiteral("水平ガイドを追加(&H)"),
                       QStringLiteral("guide-h"), true),
            &QAction::triggered, this, [this](bool On) {
                FGuideToolH = On;
                FGuideToolV = false;
                Action(TLayoutCommand::AddGuideV)->setChecked(false);
            });
    connect(AddCommand(C::AddGuideV, QStringLiteral("垂直ガイドを追加(&V)"),
                       QStringLiteral("guide-v"), true),
            &QAction::triggered, this, [this](bool On) {
                FGuideToolV = On;
                FGuideToolH = false;
                Action(TLayoutCommand::AddGuideH)->setChecked(false);
            });
    connect(AddCommand(C::ClearGuides, QStringLiteral("ガイドをすべて削除(&C)"),
                       QStringLiteral("guides-clear")),
            &QAction::triggered, this, [this] {
                if (!FData)
                    return;
                TGuide* guide = FData->Guide();
                for (int i = 0; i < guide->Count(); ++i)
                    guide->SetGuide(i, TPoint());
                FData->SetModified(true);
                FSite->Invalidate();
                emit Modified();
            });

    // The move options, shared by every drag of every surface.
    auto* menu = new QMenu(this);
    connect(menu, &QMenu::aboutToShow, this, &TfrmLayout::SyncMoveActions);
    AddCommand(C::MoveOptions, QStringLiteral("移動方法(&M)"), QStringLiteral("move-options"))
        ->setMenu(menu);
    auto* modeGroup = new QActionGroup(this);
    auto* phaseGroup = new QActionGroup(this);
    const auto moveCommand = [&](C Command, const QString& Text, const QString& Icon,
                                 QActionGroup* Group) {
        QAction* action = AddCommand(Command, Text, Icon, true);
        if (Group)
            Group->addAction(action);
        menu->addAction(action);
        connect(action, &QAction::triggered, this, [this, Command] { SetMoveOption(Command); });
    };
    moveCommand(C::FreeMove, QStringLiteral("自由移動(&F)"), QStringLiteral("move-free"),
                modeGroup);
    moveCommand(C::CircumMove, QStringLiteral("円周移動(&C)"), QStringLiteral("move-circum"),
                modeGroup);
    menu->addSeparator();
    moveCommand(C::ParallelMove, QStringLiteral("水平・垂直移動(&P)"),
                QStringLiteral("move-parallel"), nullptr);
    moveCommand(C::RotateMove, QStringLiteral("回転しながら移動(&R)"),
                QStringLiteral("move-rotate"), nullptr);
    moveCommand(C::CircumRotate, QStringLiteral("円周移動で回転(&T)"),
                QStringLiteral("circum-rotate"), nullptr);
    moveCommand(C::CircumPhased, QStringLiteral("円周移動で位置を合わせる(&S)"),
                QStringLiteral("circum-phased"), nullptr);
    menu->addSeparator();
    moveCommand(C::Phase60, QStringLiteral("60分割 (6°)"), QStringLiteral("phase-60"), phaseGroup);
    moveCommand(C::Phase12, QStringLiteral("12分割 (30°)"), QStringLiteral("phase-12"), phaseGroup);
    moveCommand(C::Phase8, QStringLiteral("8分割 (45°)"), QStringLiteral("phase-8"), phaseGroup);
    SyncMoveActions();

    connect(
        AddCommand(C::Scan, QStringLiteral("スキャナから取り込み(&A)..."), QStringLiteral("scan")),
        &QAction::triggered, this, [this] { Guarded([this] { Scan(); }); });
    connect(AddCommand(C::SelectScanner, QStringLiteral("スキャナの選択(&E)..."),
                       QStringLiteral("scan-select")),
            &QAction::triggered, this,
            [this] { Guarded([this] { TTWainSelectDialog().Execute(window()); }); });
}

// The commands on the page's objects are the draw-site commands: each finds its own targets
// on the focused page, enables itself by its own rule and records its own undo step.
void TfrmLayout::CreateSiteCommands() {
    using C = TLayoutCommand;
    using Q = QKeySequence;
    AddCommand(C::Undo, new TDSAUndo(this), QString(), QStringLiteral("undo"), Q(Q::Undo));
    AddCommand(C::Redo, new TDSARedo(this), QString(), QStringLiteral("redo"),
               Q(QStringLiteral("Ctrl+Y")));
    AddCommand(C::Cut, new TDSACut(this), QStringLiteral("切り取り(&T)"), QStringLiteral("cut"),
               Q(Q::Cut));
    AddCommand(C::Copy, new TDSACopy(this), QStringLiteral("コピー(&C)"), QStringLiteral("copy"),
               Q(Q::Copy));
    AddCommand(C::Paste, new TDSAPaste(this), QStringLiteral("貼り付け(&P)"),
               QStringLiteral("paste"), Q(Q::Paste));
    AddCommand(C::Delete, new TDSAClear(this), QStringLiteral("削除(&D)"), QStringLiteral("delete"),
               Q(Qt::Key_Delete));
    AddCommand(C::SelectAll, new TDSASelectAll(this), QStringLiteral("すべて選択(&A)"), QString(),
               Q(Q::SelectAll));
    AddCommand(C::Properties, new TDSAEditProperty(this), QStringLiteral("プロパティ(&R)..."),
               QStringLiteral("properties"), Q(Qt::ALT | Qt::Key_Return));
    AddCommand(C::BringToFront, new TDSABringToFront(this), QStringLiteral("最前面へ移動(&F)"),
               QStringLiteral("front"), Q(Qt::CTRL | Qt::Key_BracketRight));
    AddCommand(C::SendToBack, new TDSASendToBack(this), QStringLiteral("最背面へ移動(&B)"),
               QStringLiteral("back"), Q(Qt::CTRL | Qt::Key_BracketLeft));
    AddCommand(C::Group, new TDSAGroup(this), QStringLiteral("グループ化(&G)"),
               QStringLiteral("group"), Q(Qt::CTRL | Qt::Key_G));
    AddCommand(C::Ungroup, new TDSAUngroup(this), QStringLiteral("グループ解除(&U)"),
               QStringLiteral("ungroup"), Q(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    AddCommand(C::Lock, new TDSALock(this), QStringLiteral("ロック(&L)"), QStringLiteral("lock"));
    AddCommand(C::Unlock, new TDSAUnlock(this), QStringLiteral("ロック解除(&K)"),
               QStringLiteral("unlock"));
    AddCommand(C::DontPrint, new TDSADontPrint(this), QStringLiteral("印刷しない(&N)"),
               QStringLiteral("dont-print"));
    AddCommand(C::DoPrint, new TDSADoPrint(this), QStringLiteral("印刷する(&P)"),
               QStringLiteral("do-print"));
    AddCommand(C::VertText, new TDSAVertText(this), QStringLiteral("縦書き(&V)"), QString());
    AddCommand(C::HorzText, new TDSAHorzText(this), QStringLiteral("横書き(&H)"), QString());
    const auto rotate = [this](C Command, int Angle, const QString& Text, const QString& Icon) {
        auto* action = new TDSAOffsetAngle(this);
        action->SetOffsetAngle(Angle);
        AddCommand(Command, action, Text, Icon);
    };
    rotate(C::RotateLeft, 90, QStringLiteral("左へ90度回転(&E)"), QStringLiteral("rotate-left"));
    rotate(C::RotateRight, -90, QStringLiteral("右へ90度回転(&I)"), QStringLiteral("rotate-right"));
    CreatePositionCommand();
    CreateBackgroundCommands();
}

// Position and size: the number dialog for the one selected object that has a position or
// is a line; the dialog records its own undo step.
void TfrmLayout::CreatePositionCommand() {
    auto* action = new TDrawSiteAction(this);
    action->SetMultiSelect(false);
    action->OnMakeList = [](TDrawSiteAction* Sender) {
        TDOList& list = Sender->List();
        for (int i = list.Count() - 1; i >= 0; --i)
            if (!QueryObjectInterface<IDOPosition>(list[i]) &&
                !QueryObjectInterface<IDOLine>(list[i]))
                list.Delete(i);
    };
    action->OnEachObject = [this](TDrawSiteAction*, TDrawObject* Object) {
        TfrmPositionProperty form(window());
        RunPropertyForm(form, *Object);
    };
    AddCommand(TLayoutCommand::Position, action, QStringLiteral("位置とサイズ(&Z)..."),
               QStringLiteral("position"));
}

// The face background is never selectable on the page; these commands find it themselves.
void TfrmLayout::CreateBackgroundCommands() {
    const auto backgrounds = [](TDrawSiteActionBase& Action) {
        Action.SetSelectedOnly(false);
        Action.SetTargetClassName(TLOBackImage::staticMetaObject.className());
    };
    auto* edit = new TDrawSiteAction(this);
    backgrounds(*edit);
    // The topmost background is the one that shows; its dialog records the undo step.
    edit->OnExecuteFirst = [](TDrawSiteAction* Sender) {
        if (Sender->List().Count() > 0)
            EditLabelObject(*Sender->List()[0]);
    };
    AddCommand(TLayoutCommand::EditBackground, edit, QStringLiteral("背景の設定(&G)..."),
               QStringLiteral("background"));
    auto* remove = new TDrawSiteAction(this);
    backgrounds(*remove);
    remove->SetActionType(atDelete);
    remove->SetActionString(QStringLiteral("背景の削除"));
    remove->OnEachObject = [](TDrawSiteAction*, TDrawObject* Object) {
        Object->Changed();
        Object->SetParent(nullptr);
    };
    AddCommand(TLayoutCommand::RemoveBackground, remove, QStringLiteral("背景を削除(&X)"),
               QStringLiteral("background-remove"));
}

void TfrmLayout::CreateContextMenus() {
    using C = TLayoutCommand;
    // A null entry is a separator.
    const auto fill = [](QMenu* Menu, std::initializer_list<QAction*> Actions) {
        for (QAction* action : Actions) {
            if (action)
                Menu->addAction(action);
            else
                Menu->addSeparator();
        }
    };
    const auto a = [this](C Command) { return Action(Command); };
    FObjectMenu = new QMenu(this);
    FObjectMenu->setObjectName(QStringLiteral("mnuObject"));
    fill(FObjectMenu,
         {a(C::Cut), a(C::Copy), a(C::Paste), a(C::Delete), nullptr, a(C::BringToFront),
          a(C::SendToBack), nullptr, a(C::Group), a(C::Ungroup), nullptr, a(C::Lock), a(C::Unlock),
          nullptr, a(C::DontPrint), a(C::DoPrint), nullptr, a(C::Properties), a(C::Position)});
    FPageMenu = new QMenu(this);
    FPageMenu->setObjectName(QStringLiteral("mnuPage"));
    fill(FPageMenu, {a(C::Paste), a(C::SelectAll), nullptr, a(C::ShowGrid), a(C::SnapGrid),
                     a(C::ShowGuides), a(C::SnapGuides), a(C::AddGuideH), a(C::AddGuideV), nullptr,
                     a(C::EditBackground), a(C::RemoveBackground)});
}

void TfrmLayout::ShowContextMenu(const QPoint& At, const QPoint& GlobalAt) {
    if (FLabelNo < 0)
        return;
    FHost->setFocus(Qt::PopupFocusReason);
    TDrawObject* object = FSite->ObjectAt(FSite->DPtoLP(TPoint(At.x(), At.y())));
    const bool onObject = object && object->Selectable();
    // The object under the cursor joins the selection; a click beside every object drops it.
    if (!onObject)
        FSite->SelectAll(false);
    else if (!object->Selected()) {
        FSite->SelectAll(false);
        object->SetSelected(true);
    }
    TDrawSiteActionBase::UpdateAll();
    QMenu* menu = onObject ? FObjectMenu : FPageMenu;
    menu->popup(GlobalAt);
}

// Deferred to the next pass of the event loop: a selection change may come from a command
// that is still running, and refreshing it then would remake the target list it works on.
void TfrmLayout::UpdateSiteCommands() {
    if (FSiteUpdatePending)
        return;
    FSiteUpdatePending = true;
    QTimer::singleShot(0, this, [this] {
        FSiteUpdatePending = false;
        TDrawSiteActionBase::UpdateAll();
    });
}

void TfrmLayout::UpdateActions() {
    using C = TLayoutCommand;
    // The settings may have been changed by others (the main window's defaults, dialogs).
    SyncGridActions();
    SyncMoveActions();
    const bool page = FData && FLabelNo >= 0;
    UpdateSiteCommands();
    for (C c : {C::ShowGrid, C::SnapGrid, C::ShowGuides, C::SnapGuides, C::AddGuideH, C::AddGuideV,
                C::ClearGuides, C::Scan})
        Action(c)->setEnabled(page);
    for (QAction* tool : FCreationActions) {
        const QString kind = tool->data().toString();
        bool enabled = page;
        if (kind == QLatin1String("TLOTextPaste"))
            enabled = enabled && ClipboardHasText();
        else if (kind.endsWith(QLatin1String("Paste")))
            enabled = enabled && ClipboardHasImage();
        tool->setEnabled(enabled);
    }
}

// ---------------------------------------------------------------------------------------
// Creation tools and the factory's hooks

void TfrmLayout::CreateCreationTools() {
    FToolGroup = new QActionGroup(this);
    FToolGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const TToolKind& tool : ToolKinds) {
        auto* action = new QAction(LayoutIcon(QString::fromLatin1(tool.Icon)),
                                   QString::fromUtf8(tool.Caption), this);
        action->setData(QString::fromLatin1(tool.Kind));
        action->setCheckable(true);
        action->setToolTip(QString::fromUtf8(tool.Caption));
        FToolGroup->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, action] { Guarded([this, action] { CreationToolTriggered(action); }); });
        FCreationActions << action;
    }
}

QAction* TfrmLayout::CreationAction(const QString& KindName) const {
    for (QAction* action : FCreationActions)
        if (action->data().toString() == KindName)
            return action;
    return nullptr;
}

void TfrmLayout::CreationToolTriggered(QAction* Tool) {
    if (!FData || FLabelNo < 0) {
        Tool->setChecked(false);
        return;
    }
    FGuideToolH = FGuideToolV = false;
    Action(TLayoutCommand::AddGuideH)->setChecked(false);
    Action(TLayoutCommand::AddGuideV)->setChecked(false);
    Tool->setChecked(true);
    FPendingTool = Tool;
    FHost->setFocus();
    const bool made = TheDesignerList().CreateObject(*FSite, Tool->data().toString());
    // Placed at once (or refused): the tool pops up; a drag-placed kind keeps it down until
    // its drag ends.
    if (!made || GhostCount() == 0) {
        Tool->setChecked(false);
        FPendingTool = nullptr;
    }
    UpdateActions();
}

void TfrmLayout::InstallFactoryHooks() {
    TLOCreator* creator = LOCreator();
    if (!creator)
        return;
    creator->OnCreateObject = [this](TDrawObject& Object) {
        auto* image = qobject_cast<TLOImage*>(&Object);
        if (FScannedPicture && image) {
            image->ImageData()->SetPicture(const_cast<TPictureEx*>(FScannedPicture));
            image->FitToImage();
        }
    };
    creator->OnResetOneShotTools = [this] { ResetOneShotTools(); };
    SetGhostSnapHook([this](const TPoint& P) { return SnapOffset(P); });
}

void TfrmLayout::RemoveFactoryHooks() {
    if (TLOCreator* creator = LOCreator()) {
        creator->OnCreateObject = nullptr;
        creator->OnResetOneShotTools = nullptr;
    }
    SetGhostSnapHook(nullptr);
}

void TfrmLayout::ResetOneShotTools() {
    FGuideToolH = FGuideToolV = false;
    Action(TLayoutCommand::AddGuideH)->setChecked(false);
    Action(TLayoutCommand::AddGuideV)->setChecked(false);
    if (FPendingTool && GhostCount() == 0) {
        FPendingTool->setChecked(false);
        FPendingTool = nullptr;
    }
}

// ---------------------------------------------------------------------------------------
// Grid and guides

TPoint TfrmLayout::FaceCoordinates(const TPoint& P) const {
    const TPoint origin = FSite->UserOrigin();
    return TPoint(P.x - origin.x, P.y - origin.y);
}

TRect TfrmLayout::PageInFaceCoordinates() const {
    TRect page(0, 0, FSite->LogWidth(), FSite->LogHeight());
    const TPoint origin = FSite->UserOrigin();
    OffsetRect(page, -origin.x, -origin.y);
    return page;
}

TPoint TfrmLayout::SnapOffset(const TPoint& P) const {
    if (!FData || (QGuiApplication::keyboardModifiers() & Qt::AltModifier))
        return TPoint(NoSnap, NoSnap);
    // The grid and the guides lie in face coordinates, counted from the cut line.
    const TPoint face = FaceCoordinates(P);
    const TPoint guide = FData->Guide()->GetSnapOffset(face, GuideReach(*FSite));
    const TPoint grid = FData->Grid()->GetSnapOffset(face);
    return TPoint(SmallerOffset(grid.x, guide.x), SmallerOffset(grid.y, guide.y));
}

void TfrmLayout::PaintAfter() {
    TCanvas& canvas = FSite->GetCanvas();
    const TCanvasSaver saver = CreateCanvasSaver(canvas, true);
    const TRect page(0, 0, FSite->LogWidth(), FSite->LogHeight());
    canvas.Brush().SetStyle(bsClear);
    canvas.Pen().SetWidth(0);
    if (FData && FLabelNo >= 0 && FLabelNo < FData->PaperInfo()->GetFaceCount()) {
        TFaceInfo face;
        FData->PaperInfo()->GetFaceInfo(FLabelNo, face);
        ShadeOutsideFace(canvas, face, page);
        canvas.Brush().SetStyle(bsClear);
        canvas.Pen().SetStyle(psDot);
        canvas.Pen().SetColor(TColor(0x808080));
        face.DrawOutline(canvas, true, false);
        face.DrawCutLine(canvas, true);
    }
    if (!FData)
        return;
    // The grid and the guides are drawn in face coordinates: logical (0, 0) at the cut line.
    const TPoint origin = FSite->UserOrigin();
    canvas.OffsetWindowOrgEx(-origin.x, -origin.y);
    const TRect face = PageInFaceCoordinates();
    canvas.Pen().SetStyle(psDot);
    canvas.Pen().SetColor(TColor(0xC0C0C0));
    FData->Grid()->Draw(canvas, face);
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetColor(TColor(0xFF8000)); // 0x00BBGGRR: a light blue
    FData->Guide()->Draw(canvas, face);
}

bool TfrmLayout::AddGuide(bool Horizontal, int Position) {
    if (!FData)
        return false;
    TGuide* guide = FData->Guide();
    const int slot = guide->FindEmptySlot();
    if (slot < 0) {
        AppMessageBoxFormat(SGuideLimit, {QString::number(guide->Count())}, {bkOK}, 0, 0);
        return false;
    }
    // A coordinate of 0 marks an unused slot: a guide on the cut line sits one unit in.
    const int at = Position == 0 ? 1 : Position;
    guide->SetGuide(slot, Horizontal ? TPoint(0, at) : TPoint(at, 0));
    guide->SetVisible(true);
    FData->SetModified(true);
    SyncGridActions();
    FSite->Invalidate();
    emit Modified();
    return true;
}

void TfrmLayout::ToggleGridSetting(TLayoutCommand Command, bool Value) {
    if (!FData)
        return;
    TGrid* grid = FData->Grid();
    TGuide* guide = FData->Guide();
    switch (Command) {
    case TLayoutCommand::ShowGrid:
    case TLayoutCommand::SnapGrid:
        if (Value && grid->Size() <= 0)
            grid->SetSize(DefaultGridSize);
        if (Command == TLayoutCommand::ShowGrid)
            grid->SetVisible(Value);
        else
            grid->SetEnabled(Value);
        break;
    case TLayoutCommand::ShowGuides:
        guide->SetVisible(Value);
        break;
    case TLayoutCommand::SnapGuides:
        guide->SetEnabled(Value);
        break;
    default:
        return;
    }
    FData->SetModified(true);
    FSite->Invalidate();
    emit Modified();
}

void TfrmLayout::SyncGridActions() {
    using C = TLayoutCommand;
    const bool ShowGrid = FData && FData->Grid()->Visible();
    const bool SnapGrid = FData && FData->Grid()->Enabled();
    const bool ShowGuides = FData && FData->Guide()->Visible();
    const bool SnapGuides = FData && FData->Guide()->Enabled();
    const std::pair<C, bool> states[] = {{C::ShowGrid, ShowGrid},
                                         {C::SnapGrid, SnapGrid},
                                         {C::ShowGuides, ShowGuides},
                                         {C::SnapGuides, SnapGuides}};
    for (const auto& [command, on] : states) {
        const QSignalBlocker blocker(Action(command));
        Action(command)->setChecked(on);
    }
}

// ---------------------------------------------------------------------------------------
// Move options

void TfrmLayout::SetMoveOption(TLayoutCommand Command) {
    TMoveOptions& options = MoveOptions();
    const auto checked = [this, Command] { return Action(Command)->isChecked(); };
    switch (Command) {
    case TLayoutCommand::FreeMove:
        options.Circumference = false;
        break;
    case TLayoutCommand::CircumMove:
        options.Circumference = true;
        break;
    case TLayoutCommand::ParallelMove:
        options.Parallel = checked();
        break;
    case TLayoutCommand::RotateMove:
        options.RotateMove = checked();
        break;
    case TLayoutCommand::CircumRotate:
        options.CircumRotate = checked();
        break;
    case TLayoutCommand::CircumPhased:
        options.CircumPhased = checked();
        break;
    case TLayoutCommand::Phase60:
        options.PhaseStep = 6;
        break;
    case TLayoutCommand::Phase12:
        options.PhaseStep = 30;
        break;
    case TLayoutCommand::Phase8:
        options.PhaseStep = 45;
        break;
    default:
        break;
    }
    SyncMoveActions();
}

void TfrmLayout::SyncMoveActions() {
    using C = TLayoutCommand;
    const TMoveOptions& o = MoveOptions();
    const std::pair<C, bool> states[] = {
        {C::FreeMove, !o.Circumference},   {C::CircumMove, o.Circumference},
        {C::ParallelMove, o.Parallel},     {C::RotateMove, o.RotateMove},
        {C::CircumRotate, o.CircumRotate}, {C::CircumPhased, o.CircumPhased},
        {C::Phase60, o.PhaseStep == 6},    {C::Phase12, o.PhaseStep == 30},
        {C::Phase8, o.PhaseStep == 45}};
    for (const auto& [command, on] : states) {
        const QSignalBlocker blocker(Action(command));
        Action(command)->setChecked(on);
    }
}

// ---------------------------------------------------------------------------------------
// Editing

bool TfrmLayout::NudgeSelection(int Dx, int Dy) {
    if (FLabelNo < 0 || (Dx == 0 && Dy == 0))
        return false;
    TDSOperation operation;
    operation.ActionType = atChange;
    operation.ActionString = SCaptionNudge;
    operation.OnMakeList = [](TDSOperation* Sender) {
        TDOList& list = Sender->List();
        for (int i = list.Count() - 1; i >= 0; --i)
            if (!list[i]->Movable() || !QueryObjectInterface<IDOEncloseBounds>(list[i]))
                list.Delete(i);
    };
    operation.OnEachObject = [Dx, Dy](TDSOperation*, TDrawObject* Object) {
        QueryObjectInterface<IDOEncloseBounds>(Object)->OffsetBy(Dx, Dy);
    };
    if (!operation.CanExecute(*FSite))
        return false;
    operation.Execute(*FSite);
    return true;
}

void TfrmLayout::EditSelection() {
    TDOList selected;
    FSite->GetObjects(selected, true);
    if (selected.Count() != 1)
        return;
    bool handled = false;
    TheDesignerList().EditObject(*selected[0], handled);
    if (!handled)
        ShowNoDialog();
}

void TfrmLayout::ShowNoDialog() {
    AppShowMessage(SNoDialog);
}

// ---------------------------------------------------------------------------------------
// Zoom

int TfrmLayout::Zoom() const {
    return FSite->Scaler().Scale();
}

void TfrmLayout::SetZoom(int Percent) {
    FFitPending = false;
    const int zoom = std::clamp(Percent, MinZoom, MaxZoom);
    if (zoom != Zoom())
        FSite->Scaler().SetScale(zoom);
    emit ZoomChanged(zoom);
}

void TfrmLayout::ZoomBy(int Step) {
    const int now = Zoom();
    int next = now;
    if (Step > 0) {
        const auto it = std::upper_bound(std::begin(ZoomSteps), std::end(ZoomSteps), now);
        next = it == std::end(ZoomSteps) ? MaxZoom : *it;
    } else {
        const auto it = std::lower_bound(std::begin(ZoomSteps), std::end(ZoomSteps), now);
        next = it == std::begin(ZoomSteps) ? MinZoom : *(it - 1);
    }
    SetZoom(next);
}

void TfrmLayout::ZoomToFit() {
    const QSize view = FScroll->viewport()->size();
    if (FSite->LogWidth() <= 0 || FSite->LogHeight() <= 0 || view.isEmpty()) {
        FFitPending = true;
        return;
    }
    const TRect area(0, 0, std::max(1, view.width() - FitMargin),
                     std::max(1, view.height() - FitMargin));
    SetZoom(FSite->CalcFitScale(FSite->GetCanvas(), area, true, true));
}

void TfrmLayout::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    // The creation callback and the snap hook belong to the editor on screen.
    InstallFactoryHooks();
    if (FFitPending)
        ZoomToFit();
}

// ---------------------------------------------------------------------------------------
// Scanning

void TfrmLayout::Scan() {
    if (!FData || FLabelNo < 0)
        return;
    TfrmTwain form(window());
    if (!form.Execute() || IsPictureEmpty(&form.Picture()))
        return;
    FScannedPicture = &form.Picture();
    struct TReset {
        const TPictureEx*& Picture;
        ~TReset() { Picture = nullptr; }
    } reset{FScannedPicture};
    TheDesignerList().CreateObject(*FSite, QStringLiteral("TLOTwain"));
    UpdateActions();
}

// ---------------------------------------------------------------------------------------
// Mouse and keys on the page

bool TfrmLayout::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != FHost)
        return QWidget::eventFilter(Watched, Event);
    switch (Event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return HandleHostMouse(Event);
    case QEvent::KeyPress:
        return HandleHostKey(Event);
    case QEvent::ContextMenu: {
        const auto* menu = static_cast<QContextMenuEvent*>(Event);
        Guarded([&] { ShowContextMenu(menu->pos(), menu->globalPos()); });
        return true;
    }
    default:
        return false;
    }
}

bool TfrmLayout::HandleHostMouse(QEvent* Event) {
    auto* mouse = static_cast<QMouseEvent*>(Event);
    const QPoint at = mouse->position().toPoint();
    const TPoint logical = FSite->DPtoLP(TPoint(at.x(), at.y()));
    // Positions count from the face's cut line, as printing places objects.
    const TPoint face = FaceCoordinates(logical);
    if (Event->type() == QEvent::MouseMove)
        emit CursorPositionMm(QPointF(face.x / 10.0, face.y / 10.0));
    if (DragGuide(*mouse, logical))
        return true;
    if (Event->type() == QEvent::MouseMove || Event->type() == QEvent::MouseButtonRelease)
        return false;
    if (mouse->button() != Qt::LeftButton || FLabelNo < 0)
        return false;
    if (Event->type() == QEvent::MouseButtonPress && (FGuideToolH || FGuideToolV)) {
        TPoint p = face;
        if (FData) {
            const TPoint snap = FData->Grid()->GetSnapOffset(p);
            p.x += snap.x == NoSnap ? 0 : snap.x;
            p.y += snap.y == NoSnap ? 0 : snap.y;
        }
        const bool horizontal = FGuideToolH;
        Guarded([&] { AddGuide(horizontal, horizontal ? p.y : p.x); });
        ResetOneShotTools();
        return true;
    }
    if (Event->type() == QEvent::MouseButtonDblClick) {
        TDrawObject* object = FSite->ObjectAt(logical);
        if (!object || !object->Selectable())
            return false;
        Guarded([&] {
            FSite->SelectAll(false);
            object->SetSelected(true);
            EditSelection();
        });
        return true;
    }
    return false;
}

// A left press on a shown guide where no object lies picks the guide; it follows the pointer
// until the release drops it (off the page: removed).
bool TfrmLayout::DragGuide(const QMouseEvent& Mouse, const TPoint& P) {
    const TPoint face = FaceCoordinates(P);
    if (FGuideDrag.Active()) {
        if (Mouse.type() == QEvent::MouseMove) {
            FGuideDrag.Move(face);
        } else if (Mouse.type() == QEvent::MouseButtonRelease && Mouse.button() == Qt::LeftButton &&
                   FGuideDrag.Finish(face, PageInFaceCoordinates())) {
            FData->SetModified(true);
            emit Modified();
        }
        FSite->Invalidate();
        return true;
    }
    if (Mouse.type() != QEvent::MouseButtonPress || Mouse.button() != Qt::LeftButton || !FData ||
        FLabelNo < 0 || FGuideToolH || FGuideToolV)
        return false;
    if (const TDrawObject* object = FSite->ObjectAt(P); object && object->Selectable())
        return false;
    return FGuideDrag.Start(*FData->Guide(), face, GuideReach(*FSite));
}

bool TfrmLayout::HandleHostKey(QEvent* Event) {
    auto* key = static_cast<QKeyEvent*>(Event);
    const int step = (key->modifiers() & Qt::ControlModifier) ? FineNudgeStep : NudgeStep;
    // Arrow keys move the selection; with nothing selected they scroll the view as usual.
    const auto nudge = [this](int Dx, int Dy) {
        bool moved = false;
        Guarded([&] { moved = NudgeSelection(Dx, Dy); });
        return moved;
    };
    switch (key->key()) {
    case Qt::Key_Left:
        return nudge(-step, 0);
    case Qt::Key_Right:
        return nudge(step, 0);
    case Qt::Key_Up:
        return nudge(0, -step);
    case Qt::Key_Down:
        return nudge(0, step);
    case Qt::Key_Escape:
        if (FGuideDrag.Active()) {
            FGuideDrag.Cancel();
            FSite->Invalidate();
            return true;
        }
        ResetOneShotTools();
        return false;
    default:
        return false;
    }
}
