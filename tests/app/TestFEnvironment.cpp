// The environment settings dialog: shows and writes the content folder and cache settings,
// and tells whether the content folder changed.

#include "DataMainTestSupport.h"

#include "FEnvironment.h"
#include "UImageCache.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

class Environment : public TDataMainTest {};

} // namespace

TEST_F(Environment, ShowsAndWritesTheSettings) {
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    RegWriteString(QStringLiteral("CDPath"), QStringLiteral("/media/cd"));
    RegWriteBool(QStringLiteral("CacheEnabl"), false);
    RegWriteInteger(QStringLiteral("CacheLimit"), 64);

    const struct {
        const char* Case;
        QString Path;
        bool Enabled;
        int Limit;
        bool Changed;
    } rows[] = {
        {"nothing changed", QStringLiteral("/media/cd"), false, 64, false},
        {"cache only", QStringLiteral("/media/cd"), true, 0, false},
        {"new folder", QStringLiteral("/srv/content"), true, 10, true},
        {"spaces around the same folder", QStringLiteral("  /srv/content "), true, 10, false},
        {"folder cleared", QString(), true, 10, true},
    };
    for (const auto& row : rows) {
        TfrmEnvironment form;
        const QString before = RegReadString(QStringLiteral("CDPath"), QString());
        EXPECT_EQ(form.edtCDPath()->text(), before) << row.Case;
        form.edtCDPath()->setText(row.Path);
        form.chkCacheEnabled()->setChecked(row.Enabled);
        form.speCacheLimit()->setValue(row.Limit);
        form.accept();
        EXPECT_EQ(form.result(), QDialog::Accepted) << row.Case;
        EXPECT_EQ(form.ContentFolderChanged(), row.Changed) << row.Case;
        EXPECT_EQ(RegReadString(QStringLiteral("CDPath"), QStringLiteral("?")),
                  row.Changed ? row.Path.trimmed() : before)
            << row.Case;
        EXPECT_EQ(RegReadBool(QStringLiteral("CacheEnabl"), !row.Enabled), row.Enabled) << row.Case;
        EXPECT_EQ(RegReadInteger(QStringLiteral("CacheLimit"), -1), row.Limit) << row.Case;
        EXPECT_EQ(TdataMain::CacheLimitSetting(), !row.Enabled     ? 0
                                                  : row.Limit == 0 ? TImageCacheStorage::MaxLimit
                                                                   : row.Limit)
            << row.Case;
    }
}

TEST_F(Environment, CancelWritesNothing) {
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    TfrmEnvironment form;
    EXPECT_TRUE(form.chkCacheEnabled()->isChecked()) << "cache on by default";
    EXPECT_EQ(form.speCacheLimit()->value(), 0);
    form.edtCDPath()->setText(QStringLiteral("/elsewhere"));
    form.chkCacheEnabled()->setChecked(false);
    form.reject();
    EXPECT_FALSE(form.ContentFolderChanged());
    EXPECT_EQ(RegReadString(QStringLiteral("CDPath"), QStringLiteral("unset")),
              QStringLiteral("unset"));
    EXPECT_EQ(RegReadString(QStringLiteral("CacheEnabl"), QStringLiteral("unset")),
              QStringLiteral("unset"));
}
