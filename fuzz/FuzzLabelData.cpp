// Label documents: the file is opened as a document, every sheet's settings and names read,
// every label of every sheet read with its pictures, previews read through the document and
// through the reader of closed files, and the header through its own reader.
#include "FuzzSupport.h"

#include "UDOList.h"
#include "UDrawObject.h"
#include "ULabelData.h"
#include "UPictureEx.h"

namespace {

constexpr int MaxLabels = 16;

void ReadSheet(TLabelData& Doc, int Sheet) {
    Doc.SetSheet(Sheet);
    const int Faces = std::min(Doc.PaperInfo()->GetFaceCount(), MaxLabels);
    for (int Label = 0; Label < Faces; ++Label) {
        try {
            TDOList Objects;
            try {
                Doc.ReadLabel(Label, Objects, true);
            } catch (...) {
                Objects.FreeObjects();
                throw;
            }
            Objects.FreeObjects();
            TPictureEx Preview;
            if (Doc.HasPreview(Label))
                Doc.ReadPreview(Label, Preview);
        } catch (const Exception&) {
        }
    }
}

void Run(const QByteArray& Input) {
    const QString File = FuzzFile(Input, QStringLiteral(".vtd"));
    try {
        int Sheet = 0, Label = 0;
        TLabelData::ReadCurrentSheetNo(File, Sheet, Label);
    } catch (const Exception&) {
    }
    try {
        TPictureEx Preview;
        TLabelData::LoadPreviewFromFile(Preview, File, 0, 0);
    } catch (const Exception&) {
    }
    TLabelData Doc;
    Doc.LoadFromFile(File);
    Doc.SheetNames();
    for (int Sheet = 0; Sheet < std::min(Doc.SheetCount(), 8); ++Sheet) {
        try {
            ReadSheet(Doc, Sheet);
        } catch (const Exception&) {
        }
    }
}

void SetUp() {
    RegisterLabelDataClasses();
}

} // namespace

const TFuzzTarget FuzzTarget{SetUp, Run};
