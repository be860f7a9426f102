#pragma once
// The environment settings: the folder of the content library (the data CD or a copy of it,
// setting "CDPath") and the thumbnail cache (settings "CacheEnabl" and "CacheLimit").

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QSpinBox;

class TfrmEnvironment : public QDialog {
    Q_OBJECT
public:
    // Shows the current settings.
    explicit TfrmEnvironment(QWidget* Parent = nullptr);

    QLineEdit* edtCDPath() const { return FCDPath; }
    QCheckBox* chkCacheEnabled() const { return FCacheEnabled; }
    // MiB; 0 means no limit.
    QSpinBox* speCacheLimit() const { return FCacheLimit; }

    // Writes the settings shown (called when the dialog ends with OK).
    void SaveSettings();
    // After SaveSettings: whether the content folder differs from what it was.
    bool ContentFolderChanged() const { return FContentFolderChanged; }

public slots:
    void accept() override;

private:
    void BrowseCDPath();

    QLineEdit* FCDPath;
    QCheckBox* FCacheEnabled;
    QSpinBox* FCacheLimit;
    QString FOriginalCDPath;
    bool FContentFolderChanged = false;
};

// Shows the dialog modally; true when it ended with OK and the content folder changed.
bool ExecuteEnvironmentDialog(QWidget* Parent = nullptr);
