#pragma once
// Property streams: component trees in the binary form "TPF0".
//
// A stream is the signature "TPF0" and one object: an optional prefix byte (0xF0 | flags:
// 1 inherited, 2 child position follows as an integer, 4 inline), the class name and the
// object name as short strings (a length byte and code page 932 bytes), the properties as
// name/value pairs ended by a zero byte, then the child objects in the same layout ended by
// a zero byte. Values carry a tag byte (TValueType). Numbers are little-endian.
//
// What is written for each property is decided by the class declarations (UPersistent.h);
// custom properties (DefineProperties) follow the published ones. Collections are written
// as the Collection tag, then per item a List tag, the item's properties and a zero byte,
// then a zero byte.
//
// Reading creates objects of registered classes (UClasses.h), sets the properties it finds
// (unknown names are an error unless the class lists them as ignored), inserts each child
// into the object it was read into, then resolves component references and calls Loaded
// on every component read, root first. Malformed input raises EReadError
// "不正なストリーム フォーマット", an unregistered class EClassNotFound
// "クラス %s が見つかりません"; any other failure while reading is raised as EReadError with
// its message. Lengths are checked against the bytes left and nesting is capped, so a
// damaged stream is rejected without large allocations or deep recursion. A failed read
// leaves no object behind: components it created are destroyed, including children it
// inserted into the given root (whose own properties may be partly changed).

#include "UClasses.h"
#include "UComponent.h"
#include "UPersistent.h"
#include "UStreams.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TCollection;

enum TValueType : uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20, // read only
};

enum TFilerFlag : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

// Nesting allowed for objects, nested properties, lists and collections together.
constexpr int MaxStreamDepth = 64;

class TWriter final : public TFiler {
public:
    explicit TWriter(TStream& Stream) : FStream(Stream) {}

    // "TPF0", then Root with its children. Root is the lookup root for references.
    void WriteRootComponent(TComponent& Root);
    void WriteSignature();
    // One object: class name, name, properties, children.
    void WriteComponent(TComponent& Component);
    // Published then custom properties of Instance (names prefixed with the nested path).
    void WriteProperties(TPersistent& Instance);

    // Values, for custom properties.
    void WriteValue(TValueType Value);
    // The smallest of Int8, Int16, Int32, Int64 that holds Value.
    void WriteInteger(int64_t Value);
    void WriteBoolean(bool Value);
    // String (up to 255 bytes) or LString in code page 932; WString when the code page
    // cannot hold Value.
    void WriteString(const QString& Value);
    void WriteIdent(QByteArrayView Ident);
    void WriteFloat(double Value); // Extended
    void WriteSingle(float Value);
    void WriteCurrency(TCurrency Value);
    void WriteDate(TDateTime Value);
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }
    void WriteCollection(TCollection& Collection);
    // A length byte and the bytes; raises EWriteError beyond 255 bytes.
    void WriteStr(QByteArrayView Bytes);

    void DefineProperty(const char* Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const char* Name, const TStreamProc& ReadData,
                              const TStreamProc& WriteData, bool HasData) override;

    TComponent* Root() const { return FRoot; }

private:
    void WriteProperty(TPersistent& Instance, const TPropInfo& Prop);
    void WriteOrdinal(const TPersistent& Instance, const TPropInfo& Prop);
    void WritePropName(QByteArrayView Name);
    void WriteNested(TPersistent& Instance, QByteArrayView Name);
    QByteArray ReferenceName(const TComponent& Component) const;
    void Enter();

    TStream& FStream;
    TComponent* FRoot = nullptr;
    QByteArray FPropPath;
    int FDepth = 0;
    friend struct TWriterDepth;
};

class TReader final : public TFiler {
public:
    explicit TReader(TStream& Stream);

    // "TPF0", then a new root of the class the stream names.
    std::unique_ptr<TComponent> ReadRootComponent();
    // "TPF0", then the object read into Root (the class name in the stream is not checked;
    // Root takes the stream's object name).
    void ReadRootComponent(TComponent& Root);
    void ReadSignature();

    // Values, for custom properties. Each raises EReadError on another tag.
    TValueType ReadValue();
    // The next tag, not consumed and not checked (reading it checks it).
    TValueType NextValue();
    // True when a zero byte ends the list, the properties or the children.
    bool EndOfList() { return PeekByte() == 0; }
    void ReadListBegin();
    void ReadListEnd();
    int32_t ReadInteger();
    int64_t ReadInt64();
    bool ReadBoolean();
    // String, LString, WString or UTF8String.
    QString ReadString();
    // Ident; False, True, Nil and Null read as their names.
    QByteArray ReadIdent();
    // Extended, Single, Currency, Date or an integer, as a double.
    double ReadFloat();
    float ReadSingle() { return static_cast<float>(ReadFloat()); }
    TCurrency ReadCurrency();
    TDateTime ReadDate() { return TDateTime(ReadFloat()); }
    // A Collection value into Collection, replacing its items.
    void ReadCollection(TCollection& Collection);
    QByteArray ReadStr();
    void SkipValue();
    // Moves past one object of the stream (prefix, class and object name, properties and
    // children), nested no deeper than MaxStreamDepth; raises EReadError on anything else.
    void SkipComponent();

    void DefineProperty(const char* Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const char* Name, const TStreamProc& ReadData,
                              const TStreamProc& WriteData, bool HasData) override;

    TComponent* Root() const { return FRoot; }

private:
    struct TFixup {
        QObject* Instance;
        const TPropInfo* Prop;
        QByteArray Name;
    };

    void Read(void* Buffer, int64_t Count);
    uint8_t ReadByte();
    uint8_t PeekByte();
    int64_t ReadLength(int64_t UnitSize);
    [[noreturn]] void FormatError() const;
    [[noreturn]] void ValueError() const;
    void Enter();
    void ReadRoot(TComponent* Existing, std::unique_ptr<TComponent>* Created);
    uint8_t ReadPrefix();
    std::unique_ptr<TComponent> CreateComponent(const QString& ClassName);
    void ReadData(TComponent& Instance, bool IsNew);
    void ReadChild(TComponent& Parent, bool ParentIsNew);
    void ReadProperty(TPersistent& Instance);
    void ReadPropValue(TPersistent& Instance, const TPropInfo& Prop);
    void ReadOrdinal(TPersistent& Instance, const TPropInfo& Prop);
    void ReadSet(TPersistent& Instance, const TPropInfo& Prop);
    void ReadStrings(TPersistent& Instance, const TPropInfo& Prop);
    void ResolveFixups();
    TComponent* FindReferenced(const QByteArray& Name) const;
    void Rollback();
    void Finish();

    TStream& FStream;
    int64_t FPosition;
    int64_t FEnd;
    TComponent* FRoot = nullptr;
    int FDepth = 0;
    QByteArray FPropName;   // the property being read, for messages
    QByteArray FCustomName; // the custom property DefineProperties is asked for
    bool FCustomDone = false;
    std::vector<TComponent*> FLoaded;
    std::vector<TComponent*> FAttached; // created and inserted into pre-existing owners
    std::vector<TFixup> FFixups;
    friend struct TReaderDepth;
};

// "TPF0" and Instance with its children.
void WriteComponent(TStream& Stream, TComponent& Instance);
// A new component from the stream.
std::unique_ptr<TComponent> ReadComponent(TStream& Stream);
// The stream's object read into Instance.
void ReadComponent(TStream& Stream, TComponent& Instance);

// The resource-wrapped form: 0xFF, Int16 10, the resource name in upper case (ASCII letters
// only, at most 63 bytes) ended by a zero byte, Int16 0x1030, Int32 the size of what
// follows, then the property stream.
void WriteComponentRes(TStream& Stream, const QString& ResName, TComponent& Instance);
std::unique_ptr<TComponent> ReadComponentRes(TStream& Stream);
void ReadComponentRes(TStream& Stream, TComponent& Instance);
// Component as a T, ownership passing to the answer; nullptr (Component freed) when it is of
// another class, for readers that refuse a stream holding the wrong class in their own words.
template <class T>
std::unique_ptr<T> TakeAs(std::unique_ptr<TComponent> Component) {
    if (!qobject_cast<T*>(Component.get()))
        return nullptr;
    return std::unique_ptr<T>(static_cast<T*>(Component.release()));
}
// The header alone: WriteResourceHeader answers the position FixupResourceHeader needs to
// fill in the size once the data is written; ReadResourceHeader checks and skips a header.
int64_t WriteResourceHeader(TStream& Stream, const QString& ResName);
void FixupResourceHeader(TStream& Stream, int64_t FixupInfo);
void ReadResourceHeader(TStream& Stream);
