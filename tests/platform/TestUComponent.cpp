#include "UClasses.h"
#include "UCollection.h"
#include "UColor.h"
#include "UComponent.h"

#include <QPoint>
#include <gtest/gtest.h>

namespace {

struct TEvents {
    std::vector<std::string> Lines;
};

// Records what happens to it in a shared log.
class TProbe : public TComponent {
    Q_OBJECT
public:
    explicit TProbe(TComponent* Owner = nullptr, TEvents* Log = nullptr, const QString& Name = {})
        : TComponent(Owner), FLog(Log) {
        SetName(Name);
    }
    ~TProbe() override {
        if (!FLog)
            return;
        const bool destroying = ComponentState().testFlag(csDestroying);
        FLog->Lines.push_back("destroy " + Name().toStdString() + (destroying ? "" : "!"));
    }
    std::vector<std::pair<TComponent*, TOperation>> Notes;

protected:
    void Notification(TComponent* Component, TOperation Operation) override {
        Notes.emplace_back(Component, Operation);
        TComponent::Notification(Component, Operation);
    }

private:
    TEvents* FLog;
};

class IProbeCapability : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{6D1C3B0E-0F7A-4D43-9C11-2B7E5A0C9D41}");
    virtual int Answer() = 0;

protected:
    ~IProbeCapability() = default;
};

class TCapable : public TProbe, public IProbeCapability {
    Q_OBJECT
public:
    using TProbe::TProbe;
    int Answer() override { return 42; }
    bool QueryInterface(const TGUID& Id, void** Obj) override {
        return AnswerInterface<IProbeCapability>(this, Id, Obj) || TProbe::QueryInterface(Id, Obj);
    }
};

class TShape : public TPersistent {
    Q_OBJECT
};
class TOtherShape : public TPersistent {
    Q_OBJECT
};

class TNumberItem : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE SetValue)
public:
    int Value() const { return FValue; }
    void SetValue(int V) {
        FValue = V;
        Changed();
    }
    void Assign(const TPersistent* Source) override {
        if (auto* s = qobject_cast<const TNumberItem*>(Source))
            FValue = s->FValue;
        else
            TCollectionItem::Assign(Source);
    }

private:
    int FValue = 0;
};

class TUnregisteredItem : public TCollectionItem {
    Q_OBJECT
};

class TCountingCollection : public TCollection {
    Q_OBJECT
public:
    TCountingCollection() : TCollection(TNumberItem::staticMetaObject) {}
    int Updates = 0;
    TCollectionItem* LastItem = nullptr;

protected:
    void Update(TCollectionItem* Item) override {
        ++Updates;
        LastItem = Item;
    }
};

struct TKinds {
    Q_GADGET
public:
    enum TShade { shLight, shDark, shDeep };
    Q_ENUM(TShade)
    enum TMark { mkDot = 1, mkRing = 2, mkCross = 4 };
    Q_DECLARE_FLAGS(TMarks, TMark)
    Q_FLAG(TMarks)
};
using TShade = TKinds::TShade;
using TMarks = TKinds::TMarks;
Q_DECLARE_OPERATORS_FOR_FLAGS(TMarks)

class TDeclBase : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth STORED false)
    Q_PROPERTY(int Ratio READ Ratio WRITE SetRatio)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_CLASSINFO("Default:Ratio", "100")
    Q_CLASSINFO("Default:Color", "clWhite")
    Q_CLASSINFO("Ignored", "Visible")
public:
    int Width() const { return FWidth; }
    void SetWidth(int V) { FWidth = V; }
    int Ratio() const { return FRatio; }
    void SetRatio(int V) { FRatio = V; }
    TColor Color() const { return FColor; }
    void SetColor(TColor V) { FColor = V; }

private:
    int FWidth = 0, FRatio = 100;
    TColor FColor = clWhite;
};

class TDecl : public TDeclBase {
    Q_OBJECT
    Q_PROPERTY(TShade Shade READ Shade WRITE SetShade)
    Q_PROPERTY(TMarks Marks READ Marks WRITE SetMarks)
    Q_PROPERTY(bool Flag READ Flag WRITE SetFlag)
    Q_PROPERTY(int Offset READ Offset WRITE SetOffset)
    Q_PROPERTY(int Width READ Width WRITE SetWidth) // stored again here, same position
    Q_CLASSINFO("Default:Shade", "shDark")
    Q_CLASSINFO("Default:Marks", "[mkDot, mkCross]")
    Q_CLASSINFO("Default:Flag", "false")
    Q_CLASSINFO("Stored:Offset", "IsOffsetStored")
    Q_CLASSINFO("Default:Ratio", "50")
    Q_CLASSINFO("Ignored", "Top, Height")
public:
    TShade Shade() const { return FShade; }
    void SetShade(TShade V) { FShade = V; }
    TMarks Marks() const { return FMarks; }
    void SetMarks(TMarks V) { FMarks = V; }
    bool Flag() const { return FFlag; }
    void SetFlag(bool V) { FFlag = V; }
    int Offset() const { return FOffset; }
    void SetOffset(int V) { FOffset = V; }
    Q_INVOKABLE bool IsOffsetStored() const { return FOffset != 0; }

private:
    TShade FShade = TKinds::shDark;
    TMarks FMarks = TKinds::mkDot | TKinds::mkCross;
    bool FFlag = false;
    int FOffset = 0;
};

// Faulty declarations, each caught when the class is first examined.
class TBadDefaultName : public TPersistent {
    Q_OBJECT
    Q_CLASSINFO("Default:Missing", "1")
};
class TBadDefaultValue : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(TShade Shade READ Shade WRITE SetShade)
    Q_CLASSINFO("Default:Shade", "shPurple")
public:
    TShade Shade() const { return TKinds::shLight; }
    void SetShade(TShade) {}
};
class TBadDefaultKind : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_CLASSINFO("Default:Text", "abc")
public:
    QString Text() const { return {}; }
    void SetText(const QString&) {}
};
class TBadStored : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_CLASSINFO("Stored:Size", "NoSuchMethod")
public:
    int Size() const { return 0; }
    void SetSize(int) {}
};
class TBadType : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(QPoint Where READ Where WRITE SetWhere)
public:
    QPoint Where() const { return {}; }
    void SetWhere(QPoint) {}
};

class ComponentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterClasses<TNumberItem, TProbe, TShape>(); }
};

QStringList Names(const TComponent& Owner) {
    QStringList n;
    for (int i = 0; i < Owner.ComponentCount(); ++i)
        n << Owner.Components(i)->Name();
    return n;
}

} // namespace

TEST_F(ComponentTest, OwnerDestroysWhatItOwnsLastFirst) {
    TEvents log;
    {
        auto owner = std::make_unique<TProbe>(nullptr, &log, QStringLiteral("Owner"));
        new TProbe(owner.get(), &log, QStringLiteral("A"));
        auto* b = new TProbe(owner.get(), &log, QStringLiteral("B"));
        new TProbe(b, &log, QStringLiteral("B1"));
        new TProbe(owner.get(), &log, QStringLiteral("C"));
        EXPECT_EQ(Names(*owner), QStringList({"A", "B", "C"}));
        EXPECT_EQ(b->ComponentIndex(), 1);
        EXPECT_EQ(b->Owner(), owner.get());
    }
    // A class's own destructor runs first, then the owned components go, last first, each
    // seeing csDestroying.
    EXPECT_EQ(log.Lines, std::vector<std::string>({"destroy Owner!", "destroy C", "destroy B",
                                                   "destroy B1", "destroy A"}));
}

TEST_F(ComponentTest, DeletingAnOwnedComponentTellsItsOwnerAndSiblings) {
    TProbe owner;
    auto* a = new TProbe(&owner, nullptr, QStringLiteral("A"));
    auto* b = new TProbe(&owner, nullptr, QStringLiteral("B"));
    owner.Notes.clear();
    a->Notes.clear();
    delete b;
    EXPECT_EQ(owner.ComponentCount(), 1);
    ASSERT_EQ(owner.Notes.size(), 1u);
    EXPECT_EQ(owner.Notes[0], std::make_pair(static_cast<TComponent*>(b), opRemove));
    ASSERT_EQ(a->Notes.size(), 1u); // passed on to the other owned components
    EXPECT_EQ(a->Notes[0].second, opRemove);
    EXPECT_EQ(owner.FindComponent(QStringLiteral("b")), nullptr);
    EXPECT_EQ(owner.FindComponent(QStringLiteral("a")), a);
}

TEST_F(ComponentTest, OwnershipMovesAndIsHandedOutExplicitly) {
    TProbe first, second;
    auto* a = new TProbe(&first, nullptr, QStringLiteral("A"));
    second.InsertComponent(a);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(a->Owner(), &second);
    EXPECT_EQ(first.Notes.back(), std::make_pair(static_cast<TComponent*>(a), opRemove));
    EXPECT_EQ(second.Notes.back(), std::make_pair(static_cast<TComponent*>(a), opInsert));

    std::unique_ptr<TComponent> taken = second.RemoveComponent(a);
    EXPECT_EQ(taken.get(), a);
    EXPECT_EQ(a->Owner(), nullptr);
    EXPECT_EQ(second.RemoveComponent(a), nullptr); // not owned any more

    // A component cannot own its owner.
    auto* inner = new TProbe(a);
    EXPECT_THROW(inner->InsertComponent(a), EComponentError);
    EXPECT_THROW(a->InsertComponent(a), EComponentError);
    EXPECT_EQ(inner->Owner(), a);
}

TEST_F(ComponentTest, NamesAreIdentifiersUniqueWithinTheOwner) {
    const struct {
        const char* Name;
        bool Valid;
    } cases[] = {{"", true},      {"Label1", true}, {"_x", true},    {"a_1b", true},
                 {"1abc", false}, {"a b", false},   {"名前", false}, {"a.b", false}};
    for (const auto& c : cases)
        EXPECT_EQ(TComponent::IsValidName(QString::fromUtf8(c.Name)), c.Valid) << c.Name;

    TProbe owner;
    auto* a = new TProbe(&owner, nullptr, QStringLiteral("Item"));
    auto* b = new TProbe(&owner);
    try {
        b->SetName(QStringLiteral("ITEM"));
        FAIL() << "duplicate name accepted";
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("ITEM という名前のコンポーネントは既に存在します"));
    }
    EXPECT_THROW(b->SetName(QStringLiteral("9lives")), EComponentError);
    a->SetName(QStringLiteral("ITEM")); // renaming itself is fine
    b->SetName(QStringLiteral("Other"));

    // Inserting a component whose name is taken fails and leaves it with the caller.
    auto loose = std::make_unique<TProbe>(nullptr, nullptr, QStringLiteral("other"));
    EXPECT_THROW(owner.InsertComponent(loose.get()), EComponentError);
    EXPECT_EQ(loose->Owner(), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 2);
}

TEST_F(ComponentTest, FreeNotificationLinksComponentsOfDifferentOwners) {
    TProbe ownerA, ownerB;
    auto* x = new TProbe(&ownerA, nullptr, QStringLiteral("X"));
    auto* y = new TProbe(&ownerB, nullptr, QStringLiteral("Y"));
    x->FreeNotification(y);
    y->Notes.clear();
    delete x;
    ASSERT_EQ(y->Notes.size(), 1u);
    EXPECT_EQ(y->Notes[0], std::make_pair(static_cast<TComponent*>(x), opRemove));

    // Either side may go first; the link never dangles.
    auto* z = new TProbe(&ownerA, nullptr, QStringLiteral("Z"));
    z->FreeNotification(y);
    delete y;
    z->Notes.clear();
    delete z; // must not touch y
    SUCCEED();
}

TEST_F(ComponentTest, AnswersInterfacesAndChains) {
    TCapable c;
    void* p = reinterpret_cast<void*>(1);
    EXPECT_TRUE(c.QueryInterface(IInterface::IID, &p));
    EXPECT_EQ(p, static_cast<IInterface*>(&c));
    IProbeCapability* cap = QueryObjectInterface<IProbeCapability>(&c);
    ASSERT_NE(cap, nullptr);
    EXPECT_EQ(cap->Answer(), 42);
    TProbe plain;
    EXPECT_EQ(QueryObjectInterface<IProbeCapability>(&plain), nullptr);
    EXPECT_FALSE(plain.QueryInterface(IProbeCapability::IID, &p));
    EXPECT_EQ(p, nullptr);
}

TEST_F(ComponentTest, AssignWithoutSupportRaisesTheAssignError) {
    TShape a;
    TOtherShape b;
    try {
        a.Assign(&b);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("TOtherShape を TShape に代入できません"));
    }
    try {
        a.Assign(nullptr);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("nil を TShape に代入できません"));
    }
}

TEST_F(ComponentTest, LoadedClearsTheLoadingState) {
    TProbe c;
    c.IncludeState(csLoading);
    c.IncludeState(csReading);
    c.Loaded();
    EXPECT_FALSE(c.ComponentState().testFlag(csLoading));
    EXPECT_TRUE(c.ComponentState().testFlag(csReading));
}

TEST_F(ComponentTest, CollectionsOwnOrderAndCopyTheirItems) {
    TCountingCollection list;
    auto* a = list.Add<TNumberItem>();
    auto* c = list.Add<TNumberItem>();
    auto* b = qobject_cast<TNumberItem*>(list.Insert(1));
    a->SetValue(1), b->SetValue(2), c->SetValue(3);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.ItemsAs<TNumberItem>(1), b);
    EXPECT_EQ(b->Index(), 1);
    EXPECT_EQ(b->Collection(), &list);
    EXPECT_EQ(list.LastItem, c); // an item's change names the item

    c->SetIndex(0);
    EXPECT_EQ(list.ItemsAs<TNumberItem>(0), c);
    delete a; // leaves the collection
    EXPECT_EQ(list.Count(), 2);
    EXPECT_THROW(list.Items(2), EListError);
    EXPECT_THROW(list.Insert(5), EListError);

    TCountingCollection copy;
    copy.Add();
    copy.Updates = 0;
    copy.Assign(&list);
    EXPECT_EQ(copy.Updates, 1); // one change for the whole assignment
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.ItemsAs<TNumberItem>(0)->Value(), 3);
    EXPECT_EQ(copy.ItemsAs<TNumberItem>(1)->Value(), 2);
    EXPECT_NE(copy.Items(0), list.Items(0));

    list.Delete(0);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_THROW(list.AddItem(std::make_unique<TUnregisteredItem>()), EConvertError);
    TCollection unregistered(TUnregisteredItem::staticMetaObject);
    EXPECT_THROW(unregistered.Add(), EClassNotFound);
}

TEST_F(ComponentTest, RegistryFindsClassesByNameIgnoringCase) {
    EXPECT_EQ(GetClass(QStringLiteral("tprobe")), &TProbe::staticMetaObject);
    EXPECT_EQ(&FindClass(QStringLiteral("TNumberItem")), &TNumberItem::staticMetaObject);
    EXPECT_EQ(GetClass(QStringLiteral("TNothing")), nullptr);
    try {
        FindClass(QStringLiteral("TNothing"));
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message, QStringLiteral("クラス TNothing が見つかりません"));
    }
    RegisterClass<TProbe>(); // again: harmless
    std::unique_ptr<TPersistent> p = CreatePersistent(TProbe::staticMetaObject);
    EXPECT_NE(qobject_cast<TProbe*>(p.get()), nullptr);
    EXPECT_THROW(CreatePersistent(TOtherShape::staticMetaObject), EClassNotFound);
}

TEST_F(ComponentTest, PropertyListFollowsTheDeclarations) {
    const TPropList& list = GetPropList(TDecl::staticMetaObject);
    QStringList order;
    for (const TPropInfo& p : list.Props())
        order << QString::fromLatin1(p.Name());
    // Inherited first; Width redeclared keeps its place.
    EXPECT_EQ(order, QStringList({"Width", "Ratio", "Color", "Shade", "Marks", "Flag", "Offset"}));

    TDecl d;
    const TPropInfo& width = *list.Find("width");
    EXPECT_TRUE(width.IsStored(d)); // the subclass stores it
    EXPECT_FALSE(GetPropList(TDeclBase::staticMetaObject).Find("Width")->IsStored(d));

    const TPropInfo& ratio = *list.Find("Ratio");
    EXPECT_EQ(ratio.Default(), 50); // the subclass's default wins
    EXPECT_EQ(GetPropList(TDeclBase::staticMetaObject).Find("Ratio")->Default(), 100);
    EXPECT_EQ(list.Find("Color")->Default(), clWhite);
    EXPECT_EQ(list.Find("Shade")->Default(), TKinds::shDark);
    EXPECT_EQ(list.Find("Marks")->Default(), TKinds::mkDot | TKinds::mkCross);
    EXPECT_EQ(list.Find("Flag")->Default(), 0);
    EXPECT_EQ(list.Find("Shade")->Kind(), pkEnumeration);
    EXPECT_EQ(list.Find("Marks")->Kind(), pkSet);
    EXPECT_EQ(list.Find("Marks")->SetNames(5), QList<QByteArray>({"mkDot", "mkCross"}));
    EXPECT_EQ(list.Find("Shade")->EnumValue("SHDEEP"), TKinds::shDeep);
    EXPECT_FALSE(list.Find("Shade")->IsValidOrd(7));

    const TPropInfo& offset = *list.Find("Offset");
    EXPECT_FALSE(offset.IsStored(d));
    d.SetOffset(3);
    EXPECT_TRUE(offset.IsStored(d));

    EXPECT_TRUE(list.IsIgnored("visible")); // inherited list
    EXPECT_TRUE(list.IsIgnored("Height"));
    EXPECT_FALSE(list.IsIgnored("Left"));

    // Typed access checks ranges and kinds.
    EXPECT_THROW(list.Find("Shade")->SetOrd(d, 9), EPropertyError);
    EXPECT_THROW(list.Find("Flag")->SetStr(d, QStringLiteral("x")), EPropertyError);
    list.Find("Marks")->SetOrd(d, TKinds::mkRing);
    EXPECT_EQ(d.Marks(), TMarks(TKinds::mkRing));
}

TEST_F(ComponentTest, FaultyDeclarationsAreReportedOnFirstUse) {
    for (const QMetaObject* mo :
         {&TBadDefaultName::staticMetaObject, &TBadDefaultValue::staticMetaObject,
          &TBadDefaultKind::staticMetaObject, &TBadStored::staticMetaObject,
          &TBadType::staticMetaObject})
        EXPECT_THROW(GetPropList(*mo), EPropertyError) << mo->className();
}

#include "TestUComponent.moc"
