#include "UMacroString.h"

#include "UPathResolver.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace {

// Deepest nesting of references inside one text, and deepest chain of macros expanding
// macros. Real tables nest a few levels; the limits keep texts from documents from
// exhausting the stack.
constexpr int MaxNesting = 64;
constexpr int MaxDepth = 64;
constexpr int MaxModifierLength = 255;

// 1-based position in characters (a character outside the basic plane counts once) of the
// UTF-16 index Index.
int CharacterPosition(const QString& Text, qsizetype Index) {
    int position = 1;
    for (qsizetype i = 0; i < Index; ++i)
        if (!Text[i].isLowSurrogate())
            ++position;
    return position;
}

[[noreturn]] void RaiseBadMacro(const QString& Text, qsizetype StartIndex) {
    throw EMacroString(QStringLiteral("%1の%2文字目から始まるマクロが間違っています")
                           .arg(Text, QString::number(CharacterPosition(Text, StartIndex))));
}

[[noreturn]] void RaiseTooDeep(const QString& Text) {
    throw EMacroString(QStringLiteral("マクロの入れ子が深すぎます: %1").arg(Text.left(200)));
}

bool IsInessential(const QString& Modifier) {
    return Modifier.compare(QLatin1String("inessential"), Qt::CaseInsensitive) == 0 ||
           Modifier.compare(QLatin1String("unessential"), Qt::CaseInsensitive) == 0;
}

QString DriveOf(const QString& Value) {
    if (HasDriveLetter(Value))
        return Value.left(1);
    const QString path = FindExistingPath(Value);
    if (path.isEmpty() || !QFileInfo(path).isAbsolute())
        return {};
    const QStorageInfo volume(path);
    return volume.isValid() ? volume.rootPath() : QString();
}

// Adds a name to the in-progress list for the lifetime of the guard.
class TInProgressGuard {
public:
    TInProgressGuard(TStringList& List, const QString& Name) : FList(List), FName(Name) {
        FList.Add(Name);
    }
    ~TInProgressGuard() {
        const int index = FList.IndexOf(FName);
        if (index >= 0)
            FList.Delete(index);
    }
    TInProgressGuard(const TInProgressGuard&) = delete;
    TInProgressGuard& operator=(const TInProgressGuard&) = delete;

private:
    TStringList& FList;
    QString FName;
};

class TDepthGuard {
public:
    TDepthGuard(int& Depth, const QString& Text) : FDepth(Depth) {
        if (++FDepth > MaxDepth) {
            --FDepth;
            RaiseTooDeep(Text);
        }
    }
    ~TDepthGuard() { --FDepth; }
    TDepthGuard(const TDepthGuard&) = delete;
    TDepthGuard& operator=(const TDepthGuard&) = delete;

private:
    int& FDepth;
};

} // namespace

QString StripQuotes(const QString& Text) {
    if (Text.size() >= 2 && Text.startsWith(QLatin1Char('"')) && Text.endsWith(QLatin1Char('"')))
        return Text.mid(1, Text.size() - 2);
    return Text;
}

QString TMacroString::Expand(const QString& Text) const {
    QString result;
    int depth = 0;
    qsizetype start = -1; // index of the opening parenthesis of the open reference
    const qsizetype length = Text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = Text[i];
        if (i + 1 < length && c == QLatin1Char('$') && Text[i + 1] == QLatin1Char('(')) {
            if (++depth > MaxNesting)
                RaiseTooDeep(Text);
            if (start < 0)
                start = i + 1;
        }
        if (start < 0) {
            result += c;
            continue;
        }
        if (c != QLatin1Char(')') || --depth > 0)
            continue;
        if (i - start < 2)
            RaiseBadMacro(Text, start);
        result += ExpandMacro(Text.mid(start + 1, i - start - 1));
        start = -1;
    }
    if (start >= 0)
        throw EMacroString(QStringLiteral("%1の%2文字目から始まるマクロが閉じていません")
                               .arg(Text, QString::number(CharacterPosition(Text, start))));
    return FStripQuotes ? ::StripQuotes(result) : result;
}

QString TMacroString::ExpandMacro(const QString& Reference) const {
    const TDepthGuard depthGuard(FDepth, Reference);
    QString name = Expand(Reference);
    QString modifier;
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        modifier = name.mid(colon + 1, MaxModifierLength);
        name.truncate(colon);
    }
    if (FInProgress.IndexOf(name) >= 0)
        throw EMacroString(QStringLiteral("%1 マクロが循環参照されています").arg(name));
    QString value;
    {
        const TInProgressGuard guard(FInProgress, name);
        value = Values(name);
        if (value.isEmpty()) {
            if (!IsInessential(modifier))
                throw EMacroString(QStringLiteral("未定義の%1マクロが使用されています").arg(name));
        } else {
            value = Expand(value);
        }
    }
    if (FStripQuotes)
        value = ::StripQuotes(value);
    return ApplyModifier(value, modifier);
}

QString TMacroString::ApplyModifier(const QString& Value, const QString& Modifier) const {
    if (Modifier.isEmpty() || IsInessential(Modifier))
        return Value;
    if (Modifier.compare(QLatin1String("Drive"), Qt::CaseInsensitive) == 0)
        return DriveOf(Value);
    if (Modifier.compare(QLatin1String("shortPath"), Qt::CaseInsensitive) == 0)
        return FindExistingPath(Value);
    throw EMacroString(
        QStringLiteral("未定義のフォーマット指定(%1)が使用されています").arg(Modifier));
}
