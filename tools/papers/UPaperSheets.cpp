#include "UPaperSheets.h"

#include <QFile>
#include <QMetaEnum>
#include <QSet>

namespace {

template <class E>
E EnumValue(const QString& Text, const char* What) {
    bool Ok = false;
    const int Value = QMetaEnum::fromType<E>().keyToValue(Text.toLatin1().constData(), &Ok);
    if (!Ok)
        throw ESheetTableError(
            QStringLiteral("%1 の値 \"%2\" が不正です").arg(QString::fromLatin1(What), Text));
    return static_cast<E>(Value);
}

TCenterShape CenterShapeOf(const QString& Text) {
    return Text.isEmpty() ? csEllipse : EnumValue<TCenterShape>(Text, "CenterShape");
}

void FillSheet(TPaperInfo& P, const TSheetTable& T, int Row) {
    P.SetLandscape(false);
    P.SetWidth(T.Int(Row, QStringLiteral("Width")));
    P.SetHeight(T.Int(Row, QStringLiteral("Height")));
    P.SetPaperName(T.Cell(Row, QStringLiteral("PaperName")));
    P.SetGroupName(JapaneseGroupName(T.Cell(Row, QStringLiteral("GroupName"))));
    P.SetReadOnly(true);
}

std::unique_ptr<TPaperInfo> MatrixPaper(const TSheetTable& T, int Row) {
    auto P = std::make_unique<TMatrixPaperInfo>();
    FillSheet(*P, T, Row);
    P->SetTopOffset(T.Int(Row, QStringLiteral("TopOffset")));
    P->SetLeftOffset(T.Int(Row, QStringLiteral("LeftOffset")));
    P->SetBottomMargin(T.Int(Row, QStringLiteral("BottomMargin")));
    P->SetRightMargin(T.Int(Row, QStringLiteral("RightMargin")));
    P->SetFaceWidth(T.Int(Row, QStringLiteral("FaceWidth")));
    P->SetFaceHeight(T.Int(Row, QStringLiteral("FaceHeight")));
    P->SetFaceCountX(T.Int(Row, QStringLiteral("FaceCountX")));
    P->SetFaceCountY(T.Int(Row, QStringLiteral("FaceCountY")));
    P->SetFaceShape(EnumValue<TFaceShape>(T.Cell(Row, QStringLiteral("FaceShape")), "FaceShape"));
    P->SetFacePurpose(T.Cell(Row, QStringLiteral("FacePurpose")));
    P->SetFaceMargin(T.Int(Row, QStringLiteral("FaceMargin")));
    P->SetRoundSize(T.Int(Row, QStringLiteral("RoundSize"), 100));
    P->SetCenterShape(CenterShapeOf(T.Cell(Row, QStringLiteral("CenterShape"))));
    P->SetCutCenterWidth(T.Int(Row, QStringLiteral("CutCenterWidth"), 410));
    P->SetCutCenterHeight(T.Int(Row, QStringLiteral("CutCenterHeight"), 410));
    return P;
}

void AddFace(TFreePaperInfo& P, const TSheetTable& F, int Row) {
    TFaceItem* Face = P.Faces()->Add();
    Face->SetLeft(F.Int(Row, QStringLiteral("Left")));
    Face->SetTop(F.Int(Row, QStringLiteral("Top")));
    Face->SetWidth(F.Int(Row, QStringLiteral("Width")));
    Face->SetHeight(F.Int(Row, QStringLiteral("Height")));
    Face->SetFaceMargin(F.Int(Row, QStringLiteral("FaceMargin")));
    Face->SetFaceShape(
        EnumValue<TFaceShape>(F.Cell(Row, QStringLiteral("FaceShape")), "FaceShape"));
    Face->SetFacePurpose(F.Cell(Row, QStringLiteral("FacePurpose")));
    Face->SetRoundSize(F.Int(Row, QStringLiteral("RoundSize"), 100));
    Face->SetCenterShape(CenterShapeOf(F.Cell(Row, QStringLiteral("CenterShape"))));
    Face->SetCutCenterWidth(F.Int(Row, QStringLiteral("CutCenterWidth"), 410));
    Face->SetCutCenterHeight(F.Int(Row, QStringLiteral("CutCenterHeight"), 410));
}

} // namespace

// ---------------------------------------------------------------------------------------
// TSheetTable

TSheetTable TSheetTable::Parse(const QByteArray& Utf8Text) {
    const QString Text = QString::fromUtf8(Utf8Text);
    std::vector<QStringList> Records;
    QStringList Record;
    QString Field;
    bool Quoted = false;
    bool FieldStarted = false;
    const auto EndField = [&] {
        Record << Field;
        Field.clear();
        FieldStarted = false;
    };
    const auto EndRecord = [&] {
        EndField();
        Records.push_back(Record);
        Record.clear();
    };
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const QChar C = Text[i];
        if (Quoted) {
            if (C == QLatin1Char('"')) {
                if (i + 1 < Text.size() && Text[i + 1] == QLatin1Char('"')) {
                    Field += C;
                    ++i;
                } else {
                    Quoted = false;
                }
            } else {
                Field += C;
            }
        } else if (C == QLatin1Char('"') && !FieldStarted) {
            Quoted = true;
            FieldStarted = true;
        } else if (C == QLatin1Char(',')) {
            EndField();
        } else if (C == QLatin1Char('\r') && i + 1 < Text.size() &&
                   Text[i + 1] == QLatin1Char('\n')) {
            continue;
        } else if (C == QLatin1Char('\n')) {
            EndRecord();
        } else {
            Field += C;
            FieldStarted = true;
        }
    }
    if (Quoted)
        throw ESheetTableError(QStringLiteral("引用符が閉じていません"));
    if (FieldStarted || !Record.isEmpty())
        EndRecord();
    if (Records.empty())
        throw ESheetTableError(QStringLiteral("見出し行がありません"));

    TSheetTable Table;
    Table.FHeader = Records.front();
    for (int c = 0; c < Table.FHeader.size(); ++c)
        Table.FColumns.insert(Table.FHeader[c], c);
    for (size_t r = 1; r < Records.size(); ++r) {
        if (Records[r].size() != Table.FHeader.size())
            throw ESheetTableError(QStringLiteral("%1 行目の列数が %2 ではありません")
                                       .arg(r + 1)
                                       .arg(Table.FHeader.size()));
        Table.FRows.push_back(std::move(Records[r]));
    }
    return Table;
}

TSheetTable TSheetTable::Load(const QString& FileName) {
    QFile F(FileName);
    if (!F.open(QIODevice::ReadOnly))
        throw ESheetTableError(QStringLiteral("%1 を開けません").arg(FileName));
    return Parse(F.readAll());
}

const QString& TSheetTable::Cell(int Row, const QString& Column) const {
    const auto It = FColumns.constFind(Column);
    if (It == FColumns.constEnd())
        throw ESheetTableError(QStringLiteral("列 %1 がありません").arg(Column));
    if (Row < 0 || Row >= RowCount())
        throw ESheetTableError(QStringLiteral("行 %1 がありません").arg(Row));
    return FRows[Row][*It];
}

int TSheetTable::Int(int Row, const QString& Column, std::optional<int> Default) const {
    const QString& Text = Cell(Row, Column);
    if (Text.isEmpty() && Default)
        return *Default;
    bool Ok = false;
    const int Value = Text.toInt(&Ok);
    if (!Ok)
        throw ESheetTableError(QStringLiteral("%1 行目の %2 \"%3\" は整数ではありません")
                                   .arg(Row + 2)
                                   .arg(Column, Text));
    return Value;
}

// ---------------------------------------------------------------------------------------
// Papers

QString JapaneseGroupName(const QString& TableGroup) {
    static const QHash<QString, QString> Names = {
        {QStringLiteral("address label"), QStringLiteral("宛名ラベル")},
        {QStringLiteral("CD/DVD label"), QStringLiteral("CD/DVDラベル")},
        {QStringLiteral("business card"), QStringLiteral("名刺")},
        {QStringLiteral("postcard"), QStringLiteral("はがき")},
        {QStringLiteral("photo"), QStringLiteral("写真")},
        {QStringLiteral("name badge"), QStringLiteral("名札")},
        {QStringLiteral("other"), QStringLiteral("その他のラベル")},
    };
    const auto It = Names.constFind(TableGroup);
    if (It == Names.constEnd())
        throw ESheetTableError(QStringLiteral("グループ \"%1\" は不明です").arg(TableGroup));
    return *It;
}

std::vector<TSheetPaper> BuildSheetPapers(const TSheetTable& Sheets, const TSheetTable& Faces) {
    std::vector<TSheetPaper> Papers;
    QHash<QString, TFreePaperInfo*> FreeByName;
    for (int Row = 0; Row < Sheets.RowCount(); ++Row) {
        const QString& Kind = Sheets.Cell(Row, QStringLiteral("PaperKind"));
        const QString& Name = Sheets.Cell(Row, QStringLiteral("PaperName"));
        TSheetPaper Entry;
        if (Kind == QLatin1String("matrix")) {
            Entry.Paper = MatrixPaper(Sheets, Row);
        } else if (Kind == QLatin1String("free")) {
            if (FreeByName.contains(Name))
                continue; // a further layout of a free paper already made
            auto P = std::make_unique<TFreePaperInfo>();
            FillSheet(*P, Sheets, Row);
            FreeByName.insert(Name, P.get());
            Entry.Paper = std::move(P);
        } else {
            throw ESheetTableError(QStringLiteral("種類 \"%1\" は不明です").arg(Kind));
        }
        Entry.Maker = Sheets.Cell(Row, QStringLiteral("Maker"));
        Entry.Description = Sheets.Cell(Row, QStringLiteral("Description"));
        Papers.push_back(std::move(Entry));
    }
    // Faces are listed in FaceIndex order per paper.
    QHash<QString, int> NextIndex;
    for (int Row = 0; Row < Faces.RowCount(); ++Row) {
        const QString& Name = Faces.Cell(Row, QStringLiteral("PaperName"));
        TFreePaperInfo* P = FreeByName.value(Name);
        if (!P)
            throw ESheetTableError(QStringLiteral("面の用紙 \"%1\" がありません").arg(Name));
        if (Faces.Int(Row, QStringLiteral("FaceIndex")) != NextIndex.value(Name))
            throw ESheetTableError(QStringLiteral("用紙 \"%1\" の面の順序が不正です").arg(Name));
        NextIndex[Name] += 1;
        AddFace(*P, Faces, Row);
    }
    for (auto It = FreeByName.constBegin(); It != FreeByName.constEnd(); ++It)
        if ((*It)->GetFaceCount() == 0)
            throw ESheetTableError(QStringLiteral("用紙 \"%1\" に面がありません").arg(It.key()));
    return Papers;
}

namespace {

std::unique_ptr<TMatrixPaperInfo> OwnMatrix(const char* Name, const char* Group, int W, int H,
                                            int CountX, int CountY, int FaceW, int FaceH, int Left,
                                            int Top, int GapX, int GapY) {
    auto P = std::make_unique<TMatrixPaperInfo>();
    P->SetWidth(W);
    P->SetHeight(H);
    P->SetPaperName(QString::fromUtf8(Name));
    P->SetGroupName(QString::fromUtf8(Group));
    P->SetReadOnly(true);
    P->SetFaceCountX(CountX);
    P->SetFaceCountY(CountY);
    P->SetFaceWidth(FaceW);
    P->SetFaceHeight(FaceH);
    P->SetLeftOffset(Left);
    P->SetTopOffset(Top);
    P->SetRightMargin(GapX);
    P->SetBottomMargin(GapY);
    return P;
}

} // namespace

std::vector<TSheetPaper> BuildJapanesePapers() {
    std::vector<TSheetPaper> Papers;
    const auto Add = [&Papers](std::unique_ptr<TMatrixPaperInfo> P, const char* Comment) {
        Papers.push_back({std::move(P), QString(), QString::fromUtf8(Comment)});
    };
    Add(OwnMatrix("A4 普通紙", "定型", 2100, 2970, 1, 1, 2100, 2970, 0, 0, 0, 0),
        "A4 210 x 297 mm");
    Add(OwnMatrix("B5 普通紙", "定型", 1820, 2570, 1, 1, 1820, 2570, 0, 0, 0, 0),
        "B5 (JIS) 182 x 257 mm");
    Add(OwnMatrix("はがき", "はがき", 1000, 1480, 1, 1, 1000, 1480, 0, 0, 0, 0), "100 x 148 mm");
    Add(OwnMatrix("L判写真", "写真", 890, 1270, 1, 1, 890, 1270, 0, 0, 0, 0), "89 x 127 mm");
    // Ten 91 x 55 mm cards centred on A4.
    Add(OwnMatrix("名刺 A4 10面", "名刺", 2100, 2970, 2, 5, 910, 550, 140, 110, 0, 0),
        "91 x 55 mm, A4 10 面");
    // Two 116 mm discs with a 41 mm hole, centred on A4 one above the other.
    auto Disc = OwnMatrix("CD/DVDラベル A4 2面", "CD/DVDラベル", 2100, 2970, 1, 2, 1160, 1160, 470,
                          215, 0, 220);
    Disc->SetFaceShape(fsDoughnut);
    Disc->SetFacePurpose(QStringLiteral("CD"));
    Disc->SetCutCenterWidth(410);
    Disc->SetCutCenterHeight(410);
    Add(std::move(Disc), "外径 116 mm、内径 41 mm");
    return Papers;
}

QString PaperCheckFailure(const TPaperInfo& P, const TPurposeList& Purposes) {
    if (P.FindFaceOutside() >= 0)
        return QStringLiteral("face outside sheet");
    if (P.FindFaceOverlap() >= 0)
        return QStringLiteral("faces overlap");
    if (P.FindFaceShapeRefused(Purposes) >= 0)
        return QStringLiteral("face shape not allowed by its purpose");
    return QString();
}

void WriteSystemPaperLibrary(const QString& FileName, const QString& SheetsCsv,
                             const QString& FacesCsv) {
    const TSheetTable Sheets = TSheetTable::Load(SheetsCsv);
    const TSheetTable Faces = TSheetTable::Load(FacesCsv);
    std::vector<TSheetPaper> Papers = BuildJapanesePapers();
    for (TSheetPaper& P : BuildSheetPapers(Sheets, Faces))
        Papers.push_back(std::move(P));

    if (QFile::exists(FileName)) {
        QFile::setPermissions(FileName, QFile::ReadOwner | QFile::WriteOwner);
        if (!QFile::remove(FileName))
            throw ESheetTableError(QStringLiteral("%1 を削除できません").arg(FileName));
    }
    {
        TPapersV2 Library(FileName, false, false);
        Library.RegisterExtraInfo(std::make_unique<TExInfoBase>());
        QStringList Makers;
        QStringList Groups;
        QSet<QString> Names;
        for (const TSheetPaper& P : Papers) {
            if (!PaperCheckFailure(*P.Paper, Library.PurposeList()).isEmpty())
                continue;
            if (Names.contains(P.Paper->PaperName()))
                throw ESheetTableError(
                    QStringLiteral("用紙名 \"%1\" が重複しています").arg(P.Paper->PaperName()));
            Names.insert(P.Paper->PaperName());
            Library.Put(*P.Paper);
            if (!P.Maker.isEmpty() || !P.Description.isEmpty()) {
                TExPaperInfo Info;
                Info.SetPaperName(P.Paper->PaperName());
                Info.SetCompany(P.Maker);
                Info.SetComment(P.Description);
                Library.PutExtraInfo(QStringLiteral("ExtraInfos"), Info);
            }
            if (!P.Maker.isEmpty() && !Makers.contains(P.Maker))
                Makers << P.Maker;
            if (!Groups.contains(P.Paper->GroupName()))
                Groups << P.Paper->GroupName();
        }
        Makers.sort(Qt::CaseInsensitive);
        Library.SetCompanyList(Makers);
        Library.SetGroupList(Groups);
        TPaperUpdate Update;
        Update.SetPPRNo(1);
        Update.SetLastUpdate(EncodeDateTime(QDate(2026, 12, 10)));
        Library.SetUpdateInfo(Update);
        Library.Save();
    }
    // The installed library is read-only.
    QFile::setPermissions(FileName, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}
