#pragma once
// The settings store that stands in for the registry.
//
// One text file per user, "$XDG_CONFIG_HOME/Vantomi/registry.ini" (UTF-8), holds every key
// as a section named by its full registry path, hive first:
//
//   [HKEY_CURRENT_USER\Software\Quorvelin\Vantomi\1.0\Settings]
//   "CDPath"="/media/user/VANTOMI"
//   "Banding"="1"
//   @="the key's default value"
//
// Names and values are double-quoted with the escapes \\ \" \r \n \t and \xHH (other
// control characters); a hand-written line Name=Value without quotes is read as it stands.
// Key and value names are matched without regard to case and keep the case they were
// created with. Every value is a string: integers are decimal text, Booleans "1" and "0".
// A section without a hive name counts as HKEY_CURRENT_USER. Lines that cannot be read
// (and values of a section whose header cannot be read) are skipped, and of a value named
// twice in one section the first line counts; the rest is kept.
//
// The file is read again on every access, so several TRegistry objects (in this process or
// another) on one key see each other's writes. Each change is written atomically (the old
// file stays intact when the write fails) under a lock file beside the store; a failed
// write raises ERegistryException. BeginUpdate/EndUpdate group changes into one write.

#include "UException.h"

#include <QString>
#include <QStringList>
#include <memory>

VANTOMI_DECLARE_EXCEPTION(ERegistryException, Exception)

enum THKey { HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };

class TRegistryStore;

class TRegistry {
public:
    explicit TRegistry(THKey RootKey = HKEY_CURRENT_USER);
    // A registry over another store file (tests, tools).
    TRegistry(THKey RootKey, QString StoreFileName);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // The per-user store file.
    static QString DefaultStoreFileName();
    const QString& StoreFileName() const { return FStoreFileName; }

    THKey RootKey() const { return FRootKey; }
    // Changes the hive; closes the open key.
    void SetRootKey(THKey Value);

    // Opens Key: a path beginning with a backslash counts from the hive, any other path from
    // the open key. With CanCreate a missing key (and its missing parents) is created and
    // written; without, a missing key answers false and the open key stays as it was.
    // A key name holding control characters answers false.
    bool OpenKey(const QString& Key, bool CanCreate);
    // Opens an existing key for reading; writes through it raise ERegistryException.
    bool OpenKeyReadOnly(const QString& Key);
    // Returns to the hive itself.
    void CloseKey();
    // The open key's path below the hive, without leading backslash (empty: the hive).
    const QString& CurrentPath() const { return FCurrentPath; }

    // Key paths follow OpenKey's rule (absolute with a leading backslash, else relative).
    bool KeyExists(const QString& Key) const;
    // Deletes Key with all its sub-keys and values; answers whether it existed.
    bool DeleteKey(const QString& Key);
    // The names of the open key's direct sub-keys, in order of creation.
    QStringList GetKeyNames() const;

    // Values of the open key. An empty name is the key's default value.
    QStringList GetValueNames() const;
    bool ValueExists(const QString& Name) const;
    bool DeleteValue(const QString& Name);
    // The value's text, or Default when there is none.
    QString ReadString(const QString& Name, const QString& Default = {}) const;
    // The value as a decimal integer; Default when there is none or it is not a number.
    int ReadInteger(const QString& Name, int Default) const;
    // An integer value read as true when not 0; Default when there is none or it is not a
    // number.
    bool ReadBool(const QString& Name, bool Default) const;
    void WriteString(const QString& Name, const QString& Value);
    void WriteInteger(const QString& Name, int Value);
    void WriteBool(const QString& Name, bool Value);

    // Between BeginUpdate and EndUpdate (they nest) the store is read once, changes collect
    // in memory and the outermost EndUpdate writes them in one step (raising
    // ERegistryException when that fails; the update is over either way). Other users of
    // the store wait for its lock meanwhile. CancelUpdate ends one level without writing and
    // makes the outermost level drop every change of the update.
    void BeginUpdate();
    void EndUpdate();
    void CancelUpdate() noexcept;

private:
    QString AbsoluteKey(const QString& Key, bool* Valid = nullptr) const;
    QString FullPath(const QString& KeyPath) const;
    // The store as it is now: the update's copy, or a fresh read of the file.
    std::shared_ptr<TRegistryStore> Current() const;
    // Runs Change on the store and writes it (at once, or at the end of the update).
    template <class F>
    auto Modify(F&& Change);
    void CheckWritable(const QString& Name) const;

    QString FStoreFileName;
    THKey FRootKey;
    QString FCurrentPath;
    bool FReadOnly = false;
    int FUpdateCount = 0;
    bool FUpdateCancelled = false;
    bool FUpdateChanged = false;
    std::shared_ptr<TRegistryStore> FUpdateStore;
    struct TLock;
    std::unique_ptr<TLock> FLock;
};

// Groups the changes made through Registry into one write: Commit writes them; leaving the
// scope without Commit (an exception on the way) drops them.
class TRegistryUpdate {
public:
    explicit TRegistryUpdate(TRegistry& Registry) : FRegistry(Registry) { Registry.BeginUpdate(); }
    ~TRegistryUpdate() {
        if (!FDone)
            FRegistry.CancelUpdate();
    }
    TRegistryUpdate(const TRegistryUpdate&) = delete;
    TRegistryUpdate& operator=(const TRegistryUpdate&) = delete;

    void Commit() {
        FDone = true;
        FRegistry.EndUpdate();
    }

private:
    TRegistry& FRegistry;
    bool FDone = false;
};
