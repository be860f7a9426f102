// Paper libraries (.ppr): the file opened as the system library the program lists, every
// paper's faces laid out (rectangle, margin rectangle, region), the outside and overlap
// checks, each paper's records of both handlers, the update record and the group and maker
// lists; then the same file opened writable as a user library.
#include "FuzzSupport.h"

#include "UPaperLibrary.h"
#include "UPapers.h"

namespace {

// The overlap check combines regions face by face: keep it to papers of a real sheet's size.
constexpr int MaxOverlapFaces = 300;

void LayOut(const TPaperInfo& Paper) {
    TFaceInfo info;
    for (int i = 0; i < Paper.GetFaceCount(); ++i) {
        Paper.GetFaceInfo(i, info);
        Paper.GetFaceMarginRect(i);
        info.CreateRegion(nullptr, true);
    }
    Paper.FindFaceOutside();
    if (Paper.GetFaceCount() <= MaxOverlapFaces)
        Paper.FindFaceOverlap();
}

void ReadRecords(const TPapersV2& Library) {
    for (int i = 0; i < Library.GetCount(); ++i) {
        const QString name = Library.GetPaper(i)->PaperName();
        for (const char* handler : {"ExtraInfos", "PaperImages"})
            Library.GetExtraInfo(QString::fromLatin1(handler), name);
    }
    QStringList groups;
    Library.GetGroupNames(groups);
    Library.GetUpdateInfo();
    Library.CompanyList();
    Library.GroupList();
}

void Run(const QByteArray& Input) {
    const QString file = FuzzFile(Input, QStringLiteral(".ppr"));
    {
        const TPaperLibrary library(file, QString());
        for (int i = 0; i < library.GetCount(); ++i)
            LayOut(library.GetPaper(i));
        library.GetGroupNames();
        if (const TPapersV2* system = library.System())
            ReadRecords(*system);
    }
    TPapersV2 user(file, false, false);
    user.RegisterExtraInfo(std::make_unique<TExInfoBase>());
    user.RegisterExtraInfo(std::make_unique<TImageInfoBase>());
    ReadRecords(user);
}

void SetUp() {
    RegisterPaperLibraryClasses();
}

} // namespace

const TFuzzTarget FuzzTarget{SetUp, Run};
