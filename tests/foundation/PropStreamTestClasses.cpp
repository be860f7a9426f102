#include "PropStreamTestClasses.h"

#include "UClasses.h"
#include "UPropStream.h"

void TTestFont::Assign(const TPersistent* Source) {
    const auto* s = qobject_cast<const TTestFont*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    FName = s->FName;
    FSize = s->FSize;
    FStyle = s->FStyle;
    FColor = s->FColor;
    FCharset = s->FCharset;
}

void TTestItem::Assign(const TPersistent* Source) {
    const auto* s = qobject_cast<const TTestItem*>(Source);
    if (!s) {
        TCollectionItem::Assign(Source);
        return;
    }
    FValue = s->FValue;
    FCaption = s->FCaption;
}

TTestObject::TTestObject(TComponent* Owner)
    : TComponent(Owner), FFont(std::make_unique<TTestFont>()),
      FItems(std::make_unique<TCollection>(TTestItem::staticMetaObject, this)) {
    ++Live;
}

TTestObject::~TTestObject() {
    --Live;
}

void TTestObject::SetBuddy(TTestObject* V) {
    FBuddy = V;
    if (V)
        V->FreeNotification(this);
}

void TTestObject::Notification(TComponent* Component, TOperation Operation) {
    TComponent::Notification(Component, Operation);
    if (Operation == opRemove && Component == FBuddy)
        FBuddy = nullptr;
}

void TTestObject::CopyEventHandlers(TPersistent& Dest) const {
    TComponent::CopyEventHandlers(Dest);
    if (auto* dest = qobject_cast<TTestObject*>(&Dest))
        dest->OnClick = OnClick;
}

void TTestObject::DefineProperties(TFiler& Filer) {
    TComponent::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Data", [this](TStream& S) { Data = S.ReadBytes(S.GetSize()); },
        [this](TStream& S) { S.WriteBytes(Data); }, !Data.isEmpty());
    Filer.DefineProperty(
        "Extra",
        [this](TReader& R) {
            Extra.clear();
            R.ReadListBegin();
            while (!R.EndOfList())
                Extra.push_back(R.ReadInteger());
            R.ReadListEnd();
        },
        [this](TWriter& W) {
            W.WriteListBegin();
            for (int v : Extra)
                W.WriteInteger(v);
            W.WriteListEnd();
        },
        !Extra.empty());
}

void TTestObject::Loaded() {
    TComponent::Loaded();
    ++LoadedCalls;
    ChildrenWhenLoaded = ComponentCount();
    LoadedOrder << Name();
}

void RegisterTestClasses() {
    RegisterClasses<TTestObject, TTestItem, TTestPlain, TTestFont,
                    TTestComponentWithALongClassName>();
}

std::unique_ptr<TTestObject> MakeSampleTree() {
    auto root = std::make_unique<TTestObject>();
    root->SetName(QStringLiteral("Root"));
    root->SetSmall(100);
    root->SetCounter(1000);
    root->SetBig(5000000000LL);
    root->SetHidden(true);
    root->SetKind(tkGamma);
    root->SetOptions(toBold | toStrike);
    root->SetRatio(-2.5);
    root->SetScale(1.5f);
    root->SetPrice(TCurrency{123456});
    root->SetStamp(45000.25);
    root->SetCaption(QStringLiteral("カレンダー"));
    root->SetNote(QString(300, QChar(u'あ'))); // 600 bytes in code page 932: LString
    root->SetColor(0x123456);
    root->SetLines(TStringList(QStringList{QStringLiteral("一行目"), QStringLiteral("line 2")}));
    root->Font()->SetName(QStringLiteral("ＭＳ Ｐゴシック"));
    root->Font()->SetSize(12);
    root->Font()->SetStyle(toItalic);
    root->Font()->SetColor(clRed);
    root->Font()->SetCharset(128);
    auto* item = root->Items()->Add<TTestItem>();
    item->SetValue(7);
    item->SetCaption(QStringLiteral("x"));
    item = root->Items()->Add<TTestItem>();
    item->SetValue(100000);
    item->SetCaption(QStringLiteral("☃ snow")); // not in code page 932: WString
    root->SetSecret(5);
    root->SetOffset(3);
    for (int i = 0; i < 256; ++i)
        root->Data.append(char(i));
    root->Extra = {1, -200, 70000};

    auto* child1 = new TTestObject(root.get());
    child1->SetName(QStringLiteral("Child1"));
    child1->SetSmall(-1);
    child1->SetNote(QStringLiteral("Ωmega ☃"));
    child1->SetEnabled(false);
    auto* child2 = new TTestObject(root.get());
    child2->SetName(QStringLiteral("Child2"));
    child2->SetBuddy(root.get());
    auto* grand = new TTestObject(child2);
    grand->SetName(QStringLiteral("Grand"));
    grand->SetBuddy(child1);
    root->SetBuddy(child1);
    return root;
}

std::unique_ptr<TTestObject> MakeFreePascalSample() {
    std::unique_ptr<TTestObject> root = MakeSampleTree();
    root->SetScale(0);
    root->SetPrice({});
    root->SetStamp(0);
    root->Items()->ItemsAs<TTestItem>(1)->SetCaption(QStringLiteral("雪 snow"));
    auto* child1 = qobject_cast<TTestObject*>(root->Components(0));
    auto* child2 = qobject_cast<TTestObject*>(root->Components(1));
    child1->SetNote(QStringLiteral("Ωmega"));
    child2->SetBuddy(child1);
    child2->DestroyComponents();
    return root;
}
