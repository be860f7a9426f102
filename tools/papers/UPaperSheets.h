#pragma once
// Builds the system paper library from the label-sheet tables (label-sheets.csv and
// label-sheet-faces.csv beside this file; see README.md there for their columns and
// licence) and from our own entries for common Japanese papers.
//
// Every table length is already in 0.1 mm. A "matrix" row is one TMatrixPaperInfo; the rows
// of a "free" paper (one per source layout) give its sheet, and its faces come from the
// face table in FaceIndex order. A paper that fails one of the paper's own checks (a face
// outside the sheet, faces overlapping, a face shape its purpose does not allow) is left out
// of the library. Empty RoundSize, CenterShape and CutCenter cells take the paper defaults
// (100, csEllipse, 410). Every paper is read-only.

#include "UPaperInfo.h"
#include "UPapers.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

VANTOMI_DECLARE_EXCEPTION(ESheetTableError, Exception)

// A comma-separated table with a header row (RFC 4180 quoting: fields in double quotes may
// hold commas, line breaks and doubled quotes). Raises ESheetTableError on an unclosed quote
// or a row whose field count differs from the header's.
class TSheetTable {
public:
    static TSheetTable Parse(const QByteArray& Utf8Text);
    static TSheetTable Load(const QString& FileName);

    int RowCount() const { return static_cast<int>(FRows.size()); }
    // The cell of Column (a header name) in Row; raises ESheetTableError for an unknown column.
    const QString& Cell(int Row, const QString& Column) const;
    // The cell as an integer; raises ESheetTableError when it is not one. Empty cells give
    // Default when one is given, else raise.
    int Int(int Row, const QString& Column, std::optional<int> Default = std::nullopt) const;

private:
    QStringList FHeader;
    QHash<QString, int> FColumns;
    std::vector<QStringList> FRows;
};

// The Japanese group name of a table GroupName ("address label" -> "宛名ラベル" ...).
QString JapaneseGroupName(const QString& TableGroup);

// One paper with the table's maker and description.
struct TSheetPaper {
    std::unique_ptr<TPaperInfo> Paper;
    QString Maker;
    QString Description;
};

// The papers of the two tables, in table order (a free paper at its first row).
std::vector<TSheetPaper> BuildSheetPapers(const TSheetTable& Sheets, const TSheetTable& Faces);
// Our own papers: A4 and B5 plain sheets, postcard, L photo, a 10-up business-card sheet and
// a two-disc CD/DVD label sheet (116 mm discs with a 41 mm hole).
std::vector<TSheetPaper> BuildJapanesePapers();

// Why P cannot be shipped: "face outside sheet", "faces overlap" or "face shape not allowed
// by its purpose" (the first check that fails, with Purposes for the shape masks); empty when
// it passes every check.
QString PaperCheckFailure(const TPaperInfo& P, const TPurposeList& Purposes);

// Writes the system library to FileName (replacing it): our papers first, then the table's;
// maker and description records in "ExtraInfos"; company and group lists; update record
// PPRNo 1. Papers that fail a check (PaperCheckFailure) are left out. The file is left
// read-only.
void WriteSystemPaperLibrary(const QString& FileName, const QString& SheetsCsv,
                             const QString& FacesCsv);
