#include "UStringList.h"

#include "UCodePage.h"
#include "UException.h"
#include "UStreams.h"

#include <algorithm>

namespace {
int CompareText(const QString& A, const QString& B) {
    return QString::compare(A, B, Qt::CaseInsensitive);
}
} // namespace

void TStringList::CheckIndex(int Index, bool AllowEnd) const {
    if (Index < 0 || Index > Count() || (!AllowEnd && Index == Count()))
        throw EListError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
}

const QString& TStringList::operator[](int Index) const {
    CheckIndex(Index);
    return FItems[Index];
}

void TStringList::SetStrings(int Index, const QString& S) {
    CheckIndex(Index);
    FItems[Index] = S;
}

int TStringList::Add(const QString& S) {
    if (!FSorted) {
        FItems.append(S);
        return Count() - 1;
    }
    int index;
    if (Find(S, index)) {
        if (Duplicates == dupIgnore)
            return index;
        if (Duplicates == dupError)
            throw EListError(QStringLiteral("文字列リストは重複を許可していません"));
    }
    FItems.insert(index, S);
    return index;
}

void TStringList::Insert(int Index, const QString& S) {
    CheckIndex(Index, true);
    FItems.insert(Index, S);
}

void TStringList::Delete(int Index) {
    CheckIndex(Index);
    FItems.removeAt(Index);
}

void TStringList::Exchange(int A, int B) {
    CheckIndex(A);
    CheckIndex(B);
    FItems.swapItemsAt(A, B);
}

int TStringList::IndexOf(const QString& S) const {
    if (FSorted) {
        int index;
        return Find(S, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (CompareText(FItems[i], S) == 0)
            return i;
    return -1;
}

QString TStringList::Names(int Index) const {
    const QString& line = (*this)[Index];
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.left(eq);
}

QString TStringList::ValueFromIndex(int Index) const {
    const QString& line = (*this)[Index];
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

int TStringList::IndexOfName(const QString& Name) const {
    for (int i = 0; i < Count(); ++i) {
        const QString& line = FItems[i];
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && QStringView(line).left(eq).compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TStringList::Values(const QString& Name) const {
    const int i = IndexOfName(Name);
    return i < 0 ? QString() : ValueFromIndex(i);
}

void TStringList::SetValue(const QString& Name, const QString& Value) {
    const int i = IndexOfName(Name);
    if (Value.isEmpty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    const QString line = Name + u'=' + Value;
    if (i >= 0)
        FItems[i] = line;
    else
        Add(line);
}

QString TStringList::Text() const {
    QString s;
    for (const QString& line : FItems) {
        s += line;
        s += QStringLiteral("\r\n");
    }
    return s;
}

void TStringList::SetText(const QString& Text) {
    FItems.clear();
    qsizetype start = 0;
    const qsizetype n = Text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = Text[i];
        if (c == u'\r' || c == u'\n') {
            FItems.append(Text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && Text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < n)
        FItems.append(Text.mid(start));
    if (FSorted)
        Sort();
}

QString TStringList::CommaText() const {
    QStringList parts;
    for (const QString& item : FItems) {
        const bool quote = item.isEmpty() || item.contains(u' ') || item.contains(u',') ||
                           item.contains(u'"') || item.contains(u'\t');
        if (quote) {
            QString q = item;
            q.replace(QStringLiteral("\""), QStringLiteral("\"\""));
            parts.append(u'"' + q + u'"');
        } else {
            parts.append(item);
        }
    }
    return parts.join(u',');
}

void TStringList::SetCommaText(const QString& Text) {
    FItems.clear();
    qsizetype i = 0;
    const qsizetype n = Text.size();
    auto skipBlanks = [&] {
        while (i < n && Text[i] <= u' ')
            ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (Text[i] == u'"') {
            ++i;
            while (i < n) {
                if (Text[i] == u'"') {
                    if (i + 1 < n && Text[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += Text[i++];
            }
            while (i < n && Text[i] != u',' && Text[i] > u' ')
                item += Text[i++];
        } else {
            while (i < n && Text[i] != u',' && Text[i] > u' ')
                item += Text[i++];
        }
        FItems.append(item);
        skipBlanks();
        if (i < n && Text[i] == u',') {
            ++i;
            skipBlanks();
            if (i >= n)
                FItems.append(QString());
        }
    }
    if (FSorted)
        Sort();
}

void TStringList::SetSorted(bool Value) {
    if (Value && !FSorted) {
        FSorted = true;
        Sort();
    }
    FSorted = Value;
}

bool TStringList::Find(const QString& S, int& Index) const {
    int lo = 0;
    int hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = CompareText(FItems[mid], S);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != dupAccept)
                    lo = mid;
            }
        }
    }
    Index = lo;
    return found;
}

void TStringList::Sort() {
    std::stable_sort(FItems.begin(), FItems.end(),
                     [](const QString& a, const QString& b) { return CompareText(a, b) < 0; });
}

void TStringList::LoadFromFile(const QString& FileName) {
    SetText(FromCP932(ReadWholeFile(FileName)));
}

void TStringList::SaveToFile(const QString& FileName) const {
    WriteFileAtomic(FileName, ToCP932(Text()));
}
