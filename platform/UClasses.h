#pragma once
// The class registry and the reflection of published properties.
//
// Registry: a class that a stream reader, a collection or CloneComponent must create is
// registered by its C++ class name, which is also the name streams carry:
//
//   RegisterClasses<TLOText, TLOImage, TLORect>();
//
// Registration is explicit: each subsystem registers its classes from one function that
// start-up calls (static initialisers in static libraries are not reliably linked).
// Registering a class again is harmless. A class must be constructible without arguments
// (components: a constructor taking an optional owner).
//
// Reflection: GetPropList(Class) answers the published properties of a class in stream
// order with what the writer, the reader and the copy routines need: kind, default,
// stored condition, enumeration names, typed getters and setters. See UPersistent.h for
// how a class declares them. A faulty declaration (a default that does not parse, a stored
// method that does not exist, a type with no stream form) raises EPropertyError the first
// time the class is examined.

#include "UException.h"
#include "UPersistent.h"
#include "UStringList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

VANTOMI_DECLARE_EXCEPTION(EFilerError, EStreamError)
VANTOMI_DECLARE_EXCEPTION(EClassNotFound, EFilerError)
VANTOMI_DECLARE_EXCEPTION(EPropertyError, Exception)

using TPersistentFactory = std::unique_ptr<TPersistent> (*)();

// Registers Class under its class name; raises EFilerError when another class already has
// that name.
void RegisterClass(const QMetaObject& Class, TPersistentFactory Create);

template <class T>
void RegisterClass() {
    static_assert(std::is_base_of_v<TPersistent, T>, "only persistent classes are registered");
    RegisterClass(T::staticMetaObject,
                  []() -> std::unique_ptr<TPersistent> { return std::make_unique<T>(); });
}

template <class... T>
void RegisterClasses() {
    (RegisterClass<T>(), ...);
}

// The registered class of that name (ignoring case), or null.
const QMetaObject* GetClass(const QString& ClassName);
// The registered class of that name; raises EClassNotFound "クラス %s が見つかりません".
const QMetaObject& FindClass(const QString& ClassName);
// A new unowned instance of a registered class; raises EClassNotFound otherwise.
std::unique_ptr<TPersistent> CreatePersistent(const QMetaObject& Class);

// Integer values that streams may carry as identifiers: colours (clBlack .. clInfoBk,
// clNone, clDefault), font character sets (SHIFTJIS_CHARSET ...) and cursors (crDefault
// ...). Case-insensitive; answers whether Ident is one of them.
bool IdentToInt(QByteArrayView Ident, int64_t& Value);
// The identifier of Value among those whose name begins or ends with Family ("cl" colours,
// "_CHARSET" character sets, "cr" cursors); false when Value has none.
bool IntToIdent(int64_t Value, QByteArrayView Family, QByteArray& Ident);

enum TPropKind {
    pkInteger,     // 8, 16 or 32-bit integer
    pkInt64,       // 64-bit integer
    pkBoolean,     // bool
    pkEnumeration, // Q_ENUM enumeration
    pkSet,         // Q_FLAG flag set
    pkFloat,       // double
    pkSingle,      // float
    pkCurrency,    // TCurrency
    pkDate,        // TDateTime
    pkString,      // QString
    pkStrings,     // TStringList
    pkPersistent,  // pointer to a nested TPersistent
    pkCollection,  // pointer to a TCollection
    pkComponent,   // pointer to a TComponent (a reference)
};

class TPropInfo {
public:
    // Examines one property of Class; raises EPropertyError when it has no stream form or
    // its attributes are faulty.
    TPropInfo(const QMetaObject& Class, const QMetaProperty& Property);

    const char* Name() const { return FProperty.name(); }
    TPropKind Kind() const { return FKind; }
    bool IsWritable() const { return FProperty.isWritable(); }
    bool IsOrdinal() const { return FKind <= pkSet; }
    // The declared class of a pointer property.
    const QMetaObject* ObjectClass() const { return FObjectClass; }
    // The declared default of an ordinal property.
    const std::optional<int64_t>& Default() const { return FDefault; }
    // Q_CLASSINFO("Idents:Color", "cl"): an integer property written as the identifier of
    // its value where that family has one (see IntToIdent); empty otherwise.
    const QByteArray& IdentFamily() const { return FIdentFamily; }
    // Q_CLASSINFO("Unnamed:Style", "true"): an int-sized enumeration that may also hold
    // values without a name (stored data carries them); such values are written as numbers.
    bool AllowsUnnamed() const { return FAllowsUnnamed; }

    // The stored condition: STORED and the Stored: method.
    bool IsStored(const QObject& Instance) const;
    // True when the value is the one not written (see UPersistent.h).
    bool IsDefault(const QObject& Instance) const;

    // Typed access. The getters and setters raise EPropertyError when the property is of
    // another kind, read-only (setters) or the value is outside its type.
    int64_t GetOrd(const QObject& Instance) const;
    void SetOrd(QObject& Instance, int64_t Value) const;
    // True when Value fits the property (range of the integer type, a declared enumerator or
    // any 32-bit value where unnamed values are allowed, bits of declared flags, 0 or 1 for a
    // bool).
    bool IsValidOrd(int64_t Value) const;
    // Float, Single and Date properties.
    double GetFloat(const QObject& Instance) const;
    void SetFloat(QObject& Instance, double Value) const;
    TCurrency GetCurrency(const QObject& Instance) const;
    void SetCurrency(QObject& Instance, TCurrency Value) const;
    QString GetStr(const QObject& Instance) const;
    void SetStr(QObject& Instance, const QString& Value) const;
    TStringList GetStrings(const QObject& Instance) const;
    void SetStrings(QObject& Instance, const TStringList& Value) const;
    // Pointer properties; SetObject checks that Value is of the declared class.
    QObject* GetObject(const QObject& Instance) const;
    void SetObject(QObject& Instance, QObject* Value) const;
    // Copies the value as it is (through READ and WRITE) from Source to Dest.
    void CopyValue(const QObject& Source, QObject& Dest) const;

    // Enumerations: the name of a value (empty when none) and the value of a name (ignoring
    // case). Sets: the names of the bits of a value, in bit order, and the bit of a name.
    QByteArray EnumName(int64_t Value) const;
    std::optional<int64_t> EnumValue(QByteArrayView Name) const;
    QList<QByteArray> SetNames(int64_t Value) const;

private:
    [[noreturn]] void Fail(const QString& What) const;
    void CheckKind(bool Ok) const;
    void Write(QObject& Instance, const QVariant& Value) const;
    int64_t ParseDefault(QByteArrayView Text) const;

    QMetaProperty FProperty;
    QByteArray FClassName;
    QByteArray FIdentFamily;
    bool FAllowsUnnamed = false;
    TPropKind FKind = pkInteger;
    const QMetaObject* FObjectClass = nullptr;
    QMetaEnum FEnum;
    std::optional<int64_t> FDefault;
    int FStoredMethod = -1;
    int64_t FMin = 0;
    int64_t FMax = 0;
};

class TPropList {
public:
    explicit TPropList(const QMetaObject& Class);

    const QMetaObject& Class() const { return *FClass; }
    const std::vector<TPropInfo>& Props() const { return FProps; }
    // The property of that name (ignoring case), or null.
    const TPropInfo* Find(QByteArrayView Name) const;
    // True when streams may carry Name for this class and it is to be dropped.
    bool IsIgnored(QByteArrayView Name) const;

private:
    const QMetaObject* FClass;
    std::vector<TPropInfo> FProps;
    QList<QByteArray> FIgnored;
};

// The published properties of Class, built once and kept for the life of the program.
const TPropList& GetPropList(const QMetaObject& Class);
