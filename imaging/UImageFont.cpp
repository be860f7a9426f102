#include "UImageFont.h"

#include "UAppFrame.h"
#include "UCodePage.h"
#include "UGlyphUtils.h"
#include "UImagePack.h"
#include "UPathResolver.h"
#include "UPixelMath.h"

#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>
#include <memory>

namespace {

const QString GlyphAlphabet =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!?");

constexpr int GlyphCacheLimit = 64;
constexpr TColor GlyphBackColor = 0xF0F0F0; // RGB(240, 240, 240)

std::unique_ptr<TFileImagePack>& SharedPack() {
    static std::unique_ptr<TFileImagePack> pack;
    return pack;
}

// Every file under Folder and its subfolders, sorted without regard to case by a plain
// comparison of the UTF-16 units (no locale rules), so that the order of the sets does not
// depend on the machine.
TStringList GlyphFiles(const QString& Folder) {
    QStringList files;
    QDirIterator it(Folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    std::sort(files.begin(), files.end(), [](const QString& A, const QString& B) {
        const int c = A.compare(B, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : A < B;
    });
    return TStringList(files);
}

} // namespace

QString FindImageFontFolder() {
    QString folder = ExpandMacros(QStringLiteral("$(ImageFontFolder:inessential)"));
    if (folder.isEmpty())
        folder = QStringLiteral("Data\\Font");
    const QString local = ConvertWindowsPath(folder);
    if (QFileInfo(local).isAbsolute()) {
        const QString found = FindExistingPath(local);
        return QFileInfo(found).isDir() ? found : QString();
    }
    TAppFrame* frame = TAppFrame::Global();
    if (!frame)
        return {};
    // The content search finds files: the folder is the one holding its first file.
    const QString first =
        frame->FindCDFile(folder + QStringLiteral("\\*"), QStringLiteral("飾り文字データ"));
    return first.isEmpty() ? QString() : QFileInfo(first).path();
}

TImagePack& ImageFontGlyphPack() {
    std::unique_ptr<TFileImagePack>& pack = SharedPack();
    if (!pack) {
        auto made = std::make_unique<TFileImagePack>();
        made->SetCacheLimit(GlyphCacheLimit);
        made->SetTransparent(true);
        made->SetTransparentColor(GlyphBackColor);
        const QString folder = FindImageFontFolder();
        if (!folder.isEmpty())
            made->SetFileList(GlyphFiles(folder));
        pack = std::move(made);
    }
    return *pack;
}

void ResetImageFontGlyphPack() {
    SharedPack().reset();
}

// ---------------------------------------------------------------------------------------
// TImageFont

TImageFont::TImageFont() : FNotify(this) {}

TImageFont::~TImageFont() {
    FNotify.BeforeDestruction();
}

void TImageFont::SetFontNo(int Value) {
    if (Value == FFontNo)
        return;
    FFontNo = Value;
    FNotify.Changed();
}

void TImageFont::SetHeight(int Value) {
    if (Value == FHeight)
        return;
    FHeight = Value;
    FNotify.Changed();
}

void TImageFont::Assign(const TPersistent* Source) {
    if (const auto* s = qobject_cast<const TImageFont*>(Source)) {
        SetFontNo(s->FFontNo);
        SetHeight(s->FHeight);
    }
}

bool TImageFont::QueryInterface(const TGUID& Id, void** Obj) {
    if (FNotify.AnswerNotifyInterface(Id, Obj))
        return true;
    return AnswerInterface<IInterface>(this, Id, Obj);
}

int TImageFont::GlyphIndex(const QString& Ch) {
    if (Ch.size() != 1)
        return -1;
    return static_cast<int>(GlyphAlphabet.indexOf(Ch[0]));
}

TImagePack& TImageFont::Pack() const {
    return FPack ? *FPack : ImageFontGlyphPack();
}

int TImageFont::ImageIndexOf(const QString& Ch) const {
    const int glyph = GlyphIndex(Ch);
    if (glyph < 0 || FFontNo < 1)
        return -1;
    TImagePack& pack = Pack();
    const int count = pack.GetCount();
    if (count <= 0)
        return -1;
    const long long index = ((static_cast<long long>(FFontNo) - 1) * GlyphsPerSet + glyph) % count;
    // A picture that decodes to nothing has no height to scale by.
    return pack.GetImageHeight(static_cast<int>(index)) > 0 ? static_cast<int>(index) : -1;
}

int TImageFont::NoGlyphWidth(const QString& Ch) const {
    const qsizetype bytes = std::max<qsizetype>(1, CP932Length(Ch));
    return static_cast<int>(bytes) * (FHeight / 3);
}

TSize TImageFont::GetCharSize(const QString& Ch) {
    const int index = ImageIndexOf(Ch);
    if (index < 0)
        return TSize{NoGlyphWidth(Ch), FHeight};
    TImagePack& pack = Pack();
    return TSize{MulDiv(pack.GetImageWidth(index), FHeight, pack.GetImageHeight(index)), FHeight};
}

TSize TImageFont::GetTextExtent(const QString& S) {
    int64_t width = 0;
    int height = 0;
    for (const QString& ch : SplitChars(S)) {
        const TSize size = GetCharSize(ch);
        width += size.cx;
        height = std::max(height, size.cy);
    }
    return TSize{ClampToInt(width), height};
}

int TImageFont::GetGlyphHeight() {
    if (FFontNo < 1)
        return 0;
    TImagePack& pack = Pack();
    const int count = pack.GetCount();
    if (count <= 0)
        return 0;
    const long long index = (static_cast<long long>(FFontNo) - 1) * GlyphsPerSet % count;
    return pack.GetImageHeight(static_cast<int>(index));
}

int TImageFont::DrawChar(TCanvas& Canvas, int X, const QString& Ch, int Y) {
    const TSize size = GetCharSize(Ch);
    const int index = ImageIndexOf(Ch);
    if (index >= 0)
        Pack().StretchDraw(Canvas,
                           TRect(X, Y, ClampToInt(static_cast<int64_t>(X) + size.cx),
                                 ClampToInt(static_cast<int64_t>(Y) + FHeight)),
                           index);
    return size.cx;
}

int TImageFont::TextOut(TCanvas& Canvas, int X, const QString& S, int Y) {
    int advance = 0;
    for (const QString& ch : SplitChars(S)) {
        advance = DrawChar(Canvas, X, ch, Y);
        X = ClampToInt(static_cast<int64_t>(X) + advance);
    }
    return advance;
}
