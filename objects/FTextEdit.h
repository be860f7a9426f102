#pragma once
// The small modal editor of a text object's lines, opened by a double click or the edit
// command until the text property dialog takes its place.

#include <QDialog>

class QPlainTextEdit;

class TfrmTextEdit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTextEdit(QWidget* Parent = nullptr);

    // Lines separated by "\n".
    QString Text() const;
    void SetText(const QString& Value);
    QPlainTextEdit* Editor() const { return FEditor; }

private:
    QPlainTextEdit* FEditor;
};

// Shows the editor with Text; true (and Text changed to the edited lines) when the user
// confirmed with OK.
bool ExecuteTextEdit(QWidget* Parent, QString& Text);
