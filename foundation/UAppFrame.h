#pragma once
// The application frame: the one application-wide macro table from which every text, path
// and settings key is expanded, the settings under "$(SysRegistryKey)", and the search for
// content files on the data CD.
//
// The data module creates one frame, assigns its macro table (the settings list) and calls
// Loaded, which adds the built-in macros. The most recently created frame is the global one
// that the free routines below use; each of them has a fallback for when there is none.
// Message boxes, the display of unhandled exceptions, window placement and the start
// conditions belong to the frame too and are added with the dialogs and printers they need.

#include "UMacroString.h"

#include <QString>
#include <functional>
#include <memory>

class TRegistry;
class TDataCDLocator;

// The product version of this build, the source of the ShortVer ("1.0") and LongVer
// ("1.0.0.0") macros.
inline constexpr int AppVersionMajor = 1;
inline constexpr int AppVersionMinor = 0;
inline constexpr int AppVersionRelease = 0;
inline constexpr int AppVersionBuild = 0;

// Asked when a content file cannot be found: set Retry to search again, clear it to give up.
using TOnCDNotFound = std::function<void(const QString& DisplayName, bool& Retry)>;

class TAppFrame {
public:
    // A new frame's table holds only AppName=Project; the frame becomes the global one.
    TAppFrame();
    ~TAppFrame();
    TAppFrame(const TAppFrame&) = delete;
    TAppFrame& operator=(const TAppFrame&) = delete;

    // The most recently created frame that still exists, or nullptr.
    static TAppFrame* Global();

    TMacroString& Macro() { return FMacro; }
    const TMacroString& Macro() const { return FMacro; }
    // Replaces the table's lines.
    void SetMacro(const TStringList& Value) { FMacro.Assign(Value); }

    // Completes loading: sets the built-in macros. SysKeyFile (the executable's file name)
    // and SysApplicationFolder (that name without extension) only when the table leaves them
    // empty; then CRLF, Quote, ExeDir (the executable's folder with a trailing "/"),
    // ExeNameNoExt (the executable's path without extension), AppDataDir ($XDG_DATA_HOME
    // with a trailing "/"), ShortVer and LongVer.
    void Loaded();

    QString ExpandMacros(const QString& Text) const { return FMacro.Expand(Text); }

    // The settings key "$(SysRegistryKey)" in the current user's hive, or nullptr when the
    // table has no SysRegistryKey line or it expands to empty text, and for reading also
    // when the key does not exist. ForWrite creates the key.
    std::unique_ptr<TRegistry> OpenRegistry(bool ForWrite) const;

    // Finds a content file on the hard disk or the data CD (FileName relative to a data
    // root, either separator, optionally ending in a pattern with * and ?): the full local
    // path, or empty text. While nothing is found and PromptName is not empty, DoCDNotFound
    // asks whether to search again; PromptName "@" is shown as "必要なファイル".
    QString FindCDFile(const QString& FileName, const QString& PromptName);
    // The data-CD folder the user chose (setting "CDPath").
    QString GetCDPath() const;
    void SetCDPath(const QString& Value);
    // Asks OnCDNotFound; without a handler there is no one to ask and Retry becomes false.
    void DoCDNotFound(const QString& DisplayName, bool& Retry);
    TOnCDNotFound OnCDNotFound;

    TDataCDLocator& CDLocator() { return *FCDLocator; }

private:
    TMacroString FMacro;
    std::unique_ptr<TDataCDLocator> FCDLocator;
};

// Text expanded by the global frame; Text unchanged when there is none.
QString ExpandMacros(const QString& Text);

// Settings directly under the settings key of the global frame. Reads answer Default when
// there is no frame, no settings key, no such key in the store or no such value; integers
// that are not numbers read as Default, Booleans are integers read as true when not 0.
// Writes create the key and write text (integers in decimal, Booleans "1" / "0"); they do
// nothing without a frame or a settings key and raise ERegistryException when the store
// cannot be written. Errors in expanding the key's macros propagate.
bool RegReadBool(const QString& Name, bool Default);
int RegReadInteger(const QString& Name, int Default);
QString RegReadString(const QString& Name, const QString& Default);
void RegWriteBool(const QString& Name, bool Value);
void RegWriteInteger(const QString& Name, int Value);
void RegWriteString(const QString& Name, const QString& Value);
