// Label documents as the sheet view opens them: every sheet made current, its surface built
// the way the sheet view builds it (one face object per face of the sheet's paper, each with
// its label's preview) and drawn small, so that a paper of any face count or size read from
// a document reaches the face layout and drawing.
#include "FuzzSupport.h"

#include "FSheet.h"
#include "UBitmap.h"
#include "UDrawSite.h"
#include "ULabelData.h"

namespace {

constexpr int MaxSheets = 8;

void ShowSheet(TLabelData& Doc, int Sheet) {
    Doc.SetSheet(Sheet);
    const std::unique_ptr<TDrawSite> site = CreateSheetSite(Doc);
    TBitmap target(160, 220, pf24bit);
    site->DrawTo(target.Canvas(), TPoint(0, 0), 5);
}

void Run(const QByteArray& Input) {
    const QString file = FuzzFile(Input, QStringLiteral(".vtd"));
    TLabelData doc;
    doc.LoadFromFile(file);
    for (int sheet = 0; sheet < std::min(doc.SheetCount(), MaxSheets); ++sheet) {
        try {
            ShowSheet(doc, sheet);
        } catch (const Exception&) {
        }
    }
}

void SetUp() {
    RegisterLabelDataClasses();
}

} // namespace

const TFuzzTarget FuzzTarget{SetUp, Run};
