#pragma once
// Persistent objects: the base of every class whose state is written to property streams.
//
// A persistent class is a QObject subclass with Q_OBJECT. Its published properties are its
// Q_PROPERTY declarations, written in declaration order with the inherited ones first (the
// order Qt keeps). How each property is written follows from its C++ type:
//
//   int, short, unsigned char ... integer (the smallest integer tag); colour, charset and
//                                 cursor identifiers (clWhite, SHIFTJIS_CHARSET, crDefault)
//                                 are accepted when read
//   qint64                        64-bit integer
//   bool                          False / True
//   a Q_ENUM enumeration          identifier: the C++ enumerator name (cskSolid)
//   a Q_FLAG flag set             set of identifiers; each enumerator is one bit
//   double / float                Extended / Single
//   TCurrency / TDateTime         Currency / Date
//   QString                       string (code page 932, wide when it cannot hold the text)
//   TStringList                   its lines as the nested custom property "<Name>.Strings"
//   pointer to a TPersistent      nested object, its properties written as "<Name>.<Prop>"
//   pointer to a TCollection      collection of items
//   pointer to a TComponent       reference to another component, written as its name
//
// Attributes beside the Q_PROPERTY lines, as Q_CLASSINFO entries:
//
//   Q_CLASSINFO("Default:BlendRatio", "100")     the value not written (integers, booleans,
//                                                 enumerations "bsSolid", sets "[fsBold]",
//                                                 colours "clWhite"); without a declared
//                                                 default such a property is always written.
//                                                 Strings are not written when empty, floats,
//                                                 64-bit integers, currencies and dates when
//                                                 0, object pointers when null.
//   Q_PROPERTY(... STORED false)                  never written
//   Q_CLASSINFO("Stored:Offset", "IsOffsetStored") written only while the named
//                                                 Q_INVOKABLE bool method answers true
//   Q_CLASSINFO("Ignored", "Left,Top,Visible")    names that streams may carry for this class
//                                                 and that are read and dropped
//
// A subclass may repeat a Q_PROPERTY or a Default/Stored entry to change it; the property
// keeps its ancestor's position in the stream. Event handlers (OnChange ...) are
// std::function members, not properties; names of events that old streams carry go in the
// "Ignored" list, and the events a class publishes are copied by its CopyEventHandlers. Extra data
// that is not a property is written through DefineProperties, after the published properties.
//
// Example:
//
//   class TGradationColors : public TPersistent {
//       Q_OBJECT
//       Q_PROPERTY(int RepeatCount READ RepeatCount WRITE SetRepeatCount)
//       Q_CLASSINFO("Default:RepeatCount", "1")
//   public:
//       int RepeatCount() const { return FRepeatCount; }
//       void SetRepeatCount(int Value);
//       void Assign(const TPersistent* Source) override;   // accept TGradationColors
//       void DefineProperties(TFiler& Filer) override {
//           TPersistent::DefineProperties(Filer);
//           Filer.DefineBinaryProperty("Colors", [this](TStream& S) { ReadColors(S); },
//                                      [this](TStream& S) { WriteColors(S); }, !IsDefaultList());
//       }
//   ...
//   };
//
// Enumerations and sets used by several classes sit in a Q_GADGET holder and are exported
// so that code writes the plain names (a set's enumerators are its bits, in stream order):
//
//   struct TBrushStyleEnum {
//       Q_GADGET
//   public:
//       enum TBrushStyle { bsSolid, bsClear, bsHorizontal };
//       Q_ENUM(TBrushStyle)
//       enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4 };
//       Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
//       Q_FLAG(TFontStyles)
//   };
//   using TBrushStyle = TBrushStyleEnum::TBrushStyle;
//   using enum TBrushStyleEnum::TBrushStyle;
//   using TFontStyles = TBrushStyleEnum::TFontStyles;
//   using enum TBrushStyleEnum::TFontStyle;
//   Q_DECLARE_OPERATORS_FOR_FLAGS(TFontStyles)
//
// Nested persistent objects are owned by the object that declares them (a std::unique_ptr
// member); READ hands out the pointer and WRITE copies into the owned object with Assign, so
// that copying properties never aliases. QObject parenting is not used for ownership.
//
// A class the stream reader must create is registered by name (UClasses.h).

#include "UDateTime.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class TReader;
class TWriter;
class TStream;

// A money amount as a 64-bit integer holding the value times 10000 (exact, no rounding).
struct TCurrency {
    int64_t Scaled = 0;

    // The amount nearest to Value (half away from zero); raises EConvertError outside the
    // 64-bit range.
    static TCurrency FromDouble(double Value);
    double ToDouble() const { return static_cast<double>(Scaled) / 10000.0; }
    friend bool operator==(const TCurrency&, const TCurrency&) = default;
};

// What DefineProperties talks to: the stream reader or writer. The reader calls ReadData of
// the property it is reading; the writer writes the property (name, then value) when
// HasData is true. Names are plain identifiers.
class TFiler {
public:
    using TReaderProc = std::function<void(TReader&)>;
    using TWriterProc = std::function<void(TWriter&)>;
    using TStreamProc = std::function<void(TStream&)>;

    // A property written as ordinary values through the reader and writer (exactly one
    // value: use a list for several).
    virtual void DefineProperty(const char* Name, const TReaderProc& ReadData,
                                const TWriterProc& WriteData, bool HasData) = 0;
    // A property written as one block of bytes; ReadData gets a stream over exactly those
    // bytes, WriteData writes them to an empty stream.
    virtual void DefineBinaryProperty(const char* Name, const TStreamProc& ReadData,
                                      const TStreamProc& WriteData, bool HasData) = 0;

protected:
    ~TFiler() = default;
};

class TPersistent : public QObject {
    Q_OBJECT
public:
    TPersistent() = default;
    ~TPersistent() override = default;

    // Copies Source into this object. The base asks Source to copy itself here (AssignTo)
    // and raises EConvertError "<Source> を <this> に代入できません" when neither side knows
    // how. Overrides accept the classes they know and pass others to the inherited Assign.
    virtual void Assign(const TPersistent* Source);

    // Declares the custom properties of the class (see TFiler). Overrides call the
    // inherited one first. Called by the stream reader and writer.
    virtual void DefineProperties(TFiler& Filer);

    QString ClassName() const { return QString::fromLatin1(metaObject()->className()); }

    // Copies the published event handlers (OnClick, OnModify ...) of this object into Dest,
    // an object of this class or a descendant; the component copy routines call it after the
    // published properties. The base has none; a class that publishes events copies its own
    // and calls the inherited one.
    virtual void CopyEventHandlers(TPersistent& Dest) const;

protected:
    // Copies this object into Dest; the base raises the assign error.
    virtual void AssignTo(TPersistent* Dest) const;
    // Raises EConvertError: Source (or "nil") cannot be assigned to this object.
    [[noreturn]] void AssignError(const TPersistent* Source) const;
};
