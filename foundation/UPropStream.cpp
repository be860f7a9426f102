#include "UPropStream.h"

#include "UCodePage.h"
#include "UCollection.h"
#include "UExtended.h"
#include "UGuard.h"

#include <QMetaProperty>
#include <QPointer>
#include <QVariant>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const QString SInvalidImage = QStringLiteral("不正なストリーム フォーマット");
const QByteArray Signature("TPF0");

QString Decode(const QByteArray& Bytes) {
    return FromCP932(Bytes);
}

bool SameText(QByteArrayView A, QByteArrayView B) {
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

// Runs Body; failures other than stream errors become read errors with their message, so
// that callers handle one family of exceptions.
template <class F>
void AsReadError(F&& Body) {
    try {
        Body();
    } catch (const EStreamError&) {
        throw;
    } catch (const Exception& e) {
        throw EReadError(e.Message);
    }
}

} // namespace

// Counts nesting for the life of a scope; refuses to go beyond MaxStreamDepth.
struct TWriterDepth {
    explicit TWriterDepth(TWriter& W) : Writer(W) { Writer.Enter(); }
    ~TWriterDepth() { --Writer.FDepth; }
    TWriter& Writer;
};

struct TReaderDepth {
    explicit TReaderDepth(TReader& R) : Reader(R) { Reader.Enter(); }
    ~TReaderDepth() { --Reader.FDepth; }
    TReader& Reader;
};

// ---------------------------------------------------------------------------------------
// Writer

void TWriter::Enter() {
    if (FDepth >= MaxStreamDepth)
        throw EWriteError(QStringLiteral("オブジェクトの入れ子が深すぎます"));
    ++FDepth;
}

void TWriter::WriteSignature() {
    FStream.WriteBytes(Signature);
}

void TWriter::WriteRootComponent(TComponent& Root) {
    FRoot = &Root;
    WriteSignature();
    WriteComponent(Root);
}

void TWriter::WriteComponent(TComponent& Component) {
    TWriterDepth depth(*this);
    if (!FRoot)
        FRoot = &Component;
    const bool wasWriting = Component.ComponentState().testFlag(csWriting);
    Component.IncludeState(csWriting);
    const TGuard restore =
        wasWriting ? TGuard() : TGuard([&Component] { Component.ExcludeState(csWriting); });

    WriteStr(Component.metaObject()->className());
    WriteStr(ToCP932(Component.Name()));
    const QByteArray savedPath = std::exchange(FPropPath, QByteArray());
    WriteProperties(Component);
    FPropPath = savedPath;
    WriteListEnd();
    Component.GetChildren([this](TComponent* Child) { WriteComponent(*Child); }, FRoot);
    WriteListEnd();
}

void TWriter::WriteProperties(TPersistent& Instance) {
    for (const TPropInfo& p : GetPropList(*Instance.metaObject()).Props())
        if (p.IsStored(Instance))
            WriteProperty(Instance, p);
    Instance.DefineProperties(*this);
}

void TWriter::WriteNested(TPersistent& Instance, QByteArrayView Name) {
    TWriterDepth depth(*this);
    const QByteArray saved = FPropPath;
    FPropPath += Name.toByteArray() + '.';
    WriteProperties(Instance);
    FPropPath = saved;
}

void TWriter::WriteProperty(TPersistent& Instance, const TPropInfo& Prop) {
    switch (Prop.Kind()) {
    case pkPersistent:
        if (auto* nested = qobject_cast<TPersistent*>(Prop.GetObject(Instance)))
            WriteNested(*nested, Prop.Name());
        return;
    case pkCollection:
        if (auto* coll = qobject_cast<TCollection*>(Prop.GetObject(Instance))) {
            WriteNested(*coll, Prop.Name());
            WritePropName(Prop.Name());
            WriteCollection(*coll);
        }
        return;
    case pkComponent:
        if (auto* ref = qobject_cast<TComponent*>(Prop.GetObject(Instance))) {
            const QByteArray name = ReferenceName(*ref);
            if (!name.isEmpty()) {
                WritePropName(Prop.Name());
                WriteIdent(name);
            }
        }
        return;
    case pkStrings: {
        const TStringList lines = Prop.GetStrings(Instance);
        if (lines.Count() == 0)
            return;
        WritePropName(QByteArray(Prop.Name()) + ".Strings");
        WriteListBegin();
        for (const QString& line : lines)
            WriteString(line);
        WriteListEnd();
        return;
    }
    default:
        break;
    }
    if (Prop.IsDefault(Instance))
        return;
    if (Prop.IsOrdinal()) {
        WriteOrdinal(Instance, Prop);
        return;
    }
    WritePropName(Prop.Name());
    switch (Prop.Kind()) {
    case pkFloat:
        WriteFloat(Prop.GetFloat(Instance));
        break;
    case pkSingle:
        WriteSingle(static_cast<float>(Prop.GetFloat(Instance)));
        break;
    case pkDate:
        WriteDate(Prop.GetFloat(Instance));
        break;
    case pkCurrency:
        WriteCurrency(Prop.GetCurrency(Instance));
        break;
    case pkString:
        WriteString(Prop.GetStr(Instance));
        break;
    default:
        break;
    }
}

void TWriter::WriteOrdinal(const TPersistent& Instance, const TPropInfo& Prop) {
    const int64_t v = Prop.GetOrd(Instance);
    if (Prop.Kind() == pkEnumeration && Prop.AllowsUnnamed() && Prop.EnumName(v).isEmpty()) {
        WritePropName(Prop.Name());
        WriteInteger(v);
        return;
    }
    if (!Prop.IsValidOrd(v))
        throw EWriteError(QStringLiteral("プロパティ %1 の値 %2 は書き込めません")
                              .arg(QString::fromLatin1(Prop.Name()))
                              .arg(v));
    WritePropName(Prop.Name());
    switch (Prop.Kind()) {
    case pkBoolean:
        WriteBoolean(v != 0);
        break;
    case pkEnumeration:
        WriteIdent(Prop.EnumName(v));
        break;
    case pkSet:
        WriteValue(vaSet);
        for (const QByteArray& name : Prop.SetNames(v))
            WriteStr(name);
        WriteStr({});
        break;
    default:
        if (QByteArray ident; IntToIdent(v, Prop.IdentFamily(), ident))
            WriteIdent(ident);
        else
            WriteInteger(v);
    }
}

QByteArray TWriter::ReferenceName(const TComponent& Component) const {
    if (&Component == FRoot)
        return "Owner";
    const QByteArray name = Component.Name().toLatin1();
    if (name.isEmpty())
        return {};
    for (const TComponent* o = Component.Owner(); o; o = o->Owner())
        if (o == FRoot)
            return name;
    const TComponent* owner = Component.Owner();
    if (owner && !owner->Name().isEmpty())
        return owner->Name().toLatin1() + '.' + name;
    return name;
}

void TWriter::WritePropName(QByteArrayView Name) {
    WriteStr(FPropPath + Name.toByteArray());
}

void TWriter::WriteValue(TValueType Value) {
    FStream.WriteValue<uint8_t>(Value);
}

void TWriter::WriteStr(QByteArrayView Bytes) {
    if (Bytes.size() > 255)
        throw EWriteError(QStringLiteral("名前が長すぎます: %1").arg(Decode(Bytes.toByteArray())));
    FStream.WriteValue<uint8_t>(static_cast<uint8_t>(Bytes.size()));
    FStream.WriteBuffer(Bytes.data(), Bytes.size());
}

void TWriter::WriteInteger(int64_t Value) {
    if (Value >= INT8_MIN && Value <= INT8_MAX) {
        WriteValue(vaInt8);
        FStream.WriteValue<int8_t>(static_cast<int8_t>(Value));
    } else if (Value >= INT16_MIN && Value <= INT16_MAX) {
        WriteValue(vaInt16);
        FStream.WriteValue<int16_t>(static_cast<int16_t>(Value));
    } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
        WriteValue(vaInt32);
        FStream.WriteValue<int32_t>(static_cast<int32_t>(Value));
    } else {
        WriteValue(vaInt64);
        FStream.WriteValue<int64_t>(Value);
    }
}

void TWriter::WriteBoolean(bool Value) {
    WriteValue(Value ? vaTrue : vaFalse);
}

void TWriter::WriteString(const QString& Value) {
    const TCP932Result enc = EncodeCP932(Value);
    if (enc.Ok() && enc.Bytes.size() <= 255) {
        WriteValue(vaString);
        WriteStr(enc.Bytes);
    } else if (enc.Ok()) {
        WriteValue(vaLString);
        FStream.WriteValue<int32_t>(static_cast<int32_t>(enc.Bytes.size()));
        FStream.WriteBytes(enc.Bytes);
    } else {
        // Text the code page cannot hold is kept whole as UTF-16.
        WriteValue(vaWString);
        FStream.WriteValue<int32_t>(static_cast<int32_t>(Value.size()));
        for (const QChar c : Value)
            FStream.WriteValue<uint16_t>(c.unicode());
    }
}

void TWriter::WriteIdent(QByteArrayView Ident) {
    WriteValue(vaIdent);
    WriteStr(Ident);
}

void TWriter::WriteFloat(double Value) {
    WriteValue(vaExtended);
    const TExtendedBytes b = DoubleToExtended(Value);
    FStream.WriteBuffer(b.data(), b.size());
}

void TWriter::WriteSingle(float Value) {
    WriteValue(vaSingle);
    FStream.WriteValue<float>(Value);
}

void TWriter::WriteCurrency(TCurrency Value) {
    WriteValue(vaCurrency);
    FStream.WriteValue<int64_t>(Value.Scaled);
}

void TWriter::WriteDate(TDateTime Value) {
    WriteValue(vaDate);
    FStream.WriteValue<double>(Value.Value);
}

void TWriter::WriteCollection(TCollection& Collection) {
    TWriterDepth depth(*this);
    WriteValue(vaCollection);
    const QByteArray saved = std::exchange(FPropPath, QByteArray());
    for (int i = 0; i < Collection.Count(); ++i) {
        WriteListBegin();
        WriteProperties(*Collection.Items(i));
        WriteListEnd();
    }
    FPropPath = saved;
    WriteListEnd();
}

void TWriter::DefineProperty(const char* Name, const TReaderProc&, const TWriterProc& WriteData,
                             bool HasData) {
    if (!HasData || !WriteData)
        return;
    WritePropName(Name);
    WriteData(*this);
}

void TWriter::DefineBinaryProperty(const char* Name, const TStreamProc&,
                                   const TStreamProc& WriteData, bool HasData) {
    if (!HasData || !WriteData)
        return;
    TMemoryStream data;
    WriteData(data);
    if (data.GetSize() > INT32_MAX)
        throw EWriteError(QStringLiteral("プロパティ %1 のデータが大きすぎます").arg(Name));
    WritePropName(Name);
    WriteValue(vaBinary);
    FStream.WriteValue<int32_t>(static_cast<int32_t>(data.GetSize()));
    FStream.WriteBytes(data.Bytes());
}

// ---------------------------------------------------------------------------------------
// Reader

TReader::TReader(TStream& Stream)
    : FStream(Stream), FPosition(Stream.GetPosition()), FEnd(Stream.GetSize()) {}

void TReader::FormatError() const {
    throw EReadError(SInvalidImage);
}

void TReader::ValueError() const {
    throw EReadError(QStringLiteral("プロパティ %1 の値が不正です").arg(Decode(FPropName)));
}

void TReader::Enter() {
    if (FDepth >= MaxStreamDepth)
        FormatError();
    ++FDepth;
}

void TReader::Read(void* Buffer, int64_t Count) {
    if (Count < 0 || Count > FEnd - FPosition)
        FormatError();
    FStream.ReadBuffer(Buffer, Count);
    FPosition += Count;
}

uint8_t TReader::ReadByte() {
    uint8_t b;
    Read(&b, 1);
    return b;
}

// A 32-bit count of units of UnitSize bytes that must fit in what is left.
int64_t TReader::ReadLength(int64_t UnitSize) {
    int32_t n;
    Read(&n, 4);
    if (n < 0 || int64_t(n) * UnitSize > FEnd - FPosition)
        FormatError();
    return n;
}

TValueType TReader::ReadValue() {
    const uint8_t b = ReadByte();
    if (b > vaUTF8String)
        FormatError();
    return static_cast<TValueType>(b);
}

// The next byte, not consumed. Not checked: it may also be a name's length byte.
uint8_t TReader::PeekByte() {
    const uint8_t b = ReadByte();
    FStream.Seek(-1, soCurrent);
    --FPosition;
    return b;
}

TValueType TReader::NextValue() {
    return static_cast<TValueType>(PeekByte());
}

void TReader::ReadListBegin() {
    if (ReadValue() != vaList)
        ValueError();
}

void TReader::ReadListEnd() {
    if (ReadValue() != vaNull)
        ValueError();
}

QByteArray TReader::ReadStr() {
    const uint8_t n = ReadByte();
    QByteArray s(n, Qt::Uninitialized);
    Read(s.data(), n);
    return s;
}

int64_t TReader::ReadInt64() {
    switch (ReadValue()) {
    case vaInt8: {
        int8_t v;
        Read(&v, 1);
        return v;
    }
    case vaInt16: {
        int16_t v;
        Read(&v, 2);
        return v;
    }
    case vaInt32: {
        int32_t v;
        Read(&v, 4);
        return v;
    }
    case vaInt64: {
        int64_t v;
        Read(&v, 8);
        return v;
    }
    default:
        ValueError();
    }
}

int32_t TReader::ReadInteger() {
    const int64_t v = ReadInt64();
    if (v < INT32_MIN || v > INT32_MAX)
        ValueError();
    return static_cast<int32_t>(v);
}

bool TReader::ReadBoolean() {
    switch (ReadValue()) {
    case vaFalse:
        return false;
    case vaTrue:
        return true;
    default:
        ValueError();
    }
}

QString TReader::ReadString() {
    switch (ReadValue()) {
    case vaString:
        return Decode(ReadStr());
    case vaLString: {
        QByteArray s(ReadLength(1), Qt::Uninitialized);
        Read(s.data(), s.size());
        return Decode(s);
    }
    case vaUTF8String: {
        QByteArray s(ReadLength(1), Qt::Uninitialized);
        Read(s.data(), s.size());
        return QString::fromUtf8(s);
    }
    case vaWString: {
        const int64_t n = ReadLength(2);
        QString s(n, Qt::Uninitialized);
        for (QChar& c : s) {
            uint16_t u;
            Read(&u, 2);
            c = QChar(u);
        }
        return s;
    }
    default:
        ValueError();
    }
}

QByteArray TReader::ReadIdent() {
    switch (ReadValue()) {
    case vaIdent:
        return ReadStr();
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    case vaNil:
        return "nil";
    case vaNull:
        return "Null";
    default:
        ValueError();
    }
}

double TReader::ReadFloat() {
    switch (NextValue()) {
    case vaExtended: {
        ReadValue();
        TExtendedBytes b;
        Read(b.data(), b.size());
        return ExtendedToDouble(b);
    }
    case vaSingle: {
        ReadValue();
        float v;
        Read(&v, 4);
        return v;
    }
    case vaDate: {
        ReadValue();
        double v;
        Read(&v, 8);
        return v;
    }
    case vaCurrency:
        return ReadCurrency().ToDouble();
    default:
        return static_cast<double>(ReadInt64());
    }
}

TCurrency TReader::ReadCurrency() {
    switch (NextValue()) {
    case vaCurrency: {
        ReadValue();
        int64_t v;
        Read(&v, 8);
        return TCurrency{v};
    }
    case vaExtended:
    case vaSingle:
    case vaDate: {
        const double v = ReadFloat();
        if (!(std::fabs(v) < 9.2e14)) // the range of a currency, NaN excluded
            ValueError();
        return TCurrency::FromDouble(v);
    }
    default: {
        const int64_t v = ReadInt64();
        if (v > INT64_MAX / 10000 || v < INT64_MIN / 10000)
            ValueError();
        return TCurrency{v * 10000};
    }
    }
}

void TReader::SkipValue() {
    TReaderDepth depth(*this);
    const TValueType tag = ReadValue();
    switch (tag) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
        break;
    case vaList:
        while (!EndOfList())
            SkipValue();
        ReadListEnd();
        break;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaExtended:
    case vaSingle:
    case vaCurrency:
    case vaDate:
    case vaInt64: {
        static constexpr int sizes[] = {0, 0, 1, 2, 4, 10, 0, 0, 0, 0,
                                        0, 0, 0, 0, 0, 4,  8, 8, 0, 8};
        char buf[10];
        Read(buf, sizes[tag]);
        break;
    }
    case vaString:
    case vaIdent:
        ReadStr();
        break;
    case vaBinary:
    case vaLString:
    case vaUTF8String:
    case vaWString: {
        const int64_t n = ReadLength(tag == vaWString ? 2 : 1) * (tag == vaWString ? 2 : 1);
        FStream.Seek(n, soCurrent);
        FPosition += n;
        break;
    }
    case vaSet:
        while (!ReadStr().isEmpty()) {
        }
        break;
    case vaCollection:
        while (!EndOfList()) {
            const TValueType v = NextValue();
            if (v == vaInt8 || v == vaInt16 || v == vaInt32)
                ReadInteger();
            ReadListBegin();
            while (!EndOfList()) {
                ReadStr();
                SkipValue();
            }
            ReadListEnd();
        }
        ReadListEnd();
        break;
    }
}

void TReader::SkipComponent() {
    TReaderDepth depth(*this);
    ReadPrefix();
    ReadStr(); // class name
    ReadStr(); // object name
    while (!EndOfList()) {
        ReadStr();
        SkipValue();
    }
    ReadListEnd();
    while (!EndOfList())
        SkipComponent();
    ReadListEnd();
}

void TReader::ReadSignature() {
    char sig[4];
    Read(sig, 4);
    if (QByteArrayView(sig, 4) != Signature)
        FormatError();
}

uint8_t TReader::ReadPrefix() {
    if ((PeekByte() & 0xF0) != 0xF0)
        return 0;
    const uint8_t flags = ReadByte() & 0x0F;
    if (flags & ffChildPos) {
        const TValueType v = NextValue();
        if (v != vaInt8 && v != vaInt16 && v != vaInt32)
            FormatError();
        ReadInteger(); // the position among an ancestor's children: nothing to reorder here
    }
    return flags;
}

std::unique_ptr<TComponent> TReader::CreateComponent(const QString& ClassName) {
    std::unique_ptr<TPersistent> created = CreatePersistent(FindClass(ClassName));
    auto* component = qobject_cast<TComponent*>(created.get());
    if (!component)
        FormatError();
    created.release();
    return std::unique_ptr<TComponent>(component);
}

std::unique_ptr<TComponent> TReader::ReadRootComponent() {
    std::unique_ptr<TComponent> root;
    AsReadError([&] { ReadRoot(nullptr, &root); });
    return root;
}

void TReader::ReadRootComponent(TComponent& Root) {
    AsReadError([&] { ReadRoot(&Root, nullptr); });
}

void TReader::ReadRoot(TComponent* Existing, std::unique_ptr<TComponent>* Created) {
    FRoot = nullptr;
    FLoaded.clear();
    FAttached.clear();
    FFixups.clear();
    std::unique_ptr<TComponent> owned;
    try {
        ReadSignature();
        ReadPrefix();
        const QString className = Decode(ReadStr());
        const QString name = Decode(ReadStr());
        if (Existing) {
            FRoot = Existing;
        } else {
            owned = CreateComponent(className);
            FRoot = owned.get();
        }
        FRoot->IncludeState(csLoading);
        FLoaded.push_back(FRoot);
        FRoot->SetName(name);
        ReadData(*FRoot, !Existing);
        ResolveFixups();
        Finish();
    } catch (...) {
        // FRoot is still unset when the stream fails before the root's name: nothing to undo.
        if (Existing && FRoot)
            Rollback();
        FLoaded.clear();
        FAttached.clear();
        FFixups.clear();
        FRoot = nullptr;
        throw;
    }
    if (Created)
        *Created = std::move(owned);
}

void TReader::Finish() {
    // A component's Loaded may free others read with it (a surface frees the controls among
    // its children that are no drawing objects as its handles): Loaded goes only to the
    // components still alive.
    std::vector<QPointer<TComponent>> loaded;
    loaded.reserve(FLoaded.size());
    for (TComponent* c : std::exchange(FLoaded, {}))
        loaded.emplace_back(c);
    for (const QPointer<TComponent>& c : loaded)
        if (c)
            c->Loaded();
    FAttached.clear();
}

// Undoes what a failed read into an existing root left: the components it created and
// attached, and the loading state of the components it read into.
void TReader::Rollback() {
    for (auto it = FAttached.rbegin(); it != FAttached.rend(); ++it)
        delete *it;
    FAttached.clear();
    FLoaded.clear();
    FFixups.clear();
    std::vector<TComponent*> pending{FRoot};
    while (!pending.empty()) {
        TComponent* c = pending.back();
        pending.pop_back();
        c->ExcludeState(csLoading);
        c->ExcludeState(csReading);
        for (int i = 0; i < c->ComponentCount(); ++i)
            pending.push_back(c->Components(i));
    }
}

void TReader::ReadData(TComponent& Instance, bool IsNew) {
    TReaderDepth depth(*this);
    Instance.IncludeState(csReading);
    while (!EndOfList())
        ReadProperty(Instance);
    ReadListEnd();
    Instance.ExcludeState(csReading);
    while (!EndOfList())
        ReadChild(Instance, IsNew);
    ReadListEnd();
}

void TReader::ReadChild(TComponent& Parent, bool ParentIsNew) {
    const uint8_t flags = ReadPrefix();
    const QString className = Decode(ReadStr());
    const QString name = Decode(ReadStr());
    if (flags & ffInherited) {
        // Only differences follow: read into the component the parent already has.
        TComponent* existing = Parent.FindComponent(name);
        if (!existing)
            FormatError();
        if (!existing->ComponentState().testFlag(csLoading)) {
            existing->IncludeState(csLoading);
            FLoaded.push_back(existing);
        }
        ReadData(*existing, false);
        return;
    }
    std::unique_ptr<TComponent> child = CreateComponent(className);
    child->IncludeState(csLoading);
    child->SetName(name);
    child->SetParentComponent(&Parent);
    FLoaded.push_back(child.get());
    ReadData(*child, true);
    Parent.InsertComponent(child.get());
    TComponent* inserted = child.release();
    if (!ParentIsNew)
        FAttached.push_back(inserted);
}

void TReader::ReadProperty(TPersistent& Instance) {
    FPropName = ReadStr();
    const QList<QByteArray> path = FPropName.split('.');
    TPersistent* target = &Instance;
    for (qsizetype i = 0; i + 1 < path.size(); ++i) {
        const TPropList& list = GetPropList(*target->metaObject());
        const TPropInfo* p = list.Find(path[i]);
        if (!p && list.IsIgnored(path[i])) {
            SkipValue();
            return;
        }
        if (p && p->Kind() == pkStrings && i + 2 == path.size() &&
            SameText(path.back(), "Strings")) {
            ReadStrings(*target, *p);
            return;
        }
        if (!p || (p->Kind() != pkPersistent && p->Kind() != pkCollection))
            throw EReadError(QStringLiteral("プロパティ %1 は存在しません").arg(Decode(FPropName)));
        target = qobject_cast<TPersistent*>(p->GetObject(*target));
        if (!target)
            ValueError();
    }
    const QByteArray& last = path.back();
    const TPropList& list = GetPropList(*target->metaObject());
    if (const TPropInfo* p = list.Find(last)) {
        ReadPropValue(*target, *p);
        return;
    }
    FCustomName = last;
    FCustomDone = false;
    target->DefineProperties(*this);
    const bool done = FCustomDone;
    FCustomName.clear();
    FCustomDone = false;
    if (done)
        return;
    if (list.IsIgnored(last)) {
        SkipValue();
        return;
    }
    throw EReadError(QStringLiteral("プロパティ %1 は存在しません").arg(Decode(FPropName)));
}

void TReader::ReadPropValue(TPersistent& Instance, const TPropInfo& Prop) {
    switch (Prop.Kind()) {
    case pkInteger:
    case pkInt64:
    case pkBoolean:
    case pkEnumeration:
        ReadOrdinal(Instance, Prop);
        break;
    case pkSet:
        ReadSet(Instance, Prop);
        break;
    case pkFloat:
    case pkSingle:
    case pkDate:
        Prop.SetFloat(Instance, ReadFloat());
        break;
    case pkCurrency:
        Prop.SetCurrency(Instance, ReadCurrency());
        break;
    case pkString:
        Prop.SetStr(Instance, ReadString());
        break;
    case pkCollection: {
        auto* coll = qobject_cast<TCollection*>(Prop.GetObject(Instance));
        if (!coll || NextValue() != vaCollection)
            ValueError();
        ReadCollection(*coll);
        break;
    }
    case pkPersistent:
        if (ReadValue() != vaNil)
            ValueError();
        Prop.SetObject(Instance, nullptr);
        break;
    case pkComponent:
        if (NextValue() == vaNil) {
            ReadValue();
            Prop.SetObject(Instance, nullptr);
        } else {
            if (NextValue() != vaIdent)
                ValueError();
            FFixups.push_back({&Instance, &Prop, ReadIdent()});
        }
        break;
    case pkStrings:
        ValueError();
    }
}

void TReader::ReadOrdinal(TPersistent& Instance, const TPropInfo& Prop) {
    const TValueType tag = NextValue();
    int64_t v = 0;
    switch (Prop.Kind()) {
    case pkInteger:
    case pkInt64:
        if (tag == vaIdent) {
            if (!IdentToInt(ReadIdent(), v))
                ValueError();
        } else {
            v = ReadInt64();
        }
        break;
    case pkBoolean: {
        const QByteArray ident = ReadIdent();
        if (SameText(ident, "True"))
            v = 1;
        else if (!SameText(ident, "False"))
            ValueError();
        break;
    }
    default: {
        if (tag == vaInt8 || tag == vaInt16 || tag == vaInt32) {
            if (!Prop.AllowsUnnamed())
                ValueError();
            v = ReadInteger();
            break;
        }
        const auto e = Prop.EnumValue(ReadIdent());
        if (!e)
            ValueError();
        v = *e;
    }
    }
    if (!Prop.IsValidOrd(v))
        ValueError();
    Prop.SetOrd(Instance, v);
}

void TReader::ReadSet(TPersistent& Instance, const TPropInfo& Prop) {
    if (ReadValue() != vaSet)
        ValueError();
    int64_t bits = 0;
    for (QByteArray name = ReadStr(); !name.isEmpty(); name = ReadStr()) {
        const auto bit = Prop.EnumValue(name);
        if (!bit)
            ValueError();
        bits |= *bit;
    }
    Prop.SetOrd(Instance, bits);
}

void TReader::ReadStrings(TPersistent& Instance, const TPropInfo& Prop) {
    TReaderDepth depth(*this);
    ReadListBegin();
    TStringList lines;
    while (!EndOfList())
        lines.Add(ReadString());
    ReadListEnd();
    Prop.SetStrings(Instance, lines);
}

void TReader::ReadCollection(TCollection& Collection) {
    TReaderDepth depth(*this);
    if (ReadValue() != vaCollection)
        ValueError();
    const QByteArray propName = FPropName;
    // Items join the collection only once all of them are read.
    std::vector<std::unique_ptr<TCollectionItem>> items;
    while (!EndOfList()) {
        const TValueType v = NextValue();
        if (v == vaInt8 || v == vaInt16 || v == vaInt32)
            ReadInteger(); // the item's order: items are kept in stream order
        ReadListBegin();
        std::unique_ptr<TPersistent> created = CreatePersistent(Collection.ItemClass());
        std::unique_ptr<TCollectionItem> item(qobject_cast<TCollectionItem*>(created.get()));
        if (!item)
            FormatError();
        created.release();
        while (!EndOfList())
            ReadProperty(*item);
        ReadListEnd();
        items.push_back(std::move(item));
        FPropName = propName;
    }
    ReadListEnd();
    Collection.BeginUpdate();
    Collection.Clear();
    for (auto& item : items)
        Collection.AddItem(std::move(item));
    Collection.EndUpdate();
}

void TReader::DefineProperty(const char* Name, const TReaderProc& ReadData, const TWriterProc&,
                             bool) {
    if (FCustomDone || !ReadData || !SameText(FCustomName, Name))
        return;
    FCustomDone = true;
    ReadData(*this);
}

void TReader::DefineBinaryProperty(const char* Name, const TStreamProc& ReadData,
                                   const TStreamProc&, bool) {
    if (FCustomDone || !ReadData || !SameText(FCustomName, Name))
        return;
    FCustomDone = true;
    if (ReadValue() != vaBinary)
        ValueError();
    QByteArray bytes(ReadLength(1), Qt::Uninitialized);
    Read(bytes.data(), bytes.size());
    TMemoryStream data(std::move(bytes));
    ReadData(data);
}

TComponent* TReader::FindReferenced(const QByteArray& Name) const {
    if (SameText(Name, "Owner"))
        return FRoot;
    const qsizetype dot = Name.indexOf('.');
    const QString first = Decode(dot < 0 ? Name : Name.left(dot));
    // Depth first through the tree read, root included.
    TComponent* found = nullptr;
    std::vector<TComponent*> pending{FRoot};
    while (!pending.empty() && !found) {
        TComponent* c = pending.back();
        pending.pop_back();
        if (c->Name().compare(first, Qt::CaseInsensitive) == 0)
            found = c;
        for (int i = c->ComponentCount() - 1; i >= 0; --i)
            pending.push_back(c->Components(i));
    }
    if (found && dot >= 0)
        found = found->FindComponent(Decode(Name.mid(dot + 1)));
    return found;
}

void TReader::ResolveFixups() {
    for (const TFixup& f : FFixups) {
        FPropName = f.Name;
        // A name that is not in the tree (another root) leaves the property as it is.
        if (TComponent* target = FindReferenced(f.Name))
            f.Prop->SetObject(*f.Instance, target);
    }
    FFixups.clear();
}

// ---------------------------------------------------------------------------------------
// Whole streams

void WriteComponent(TStream& Stream, TComponent& Instance) {
    TWriter(Stream).WriteRootComponent(Instance);
}

std::unique_ptr<TComponent> ReadComponent(TStream& Stream) {
    return TReader(Stream).ReadRootComponent();
}

void ReadComponent(TStream& Stream, TComponent& Instance) {
    TReader(Stream).ReadRootComponent(Instance);
}

int64_t WriteResourceHeader(TStream& Stream, const QString& ResName) {
    QByteArray name;
    for (const QChar c : ResName) {
        const QChar upper = (c >= u'a' && c <= u'z') ? QChar(c.unicode() - 32) : c;
        const QByteArray bytes = EncodeCP932(QString(upper)).Bytes;
        if (name.size() + bytes.size() > 63)
            break;
        name += bytes;
    }
    QByteArray header;
    header.append(char(0xFF));
    header.append(char(10)).append(char(0));
    header.append(name).append(char(0));
    header.append(char(0x30)).append(char(0x10));
    header.append(4, char(0));
    Stream.WriteBytes(header);
    return Stream.GetPosition();
}

void FixupResourceHeader(TStream& Stream, int64_t FixupInfo) {
    const int64_t end = Stream.GetPosition();
    const int64_t size = end - FixupInfo;
    if (size > INT32_MAX)
        throw EWriteError(QStringLiteral("リソースが大きすぎます"));
    Stream.SetPosition(FixupInfo - 4);
    Stream.WriteValue<int32_t>(static_cast<int32_t>(size));
    Stream.SetPosition(end);
}

void ReadResourceHeader(TStream& Stream) {
    const auto fail = [] { throw EReadError(SInvalidImage); };
    if (Stream.Remaining() < 3)
        fail();
    if (Stream.ReadValue<uint8_t>() != 0xFF || Stream.ReadValue<uint16_t>() != 10)
        fail();
    // The name: up to 255 bytes and its zero byte.
    for (int i = 0;; ++i) {
        if (i > 255 || Stream.Remaining() < 1)
            fail();
        if (Stream.ReadValue<uint8_t>() == 0)
            break;
    }
    if (Stream.Remaining() < 6)
        fail();
    Stream.Seek(6, soCurrent);
}

void WriteComponentRes(TStream& Stream, const QString& ResName, TComponent& Instance) {
    const int64_t fixup = WriteResourceHeader(Stream, ResName);
    WriteComponent(Stream, Instance);
    FixupResourceHeader(Stream, fixup);
}

std::unique_ptr<TComponent> ReadComponentRes(TStream& Stream) {
    ReadResourceHeader(Stream);
    return ReadComponent(Stream);
}

void ReadComponentRes(TStream& Stream, TComponent& Instance) {
    ReadResourceHeader(Stream);
    ReadComponent(Stream, Instance);
}
