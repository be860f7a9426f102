#include "URegistry.h"

#include "UStreams.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <utility>
#include <vector>

namespace {

const char* const RootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
const char* const RootAbbreviations[] = {"HKCR", "HKCU", "HKLM"};

// How long a user of the store waits for another one's change to finish.
constexpr int LockTimeoutMs = 5000;

QString Fold(const QString& S) {
    return S.toCaseFolded();
}

bool HasControlCharacter(const QString& S) {
    for (const QChar c : S)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

// Splits a key path at backslashes, dropping empty components. Valid is cleared when a
// component holds a control character (such a name cannot be written as a section header).
QStringList SplitKeyPath(const QString& Path, bool* Valid) {
    const QStringList parts = Path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (Valid)
        *Valid = !HasControlCharacter(Path);
    return parts;
}

// The full path of a section header with the hive spelled out; empty when unusable.
QString NormalizeHeader(const QString& Header) {
    bool valid = true;
    QStringList parts = SplitKeyPath(Header, &valid);
    if (!valid || parts.isEmpty())
        return {};
    int root = -1;
    for (int i = 0; i < 3; ++i)
        if (parts[0].compare(QLatin1String(RootNames[i]), Qt::CaseInsensitive) == 0 ||
            parts[0].compare(QLatin1String(RootAbbreviations[i]), Qt::CaseInsensitive) == 0)
            root = i;
    if (root < 0)
        parts.prepend(QLatin1String(RootNames[HKEY_CURRENT_USER]));
    else
        parts[0] = QLatin1String(RootNames[root]);
    return parts.join(QLatin1Char('\\'));
}

QString QuoteText(const QString& S) {
    QString out = QStringLiteral("\"");
    for (const QChar c : S) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                out += QStringLiteral("\\x%1").arg(static_cast<int>(c.unicode()), 2, 16,
                                                   QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

int HexDigit(QChar C) {
    const char16_t c = C.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Reads a quoted string starting at Pos (which holds the opening quote). Answers false when
// the closing quote is missing.
bool ParseQuoted(const QString& S, int& Pos, QString& Out) {
    Out.clear();
    for (++Pos; Pos < S.size(); ++Pos) {
        const QChar c = S[Pos];
        if (c == QLatin1Char('"')) {
            ++Pos;
            return true;
        }
        if (c != QLatin1Char('\\') || Pos + 1 >= S.size()) {
            Out += c;
            continue;
        }
        const QChar e = S[++Pos];
        switch (e.unicode()) {
        case 'r':
            Out += QLatin1Char('\r');
            break;
        case 'n':
            Out += QLatin1Char('\n');
            break;
        case 't':
            Out += QLatin1Char('\t');
            break;
        case 'x': {
            const int hi = Pos + 2 < S.size() ? HexDigit(S[Pos + 1]) : -1;
            const int lo = hi >= 0 ? HexDigit(S[Pos + 2]) : -1;
            if (lo < 0) {
                Out += e;
                break;
            }
            Out += QChar(static_cast<char16_t>(hi * 16 + lo));
            Pos += 2;
            break;
        }
        default:
            Out += e;
        }
    }
    return false;
}

void SkipSpaces(const QString& S, int& Pos) {
    while (Pos < S.size() && S[Pos].isSpace())
        ++Pos;
}

// Parses one value line: "Name"="Value", @="Value" or a hand-written Name=Value.
bool ParseValueLine(const QString& Line, QString& Name, QString& Value) {
    int pos = 0;
    if (Line.startsWith(QLatin1Char('"'))) {
        if (!ParseQuoted(Line, pos, Name))
            return false;
        SkipSpaces(Line, pos);
        if (pos >= Line.size() || Line[pos] != QLatin1Char('='))
            return false;
    } else {
        pos = static_cast<int>(Line.indexOf(QLatin1Char('=')));
        if (pos < 0)
            return false;
        Name = Line.left(pos).trimmed();
        if (Name == QLatin1String("@"))
            Name.clear();
    }
    ++pos;
    SkipSpaces(Line, pos);
    if (pos < Line.size() && Line[pos] == QLatin1Char('"'))
        return ParseQuoted(Line, pos, Value);
    Value = Line.mid(pos).trimmed();
    return true;
}

} // namespace

// The whole store in memory: keys in file order, each with its values in order.
class TRegistryStore {
public:
    struct TValue {
        QString Name;
        QString Data;
    };
    struct TKey {
        QString Path;
        QString Folded;
        std::vector<TValue> Values;

        const TValue* Find(const QString& Name) const {
            for (const TValue& v : Values)
                if (v.Name.compare(Name, Qt::CaseInsensitive) == 0)
                    return &v;
            return nullptr;
        }
        TValue* Find(const QString& Name) {
            return const_cast<TValue*>(std::as_const(*this).Find(Name));
        }
    };

    static std::shared_ptr<TRegistryStore> Load(const QString& FileName) {
        auto store = std::make_shared<TRegistryStore>();
        QFile f(FileName);
        if (f.open(QIODevice::ReadOnly))
            store->Parse(QString::fromUtf8(f.readAll()));
        return store;
    }

    void Save(const QString& FileName) const {
        const QString dir = QFileInfo(FileName).absolutePath();
        try {
            if (!QDir().mkpath(dir))
                throw EFCreateError(QStringLiteral("フォルダ %1 を作成できません").arg(dir));
            WriteFileAtomic(FileName, Serialize());
        } catch (const EStreamError& e) {
            throw ERegistryException(QStringLiteral("設定を保存できません: %1").arg(e.Message));
        }
    }

    const TKey* FindKey(const QString& Path) const {
        const QString folded = Fold(Path);
        for (const TKey& k : FKeys)
            if (k.Folded == folded)
                return &k;
        return nullptr;
    }
    TKey* FindKey(const QString& Path) {
        return const_cast<TKey*>(std::as_const(*this).FindKey(Path));
    }

    bool KeyExists(const QString& Path) const {
        if (!Path.contains(QLatin1Char('\\')))
            return true; // a hive always exists
        const QString prefix = Fold(Path) + QLatin1Char('\\');
        for (const TKey& k : FKeys)
            if (k.Folded == Fold(Path) || k.Folded.startsWith(prefix))
                return true;
        return false;
    }

    // The key with Path, created (with its missing parents below the hive) when absent. The
    // hive gets an entry of its own only when values are written to it directly.
    TKey& EnsureKey(const QString& Path) {
        const QStringList parts = Path.split(QLatin1Char('\\'));
        TKey* key = nullptr;
        for (auto n = std::min<qsizetype>(2, parts.size()); n <= parts.size(); ++n) {
            const QString sub = parts.mid(0, n).join(QLatin1Char('\\'));
            key = FindKey(sub);
            if (!key) {
                FKeys.push_back(TKey{sub, Fold(sub), {}});
                key = &FKeys.back();
            }
        }
        return *key;
    }

    QStringList ChildNames(const QString& Path) const {
        const QString prefix = Fold(Path) + QLatin1Char('\\');
        const auto depth = Path.count(QLatin1Char('\\')) + 1;
        QStringList names;
        QStringList folded;
        for (const TKey& k : FKeys) {
            if (!k.Folded.startsWith(prefix))
                continue;
            const QString name = k.Path.section(QLatin1Char('\\'), depth, depth);
            if (!folded.contains(Fold(name))) {
                folded.append(Fold(name));
                names.append(name);
            }
        }
        return names;
    }

    bool RemoveTree(const QString& Path) {
        const QString folded = Fold(Path);
        const QString prefix = folded + QLatin1Char('\\');
        const auto old = FKeys.size();
        std::erase_if(FKeys, [&](const TKey& k) {
            return k.Folded == folded || k.Folded.startsWith(prefix);
        });
        return FKeys.size() != old;
    }

    bool SetValue(const QString& Path, const QString& Name, const QString& Data) {
        TKey& key = EnsureKey(Path);
        if (TValue* v = key.Find(Name)) {
            if (v->Data == Data)
                return false;
            v->Data = Data;
            return true;
        }
        key.Values.push_back({Name, Data});
        return true;
    }

    bool RemoveValue(const QString& Path, const QString& Name) {
        TKey* key = FindKey(Path);
        if (!key)
            return false;
        return std::erase_if(key->Values, [&](const TValue& v) {
                   return v.Name.compare(Name, Qt::CaseInsensitive) == 0;
               }) > 0;
    }

private:
    void Parse(const QString& Text) {
        int current = -1;
        for (QString line : Text.split(QLatin1Char('\n'))) {
            line = line.trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
                line.startsWith(QLatin1Char('#')))
                continue;
            if (line.startsWith(QLatin1Char('['))) {
                current = -1;
                if (!line.endsWith(QLatin1Char(']')))
                    continue;
                const QString path = NormalizeHeader(line.mid(1, line.size() - 2));
                if (!path.isEmpty()) {
                    TKey& key = EnsureKey(path);
                    current = static_cast<int>(&key - FKeys.data());
                }
                continue;
            }
            QString name, data;
            if (current < 0 || !ParseValueLine(line, name, data))
                continue;
            TKey& key = FKeys[current];
            if (!key.Find(name))
                key.Values.push_back({name, data});
        }
    }

    QByteArray Serialize() const {
        QString text = QStringLiteral("; Vantomi settings\n");
        for (const TKey& k : FKeys) {
            text += QStringLiteral("\n[") + k.Path + QStringLiteral("]\n");
            for (const TValue& v : k.Values)
                text += (v.Name.isEmpty() ? QStringLiteral("@") : QuoteText(v.Name)) +
                        QLatin1Char('=') + QuoteText(v.Data) + QLatin1Char('\n');
        }
        return text.toUtf8();
    }

    std::vector<TKey> FKeys;
};

struct TRegistry::TLock {
    explicit TLock(const QString& StoreFileName) : File(StoreFileName + QStringLiteral(".lock")) {
        const QString dir = QFileInfo(StoreFileName).absolutePath();
        if (!QDir().mkpath(dir) || !File.tryLock(LockTimeoutMs))
            throw ERegistryException(
                QStringLiteral("設定ファイル %1 をロックできません").arg(StoreFileName));
    }
    QLockFile File;
};

TRegistry::TRegistry(THKey RootKey) : TRegistry(RootKey, DefaultStoreFileName()) {}

TRegistry::TRegistry(THKey RootKey, QString StoreFileName)
    : FStoreFileName(std::move(StoreFileName)), FRootKey(RootKey) {}

TRegistry::~TRegistry() = default;

QString TRegistry::DefaultStoreFileName() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Vantomi/registry.ini");
}

void TRegistry::SetRootKey(THKey Value) {
    FRootKey = Value;
    CloseKey();
}

QString TRegistry::AbsoluteKey(const QString& Key, bool* Valid) const {
    const QString combined =
        Key.startsWith(QLatin1Char('\\')) ? Key : FCurrentPath + QLatin1Char('\\') + Key;
    return SplitKeyPath(combined, Valid).join(QLatin1Char('\\'));
}

QString TRegistry::FullPath(const QString& KeyPath) const {
    const QString root = QLatin1String(RootNames[FRootKey]);
    return KeyPath.isEmpty() ? root : root + QLatin1Char('\\') + KeyPath;
}

std::shared_ptr<TRegistryStore> TRegistry::Current() const {
    return FUpdateCount > 0 ? FUpdateStore : TRegistryStore::Load(FStoreFileName);
}

template <class F>
auto TRegistry::Modify(F&& Change) {
    if (FUpdateCount > 0) {
        const bool changed = Change(*FUpdateStore);
        FUpdateChanged = FUpdateChanged || changed;
        return changed;
    }
    TLock lock(FStoreFileName);
    const auto store = TRegistryStore::Load(FStoreFileName);
    const bool changed = Change(*store);
    if (changed)
        store->Save(FStoreFileName);
    return changed;
}

void TRegistry::CheckWritable(const QString& Name) const {
    if (FReadOnly)
        throw ERegistryException(
            QStringLiteral("%1 の値 %2 を書き込めません (読み取り専用で開かれています)")
                .arg(FullPath(FCurrentPath), Name));
}

bool TRegistry::OpenKey(const QString& Key, bool CanCreate) {
    bool valid = true;
    const QString path = AbsoluteKey(Key, &valid);
    if (!valid)
        return false;
    if (!Current()->KeyExists(FullPath(path))) {
        if (!CanCreate)
            return false;
        Modify([&](TRegistryStore& Store) {
            Store.EnsureKey(FullPath(path));
            return true;
        });
    }
    FCurrentPath = path;
    FReadOnly = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& Key) {
    bool valid = true;
    const QString path = AbsoluteKey(Key, &valid);
    if (!valid || !Current()->KeyExists(FullPath(path)))
        return false;
    FCurrentPath = path;
    FReadOnly = true;
    return true;
}

void TRegistry::CloseKey() {
    FCurrentPath.clear();
    FReadOnly = false;
}

bool TRegistry::KeyExists(const QString& Key) const {
    bool valid = true;
    const QString path = AbsoluteKey(Key, &valid);
    return valid && Current()->KeyExists(FullPath(path));
}

bool TRegistry::DeleteKey(const QString& Key) {
    bool valid = true;
    const QString path = AbsoluteKey(Key, &valid);
    if (!valid || path.isEmpty())
        return false;
    return Modify([&](TRegistryStore& Store) { return Store.RemoveTree(FullPath(path)); });
}

QStringList TRegistry::GetKeyNames() const {
    return Current()->ChildNames(FullPath(FCurrentPath));
}

QStringList TRegistry::GetValueNames() const {
    QStringList names;
    const auto store = Current();
    if (const auto* key = store->FindKey(FullPath(FCurrentPath)))
        for (const auto& v : key->Values)
            names.append(v.Name);
    return names;
}

bool TRegistry::ValueExists(const QString& Name) const {
    const auto store = Current();
    const auto* key = store->FindKey(FullPath(FCurrentPath));
    return key && key->Find(Name);
}

bool TRegistry::DeleteValue(const QString& Name) {
    CheckWritable(Name);
    return Modify(
        [&](TRegistryStore& Store) { return Store.RemoveValue(FullPath(FCurrentPath), Name); });
}

QString TRegistry::ReadString(const QString& Name, const QString& Default) const {
    const auto store = Current();
    const auto* key = store->FindKey(FullPath(FCurrentPath));
    const auto* value = key ? key->Find(Name) : nullptr;
    return value ? value->Data : Default;
}

int TRegistry::ReadInteger(const QString& Name, int Default) const {
    const QString text = ReadString(Name);
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : Default;
}

bool TRegistry::ReadBool(const QString& Name, bool Default) const {
    return ReadInteger(Name, Default ? 1 : 0) != 0;
}

void TRegistry::WriteString(const QString& Name, const QString& Value) {
    CheckWritable(Name);
    Modify(
        [&](TRegistryStore& Store) { return Store.SetValue(FullPath(FCurrentPath), Name, Value); });
}

void TRegistry::WriteInteger(const QString& Name, int Value) {
    WriteString(Name, QString::number(Value));
}

void TRegistry::WriteBool(const QString& Name, bool Value) {
    WriteString(Name, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TRegistry::BeginUpdate() {
    if (FUpdateCount > 0) {
        ++FUpdateCount;
        return;
    }
    FLock = std::make_unique<TLock>(FStoreFileName);
    FUpdateStore = TRegistryStore::Load(FStoreFileName);
    FUpdateCancelled = false;
    FUpdateChanged = false;
    FUpdateCount = 1;
}

void TRegistry::EndUpdate() {
    if (FUpdateCount == 0 || --FUpdateCount > 0)
        return;
    const auto store = std::move(FUpdateStore);
    const auto lock = std::move(FLock);
    FUpdateStore.reset();
    if (FUpdateChanged && !FUpdateCancelled)
        store->Save(FStoreFileName);
}

void TRegistry::CancelUpdate() noexcept {
    if (FUpdateCount == 0)
        return;
    FUpdateCancelled = true;
    if (--FUpdateCount == 0) {
        FUpdateStore.reset();
        FLock.reset();
    }
}
