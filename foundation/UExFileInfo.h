#pragma once
// A cache of file-type information for file lists: the icon and the type description of
// each file extension, asked of the desktop's MIME database once per extension.

#include <QIcon>
#include <QString>
#include <map>

struct TExFileTypeInfo {
    QIcon Icon;       // the type's icon (the generic file icon when the theme has none)
    QString TypeName; // the type's description in the user's language ("JPEG image")
};

class TExFileInfo {
public:
    // The information for FileName's type, keyed by its extension ignoring case (the file
    // need not exist; only its name is looked at). Cached after the first request.
    const TExFileTypeInfo& GetFileInfo(const QString& FileName);
    int Count() const { return static_cast<int>(FCache.size()); }

private:
    std::map<QString, TExFileTypeInfo> FCache;
};
