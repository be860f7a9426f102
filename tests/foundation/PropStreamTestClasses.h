#pragma once
// Small persistent classes for the property-stream tests. tests/data/propstream/pasreader.pas
// declares the same classes in Pascal, property for property, for the cross-check.

#include "UCollection.h"
#include "UColor.h"
#include "UComponent.h"
#include "UPersistent.h"
#include "UStringList.h"

#include <QByteArray>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

struct TTestEnums {
    Q_GADGET
public:
    enum TTestKind { tkAlpha, tkBeta, tkGamma };
    Q_ENUM(TTestKind)
    enum TTestOption { toBold = 1, toItalic = 2, toUnderline = 4, toStrike = 8 };
    Q_DECLARE_FLAGS(TTestOptions, TTestOption)
    Q_FLAG(TTestOptions)
};
using TTestKind = TTestEnums::TTestKind;
using enum TTestEnums::TTestKind;
using TTestOptions = TTestEnums::TTestOptions;
using enum TTestEnums::TTestOption;
Q_DECLARE_OPERATORS_FOR_FLAGS(TTestOptions)

class TTestFont : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_PROPERTY(TTestOptions Style READ Style WRITE SetStyle)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(uchar Charset READ Charset WRITE SetCharset)
    Q_CLASSINFO("Default:Size", "9")
    Q_CLASSINFO("Default:Style", "[]")
    Q_CLASSINFO("Default:Color", "clBlack")
    Q_CLASSINFO("Default:Charset", "DEFAULT_CHARSET")
public:
    QString Name() const { return FName; }
    void SetName(const QString& V) { FName = V; }
    int Size() const { return FSize; }
    void SetSize(int V) { FSize = V; }
    TTestOptions Style() const { return FStyle; }
    void SetStyle(TTestOptions V) { FStyle = V; }
    TColor Color() const { return FColor; }
    void SetColor(TColor V) { FColor = V; }
    uchar Charset() const { return FCharset; }
    void SetCharset(uchar V) { FCharset = V; }
    void Assign(const TPersistent* Source) override;

private:
    QString FName;
    int FSize = 9;
    TTestOptions FStyle;
    TColor FColor = clBlack;
    uchar FCharset = 1;
};

class TTestItem : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE SetValue)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_CLASSINFO("Default:Value", "0")
public:
    int Value() const { return FValue; }
    void SetValue(int V) { FValue = V; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& V) { FCaption = V; }
    void Assign(const TPersistent* Source) override;

private:
    int FValue = 0;
    QString FCaption;
};

// One property of every kind, custom binary and typed properties, children.
class TTestObject : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Small READ Small WRITE SetSmall)
    Q_PROPERTY(int Counter READ Counter WRITE SetCounter)
    Q_PROPERTY(qint64 Big READ Big WRITE SetBig)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool Hidden READ Hidden WRITE SetHidden)
    Q_PROPERTY(TTestKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(TTestOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
    Q_PROPERTY(float Scale READ Scale WRITE SetScale)
    Q_PROPERTY(TCurrency Price READ Price WRITE SetPrice)
    Q_PROPERTY(TDateTime Stamp READ Stamp WRITE SetStamp)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString Note READ Note WRITE SetNote)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(TTestFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(TCollection* Items READ Items WRITE SetItems)
    Q_PROPERTY(TTestObject* Buddy READ Buddy WRITE SetBuddy)
    Q_PROPERTY(int Secret READ Secret WRITE SetSecret STORED false)
    Q_PROPERTY(int Offset READ Offset WRITE SetOffset)
    Q_CLASSINFO("Default:Counter", "100")
    Q_CLASSINFO("Default:Hidden", "false")
    Q_CLASSINFO("Default:Kind", "tkAlpha")
    Q_CLASSINFO("Default:Color", "clWhite")
    Q_CLASSINFO("Stored:Offset", "IsOffsetStored")
    Q_CLASSINFO("Ignored", "Width,Height,Visible,OnClick")
public:
    explicit TTestObject(TComponent* Owner = nullptr);
    ~TTestObject() override;

    int Small() const { return FSmall; }
    void SetSmall(int V) { FSmall = V; }
    int Counter() const { return FCounter; }
    void SetCounter(int V) { FCounter = V; }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 V) { FBig = V; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool V) { FEnabled = V; }
    bool Hidden() const { return FHidden; }
    void SetHidden(bool V) { FHidden = V; }
    TTestKind Kind() const { return FKind; }
    void SetKind(TTestKind V) { FKind = V; }
    TTestOptions Options() const { return FOptions; }
    void SetOptions(TTestOptions V) { FOptions = V; }
    double Ratio() const { return FRatio; }
    void SetRatio(double V) { FRatio = V; }
    float Scale() const { return FScale; }
    void SetScale(float V) { FScale = V; }
    TCurrency Price() const { return FPrice; }
    void SetPrice(TCurrency V) { FPrice = V; }
    TDateTime Stamp() const { return FStamp; }
    void SetStamp(TDateTime V) { FStamp = V; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& V) { FCaption = V; }
    QString Note() const { return FNote; }
    void SetNote(const QString& V) { FNote = V; }
    TColor Color() const { return FColor; }
    void SetColor(TColor V) { FColor = V; }
    TStringList Lines() const { return FLines; }
    void SetLines(const TStringList& V) { FLines = V; }
    TTestFont* Font() const { return FFont.get(); }
    void SetFont(TTestFont* V) { FFont->Assign(V); }
    TCollection* Items() const { return FItems.get(); }
    void SetItems(TCollection* V) { FItems->Assign(V); }
    TTestObject* Buddy() const { return FBuddy; }
    void SetBuddy(TTestObject* V);
    int Secret() const { return FSecret; }
    void SetSecret(int V) { FSecret = V; }
    int Offset() const { return FOffset; }
    void SetOffset(int V) { FOffset = V; }
    Q_INVOKABLE bool IsOffsetStored() const { return FKind == tkGamma; }

    QByteArray Data;        // custom binary property "Data"
    std::vector<int> Extra; // custom list property "Extra"
    std::function<void(TComponent* Sender)> OnClick; // a published event
    std::function<void()> OnUnpublished;

    void CopyEventHandlers(TPersistent& Dest) const override;
    int LoadedCalls = 0;
    int ChildrenWhenLoaded = -1;

    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;

    // Instances alive, to show that failed reads leave nothing behind.
    static inline int Live = 0;
    // Names of the objects in the order Loaded reached them.
    static inline QStringList LoadedOrder;

protected:
    void Notification(TComponent* Component, TOperation Operation) override;

private:
    int FSmall = 0, FCounter = 100;
    qint64 FBig = 0;
    bool FEnabled = true, FHidden = false;
    TTestKind FKind = tkAlpha;
    TTestOptions FOptions;
    double FRatio = 0;
    float FScale = 0;
    TCurrency FPrice;
    TDateTime FStamp;
    QString FCaption, FNote;
    TColor FColor = clWhite;
    TStringList FLines;
    std::unique_ptr<TTestFont> FFont;
    std::unique_ptr<TCollection> FItems;
    TTestObject* FBuddy = nullptr;
    int FSecret = 0, FOffset = 0;
};

// A component whose properties all have defaults.
class TTestPlain : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE SetValue)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_CLASSINFO("Default:Value", "7")
public:
    using TComponent::TComponent;
    int Value() const { return FValue; }
    void SetValue(int V) { FValue = V; }
    QString Text() const { return FText; }
    void SetText(const QString& V) { FText = V; }

private:
    int FValue = 7;
    QString FText;
};

// Names whose length bytes are not value tags (above 20).
class TTestComponentWithALongClassName : public TTestPlain {
    Q_OBJECT
    Q_PROPERTY(int PropertyWithAQuiteLongName READ PropertyWithAQuiteLongName WRITE
                   SetPropertyWithAQuiteLongName)
public:
    using TTestPlain::TTestPlain;
    int PropertyWithAQuiteLongName() const { return FLong; }
    void SetPropertyWithAQuiteLongName(int V) { FLong = V; }

private:
    int FLong = 0;
};

void RegisterTestClasses();

// A tree using every value tag the writer produces: a root with custom data, a nested
// font, a collection, a reference, two children and a grandchild.
std::unique_ptr<TTestObject> MakeSampleTree();

// The sample without what Free Pascal's reader does not take: Single, Currency and Date
// values (it reads only Extended for them), text outside code page 932, references to the
// root, and grandchildren (it makes every component of a stream owned by the root).
std::unique_ptr<TTestObject> MakeFreePascalSample();
