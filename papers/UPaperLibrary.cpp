#include "UPaperLibrary.h"

#include <QFileInfo>
#include <QSet>

std::unique_ptr<TFreePaperInfo> CreateDefaultPaper() {
    auto P = std::make_unique<TFreePaperInfo>();
    P->SetLandscape(false);
    P->SetWidth(2100);
    P->SetHeight(2970);
    P->SetPaperName(QStringLiteral("A4"));
    P->SetGroupName(QStringLiteral("定型"));
    P->SetReadOnly(true);
    TFaceItem* Face = P->Faces()->Add();
    Face->SetRect({0, 0, 2100, 2970});
    Face->SetFaceMargin(0);
    Face->SetFaceShape(fsRect);
    return P;
}

TPaperLibrary::TPaperLibrary(const QString& SystemFile, const QString& UserFile)
    : FDefault(CreateDefaultPaper()) {
    if (!SystemFile.isEmpty())
        FSystem = OpenLibrary(SystemFile, true);
    if (!UserFile.isEmpty())
        FUser = OpenLibrary(UserFile, false);
    Refresh();
}

TPaperLibrary::~TPaperLibrary() = default;

std::unique_ptr<TPapersV2> TPaperLibrary::OpenLibrary(const QString& FileName, bool ReadOnly) {
    // A missing system library is no error: the built-in paper stands in for it.
    if (ReadOnly && !QFileInfo::exists(FileName))
        return nullptr;
    try {
        auto Library = std::make_unique<TPapersV2>(FileName, false, ReadOnly);
        Library->RegisterExtraInfo(std::make_unique<TExInfoBase>());
        Library->RegisterExtraInfo(std::make_unique<TImageInfoBase>());
        return Library;
    } catch (const Exception& E) {
        FErrors << E.Message;
        return nullptr;
    }
}

void TPaperLibrary::Refresh() {
    FEntries.clear();
    QSet<QString> Names;
    const auto Add = [this, &Names](const TPaperInfo* P, bool User) {
        QString Name = P->PaperName();
        while (Names.contains(Name))
            Name += QLatin1Char('$');
        Names.insert(Name);
        FEntries.push_back({P, Name, User});
    };
    Add(FDefault.get(), false);
    for (TPapersV2* L : {FSystem.get(), FUser.get()}) {
        if (!L)
            continue;
        for (int i = 0; i < L->GetCount(); ++i)
            Add(L->GetPaper(i), L == FUser.get());
    }
}

const TPaperLibrary::TEntry& TPaperLibrary::Entry(int Index) const {
    if (Index < 0 || Index >= GetCount())
        throw EListError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    return FEntries[static_cast<size_t>(Index)];
}

const TPaperInfo& TPaperLibrary::GetPaper(int Index) const {
    return *Entry(Index).Paper;
}

const QString& TPaperLibrary::GetName(int Index) const {
    return Entry(Index).Name;
}

bool TPaperLibrary::IsUserPaper(int Index) const {
    return Entry(Index).User;
}

int TPaperLibrary::IndexOf(const QString& Name) const {
    for (int i = 0; i < GetCount(); ++i)
        if (FEntries[i].Name == Name)
            return i;
    return -1;
}

QStringList TPaperLibrary::GetGroupNames() const {
    QStringList Groups;
    for (const TEntry& E : FEntries)
        if (!Groups.contains(E.Paper->GroupName()))
            Groups << E.Paper->GroupName();
    return Groups;
}
