#include "UClasses.h"

#include "UCollection.h"
#include "UColor.h"
#include "UComponent.h"

#include <QMetaMethod>
#include <QVariant>
#include <bit>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <unordered_map>

static_assert(std::endian::native == std::endian::little,
              "ordinal property values are copied as little-endian bytes");

namespace {

struct TClassEntry {
    const QMetaObject* Class;
    TPersistentFactory Create;
};

// The one registry of the program: classes by lower-case name and the property lists
// built so far. Guarded by one mutex; entries are never removed, so references handed
// out stay valid.
struct TRegistry {
    std::mutex Lock;
    std::map<QByteArray, TClassEntry> Classes;
    std::unordered_map<const QMetaObject*, std::unique_ptr<TPropList>> PropLists;

    static TRegistry& Instance() {
        static TRegistry registry;
        return registry;
    }
};

QByteArray Key(const QByteArray& Name) {
    return Name.toLower();
}

struct TIdent {
    const char* Name;
    int64_t Value;
};

// Names the class library writes for colour, charset and cursor values.
constexpr TIdent Idents[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", clNone},
    {"clDefault", clDefault},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clHotLight", static_cast<TColor>(0xFF00001Au)},
    {"clGradientActiveCaption", static_cast<TColor>(0xFF00001Bu)},
    {"clGradientInactiveCaption", static_cast<TColor>(0xFF00001Cu)},
    {"clMenuHighlight", static_cast<TColor>(0xFF00001Du)},
    {"clMenuBar", static_cast<TColor>(0xFF00001Eu)},
    {"ANSI_CHARSET", 0},
    {"DEFAULT_CHARSET", 1},
    {"SYMBOL_CHARSET", 2},
    {"MAC_CHARSET", 77},
    {"SHIFTJIS_CHARSET", 128},
    {"HANGEUL_CHARSET", 129},
    {"JOHAB_CHARSET", 130},
    {"GB2312_CHARSET", 134},
    {"CHINESEBIG5_CHARSET", 136},
    {"GREEK_CHARSET", 161},
    {"TURKISH_CHARSET", 162},
    {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},
    {"ARABIC_CHARSET", 178},
    {"BALTIC_CHARSET", 186},
    {"RUSSIAN_CHARSET", 204},
    {"THAI_CHARSET", 222},
    {"EASTEUROPE_CHARSET", 238},
    {"OEM_CHARSET", 255},
    {"crDefault", 0},
    {"crNone", -1},
    {"crArrow", -2},
    {"crCross", -3},
    {"crIBeam", -4},
    {"crSize", -22},
    {"crSizeNESW", -6},
    {"crSizeNS", -7},
    {"crSizeNWSE", -8},
    {"crSizeWE", -9},
    {"crUpArrow", -10},
    {"crHourGlass", -11},
    {"crDrag", -12},
    {"crNoDrop", -13},
    {"crHSplit", -14},
    {"crVSplit", -15},
    {"crMultiDrag", -16},
    {"crSQLWait", -17},
    {"crNo", -18},
    {"crAppStart", -19},
    {"crHelp", -20},
    {"crHandPoint", -21},
    {"crSizeAll", -22},
};

bool SameText(QByteArrayView A, QByteArrayView B) {
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

// The last "::" component of a C++ type name, inside "QFlags<...>" when present.
QByteArray EnumTypeName(QByteArray Name, bool& IsFlags) {
    IsFlags = Name.startsWith("QFlags<") && Name.endsWith('>');
    if (IsFlags)
        Name = Name.mid(7, Name.size() - 8);
    const qsizetype colon = Name.lastIndexOf("::");
    return colon >= 0 ? Name.mid(colon + 2) : Name;
}

bool IsSingleBit(int64_t V) {
    return V > 0 && (V & (V - 1)) == 0;
}

} // namespace

void RegisterClass(const QMetaObject& Class, TPersistentFactory Create) {
    TRegistry& r = TRegistry::Instance();
    const QByteArray name(Class.className());
    std::lock_guard lock(r.Lock);
    auto it = r.Classes.find(Key(name));
    if (it != r.Classes.end()) {
        if (it->second.Class != &Class)
            throw EFilerError(
                QStringLiteral("クラス %1 は既に登録されています").arg(QString::fromLatin1(name)));
        return;
    }
    r.Classes.emplace(Key(name), TClassEntry{&Class, Create});
}

const QMetaObject* GetClass(const QString& ClassName) {
    TRegistry& r = TRegistry::Instance();
    std::lock_guard lock(r.Lock);
    auto it = r.Classes.find(Key(ClassName.toLatin1()));
    return it == r.Classes.end() ? nullptr : it->second.Class;
}

const QMetaObject& FindClass(const QString& ClassName) {
    if (const QMetaObject* c = GetClass(ClassName))
        return *c;
    throw EClassNotFound(QStringLiteral("クラス %1 が見つかりません").arg(ClassName));
}

std::unique_ptr<TPersistent> CreatePersistent(const QMetaObject& Class) {
    TPersistentFactory create = nullptr;
    {
        TRegistry& r = TRegistry::Instance();
        std::lock_guard lock(r.Lock);
        auto it = r.Classes.find(Key(QByteArray(Class.className())));
        if (it != r.Classes.end() && it->second.Class == &Class)
            create = it->second.Create;
    }
    if (!create)
        throw EClassNotFound(QStringLiteral("クラス %1 が見つかりません")
                                 .arg(QString::fromLatin1(Class.className())));
    return create();
}

bool IdentToInt(QByteArrayView Ident, int64_t& Value) {
    for (const TIdent& i : Idents)
        if (SameText(Ident, i.Name)) {
            Value = i.Value;
            return true;
        }
    return false;
}

bool IntToIdent(int64_t Value, QByteArrayView Family, QByteArray& Ident) {
    if (Family.isEmpty())
        return false;
    for (const TIdent& i : Idents) {
        const QByteArrayView name(i.Name);
        if (i.Value == Value && (name.startsWith(Family) || name.endsWith(Family))) {
            Ident = QByteArray(i.Name);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------

TPropInfo::TPropInfo(const QMetaObject& Class, const QMetaProperty& Property)
    : FProperty(Property), FClassName(Class.className()) {
    const QMetaType mt = Property.metaType();
    switch (mt.id()) {
    case QMetaType::Bool:
        FKind = pkBoolean, FMin = 0, FMax = 1;
        break;
    case QMetaType::Int:
        FKind = pkInteger, FMin = INT32_MIN, FMax = INT32_MAX;
        break;
    case QMetaType::UInt:
        FKind = pkInteger, FMin = 0, FMax = UINT32_MAX;
        break;
    case QMetaType::Short:
        FKind = pkInteger, FMin = INT16_MIN, FMax = INT16_MAX;
        break;
    case QMetaType::UShort:
        FKind = pkInteger, FMin = 0, FMax = UINT16_MAX;
        break;
    case QMetaType::SChar:
        FKind = pkInteger, FMin = INT8_MIN, FMax = INT8_MAX;
        break;
    case QMetaType::UChar:
        FKind = pkInteger, FMin = 0, FMax = UINT8_MAX;
        break;
    case QMetaType::Long:
    case QMetaType::LongLong:
        FKind = pkInt64, FMin = INT64_MIN, FMax = INT64_MAX;
        break;
    case QMetaType::Double:
        FKind = pkFloat;
        break;
    case QMetaType::Float:
        FKind = pkSingle;
        break;
    case QMetaType::QString:
        FKind = pkString;
        break;
    default:
        if (mt == QMetaType::fromType<TCurrency>()) {
            FKind = pkCurrency;
        } else if (mt == QMetaType::fromType<TDateTime>()) {
            FKind = pkDate;
        } else if (mt == QMetaType::fromType<TStringList>()) {
            FKind = pkStrings;
        } else if (mt.flags() & QMetaType::IsEnumeration) {
            const QMetaObject* scope = mt.metaObject();
            bool isFlags = false;
            const QByteArray name = EnumTypeName(QByteArray(mt.name()), isFlags);
            for (int i = 0; scope && i < scope->enumeratorCount(); ++i) {
                const QMetaEnum e = scope->enumerator(i);
                if (e.isFlag() == isFlags && name == (isFlags ? e.enumName() : e.name()))
                    FEnum = e;
            }
            if (!FEnum.isValid())
                Fail(QStringLiteral("列挙型は Q_ENUM / Q_FLAG で宣言してください"));
            FKind = isFlags ? pkSet : pkEnumeration;
        } else if (mt.flags() & QMetaType::PointerToQObject) {
            FObjectClass = mt.metaObject();
            if (FObjectClass && FObjectClass->inherits(&TComponent::staticMetaObject))
                FKind = pkComponent;
            else if (FObjectClass && FObjectClass->inherits(&TCollection::staticMetaObject))
                FKind = pkCollection;
            else if (FObjectClass && FObjectClass->inherits(&TPersistent::staticMetaObject))
                FKind = pkPersistent;
            else
                Fail(QStringLiteral("TPersistent 以外のオブジェクトは書き込めません"));
        } else {
            Fail(QStringLiteral("型 %1 はストリームに書き込めません")
                     .arg(QString::fromLatin1(mt.name())));
        }
    }
    if (!Property.isReadable())
        Fail(QStringLiteral("READ がありません"));

    const QByteArray name(Property.name());
    const int def = Class.indexOfClassInfo(("Default:" + name).constData());
    if (def >= 0)
        FDefault = ParseDefault(QByteArrayView(Class.classInfo(def).value()));
    if (const int idents = Class.indexOfClassInfo(("Idents:" + name).constData()); idents >= 0)
        FIdentFamily = QByteArray(Class.classInfo(idents).value());
    if (Class.indexOfClassInfo(("Unnamed:" + name).constData()) >= 0) {
        if (FKind != pkEnumeration || mt.sizeOf() != sizeof(int32_t))
            Fail(QStringLiteral("Unnamed: は 32 ビットの列挙型だけに指定できます"));
        FAllowsUnnamed = true;
    }
    const int stored = Class.indexOfClassInfo(("Stored:" + name).constData());
    if (stored >= 0) {
        const QByteArray method = QByteArray(Class.classInfo(stored).value()) + "()";
        FStoredMethod = Class.indexOfMethod(method.constData());
        if (FStoredMethod < 0 || Class.method(FStoredMethod).returnType() != QMetaType::Bool)
            Fail(QStringLiteral("Stored: には Q_INVOKABLE bool %1 const が必要です")
                     .arg(QString::fromLatin1(method)));
    }
}

void TPropInfo::Fail(const QString& What) const {
    throw EPropertyError(
        QStringLiteral("プロパティ %1.%2 の宣言が不正です: %3")
            .arg(QString::fromLatin1(FClassName), QString::fromLatin1(FProperty.name()), What));
}

void TPropInfo::CheckKind(bool Ok) const {
    if (!Ok)
        throw EPropertyError(QStringLiteral("プロパティ %1 の型が違います")
                                 .arg(QString::fromLatin1(FProperty.name())));
}

int64_t TPropInfo::ParseDefault(QByteArrayView Text) const {
    const QByteArray t = Text.trimmed().toByteArray();
    std::optional<int64_t> v;
    switch (FKind) {
    case pkInteger:
    case pkInt64: {
        bool ok = false;
        const int64_t n = t.toLongLong(&ok, 0);
        int64_t ident = 0;
        if (ok)
            v = n;
        else if (IdentToInt(t, ident))
            v = ident;
        break;
    }
    case pkBoolean:
        if (SameText(t, "true"))
            v = 1;
        else if (SameText(t, "false"))
            v = 0;
        break;
    case pkEnumeration:
        v = EnumValue(t);
        break;
    case pkSet:
        if (t.startsWith('[') && t.endsWith(']')) {
            int64_t bits = 0;
            bool ok = true;
            for (const QByteArray& part : t.mid(1, t.size() - 2).split(',')) {
                const QByteArray item = part.trimmed();
                if (item.isEmpty())
                    continue;
                const auto bit = EnumValue(item);
                ok = ok && bit.has_value();
                bits |= bit.value_or(0);
            }
            if (ok)
                v = bits;
        }
        break;
    default:
        Fail(QStringLiteral("Default: は整数、論理値、列挙型、集合だけに指定できます"));
    }
    if (!v || !IsValidOrd(*v))
        Fail(QStringLiteral("既定値 \"%1\" を解釈できません").arg(QString::fromLatin1(t)));
    return *v;
}

bool TPropInfo::IsStored(const QObject& Instance) const {
    if (!FProperty.isStored())
        return false;
    if (FStoredMethod < 0)
        return true;
    bool stored = true;
    Instance.metaObject()
        ->method(FStoredMethod)
        .invoke(const_cast<QObject*>(&Instance), Qt::DirectConnection, Q_RETURN_ARG(bool, stored));
    return stored;
}

bool TPropInfo::IsDefault(const QObject& Instance) const {
    switch (FKind) {
    case pkInteger:
    case pkBoolean:
    case pkEnumeration:
    case pkSet:
        return FDefault && GetOrd(Instance) == *FDefault;
    case pkInt64:
        return GetOrd(Instance) == FDefault.value_or(0);
    case pkFloat:
    case pkSingle:
    case pkDate:
        return GetFloat(Instance) == 0;
    case pkCurrency:
        return GetCurrency(Instance).Scaled == 0;
    case pkString:
        return GetStr(Instance).isEmpty();
    case pkStrings:
        return GetStrings(Instance).Count() == 0;
    case pkPersistent:
    case pkCollection:
    case pkComponent:
        return GetObject(Instance) == nullptr;
    }
    return false;
}

int64_t TPropInfo::GetOrd(const QObject& Instance) const {
    CheckKind(IsOrdinal());
    const int64_t v = FProperty.read(&Instance).toLongLong();
    // Flag sets are 32 bits wide; a set holding bit 31 must not read as negative.
    return FKind == pkSet ? (v & 0xFFFFFFFF) : v;
}

bool TPropInfo::IsValidOrd(int64_t Value) const {
    switch (FKind) {
    case pkEnumeration:
        if (FAllowsUnnamed)
            return Value >= INT32_MIN && Value <= INT32_MAX;
        return !EnumName(Value).isEmpty();
    case pkSet: {
        int64_t bits = 0;
        for (int i = 0; i < FEnum.keyCount(); ++i)
            if (IsSingleBit(FEnum.value(i)))
                bits |= FEnum.value(i);
        return Value >= 0 && (Value & ~bits) == 0;
    }
    default:
        return IsOrdinal() && Value >= FMin && Value <= FMax;
    }
}

void TPropInfo::SetOrd(QObject& Instance, int64_t Value) const {
    CheckKind(IsOrdinal());
    if (!IsValidOrd(Value))
        throw EPropertyError(QStringLiteral("プロパティ %1 の値が不正です")
                                 .arg(QString::fromLatin1(FProperty.name())));
    const QMetaType mt = FProperty.metaType();
    alignas(8) unsigned char raw[8] = {};
    std::memcpy(raw, &Value, static_cast<size_t>(std::min<qsizetype>(mt.sizeOf(), 8)));
    Write(Instance, QVariant(mt, raw));
}

double TPropInfo::GetFloat(const QObject& Instance) const {
    const QVariant v = FProperty.read(&Instance);
    switch (FKind) {
    case pkFloat:
        return v.toDouble();
    case pkSingle:
        return v.toFloat();
    case pkDate:
        return v.value<TDateTime>();
    default:
        CheckKind(false);
    }
    return 0;
}

void TPropInfo::SetFloat(QObject& Instance, double Value) const {
    switch (FKind) {
    case pkFloat:
        Write(Instance, QVariant(Value));
        break;
    case pkSingle:
        Write(Instance, QVariant(static_cast<float>(Value)));
        break;
    case pkDate:
        Write(Instance, QVariant::fromValue(TDateTime(Value)));
        break;
    default:
        CheckKind(false);
    }
}

TCurrency TPropInfo::GetCurrency(const QObject& Instance) const {
    CheckKind(FKind == pkCurrency);
    return FProperty.read(&Instance).value<TCurrency>();
}

void TPropInfo::SetCurrency(QObject& Instance, TCurrency Value) const {
    CheckKind(FKind == pkCurrency);
    Write(Instance, QVariant::fromValue(Value));
}

QString TPropInfo::GetStr(const QObject& Instance) const {
    CheckKind(FKind == pkString);
    return FProperty.read(&Instance).toString();
}

void TPropInfo::SetStr(QObject& Instance, const QString& Value) const {
    CheckKind(FKind == pkString);
    Write(Instance, QVariant(Value));
}

TStringList TPropInfo::GetStrings(const QObject& Instance) const {
    CheckKind(FKind == pkStrings);
    return FProperty.read(&Instance).value<TStringList>();
}

void TPropInfo::SetStrings(QObject& Instance, const TStringList& Value) const {
    CheckKind(FKind == pkStrings);
    Write(Instance, QVariant::fromValue(Value));
}

QObject* TPropInfo::GetObject(const QObject& Instance) const {
    CheckKind(FObjectClass != nullptr);
    return qvariant_cast<QObject*>(FProperty.read(&Instance));
}

void TPropInfo::SetObject(QObject& Instance, QObject* Value) const {
    CheckKind(FObjectClass != nullptr);
    if (Value && !Value->metaObject()->inherits(FObjectClass))
        throw EPropertyError(QStringLiteral("プロパティ %1 に %2 は設定できません")
                                 .arg(QString::fromLatin1(FProperty.name()),
                                      QString::fromLatin1(Value->metaObject()->className())));
    // QObject is the first base of every persistent class, so the pointer is the same.
    Write(Instance, QVariant(FProperty.metaType(), &Value));
}

void TPropInfo::CopyValue(const QObject& Source, QObject& Dest) const {
    Write(Dest, FProperty.read(&Source));
}

void TPropInfo::Write(QObject& Instance, const QVariant& Value) const {
    if (!FProperty.isWritable())
        throw EPropertyError(QStringLiteral("プロパティ %1 は読み取り専用です")
                                 .arg(QString::fromLatin1(FProperty.name())));
    if (!FProperty.write(&Instance, Value))
        throw EPropertyError(QStringLiteral("プロパティ %1 の値が不正です")
                                 .arg(QString::fromLatin1(FProperty.name())));
}

QByteArray TPropInfo::EnumName(int64_t Value) const {
    if (FKind != pkEnumeration)
        return {};
    for (int i = 0; i < FEnum.keyCount(); ++i)
        if (FEnum.value(i) == Value)
            return QByteArray(FEnum.key(i));
    return {};
}

std::optional<int64_t> TPropInfo::EnumValue(QByteArrayView Name) const {
    if (FKind != pkEnumeration && FKind != pkSet)
        return std::nullopt;
    for (int i = 0; i < FEnum.keyCount(); ++i)
        if (SameText(Name, FEnum.key(i)) && (FKind == pkEnumeration || IsSingleBit(FEnum.value(i))))
            return FEnum.value(i);
    return std::nullopt;
}

QList<QByteArray> TPropInfo::SetNames(int64_t Value) const {
    QList<QByteArray> names;
    if (FKind != pkSet)
        return names;
    for (int bit = 0; bit < 32; ++bit) {
        if (!(Value & (int64_t(1) << bit)))
            continue;
        for (int i = 0; i < FEnum.keyCount(); ++i)
            if (FEnum.value(i) == (int64_t(1) << bit)) {
                names.append(QByteArray(FEnum.key(i)));
                break;
            }
    }
    return names;
}

// ---------------------------------------------------------------------------------------

TPropList::TPropList(const QMetaObject& Class) : FClass(&Class) {
    // Qt lists inherited properties first; a property a subclass declares again keeps the
    // ancestor's position and takes the subclass's declaration.
    QList<QByteArray> seen;
    for (int i = QObject::staticMetaObject.propertyCount(); i < Class.propertyCount(); ++i) {
        const QByteArray name(Class.property(i).name());
        if (seen.contains(name))
            continue;
        seen.append(name);
        FProps.emplace_back(Class, Class.property(Class.indexOfProperty(name.constData())));
    }
    for (int i = 0; i < Class.classInfoCount(); ++i) {
        const QMetaClassInfo info = Class.classInfo(i);
        const QByteArray key(info.name());
        if (key == "Ignored") {
            for (const QByteArray& n : QByteArray(info.value()).split(','))
                if (!n.trimmed().isEmpty())
                    FIgnored.append(n.trimmed());
            continue;
        }
        for (const char* prefix : {"Default:", "Stored:", "Idents:", "Unnamed:"})
            if (key.startsWith(prefix) &&
                Class.indexOfProperty(key.mid(qstrlen(prefix)).constData()) < 0)
                throw EPropertyError(
                    QStringLiteral("%1 の %2 に対応するプロパティがありません")
                        .arg(QString::fromLatin1(Class.className()), QString::fromLatin1(key)));
    }
}

const TPropInfo* TPropList::Find(QByteArrayView Name) const {
    for (const TPropInfo& p : FProps)
        if (SameText(Name, p.Name()))
            return &p;
    return nullptr;
}

bool TPropList::IsIgnored(QByteArrayView Name) const {
    for (const QByteArray& n : FIgnored)
        if (SameText(Name, n))
            return true;
    return false;
}

const TPropList& GetPropList(const QMetaObject& Class) {
    TRegistry& r = TRegistry::Instance();
    std::lock_guard lock(r.Lock);
    auto it = r.PropLists.find(&Class);
    if (it == r.PropLists.end())
        it = r.PropLists.emplace(&Class, std::make_unique<TPropList>(Class)).first;
    return *it->second;
}
