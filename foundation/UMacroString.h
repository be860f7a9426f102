#pragma once
// Macro tables and their expander.
//
// Every user-visible text, path, settings key, file name and message may hold macro
// references, expanded before use. A reference is "$(" Name [":" Modifier] ")"; names may
// themselves hold references ("$(A$(B))" names the macro A followed by B's value), and
// values may hold references, expanded in turn. The table is a string list of Name=Value
// lines, looked up without regard to case (the first matching line wins).
//
// Modifiers (compared without regard to case):
//   inessential, unessential  an undefined or empty macro expands to empty text instead of
//                             raising
//   Drive      the drive of the value: its letter when it begins with "X:" (Windows form);
//              otherwise, for an existing path, the mount point of the volume holding it
//              (for example "/" or "/media/user/CD"); otherwise empty text
//   shortPath  the value as an existing local path (separators converted, names matched
//              without regard to case), or empty text when nothing exists there
// Any other modifier raises EMacroString.

#include "UException.h"
#include "UStringList.h"

VANTOMI_DECLARE_EXCEPTION(EMacroString, Exception)

// Text without its one enclosing pair of double quotes: unchanged unless it is at least two
// characters long and both begins and ends with a double quote.
QString StripQuotes(const QString& Text);

class TMacroString : public TStringList {
public:
    TMacroString() = default;

    // Replaces the lines with those of Source.
    void Assign(const TStringList& Source) { static_cast<TStringList&>(*this) = Source; }

    // When set (the default), every expansion result of two or more characters that begins
    // and ends with a double quote loses that pair.
    bool StripQuotes() const { return FStripQuotes; }
    void SetStripQuotes(bool Value) { FStripQuotes = Value; }

    // Expands every reference of Text. Raises EMacroString (and returns nothing) for an empty
    // reference "$()", an unclosed one, an undefined macro, a circular reference, an unknown
    // modifier, or nesting deeper than the expander allows. The table stays usable after an
    // error.
    QString Expand(const QString& Text) const;
    // Expands one reference's inside: the text between "$(" and its closing parenthesis.
    QString ExpandMacro(const QString& Reference) const;

private:
    QString ApplyModifier(const QString& Value, const QString& Modifier) const;

    bool FStripQuotes = true;
    // Names whose values are being expanded now; a name met again is a circular reference.
    mutable TStringList FInProgress;
    mutable int FDepth = 0;
};
