#pragma once
// TLODate: a text object whose text is a date formatted by a format string (the letters of
// FormatDateTime and the month-name macros of FormatDateText), and the refresh of date
// objects from a document's times.

#include "UDateTime.h"
#include "ULOText.h"

#include <optional>

class TDrawSite;

struct TDateUpdateFlagEnum {
    Q_GADGET
public:
    // Which time of its document a date object shows: its own stored date, or the time the
    // document was opened, last printed or last saved.
    enum TDateUpdateFlag : uint8_t { dufNo, dufOpen, dufPrint, dufSave };
    Q_ENUM(TDateUpdateFlag)
};
using TDateUpdateFlag = TDateUpdateFlagEnum::TDateUpdateFlag;
using enum TDateUpdateFlagEnum::TDateUpdateFlag;

class TLODate : public TLOText {
    Q_OBJECT
    Q_PROPERTY(QString Format READ Format WRITE SetFormat)
    Q_PROPERTY(TDateTime Date READ Date WRITE SetDate)
    Q_PROPERTY(TDateUpdateFlagEnum::TDateUpdateFlag UpdateFlag READ UpdateFlag WRITE SetUpdateFlag)
public:
    Q_INVOKABLE explicit TLODate(TComponent* Owner = nullptr);

    const QString& Format() const { return FFormat; }
    // When different: stored and the text regenerated.
    void SetFormat(const QString& Value);
    TDateTime Date() const { return FDate; }
    // When different: stored and the text regenerated.
    void SetDate(TDateTime Value);
    TDateUpdateFlag UpdateFlag() const { return FUpdateFlag; }
    // When different: stored; the text stays as it is.
    void SetUpdateFlag(TDateUpdateFlag Value);

protected:
    void AssignTo(TPersistent* Dest) const override;

private:
    // The text := the formatted date, one line per line break. A date that cannot be
    // formatted (outside the years 1 to 9999) leaves the text as it is.
    void Regenerate();

    QString FFormat;
    TDateTime FDate;
    TDateUpdateFlag FUpdateFlag = dufNo;
};

// The times of a document that date objects may show; a time the document does not have
// (never printed, never saved) is left empty.
struct TDocumentTimes {
    std::optional<TDateTime> Opened;
    std::optional<TDateTime> Printed;
    std::optional<TDateTime> Saved;
};

// The refresh of every date object on Site when its document is opened, printed or saved:
// each date object takes the time its UpdateFlag names from Times (dufNo keeps its own date;
// an empty time changes nothing). Answers the number of objects whose date was set.
int RefreshDateObjects(const TDrawSite& Site, const TDocumentTimes& Times);
// The same for one object: true when Object is a date object whose date was set.
bool RefreshDateObject(TDrawObject& Object, const TDocumentTimes& Times);
