#pragma once
// Most-recent-first lists of used entries (opened files, image folders, data-CD paths, label
// data, searched papers, QR-code fields, decorative and schedule strings), kept in the
// settings store and shown as numbered entries of a menu.
//
// RegistryKey is macro text such as "$(OpenFileHistory)"; its expansion is split at the last
// backslash into a key below HKEY_CURRENT_USER and the sub-key holding the list, whose
// values "Item0", "Item1", ... are the entries, Item0 the most recent. The list is read from
// the store at every access, so several managers on one location stay in step.

#include "UException.h"

#include <QAction>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

VANTOMI_DECLARE_EXCEPTION(EHistoryManager, Exception)

class THistoryManager;
using TOnMenuClick = std::function<void(THistoryManager* Sender, const QString& Text)>;

class THistoryManager {
public:
    THistoryManager() = default;
    // Removes the menu items the manager created.
    ~THistoryManager();
    THistoryManager(const THistoryManager&) = delete;
    THistoryManager& operator=(const THistoryManager&) = delete;

    // Setting RegistryKey, Limit, MenuItem, UseAccelerator or ClearHistoryCaption rebuilds
    // the menu.
    const QString& RegistryKey() const { return FRegistryKey; }
    void SetRegistryKey(const QString& Value);
    // The most entries AddItem keeps (10 by default).
    int Limit() const { return FLimit; }
    void SetLimit(int Value);
    // The placeholder item: the entries are inserted after it in its menu, and it is hidden.
    QAction* MenuItem() const { return FMenuItem; }
    void SetMenuItem(QAction* Value);
    // Prefixes captions with an accelerator: "&0 ", "&1 ", ... "&9 ", "&A ", ...
    bool UseAccelerator() const { return FUseAccelerator; }
    void SetUseAccelerator(bool Value);
    // Caption of a last entry that clears the list; empty text: no such entry.
    const QString& ClearHistoryCaption() const { return FClearHistoryCaption; }
    void SetClearHistoryCaption(const QString& Value);
    // Called with the text of a chosen entry, after the entry has moved to the top.
    TOnMenuClick OnMenuClick;

    // The entries, most recent first. Every access below raises EHistoryManager with
    // "History用のキーがセットされていません" when the expanded key has no key part or no
    // last element.
    QStringList GetItems() const;
    // Puts Text at the top (removing an equal entry) and drops the oldest entries beyond
    // Limit.
    void AddItem(const QString& Text);
    // Empties the list.
    void Clear();

private:
    void SplitKey(QString& Key, QString& Section) const;
    void Save(const QStringList& Items);
    // Replaces the created menu items with the current entries. Nothing is built before a
    // RegistryKey is set.
    void RebuildMenu();
    void RemoveMenuItems();
    QString Caption(int Index, const QString& Text) const;
    void Choose(const QString& Text);

    QString FRegistryKey;
    int FLimit = 10;
    QPointer<QAction> FMenuItem;
    bool FUseAccelerator = false;
    QString FClearHistoryCaption;
    std::vector<QPointer<QAction>> FCreated;
};
