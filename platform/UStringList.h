#pragma once
// An ordered list of strings with the class library's rules: IndexOf and the Name=Value
// lookups ignore case; Values of an absent name is empty; setting a value to empty removes
// the line; Text joins lines with CR LF and splits on CR LF, LF or CR.

#include <QString>
#include <QStringList>

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList {
public:
    TStringList() = default;
    explicit TStringList(QStringList Lines) : FItems(std::move(Lines)) {}

    int Count() const { return static_cast<int>(FItems.size()); }
    const QString& operator[](int Index) const;
    const QString& Strings(int Index) const { return (*this)[Index]; }
    void SetStrings(int Index, const QString& S);

    // Appends S (or inserts it in order when Sorted); answers its index. With Sorted and
    // dupIgnore an equal string already present is not added and its index is answered.
    int Add(const QString& S);
    void Insert(int Index, const QString& S);
    void Delete(int Index);
    void Clear() { FItems.clear(); }
    void Exchange(int A, int B);
    // Index of the first line equal to S ignoring case, -1 when none.
    int IndexOf(const QString& S) const;

    // Name=Value access. A line without '=' is a name with an empty value.
    QString Names(int Index) const;
    QString ValueFromIndex(int Index) const;
    int IndexOfName(const QString& Name) const;
    QString Values(const QString& Name) const;
    // Sets the value of Name, appending a line when absent; an empty value removes the line.
    void SetValue(const QString& Name, const QString& Value);

    QString Text() const;
    void SetText(const QString& Text);
    // Comma-separated form; items holding spaces, commas or quotes are double-quoted.
    QString CommaText() const;
    void SetCommaText(const QString& Text);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates Duplicates = dupIgnore;
    // In a sorted list, finds S; answers true when found, Index is where it is or would go.
    bool Find(const QString& S, int& Index) const;
    void Sort();

    // Code page 932 text files, lines ended by CR LF.
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName) const;

    const QStringList& Lines() const { return FItems; }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }
    friend bool operator==(const TStringList& A, const TStringList& B) {
        return A.FItems == B.FItems;
    }

private:
    void CheckIndex(int Index, bool AllowEnd = false) const;

    QStringList FItems;
    bool FSorted = false;
};
